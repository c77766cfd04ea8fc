#pragma once
// The program-wide show settings. The entry sets the screen size and the full-screen flag,
// the script loader publishes start, end, beat, full-screen and music flags, keys flip flags.
#include <cstdint>

struct DemoSettings {
  int32_t screenWidth = 1024;   // px, the entry sets 800
  int32_t screenHeight = 768;   // px, the entry sets 600
  bool fullscreen = false;      // display switched to the demo mode
  bool music = true;            // soundtrack plays
  int32_t startTime = 0;        // ms of demo time where music and clock start
  int32_t endTime = 60000;      // ms; the show ends once the clock passes it (unsigned compare)
  int32_t beat = 100;           // ms per beat-pattern step
  bool quit = false;            // ends the frame loop
  bool inputEnabled = false;    // until set, window events go to the default handling
};

// The single instance.
DemoSettings& demoSettings();
