// Every show script printed in the docs, and the template show of examples/first-show, plays as
// printed: each one is lint-clean and draws a picture (not a black screen) half way through its
// DEMO_END.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PngRead.h"
#include "ProgramRun.h"
#include "TempDir.h"

namespace {

struct Example {
  std::string where;  // file:line of its first line
  std::string script;
};

// Indented blocks (four blanks) that hold a __TIMELINE__ section are show scripts.
std::vector<Example> examplesOf(const std::string& path, const std::string& shownName) {
  std::ifstream in(path);
  std::vector<Example> examples;
  Example block;
  std::string line;
  int number = 0;
  auto close = [&] {
    if (block.script.find("__TIMELINE__") != std::string::npos) examples.push_back(block);
    block = Example();
  };
  while (std::getline(in, line)) {
    ++number;
    if (line.compare(0, 4, "    ") == 0) {
      if (block.script.empty()) block.where = shownName + ":" + std::to_string(number);
      block.script += line.substr(4) + "\n";
    } else if (!line.empty()) {
      close();
    }
  }
  close();
  return examples;
}

std::vector<Example> docsExamples() {
  std::vector<Example> all = examplesOf(RK17_SOURCE_DIR "/README.md", "README.md");
  const std::filesystem::path docs = RK17_SOURCE_DIR "/docs";
  for (const auto& entry : std::filesystem::directory_iterator(docs))
    if (entry.path().extension() == ".md") {
      const std::vector<Example> page = examplesOf(entry.path().string(), "docs/" + entry.path().filename().string());
      all.insert(all.end(), page.begin(), page.end());
    }
  std::ifstream in(RK17_SOURCE_DIR "/examples/first-show/data/scripts/demo.scr");
  std::stringstream text;
  text << in.rdbuf();
  all.push_back({"examples/first-show", text.str()});
  return all;
}

// The value of the first line that starts with DEMO_END; 0 when there is none.
int demoEnd(const std::string& script) {
  std::istringstream lines(script);
  std::string line;
  while (std::getline(lines, line))
    if (line.compare(0, 9, "DEMO_END ") == 0) return std::atoi(line.c_str() + 9);
  return 0;
}

// Share of pixels with a channel above 16.
double litShare(const std::string& png) {
  int w = 0, h = 0;
  const std::vector<uint8_t> pixels = readPngRgb(png, &w, &h);
  if (w <= 0 || h <= 0) return 0.0;
  size_t lit = 0;
  for (size_t i = 0; i + 2 < pixels.size(); i += 3)
    if (pixels[i] > 16 || pixels[i + 1] > 16 || pixels[i + 2] > 16) ++lit;
  return double(lit) / (double(w) * h);
}

TEST(DocsExamples, EveryPrintedShowIsCleanAndDrawsAPicture) {
  const std::vector<Example> examples = docsExamples();
  ASSERT_GE(examples.size(), 5u);
  const std::vector<std::string> data = {"--data",        ".",      "--data",
                                         RK17_SOURCE_DIR, "--data", RK17_BINARY_DIR "/generated"};
  for (const Example& example : examples) {
    SCOPED_TRACE(example.where);
    const int end = demoEnd(example.script);
    ASSERT_GT(end, 0) << example.script;
    TempDir dir;
    dir.write("data/scripts/demo.scr", example.script);
    std::vector<std::string> lint = {"--lint"};
    lint.insert(lint.end(), data.begin(), data.end());
    ProgramRun check(ProgramRun::rk17Path(), lint, dir.path(), {"SDL_VIDEODRIVER=offscreen"});
    EXPECT_EQ(check.wait(60000), 0) << check.stderrText();
    const std::string middle = std::to_string(end / 2);
    std::vector<std::string> capture = {"--capture", "out", "--fps", "1", "--from", middle, "--to", middle};
    capture.insert(capture.end(), data.begin(), data.end());
    ProgramRun run(ProgramRun::rk17Path(), capture, dir.path(), {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    ASSERT_EQ(run.wait(120000), 0) << run.stderrText();
    EXPECT_GT(litShare(dir.path() + "/out/frame-000000.png"), 0.05) << "a black screen at " << middle << " ms";
  }
}

}  // namespace
