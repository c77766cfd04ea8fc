// The program's entry: plays the show in an 800 x 600 window, captures its frames or renders
// it to a video file.
#include "CommandLine.h"
#include "DemoClock.h"
#include "DemoRunner.h"
#include "FrameCapture.h"
#include "VideoExport.h"

#include <cstdio>

int main(int argc, char** argv) {
  CommandLine commandLine;
  switch (commandLine.parse(argc, argv)) {
    case CommandLine::Result::Help:
      std::fputs(CommandLine::usage(), stdout);
      return 0;
    case CommandLine::Result::Error:
      std::fprintf(stderr, "rk17: %s\n%s", commandLine.error().c_str(), CommandLine::usage());
      return 2;
    case CommandLine::Result::Capture: {
      DemoClock steppedClock(FrameCapture::counter, 1000);
      FrameCapture capture(commandLine.capture());
      DemoRunner runner(steppedClock);
      return runner.runCapture(capture, commandLine.capture());
    }
    case CommandLine::Result::Video: {
      DemoClock steppedClock(FrameCapture::counter, 1000);
      VideoExport video(commandLine.capture());
      DemoRunner runner(steppedClock);
      return runner.runCapture(video, commandLine.capture());
    }
    case CommandLine::Result::Play:
      break;
  }
  DemoRunner runner(DemoClock::instance());
  return runner.run();
}
