#pragma once
// The edit session's test driver: with the switch RK17_EDIT_ACTIONS (Switches.h) set, tests drive
// an edit session without a person. Its text holds actions separated by blanks, run one per
// frame: key names (P Left Right PageUp PageDown Home R L F2 Space M Escape), "jump:MS",
// "shot:DIR" (writes the frame, without the overlay, as DIR/frame-000000.png), "wait:PATH" (until
// the file exists) and "reloaded" (until a reload since the action before it ended). An unknown
// action is reported on stderr and passed over.
#include <cstddef>
#include <string>
#include <vector>

class DemoInput;
class EditSession;

class EditActions {
 public:
  // Reads the actions of text (words "name" or "name:argument"), after those read before.
  void parse(const std::string& text);
  // Before a frame: starts the next action, and goes on to the one after once it is done. Keys go
  // to input (the runner, which hands the authoring keys back), or to the session without one.
  void beforeFrame(EditSession& session, DemoInput* input);
  // After the show's frame, before the overlay: writes the shot an action asked for.
  void afterFrame(int width, int height);

 private:
  struct Action {
    std::string name;
    std::string argument;
  };
  void run(const Action& action, EditSession& session, DemoInput* input);
  bool done(const Action& action, const EditSession& session) const;

  std::vector<Action> _actions;
  size_t _next = 0;
  bool _started = false;
  int _reloadsAtAction = 0;
  int _reloadsAtLook = 0;  // reloads when the current action was last looked at, unfinished
  std::string _shotDir;  // shot pending for this frame
};
