#pragma once
// The glTF 2.0 importer: turns a .gltf or .glb (embedded or external buffers and pictures) into
// the bytes of one scene file, the morph data files of its baked meshes and its pictures, all in
// memory. vdgimport writes them out; the engine plays them directly. Both get the same bytes.
//
// The scene file holds world transforms (the engine's children do not inherit their parent's
// transform), sampled per frame at the chosen rate with a step of 100 / rate time units, so one
// second of glTF time is one second of an effect at its default speed. Meshes whose vertices move
// by morph weights or skins get a name "<scene name>.<node name>" and one morph frame per sampled
// frame; their file is "morphdata_<that name>.vmd".
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gltfimport {

struct ImportOptions {
  int rate = 25;           // sampled frames per second of glTF time; must divide 100
  std::string animation;   // name of the animation to sample; empty: the first
  std::string sceneName;   // prefix of baked mesh and picture names (usually the file's stem)
  std::string picturePrefix;  // prefix of picture names instead of sceneName (when not empty)
  double scale = 1.0;      // uniform scale of the whole scene
};

struct NamedBytes {
  std::string name;  // file name without folder
  std::vector<uint8_t> bytes;
};

struct ImportResult {
  std::vector<uint8_t> scene;         // the .vdg file
  std::vector<NamedBytes> morphData;  // "morphdata_<mesh>.vmd"
  std::vector<NamedBytes> pictures;   // PNG or JPEG bytes as the glTF holds them
  std::vector<std::string> imported;  // summary lines: what was imported
  std::vector<std::string> skipped;   // summary lines: what was left out and why
  std::vector<std::string> warnings;  // approximations and additions (default camera or light)
};

// Reads a file named by the glTF (an external buffer or picture): its path joined to the glTF's
// folder. False when it cannot be read.
using FileReader = std::function<bool(const std::string& path, std::vector<uint8_t>& bytes)>;

class GltfImporter {
 public:
  // Largest number of sampled frames, and of values sampled or baked (sampled channel values,
  // world matrices x 16, morph frames x vertices x 6) accepted: an animation's length is not
  // bounded by the file's size, so these bound what a small file can ask for.
  static constexpr int64_t kMaxFrames = 1 << 17;
  static constexpr int64_t kMaxBakedFloats = int64_t(1) << 26;

  // Imports bytes (the content of fileName, which only names it in messages and gives the folder
  // of external files). On failure returns false and error says what is wrong, naming fileName
  // and the part; result is then empty.
  // The bytes are taken (callers move them in) and freed once parsed, to keep the peak memory low.
  static bool importBytes(std::vector<uint8_t> bytes, const std::string& fileName, const FileReader& reader,
                          const ImportOptions& options, ImportResult& result, std::string& error);
  // Whether rate gives a whole step of time units per frame.
  static bool isValidRate(int rate);
};

}  // namespace gltfimport
