#include "SceneAssembler.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>

#include "MeshBaker.h"
#include "SafeName.h"

namespace gltfimport {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The engine turns the scene file's horizontal field of view of a 4:3 picture into the vertical
// one with this factor; the importer undoes it so that the vertical angle is glTF's yfov.
constexpr double kHorizontalToVertical = 0.7500188;

vdg::Vec3 vec(const Vec3d& v) { return {float(v[0]), float(v[1]), float(v[2])}; }
// The engine's quaternions turn the other way (their matrix is the transpose of the usual one).
vdg::Quat engineQuat(const Quatd& q) { return {float(-q[0]), float(-q[1]), float(-q[2]), float(q[3])}; }

double horizontalFov(double yfov) { return 2.0 * std::atan(std::tan(yfov / 2.0) / kHorizontalToVertical); }

Vec3d sub(const Vec3d& a, const Vec3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3d addScaled(const Vec3d& a, const Vec3d& d, double s) { return {a[0] + d[0] * s, a[1] + d[1] * s, a[2] + d[2] * s}; }

}  // namespace

SceneAssembler::SceneAssembler(tinygltf::Model& model, const ImportOptions& options, ImportResult& result)
    : _model(model), _options(options), _result(result), _reader(model), _materials(model, options, result), _graph(model) {}

bool SceneAssembler::sampleAnimation(std::string& error) {
  if (_model.animations.empty()) {
    if (!_options.animation.empty()) {
      error = "there is no animation named '" + _options.animation + "' (the file has none)";
      return false;
    }
    return true;
  }
  int chosen = 0;
  if (!_options.animation.empty()) {
    chosen = -1;
    for (size_t i = 0; i < _model.animations.size(); ++i)
      if (_model.animations[i].name == _options.animation) chosen = int(i);
    if (chosen < 0) {
      error = "there is no animation named '" + _options.animation + "'";
      return false;
    }
  }
  const AnimationSampler sampler(_model, _reader);
  const std::string name = _model.animations[size_t(chosen)].name;
  if (!sampler.sample(chosen, _options.rate, GltfImporter::kMaxFrames, GltfImporter::kMaxBakedFloats, _animation,
                      _frames, error)) {
    error = "animation '" + name + "': " + error;
    return false;
  }
  _result.imported.push_back("animation '" + name + "': " + std::to_string(_frames) + " frames at " +
                             std::to_string(_options.rate) + " per second");
  for (size_t i = 0; i < _model.animations.size(); ++i)
    if (int(i) != chosen)
      _result.skipped.push_back("animation '" + _model.animations[i].name + "' (one animation is sampled)");
  return true;
}

bool SceneAssembler::convertMaterials(std::string& error) {
  _materialInfos.resize(_model.materials.size() + 1);
  if (!_materials.convert(-1, 0, _materialInfos[0], error)) return false;
  for (size_t i = 0; i < _model.materials.size(); ++i)
    if (!_materials.convert(int(i), int32_t(i + 1), _materialInfos[i + 1], error)) return false;
  return true;
}

bool SceneAssembler::convertMeshes(std::string& error) {
  _parts.assign(_model.nodes.size(), {});
  for (size_t node = 0; node < _model.nodes.size(); ++node) {
    if (!_graph.inScene(int(node)) || _model.nodes[node].mesh < 0) continue;  // not in the scene, or no mesh
    if (!convertNodeMesh(int(node), error)) return false;
  }
  return true;
}

bool SceneAssembler::convertNodeMesh(int node, std::string& error) {
  const tinygltf::Node& gn = _model.nodes[size_t(node)];
  if (size_t(gn.mesh) >= _model.meshes.size()) {
    error = "node '" + _graph.name(node) + "' names a mesh that does not exist";
    return false;
  }
  const tinygltf::Mesh& mesh = _model.meshes[size_t(gn.mesh)];
  const std::string label = "mesh '" + (mesh.name.empty() ? "mesh" + std::to_string(gn.mesh) : mesh.name) + "'";
  // Primitives grouped by material, in the order of their first appearance.
  std::vector<std::pair<int, std::vector<size_t>>> groups;
  for (size_t p = 0; p < mesh.primitives.size(); ++p) {
    const int material = mesh.primitives[p].material;
    if (material < -1 || material >= int(_model.materials.size())) {
      error = label + " primitive " + std::to_string(p) + ": its material does not exist";
      return false;
    }
    auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == material; });
    if (group == groups.end())
      groups.push_back({material, {p}});
    else
      group->second.push_back(p);
  }
  const MeshGeometryBuilder builder(_model, _reader);
  for (size_t g = 0; g < groups.size(); ++g) {
    MeshGeometry geometry;
    for (size_t p : groups[g].second) {
      bool skippedMode = false;
      std::string why;
      if (!builder.append(gn.mesh, p, geometry, skippedMode, why)) {
        error = label + " primitive " + std::to_string(p) + ": " + why;
        return false;
      }
      if (skippedMode && _pointsAndLines++ == 0) _firstPointsOrLines = label;
      // Accessors may be shared by any number of primitives, meshes and nodes: the total, not the
      // file's size, bounds what the import holds.
      const int64_t values = int64_t(geometry.vertexCount()) * int64_t(16 + 6 * geometry.targetPositions.size()) +
                             int64_t(geometry.faces.size()) * 3;
      if (_meshValues + values > GltfImporter::kMaxBakedFloats) {
        error = label + ": the meshes hold too many vertices in all";
        return false;
      }
    }
    _meshValues += int64_t(geometry.vertexCount()) * int64_t(16 + 6 * geometry.targetPositions.size()) +
                   int64_t(geometry.faces.size()) * 3;
    if (geometry.faces.empty()) continue;
    const MaterialInfo& info = _materialInfos[size_t(groups[g].first + 1)];
    if (info.invisible) {
      _result.skipped.push_back(label + ": its MASK material hides every pixel");
      continue;
    }
    if (geometry.normalsComputed) MeshGeometryBuilder::computeNormals(geometry);
    if (info.doubleSided) MeshGeometryBuilder::addBackFaces(geometry);

    MeshPart part;
    part.node = node;
    part.materialId = info.record.id;
    part.name = _graph.name(node) + (g > 0 ? "#" + std::to_string(g) : "");
    const bool skinned = gn.skin >= 0 && !geometry.joints.empty();
    std::vector<double> defaults = gn.weights.empty() ? mesh.weights : gn.weights;
    const bool weighted = !geometry.targetPositions.empty() &&
                          ((_animation.count(node) && !_animation[node].weights.empty()) ||
                           std::any_of(defaults.begin(), defaults.end(), [](double w) { return w != 0; }));
    if (skinned || weighted) {
      if (!bake(node, geometry, part, error)) {
        error = label + ": " + error;
        return false;
      }
    }
    const size_t n = geometry.vertexCount();
    vdg::MeshRecord& r = part.record;
    // Each array of the geometry goes as soon as the record has it: large meshes are held once.
    r.positions.resize(n);
    for (size_t v = 0; v < n; ++v)
      r.positions[v] = {geometry.positions[v * 3], geometry.positions[v * 3 + 1], geometry.positions[v * 3 + 2]};
    std::vector<float>().swap(geometry.positions);
    r.normals.resize(n);
    for (size_t v = 0; v < n; ++v)
      r.normals[v] = {geometry.normals[v * 3], geometry.normals[v * 3 + 1], geometry.normals[v * 3 + 2]};
    std::vector<float>().swap(geometry.normals);
    const std::vector<float>& uv = geometry.uv[size_t(info.uvSet)];
    if (!uv.empty()) {
      const auto& m = info.uvMatrix;
      r.uvSets[0].resize(n);
      for (size_t v = 0; v < n; ++v) {
        const double u0 = uv[v * 2], v0 = uv[v * 2 + 1];
        // The scene file stores v negated (the loader negates it back).
        r.uvSets[0][v] = {float(m[0] * u0 + m[2] * v0 + m[4]), float(-(m[1] * u0 + m[3] * v0 + m[5]))};
      }
    }
    if (info.uvSet == 0 && !geometry.uv[1].empty()) {
      r.uvSets[1].resize(n);
      for (size_t v = 0; v < n; ++v) r.uvSets[1][v] = {geometry.uv[1][v * 2], -geometry.uv[1][v * 2 + 1]};
    }
    if (!geometry.colors.empty()) {
      r.colors.resize(n);
      for (size_t v = 0; v < n; ++v)
        r.colors[v] = {geometry.colors[v * 3], geometry.colors[v * 3 + 1], geometry.colors[v * 3 + 2]};
    }
    r.faces = std::move(geometry.faces);
    _triangles += r.faces.size();
    _parts[size_t(node)].push_back(std::move(part));
  }
  return true;
}

bool SceneAssembler::bake(int node, MeshGeometry& g, MeshPart& part, std::string& error) {
  const MeshBaker baker(_model, _reader, _animation, _frames, _graph.worldMatrices());
  if (!baker.bake(node, g, part.frames, part.worldSpace, error)) return false;
  if (!part.frames.empty()) {
    // Morph data files are found by mesh name: the scene's name keeps two scenes' files apart.
    std::string name = SafeName::of(_options.sceneName) + "." + SafeName::of(part.name);
    while (_bakedNames.count(name)) name += "_";
    _bakedNames.insert(name);
    part.name = name;
  }
  return true;
}

void SceneAssembler::computeBounds() {
  Vec3d low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
  bool any = false;
  for (const auto& parts : _parts)
    for (const MeshPart& part : parts) {
      const Mat4d& m = part.worldSpace ? Mat4d{} : _graph.world(part.node, 0);
      for (const vdg::Vec3& p : part.record.positions) {
        const Vec3d w = Transform::transformPoint(m, {p.x, p.y, p.z});
        for (size_t c = 0; c < 3; ++c) {
          low[c] = std::min(low[c], w[c]);
          high[c] = std::max(high[c], w[c]);
        }
        any = true;
      }
    }
  if (!any) return;
  for (size_t c = 0; c < 3; ++c) _center[c] = (low[c] + high[c]) / 2;
  _radius = std::max(Transform::length(sub(high, low)) / 2, 1e-3);
}

vdg::ObjectHeader SceneAssembler::placed(int node, const std::string& name, int32_t parentId) {
  vdg::ObjectHeader h;
  h.name = name;
  h.id = _nextId++;
  h.parentId = parentId;
  const int count = _graph.moving(node) ? _frames : 1;
  bool shear = false;
  for (int f = 0; f < count; ++f) {
    Trs trs;
    shear = !Transform::decompose(_graph.world(node, f), trs) || shear;
    if (f == 0) {
      h.position = vec(trs.translation);
      h.rotation = engineQuat(trs.rotation);
      h.scale = vec(trs.scale);
    }
    if (count > 1) {
      h.positionTrack.push_back(vec(trs.translation));
      h.rotationTrack.push_back(engineQuat(trs.rotation));
      h.scaleTrack.push_back(vec(trs.scale));
    }
  }
  if (shear) _result.warnings.push_back("node '" + _graph.name(node) + "': shear in its transform approximated");
  return h;
}

vdg::ObjectHeader SceneAssembler::target(int node, const std::string& name, double distance) {
  vdg::ObjectHeader h;
  h.name = name;
  h.id = _nextId++;
  const int count = _graph.moving(node) ? _frames : 1;
  for (int f = 0; f < count; ++f) {
    const Mat4d& m = _graph.world(node, f);
    Vec3d forward = Transform::normalize(Transform::transformDirection(m, {0, 0, -1}));
    // The engine looks at targets with +Y up: straight up or down is tilted a little.
    if (std::fabs(forward[1]) > 0.9999) forward = Transform::normalize(Vec3d{forward[0], forward[1], forward[2] - 1e-3});
    const vdg::Vec3 p = vec(addScaled({m.m[12], m.m[13], m.m[14]}, forward, distance));
    if (f == 0) h.position = p;
    if (count > 1) h.positionTrack.push_back(p);
  }
  return h;
}

void SceneAssembler::emitNode(int node, int32_t parentId, vdg::VdgWriter& writer) {
  const tinygltf::Node& gn = _model.nodes[size_t(node)];
  const std::string name = _graph.name(node);
  const bool hasCamera = gn.camera >= 0 && size_t(gn.camera) < _model.cameras.size();
  auto light = gn.extensions.find("KHR_lights_punctual");
  const bool hasLight = light != gn.extensions.end();
  int32_t holder = parentId;
  std::vector<MeshPart>& parts = _parts[size_t(node)];
  for (size_t k = 0; k < parts.size(); ++k) {
    MeshPart& part = parts[k];
    const int32_t parent = k == 0 ? parentId : holder;
    if (part.worldSpace) {
      part.record.header = vdg::ObjectHeader{};
      part.record.header.name = part.name;
      part.record.header.id = _nextId++;
      part.record.header.parentId = parent;
    } else {
      part.record.header = placed(node, part.name, parent);
    }
    part.record.header.materialId = part.materialId;
    writer.addMesh(part.record);
    if (k == 0) holder = part.record.header.id;
    if (!part.frames.empty()) {
      _result.morphData.push_back({"morphdata_" + part.name + ".vmd", vdg::morphDataBytes(part.frames)});
      part.frames.clear();
    }
    part.record = vdg::MeshRecord{};
  }
  if (parts.empty() && (!gn.children.empty() || (!hasCamera && !hasLight))) {
    const vdg::ObjectHeader helper = placed(node, name, parentId);
    writer.addHelper(helper);
    holder = helper.id;
  }
  if (hasCamera) emitCamera(node, name, writer);
  if (hasLight) emitLight(node, name, writer);
  for (int child : gn.children) emitNode(child, holder, writer);
}

void SceneAssembler::emitCamera(int node, const std::string& name, vdg::VdgWriter& writer) {
  const tinygltf::Camera& camera = _model.cameras[size_t(_model.nodes[size_t(node)].camera)];
  vdg::CameraRecord c;
  c.header = placed(node, name, -1);
  const Mat4d& m = _graph.world(node, 0);
  const Vec3d position{m.m[12], m.m[13], m.m[14]};
  const double distance = std::max(Transform::length(sub(_center, position)), 1e-6);
  double yfov = 0.8, znear = 0, zfar = 0;
  if (camera.type == "orthographic") {
    znear = camera.orthographic.znear;
    zfar = camera.orthographic.zfar;
    // The engine has no parallel projection: a perspective view that shows ymag at the scene's centre.
    yfov = 2 * std::atan(std::fabs(camera.orthographic.ymag) / distance);
    _result.warnings.push_back("camera '" + name + "': orthographic, approximated by a perspective view");
  } else {
    yfov = camera.perspective.yfov;
    znear = camera.perspective.znear;
    zfar = camera.perspective.zfar;
    const double aspect = camera.perspective.aspectRatio;
    if (aspect > 0 && std::fabs(aspect - 4.0 / 3.0) > 0.01)
      _result.warnings.push_back("camera '" + name + "': aspect ratio " + std::to_string(aspect) +
                                 " shown in the engine's 4:3 picture (its vertical field of view is kept)");
  }
  if (!std::isfinite(yfov) || yfov <= 0.001 || yfov >= kPi - 0.001) yfov = 0.8;
  if (!std::isfinite(znear) || znear <= 0) znear = _radius * 1e-3;
  if (!std::isfinite(zfar) || zfar <= znear) zfar = std::max(znear * 1000, (distance + _radius) * 4);
  c.fieldOfView = float(horizontalFov(yfov));
  c.nearPlane = float(znear);
  c.farPlane = float(zfar);
  const Vec3d up = Transform::normalize(Transform::transformDirection(m, {0, 1, 0}));
  const Vec3d forward = Transform::normalize(Transform::transformDirection(m, {0, 0, -1}));
  const Vec3d right = Transform::normalize(Transform::cross(forward, {0, 1, 0}));
  const Vec3d level = Transform::cross(right, forward);
  if (up[0] * level[0] + up[1] * level[1] + up[2] * level[2] < 0.999)
    _result.warnings.push_back("camera '" + name + "': roll not kept (the engine's cameras keep +Y up)");
  const vdg::ObjectHeader aim = target(node, name + ".target", _radius);
  c.targetId = aim.id;
  writer.addCamera(c);
  writer.addHelper(aim);
  if (_cameras++ == 0) _firstCamera = position;
}

void SceneAssembler::emitLight(int node, const std::string& name, vdg::VdgWriter& writer) {
  const tinygltf::Value& ext = _model.nodes[size_t(node)].extensions.at("KHR_lights_punctual");
  const int index = ext.IsObject() && ext.Has("light") && ext.Get("light").IsNumber()
                        ? ext.Get("light").GetNumberAsInt()
                        : -1;
  if (index < 0 || size_t(index) >= _model.lights.size()) {
    _result.skipped.push_back("light of node '" + name + "' (it names a light that does not exist)");
    return;
  }
  const tinygltf::Light& light = _model.lights[size_t(index)];
  vdg::LightRecord l;
  l.header = placed(node, name, -1);
  if (light.color.size() == 3)
    l.color = {float(std::fmax(0, light.color[0])), float(std::fmax(0, light.color[1])),
               float(std::fmax(0, light.color[2]))};
  const double intensity = std::isfinite(light.intensity) ? std::fmax(0.0, light.intensity) : 1.0;
  const Mat4d& m = _graph.world(node, 0);
  const Vec3d position{m.m[12], m.m[13], m.m[14]};
  if (light.type == "directional") {
    // The engine's lights are positional: a light far away along the reverse direction.
    l.type = 0;
    l.multiplier = float(intensity);
    const double far = _radius * 1000;
    const int count = _graph.moving(node) ? _frames : 1;
    l.header.positionTrack.clear();
    for (int f = 0; f < count; ++f) {
      const Vec3d direction = Transform::normalize(Transform::transformDirection(_graph.world(node, f), {0, 0, -1}));
      const vdg::Vec3 p = vec(addScaled(_center, direction, -far));
      if (f == 0) l.header.position = p;
      if (count > 1) l.header.positionTrack.push_back(p);
    }
  } else {
    // Point and spot: glTF's intensity / d^2 matched at the distance R from the light to the scene's
    // centre, through the engine's linear attenuation 1 / (1 + 2 d / range) when a range is given.
    const double reference = std::max(Transform::length(sub(_center, position)), _radius * 1e-2);
    const double range = std::isfinite(light.range) && light.range > 0 ? light.range : 0.0;
    l.multiplier = float(intensity / (reference * reference) * (range > 0 ? 1 + 2 * reference / range : 1.0));
    l.attenuationDistance = float(range);
    l.type = 0;
    if (light.type == "spot") {
      l.type = 1;
      // The cone's edge where glTF's smooth falloff is at half strength.
      const double inner = std::clamp(light.spot.innerConeAngle, 0.0, kPi / 2);
      const double outer = std::clamp(light.spot.outerConeAngle, inner, kPi / 2);
      l.coneAngle = float(std::acos((std::cos(inner) + std::cos(outer)) / 2) * 180 / kPi);
      l.coneExponent = 0;
    }
  }
  vdg::ObjectHeader aim;
  if (l.type == 1) {
    aim = target(node, name + ".target", _radius);
    l.targetId = aim.id;
  }
  writer.addLight(l);
  if (l.type == 1) writer.addHelper(aim);
  ++_lights;
}

void SceneAssembler::emitDefaults(vdg::VdgWriter& writer) {
  if (_cameras == 0) {
    const double yfov = 45.0 * kPi / 180;
    const double distance = _radius / std::sin(yfov / 2);
    vdg::CameraRecord c;
    c.header.name = "DefaultCamera";
    c.header.id = _nextId++;
    _firstCamera = {_center[0], _center[1], _center[2] + distance};
    c.header.position = vec(_firstCamera);
    c.fieldOfView = float(horizontalFov(yfov));
    c.nearPlane = float(std::max(distance - _radius * 1.5, distance * 0.01));
    c.farPlane = float((distance + _radius) * 2);
    vdg::ObjectHeader aim;
    aim.name = "DefaultCamera.target";
    aim.id = _nextId++;
    aim.position = vec(_center);
    c.targetId = aim.id;
    writer.addCamera(c);
    writer.addHelper(aim);
    _result.warnings.push_back("no camera in the file: added 'DefaultCamera', which frames the whole scene");
  }
  if (_lights == 0) {
    vdg::LightRecord l;
    l.header.name = "DefaultLight";
    l.header.id = _nextId++;
    l.header.position = vec(_firstCamera);
    writer.addLight(l);
    _result.warnings.push_back("no light in the file: added 'DefaultLight' at the first camera");
  }
}

bool SceneAssembler::run(std::string& error) {
  if (!GltfImporter::isValidRate(_options.rate)) {
    error = "the sampling rate must divide 100";
    return false;
  }
  if (!_graph.build(error) || !sampleAnimation(error) ||
      !_graph.computeWorld(_animation, _frames, _options.scale, error) || !convertMaterials(error) ||
      !convertMeshes(error))
    return false;
  for (tinygltf::Buffer& buffer : _model.buffers) std::vector<unsigned char>().swap(buffer.data);
  computeBounds();
  const int32_t step = 100 / _options.rate;
  vdg::VdgWriter writer(0, (_frames - 1) * step, step);
  size_t estimate = 4096;
  for (const auto& parts : _parts)
    for (const MeshPart& part : parts) {
      const vdg::MeshRecord& r = part.record;
      estimate += 512 + (r.positions.size() + r.normals.size() + r.colors.size()) * 12 + r.faces.size() * 12 +
                  (r.uvSets[0].size() + r.uvSets[1].size()) * 8 + size_t(_frames) * 40;
    }
  writer.reserve(estimate);
  std::vector<vdg::MaterialRecord> materials;
  for (const MaterialInfo& info : _materialInfos) materials.push_back(info.record);
  writer.addMaterials(materials);
  for (int root : _graph.roots()) emitNode(root, -1, writer);
  emitDefaults(writer);
  _result.scene = writer.release();

  size_t meshes = 0;
  for (const auto& parts : _parts) meshes += parts.size();
  _result.imported.push_back(std::to_string(meshes) + " meshes with " + std::to_string(_triangles) + " triangles");
  _result.imported.push_back(std::to_string(_model.materials.size()) + " materials, " +
                             std::to_string(_result.pictures.size()) + " pictures");
  _result.imported.push_back(std::to_string(_cameras) + " cameras, " + std::to_string(_lights) + " lights");
  if (!_result.morphData.empty())
    _result.imported.push_back(std::to_string(_result.morphData.size()) + " meshes baked into morph data");
  if (_pointsAndLines > 0)
    _result.skipped.push_back(std::to_string(_pointsAndLines) + " primitives of points or lines (the first in " +
                              _firstPointsOrLines + "): the engine draws triangles");
  for (const std::string& used : _model.extensionsUsed) {
    if (used != "KHR_lights_punctual" && used != "KHR_texture_transform" && used != "KHR_materials_emissive_strength")
      _result.skipped.push_back("extension " + used + " (not supported)");
  }
  return true;
}

}  // namespace gltfimport
