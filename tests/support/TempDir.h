#pragma once
// A fresh temporary folder, removed with everything in it on destruction. Optionally the
// working directory while it exists (the program reads its data relative to it).
#include <string>

class TempDir {
 public:
  explicit TempDir(bool enter = false);
  ~TempDir();
  const std::string& path() const { return _path; }
  // Writes a file below the folder, creating its parent folders; returns its full path.
  std::string write(const std::string& relativePath, const std::string& contents) const;
  // Reads a whole file below the folder ("" when missing).
  std::string read(const std::string& relativePath) const;

 private:
  std::string _path;
  std::string _previousDir;  // restored on destruction when entered
};
