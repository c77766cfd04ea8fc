#pragma once
// Authoring (--edit with --data): watches every .gltf and .glb file the scenes were read from,
// imported or not (a file that failed, say half-written, is still watched). A file saved again
// counts once it has stayed the same (time written and size) for one more look, so a save in
// steps (emptied, then written) is not imported half-written; it is then dropped from the scene
// cache, so that the script reload that follows imports it anew.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

class SceneFileWatch {
 public:
  // Looks at every glTF file read once; true when one changed and has since stayed the same
  // (those are dropped from the scene cache). A file seen for the first time only records its
  // state.
  bool poll();

 private:
  struct Seen {
    std::pair<int64_t, int64_t> state;  // ns of modification, size
    bool settling = false;              // changed at the last look
  };
  std::map<std::string, Seen> _seen;  // disk path -> last state
};
