#pragma once
// Collects one scene's materials and objects and writes them as a scene file: the material list
// first, then the objects in the order they were added (parents before children). Ids are given
// out from 1 upward.
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "MeshBuilder.h"
#include "VdgWriter.h"

namespace scenegen {

// Rest transform of an object. With the engine's default, a child's transform is not nested in
// its parent's, so children are placed in world space unless the show makes them inherit.
struct Placement {
  Placement(const Vec3& p = {}, const Rotation& r = {}, const Vec3& s = {1.0f, 1.0f, 1.0f})
      : position(p), rotation(r), scale(s) {}
  Vec3 position;
  Rotation rotation;
  Vec3 scale;
};

// Sampled tracks, one sample per frame of the scene or empty.
struct Animation {
  std::vector<Vec3> positions;
  std::vector<Rotation> rotations;
  std::vector<Vec3> scales;
};

class SceneBuilder {
 public:
  // frameCount animation frames of step time units each.
  SceneBuilder(int frameCount, int step);

  int frameCount() const { return _frameCount; }
  // Samples f over the scene's frames with t running 0..1 from the first frame to the last.
  std::vector<Vec3> track(const std::function<Vec3(float t)>& f) const;
  std::vector<Rotation> rotationTrack(const std::function<Rotation(float t)>& f) const;

  // Returns the material's id.
  int addMaterial(vdg::MaterialRecord material);
  // Each returns the new object's id. secondUvSet (1 or 2) is where the mesh's second
  // coordinate set is written; the other stays empty.
  int addMesh(const std::string& name, const MeshBuilder& mesh, int materialId, const Placement& placement,
              int parentId = -1, const Animation& animation = {}, int secondUvSet = 1);
  int addHelper(const std::string& name, const Placement& placement, int parentId = -1,
                const Animation& animation = {});
  // fovDegrees: horizontal field of view.
  int addCamera(const std::string& name, const Vec3& position, int targetId, float fovDegrees, float nearPlane,
                float farPlane, const Animation& animation = {});
  // light.header takes name and position from the arguments; the rest of light is written as given.
  int addLight(const std::string& name, const Vec3& position, vdg::LightRecord light, int parentId = -1,
               const Animation& animation = {});

  size_t triangleCount() const { return _triangles; }
  size_t objectCount() const { return _objects.size(); }
  std::vector<uint8_t> bytes() const;
  bool writeFile(const std::string& path) const;

 private:
  vdg::ObjectHeader header(const std::string& name, const Placement& placement, int parentId,
                           const Animation& animation);

  using Record = std::variant<vdg::MeshRecord, vdg::LightRecord, vdg::CameraRecord, vdg::ObjectHeader>;
  int _frameCount;
  int _step;
  int _nextId = 1;
  size_t _triangles = 0;
  std::vector<vdg::MaterialRecord> _materials;
  std::vector<Record> _objects;
};

}  // namespace scenegen
