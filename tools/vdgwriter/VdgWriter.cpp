#include "VdgWriter.h"

#include <cstdio>
#include <cstring>

#include "VdgChunkTags.h"

namespace vdg {
namespace {
using namespace VdgChunkTags;

void putInt(std::vector<uint8_t>& out, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void putFloat(std::vector<uint8_t>& out, float value) {
  uint32_t u = 0;
  std::memcpy(&u, &value, sizeof u);
  putInt(out, static_cast<int32_t>(u));
}
}  // namespace

VdgWriter::VdgWriter(int32_t startTime, int32_t endTime, int32_t step, int32_t version) {
  for (char c : {'V', 'D', 'G'}) _bytes.push_back(static_cast<uint8_t>(c));  // format tag, never checked
  putInt(_bytes, version);
  putInt(_bytes, startTime);
  putInt(_bytes, endTime);
  putInt(_bytes, step);
}

void VdgWriter::addInt(int32_t value) { putInt(_bytes, value); }
void VdgWriter::addFloat(float value) { putFloat(_bytes, value); }

void VdgWriter::addString(const std::string& text) {
  putInt(_bytes, static_cast<int32_t>(text.size()));
  _bytes.insert(_bytes.end(), text.begin(), text.end());
}

void VdgWriter::addVec3(const Vec3& v) {
  addFloat(v.x);
  addFloat(v.y);
  addFloat(v.z);
}

void VdgWriter::addQuat(const Quat& q) {
  addFloat(q.x);
  addFloat(q.y);
  addFloat(q.z);
  addFloat(q.w);
}

void VdgWriter::addHeader(const ObjectHeader& h) {
  addString(h.name);
  addInt(h.id);
  addInt(h.parentId);
  addInt(h.materialId);
  addVec3(h.position);
  addQuat(h.rotation);
  addVec3(h.scale);
  addVec3(h.spare);
  addInt(static_cast<int32_t>(h.positionTrack.size()));
  for (const Vec3& v : h.positionTrack) addVec3(v);
  addInt(static_cast<int32_t>(h.rotationTrack.size()));
  for (const Quat& q : h.rotationTrack) addQuat(q);
  addInt(static_cast<int32_t>(h.scaleTrack.size()));
  for (const Vec3& v : h.scaleTrack) addVec3(v);
}

void VdgWriter::addMaterials(const std::vector<MaterialRecord>& materials) {
  addInt(kTagMaterials);
  addInt(static_cast<int32_t>(materials.size()));
  for (const MaterialRecord& m : materials) {
    addInt(0);
    addInt(m.id);
    addString(m.name);
    addFloat(0.0f);
    addVec3(m.diffuse);
    addVec3(m.ambient);
    addVec3(m.specular);
    addFloat(m.opacity);
    addFloat(m.shininess);
    addFloat(m.shininessStrength);
    addInt(static_cast<int32_t>(m.textures.size()));
    for (const TextureEntry& t : m.textures) {
      addString(t.file);
      addInt(t.slot);
    }
  }
}

void VdgWriter::addLight(const LightRecord& light) {
  addInt(kTagLight);
  addHeader(light.header);
  addInt(light.type);
  addVec3(light.color);
  addFloat(light.multiplier);
  addFloat(0.0f);
  addFloat(0.0f);
  addFloat(light.attenuationDistance);
  addFloat(light.coneAngle);
  addFloat(light.coneExponent);
  addInt(light.targetId);
  addInt(light.projectorTexture.empty() ? 0 : 1);
  if (!light.projectorTexture.empty()) addString(light.projectorTexture);
}

void VdgWriter::addCamera(const CameraRecord& camera) {
  addInt(kTagCamera);
  addHeader(camera.header);
  addFloat(camera.fieldOfView);
  addFloat(camera.nearPlane);
  addFloat(camera.farPlane);
  addFloat(0.0f);
  addInt(camera.targetId);
}

void VdgWriter::addMesh(const MeshRecord& mesh) {
  addInt(kTagMesh);
  addHeader(mesh.header);
  addInt(static_cast<int32_t>(mesh.positions.size()));
  for (const Vec3& v : mesh.positions) addVec3(v);
  addInt(static_cast<int32_t>(mesh.normals.size()));
  for (const Vec3& v : mesh.normals) addVec3(v);
  for (const std::vector<Vec2>& set : mesh.uvSets) {
    addInt(static_cast<int32_t>(set.size()));
    for (const Vec2& uv : set) {
      addFloat(uv.u);
      addFloat(uv.v);
    }
  }
  addInt(static_cast<int32_t>(mesh.colors.size()));
  for (const Vec3& c : mesh.colors) addVec3(c);
  addInt(static_cast<int32_t>(mesh.faces.size()));
  for (const std::array<int32_t, 3>& f : mesh.faces) {
    addInt(f[0]);
    addInt(f[1]);
    addInt(f[2]);
  }
}

void VdgWriter::addPlainObject(int32_t id, const std::string& name) {
  addInt(kTagPlain);
  addInt(id);
  addString(name);
  addInt(0);
}

void VdgWriter::addHelper(const ObjectHeader& helper) {
  addInt(kTagHelper);
  addHeader(helper);
}

std::vector<uint8_t> VdgWriter::finish() const {
  std::vector<uint8_t> out = _bytes;
  putInt(out, kTagEnd);
  return out;
}

std::vector<uint8_t> VdgWriter::release() {
  putInt(_bytes, kTagEnd);
  return std::move(_bytes);
}

bool VdgWriter::writeFile(const std::string& path) const { return writeBytes(path, finish()); }

std::vector<uint8_t> morphDataBytes(const std::vector<MorphFrame>& frames) {
  std::vector<uint8_t> out;
  putInt(out, static_cast<int32_t>(frames.size()));
  for (const MorphFrame& frame : frames) {
    for (const Vec3& p : frame.positions) {
      putFloat(out, p.x);
      putFloat(out, p.y);
      putFloat(out, p.z);
    }
    for (const Vec3& n : frame.normals) {
      putFloat(out, n.x);
      putFloat(out, n.y);
      putFloat(out, n.z);
    }
  }
  return out;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace vdg
