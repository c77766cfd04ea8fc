#pragma once
// Names that become parts of file names: letters, digits and "_-.#" kept, anything else "_", no
// leading dot, never empty.
#include <string>

namespace gltfimport {

class SafeName {
 public:
  static std::string of(const std::string& name);
};

}  // namespace gltfimport
