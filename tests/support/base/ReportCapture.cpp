#include "ReportCapture.h"

#include "ErrorReport.h"

namespace {
std::vector<std::string> gReports;
ReportHandler gPrevious = nullptr;
void collect(const char* text, bool) { gReports.emplace_back(text); }
}  // namespace

ReportCapture::ReportCapture() {
  gReports.clear();
  gPrevious = setReportHandler(collect);
}

ReportCapture::~ReportCapture() { setReportHandler(gPrevious); }

const std::vector<std::string>& ReportCapture::reports() const { return gReports; }

bool ReportCapture::contains(const std::string& text) const {
  for (const std::string& r : gReports)
    if (r.find(text) != std::string::npos) return true;
  return false;
}

void ReportCapture::clear() { gReports.clear(); }
