#pragma once
// The program's command line. Without arguments the show plays; --capture renders frames to
// PNG files on a fixed-step clock instead of real time, --video to a video file with the music.
#include "AuthoringOptions.h"

#include <cstdint>
#include <string>

// --quality: the encoder settings of a video (VideoExport::encoderArguments gives each one's).
enum class VideoQuality { Crf, Small, Lossless };

struct CaptureOptions {
  std::string directory;     // where frame-000000.png ... are written
  int fps = 60;              // frames per second of demo time, 1..1000
  int32_t fromMs = 0;        // demo time of frame 0
  bool hasTo = false;        // false: up to the script's end time
  int32_t toMs = 0;          // last demo time captured (inclusive)
  // --video: the frames and the soundtrack go to one video file instead.
  std::string videoFile;     // .mp4 or .mkv
  VideoQuality quality = VideoQuality::Crf;  // --quality crf (default), small or lossless
  bool quiet = false;        // -q: no progress line
};

class CommandLine {
 public:
  enum class Result { Play, Capture, Video, Help, Error, Lint, ListEffects, SceneInfo };

  // Parses argv; on Error, error() says what was wrong.
  Result parse(int argc, const char* const* argv);
  const CaptureOptions& capture() const { return _capture; }
  const AuthoringOptions& authoring() const { return _authoring; }
  const std::string& error() const { return _error; }
  // --list-effects [NAME]: the effect asked for, "" for all.
  const std::string& effectName() const { return _effectName; }
  // --scene-info FILE.
  const std::string& sceneFile() const { return _sceneFile; }
  static const char* usage();

 private:
  bool readInt(const char* option, const char* text, int64_t low, int64_t high, int64_t* value);
  // An authoring option at argv[i]: 0 when arg is none, else the arguments used (-1 on error).
  int readAuthoringOption(const char* arg, const char* next);
  // Options that do not go together; false (with error set) when the ones given do not.
  bool checkAuthoringCombination(bool capture);

  CaptureOptions _capture;
  AuthoringOptions _authoring;
  std::string _error;
  std::string _effectName;
  std::string _sceneFile;
};
