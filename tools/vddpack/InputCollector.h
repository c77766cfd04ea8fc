#pragma once
// Gathers the files that `vddpack a` adds and the names they are stored under.
//
// Naming rule: a FILE argument is stored under its own file name; a DIR argument adds every
// regular file below it (recursively, symbolic links followed), named by its path relative to
// the DIR's parent, so the DIR's own name is the first component: `vddpack a p.vdd src/data`
// stores src/data/scripts/demo.scr as "data\scripts\demo.scr", which the program's name
// "data/scripts/demo.scr" matches. The files below "." (or "./") are named by their path from it,
// without a prefix. Components are joined with backslashes. Empty folders are not stored.
//
// A stored name must fit the reader: UTF-8 without control characters (names outside ASCII get
// the Unicode name field), no backslash inside a component, at most
// kMaxNameLength bytes, and unique after the reader's folding (slashes and backslashes to
// underscores, upper case), since a second entry with the same folded name could never be read.
#include <cstdint>
#include <string>
#include <vector>

class InputCollector {
 public:
  static constexpr size_t kMaxNameLength = 259;  // the reader cuts entry names to this length

  struct File {
    std::string path;        // where it is read from
    std::string storedName;  // backslash path in the pack
    uint64_t size = 0;       // bytes, when collected
    uint32_t dosTime = 0;    // modification time, MS-DOS date and time
  };

  // A file that is never collected (the archive being written, which may sit inside a folder
  // being added); found by identity, not by name.
  void exclude(const std::string& path) { _excluded.push_back(path); }
  // Adds argument (a file or a folder). On failure appends one message per problem to errors
  // and returns false; the files found before stay.
  bool add(const std::string& argument, std::vector<std::string>& errors);
  // Checks the whole set (unique folded names) and puts it in pack order: empty files first,
  // then by stored name. False with messages in errors when names collide.
  bool finish(std::vector<std::string>& errors);

  const std::vector<File>& files() const { return _files; }
  uint64_t totalSize() const;

  // The reader's folded form of a name: slashes and backslashes to '_', upper case.
  static std::string foldName(const std::string& name);
  // Empty when component may appear in a stored name, else the reason it may not.
  static std::string checkComponent(const std::string& component);

 private:
  bool addFile(const std::string& path, const std::string& storedName, std::vector<std::string>& errors);

  bool isExcluded(const std::string& path) const;

  std::vector<File> _files;
  std::vector<std::string> _excluded;
};
