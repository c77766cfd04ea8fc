#include "SafeName.h"

namespace gltfimport {

std::string SafeName::of(const std::string& name) {
  std::string out;
  for (char c : name) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                      c == '-' || c == '.' || c == '#';
    out += keep ? c : '_';
  }
  if (out.empty() || out[0] == '.') out = "_" + out;
  return out.substr(0, 200);
}

}  // namespace gltfimport
