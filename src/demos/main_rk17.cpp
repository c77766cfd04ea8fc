// The program's entry: plays the show in an 800 x 600 window, captures its frames or renders
// it to a video file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <SDL.h>

#include "CommandLine.h"
#include "DemoClock.h"
#include "DemoRunner.h"
#include "EditClock.h"
#include "EditSession.h"
#include "EffectReference.h"
#include "EffectTable.h"
#include "MemoryFile.h"
#include "NameSuggestion.h"
#include "FrameCapture.h"
#include "SceneInfo.h"
#include "ScriptLint.h"
#include "Switches.h"
#include "VideoExport.h"

namespace {
// A GL context without a display, for effects and scenes that make GL objects when built. On
// Windows SDL's offscreen driver has no GL (it needs EGL): a small window of the system's driver
// shows while the check runs.
void createHiddenContext(DemoEngine& engine) {
#ifndef _WIN32
  SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
#endif
  engine.create("rk17 reference", 64, 64, 32, false, nullptr);
}

// --lint: every problem of the script as file:line: message on stderr, or one line on stdout
// saying it is clean; 0 when there is none. Effects that draw through off-screen buffers need a
// GL context to be made (createHiddenContext).
int lintScript(const AuthoringOptions& options) {
  DemoEngine engine;
  createHiddenContext(engine);
  DemoRunner::useShowData(options);
  ScriptLint lint(EffectTable::rows());
  if (options.dataFolders.empty()) lint.setPackName(DemoRunner::packName());
  lint.setSceneNames(SceneInfo::readNames);
  const std::vector<ScriptCheck::Problem> problems = lint.checkFile(DemoRunner::scriptPath());
  for (const ScriptCheck::Problem& problem : problems)
    std::fprintf(stderr, "%s\n", ScriptLint::format(DemoRunner::scriptPath(), problem).c_str());
  if (problems.empty()) std::printf("%s: no problems found\n", DemoRunner::scriptPath());
  return problems.empty() ? 0 : 1;
}

// --list-effects [NAME]: the reference on stdout; an unknown name is an error (exit code 2).
int listEffects(const std::string& name) {
  DemoEngine engine;
  createHiddenContext(engine);
  const EffectReference reference(EffectTable::rows());
  const std::string text = name.empty() ? reference.all() : reference.one(name);
  if (text.empty()) {
    std::fprintf(stderr, "rk17: no effect named %s%s; rk17 --list-effects lists them all\n", name.c_str(),
                 NameSuggestion::hint(name, reference.names()).c_str());
    return 2;
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

// --scene-info FILE: the scene's names and tree on stdout, read from disk or the --data folders.
// A folder on disk: the same for each of its scene files in name order, read from disk as they
// are (the --data folders are not searched); 1 when any of them cannot be read.
int sceneInfo(const std::string& file, const AuthoringOptions& options) {
  DemoEngine engine;
  createHiddenContext(engine);
  std::error_code error;
  const bool folder = std::filesystem::is_directory(file, error);
  setDataFolders(folder ? std::vector<std::string>() : options.dataFolders);
  const std::vector<std::string> files = folder ? SceneInfo::sceneFilesIn(file) : std::vector<std::string>{file};
  if (files.empty()) {
    std::fprintf(stderr, "rk17: %s holds no scene files (.vdg)\n", file.c_str());
    return 1;
  }
  int status = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string text = SceneInfo::describe(files[i]);
    if (text.empty()) {
      std::fprintf(stderr, "rk17: %s could not be read as a scene file\n", files[i].c_str());
      status = 1;
      continue;
    }
    std::fputs(i > 0 ? ("\n" + text).c_str() : text.c_str(), stdout);
  }
  return status;
}
}  // namespace

int main(int argc, char** argv) {
  Switches::readEnvironment();  // every switch once, before anything looks at one
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
    case CommandLine::Result::ListEffects:
      return listEffects(commandLine.effectName());
    case CommandLine::Result::SceneInfo:
      return sceneInfo(commandLine.sceneFile(), commandLine.authoring());
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
