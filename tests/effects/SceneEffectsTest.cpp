// The scene effects on the generated scenes (build/generated/data): scene loading and its
// reports, the per-frame use of the variables, the events, and the extra work of "Tentacle",
// "Head", "Test3d", "Mech" and "Flower". Checked through the scenes' state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "ChainSegment.h"
#include "Effect3D.h"
#include "EffectPixelFixture.h"
#include "EffectTable.h"
#include "Flower.h"
#include "Head.h"
#include "Material.h"
#include "Mech.h"
#include "MeshObject.h"
#include "Oscilloscope.h"
#include "ReportCapture.h"
#include "Scene.h"
#include "SegmentChain.h"
#include "TempDir.h"
#include "Tentacle.h"
#include "Test3d.h"
#include "VdgWriter.h"

namespace fs = std::filesystem;

namespace {

const char* kHead = "data/scenes/head.vdg";
const char* kFlower = "data/scenes/flower.vdg";
const char* kOscBox = "data/scenes/oscbox.vdg";

template <class V>
V& variable(Effect& effect, const char* name) {
  V* v = dynamic_cast<V*>(effect.findVariable(name));
  EXPECT_NE(v, nullptr) << name;
  return *v;
}

EffectEvent event(int32_t type, float value = 0.0f, const char* text = "", float v1 = 0.0f, float v2 = 0.0f) {
  EffectEvent e;
  e.type = type;
  e.value = value;
  e.text = text;
  e.values[0] = value;
  e.values[1] = v1;
  e.values[2] = v2;
  return e;
}

// The effects read their scenes relative to the working directory, as the program does.
class SceneEffectsTest : public EffectPixelFixture {
 protected:
  static void SetUpTestSuite() {
    EffectPixelFixture::SetUpTestSuite();
    gPrevious = fs::current_path().string();
    fs::current_path(RK17_BINARY_DIR "/generated");
  }
  static void TearDownTestSuite() {
    fs::current_path(gPrevious);
    EffectPixelFixture::TearDownTestSuite();
  }
  // Datafile names as the script adds them while it is read.
  static void addScenes(Effect3D& effect, std::initializer_list<const char*> files) {
    for (const char* f : files) effect.addString(EffectVariable::kStringList0, f);
  }
  static void frame(Effect& effect, uint32_t time) {
    effect.update(time);
    effect.render(time);
  }
  inline static std::string gPrevious;
};

TEST_F(SceneEffectsTest, LoadingFillsTheCameraListAndFieldOfView) {
  ReportCapture reports;
  Effect3D effect("Scene1");
  addScenes(effect, {kHead});
  ASSERT_NE(effect.scene(), nullptr);
  EXPECT_EQ(effect.sceneFile(), kHead);
  EXPECT_EQ(effect.getString(EffectVariable::kStringList1000, 0), "Camera01");
  EXPECT_EQ(effect.getString(EffectVariable::kStringList1000, 1), "Camera02");
  EXPECT_EQ(variable<IntVariable>(effect, "Camera").getCount(), 2u);
  EXPECT_EQ(variable<IntVariable>(effect, "Datafile").getCount(), 1u);
  EXPECT_NEAR(variable<FloatVariable>(effect, "FOV").valueAt(0), effect.scene()->activeCamera()->fieldOfView() / 180.0f,
              1e-6);
  // Selecting the loaded file again changes nothing.
  Scene* scene = effect.scene();
  EXPECT_FALSE(effect.loadScene(kHead));
  effect.prepare(0);
  EXPECT_EQ(effect.scene(), scene);
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(SceneEffectsTest, DatafileSelectsAmongTheAddedScenes) {
  Effect3D effect("Scene2");
  addScenes(effect, {kHead, kOscBox});
  EXPECT_EQ(effect.sceneFile(), kOscBox);  // each added name loads; the last stays
  effect.prepare(0);                       // the first check loads "Datafile" 0
  EXPECT_EQ(effect.sceneFile(), kHead);
  variable<IntVariable>(effect, "Datafile").setCurrentValue(1);
  effect.update(10);
  EXPECT_EQ(effect.sceneFile(), kOscBox);
  ASSERT_NE(effect.scene(), nullptr);
  EXPECT_NE(effect.scene()->findObject("Box01"), nullptr);
}

TEST_F(SceneEffectsTest, MissingAndBrokenScenesAreReportedAndTheEffectGoesOn) {
  TempDir dir;
  const std::string broken = dir.write("broken.vdg", std::string("\x01\x00\x00\x00\x00", 5));  // cut in the header
  const std::string missing = dir.path() + "/missing.vdg";
  for (const std::string& file : {missing, broken}) {
    ReportCapture reports;
    Effect3D effect("Scene3");
    addScenes(effect, {file.c_str()});
    EXPECT_EQ(effect.scene(), nullptr) << file;
    ASSERT_TRUE(reports.contains("could not load scene")) << file;
    EXPECT_TRUE(reports.contains(file)) << file;
    effect.start(0);
    frame(effect, 100);  // draws nothing, does not crash
    effect.handleEvent(event(6, 0, "head"));
    EXPECT_EQ(effect.pickedObject(), nullptr);
    // A good scene added later still plays.
    addScenes(effect, {kHead});
    EXPECT_NE(effect.scene(), nullptr);
  }
}

TEST(SceneEffectsDeathTest, SceneWithoutCameraIsFatalAndNamed) {
  TempDir dir;
  vdg::VdgWriter w(0, 320, 160);
  vdg::ObjectHeader helper;
  helper.name = "lonely";
  helper.id = 1;
  w.addHelper(helper);
  const std::string file = dir.path() + "/nocamera.vdg";
  ASSERT_TRUE(w.writeFile(file));
  Effect3D effect("Scene4");
  EXPECT_EXIT(effect.loadScene(file), ::testing::ExitedWithCode(1), "no camera in scene.*nocamera.vdg");
}

TEST_F(SceneEffectsTest, FogFollowsTheVariables) {
  struct Case {
    uint32_t mode;
    GLenum expected;
    float start, end, density;
  };
  // Mode 7 is not a fog mode: the mode stays as the case before left it (GL_EXP2).
  const Case cases[] = {{2, GL_LINEAR, 100.0f, 1000.0f, -1.0f},
                        {0, GL_EXP, -1.0f, -1.0f, 0.005f},
                        {1, GL_EXP2, -1.0f, -1.0f, 0.005f},
                        {7, GL_EXP2, -1.0f, -1.0f, 0.005f}};
  Effect3D effect("Scene5");
  addScenes(effect, {kHead});
  variable<BoolVariable>(effect, "Fog").setCurrentValue(true);
  variable<FloatVariable>(effect, "FogG").setCurrentValue(0.5f);
  for (const Case& c : cases) {
    variable<IntVariable>(effect, "FogMode").setCurrentValue(c.mode);
    effect.update(0);
    const Scene& s = *effect.scene();
    EXPECT_TRUE(s.fogEnabled());
    EXPECT_EQ(s.fogMode(), c.expected) << c.mode;
    if (c.start >= 0) {
      EXPECT_NEAR(s.fogStart(), c.start, 1e-3) << c.mode;
    }
    if (c.end >= 0) {
      EXPECT_NEAR(s.fogEnd(), c.end, 1e-2) << c.mode;
    }
    if (c.density >= 0) {
      EXPECT_NEAR(s.fogDensity(), c.density, 1e-7) << c.mode;
    }
    EXPECT_FLOAT_EQ(s.fogColor().g, 0.5f);
    EXPECT_FLOAT_EQ(s.fogColor().a, 1.0f);
  }
  variable<BoolVariable>(effect, "Fog").setCurrentValue(false);
  effect.update(0);
  EXPECT_FALSE(effect.scene()->fogEnabled());
}

TEST_F(SceneEffectsTest, CameraVariableUntilACameraIsChosenByName) {
  Effect3D effect("Scene6");
  addScenes(effect, {kHead});
  Scene& scene = *effect.scene();
  IntVariable& camera = variable<IntVariable>(effect, "Camera");
  FloatVariable& fov = variable<FloatVariable>(effect, "FOV");
  camera.setCurrentValue(1);
  fov.setCurrentValue(0.5f);
  effect.update(0);
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  EXPECT_FLOAT_EQ(scene.camera(1)->fieldOfView(), 90.0f);
  camera.setCurrentValue(99);  // out of range: ignored
  effect.update(10);
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  // Event 25 lasts only until the next update while the variables rule.
  effect.handleEvent(event(25, 30.0f));
  EXPECT_FLOAT_EQ(scene.camera(1)->fieldOfView(), 30.0f);
  effect.update(20);
  EXPECT_FLOAT_EQ(scene.camera(1)->fieldOfView(), 90.0f);

  effect.handleEvent(event(18, 0, "NoSuchCamera"));  // unknown: camera unchanged, variables off
  EXPECT_TRUE(effect.cameraChosenByName());
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  effect.handleEvent(event(18, 0, "Camera01"));
  EXPECT_EQ(scene.activeCameraIndex(), 0);
  camera.setCurrentValue(1);
  fov.setCurrentValue(0.1f);
  effect.update(30);
  EXPECT_EQ(scene.activeCameraIndex(), 0);
  effect.handleEvent(event(25, 33.0f));
  effect.update(40);
  EXPECT_FLOAT_EQ(scene.camera(0)->fieldOfView(), 33.0f);
}

TEST_F(SceneEffectsTest, PickedObjectEvents) {
  Effect3D effect("Scene7");
  addScenes(effect, {kHead});
  Scene& scene = *effect.scene();
  SceneObject* head = scene.findObject("head");
  ASSERT_NE(head, nullptr);
  ASSERT_NE(head->firstChild(), nullptr);
  effect.start(0);
  effect.handleEvent(event(6, 0, "head"));
  EXPECT_EQ(effect.pickedObject(), head);

  effect.handleEvent(event(20, 0.0f));  // hides the head alone
  EXPECT_FALSE(head->isVisible());
  for (const auto& object : scene.objects())
    if (object.get() != head) {
      EXPECT_TRUE(object->isVisible()) << object->name();
    }
  effect.handleEvent(event(20, 1.0f));
  EXPECT_TRUE(head->isVisible());

  effect.handleEvent(event(16, 1.0f));
  for (SceneObject* o = head->firstChild(); o; o = o->nextSibling()) EXPECT_TRUE(o->childrenInherit()) << o->name();
  EXPECT_TRUE(head->childrenInherit());
  effect.handleEvent(event(16, 0.0f));
  EXPECT_FALSE(head->firstChild()->childrenInherit());

  // Spin and pulse: rotation = spin x phase, offset = pulse x 10 - 5 on every axis.
  effect.handleEvent(event(11, 1.0f, "", 2.0f, 0.0f));
  EffectEvent pulse = event(5, 1.0f);
  variable<FloatVariable>(effect, "SpectrumStr").setCurrentValue(0.8f);
  effect.handleEvent(pulse);
  effect.update(100);  // phase 10
  EXPECT_NEAR(head->eulerAngles().x, 10.0f, 1e-4);
  EXPECT_NEAR(head->eulerAngles().y, 20.0f, 1e-4);
  EXPECT_NEAR(head->offset().x, 3.0f, 1e-5);
  EXPECT_NEAR(head->offset().z, 3.0f, 1e-5);
  effect.start(200);  // start resets the spin
  EXPECT_FLOAT_EQ(effect.spin().x, 0.0f);

  effect.handleEvent(event(6, 0, "nothing here"));  // an absent name clears the pick
  EXPECT_EQ(effect.pickedObject(), nullptr);
  effect.handleEvent(event(20, 0.0f));
  effect.handleEvent(event(16, 1.0f));
  effect.update(300);
  head->setOffset(Vector3{});
  head->setRotation(0, 0, 0);
}

TEST_F(SceneEffectsTest, ShadowsLightsAndMaterialSwitches) {
  Effect3D effect("Scene1");
  addScenes(effect, {kHead});
  Scene& scene = *effect.scene();
  variable<BoolVariable>(effect, "Shadows").setCurrentValue(true);
  variable<BoolVariable>(effect, "MoreLight").setCurrentValue(true);
  effect.update(0);
  EXPECT_TRUE(scene.shadowsEnabled());
  for (const auto& m : scene.materials()) EXPECT_TRUE(m.second->extraLightPass());
  if (LightObject* spot = scene.findLight("Spot01")) {
    EXPECT_TRUE(spot->castsShadow());
  }
  effect.handleEvent(event(21, 0.0f));
  EXPECT_FALSE(scene.shadowsEnabled());
  effect.update(10);  // unchanged variable: not applied again
  EXPECT_FALSE(scene.shadowsEnabled());
  variable<BoolVariable>(effect, "MoreLight").setCurrentValue(false);
  effect.update(20);
  for (const auto& m : scene.materials()) EXPECT_FALSE(m.second->extraLightPass());
  ASSERT_NE(scene.firstLight(), nullptr);
  effect.handleEvent(event(1, 1.0f));
  EXPECT_TRUE(scene.firstLight()->flickers());
  effect.handleEvent(event(1, 0.0f));
  EXPECT_FALSE(scene.firstLight()->flickers());
}

TEST(SegmentChainTest, SeededBendAndBuild) {
  SegmentChain a;
  SegmentChain b;
  EXPECT_FLOAT_EQ(a.level().bend, b.level().bend);  // the seed fixes it
  EXPECT_GE(a.level().bend, -110.0f);
  EXPECT_LE(a.level().bend, -10.0f);
  EXPECT_EQ(a.build(), nullptr);  // no template yet

  MeshObject templ(7, "Cylinder73");
  templ.setPosition(Vector3{5, 5, 5});
  a.level().segmentCount = 4;
  a.setTemplate(&templ, 22.0f);
  ChainSegment* root = a.build();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(a.build(), root);
  ASSERT_EQ(a.segments().size(), 4u);
  const ChainSegment* s = root;
  for (int k = 0; k < 4; ++k) {
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->index(), k);
    EXPECT_TRUE(s->childrenInherit());
    if (k > 0) {
      EXPECT_FLOAT_EQ(s->position().y, 22.0f);
      EXPECT_FLOAT_EQ(s->eulerAngles().z, -a.level().bend / 4.0f);
    }
    s = static_cast<const ChainSegment*>(s->firstChild());
  }
  EXPECT_EQ(s, nullptr);
}

TEST(SegmentChainTest, SegmentPoseFromBendAndCurl) {
  struct Case {
    float bend, curl;
    int index;
    float angle;
  };
  // n = 8: without curl a = bend / n; with curl bend * 2 / n before the middle, curl * 2 / n after.
  const Case cases[] = {{80, 0, 1, 10}, {80, 0, 7, 10}, {80, 40, 3, 20}, {80, 40, 4, 10}, {80, 40, 7, 10}};
  MeshObject templ(1, "t");
  for (const Case& c : cases) {
    SegmentChain chain;
    chain.level().segmentCount = 8;
    chain.setTemplate(&templ, 1.0f);
    chain.build();
    chain.level().bend = c.bend;
    chain.level().curl = c.curl;
    ChainSegment& s = *chain.segments()[size_t(c.index)];
    s.applyPose();
    EXPECT_FLOAT_EQ(s.eulerAngles().y, c.angle) << c.index << " curl " << c.curl;
    EXPECT_FLOAT_EQ(s.eulerAngles().z, -c.angle);
    EXPECT_FLOAT_EQ(s.scale().x, 1.0f - c.index / 8.0f * 0.1f);
    EXPECT_FLOAT_EQ(s.scale().y, 1.0f);
  }
  // The root keeps the rotation it was given.
  SegmentChain chain;
  chain.setTemplate(&templ, 1.0f);
  chain.build()->setRotation(0, 90, 90);
  chain.root()->applyPose();
  EXPECT_FLOAT_EQ(chain.root()->eulerAngles().y, 90.0f);
}

// Every segment's pose after a frame at time.
std::vector<float> tentaclePose(Tentacle& effect, uint32_t time) {
  effect.update(time);
  effect.render(time);
  std::vector<float> pose;
  for (int i = 0; i < Tentacle::kChains; ++i)
    for (const auto& s : effect.chain(i).segments()) {
      s->applyPose();
      pose.push_back(s->eulerAngles().y);
      pose.push_back(s->eulerAngles().z);
    }
  return pose;
}

TEST_F(SceneEffectsTest, TentacleHangsTenChainsAndBendsWithItsSpeed) {
  ReportCapture reports;
  Tentacle effect;
  ASSERT_NE(effect.scene(), nullptr);
  EXPECT_TRUE(reports.reports().empty());
  Scene& scene = *effect.scene();
  // Two chain roots under each helper; the first helper's roots 50 units back.
  for (const char* helper : {"Dummy01", "Dummy02", "Dummy03", "Dummy04", "Dummy05"}) {
    SceneObject* h = scene.findObject(helper);
    ASSERT_NE(h, nullptr);
    int roots = 0;
    for (SceneObject* o = h->firstChild(); o; o = o->nextSibling())
      if (dynamic_cast<ChainSegment*>(o)) ++roots;
    EXPECT_EQ(roots, 2) << helper;
    EXPECT_TRUE(h->childrenInherit());
  }
  EXPECT_FLOAT_EQ(effect.chain(0).root()->position().z, -50.0f);
  EXPECT_FLOAT_EQ(effect.chain(1).root()->eulerAngles().x, -90.0f);
  EXPECT_EQ(effect.chain(9).segments().size(), size_t(Tentacle::kSegments));
  EXPECT_EQ(scene.activeCamera()->name(), "Camera06");

  effect.start(0);
  variable<FloatVariable>(effect, "TentacleSpeed").setCurrentValue(0.0f);
  const std::vector<float> still = tentaclePose(effect, 1000);
  EXPECT_EQ(tentaclePose(effect, 5000), still);
  variable<FloatVariable>(effect, "TentacleSpeed").setCurrentValue(0.5f);
  const std::vector<float> moving = tentaclePose(effect, 1000);
  EXPECT_NE(moving, still);
  EXPECT_NE(tentaclePose(effect, 1500), moving);
  // Chain 3 bends by H = 360 sin(0.02 c), c = speed x phase x 8 (phase 150 at 1500 ms).
  EXPECT_NEAR(effect.chain(2).level().bend, 360.0f * std::sin(0.02f * 0.5f * 150.0f * 8.0f), 1e-2);
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(SceneEffectsTest, HeadTurnsAndKeepsItsAngle) {
  Head effect;
  addScenes(effect, {kHead});
  SceneObject* head = effect.scene()->findObject("head");
  ASSERT_NE(head, nullptr);
  effect.start(0);
  // "Speed" 0.2: the angle drops by 0.04 degrees a frame without pulse, 0.04 x 2 with pulse 1.
  for (uint32_t i = 1; i <= 50; ++i) frame(effect, i * 20);
  EXPECT_NEAR(head->eulerAngles().y, -2.0f, 1e-4);
  EXPECT_TRUE(head->childrenInherit());
  effect.start(5000);  // a restart keeps the angle
  variable<FloatVariable>(effect, "SpectrumStr").setCurrentValue(1.0f);
  effect.handleEvent(event(5, 1.0f));
  for (uint32_t i = 1; i <= 10; ++i) frame(effect, 5000 + i * 20);
  EXPECT_NEAR(effect.angle(), -2.8f, 1e-4);
  EXPECT_NEAR(head->eulerAngles().y, -2.8f, 1e-4);
  head->setRotation(0, 0, 0);
}

TEST_F(SceneEffectsTest, Test3dGivesTheBoxTheOscilloscopePicture) {
  Test3d effect;
  addScenes(effect, {kOscBox});
  ASSERT_NE(effect.scene(), nullptr);
  effect.start(0);
  frame(effect, 40);
  Material* material = effect.scene()->findObject("Box01")->getMaterial();
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->renderTarget(), &effect.scope().getTarget());
  EXPECT_EQ(material->shadeModel(), Material::kRenderTargetModel);
}

TEST_F(SceneEffectsTest, MechHangsItsChainAndPlacesItsCamera) {
  ReportCapture reports;
  Mech effect("Mech");
  EXPECT_EQ(effect.getName(), "Mech");
  ASSERT_NE(effect.scene(), nullptr);
  SceneObject* capsule = effect.scene()->findObject("Capsule01");
  ASSERT_NE(capsule, nullptr);
  bool found = false;
  for (SceneObject* o = capsule->firstChild(); o; o = o->nextSibling()) found |= o == effect.chain().root();
  EXPECT_TRUE(found);
  EXPECT_FLOAT_EQ(effect.chain().root()->position().x, -10.0f);
  EXPECT_EQ(effect.chain().segments().size(), size_t(Mech::kSegments));
  CameraObject* camera = effect.scene()->findCamera("Camera01");
  EXPECT_FLOAT_EQ(camera->position().z, 600.0f);
  ASSERT_NE(camera->target(), nullptr);
  EXPECT_FLOAT_EQ(camera->target()->position().y, 10.0f);
  effect.start(0);
  frame(effect, 1000);  // phase 100
  EXPECT_NEAR(effect.chain().level().curl, 360.0f * std::sin(2.0f), 1e-2);
  EXPECT_NEAR(effect.chain().level().bend, 200.0f * std::sin(1.25f + 3.14159f) + 100.0f * std::sin(2.5f), 1e-2);
  EXPECT_TRUE(reports.reports().empty());
}

// Largest difference between two position lists of the same length (infinity otherwise).
float maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return INFINITY;
  float d = 0.0f;
  for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
  return d;
}

// Positions of morph frame k of a petal's morph data file.
std::vector<float> morphFrame(const std::string& petal, int32_t k, int32_t* frames, size_t vertices) {
  std::ifstream in("data/scenes/morphdata_" + petal + ".vmd", std::ios::binary);
  int32_t m = 0;
  in.read(reinterpret_cast<char*>(&m), 4);
  *frames = m;
  if (k < 0) k = m - 1;
  std::vector<float> positions(vertices * 3);
  in.seekg(std::streamoff(4 + size_t(k) * vertices * 6 * 4));
  in.read(reinterpret_cast<char*>(positions.data()), std::streamsize(positions.size() * 4));
  return positions;
}

TEST_F(SceneEffectsTest, FlowerOpensAsItsMorphDataSays) {
  ReportCapture reports;
  Flower effect;
  effect.handleEvent(event(15, 3.0f, "", 2.0f, 1.0f));  // before the scene: ignored
  addScenes(effect, {kFlower});
  Scene& scene = *effect.scene();
  EXPECT_EQ(scene.morphStartFrame(), 0);
  for (const char* name : Flower::kPetalNames) {
    const MeshObject* petal = dynamic_cast<const MeshObject*>(scene.findObject(name));
    ASSERT_NE(petal, nullptr) << name;
    EXPECT_GT(petal->morphFrameCount(), 1) << name;
  }
  effect.handleEvent(event(15, 40.7f, "", 0.5f, 0.0f));
  EXPECT_EQ(scene.morphStartFrame(), 40);
  EXPECT_FLOAT_EQ(scene.morphRate(), 0.5f);
  EXPECT_FALSE(scene.morphLoop());

  // From the start on, fast enough to reach the last morph frame within one scene frame.
  effect.handleEvent(event(15, 0.0f, "", 1000.0f, 0.0f));
  const MeshObject& petal = dynamic_cast<const MeshObject&>(*scene.findObject("blomsterblad01"));
  const size_t v = size_t(petal.sourceVertexCount());
  int32_t frames = 0;
  const std::vector<float> closed = morphFrame("blomsterblad01", 0, &frames, v);
  const std::vector<float> open = morphFrame("blomsterblad01", -1, &frames, v);
  ASSERT_EQ(frames, petal.morphFrameCount());
  ASSERT_NE(closed, open);
  effect.start(0);
  frame(effect, 0);
  EXPECT_LT(maxDifference(petal.positionArray(), closed), 1e-5f);
  frame(effect, 100000);
  EXPECT_LT(maxDifference(petal.positionArray(), open), 1e-5f);
  frame(effect, 0);
  EXPECT_LT(maxDifference(petal.positionArray(), closed), 1e-5f);

  // A start far past the end holds the first frame; a start that is not a number becomes 0.
  effect.handleEvent(event(15, 1.0e30f, "", 1.0f, 1.0f));
  EXPECT_EQ(scene.morphStartFrame(), 1000000000);
  frame(effect, 5000);
  EXPECT_LT(maxDifference(petal.positionArray(), closed), 1e-5f);
  effect.handleEvent(event(15, std::nanf(""), "", 1.0f, 0.0f));
  EXPECT_EQ(scene.morphStartFrame(), 0);
  effect.handleEvent(event(15, 0.0f, "", 1.0f, 0.0f));
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(SceneEffectsTest, RegistryRowsMakeTheSceneEffects) {
  const char* names[] = {"Scene1", "Scene2", "Scene3", "Scene4",   "Scene5", "Scene6",
                         "Scene7", "Flower", "Head",   "Tentacle", "Test3d", "Mech"};
  for (const EffectRegistryRow& row : EffectTable::rows())
    for (const char* name : names)
      if (std::strcmp(row.name, name) == 0) {
        ASSERT_TRUE(row.create) << name;
        std::unique_ptr<Effect> effect = row.create(name);
        EXPECT_EQ(effect->getName(), name);
        if (std::strncmp(name, "Scene", 5) == 0) {
          EXPECT_NE(dynamic_cast<Effect3D*>(effect.get()), nullptr);
        }
      }
}

}  // namespace
