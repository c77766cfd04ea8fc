// The switch table: each variable's accepted texts, the environment read once, and the table as
// the one place that reads an RK17_ variable and that the README documents.
#include "Switches.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct ParseCase {
  Switch id;
  const char* text;  // nullptr: the variable is not set
  bool on;
};

// The texts each form accepts, on rows of each form: exactly "1", text beginning with "1",
// exactly "plain", set at all, and a toggle without a variable.
const ParseCase kParseCases[] = {
    {Switch::BlurLiteral, nullptr, false},          {Switch::BlurLiteral, "1", true},
    {Switch::BlurLiteral, "10", false},             {Switch::BlurLiteral, "0", false},
    {Switch::BlurLiteral, "", false},               {Switch::NonInteractive, "1", true},
    {Switch::NonInteractive, "yes", false},         {Switch::NoRenderDepthTexture, "1 ", false},
    {Switch::MaterialLiteral, "1", true},           {Switch::MaterialLiteral, "10", true},
    {Switch::MaterialLiteral, "01", false},         {Switch::MaterialLiteral, "", false},
    {Switch::SceneChainOrder, "1yes", true},        {Switch::ShadowLiteral, nullptr, false},
    {Switch::VideoReadback, "plain", true},         {Switch::VideoReadback, "Plain", false},
    {Switch::VideoReadback, "1", false},            {Switch::EditActions, "", true},
    {Switch::EditActions, "P Escape", true},        {Switch::EditActions, nullptr, false},
    {Switch::BenchTraceAllocations, "0", true},     {Switch::ImageMagnify, nullptr, true},
    {Switch::ImageMagnify, "0", true},              {Switch::GridMagnify, nullptr, true},
};

TEST(SwitchesTest, EachFormAcceptsItsTexts) {
  for (const ParseCase& c : kParseCases) {
    const Switches::Row& row = Switches::row(c.id);
    EXPECT_EQ(Switches::parse(row, c.text), c.on)
        << (row.variable ? row.variable : "code-only row") << " = " << (c.text ? c.text : "(not set)");
  }
}

TEST(SwitchesTest, TheTableDeclaresEverySwitchOnce) {
  std::set<std::string> variables;
  const std::set<std::string> users = {"users", "tests", "benchmarks"};
  for (size_t i = 0; i < Switches::kCount; ++i) {
    const Switches::Row& row = Switches::table()[i];
    EXPECT_EQ(size_t(row.id), i);
    EXPECT_EQ(row.variable == nullptr, row.form == Switches::Form::CodeOnly) << i;
    EXPECT_EQ(row.onText != nullptr, row.form == Switches::Form::Exact || row.form == Switches::Form::Leading) << i;
    EXPECT_TRUE(row.changes && *row.changes) << i;
    // "users" lists who sets it, from three kinds.
    std::istringstream words(row.users ? row.users : "");
    std::string word;
    int count = 0;
    while (std::getline(words, word, ',')) {
      if (word.size() > 0 && word[0] == ' ') word.erase(0, 1);
      EXPECT_TRUE(users.count(word)) << i << ": " << word;
      ++count;
    }
    EXPECT_GT(count, 0) << i;
    if (!row.variable) continue;
    EXPECT_EQ(std::strncmp(row.variable, "RK17_", 5), 0) << row.variable;
    EXPECT_TRUE(variables.insert(row.variable).second) << row.variable << " twice";
  }
}

// The environment is read when asked, not at each look: a variable changed afterwards changes
// nothing until the next read, and set() holds until then.
TEST(SwitchesTest, TheEnvironmentIsReadOnceAndSetHolds) {
  unsetenv("RK17_VIDEO_READBACK");
  setenv("RK17_EDIT_ACTIONS", "jump:100 Escape", 1);
  Switches::readEnvironment();
  EXPECT_FALSE(Switches::isOn(Switch::VideoReadback));
  EXPECT_FALSE(Switches::isGiven(Switch::VideoReadback));
  EXPECT_TRUE(Switches::isOn(Switch::EditActions));
  EXPECT_EQ(Switches::text(Switch::EditActions), "jump:100 Escape");

  setenv("RK17_VIDEO_READBACK", "plain", 1);
  EXPECT_FALSE(Switches::isOn(Switch::VideoReadback));
  Switches::readEnvironment();
  EXPECT_TRUE(Switches::isOn(Switch::VideoReadback));
  EXPECT_TRUE(Switches::isGiven(Switch::VideoReadback));

  Switches::set(Switch::VideoReadback, false);
  EXPECT_FALSE(Switches::isOn(Switch::VideoReadback));
  EXPECT_TRUE(Switches::isGiven(Switch::VideoReadback));
  Switches::set(Switch::ImageMagnify, false);
  EXPECT_FALSE(Switches::isOn(Switch::ImageMagnify));

  unsetenv("RK17_VIDEO_READBACK");
  unsetenv("RK17_EDIT_ACTIONS");
  Switches::readEnvironment();
  EXPECT_FALSE(Switches::isOn(Switch::VideoReadback));
  EXPECT_TRUE(Switches::isOn(Switch::ImageMagnify));
  EXPECT_EQ(Switches::text(Switch::EditActions), "");
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// No code reads an RK17_ variable but the table: a switch read elsewhere would miss the table,
// the README and the read at start.
TEST(SwitchesTest, OnlyTheTableReadsTheVariables) {
  namespace fs = std::filesystem;
  const fs::path root(RK17_SOURCE_DIR);
  for (const char* folder : {"src", "bench", "tools"}) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      if (entry.path().filename() == "Switches.cpp") continue;
      const std::string text = readText(entry.path());
      EXPECT_EQ(text.find("getenv(\"RK17_"), std::string::npos) << entry.path();
      EXPECT_EQ(text.find("setenv(\"RK17_"), std::string::npos) << entry.path();
    }
  }
  // Tests set a switch through the table, not through the environment of their own process.
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / "tests")) {
    if (!entry.is_regular_file() || entry.path().filename() == "SwitchesTest.cpp") continue;
    const std::string ext = entry.path().extension().string();
    if (ext != ".cpp" && ext != ".h") continue;
    EXPECT_EQ(readText(entry.path()).find("setenv(\"RK17_"), std::string::npos) << entry.path();
  }
}

// README.md's table "Switches" names every variable of the table, and no other page or section
// names one: they link to the table.
TEST(SwitchesTest, TheReadmeTableIsTheOnePlaceThatNamesThem) {
  namespace fs = std::filesystem;
  const fs::path root(RK17_SOURCE_DIR);
  const std::string readme = readText(root / "README.md");
  const size_t start = readme.find("\n## Switches\n");
  ASSERT_NE(start, std::string::npos);
  const size_t end = readme.find("\n## ", start + 1);
  const std::string section = readme.substr(start, end == std::string::npos ? std::string::npos : end - start);
  std::vector<std::pair<std::string, std::string>> others = {
      {"README.md outside its Switches section", readme.substr(0, start) + (end == std::string::npos ? "" : readme.substr(end))}};
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "docs"))
    if (entry.path().extension() == ".md") others.push_back({entry.path().string(), readText(entry.path())});
  for (const Switches::Row& row : Switches::table()) {
    if (!row.variable) continue;
    const std::string name = std::string("`") + row.variable + "`";
    EXPECT_NE(section.find(name), std::string::npos) << row.variable << " is missing from the table";
    for (const auto& [where, text] : others) EXPECT_EQ(text.find(row.variable), std::string::npos) << row.variable << " in " << where;
  }
}

}  // namespace
