#pragma once
// What a checking load of the script records instead of reporting: every problem the loader
// meets (the load goes on past fatal ones), and the facts a lint checks afterwards.
#include <cstdint>
#include <string>
#include <vector>

struct ScriptCheck {
  struct Problem {
    int line = 0;  // 1-based line of the script
    std::string message;
    bool fatal = false;  // a normal load would stop the show here
  };
  struct Mention {
    int line = 0;
    std::string text;  // a file name or an effect name
  };
  struct TimedLine {
    int line = 0;
    int32_t time = 0;  // ms, time offset applied
  };

  std::vector<Problem> problems;
  std::vector<Mention> files;         // quoted texts that name data files
  std::vector<Mention> eventTargets;  // effect names of INIT and TRIGGER lines
  std::vector<TimedLine> times;       // every timeline line
  int32_t endTime = 60000;            // DEMO_END at the end of the load
};
