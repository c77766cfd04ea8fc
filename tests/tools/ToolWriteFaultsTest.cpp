// The tools as child processes while their writes fail: a disk that fills (vddpack a and x,
// vdgimport) and Ctrl-C in the middle of a write (vddpack a, vdgimport). Each ends with a clear
// message and exit code 1, or by the signal, with no partial file under any name and the files
// an earlier run left under the final names as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "GltfTestFile.h"
#include "PackTestFiles.h"
#include "ProgramRun.h"
#include "TempDir.h"
#include "WriteFaults.h"

namespace fs = std::filesystem;

namespace {

const std::string kVddpack = RK17_BINARY_DIR "/tools/vddpack/vddpack";
const std::string kVdgimport = RK17_BINARY_DIR "/tools/gltfimport/vdgimport";

// A quad named "quad" whose morph weight is animated for 100 s: its morph data file holds 2501
// frames (240 KB), the scene file only a few hundred bytes.
void writeLongMorph(const std::string& path) {
  GltfTestFile file;
  const int positions = file.addFloats({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}, "VEC3");
  const int offsets = file.addFloats({0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}, "VEC3");
  const int indices = file.addIndices({0, 1, 2, 0, 2, 3});
  file.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(positions) + "},\"indices\":" +
                         std::to_string(indices) + ",\"targets\":[{\"POSITION\":" + std::to_string(offsets) + "}]}]}");
  file.add("nodes", "{\"mesh\":0,\"name\":\"quad\"}");
  const int input = file.addFloats({0, 100}, "SCALAR");
  const int output = file.addFloats({0, 1}, "SCALAR");
  file.add("animations", "{\"samplers\":[{\"input\":" + std::to_string(input) +
                             ",\"output\":" + std::to_string(output) +
                             "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"weights\"}}]}");
  ASSERT_TRUE(file.write(path));
}

std::string randomText(size_t size) {
  const std::vector<uint8_t> bytes = packtest::randomBytes(size, 5);
  return std::string(bytes.begin(), bytes.end());
}

// Files below folder that a write in progress leaves (.tmp, .part, .vddpack-part).
std::vector<std::string> partialFiles(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    const std::string name = item.path().filename().string();
    for (const char* suffix : {".tmp", ".part", "-part"})
      if (name.size() > std::string(suffix).size() &&
          name.compare(name.size() - std::string(suffix).size(), std::string::npos, suffix) == 0)
        found.push_back(item.path().string());
  }
  return found;
}

struct FaultCase {
  const char* name;
  std::function<void(const TempDir&)> prepare;  // the input, and the earlier output
  std::string program;
  std::vector<std::string> args;
  const char* message;      // a part of stderr (disk full)
  const char* finalName;    // an output of an earlier run, which must stay as it was
  const char* missingName;  // an output of this run, which must not appear
  const char* fifo;         // the file, made a named pipe, in whose write Ctrl-C comes
};

const std::vector<FaultCase>& faultCases() {
  static const std::vector<FaultCase> cases = {
      {"vddpack a",
       [](const TempDir& dir) {
         dir.write("src/big.bin", randomText(1 << 20));
         dir.write("out.vdd", "old pack");
       },
       kVddpack,
       {"a", "-q", "-m1", "out.vdd", "src"},
       "out.vdd.tmp: write failed: File too large",
       "out.vdd",
       nullptr,
       "out.vdd.tmp"},
      {"vddpack x",
       [](const TempDir& dir) {
         dir.write("src/big.bin", randomText(1 << 20));
         dir.write("src/small.txt", "small");
         ASSERT_EQ(runCommand("cd '" + dir.path() + "' && '" + kVddpack + "' a -q -m1 in.vdd src"), 0);
       },
       kVddpack,
       {"x", "in.vdd", "out"},
       "big.bin: cannot write: File too large",
       nullptr,
       "out/src/big.bin",
       nullptr},
      {"vdgimport",
       [](const TempDir& dir) {
         writeLongMorph(dir.path() + "/in.gltf");
         dir.write("out/data/scenes/in.vdg", "old scene");
       },
       kVdgimport,
       {"-q", "in.gltf", "out"},
       "morphdata_in.quad.vmd: cannot be written: File too large",
       "out/data/scenes/in.vdg",
       "out/data/scenes/morphdata_in.quad.vmd",
       "out/data/scenes/morphdata_in.quad.vmd.part"},
  };
  return cases;
}

std::string quoted(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) line += " '" + w + "'";
  return line;
}

// A limit of 32 KiB (64 KiB where sh is bash): above the scene file and the small entry, below the big ones.
TEST(ToolWriteFaults, DiskFullEndsWithAMessageAndLeavesTheEarlierFiles) {
  for (const FaultCase& c : faultCases()) {
    TempDir dir;
    c.prepare(dir);
    const std::string before = c.finalName ? dir.read(c.finalName) : "";
    std::string status;
    runCommand("cd '" + dir.path() + "' && " + withFileSizeLimit("'" + c.program + "'" + quoted(c.args), 64) +
                   " >/dev/null 2>err.txt; echo $?",
               &status);
    EXPECT_EQ(status, "1\n") << c.name << ": " << dir.read("err.txt");
    EXPECT_NE(dir.read("err.txt").find(c.message), std::string::npos) << c.name << ": " << dir.read("err.txt");
    if (c.finalName) {
      EXPECT_EQ(dir.read(c.finalName), before) << c.name;
    }
    if (c.missingName) {
      EXPECT_FALSE(fs::exists(dir.path() + "/" + c.missingName)) << c.name;
    }
    EXPECT_EQ(partialFiles(dir.path()), std::vector<std::string>{}) << c.name;
  }
}

// The file being written is a named pipe that this test opens and then does not read: the tool
// stays blocked in the middle of it until Ctrl-C, whatever the machine's speed.
TEST(ToolWriteFaults, InterruptInTheMiddleOfAWriteLeavesNoPartialFile) {
  for (const FaultCase& c : faultCases()) {
    if (!c.fifo) continue;
    TempDir dir;
    c.prepare(dir);
    const std::string before = dir.read(c.finalName);
    ASSERT_EQ(mkfifo((dir.path() + "/" + c.fifo).c_str(), 0600), 0) << c.name;
    ProgramRun run(c.program, c.args, dir.path());
    const int pipe = openWhenWriting(dir.path() + "/" + c.fifo, run);
    ASSERT_GE(pipe, 0) << c.name << ": " << run.stderrText();
    kill(run.pid(), SIGINT);
    run.wait(60000);
    close(pipe);
    EXPECT_EQ(run.signal(), SIGINT) << c.name << ": " << run.stderrText();
    EXPECT_EQ(dir.read(c.finalName), before) << c.name;
    if (c.missingName) {
      EXPECT_FALSE(fs::exists(dir.path() + "/" + c.missingName)) << c.name;
    }
    EXPECT_EQ(partialFiles(dir.path()), std::vector<std::string>{}) << c.name;
  }
}

}  // namespace
