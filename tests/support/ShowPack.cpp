#include "ShowPack.h"

#include "ProgramRun.h"

bool packShowData(const std::string& folder) {
  const std::string command = "cd '" + folder + "' && '" RK17_BINARY_DIR
                              "/tools/vddpack/vddpack' a -q -p falco31 data.vdd data >/dev/null 2>&1";
  return runCommand(command) == 0;
}
