#pragma once
// The authoring options of the command line: data from folders, windowed, a start time, the
// edit session and the lint.
#include <cstdint>
#include <string>
#include <vector>

struct AuthoringOptions {
  std::vector<std::string> dataFolders;  // --data: read data files from these folders, not the pack
  bool windowed = false;                 // --windowed: the script's full-screen flag is ignored
  bool hasStart = false;                 // --start given
  int32_t startMs = 0;                   // --start: clock and music start here
  bool edit = false;                     // --edit: authoring keys, overlay, reload
  bool lint = false;                     // --lint: check the script and exit
};
