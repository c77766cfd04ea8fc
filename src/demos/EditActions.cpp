#include "EditActions.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "DemoEngine.h"
#include "EditSession.h"
#include "FrameCapture.h"

namespace {
struct KeyName {
  const char* name;
  SDL_Keycode key;
};
const KeyName kKeys[] = {
    {"P", SDLK_p},
    {"Left", SDLK_LEFT},
    {"Right", SDLK_RIGHT},
    {"PageUp", SDLK_PAGEUP},
    {"PageDown", SDLK_PAGEDOWN},
    {"Home", SDLK_HOME},
    {"R", SDLK_r},
    {"L", SDLK_l},
    {"F2", SDLK_F2},
    {"Space", SDLK_SPACE},
    {"M", SDLK_m},
    {"Escape", SDLK_ESCAPE},
};
}  // namespace

void EditActions::parse(const std::string& text) {
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    const size_t colon = word.find(':');
    _actions.push_back({word.substr(0, colon), colon == std::string::npos ? "" : word.substr(colon + 1)});
  }
}

void EditActions::run(const Action& action, EditSession& session, DemoInput* input) {
  for (const KeyName& k : kKeys)
    if (action.name == k.name) {
      if (input)
        input->onKeyDown(k.key);
      else
        session.onKey(k.key);
      return;
    }
  if (action.name == "jump") {
    session.jumpTo(std::strtoll(action.argument.c_str(), nullptr, 10));
  } else if (action.name == "shot") {
    _shotDir = action.argument;
  } else if (action.name != "wait" && action.name != "reloaded") {
    std::fprintf(stderr, "rk17: unknown edit action %s\n", action.name.c_str());
  }
}

bool EditActions::done(const Action& action, const EditSession& session) const {
  if (action.name == "wait") {
    std::error_code error;
    return std::filesystem::exists(action.argument, error);
  }
  if (action.name == "reloaded") return session.reloads() > _reloadsAtAction;
  return true;
}

void EditActions::beforeFrame(EditSession& session, DemoInput* input) {
  if (_next >= _actions.size()) return;
  const Action& action = _actions[_next];
  if (!_started) {
    _started = true;
    run(action, session, input);
    _reloadsAtLook = session.reloads();
  }
  if (done(action, session)) {
    ++_next;
    _started = false;
    // "reloaded" waits for a reload after the action before it. A wait's file and a save can
    // come between two looks: a reload after the wait's last unfinished look counts.
    _reloadsAtAction = action.name == "wait" ? _reloadsAtLook : session.reloads();
  } else {
    _reloadsAtLook = session.reloads();
  }
}

void EditActions::afterFrame(int width, int height) {
  if (_shotDir.empty()) return;
  CaptureOptions options;
  options.directory = _shotDir;
  FrameCapture shot(options);
  if (shot.prepare()) shot.writeFrame(width, height);
  _shotDir.clear();
}
