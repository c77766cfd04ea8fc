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
    bool reported = false;  // a normal load reports it itself
  };
  struct Mention {
    int line = 0;
    std::string text;    // a file name or an effect name
    std::string effect;  // files: the effect whose line names it
  };
  // A key written by a timeline line: SIGNAL keys on variables, BEGIN and END keys on spans.
  struct Key {
    int line = 0;
    std::string effect;
    std::string variable;  // "" for BEGIN and END
    uint32_t time = 0;     // ms
    float value = 0.0f;    // spans: 1 begin, 0 end
    bool glides = false;   // a float variable: sampled between keys
    bool afterEnd = false;  // DEMO_END was read before the line
  };
  struct Trigger {
    int line = 0;
    std::string effect;
    std::string eventName;
    int32_t event = 0;
    int numbers = 0;   // numbers on the line
    std::string text;  // quoted text, "" when none
  };
  struct TimedLine {
    int line = 0;
    int32_t time = 0;  // ms, time offset applied
  };

  std::vector<Problem> problems;
  std::vector<Mention> files;         // quoted texts that name data files
  std::vector<Mention> eventTargets;  // effect names of INIT and TRIGGER lines
  std::vector<TimedLine> times;       // every timeline line
  std::vector<Key> keys;              // in script order
  std::vector<Trigger> triggers;      // lines whose event name is defined
  int32_t endTime = 60000;            // DEMO_END at the end of the load
  int endLine = 0;                    // line of the first DEMO_END, 0 when there is none
};
