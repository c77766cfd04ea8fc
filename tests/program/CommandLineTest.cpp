#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ParseCase {
  std::vector<const char*> args;
  CommandLine::Result result;
  int fps;
  int32_t from;
  bool hasTo;
  int32_t to;
  const char* error;  // part of the message, for Error
};

TEST(CommandLine, ParsesPlayCaptureHelpAndRejectsBadInput) {
  using R = CommandLine::Result;
  const ParseCase cases[] = {
      {{}, R::Play, 60, 0, false, 0, ""},
      {{"--capture", "out"}, R::Capture, 60, 0, false, 0, ""},
      {{"--capture", "out", "--fps", "25", "--from", "-500", "--to", "9000"}, R::Capture, 25, -500, true, 9000, ""},
      {{"--fps", "30", "--capture", "o"}, R::Capture, 30, 0, false, 0, ""},
      {{"--help"}, R::Help, 60, 0, false, 0, ""},
      {{"--capture"}, R::Error, 60, 0, false, 0, "--capture needs a folder"},
      {{"--capture", "o", "--fps", "0"}, R::Error, 60, 0, false, 0, "--fps: not a number from 1 to 1000"},
      {{"--capture", "o", "--fps", "12x"}, R::Error, 60, 0, false, 0, "--fps: not a number"},
      {{"--capture", "o", "--to"}, R::Error, 60, 0, false, 0, "--to needs a value"},
      {{"--capture", "o", "--from", "99999999999"}, R::Error, 60, 0, false, 0, "--from: not a number"},
      {{"--from", "10"}, R::Error, 60, 0, false, 0, "need --capture"},
      {{"-x"}, R::Error, 60, 0, false, 0, "unknown option: -x"},
  };
  for (const ParseCase& c : cases) {
    std::vector<const char*> argv = {"rk17"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CommandLine line;
    const R result = line.parse(int(argv.size()), argv.data());
    std::string shown;
    for (const char* a : c.args) shown += std::string(a) + " ";
    ASSERT_EQ(int(result), int(c.result)) << shown << line.error();
    if (result == R::Capture) {
      EXPECT_EQ(line.capture().fps, c.fps) << shown;
      EXPECT_EQ(line.capture().fromMs, c.from) << shown;
      EXPECT_EQ(line.capture().hasTo, c.hasTo) << shown;
      if (c.hasTo) {
        EXPECT_EQ(line.capture().toMs, c.to) << shown;
      }
    }
    if (result == R::Error) {
      EXPECT_NE(line.error().find(c.error), std::string::npos) << shown << line.error();
    }
  }
}

struct AuthoringCase {
  std::vector<const char*> args;
  CommandLine::Result result;
  AuthoringOptions expected;  // compared for Play and Lint
  const char* error;          // part of the message, for Error
};

AuthoringOptions options(std::vector<std::string> folders, bool windowed, bool hasStart, int32_t start, bool edit,
                         bool lint) {
  AuthoringOptions o;
  o.dataFolders = std::move(folders);
  o.windowed = windowed;
  o.hasStart = hasStart;
  o.startMs = start;
  o.edit = edit;
  o.lint = lint;
  return o;
}

TEST(CommandLine, ParsesAuthoringOptionsAndRejectsBadOnes) {
  using R = CommandLine::Result;
  const AuthoringOptions none;
  const AuthoringCase cases[] = {
      {{}, R::Play, none, ""},
      {{"--windowed"}, R::Play, options({}, true, false, 0, false, false), ""},
      {{"--edit"}, R::Play, options({}, true, false, 0, true, false), ""},  // implies --windowed
      {{"--start", "0"}, R::Play, options({}, false, true, 0, false, false), ""},
      {{"--edit", "--data", ".", "--data", "/", "--start", "2147483647"},
       R::Play,
       options({".", "/"}, true, true, INT32_MAX, true, false),
       ""},
      {{"--lint"}, R::Lint, options({}, false, false, 0, false, true), ""},
      {{"--data", ".", "--lint"}, R::Lint, options({"."}, false, false, 0, false, true), ""},
      {{"--capture", "o", "--data", "."}, R::Capture, options({"."}, false, false, 0, false, false), ""},
      {{"--start", "-1"}, R::Error, none, "--start: not a number from 0"},
      {{"--start", "1.5"}, R::Error, none, "--start: not a number"},
      {{"--start"}, R::Error, none, "--start needs a value"},
      {{"--data"}, R::Error, none, "--data needs an existing folder"},
      {{"--data", "/no/such/folder"}, R::Error, none, "--data needs an existing folder: /no/such/folder"},
      {{"--edit", "--capture", "o"}, R::Error, none, "do not go with --capture"},
      {{"--capture", "o", "--start", "5"}, R::Error, none, "do not go with --capture"},
      {{"--lint", "--edit"}, R::Error, none, "--lint takes only --data"},
      {{"--lint", "--from", "5"}, R::Error, none, "need --capture"},
      {{"--editor"}, R::Error, none, "unknown option: --editor"},
  };
  for (const AuthoringCase& c : cases) {
    std::vector<const char*> argv = {"rk17"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CommandLine line;
    const R result = line.parse(int(argv.size()), argv.data());
    std::string shown;
    for (const char* a : c.args) shown += std::string(a) + " ";
    ASSERT_EQ(int(result), int(c.result)) << shown << line.error();
    if (result == R::Error) {
      EXPECT_NE(line.error().find(c.error), std::string::npos) << shown << line.error();
      continue;
    }
    const AuthoringOptions& got = line.authoring();
    EXPECT_EQ(got.dataFolders, c.expected.dataFolders) << shown;
    EXPECT_EQ(got.windowed, c.expected.windowed) << shown;
    EXPECT_EQ(got.hasStart, c.expected.hasStart) << shown;
    EXPECT_EQ(got.startMs, c.expected.startMs) << shown;
    EXPECT_EQ(got.edit, c.expected.edit) << shown;
    EXPECT_EQ(got.lint, c.expected.lint) << shown;
  }
}

TEST(CommandLine, ParsesVideoOptions) {
  using R = CommandLine::Result;
  using Q = VideoQuality;
  const struct {
    std::vector<const char*> args;
    R result;
    VideoQuality quality;
    bool quiet;
    const char* error;  // part of the message for Error, the file name for Video
  } cases[] = {
      {{"--video", "show.mp4"}, R::Video, Q::Crf, false, "show.mp4"},
      {{"--video", "a/show.MKV", "--quality", "lossless", "-q", "--fps", "30"}, R::Video, Q::Lossless, true, "a/show.MKV"},
      {{"--quality", "crf", "--video", "v.mkv"}, R::Video, Q::Crf, false, "v.mkv"},
      {{"--video", "v.mkv", "--quality", "lossless", "--quality", "small"}, R::Video, Q::Small, false, "v.mkv"},
      {{"--video"}, R::Error, Q::Crf, false, "--video needs a file name"},
      {{"--video", "show.avi"}, R::Error, Q::Crf, false, "must end in .mp4 or .mkv"},
      {{"--video", "mp4"}, R::Error, Q::Crf, false, "must end in .mp4 or .mkv"},
      {{"--video", "v.mp4", "--quality", "best"}, R::Error, Q::Crf, false, "--quality: crf, small or lossless"},
      {{"--video", "v.mp4", "--quality"}, R::Error, Q::Crf, false, "--quality: crf, small or lossless"},
      {{"--video", "v.mp4", "--capture", "d"}, R::Error, Q::Crf, false, "cannot be combined"},
      {{"--capture", "d", "-q"}, R::Error, Q::Crf, false, "need --video"},
      {{"--quality", "lossless"}, R::Error, Q::Crf, false, "need --video"},
      {{"--video", "v.mp4", "--fps", "1001"}, R::Error, Q::Crf, false, "--fps: not a number from 1 to 1000"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = {"rk17"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CommandLine line;
    const R result = line.parse(int(argv.size()), argv.data());
    std::string shown;
    for (const char* a : c.args) shown += std::string(a) + " ";
    ASSERT_EQ(int(result), int(c.result)) << shown << line.error();
    if (result == R::Video) {
      EXPECT_EQ(line.capture().videoFile, c.error) << shown;
      EXPECT_EQ(int(line.capture().quality), int(c.quality)) << shown;
      EXPECT_EQ(line.capture().quiet, c.quiet) << shown;
    } else {
      EXPECT_NE(line.error().find(c.error), std::string::npos) << shown << line.error();
    }
  }
}

}  // namespace
