#include "Random.h"
#include "ShowFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
using ScriptLoaderDeathTest = ShowFixture;

struct FatalCase {
  std::string script;
  const char* pattern;  // regex on stderr
};

const char* const kHead = "DEMO_END 60000\nINSERT_EFFECT Fade\n";
}  // namespace

TEST_F(ScriptLoaderDeathTest, EveryFatalMessageNamesTheWordAndThePlace) {
  const FatalCase cases[] = {
      {std::string(kHead) + "1000 -500 b Fade\n", "DEFINE not found: b \\(t\\.scr:3\\)"},
      {"INSERT_EFECT Fade\n", "DEFINE not found: INSERT_EFECT \\(t\\.scr:1\\)"},
      {"\n\nabc// x\n", "DEFINE not found: abc// \\(t\\.scr:3\\)"},
      {"*/\n", "DEFINE not found: \\*/ \\(t\\.scr:1\\)"},
      {"DEMO_END UNDEFINED\n", "DEFINE not found: UNDEFINED \\(t\\.scr:1\\)"},
      {"DEFINE 9LIVES 1\n", "DEFINE id cannot start with digit: 9LIVES \\(t\\.scr:1\\)"},
      {std::string(kHead) + "__TIMELINE__\n0 s Fade Caption \"\"\n", "Error in script string:  \\(t\\.scr:4\\)"},
      {std::string(kHead) + "DEFINE EV 3\n0 t Fade EV \"open\n", "Error in script string: open \\(t\\.scr:4\\)"},
      {std::string(kHead) + "0 s Fade Caption \"" + std::string(100, 'q') + "\"\n",
       "Error in script string: q+ \\(t\\.scr:3\\)"},
      {std::string(kHead) + "\n0 b Flash\n", "Effect not found: Flash \\(t\\.scr:4\\)"},
      {std::string(kHead) + "0 END Ghost\n", "Effect not found: Ghost \\(t\\.scr:3\\)"},
      {std::string(kHead) + "0 s Ghost Alpha 1\n", "Effect not found: Ghost \\(t\\.scr:3\\)"},
      {std::string(kHead) + "0 s Fade alpha 1\n", "Variable not found: alpha \\(t\\.scr:3\\)"},
      {"DEMO_END 1000\n\nINSERT_EFFECT Foo\n", "Effect Id not found: Foo \\(t\\.scr:3\\)"},
      {"INSERT_EFFECT fade\n", "Effect Id not found: fade \\(t\\.scr:1\\)"},
      // A huge word is shortened in the report so that the place still shows.
      {"INSERT_EFFECT " + std::string(100000, 'x') + "\n", "Effect Id not found: x+\\.\\.\\. \\(t\\.scr:1\\)"},
  };
  for (const FatalCase& c : cases) {
    EXPECT_EXIT(load(c.script), ::testing::ExitedWithCode(1), c.pattern) << c.script.substr(0, 80);
  }
}

TEST_F(ScriptLoaderDeathTest, MissingScriptFile) {
  EXPECT_EXIT(loader.load("/nonexistent/rk17/demo.scr"), ::testing::ExitedWithCode(1),
              "script: could not open file for parsing: /nonexistent/rk17/demo.scr");
}

namespace {
// Passes when the process ended normally (a finished load) or through a fatal report; a crash
// (signal) fails.
bool endedOrReported(int status) { return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1); }
}  // namespace

TEST_F(ScriptLoaderDeathTest, GarbageNeverCrashes) {
  // Random bytes, and random mixes of the script's own words, quotes and comment marks.
  const char* pieces[] = {"/*",
                          "*/",
                          "//",
                          "\"",
                          "\n",
                          " ",
                          "\t",
                          "0",
                          "b",
                          "s",
                          "t",
                          "Fade",
                          "Alpha",
                          "INSERT_EFFECT",
                          "DEFINE",
                          "X",
                          "+",
                          "-",
                          "*",
                          "__TIMELINE__",
                          "__SETUP__",
                          "1.5",
                          "__LINETIME__",
                          "DEMO_END",
                          "\r",
                          "Caption",
                          "Texture"};
  const size_t pieceCount = sizeof pieces / sizeof pieces[0];
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    seedRandom(seed);
    std::string script;
    if (seed % 2) {
      for (int i = 0; i < 4000; ++i) script += static_cast<char>(nextRandom() & 0xFF);
    } else {
      script = kHead;
      for (int i = 0; i < 600; ++i) script += pieces[static_cast<size_t>(nextRandom()) % pieceCount];
    }
    EXPECT_EXIT(
        {
          load(script);
          std::exit(0);
        },
        endedOrReported, "")
        << "seed " << seed;
  }
}
