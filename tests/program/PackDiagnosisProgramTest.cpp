// A pack that does not give the script (missing, made wrongly, cut short or damaged): beside the
// reports of the pack layer, which name the entry, one line says what is wrong with the pack and
// what to do, and the script's fatal report ends the run.
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
      // The script is the pack's last entry (after data\a.txt): its last bytes are cut off, or
      // one of them is changed.
      {"cut short", "echo x > data/a.txt && " + kVddpack + "-p falco31 data.vdd data && truncate -s -8 data.vdd",
       "rk17: data.vdd is broken or cut short"},
      {"damaged entry",
       "echo x > data/a.txt && " + kVddpack +
           "-p falco31 data.vdd data && printf '\\377' | dd of=data.vdd bs=1 seek=$(($(stat -c %s data.vdd) - 4)) "
           "conv=notrunc 2>/dev/null",
       "rk17: data\\scripts\\demo.scr in data.vdd is damaged (its checksum does not match)"},
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
