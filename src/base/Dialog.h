#pragma once
// Modal message boxes without an owner window. In non-interactive mode (the switch
// RK17_NONINTERACTIVE, or no display to show a box on) nothing is shown and every Yes/No question is answered Yes.

enum class DialogIcon { None, Information, Warning, Error };

// True when boxes must not be shown: the switch NonInteractive (Switches.h), or (not on Windows) neither DISPLAY
// nor WAYLAND_DISPLAY is set.
bool isNonInteractive();
// Shows text with an OK button and waits for it (nothing in non-interactive mode).
void showMessageBox(const char* text, const char* caption, DialogIcon icon);
// Asks a Yes/No question; true for Yes. Non-interactive mode and a box that cannot be shown answer Yes.
bool askYesNo(const char* text, const char* caption);
