// A pack that does not give the script: beside the reports of the pack layer, one line says what
// is wrong with the pack and what to do.
#include <gtest/gtest.h>

#include <string>

#include "ProgramRun.h"
#include "TempDir.h"

namespace {

const std::string kVddpack = "'" RK17_BINARY_DIR "/tools/vddpack/vddpack' a -q ";

TEST(PackDiagnosisProgram, SaysWhatIsWrongWithThePack) {
  const struct {
    const char* name;
    std::string pack;  // shell command run in the show folder, "" for none; data/ holds the script
    const char* expected;
  } cases[] = {
      {"no pack", "", "rk17: no data.vdd in the working folder"},
      {"wrong password", kVddpack + "-p other data.vdd data", "rk17: the password does not open data.vdd"},
      {"made inside data", "cd data && " + kVddpack + "-p falco31 ../data.vdd .",
       "rk17: data.vdd holds scripts\\demo.scr where data\\scripts\\demo.scr is expected: pack the folder that "
       "holds data/"},
      {"made above", "mkdir up && mv data up/ && " + kVddpack + "-p falco31 data.vdd up && mv up/data .",
       "rk17: data.vdd holds up\\data\\scripts\\demo.scr where data\\scripts\\demo.scr is expected"},
      {"random bytes", "head -c 3000 /dev/urandom > data.vdd", "rk17: data.vdd is not a RAR archive"},
      {"zip", "printf 'PK\\003\\004zipzipzipzipzip' > data.vdd", "rk17: data.vdd is not a RAR archive"},
      {"script missing", "mkdir other && echo x > other/a.txt && " + kVddpack + "-p falco31 data.vdd other",
       "rk17: data.vdd holds no data\\scripts\\demo.scr"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("data/scripts/demo.scr", "DEMO_END 100\n");
    if (!c.pack.empty()) {
      ASSERT_EQ(runCommand("cd '" + dir.path() + "' && " + c.pack), 0) << c.name;
    }
    ProgramRun run(ProgramRun::rk17Path(), {"--capture", "out"}, dir.path(), {"SDL_VIDEODRIVER=offscreen"});
    EXPECT_EQ(run.wait(30000), 1) << c.name;
    const std::string errors = run.stderrText();
    EXPECT_NE(errors.find("filename: data/scripts/demo.scr"), std::string::npos) << c.name << "\n" << errors;
    EXPECT_NE(errors.find(c.expected), std::string::npos) << c.name << "\n" << errors;
  }
}

}  // namespace
