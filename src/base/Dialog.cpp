#include "Dialog.h"

#include <SDL.h>

#include <cstdlib>

#include "Switches.h"

bool isNonInteractive() {
  if (Switches::isOn(Switch::NonInteractive)) return true;
#ifdef _WIN32
  return false;  // Windows always has a desktop to show a box on
#endif
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return !(x11 && *x11) && !(wayland && *wayland);
}

namespace {
Uint32 sdlFlags(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Information: return SDL_MESSAGEBOX_INFORMATION;
    case DialogIcon::Warning: return SDL_MESSAGEBOX_WARNING;
    case DialogIcon::Error: return SDL_MESSAGEBOX_ERROR;
    case DialogIcon::None: break;
  }
  return 0;
}
}  // namespace

void showMessageBox(const char* text, const char* caption, DialogIcon icon) {
  if (isNonInteractive()) return;
  SDL_ShowSimpleMessageBox(sdlFlags(icon), caption, text, nullptr);
}

bool askYesNo(const char* text, const char* caption) {
  if (isNonInteractive()) return true;
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
  };
  SDL_MessageBoxData data = {};
  data.flags = SDL_MESSAGEBOX_WARNING;
  data.title = caption;
  data.message = text;
  data.numbuttons = 2;
  data.buttons = buttons;
  int answer = 1;
  if (SDL_ShowMessageBox(&data, &answer) != 0) return true;
  return answer == 1;
}
