#include "SceneBuilder.h"

#include <cmath>

namespace scenegen {
namespace {
struct Emit {
  vdg::VdgWriter& writer;
  void operator()(const vdg::MeshRecord& r) const { writer.addMesh(r); }
  void operator()(const vdg::LightRecord& r) const { writer.addLight(r); }
  void operator()(const vdg::CameraRecord& r) const { writer.addCamera(r); }
  void operator()(const vdg::ObjectHeader& r) const { writer.addHelper(r); }
};
}  // namespace

SceneBuilder::SceneBuilder(int frameCount, int step) : _frameCount(frameCount < 1 ? 1 : frameCount), _step(step) {}

std::vector<Vec3> SceneBuilder::track(const std::function<Vec3(float t)>& f) const {
  std::vector<Vec3> samples;
  for (int i = 0; i < _frameCount; ++i)
    samples.push_back(f(_frameCount > 1 ? static_cast<float>(i) / static_cast<float>(_frameCount - 1) : 0.0f));
  return samples;
}

std::vector<Rotation> SceneBuilder::rotationTrack(const std::function<Rotation(float t)>& f) const {
  std::vector<Rotation> samples;
  for (int i = 0; i < _frameCount; ++i)
    samples.push_back(f(_frameCount > 1 ? static_cast<float>(i) / static_cast<float>(_frameCount - 1) : 0.0f));
  // Neighbouring samples on the same side of the sphere, so nothing swings the long way round.
  for (size_t i = 1; i < samples.size(); ++i) {
    const Rotation& a = samples[i - 1];
    Rotation& b = samples[i];
    if (a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w < 0.0f) b = {-b.x, -b.y, -b.z, -b.w};
  }
  return samples;
}

int SceneBuilder::addMaterial(vdg::MaterialRecord material) {
  material.id = static_cast<int32_t>(_materials.size()) + 1;
  _materials.push_back(std::move(material));
  return _materials.back().id;
}

vdg::ObjectHeader SceneBuilder::header(const std::string& name, const Placement& placement, int parentId,
                                       const Animation& animation) {
  vdg::ObjectHeader h;
  h.name = name;
  h.id = _nextId++;
  h.parentId = parentId;
  h.position = placement.position;
  h.rotation = stored(placement.rotation);
  h.scale = placement.scale;
  h.positionTrack = animation.positions;
  for (const Rotation& r : animation.rotations) h.rotationTrack.push_back(stored(r));
  h.scaleTrack = animation.scales;
  return h;
}

int SceneBuilder::addMesh(const std::string& name, const MeshBuilder& mesh, int materialId, const Placement& placement,
                          int parentId, const Animation& animation, int secondUvSet) {
  vdg::MeshRecord r;
  r.header = header(name, placement, parentId, animation);
  r.header.materialId = materialId;
  r.positions = mesh.positions();
  r.normals = mesh.normals();
  r.uvSets[0] = mesh.uvs();
  if (mesh.secondUv().size() == mesh.vertexCount()) r.uvSets[secondUvSet == 2 ? 2 : 1] = mesh.secondUv();
  r.faces = mesh.faces();
  _triangles += mesh.triangleCount();
  _objects.emplace_back(std::move(r));
  return std::get<vdg::MeshRecord>(_objects.back()).header.id;
}

int SceneBuilder::addHelper(const std::string& name, const Placement& placement, int parentId,
                            const Animation& animation) {
  _objects.emplace_back(header(name, placement, parentId, animation));
  return std::get<vdg::ObjectHeader>(_objects.back()).id;
}

int SceneBuilder::addCamera(const std::string& name, const Vec3& position, int targetId, float fovDegrees,
                            float nearPlane, float farPlane, const Animation& animation) {
  vdg::CameraRecord r;
  r.header = header(name, {position, {}, {1, 1, 1}}, -1, animation);
  r.fieldOfView = radians(fovDegrees);
  r.nearPlane = nearPlane;
  r.farPlane = farPlane;
  r.targetId = targetId;
  _objects.emplace_back(std::move(r));
  return std::get<vdg::CameraRecord>(_objects.back()).header.id;
}

int SceneBuilder::addLight(const std::string& name, const Vec3& position, vdg::LightRecord light, int parentId,
                           const Animation& animation) {
  light.header = header(name, {position, {}, {1, 1, 1}}, parentId, animation);
  _objects.emplace_back(std::move(light));
  return std::get<vdg::LightRecord>(_objects.back()).header.id;
}

std::vector<uint8_t> SceneBuilder::bytes() const {
  vdg::VdgWriter writer(0, (_frameCount - 1) * _step, _step);
  writer.addMaterials(_materials);
  for (const Record& r : _objects) std::visit(Emit{writer}, r);
  return writer.finish();
}

bool SceneBuilder::writeFile(const std::string& path) const { return vdg::writeBytes(path, bytes()); }

}  // namespace scenegen
