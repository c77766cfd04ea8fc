#pragma once
// Authoring with --data: every file the show asks for that no data folder holds is reported once,
// on stderr and in the edit overlay, instead of showing as a white rectangle or nothing at all.
// Plain playback from the pack does not install it.
#include <string>
#include <vector>

class MissingFiles {
 public:
  // Starts recording through the memory files' missing-file handler.
  static void install();
  // The names reported so far, in the order first asked for.
  static const std::vector<std::string>& names();
  // Forgets the names (tests).
  static void clear();

 private:
  static void onMissing(const char* name);
};
