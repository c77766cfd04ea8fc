#pragma once
// The command line of vdgimport (see usage()): imports one .gltf/.glb into a data folder:
// DATA_DIR/data/scenes/STEM.vdg, its morph data files beside it and its pictures in
// DATA_DIR/data/textures/. Messages go to the given streams, so tests run it in process.
//
// Exit codes: 0 success; 1 bad input or unwritable output (nothing is left behind); 2 bad
// command line.
#include <cstdio>
#include <string>
#include <vector>

class VdgImportCommand {
 public:
  VdgImportCommand(std::FILE* out, std::FILE* err) : _out(out), _err(err) {}
  int run(const std::vector<std::string>& arguments);
  static const char* usage();

 private:
  int usageError(const std::string& message);

  std::FILE* _out;
  std::FILE* _err;
};
