// Scene files written with the scene writer and read back: every chunk kind, the texture slot
// rules, cameras, lights, mesh coordinate sets, parents, the finish reordering and the cache.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "MeshObject.h"
#include "ReportCapture.h"
#include "GLGeneration.h"
#include "SceneCache.h"
#include "SceneLoaderVDG.h"
#include "StandInTextures.h"
#include "TempDir.h"
#include "VdgWriter.h"

namespace {

class SceneLoaderTest : public ::testing::Test {
 protected:
  // Writes the file below the temporary working folder and reads it without the cache.
  std::unique_ptr<Scene> read(const std::string& name, const std::vector<uint8_t>& bytes) {
    _dir.write(name, std::string(bytes.begin(), bytes.end()));
    return SceneLoaderVDG().read(name, "data/textures/");
  }

  TempDir _dir{true};
  StandInTextures _textures;
  ReportCapture _reports;
};

vdg::MaterialRecord material(int32_t id, const std::string& name, float opacity = 1.0f) {
  vdg::MaterialRecord m;
  m.id = id;
  m.name = name;
  m.opacity = opacity;
  return m;
}

vdg::MeshRecord quad(const std::string& name, int32_t id, int32_t parent, int32_t materialId) {
  vdg::MeshRecord m;
  m.header.name = name;
  m.header.id = id;
  m.header.parentId = parent;
  m.header.materialId = materialId;
  m.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  m.faces = {{0, 1, 2}, {1, 3, 2}};
  return m;
}

TEST_F(SceneLoaderTest, EveryChunkKindRoundTrips) {
  vdg::VdgWriter w(100, 740, 160);  // (740 - 100) / 160 + 1 = 5 frames
  vdg::MaterialRecord m = material(3, "paint");
  m.diffuse = {0.1f, 0.2f, 0.3f};
  m.ambient = {0.4f, 0.5f, 0.6f};
  m.specular = {0.7f, 0.8f, 0.9f};
  m.shininess = 0.5f;
  m.shininessStrength = 2.0f;
  w.addMaterials({m});
  vdg::ObjectHeader helper;
  helper.name = "mother";
  helper.id = 1;
  helper.position = {1, 2, 3};
  helper.rotation = {0, 0, 0.70710678f, 0.70710678f};
  helper.scale = {2, 3, 4};
  helper.spare = {5, 6, 7};
  helper.positionTrack = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}};
  helper.rotationTrack = {{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}};
  w.addHelper(helper);
  vdg::MeshRecord mesh = quad("Box01", 2, 1, 3);
  mesh.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
  mesh.uvSets[0] = {{0.25f, 0.5f}, {1, 0}, {0, 1}, {1, 1}};
  mesh.uvSets[1] = {{9, 9}, {9, 9}, {9, 9}, {9, 9}};
  mesh.uvSets[2] = {{0.5f, 0.75f}, {1, 0}, {0, 1}, {1, 1}};
  mesh.colors = {{1, 0, 0}};
  w.addMesh(mesh);
  vdg::LightRecord light;
  light.header.name = "Spot01";
  light.header.id = 4;
  light.type = 1;
  light.targetId = 2;
  light.color = {1.0f, 0.5f, 0.25f};
  light.multiplier = 2.0f;
  light.attenuationDistance = 40.0f;
  light.coneAngle = 30.0f;
  light.coneExponent = 5.0f;
  w.addLight(light);
  vdg::CameraRecord camera;
  camera.header.name = "Camera01";
  camera.header.id = 5;
  camera.header.position = {0, 10, 50};
  camera.fieldOfView = 1.5707964f;
  camera.nearPlane = 2.0f;
  camera.farPlane = 900.0f;
  camera.targetId = 1;
  w.addCamera(camera);
  w.addPlainObject(6, "plain");

  std::unique_ptr<Scene> scene = read("data/scenes/all.vdg", w.finish());
  ASSERT_TRUE(scene);
  EXPECT_TRUE(_reports.reports().empty()) << _reports.reports().front();
  EXPECT_EQ(scene->frameCount(), 5);
  EXPECT_EQ(scene->step(), 160);
  EXPECT_EQ(scene->objects().size(), 5u);

  SceneObject* mother = scene->findObject("mother");
  ASSERT_NE(mother, nullptr);
  EXPECT_EQ(scene->root(), mother);
  EXPECT_FLOAT_EQ(mother->position().z, 3.0f);
  EXPECT_FLOAT_EQ(mother->scale().y, 3.0f);
  EXPECT_FLOAT_EQ(mother->spare().z, 7.0f);
  EXPECT_NEAR(mother->rotationMatrix()[1], -1.0f, 1e-5f);  // conjugate convention: x turns to -y
  EXPECT_EQ(mother->sampleCount(), 5);
  EXPECT_EQ(mother->step(), 160);

  auto* box = dynamic_cast<MeshObject*>(scene->findObject("Box01"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(mother->firstChild(), box);
  ASSERT_EQ(box->layer0().size(), 4u);
  EXPECT_FLOAT_EQ(box->layer0()[0].u, 0.25f);
  EXPECT_FLOAT_EQ(box->layer0()[0].v, -0.5f);  // v negated
  ASSERT_EQ(box->layer1().size(), 4u);
  EXPECT_FLOAT_EQ(box->layer1()[0].u, 0.5f);  // set 2 replaces set 1
  EXPECT_FLOAT_EQ(box->layer1()[0].v, -0.75f);
  EXPECT_FLOAT_EQ(box->vertices()[0].color.r, 1.0f);
  EXPECT_FLOAT_EQ(box->vertices()[0].color.g, 0.0f);
  EXPECT_FLOAT_EQ(box->vertices()[1].color.g, 1.0f);  // no colour given: white
  ASSERT_NE(box->getMaterial(), nullptr);
  const Material& paint = *box->getMaterial();
  EXPECT_EQ(paint.name(), "paint");
  EXPECT_FLOAT_EQ(paint.diffuse().b, 0.3f);
  EXPECT_FLOAT_EQ(paint.ambient().r, 0.4f);
  EXPECT_FLOAT_EQ(paint.specular().g, 0.8f);
  EXPECT_FLOAT_EQ(paint.shininess(), 64.0f);
  EXPECT_FLOAT_EQ(paint.shininessStrength(), 2.0f);
  EXPECT_EQ(paint.shadeModel(), 0);
  EXPECT_EQ(box->indexArray().size(), 6u);
  EXPECT_EQ(box->positionArray().size(), 12u);

  LightObject* spot = scene->findLight("Spot01");
  ASSERT_NE(spot, nullptr);
  EXPECT_EQ(scene->firstLight(), spot);
  EXPECT_EQ(spot->target(), box);
  EXPECT_FLOAT_EQ(spot->diffuse().g, 1.0f);  // colour x multiplier
  EXPECT_FLOAT_EQ(spot->ambient().r, 0.6f);  // ... x 0.3
  EXPECT_FLOAT_EQ(spot->baseDiffuse().b, 0.5f);
  EXPECT_FLOAT_EQ(spot->linearAttenuation(), 0.05f);
  EXPECT_FLOAT_EQ(spot->spotCutoff(), 30.0f);
  EXPECT_FLOAT_EQ(spot->spotExponent(), 5.0f);

  CameraObject* cam = scene->findCamera("Camera01");
  ASSERT_NE(cam, nullptr);
  EXPECT_EQ(scene->activeCamera(), cam);
  EXPECT_NEAR(cam->fieldOfView(), 73.74f, 0.01f);
  EXPECT_FLOAT_EQ(cam->nearPlane(), 2.0f);
  EXPECT_FLOAT_EQ(cam->farPlane(), 900.0f);
  EXPECT_FLOAT_EQ(cam->position().y, 10.0f);
  EXPECT_EQ(cam->target(), mother);

  SceneObject* plain = scene->findObject("plain");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(mother->nextSibling(), plain);  // top level, after the helper
  EXPECT_FLOAT_EQ(plain->scale().x, 1.0f);
  EXPECT_EQ(plain->animationKind(), SceneObject::kAnimationNone);

  scene->setTime(100.0f + 160.0f * 1.5f - 100.0f);
  scene->animate();
  EXPECT_FLOAT_EQ(mother->position().x, 1.5f);
}

TEST_F(SceneLoaderTest, TextureSlotsFirstEntryWinsAscendingOrderAndBackslashPaths) {
  vdg::VdgWriter w(0, 0, 1);
  vdg::MaterialRecord m = material(1, "mixed");
  m.textures = {{"add.png", 10},        {"C:\\maps\\deep\\base.png", 1},
                {"second-base.png", 1}, {"u.png", 3},
                {"missing.png", 7},     {"D:\\refl.png", 9},
                {"ignored.png", 42},    {"", 8}};
  w.addMaterials({m});
  std::unique_ptr<Scene> scene = read("data/scenes/slots.vdg", w.finish());
  ASSERT_TRUE(scene);
  const std::vector<std::string> expected = {"data/textures/|base.png",    "data/textures/|u.png",
                                             "data/textures/|missing.png", "data/textures/|refl.png",
                                             "data/textures/|add.png",     "data/textures/|ignored.png"};
  EXPECT_EQ(_textures.requests(), expected);
  const Material* mixed = scene->findMaterial(1);
  ASSERT_NE(mixed, nullptr);
  EXPECT_EQ(mixed->baseMap(), _textures.get("add.png"));  // slot 10 comes last
  EXPECT_TRUE(mixed->isAdditive());
  EXPECT_TRUE(mixed->isTransparent());
  EXPECT_EQ(mixed->reflectionMap(), _textures.get("refl.png"));
  EXPECT_EQ(mixed->secondMap(), nullptr);
  EXPECT_EQ(mixed->bumpMap(), nullptr);
  EXPECT_EQ(mixed->shadeModel(), 4);  // base and reflection
  EXPECT_TRUE(_reports.contains("Unsupported texture type"));
  size_t notFound = 0;
  for (const std::string& r : _reports.reports()) notFound += r.find("Texture not found") != std::string::npos;
  EXPECT_EQ(notFound, 2u);  // missing.png and the empty name of slot 8
  EXPECT_TRUE(_reports.contains("missing.png"));
}

TEST_F(SceneLoaderTest, FirstMaterialOfAnIdIsKept) {
  vdg::VdgWriter w(0, 0, 1);
  w.addMaterials({material(1, "first"), material(1, "second")});
  w.addMaterials({material(1, "third")});
  std::unique_ptr<Scene> scene = read("data/scenes/dup.vdg", w.finish());
  ASSERT_TRUE(scene);
  ASSERT_NE(scene->findMaterial(1), nullptr);
  EXPECT_EQ(scene->findMaterial(1)->name(), "first");
}

TEST_F(SceneLoaderTest, EmptySecondCoordinateSetKeepsTheFirst) {
  vdg::VdgWriter w(0, 0, 1);
  w.addMaterials({material(1, "m")});
  vdg::MeshRecord mesh = quad("q", 1, -1, 1);
  mesh.uvSets[1] = {{0.5f, 0.5f}, {0, 0}, {0, 0}, {0, 0}};
  w.addMesh(mesh);
  std::unique_ptr<Scene> scene = read("data/scenes/uv.vdg", w.finish());
  ASSERT_TRUE(scene);
  auto* q = dynamic_cast<MeshObject*>(scene->findObject("q"));
  ASSERT_NE(q, nullptr);
  ASSERT_EQ(q->layer1().size(), 4u);
  EXPECT_FLOAT_EQ(q->layer1()[0].v, -0.5f);
  EXPECT_TRUE(q->layer0().empty());
}

struct LightCase {
  const char* name;
  int32_t type;
  float cone;
  float exponent;
  float expectedCutoff;
  float expectedExponent;
  bool targeted;
};

class LightFieldsTest : public SceneLoaderTest, public ::testing::WithParamInterface<LightCase> {};

TEST_P(LightFieldsTest, ConeAndTargetFollowTheType) {
  const LightCase& c = GetParam();
  vdg::VdgWriter w(0, 0, 1);
  vdg::ObjectHeader target;
  target.name = "target";
  target.id = 9;
  w.addHelper(target);
  vdg::LightRecord light;
  light.header.name = "L";
  light.header.id = 1;
  light.type = c.type;
  light.coneAngle = c.cone;
  light.coneExponent = c.exponent;
  light.targetId = 9;
  w.addLight(light);
  std::unique_ptr<Scene> scene = read("data/scenes/light.vdg", w.finish());
  ASSERT_TRUE(scene);
  LightObject* l = scene->findLight("L");
  ASSERT_NE(l, nullptr);
  EXPECT_FLOAT_EQ(l->spotCutoff(), c.expectedCutoff);
  EXPECT_FLOAT_EQ(l->spotExponent(), c.expectedExponent);
  EXPECT_EQ(l->target() != nullptr, c.targeted);
  EXPECT_EQ(l->targetId(), c.targeted ? 9 : -1);
  EXPECT_FLOAT_EQ(l->linearAttenuation(), 0.0f);
  EXPECT_TRUE(l->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Cases, LightFieldsTest,
                         ::testing::Values(LightCase{"Omni", 0, 30, 5, 180, 0, false},
                                           LightCase{"TargetedSpot", 1, 30, 5, 30, 5, true},
                                           LightCase{"WideSpotCutTo90", 1, 120, 5, 90, 5, true},
                                           LightCase{"FreeSpot180Kept", 2, 180, 300, 180, 128, false},
                                           LightCase{"NegativeConeIsZero", 2, -10, -1, 0, 0, false},
                                           LightCase{"Directional", 3, 30, 5, 180, 0, true},
                                           LightCase{"UnknownTypeIsOmni", 7, 30, 5, 180, 0, false}),
                         [](const ::testing::TestParamInfo<LightCase>& info) { return std::string(info.param.name); });

TEST_F(SceneLoaderTest, ProjectorTextureSwitchesTheLightOff) {
  vdg::VdgWriter w(0, 0, 1);
  vdg::LightRecord light;
  light.header.name = "P";
  light.projectorTexture = "C:\\x\\slide.png";
  w.addLight(light);
  std::unique_ptr<Scene> scene = read("data/scenes/projector.vdg", w.finish());
  ASSERT_TRUE(scene);
  ASSERT_NE(scene->findLight("P"), nullptr);
  EXPECT_EQ(scene->findLight("P")->projectorTexture(), _textures.get("slide.png"));
  EXPECT_FALSE(scene->findLight("P")->isEnabled());
}

TEST_F(SceneLoaderTest, MissingParentIsReportedAndLeavesTheObjectUnattached) {
  vdg::VdgWriter w(0, 0, 1);
  vdg::ObjectHeader top;
  top.name = "top";
  top.id = 1;
  w.addHelper(top);
  vdg::ObjectHeader orphan;
  orphan.name = "Orphan";
  orphan.id = 2;
  orphan.parentId = 77;
  w.addHelper(orphan);
  vdg::ObjectHeader self;  // its own id as parent: never its own child
  self.name = "Self";
  self.id = 3;
  self.parentId = 3;
  w.addHelper(self);
  std::unique_ptr<Scene> scene = read("data/scenes/orphan.vdg", w.finish());
  ASSERT_TRUE(scene);
  EXPECT_TRUE(_reports.contains("object Orphan could not find parent obj 77"));
  EXPECT_TRUE(_reports.contains("object Self could not find parent obj 3"));
  EXPECT_EQ(scene->objects().size(), 3u);
  EXPECT_EQ(scene->root()->nextSibling(), nullptr);
  EXPECT_EQ(scene->root()->firstChild(), nullptr);
  EXPECT_EQ(scene->findObject("Self")->firstChild(), nullptr);
  EXPECT_NE(scene->describe().find("unattached object \"Orphan\""), std::string::npos);
}

TEST_F(SceneLoaderTest, FinishMovesTransparentTopLevelObjectsToTheEndInOrder) {
  vdg::VdgWriter w(0, 0, 1);
  vdg::MaterialRecord additive = material(3, "glow");
  additive.textures = {{"glow.png", 10}};
  w.addMaterials({material(1, "solid"), material(2, "glass", 0.5f), additive});
  w.addMesh(quad("T1", 1, -1, 2));
  w.addMesh(quad("A", 2, -1, 1));
  w.addMesh(quad("T2", 3, -1, 3));
  w.addMesh(quad("B", 4, -1, 1));
  w.addMesh(quad("childGlass", 5, 4, 2));
  w.addMesh(quad("childSolid", 6, 4, 1));
  std::unique_ptr<Scene> scene = read("data/scenes/order.vdg", w.finish());
  ASSERT_TRUE(scene);
  std::vector<std::string> chain;
  for (SceneObject* o = scene->root(); o; o = o->nextSibling()) chain.push_back(o->name());
  EXPECT_EQ(chain, (std::vector<std::string>{"A", "B", "T1", "T2"}));
  EXPECT_EQ(scene->root()->previousSibling(), nullptr);
  EXPECT_EQ(scene->findObject("T2")->previousSibling(), scene->findObject("T1"));
  // Children are not reordered.
  EXPECT_EQ(scene->findObject("B")->firstChild()->name(), "childGlass");
}

TEST_F(SceneLoaderTest, HeaderAndEndTagOnlyGiveAnEmptyScene) {
  std::unique_ptr<Scene> scene = read("data/scenes/empty.vdg", vdg::VdgWriter(0, 320, 160).finish());
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->root(), nullptr);
  EXPECT_EQ(scene->frameCount(), 3);
  EXPECT_EQ(scene->cameraCount(), 0);
  EXPECT_EQ(scene->firstLight(), nullptr);
  EXPECT_EQ(scene->activeCamera(), nullptr);
}

TEST_F(SceneLoaderTest, CacheReturnsTheSameSceneAndReadsTheFileOnce) {
  const std::string name = "data/scenes/cached.vdg";
  vdg::VdgWriter w(0, 0, 1);
  w.addPlainObject(1, "only");
  const std::vector<uint8_t> bytes = w.finish();
  _dir.write(name, std::string(bytes.begin(), bytes.end()));
  Scene* first = SceneLoaderVDG::load(name, "data/textures/");
  ASSERT_NE(first, nullptr);
  std::remove((_dir.path() + "/" + name).c_str());  // a second read would fail now
  EXPECT_EQ(SceneLoaderVDG::load(name, "data/textures/"), first);
  EXPECT_EQ(SceneCache::getInstance().getUseCount(name), 2u);

  EXPECT_EQ(SceneLoaderVDG::load("data/scenes/absent.vdg", "data/textures/"), nullptr);
  EXPECT_EQ(SceneCache::getInstance().getUseCount("data/scenes/absent.vdg"), 0u);
  EXPECT_TRUE(_reports.reports().empty());
}

// A new window context makes the cached scenes' buffers and textures stale: the next load reads
// the file again, and the earlier scene stays usable by whoever holds it.
TEST_F(SceneLoaderTest, CacheReadsAgainAfterANewWindowContext) {
  const std::string name = "data/scenes/recached.vdg";
  vdg::VdgWriter w(0, 0, 1);
  w.addPlainObject(1, "only");
  const std::vector<uint8_t> bytes = w.finish();
  _dir.write(name, std::string(bytes.begin(), bytes.end()));
  Scene* first = SceneLoaderVDG::load(name, "data/textures/");
  ASSERT_NE(first, nullptr);
  GLGeneration::advance();
  EXPECT_EQ(SceneCache::getInstance().getUseCount(name), 1u);  // not asked yet
  Scene* second = SceneLoaderVDG::load(name, "data/textures/");
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(SceneCache::getInstance().getUseCount(name), 1u);
  EXPECT_EQ(SceneLoaderVDG::load(name, "data/textures/"), second);
  EXPECT_EQ(first->frameCount(), 1);  // still alive
  std::remove((_dir.path() + "/" + name).c_str());
  GLGeneration::advance();
  EXPECT_EQ(SceneLoaderVDG::load(name, "data/textures/"), nullptr);  // read again: the file is gone
  EXPECT_TRUE(_reports.reports().empty());
}

TEST_F(SceneLoaderTest, OtherVersionsAreRefusedSilently) {
  for (int32_t version : {0, 2, -1}) {
    EXPECT_FALSE(read("data/scenes/v.vdg", vdg::VdgWriter(0, 0, 1, version).finish())) << version;
  }
  EXPECT_FALSE(read("data/scenes/short.vdg", {'V', 'D', 'G', 1}));
  EXPECT_TRUE(_reports.reports().empty());
}

TEST(SceneQueryTest, CameraSelectionIgnoresUnknownNamesAndIndices) {
  Scene scene;
  scene.addCamera(std::unique_ptr<CameraObject>(new CameraObject(1, "Camera01")), -1);
  scene.addCamera(std::unique_ptr<CameraObject>(new CameraObject(2, "Camera02")), -1);
  EXPECT_EQ(scene.root(), nullptr);  // cameras never join the top-level chain
  scene.setActiveCamera("Camera02");
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  scene.setActiveCamera("camera01");  // case-sensitive: unchanged
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  scene.setActiveCamera(2);
  scene.setActiveCamera(-1);
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  EXPECT_EQ(scene.camera(2), nullptr);
  EXPECT_FLOAT_EQ(scene.camera(0)->position().z, 5.0f);
  EXPECT_FLOAT_EQ(scene.camera(0)->fieldOfView(), 45.0f);
}

}  // namespace
