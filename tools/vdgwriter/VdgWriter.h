#pragma once
// Writes the engine's binary scene files (.vdg) and morph data files (.vmd): little-endian int32 and
// float32, strings as an int32 byte count followed by the bytes, no padding. Records are written in
// the order they are added, so parents must be added before their children.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vdg {

struct Vec2 {
  float u = 0.0f, v = 0.0f;
};
struct Vec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};
struct Quat {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;  // stored as the file keeps it
};

// The common start of lights, cameras, meshes and helper objects.
struct ObjectHeader {
  std::string name;
  int32_t id = 0;
  int32_t parentId = -1;    // -1: top level
  int32_t materialId = -1;  // used by meshes only
  Vec3 position;
  Quat rotation;
  Vec3 scale{1.0f, 1.0f, 1.0f};
  Vec3 spare{1.0f, 1.0f, 1.0f};
  std::vector<Vec3> positionTrack;  // one sample per animation frame; empty: no track
  std::vector<Quat> rotationTrack;
  std::vector<Vec3> scaleTrack;
};

struct TextureEntry {
  std::string file;  // file name; a Windows path is allowed, only the part after the last backslash is used
  int32_t slot = 1;  // 1 base, 6 opacity, 7 second, 8 bump, 9 reflection, 10 additive base
};

struct MaterialRecord {
  int32_t id = 0;
  std::string name;
  Vec3 diffuse{0.8f, 0.8f, 0.8f};
  Vec3 ambient{0.2f, 0.2f, 0.2f};
  Vec3 specular;
  float opacity = 1.0f;            // below 1: transparent
  float shininess = 0.0f;          // 0..1
  float shininessStrength = 0.0f;  // factor on the specular colour
  std::vector<TextureEntry> textures;
};

struct LightRecord {
  ObjectHeader header;
  int32_t type = 0;  // 0 omni, 1 targeted spot, 2 free spot, 3 targeted directional
  Vec3 color{1.0f, 1.0f, 1.0f};
  float multiplier = 1.0f;
  float attenuationDistance = 0.0f;  // > 0: linear attenuation 2 / distance
  float coneAngle = 45.0f;           // degrees, spots only
  float coneExponent = 0.0f;         // spots only
  int32_t targetId = -1;             // targeted spot and directional
  std::string projectorTexture;      // empty: no projector
};

struct CameraRecord {
  ObjectHeader header;
  float fieldOfView = 0.7853982f;  // horizontal, radians
  float nearPlane = 1.0f;
  float farPlane = 2000.0f;
  int32_t targetId = -1;
};

struct MeshRecord {
  ObjectHeader header;
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;                // empty or one per position
  std::array<std::vector<Vec2>, 3> uvSets;  // each empty or one per position; set 2 replaces set 1 on load
  std::vector<Vec3> colors;
  std::vector<std::array<int32_t, 3>> faces;
};

class VdgWriter {
 public:
  // Header: step = time units per animation frame; frame count = (end - start) / step + 1.
  VdgWriter(int32_t startTime, int32_t endTime, int32_t step, int32_t version = 1);

  void addMaterials(const std::vector<MaterialRecord>& materials);  // one material list chunk
  void addLight(const LightRecord& light);
  void addCamera(const CameraRecord& camera);
  void addMesh(const MeshRecord& mesh);
  void addPlainObject(int32_t id, const std::string& name);
  void addHelper(const ObjectHeader& helper);

  // Raw pieces, for files that break the rules on purpose.
  void addInt(int32_t value);
  void addFloat(float value);
  void addString(const std::string& text);

  // The bytes so far followed by the end tag (0x9999). The writer can go on being used.
  std::vector<uint8_t> finish() const;
  // Makes room for bytes more, so that a large scene is not copied while it grows.
  void reserve(size_t bytes) { _bytes.reserve(_bytes.size() + bytes); }
  // finish() without a copy: the writer is left empty (for scenes too large to hold twice).
  std::vector<uint8_t> release();
  // The bytes so far without the end tag.
  const std::vector<uint8_t>& bytes() const { return _bytes; }
  // Writes finish() to path; false when the file cannot be written.
  bool writeFile(const std::string& path) const;

 private:
  void addVec3(const Vec3& v);
  void addQuat(const Quat& q);
  void addHeader(const ObjectHeader& header);

  std::vector<uint8_t> _bytes;
};

// One morph frame: a position and a normal per mesh vertex.
struct MorphFrame {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
};
// The bytes of a morph data file: int32 frame count, then per frame all positions, then all normals.
std::vector<uint8_t> morphDataBytes(const std::vector<MorphFrame>& frames);
// Writes bytes to path; false when the file cannot be written.
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace vdg
