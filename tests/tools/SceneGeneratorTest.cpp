// The generated scenes, read back byte by byte without the engine: every file is there and
// parses to its end tag, links (parents, targets, materials, textures) resolve, the names the
// effects look up are present, and morph data matches its meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include "SceneGenerator.h"
#include "TempDir.h"

using scenegen::SceneGenerator;

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Material {
  int id = 0;
  float opacity = 1.0f;
  std::map<int, std::string> slots;  // first entry per slot
};

struct Object {
  int tag = 0, id = 0, parent = -1, material = -1, target = -1, lightType = -1;
  std::string name;
  size_t tracks[3] = {0, 0, 0};
  size_t vertices = 0, faces = 0;
  float minY = 1e30f, maxY = -1e30f;
};

// A strict reader of the scene format: any count that does not fit, or a tag it does not know,
// fails the parse.
class SceneReader {
 public:
  explicit SceneReader(std::vector<uint8_t> bytes) : _b(std::move(bytes)) {}

  bool parse() {
    if (_b.size() < 19) return false;
    _at = 3;
    int version = 0, start = 0, end = 0, step = 0;
    if (!i32(version) || !i32(start) || !i32(end) || !i32(step) || version != 1 || step <= 0) return false;
    frames = static_cast<size_t>((end - start) / step + 1);
    for (;;) {
      int tag = 0;
      if (!i32(tag)) return false;
      if (tag == 0x9999) return _at == _b.size();
      if (!chunk(tag)) return false;
    }
  }

  size_t frames = 0;
  std::vector<Material> materials;
  std::vector<Object> objects;

 private:
  bool i32(int& v) {
    if (_b.size() - _at < 4) return false;
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(_b[_at++]) << (8 * i);
    v = static_cast<int>(u);
    return true;
  }
  bool f32(float& v) {
    int i = 0;
    if (!i32(i)) return false;
    std::memcpy(&v, &i, 4);
    return true;
  }
  bool skip(size_t items, size_t bytesEach) {
    if (items > (_b.size() - _at) / bytesEach) return false;
    _at += items * bytesEach;
    return true;
  }
  bool count(size_t& n) {
    int v = 0;
    if (!i32(v) || v < 0) return false;
    n = static_cast<size_t>(v);
    return true;
  }
  bool str(std::string& s) {
    size_t n = 0;
    if (!count(n) || n > _b.size() - _at) return false;
    s.assign(reinterpret_cast<const char*>(&_b[_at]), n);
    _at += n;
    return true;
  }
  bool header(Object& o) {
    if (!str(o.name) || !i32(o.id) || !i32(o.parent) || !i32(o.material) || !skip(13, 4)) return false;
    const size_t sizes[3] = {12, 16, 12};
    for (int t = 0; t < 3; ++t)
      if (!count(o.tracks[t]) || !skip(o.tracks[t], sizes[t])) return false;
    return true;
  }
  bool chunk(int tag) {
    if (tag == 1) {
      size_t n = 0;
      if (!count(n)) return false;
      for (size_t i = 0; i < n; ++i) {
        Material m;
        std::string name;
        size_t textures = 0;
        if (!skip(1, 4) || !i32(m.id) || !str(name) || !skip(10, 4) || !f32(m.opacity) || !skip(2, 4) ||
            !count(textures))
          return false;
        for (size_t t = 0; t < textures; ++t) {
          std::string file;
          int slot = 0;
          if (!str(file) || !i32(slot)) return false;
          m.slots.emplace(slot, file);
        }
        materials.push_back(m);
      }
      return true;
    }
    Object o;
    o.tag = tag;
    if (tag == 6) return i32(o.id) && str(o.name) && skip(1, 4) && (objects.push_back(o), true);
    if (tag < 3 || tag > 7 || !header(o)) return false;
    if (tag == 3) {
      int projector = 0;
      std::string texture;
      if (!i32(o.lightType) || !skip(9, 4) || !i32(o.target) || !i32(projector)) return false;
      if (projector != 0 && !str(texture)) return false;
    } else if (tag == 4) {
      if (!skip(4, 4) || !i32(o.target)) return false;
    } else if (tag == 5) {
      size_t normals = 0, colours = 0;
      if (!count(o.vertices)) return false;
      for (size_t v = 0; v < o.vertices; ++v) {
        float x, y, z;
        if (!f32(x) || !f32(y) || !f32(z)) return false;
        o.minY = std::fmin(o.minY, y), o.maxY = std::fmax(o.maxY, y);
      }
      if (!count(normals) || (normals != 0 && normals != o.vertices) || !skip(normals, 12)) return false;
      for (int set = 0; set < 3; ++set) {
        size_t uvs = 0;
        if (!count(uvs) || (uvs != 0 && uvs != o.vertices) || !skip(uvs, 8)) return false;
      }
      if (!count(colours) || !skip(colours, 12) || !count(o.faces)) return false;
      for (size_t i = 0; i < o.faces * 3; ++i) {
        int index = 0;
        if (!i32(index) || index < 0 || static_cast<size_t>(index) >= o.vertices) return false;
      }
    }
    objects.push_back(o);
    return true;
  }

  std::vector<uint8_t> _b;
  size_t _at = 0;
};

std::string baseName(const std::string& file) {
  const size_t slash = file.find_last_of('\\');
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

class SceneGeneratorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new TempDir();
    SceneGenerator generator;
    generated = generator.generate(dir->path());
    for (const std::string& file : SceneGenerator::sceneFiles()) {
      auto reader = std::make_unique<SceneReader>(readBytes(dir->path() + "/" + file));
      parsed[file] = reader->parse();
      scenes[file] = std::move(reader);
    }
  }
  static void TearDownTestSuite() {
    scenes.clear();
    delete dir;
  }
  static const Object* find(const std::string& file, const std::string& name) {
    for (const Object& o : scenes.at(file)->objects)
      if (o.name == name) return &o;
    return nullptr;
  }

  static TempDir* dir;
  static bool generated;
  static std::map<std::string, bool> parsed;
  static std::map<std::string, std::unique_ptr<SceneReader>> scenes;
};
TempDir* SceneGeneratorTest::dir = nullptr;
bool SceneGeneratorTest::generated = false;
std::map<std::string, bool> SceneGeneratorTest::parsed;
std::map<std::string, std::unique_ptr<SceneReader>> SceneGeneratorTest::scenes;

}  // namespace

TEST_F(SceneGeneratorTest, EveryFileParsesAndItsLinksResolve) {
  ASSERT_TRUE(generated);
  for (const auto& [file, reader] : scenes) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(parsed[file]);
    std::set<int> materialIds, seen;
    for (const Material& m : reader->materials) {
      EXPECT_TRUE(materialIds.insert(m.id).second) << "material id " << m.id << " twice";
      for (const auto& [slot, texture] : m.slots)
        EXPECT_TRUE(std::filesystem::exists(dir->path() + "/textures/" + baseName(texture))) << texture;
    }
    std::set<std::string> names;
    size_t triangles = 0;
    for (const Object& o : reader->objects) {
      EXPECT_TRUE(names.insert(o.name).second) << "name " << o.name << " twice";
      EXPECT_TRUE(o.parent == -1 || seen.count(o.parent)) << o.name << ": parent must come first";
      EXPECT_TRUE(seen.insert(o.id).second) << "id " << o.id << " twice";
      for (size_t t : o.tracks) EXPECT_TRUE(t == 0 || t == reader->frames) << o.name;
      if (o.tag == 5) {
        EXPECT_TRUE(materialIds.count(o.material)) << o.name << " has no material";
        triangles += o.faces;
      }
    }
    for (const Object& o : reader->objects) {
      if (o.target != -1) {
        EXPECT_TRUE(seen.count(o.target)) << o.name << " aims at a missing object";
      }
    }
    EXPECT_LT(triangles, 30000u);
  }
}

TEST_F(SceneGeneratorTest, EffectsFindTheObjectsTheyLookUp) {
  const struct {
    const char* file;
    std::vector<const char*> names;
  } cases[] = {
      {"scenes/tentacle.vdg", {"mother", "Dummy01", "Dummy02", "Dummy03", "Dummy04", "Dummy05", "Camera06"}},
      {"scenes/mechparts.vdg", {"Cylinder73", "Capsule01", "Camera01"}},
      {"scenes/flower.vdg",
       {"blomsterblad01", "blomsterblad02", "blomsterblad03", "blomsterblad04", "blomsterblad05", "blomsterblad06"}},
      {"scenes/head.vdg", {"head"}},
      {"scenes/oscbox.vdg", {"Box01"}},
  };
  for (const auto& c : cases)
    for (const char* name : c.names) EXPECT_NE(find(c.file, name), nullptr) << c.file << ": " << name;

  const Object* mother = find("scenes/tentacle.vdg", "mother");
  ASSERT_NE(mother, nullptr);
  for (const char* dummy : {"Dummy01", "Dummy02", "Dummy03", "Dummy04", "Dummy05"})
    EXPECT_EQ(find("scenes/tentacle.vdg", dummy)->parent, mother->id) << dummy;
  // "Camera" (0 by default) picks the active camera by index each frame.
  for (const Object& o : scenes.at("scenes/tentacle.vdg")->objects)
    if (o.tag == 4) {
      EXPECT_EQ(o.name, "Camera06");
      break;
    }
  const Object* camera = find("scenes/mechparts.vdg", "Camera01");
  ASSERT_NE(camera, nullptr);
  EXPECT_NE(camera->target, -1);

  // The segment template: 22 units along +Y from its origin, the way the chains stack it.
  const Object* segment = find("scenes/mechparts.vdg", "Cylinder73");
  ASSERT_NE(segment, nullptr);
  EXPECT_NEAR(segment->minY, 0.0f, 1e-4f);
  EXPECT_NEAR(segment->maxY, 22.0f, 1e-4f);

  // The oscilloscope picture needs a base map on the box's material.
  const Object* box = find("scenes/oscbox.vdg", "Box01");
  ASSERT_NE(box, nullptr);
  bool baseMap = false;
  for (const Material& m : scenes.at("scenes/oscbox.vdg")->materials)
    baseMap |= m.id == box->material && m.slots.count(1);
  EXPECT_TRUE(baseMap);
}

TEST_F(SceneGeneratorTest, MorphDataMatchesEachPetal) {
  ASSERT_EQ(SceneGenerator::morphFiles().size(), 6u);
  for (int i = 1; i <= 6; ++i) {
    const std::string name = "blomsterblad0" + std::to_string(i);
    SCOPED_TRACE(name);
    const Object* petal = find("scenes/flower.vdg", name);
    ASSERT_NE(petal, nullptr);
    const std::vector<uint8_t> bytes = readBytes(dir->path() + "/scenes/morphdata_" + name + ".vmd");
    ASSERT_GE(bytes.size(), 4u);
    const size_t frames = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<size_t>(bytes[3]) << 24;
    EXPECT_GE(frames, 2u);
    EXPECT_EQ(bytes.size(), 4 + frames * petal->vertices * 24);
  }
}

// The second act's scenes together use every map slot and light type, the named lights, the
// shadow caster's target, transparency, hierarchies and several animated cameras with targets.
TEST_F(SceneGeneratorTest, SecondActScenesCoverTheEngine) {
  std::set<int> slots, lightTypes;
  bool windowsPath = false, transparent = false, hierarchy = false, severalCameras = false, animatedAimedCamera = false;
  std::set<std::string> lights;
  for (const char* file : {"scenes/scene1.vdg", "scenes/scene2.vdg", "scenes/scene3.vdg"}) {
    const SceneReader& scene = *scenes.at(file);
    for (const Material& m : scene.materials) {
      for (const auto& [slot, texture] : m.slots) {
        slots.insert(slot);
        windowsPath |= texture.find('\\') != std::string::npos;
      }
      transparent |= m.opacity < 1.0f;
    }
    int cameras = 0;
    for (const Object& o : scene.objects) {
      hierarchy |= o.parent != -1;
      if (o.tag == 3) {
        lightTypes.insert(o.lightType);
        lights.insert(o.name);
        if (o.name == "Spot01") {
          EXPECT_EQ(o.lightType, 1) << file;
          EXPECT_NE(o.target, -1) << file;
        }
      }
      if (o.tag == 4) {
        ++cameras;
        animatedAimedCamera |= o.target != -1 && o.tracks[0] == scene.frames;
      }
    }
    severalCameras |= cameras > 1;
  }
  EXPECT_EQ(slots, (std::set<int>{1, 6, 7, 8, 9, 10}));
  EXPECT_EQ(lightTypes, (std::set<int>{0, 1, 2, 3}));
  EXPECT_TRUE(lights.count("Omni01") && lights.count("Spot01"));
  EXPECT_TRUE(windowsPath);
  EXPECT_TRUE(transparent);
  EXPECT_TRUE(hierarchy);
  EXPECT_TRUE(severalCameras);
  EXPECT_TRUE(animatedAimedCamera);
}

TEST_F(SceneGeneratorTest, OutputIsTheSameEveryRun) {
  TempDir again;
  SceneGenerator generator;
  ASSERT_TRUE(generator.generate(again.path()));
  std::vector<std::string> files = SceneGenerator::sceneFiles();
  for (const std::string& f : SceneGenerator::morphFiles()) files.push_back(f);
  files.push_back("textures/metal.png");
  for (const std::string& file : files)
    EXPECT_TRUE(readBytes(dir->path() + "/" + file) == readBytes(again.path() + "/" + file)) << file;
}

TEST(SceneGenerator, ReportsAFolderItCannotCreate) {
  TempDir dir;
  const std::string blocker = dir.write("plain-file", "not a folder");
  SceneGenerator generator;
  EXPECT_FALSE(generator.generate(blocker + "/data"));
  EXPECT_NE(generator.error().find("cannot create"), std::string::npos) << generator.error();
}
