// The program's entry: plays the show in an 800 x 600 window, captures its frames or renders
// it to a video file.
#include <cstdio>
#include <cstdlib>

#include <SDL.h>

#include "CommandLine.h"
#include "DemoClock.h"
#include "DemoRunner.h"
#include "EditClock.h"
#include "EditSession.h"
#include "EffectTable.h"
#include "FrameCapture.h"
#include "ScriptLint.h"
#include "VideoExport.h"

namespace {
// --lint: every problem of the script as file:line: message; 0 when there is none. Effects that
// draw through off-screen buffers need a GL context to be made: an invisible one from SDL's
// offscreen driver, which needs no display. On Windows that driver has no GL (it needs EGL): a
// small window of the system's driver shows while the check runs.
int lintScript(const AuthoringOptions& options) {
#ifndef _WIN32
  SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
#endif
  DemoEngine engine;
  engine.create("rk17 lint", 64, 64, 32, false, nullptr);
  DemoRunner::useShowData(options);
  ScriptLint lint(EffectTable::rows());
  if (options.dataFolders.empty()) lint.setPackName(DemoRunner::packName());
  const std::vector<ScriptCheck::Problem> problems = lint.checkFile(DemoRunner::scriptPath());
  for (const ScriptCheck::Problem& problem : problems)
    std::fprintf(stderr, "%s\n", ScriptLint::format(DemoRunner::scriptPath(), problem).c_str());
  return problems.empty() ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine;
  switch (commandLine.parse(argc, argv)) {
    case CommandLine::Result::Help:
      std::fputs(CommandLine::usage(), stdout);
      return 0;
    case CommandLine::Result::Error:
      std::fprintf(stderr, "rk17: %s\n%s", commandLine.error().c_str(), CommandLine::usage());
      return 2;
    case CommandLine::Result::Lint:
      return lintScript(commandLine.authoring());
    case CommandLine::Result::Capture: {
      DemoClock steppedClock(FrameCapture::counter, 1000);
      FrameCapture capture(commandLine.capture());
      DemoRunner runner(steppedClock);
      runner.setAuthoring(commandLine.authoring(), nullptr);
      return runner.runCapture(capture, commandLine.capture());
    }
    case CommandLine::Result::Video: {
      DemoClock steppedClock(FrameCapture::counter, 1000);
      VideoExport video(commandLine.capture());
      DemoRunner runner(steppedClock);
      runner.setAuthoring(commandLine.authoring(), nullptr);
      return runner.runCapture(video, commandLine.capture());
    }
    case CommandLine::Result::Play:
      break;
  }
  if (commandLine.authoring().edit) {
    DemoClock editClock(EditClock::counter, 1000);
    EditSession session(editClock, commandLine.authoring(), EffectTable::rows(), DemoRunner::scriptPath());
    if (commandLine.authoring().dataFolders.empty()) session.setPackName(DemoRunner::packName());
    DemoRunner runner(editClock);
    runner.setAuthoring(commandLine.authoring(), &session);
    session.setKeyTarget(&runner);
    return runner.run();
  }
  DemoRunner runner(DemoClock::instance());
  runner.setAuthoring(commandLine.authoring(), nullptr);
  return runner.run();
}
