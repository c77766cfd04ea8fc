#include "SceneLoaderVDG.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "ErrorReport.h"
#include "GltfSceneLoader.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "SceneCache.h"
#include "TextureManager.h"
#include "VdgChunkTags.h"

namespace {
using namespace VdgChunkTags;

// Smallest material record: two ints, an empty string, a float, nine colour floats, three
// floats and the texture count.
constexpr size_t kMinMaterialBytes = 4 + 4 + 4 + 4 + 36 + 12 + 4;
// Smallest texture entry: an empty string and the slot.
constexpr size_t kMinTextureEntryBytes = 8;

// Turns a horizontal field of view (radians) of a 4:3 picture into the vertical one in degrees.
constexpr float kHorizontalToVertical = 0.7500188f;
constexpr float kPi = 3.14159265358979f;

Texture* managerLookup(const std::string& name, const std::string& directory) {
  return TextureManager::getInstance().getTexture(name, directory, GL_TEXTURE_2D);
}

SceneLoaderVDG::TextureLookup gTextureLookup = managerLookup;

Color4 opaque(const float* rgb) { return Color4(rgb[0], rgb[1], rgb[2], 1.0f); }

bool readVector(SceneFileReader& r, Vector3& v) { return r.readFloat(v.x) && r.readFloat(v.y) && r.readFloat(v.z); }

bool readQuaternion(SceneFileReader& r, Quaternion& q) {
  return r.readFloat(q.x) && r.readFloat(q.y) && r.readFloat(q.z) && r.readFloat(q.w);
}

// A key track: its count, then that many values of itemSize bytes read by readValue. A count of 0
// or less is no track (track stays null); false when the values do not fit in or cannot be read.
template <typename T>
bool readTrack(SceneFileReader& r, size_t itemSize, bool (*readValue)(SceneFileReader&, T&),
               std::shared_ptr<std::vector<T>>& track) {
  int32_t count = 0;
  if (!r.readInt(count)) return false;
  if (count <= 0) return true;
  if (!r.require(count, itemSize)) return false;
  track = std::make_shared<std::vector<T>>(size_t(count));
  for (T& value : *track)
    if (!readValue(r, value)) return false;
  return true;
}

}  // namespace

SceneLoaderVDG::TextureLookup SceneLoaderVDG::setTextureLookup(TextureLookup lookup) {
  TextureLookup previous = gTextureLookup;
  gTextureLookup = lookup ? lookup : managerLookup;
  return previous;
}

Scene* SceneLoaderVDG::load(const std::string& fileName, const std::string& textureDirectory) {
  if (Scene* cached = SceneCache::getInstance().findScene(fileName)) return cached;
  SceneLoaderVDG loader;
  std::unique_ptr<Scene> scene = loader.read(fileName, textureDirectory);
  if (!scene) return nullptr;
  return SceneCache::getInstance().insertScene(fileName, std::move(scene));
}

std::unique_ptr<Scene> SceneLoaderVDG::read(const std::string& fileName, const std::string& textureDirectory) {
  if (GltfSceneLoader::isGltfName(fileName)) return GltfSceneLoader::read(fileName, textureDirectory);
  _scene.reset();
  if (!openFile(fileName.c_str(), &_file)) return nullptr;
  std::unique_ptr<Scene> scene = parse(fileName, textureDirectory);
  if (scene) loadImportedMorphData(*scene, fileName);
  return scene;
}

std::unique_ptr<Scene> SceneLoaderVDG::readBytes(const std::string& fileName, const std::vector<uint8_t>& bytes,
                                                 const std::string& textureDirectory) {
  _scene.reset();
  if (!openBytes(bytes.data(), bytes.size(), &_file)) return nullptr;
  return parse(fileName, textureDirectory);
}

void SceneLoaderVDG::loadImportedMorphData(Scene& scene, const std::string& fileName) {
  // vdgimport names the meshes it baked "<scene name>.<node name>"; only they have morph data.
  const size_t slash = fileName.find_last_of('/');
  const std::string base = fileName.substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t dot = base.rfind('.');
  const std::string prefix = (dot == std::string::npos ? base : base.substr(0, dot)) + ".";
  for (const std::unique_ptr<SceneObject>& object : scene.objects()) {
    MeshObject* mesh = dynamic_cast<MeshObject*>(object.get());
    if (mesh && mesh->name().compare(0, prefix.size(), prefix) == 0) MorphDataReader::loadMorphData(*mesh);
  }
}

std::unique_ptr<Scene> SceneLoaderVDG::parse(const std::string& fileName, const std::string& textureDirectory) {
  _fileName = fileName;
  _textureDirectory = textureDirectory;
  _chunk = "header";
  _reader.reset(new SceneFileReader(&_file));

  // A header too short to hold its fields reads as version 0, like any other version: silent.
  seekFile(&_file, 3, 0);  // format tag, never checked
  int32_t version = 0, start = 0, end = 0, step = 0;
  if (!_reader->readInt(version) || version != 1) {
    releaseFile(&_file);
    return nullptr;
  }
  if (!_reader->readInt(start) || !_reader->readInt(end) || !_reader->readInt(step)) {
    broken();
    releaseFile(&_file);
    return nullptr;
  }
  const int64_t frames = step > 0 ? (int64_t(end) - start) / step + 1 : 0;
  if (step <= 0 || frames < 1 || frames > INT32_MAX) {
    reportErrorText(__FILE__, __LINE__,
                    "scene file has no usable animation timing (step, start, end)", _fileName.c_str(), false);
    releaseFile(&_file);
    return nullptr;
  }
  _scene.reset(new Scene());
  _scene->setFrameCount(int32_t(frames));
  _scene->setStep(step);

  if (!readChunks()) {
    _scene.reset();
    releaseFile(&_file);
    return nullptr;
  }
  _chunk = "finish";
  _scene->finish();
  releaseFile(&_file);
  return std::move(_scene);
}

bool SceneLoaderVDG::broken() {
  char message[kReportBufferSize];
  std::snprintf(message, sizeof message, "scene file %.120s: %s chunk is truncated or broken", _fileName.c_str(),
                _chunk);
  reportError(__FILE__, __LINE__, message, false);
  return false;
}

bool SceneLoaderVDG::readChunks() {
  for (;;) {
    _chunk = "chunk tag";
    int32_t tag = 0;
    if (!_reader->readInt(tag)) return broken();
    switch (tag) {
      case kTagEnd:
        return true;
      case kTagMaterials:
        if (!readMaterials()) return false;
        break;
      case kTagLight:
        if (!readLight()) return false;
        break;
      case kTagCamera:
        if (!readCamera()) return false;
        break;
      case kTagMesh:
        if (!readMesh()) return false;
        break;
      case kTagPlain:
        if (!readPlainObject()) return false;
        break;
      case kTagHelper:
        if (!readHelper()) return false;
        break;
      default:
        // The chunk's length is unknown, so nothing after it can be read.
        assertTrue(false, __FILE__, __LINE__);
        return false;
    }
  }
}

Texture* SceneLoaderVDG::findTexture(const std::string& storedName) const {
  if (storedName.empty()) return nullptr;
  const size_t slash = storedName.rfind('\\');
  const std::string name = slash == std::string::npos ? storedName : storedName.substr(slash + 1);
  if (name.empty()) return nullptr;
  return gTextureLookup(name, _textureDirectory);
}

bool SceneLoaderVDG::readMaterials() {
  _chunk = "material list";
  SceneFileReader& r = *_reader;
  int32_t count = 0;
  if (!r.readInt(count) || !r.require(count, kMinMaterialBytes)) return broken();
  for (int32_t i = 0; i < count; ++i) {
    int32_t unused = 0, id = 0, textureCount = 0;
    std::string name;
    float unusedFloat = 0.0f;
    float colors[9] = {};  // diffuse, ambient, specular
    float opacity = 1.0f, shininess = 0.0f, strength = 0.0f;
    if (!r.readInt(unused) || !r.readInt(id) || !r.readString(name) || !r.readFloat(unusedFloat) ||
        !r.readFloats(colors, 9) || !r.readFloat(opacity) || !r.readFloat(shininess) || !r.readFloat(strength) ||
        !r.readInt(textureCount) || !r.require(textureCount, kMinTextureEntryBytes))
      return broken();
    // First entry of a slot wins; entries are handled in ascending slot order.
    std::map<int32_t, std::string> slots;
    for (int32_t t = 0; t < textureCount; ++t) {
      std::string file;
      int32_t slot = 0;
      if (!r.readString(file) || !r.readInt(slot)) return broken();
      slots.emplace(slot, file);
    }

    std::unique_ptr<Material> material(new Material(id, name));
    material->setAmbient(opaque(colors + 3));
    material->setDiffuse(opaque(colors));
    material->setSpecular(opaque(colors + 6));
    material->setShininess(shininess * 128.0f, strength);
    material->setOpacity(opacity);
    material->setTwoSided(false);
    for (const auto& entry : slots) {
      Texture* texture = findTexture(entry.second);
      if (!texture) {
        reportErrorText(__FILE__, __LINE__, "Texture not found:", entry.second.c_str(), false);
        continue;
      }
      switch (entry.first) {
        case 1:
          material->setBaseMap(texture);
          break;
        case 6:
          material->setOpacityMap(texture);
          break;
        case 7:
          material->setSecondMap(texture);
          break;
        case 8:
          material->setBumpMap(texture);
          break;
        case 9:
          material->setReflectionMap(texture);
          break;
        case 10:
          material->setBaseMap(texture);
          material->setAdditive(true);
          break;
        case 0:
        case 2:
        case 3:
        case 4:
        case 5:
        case 11:
          reportError(__FILE__, __LINE__, "Unsupported texture type", false);
          break;
        default:
          break;
      }
    }
    material->chooseShadeModel();
    _scene->addMaterial(std::move(material));
  }
  return true;
}

bool SceneLoaderVDG::readObjectHeader(SceneObject& object, int32_t& parentId, int32_t& materialId) {
  SceneFileReader& r = *_reader;
  float position[3], rotation[4], scale[3], spare[3];
  if (!r.readInt(parentId) || !r.readInt(materialId) || !r.readFloats(position, 3) || !r.readFloats(rotation, 4) ||
      !r.readFloats(scale, 3) || !r.readFloats(spare, 3))
    return false;
  object.setPosition(Vector3(position[0], position[1], position[2]));
  object.setRotationMatrix(Quaternion(rotation[0], rotation[1], rotation[2], rotation[3]).toMatrix());
  object.setScale(Vector3(scale[0], scale[1], scale[2]));
  object.setSpare(Vector3(spare[0], spare[1], spare[2]));
  object.setStep(_scene->step());

  std::shared_ptr<std::vector<Vector3>> positions, scales;
  std::shared_ptr<std::vector<Quaternion>> rotations;
  if (!readTrack(r, 12, readVector, positions) || !readTrack(r, 16, readQuaternion, rotations) ||
      !readTrack(r, 12, readVector, scales))
    return false;
  if (positions) object.setPositionTrack(std::move(positions));
  if (rotations) object.setRotationTrack(std::move(rotations));
  if (scales) object.setScaleTrack(std::move(scales));
  return true;
}

bool SceneLoaderVDG::readLight() {
  _chunk = "light";
  SceneFileReader& r = *_reader;
  std::string name;
  int32_t id = 0, parentId = -1, materialId = 0;
  if (!r.readString(name) || !r.readInt(id)) return broken();
  std::unique_ptr<LightObject> light(new LightObject(id, name));
  if (!readObjectHeader(*light, parentId, materialId)) return broken();
  int32_t type = 0, targetId = -1, projector = 0;
  float color[3], multiplier = 1.0f, unused[2], distance = 0.0f, cone = 180.0f, exponent = 0.0f;
  if (!r.readInt(type) || !r.readFloats(color, 3) || !r.readFloat(multiplier) || !r.readFloats(unused, 2) ||
      !r.readFloat(distance) || !r.readFloat(cone) || !r.readFloat(exponent) || !r.readInt(targetId) ||
      !r.readInt(projector))
    return broken();
  std::string projectorName;
  if (projector != 0 && !r.readString(projectorName)) return broken();
  if (type < 0 || type > 3) type = 0;

  const Color4 base(color[0] * multiplier, color[1] * multiplier, color[2] * multiplier, 1.0f);
  light->setAmbient(Color4(base.r * 0.3f, base.g * 0.3f, base.b * 0.3f, 1.0f));
  light->setDiffuse(base);
  light->setSpecular(base);
  light->setBaseDiffuse(base);
  if (distance > 0.0f)
    light->setAttenuation(1.0f, 2.0f / distance, 0.0f);
  else
    light->setAttenuation(1.0f, 0.0f, 0.0f);
  light->setTargetId(type == 1 || type == 3 ? targetId : -1);
  const bool spot = type == 1 || type == 2;
  light->setSpotCutoff(spot ? cone : 180.0f);
  light->setSpotExponent(spot ? exponent : 0.0f);
  if (projector != 0) {
    if (Texture* texture = findTexture(projectorName)) light->setProjectorTexture(texture);
  }
  _scene->addLight(std::move(light), parentId);
  return true;
}

bool SceneLoaderVDG::readCamera() {
  _chunk = "camera";
  SceneFileReader& r = *_reader;
  std::string name;
  int32_t id = 0, parentId = -1, materialId = 0, targetId = -1;
  if (!r.readString(name) || !r.readInt(id)) return broken();
  std::unique_ptr<CameraObject> camera(new CameraObject(id, name));
  if (!readObjectHeader(*camera, parentId, materialId)) return broken();
  float fov = 0.0f, nearPlane = 1.0f, farPlane = 2000.0f, unused = 0.0f;
  if (!r.readFloat(fov) || !r.readFloat(nearPlane) || !r.readFloat(farPlane) || !r.readFloat(unused) ||
      !r.readInt(targetId))
    return broken();
  camera->setFieldOfView(2.0f * std::atan(kHorizontalToVertical * std::tan(fov / 2.0f)) * 180.0f / kPi);
  camera->setPlanes(nearPlane, farPlane);
  camera->setTargetId(targetId);
  _scene->addCamera(std::move(camera), parentId);
  return true;
}

bool SceneLoaderVDG::readMesh() {
  _chunk = "mesh";
  SceneFileReader& r = *_reader;
  std::string name;
  int32_t id = 0, parentId = -1, materialId = 0;
  if (!r.readString(name) || !r.readInt(id)) return broken();
  std::unique_ptr<MeshObject> mesh(new MeshObject(id, name));
  if (!readObjectHeader(*mesh, parentId, materialId)) return broken();
  mesh->setMaterialId(materialId);

  int32_t count = 0;
  if (!r.readInt(count) || !r.require(count, 12)) return broken();
  std::vector<MeshObject::Vertex> vertices(static_cast<size_t>(count));
  for (MeshObject::Vertex& v : vertices)
    if (!readVector(r, v.position)) return broken();

  if (!r.readInt(count) || !r.require(count, 12)) return broken();
  std::vector<Vector3> normals(static_cast<size_t>(count));
  for (Vector3& n : normals)
    if (!readVector(r, n)) return broken();
  for (size_t i = 0; i < normals.size() && i < vertices.size(); ++i) vertices[i].normal = normals[i];

  std::vector<MeshObject::TexCoord> layers[3];
  for (std::vector<MeshObject::TexCoord>& layer : layers) {
    if (!r.readInt(count) || !r.require(count, 8)) return broken();
    layer.resize(size_t(count));
    for (MeshObject::TexCoord& uv : layer) {
      if (!r.readFloat(uv.u) || !r.readFloat(uv.v)) return broken();
      uv.v = -uv.v;
    }
  }

  if (!r.readInt(count) || !r.require(count, 12)) return broken();
  for (int32_t i = 0; i < count; ++i) {
    float rgb[3];
    if (!r.readFloats(rgb, 3)) return broken();
    if (size_t(i) < vertices.size()) vertices[size_t(i)].color = opaque(rgb);
  }

  if (!r.readInt(count) || !r.require(count, 12)) return broken();
  std::vector<MeshObject::Face> faces;
  faces.reserve(size_t(count));
  bool dropped = false;
  for (int32_t i = 0; i < count; ++i) {
    MeshObject::Face face;
    if (!r.readInt(face[0]) || !r.readInt(face[1]) || !r.readInt(face[2])) return broken();
    bool inside = true;
    for (int32_t index : face) inside = inside && index >= 0 && size_t(index) < vertices.size();
    if (inside)
      faces.push_back(face);
    else
      dropped = true;
  }
  if (dropped) {
    char message[kReportBufferSize];
    std::snprintf(message, sizeof message, "scene file %.100s: faces outside the vertices dropped from mesh",
                  _fileName.c_str());
    reportErrorText(__FILE__, __LINE__, message, name.c_str(), false);
  }

  mesh->setVertices(std::move(vertices));
  mesh->setNormals(std::move(normals));
  mesh->setLayer0(std::move(layers[0]));
  mesh->setLayer1(std::move(layers[2].empty() ? layers[1] : layers[2]));
  mesh->setFaces(std::move(faces));
  _scene->addObject(std::move(mesh), parentId);
  return true;
}

bool SceneLoaderVDG::readPlainObject() {
  _chunk = "plain object";
  SceneFileReader& r = *_reader;
  int32_t id = 0, ignored = 0;
  std::string name;
  if (!r.readInt(id) || !r.readString(name) || !r.readInt(ignored)) return broken();
  _scene->addObject(std::unique_ptr<SceneObject>(new SceneObject(id, name)), -1);
  return true;
}

bool SceneLoaderVDG::readHelper() {
  _chunk = "helper object";
  SceneFileReader& r = *_reader;
  std::string name;
  int32_t id = 0, parentId = -1, materialId = 0;
  if (!r.readString(name) || !r.readInt(id)) return broken();
  std::unique_ptr<SceneObject> helper(new SceneObject(id, name));
  if (!readObjectHeader(*helper, parentId, materialId)) return broken();
  _scene->addObject(std::move(helper), parentId);
  return true;
}
