#include "MeshObject.h"

#include <cmath>

#include "ErrorReport.h"
#include "GLContextCheck.h"
#include "LightObject.h"
#include "Material.h"
#include "Scene.h"
#include "ShadowShader.h"

namespace {

const std::string kEnvironmentLightName = "Omni01";  // gives the environment program its light
const std::string kShadowLightName = "Spot01";       // left out of the second shadow pass

bool offersVertexBuffers() {
  return hasCurrentGLContext() && (epoxy_gl_version() >= 15 || epoxy_has_gl_extension("GL_ARB_vertex_buffer_object"));
}

GLuint uploadBuffer(const std::vector<float>& data) {
  if (data.empty()) return 0;
  GLuint name = 0;
  glGenBuffers(1, &name);
  glBindBuffer(GL_ARRAY_BUFFER, name);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(data.size() * sizeof(float)), data.data(), GL_STATIC_DRAW);
  return name;
}

}  // namespace

MeshObject::Data::~Data() {
  if (!hasCurrentGLContext()) return;
  const GLuint names[4] = {positionBuffer, normalBuffer, layer0Buffer, layer1Buffer};
  for (GLuint name : names)
    if (name) glDeleteBuffers(1, &name);
}

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
  _data->convex = false;  // its shape changes
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

void MeshObject::restoreFrom(const SceneObject& loaded) {
  SceneObject::restoreFrom(loaded);
  const MeshObject& s = static_cast<const MeshObject&>(loaded);
  _receivesShadows = s._receivesShadows;
  _spareFlag = s._spareFlag;
  _material = s._material;
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
  // Only additive shadow receivers ask whether they are convex.
  d.convex = _material && _material->isAdditive() && d.morphFrameCount == 0 && isConvex();
  if (_useVertexBuffers && !offersVertexBuffers()) _useVertexBuffers = false;
  if (_useVertexBuffers) uploadVertexBuffers();
}

bool MeshObject::isConvex() const {
  const Data& d = *_data;
  const size_t n = d.vertices.size();
  // The test is faces x vertices: larger meshes count as not convex.
  if (d.faces.empty() || double(d.faces.size()) * double(n) > kMaxConvexityWork) return false;
  Vector3 low = d.vertices[0].position, high = low;
  for (const Vertex& v : d.vertices) {
    low = Vector3(std::fmin(low.x, v.position.x), std::fmin(low.y, v.position.y), std::fmin(low.z, v.position.z));
    high = Vector3(std::fmax(high.x, v.position.x), std::fmax(high.y, v.position.y), std::fmax(high.z, v.position.z));
  }
  const Vector3 extent(high.x - low.x, high.y - low.y, high.z - low.z);
  const float tolerance = 1e-4f * std::sqrt(extent.x * extent.x + extent.y * extent.y + extent.z * extent.z);
  if (!(tolerance > 0.0f) || !std::isfinite(tolerance)) return false;
  bool anyFace = false;
  for (const Face& face : d.faces) {
    const Vector3& a = d.vertices[size_t(face[0])].position;
    const Vector3& b = d.vertices[size_t(face[1])].position;
    const Vector3& c = d.vertices[size_t(face[2])].position;
    const Vector3 e1(b.x - a.x, b.y - a.y, b.z - a.z);
    const Vector3 e2(c.x - a.x, c.y - a.y, c.z - a.z);
    const Vector3 cross(e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x);
    const float length = std::sqrt(cross.x * cross.x + cross.y * cross.y + cross.z * cross.z);
    if (!(length > 0.0f)) continue;  // degenerate: no plane
    anyFace = true;
    const Vector3 normal(cross.x / length, cross.y / length, cross.z / length);  // outward, counter-clockwise
    // Every vertex lies behind the plane of every face (the mesh bounds its convex hull).
    for (const Vertex& v : d.vertices) {
      const Vector3& p = v.position;
      if (normal.x * (p.x - a.x) + normal.y * (p.y - a.y) + normal.z * (p.z - a.z) > tolerance) return false;
    }
  }
  return anyFace;
}

void MeshObject::uploadVertexBuffers() {
  Data& d = *_data;
  if (d.positionBuffer) return;  // copies share the buffers of their source
  d.positionBuffer = uploadBuffer(d.positions);
  d.normalBuffer = uploadBuffer(d.builtNormals);
  d.layer0Buffer = uploadBuffer(d.layer0Array);
  d.layer1Buffer = uploadBuffer(d.layer1Array);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void MeshObject::animate(int frame, float fraction) {
  SceneObject::animate(frame, fraction);
  if (_data->morphFrameCount != 0) morph(float(frame) + fraction);
}

void MeshObject::copyMorphFrame(int32_t k) {
  Data& d = *_data;
  d.morphEndHeld = false;  // whoever copies the last frame holds it again
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

// Eye-space normal x and y mapped to 0..1, from the rows of the modelview's upper 3 x 3.
void MeshObject::fillReflectionCoordinates(const float* m) {
  Data& d = *_data;
  const size_t n = d.reflection.size() / 2;
  const float* normals = d.builtNormals.data();
  float* out = d.reflection.data();
  for (size_t v = 0; v < n; ++v) {
    const float nx = normals[v * 3], ny = normals[v * 3 + 1], nz = normals[v * 3 + 2];
    out[v * 2] = (m[0] * nx + m[4] * ny + m[8] * nz + 1.0f) * 0.5f;
    out[v * 2 + 1] = (m[1] * nx + m[5] * ny + m[9] * nz + 1.0f) * 0.5f;
  }
}

// The DOT3 recipe's per-vertex light vectors: from the vertex to the scene's first light, in a
// frame made of the vertex normal (z) and two axes perpendicular to it, so a flat bump texel
// (0.5, 0.5, 1) gives N.L. The light's eye position is taken back into object space.
void MeshObject::fillLightVectors(const float* modelview) {
  Data& d = *_data;
  const size_t n = d.threeComponent.size() / 3;
  Vector3 light(0.0f, 0.0f, 1000.0f);
  if (_firstLight && _firstLight->glIndex() >= 0 && _firstLight->glIndex() < 8) {
    float eye[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glGetLightfv(GLenum(GL_LIGHT0 + _firstLight->glIndex()), GL_POSITION, eye);
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = modelview[i];
    light = transformPoint(affineInverse(m), Vector3(eye[0], eye[1], eye[2]));
  }
  const float* p = d.positions.data();
  const float* normals = d.builtNormals.data();
  float* out = d.threeComponent.data();
  for (size_t v = 0; v < n; ++v) {
    const Vector3 normal = normalize(Vector3(normals[v * 3], normals[v * 3 + 1], normals[v * 3 + 2]));
    const Vector3 l(light.x - p[v * 3], light.y - p[v * 3 + 1], light.z - p[v * 3 + 2]);
    // Any axis not parallel to the normal gives the tangent.
    const Vector3 axis = std::fabs(normal.y) < 0.9f ? Vector3(0.0f, 1.0f, 0.0f) : Vector3(1.0f, 0.0f, 0.0f);
    const Vector3 tangent =
        normalize(Vector3(axis.y * normal.z - axis.z * normal.y, axis.z * normal.x - axis.x * normal.z,
                          axis.x * normal.y - axis.y * normal.x));
    const Vector3 bitangent(normal.y * tangent.z - normal.z * tangent.y, normal.z * tangent.x - normal.x * tangent.z,
                            normal.x * tangent.y - normal.y * tangent.x);
    out[v * 3] = l.x * tangent.x + l.y * tangent.y + l.z * tangent.z;
    out[v * 3 + 1] = l.x * bitangent.x + l.y * bitangent.y + l.z * bitangent.z;
    out[v * 3 + 2] = l.x * normal.x + l.y * normal.y + l.z * normal.z;
  }
}

void MeshObject::drawGeometry() {
  if (_data->faces.empty()) return;
  if (!_material) {
    reportErrorText(__FILE__, __LINE__, "Mesh has no material", name().c_str(), true);
    return;
  }
  Data& d = *_data;
  const bool environmentProgram = _material->environmentVertexProgram() && Material::environmentProgram() != 0;
  if (!d.reflection.empty() && !environmentProgram) {
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    fillReflectionCoordinates(modelview);
  }
  if (!d.threeComponent.empty()) {
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    fillLightVectors(modelview);
  }
  const bool shadowed = _receivesShadows && _scene && _scene->shadowsEnabled();
  LightObject* spot = shadowed ? _scene->findLight(kShadowLightName) : nullptr;
  ShadowShader::Receiver receiver;
  receiver.fog = shadowed && _scene->fogEnabled() ? _scene->fogMode() : 0;
  receiver.leftOut = spot ? spot->glIndex() : -1;
  receiver.singleLayer = d.convex;
  // Both passes in one draw where the program reproduces the recipe.
  const bool onePass =
      shadowed && ShadowShader::handles(*_material, receiver) && ShadowShader::available(*_material, receiver);
  if (shadowed && !onePass) {
    Material::finishDeferredRestore();
    glActiveTexture(GL_TEXTURE2);
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  _material->apply();
  if (environmentProgram) {
    Vector3 direction(0.0f, 0.0f, 1.0f);
    if (const LightObject* light = _scene ? _scene->findLight(kEnvironmentLightName) : nullptr)
      direction = normalize(light->worldPosition());
    glProgramEnvParameter4fARB(GL_VERTEX_PROGRAM_ARB, 0, direction.x, direction.y, direction.z, 1.0f);
    // x: reflection coordinates on unit 0 (single-unit models); y: lit; z: shadow coordinates on
    // unit 2.
    glProgramEnvParameter4fARB(GL_VERTEX_PROGRAM_ARB, 1, _material->usesSeveralUnits() ? 0.0f : 1.0f,
                               _material->isLit() ? 1.0f : 0.0f, shadowed ? 1.0f : 0.0f, 0.0f);
  }
  if (onePass) {
    ShadowShader::begin(*_material, receiver);
    setUpArraysAndDraw();
    ShadowShader::end();
    _material->restore(true);
    if (spot) spot->setEnabled(true);  // as after a second pass
    return;
  }
  setUpArraysAndDraw();
  // Unshadowed meshes let a following mesh of the same material keep this state.
  _material->restore(!shadowed);
  if (!shadowed) return;

  glActiveTexture(GL_TEXTURE2);
  glDisable(GL_TEXTURE_2D);
  glActiveTexture(GL_TEXTURE0);
  if (ShadowShader::secondPassEmpty(*_material)) return;
  const float opacity = _material->opacity();
  _material->setOpacity(opacity * 0.5f);
  _material->apply();
  // The depth test goes back to what it was (the pushed attribute block of the literal path
  // would put it back as well).
  GLint depthFunction = GL_LESS;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
  glDepthFunc(GL_EQUAL);
  if (spot) spot->setEnabled(false);
  setUpArraysAndDraw();
  glDepthFunc(GLenum(depthFunction));
  _material->restore();
  _material->setOpacity(opacity);
  if (spot) spot->setEnabled(true);
}

void MeshObject::setUpArraysAndDraw() {
  Data& d = *_data;
  const Material& material = *_material;
  const bool buffers = _useVertexBuffers && d.positionBuffer != 0;
  const bool several = material.usesSeveralUnits();
  bool unitEnabled[3] = {false, false, false};
  // Single-unit materials give every coordinate set to client unit 0.
  const auto texCoords = [&](int unit, GLint size, GLuint buffer, const float* array) {
    const int target = several ? unit : 0;
    glClientActiveTexture(GLenum(GL_TEXTURE0 + target));
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glTexCoordPointer(size, GL_FLOAT, 0, buffer ? nullptr : array);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    unitEnabled[target] = true;
  };

  glBindBuffer(GL_ARRAY_BUFFER, buffers ? d.positionBuffer : 0);
  glVertexPointer(3, GL_FLOAT, 0, buffers ? nullptr : d.positions.data());
  glEnableClientState(GL_VERTEX_ARRAY);
  // The environment program computes its colour and coordinates from the normals too.
  const bool normals = material.isLit() || (material.environmentVertexProgram() && Material::environmentProgram() != 0);
  if (normals) {
    glBindBuffer(GL_ARRAY_BUFFER, buffers ? d.normalBuffer : 0);
    glNormalPointer(GL_FLOAT, 0, buffers ? nullptr : d.builtNormals.data());
    glEnableClientState(GL_NORMAL_ARRAY);
  }
  const bool cube = material.cubeReflection();
  if (cube) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_R);
  }
  const GLuint layer0Buffer = buffers ? d.layer0Buffer : 0;
  const GLuint layer1Buffer = buffers ? d.layer1Buffer : 0;
  if (d.threeComponent.empty()) {
    if (!d.layer0Array.empty()) texCoords(0, 2, layer0Buffer, d.layer0Array.data());
    if (!d.layer1Array.empty()) {
      texCoords(1, 2, layer1Buffer, d.layer1Array.data());
      if (buffers && material.extraLightPass()) texCoords(2, 2, layer1Buffer, d.layer1Array.data());
    }
    if (!d.reflection.empty()) texCoords(1, 2, 0, d.reflection.data());
  } else {
    if (!d.layer0Array.empty()) texCoords(0, 2, layer0Buffer, d.layer0Array.data());
    texCoords(1, 3, 0, d.threeComponent.data());
    if (!d.reflection.empty())
      texCoords(2, 2, 0, d.reflection.data());
    else if (!d.layer0Array.empty())
      texCoords(2, 2, layer0Buffer, d.layer0Array.data());
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);

  glDrawElements(GL_TRIANGLES, GLsizei(d.indices.size()), GL_UNSIGNED_INT, d.indices.data());

  if (unitEnabled[0] || unitEnabled[1] || unitEnabled[2]) {
    for (int unit = 2; unit >= 0; --unit) {
      glClientActiveTexture(GLenum(GL_TEXTURE0 + unit));
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
  }
  if (cube) {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
  }
  if (normals) glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

void MeshObject::drawDepthOnly() {
  Data& d = *_data;
  if (d.indices.empty() || d.positions.empty()) return;
  const bool buffers = _useVertexBuffers && d.positionBuffer != 0;
  glBindBuffer(GL_ARRAY_BUFFER, buffers ? d.positionBuffer : 0);
  glVertexPointer(3, GL_FLOAT, 0, buffers ? nullptr : d.positions.data());
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glDrawElements(GL_TRIANGLES, GLsizei(d.indices.size()), GL_UNSIGNED_INT, d.indices.data());
  glDisableClientState(GL_VERTEX_ARRAY);
}
