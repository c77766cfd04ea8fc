#pragma once
// Authoring (--edit with --data): watches the .gltf and .glb files that the scene cache holds.
// A file saved again (another modification time or size) is dropped from the cache, so that the
// script reload that follows imports it anew.
#include <cstdint>
#include <map>
#include <string>

class SceneFileWatch {
 public:
  // Looks at every cached glTF file once; true when one changed since the last look (those are
  // dropped from the scene cache). A file seen for the first time only records its state.
  bool poll();

 private:
  std::map<std::string, std::pair<int64_t, int64_t>> _seen;  // disk path -> (ns of modification, size)
};
