#include "MeshObject.h"

#include <cmath>

#include "ErrorReport.h"
#include "Material.h"
#include "Scene.h"

MeshObject::MeshObject(int32_t id, const std::string& name) : SceneObject(id, name), _data(std::make_shared<Data>()) {}

std::unique_ptr<SceneObject> MeshObject::copyNode() const {
  return std::unique_ptr<SceneObject>(new MeshObject(*this));
}

void MeshObject::setVertices(std::vector<Vertex> vertices) { _data->vertices = std::move(vertices); }
void MeshObject::setNormals(std::vector<Vector3> normals) { _data->normals = std::move(normals); }
void MeshObject::setLayer0(std::vector<TexCoord> coords) { _data->layer0 = std::move(coords); }
void MeshObject::setLayer1(std::vector<TexCoord> coords) { _data->layer1 = std::move(coords); }
void MeshObject::setFaces(std::vector<Face> faces) { _data->faces = std::move(faces); }

void MeshObject::setMorphData(int32_t frameCount, std::vector<float> positions, std::vector<float> normals) {
  const size_t expected = size_t(frameCount < 0 ? 0 : frameCount) * _data->vertices.size() * 3;
  if (frameCount < 0 || positions.size() != expected || normals.size() != expected) {
    reportErrorText(__FILE__, __LINE__, "Morph data does not fit the mesh", name().c_str(), false);
    return;
  }
  if (_data->vertices.empty()) return;  // nothing to morph
  _data->morphFrameCount = frameCount;
  _data->morphPositions = std::move(positions);
  _data->morphNormals = std::move(normals);
  _data->morphEndHeld = false;
  _useVertexBuffers = false;
}

void MeshObject::attachNode(Scene& scene) {
  _scene = &scene;
  _firstLight = scene.firstLight();
  _material = scene.findMaterial(_materialId);
  if (!_material) {
    reportErrorText(__FILE__, __LINE__, "No Material for mesh", name().c_str(), true);
    return;
  }
  build();
}

void MeshObject::setShadeModelNode(int32_t model) {
  if (_material) _material->setShadeModel(model);
}

std::vector<Vector3> MeshObject::smoothNormals() const {
  const std::vector<Vertex>& vertices = _data->vertices;
  std::vector<Vector3> sums(vertices.size());
  for (const Face& face : _data->faces) {
    const Vector3& a = vertices[size_t(face[0])].position;
    const Vector3& b = vertices[size_t(face[1])].position;
    const Vector3& c = vertices[size_t(face[2])].position;
    const Vector3 e1(b.x - a.x, b.y - a.y, b.z - a.z);
    const Vector3 e2(c.x - a.x, c.y - a.y, c.z - a.z);
    // Area-weighted face normal (counter-clockwise front faces).
    const Vector3 n(e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x);
    for (int32_t index : face) sums[size_t(index)] = add(sums[size_t(index)], n);
  }
  for (Vector3& n : sums) n = normalize(n);
  return sums;
}

void MeshObject::build() {
  Data& d = *_data;
  const size_t n = d.vertices.size();
  _vertexCount = int32_t(n);
  const auto broken = [n](size_t count) { return count != 0 && count != n; };
  bool facesInside = true;
  for (const Face& face : d.faces)
    for (int32_t index : face) facesInside = facesInside && index >= 0 && size_t(index) < n;
  if (broken(d.normals.size()) || broken(d.layer0.size()) || broken(d.layer1.size()) || !facesInside) {
    reportError(__FILE__, __LINE__, "Geometry input is broken", true);
    return;
  }
  const bool layer0 = !d.layer0.empty() && _material && _material->usesLayer0();
  const bool layer1 = !d.layer1.empty() && _material && _material->usesLayer1();

  d.indices.assign(d.faces.size() * 3, 0);
  for (size_t f = 0; f < d.faces.size(); ++f)
    for (size_t i = 0; i < 3; ++i) d.indices[f * 3 + i] = uint32_t(d.faces[f][i]);

  const std::vector<Vector3> generated = d.normals.empty() ? smoothNormals() : std::vector<Vector3>();
  const std::vector<Vector3>& normals = d.normals.empty() ? generated : d.normals;
  d.positions.assign(n * 3, 0.0f);
  d.builtNormals.assign(n * 3, 0.0f);
  for (size_t v = 0; v < n; ++v) {
    const Vector3& p = d.vertices[v].position;
    d.positions[v * 3] = p.x;
    d.positions[v * 3 + 1] = p.y;
    d.positions[v * 3 + 2] = p.z;
    d.builtNormals[v * 3] = normals[v].x;
    d.builtNormals[v * 3 + 1] = normals[v].y;
    d.builtNormals[v * 3 + 2] = normals[v].z;
  }
  const auto flatten = [n](const std::vector<TexCoord>& coords, std::vector<float>& out) {
    out.assign(n * 2, 0.0f);
    for (size_t v = 0; v < n; ++v) {
      out[v * 2] = coords[v].u;
      out[v * 2 + 1] = coords[v].v;
    }
  };
  if (layer0)
    flatten(d.layer0, d.layer0Array);
  else
    d.layer0Array.clear();
  if (layer1)
    flatten(d.layer1, d.layer1Array);
  else
    d.layer1Array.clear();
  if (_material && _material->generatesReflection())
    d.reflection.assign(n * 2, 0.0f);
  else
    d.reflection.clear();
  if (_material && _material->bumpMap())
    d.threeComponent.assign(n * 3, 0.0f);
  else
    d.threeComponent.clear();
}

void MeshObject::animate(int frame, float fraction) {
  SceneObject::animate(frame, fraction);
  if (_data->morphFrameCount != 0) morph(float(frame) + fraction);
}

void MeshObject::copyMorphFrame(int32_t k) {
  Data& d = *_data;
  const size_t v3 = d.positions.size();
  const size_t base = size_t(k) * v3;
  for (size_t i = 0; i < v3; ++i) {
    d.positions[i] = d.morphPositions[base + i];
    d.builtNormals[i] = d.morphNormals[base + i];
  }
}

void MeshObject::morph(float t) {
  Data& d = *_data;
  const int32_t frames = d.morphFrameCount;
  const size_t v3 = d.vertices.size() * 3;
  // Morph frames must cover the built arrays; a mesh that was never built has none to write.
  if (!_scene || d.morphPositions.empty() || d.morphNormals.empty() || d.positions.size() != v3 ||
      d.builtNormals.size() != v3) {
    reportError(__FILE__, __LINE__, "Morphing without data", true);
    return;
  }
  const float start = float(_scene->morphStartFrame());
  if (t < start) {
    copyMorphFrame(0);
    return;
  }
  const float a = (t - start) * _scene->morphRate();
  if (!(a >= 0.0f)) {  // a negative rate or NaN: stay on the first frame
    copyMorphFrame(0);
    return;
  }
  const float whole = std::floor(a);
  const float f = a - whole;
  if (whole + 1.0f < float(frames)) {
    d.morphEndHeld = false;
    const size_t k = size_t(whole);
    const float* p0 = d.morphPositions.data() + k * v3;
    const float* n0 = d.morphNormals.data() + k * v3;
    for (size_t i = 0; i < v3; ++i) {
      d.positions[i] = p0[v3 + i] * f + p0[i] * (1.0f - f);
      d.builtNormals[i] = n0[v3 + i] * f + n0[i] * (1.0f - f);
    }
    return;
  }
  if (!_scene->morphLoop()) {
    if (d.morphEndHeld) return;
    copyMorphFrame(frames - 1);
    d.morphEndHeld = true;
    return;
  }
  // Looping: the frames repeat, the last one blending into the first.
  d.morphEndHeld = false;
  const size_t k = std::isfinite(whole) ? size_t(std::fmod(whole, float(frames))) : 0;
  const size_t next = (k + 1) % size_t(frames);
  const float* pk = d.morphPositions.data() + k * v3;
  const float* pn = d.morphPositions.data() + next * v3;
  const float* nk = d.morphNormals.data() + k * v3;
  const float* nn = d.morphNormals.data() + next * v3;
  for (size_t i = 0; i < v3; ++i) {
    d.positions[i] = pn[i] * f + pk[i] * (1.0f - f);
    d.builtNormals[i] = nn[i] * f + nk[i] * (1.0f - f);
  }
}

// Rendering task: see the header.
void MeshObject::drawGeometry() {}
void MeshObject::drawDepthOnly() {}
