// The glTF import tool `vdgimport` (see VdgImportCommand).
#include <string>
#include <vector>

#include "VdgImportCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  VdgImportCommand command(stdout, stderr);
  return command.run(arguments);
}
