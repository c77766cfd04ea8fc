// The show itself, from the repository's script and the generated data: its script passes the
// lint and plays without a single report, it shows every effect of the registry, and a frame of
// each section comes out byte for byte the same on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "EffectTable.h"
#include "PngRead.h"
#include "ProgramRun.h"
#include "TempDir.h"

namespace {

const std::vector<std::string> kShowData = {"--data", RK17_SOURCE_DIR, "--data", RK17_BINARY_DIR "/generated"};

// One time inside each section of the show, in show order, away from the flashes on the beats
// (the same times as scripts/gallery.sh).
const int kSectionTimes[] = {5750,   14750,  27750,  43750,  53750,  62750,  72750,  78750,  88750,  93750,  104750,
                             111750, 121750, 125750, 129750, 133750, 137750, 141750, 145750, 149750, 156750, 163750};

TEST(ShowProgram, ScriptPassesTheLintWithoutAReport) {
  TempDir dir;
  std::vector<std::string> args = {"--lint"};
  args.insert(args.end(), kShowData.begin(), kShowData.end());
  ProgramRun run(ProgramRun::rk17Path(), args, dir.path(), {"SDL_VIDEODRIVER=offscreen"});
  EXPECT_EQ(run.wait(60000), 0);
  EXPECT_EQ(run.stderrText(), "");
}

// The words of every line of the script, comments left out.
std::vector<std::vector<std::string>> scriptLines(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::string body = text.str();
  for (size_t open = body.find("/*"); open != std::string::npos; open = body.find("/*", open)) {
    const size_t close = body.find("*/", open);
    body.erase(open, close == std::string::npos ? std::string::npos : close + 2 - open);
  }
  std::vector<std::vector<std::string>> lines;
  std::istringstream rows(body);
  for (std::string row; std::getline(rows, row);) {
    row = row.substr(0, row.find("//"));
    std::istringstream words(row);
    std::vector<std::string> line;
    for (std::string word; words >> word;) line.push_back(word);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Every effect the registry builds is on screen at some time of the show: switched on with a
// "b" line, or drawn through an effect that is switched on and links to it.
TEST(ShowProgram, ShowsEveryEffectOfTheRegistry) {
  const auto lines = scriptLines(std::string(RK17_SOURCE_DIR) + "/data/scripts/demo.scr");
  ASSERT_GT(lines.size(), 100u);
  std::set<std::string> inserted, switchedOn;
  std::vector<std::pair<std::string, std::string>> links;  // (post effect, its input)
  for (const auto& line : lines) {
    const size_t n = line.size();
    if (n == 2 && line[0] == "INSERT_EFFECT") inserted.insert(line[1]);
    if (n >= 3 && line[n - 2] == "b") switchedOn.insert(line[n - 1]);
    if (n >= 5 && line[n - 2] == "LINK" && line[n - 4] == "t")
      links.emplace_back(line[n - 3], line[n - 1].substr(1, line[n - 1].size() - 2));
  }
  std::set<std::string> shown = switchedOn;
  for (const auto& link : links)
    if (switchedOn.count(link.first)) shown.insert(link.second);
  int built = 0;
  for (const EffectRegistryRow& row : EffectTable::rows()) {
    if (!row.create) continue;
    ++built;
    EXPECT_TRUE(inserted.count(row.name)) << row.name << " is not inserted";
    EXPECT_TRUE(shown.count(row.name)) << row.name << " is never on screen";
  }
  EXPECT_GE(built, 20);
}

// Captures the frame at ms into dir/out<ms>/frame-000000.png.
std::unique_ptr<ProgramRun> startCapture(const TempDir& dir, int ms) {
  const std::string time = std::to_string(ms);
  std::vector<std::string> args = {"--capture", "out" + time, "--fps", "1", "--from", time, "--to", time};
  args.insert(args.end(), kShowData.begin(), kShowData.end());
  return std::make_unique<ProgramRun>(ProgramRun::rk17Path(), args, dir.path(),
                                      std::vector<std::string>{"SDL_VIDEODRIVER=offscreen"});
}

TEST(ShowProgram, EverySectionsFrameIsTheSameOnEveryRunAndShowsSomething) {
  TempDir first;
  TempDir second;
  std::vector<uint8_t> previous;
  for (int ms : kSectionTimes) {
    // Both runs at once: they share nothing but the machine.
    std::unique_ptr<ProgramRun> runs[] = {startCapture(first, ms), startCapture(second, ms)};
    for (auto& run : runs) {
      ASSERT_EQ(run->wait(60000), 0) << ms << ": " << run->stderrText();
      EXPECT_EQ(run->stderrText(), "") << ms;
    }
    const std::string frame = "/out" + std::to_string(ms) + "/frame-000000.png";
    const std::string a = first.read(frame.substr(1));
    ASSERT_FALSE(a.empty()) << ms;
    EXPECT_TRUE(a == second.read(frame.substr(1))) << "frames at " << ms << " ms differ between runs";

    // Not one flat colour, and not the previous section's picture.
    int width = 0;
    int height = 0;
    const std::vector<uint8_t> pixels = readPngRgb(first.path() + frame, &width, &height);
    ASSERT_EQ(pixels.size(), size_t(800 * 600 * 3)) << ms;
    int distinct = 0;
    for (size_t i = 3; i < pixels.size() && distinct < 100; i += 3 * 97)
      if (pixels[i] != pixels[0] || pixels[i + 1] != pixels[1] || pixels[i + 2] != pixels[2]) ++distinct;
    EXPECT_GE(distinct, 100) << "the frame at " << ms << " ms is nearly one colour";
    EXPECT_TRUE(pixels != previous) << "the frame at " << ms << " ms shows the section before";
    previous = pixels;
  }
}

}  // namespace
