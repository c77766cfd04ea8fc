#pragma once
// The command line of the pack tool (see usage()): parses arguments, runs one command and
// returns the process exit code. Messages go to the given streams, so tests can run it in
// process.
//
// Exit codes: 0 success; 1 bad input or a failed archive operation; 2 bad command line.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class VddpackCommand {
 public:
  VddpackCommand(std::FILE* out, std::FILE* err) : _out(out), _err(err) {}
  int run(const std::vector<std::string>& arguments);
  static const char* usage();

 private:
  int add(const std::vector<std::string>& args);
  int listEntries(const std::vector<std::string>& args);
  int extractEntries(const std::vector<std::string>& args);
  int usageError(const std::string& message);
  void progress(uint64_t done, uint64_t total, size_t files, size_t fileCount);

  std::FILE* _out;
  std::FILE* _err;
  int _lastPercent = -1;  // last progress figure shown; 101 once the final line is out
};
