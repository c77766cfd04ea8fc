#pragma once
// Collects the error reports made while it exists (non-fatal ones; a fatal one still exits 1).
#include <string>
#include <vector>

class ReportCapture {
 public:
  ReportCapture();
  ~ReportCapture();
  const std::vector<std::string>& reports() const;
  // True when some report contains text.
  bool contains(const std::string& text) const;
  void clear();
};
