#include "CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

const char* CommandLine::usage() {
  return "usage: rk17 [--capture DIR [--fps N] [--from MS] [--to MS] [--data DIR]...] [--help]\n"
         "       rk17 [--edit] [--data DIR]... [--windowed] [--start MS]\n"
         "       rk17 --lint [--data DIR]...\n"
         "       rk17 --list-effects [NAME]\n"
         "       rk17 --scene-info FILE [--data DIR]...\n"
         "       rk17 --video FILE [--fps N] [--from MS] [--to MS] [--quality crf|small|lossless] [-q] [--data DIR]...\n"
         "\n"
         "Without options rk17 plays the show in real time with its music.\n"
         "\n"
         "  --capture DIR  render the show on a fixed-step clock, without waiting for real time,\n"
         "                 and write every frame as DIR/frame-000000.png, frame-000001.png, ...\n"
         "                 (800 x 600); DIR is created if needed\n"
         "  --fps N        frames per second of demo time (1 to 1000, default 60): frame k is\n"
         "                 taken at FROM + k * 1000 / N ms\n"
         "  --from MS      demo time of the first frame (default 0)\n"
         "  --to MS        last demo time to capture (default: the last frame before the script's\n"
         "                 end time, where every span has ended)\n"
         "  --data DIR     read the script and every data file from the folder tree DIR (it holds\n"
         "                 data/scripts/demo.scr, data/images/...) instead of data.vdd; give it\n"
         "                 more than once to search several folders, the first holding a file wins\n"
         "  --windowed     play in a window whatever the script's DEMO_FULLSCREEN says\n"
         "  --start MS     start clock and music at MS (0 or more) instead of DEMO_START\n"
         "  --edit         authoring (implies --windowed): P pause, Left/Right one bar back/forward,\n"
         "                 Page Up/Down ten bars, Home to the start, R reload the script at the\n"
         "                 current time, L set/clear an A-B loop, F2 overlay on/off; with --data a\n"
         "                 saved script reloads by itself. Escape, Space, M and F1 as in playback\n"
         "  --lint         check the script (no window, no sound): every problem as file:line:\n"
         "                 message on stderr; exit code 0 and one line on stdout when clean, 1\n"
         "                 otherwise\n"
         "  --list-effects [NAME]  the effects a script can use (or the effect NAME): variables with\n"
         "                 kind, default and meaning, events with numbers and values, string lists\n"
         "  --scene-info FILE  the cameras (by index), lights and objects of a scene file with\n"
         "                 their parents and materials, its frame count and step\n"
         "                 (FILE a folder: the same for each of its .vdg files, read from disk)\n"
         "  --video FILE   render the same frames into the video FILE (.mp4 or .mkv) with the\n"
         "                 soundtrack from FROM on, encoded by ffmpeg (found on PATH); the file\n"
         "                 appears only when it is complete\n"
         "  --quality Q    crf: H.264 (yuv420p, x264 preset medium, CRF 18) and AAC (default);\n"
         "                 small: x264 preset veryfast at CRF 21, a half to three quarters of\n"
         "                 the size and under half the encoding time, at a lower quality;\n"
         "                 lossless: H.264 RGB (QP 0) with FLAC audio in .mkv or ALAC in .mp4\n"
         "  -q             no progress line on stderr while rendering a video\n"
         "  --help         show this text\n";
}

bool CommandLine::readInt(const char* option, const char* text, int64_t low, int64_t high, int64_t* value) {
  if (!text) {
    _error = std::string(option) + " needs a value";
    return false;
  }
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed < low || parsed > high) {
    _error = std::string(option) + ": not a number from " + std::to_string(low) + " to " + std::to_string(high) +
             ": " + text;
    return false;
  }
  *value = parsed;
  return true;
}

namespace {
bool endsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
  return true;
}
}  // namespace

CommandLine::Result CommandLine::parse(int argc, const char* const* argv) {
  bool capture = false;
  bool video = false;
  bool videoOnly = false;  // --quality or -q seen
  bool timing = false;  // --fps, --from or --to seen
  bool listEffects = false;
  bool sceneInfo = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    int64_t value = 0;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      return Result::Help;
    } else if (std::strcmp(arg, "--capture") == 0) {
      if (!next || !*next) {
        _error = "--capture needs a folder";
        return Result::Error;
      }
      _capture.directory = next;
      capture = true;
      ++i;
    } else if (std::strcmp(arg, "--video") == 0) {
      if (!next || !*next) {
        _error = "--video needs a file name";
        return Result::Error;
      }
      _capture.videoFile = next;
      if (!endsWith(_capture.videoFile, ".mp4") && !endsWith(_capture.videoFile, ".mkv")) {
        _error = std::string("--video: the file name must end in .mp4 or .mkv: ") + next;
        return Result::Error;
      }
      video = true;
      ++i;
    } else if (std::strcmp(arg, "--list-effects") == 0) {
      listEffects = true;
      if (next && next[0] != '-') {
        _effectName = next;
        ++i;
      }
    } else if (std::strcmp(arg, "--scene-info") == 0) {
      if (!next || !*next) {
        _error = "--scene-info needs a scene file";
        return Result::Error;
      }
      _sceneFile = next;
      sceneInfo = true;
      ++i;
    } else if (std::strcmp(arg, "--quality") == 0) {
      if (next && std::strcmp(next, "crf") == 0) {
        _capture.quality = VideoQuality::Crf;
      } else if (next && std::strcmp(next, "small") == 0) {
        _capture.quality = VideoQuality::Small;
      } else if (next && std::strcmp(next, "lossless") == 0) {
        _capture.quality = VideoQuality::Lossless;
      } else {
        _error = std::string("--quality: crf, small or lossless, not ") + (next ? next : "nothing");
        return Result::Error;
      }
      videoOnly = true;
      ++i;
    } else if (std::strcmp(arg, "-q") == 0 || std::strcmp(arg, "--quiet") == 0) {
      _capture.quiet = true;
      videoOnly = true;
    } else if (std::strcmp(arg, "--fps") == 0) {
      if (!readInt(arg, next, 1, 1000, &value)) return Result::Error;
      _capture.fps = int(value);
      timing = true;
      ++i;
    } else if (std::strcmp(arg, "--from") == 0) {
      if (!readInt(arg, next, INT32_MIN, INT32_MAX, &value)) return Result::Error;
      _capture.fromMs = int32_t(value);
      timing = true;
      ++i;
    } else if (std::strcmp(arg, "--to") == 0) {
      if (!readInt(arg, next, INT32_MIN, INT32_MAX, &value)) return Result::Error;
      _capture.toMs = int32_t(value);
      _capture.hasTo = true;
      timing = true;
      ++i;
    } else if (const int used = readAuthoringOption(arg, next)) {
      if (used < 0) return Result::Error;
      i += used - 1;
    } else {
      _error = std::string("unknown option: ") + arg;
      return Result::Error;
    }
  }
  if (listEffects || sceneInfo) {
    const bool onlyData = !capture && !video && !timing && !videoOnly && !_authoring.edit && !_authoring.lint &&
                          !_authoring.windowed && !_authoring.hasStart;
    if (!onlyData || (listEffects && (sceneInfo || !_authoring.dataFolders.empty()))) {
      _error = "--list-effects takes only a name, --scene-info only --data";
      return Result::Error;
    }
    return listEffects ? Result::ListEffects : Result::SceneInfo;
  }
  if (capture && video) {
    _error = "--capture and --video cannot be combined";
    return Result::Error;
  }
  if (!checkAuthoringCombination(capture || video)) return Result::Error;
  if (timing && !capture && !video) {
    _error = "--fps, --from and --to need --capture or --video";
    return Result::Error;
  }
  if (videoOnly && !video) {
    _error = "--quality and -q need --video";
    return Result::Error;
  }
  if (_authoring.lint) return Result::Lint;
  if (video) return Result::Video;
  return capture ? Result::Capture : Result::Play;
}

int CommandLine::readAuthoringOption(const char* arg, const char* next) {
  int64_t value = 0;
  if (std::strcmp(arg, "--data") == 0) {
    std::error_code error;
    if (!next || !*next || !std::filesystem::is_directory(next, error)) {
      _error = std::string("--data needs an existing folder") + (next ? std::string(": ") + next : "");
      return -1;
    }
    _authoring.dataFolders.push_back(next);
    return 2;
  }
  if (std::strcmp(arg, "--start") == 0) {
    if (!readInt(arg, next, 0, INT32_MAX, &value)) return -1;
    _authoring.hasStart = true;
    _authoring.startMs = int32_t(value);
    return 2;
  }
  bool* flag = std::strcmp(arg, "--windowed") == 0 ? &_authoring.windowed
               : std::strcmp(arg, "--edit") == 0   ? &_authoring.edit
               : std::strcmp(arg, "--lint") == 0   ? &_authoring.lint
                                                   : nullptr;
  if (!flag) return 0;
  *flag = true;
  return 1;
}

bool CommandLine::checkAuthoringCombination(bool capture) {
  const AuthoringOptions& a = _authoring;
  if (capture && (a.edit || a.lint || a.hasStart)) {
    _error = "--edit, --lint and --start do not go with --capture or --video (use --from)";
    return false;
  }
  if (a.lint && (a.edit || a.windowed || a.hasStart)) {
    _error = "--lint takes only --data";
    return false;
  }
  if (a.edit) _authoring.windowed = true;
  return true;
}
