#pragma once
// The program's switches: environment variables that pick a literal drawing path, a measurement
// mode or a test hook, and the toggles that tests and benchmarks set in code. Each is declared
// once, as a row of the table in Switches.cpp (its variable, default, what it changes, who uses
// it); README.md's table "Switches" shows the same rows.
//
// The environment is read once: readEnvironment() at the start of main, or else the first look at
// any switch. A look is an array read, never a getenv. Tests and benchmarks change a switch with
// set() (or the owning class's setter, which calls it), not through the environment.
// Main thread only.
#include <array>
#include <cstddef>
#include <string>

// Identifies a switch; the order is the table's.
enum class Switch {
  NonInteractive,
  BlurLiteral,
  CloudLiteral,
  MosaicLiteral,
  ImageMagnify,
  GridMagnify,
  MaterialLiteral,
  MaterialNoDefer,
  SceneChainOrder,
  ShadowLiteral,
  NoRenderDepthTexture,
  VideoReadback,
  EditActions,
  BenchTraceAllocations,
  Count
};

class Switches {
 public:
  // How a variable's text turns its switch on.
  enum class Form {
    CodeOnly,  // no variable: set() only
    Exact,     // on when the text is onText exactly
    Leading,   // on when the text begins with onText
    Present,   // on when the variable is set at all; text() gives its text
  };
  struct Row {
    Switch id;
    const char* variable;  // environment variable; nullptr for CodeOnly
    Form form;
    const char* onText;    // Exact and Leading: the text that turns it on
    bool byDefault;        // state when the variable is not set
    const char* changes;   // what it changes when on
    const char* users;     // who sets it: users, benchmarks, tests
  };
  static constexpr size_t kCount = size_t(Switch::Count);

  static const std::array<Row, kCount>& table();
  static const Row& row(Switch id);

  // Reads every variable of the table, replacing any earlier state (values set() are dropped).
  static void readEnvironment();
  static bool isOn(Switch id);
  // Whether the environment held the switch's variable when it was read.
  static bool isGiven(Switch id);
  // The variable's text for Present switches ("" when not set).
  static const std::string& text(Switch id);
  // Sets a switch for the rest of the process (tests, benchmarks).
  static void set(Switch id, bool on);
  // The state row gives for a variable holding text (nullptr: not set).
  static bool parse(const Row& row, const char* text);
};
