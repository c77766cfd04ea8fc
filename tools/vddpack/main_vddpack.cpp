// The pack tool `vddpack`: writes, lists and extracts RAR 2.0 data packs (see VddpackCommand).
#include <cstdio>
#include <string>
#include <vector>

#include "VddpackCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  VddpackCommand command(stdout, stderr);
  return command.run(arguments);
}
