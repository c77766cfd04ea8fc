// The scene effects on the generated scenes (build/generated/data), checked through the scenes'
// state and, for the oscilloscope box, the drawn picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <vector>

#include "ChainSegment.h"
#include "EffectPixelFixture.h"
#include "EffectTable.h"
#include "Flower.h"
#include "Head.h"
#include "Material.h"
#include "Mech.h"
#include "Oscilloscope.h"
#include "ReportCapture.h"
#include "Scene.h"
#include "SceneCache.h"
#include "SceneLoaderVDG.h"
#include "TempDir.h"
#include "Tentacle.h"
#include "Test3d.h"
#include "VdgWriter.h"

namespace {

const char* kHead = "data/scenes/head.vdg";

template <class V>
V& var(Effect& effect, const char* name) {
  return *dynamic_cast<V*>(effect.findVariable(name));
}

EffectEvent event(int32_t type, float value = 0.0f, const char* text = "", float v1 = 0.0f, float v2 = 0.0f) {
  EffectEvent e;
  e.type = type;
  e.value = e.values[0] = value;
  e.text = text;
  e.values[1] = v1;
  e.values[2] = v2;
  return e;
}

void frame(Effect& effect, uint32_t time) {
  effect.update(time);
  effect.render(time);
}

// The effects read their scenes relative to the working directory, as the program does.
class SceneEffectsTest : public EffectPixelFixture {
 protected:
  static void SetUpTestSuite() {
    EffectPixelFixture::SetUpTestSuite();
    gPrevious = std::filesystem::current_path().string();
    std::filesystem::current_path(RK17_BINARY_DIR "/generated");
  }
  static void TearDownTestSuite() { std::filesystem::current_path(gPrevious); }
  inline static std::string gPrevious;
};

TEST_F(SceneEffectsTest, DatafileLoadsAndSelectsScenes) {
  ReportCapture reports;
  Effect3D effect("Scene1");
  effect.addString(0, kHead);
  effect.addString(0, "data/scenes/oscbox.vdg");
  EXPECT_EQ(effect.sceneFile(), "data/scenes/oscbox.vdg");  // each added name loads
  effect.prepare(0);                                        // the first check loads "Datafile" 0
  EXPECT_EQ(effect.sceneFile(), kHead);
  EXPECT_EQ(effect.getString(1000, 1), "Camera02");
  EXPECT_EQ(var<IntVariable>(effect, "Camera").getCount(), 2u);
  EXPECT_FLOAT_EQ(var<FloatVariable>(effect, "FOV").valueAt(0) * 180.0f, effect.scene()->camera(0)->fieldOfView());
  Scene* scene = effect.scene();
  EXPECT_FALSE(effect.loadScene(kHead));  // already loaded: nothing happens
  EXPECT_EQ(effect.scene(), scene);
  var<IntVariable>(effect, "Datafile").setCurrentValue(1);
  effect.update(10);
  EXPECT_EQ(effect.sceneFile(), "data/scenes/oscbox.vdg");
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(SceneEffectsTest, MissingAndBrokenScenesAreReportedAndTheEffectGoesOn) {
  TempDir dir;
  const std::string broken = dir.write("broken.vdg", std::string("\x01\x00\x00\x00\x00", 5));  // cut in the header
  for (const std::string& file : {dir.path() + "/missing.vdg", broken}) {
    ReportCapture reports;
    Effect3D effect("Scene3");
    effect.addString(0, file);
    EXPECT_EQ(effect.scene(), nullptr);
    EXPECT_TRUE(reports.contains("could not load scene: " + file)) << file;
    effect.start(0);
    frame(effect, 100);
    effect.handleEvent(event(6, 0, "head"));
    effect.addString(0, kHead);  // a good scene added later still plays
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
  // Mode 7 is no fog mode: the mode stays as the case before left it.
  const struct {
    uint32_t mode;
    GLenum expected;
  } cases[] = {{2, GL_LINEAR}, {0, GL_EXP}, {1, GL_EXP2}, {7, GL_EXP2}};
  Effect3D effect("Scene5");
  effect.addString(0, kHead);
  var<BoolVariable>(effect, "Fog").setCurrentValue(true);
  var<FloatVariable>(effect, "FogG").setCurrentValue(0.5f);
  const Scene& s = *effect.scene();
  for (const auto& c : cases) {
    var<IntVariable>(effect, "FogMode").setCurrentValue(c.mode);
    effect.update(0);
    EXPECT_TRUE(s.fogEnabled());
    EXPECT_EQ(s.fogMode(), c.expected) << c.mode;
    EXPECT_FLOAT_EQ(s.fogColor().g, 0.5f);
    if (c.mode == 2) {  // the defaults span 100 to 1000
      EXPECT_NEAR(s.fogStart(), 100.0f, 1e-3);
      EXPECT_NEAR(s.fogEnd(), 1000.0f, 1e-2);
    } else {
      EXPECT_FLOAT_EQ(s.fogDensity(), 0.005f);
    }
  }
}

TEST_F(SceneEffectsTest, CameraVariableRulesUntilACameraIsChosenByName) {
  Effect3D effect("Scene6");
  effect.addString(0, kHead);
  Scene& scene = *effect.scene();
  IntVariable& camera = var<IntVariable>(effect, "Camera");
  var<FloatVariable>(effect, "FOV").setCurrentValue(0.5f);
  camera.setCurrentValue(1);
  effect.update(0);
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  EXPECT_FLOAT_EQ(scene.camera(1)->fieldOfView(), 90.0f);
  camera.setCurrentValue(99);  // out of range: ignored
  effect.handleEvent(event(25, 30.0f));
  EXPECT_FLOAT_EQ(scene.camera(1)->fieldOfView(), 30.0f);
  effect.update(10);  // "FOV" overwrites event 25 while the variables rule
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  EXPECT_FLOAT_EQ(scene.camera(1)->fieldOfView(), 90.0f);

  effect.handleEvent(event(18, 0, "NoSuchCamera"));  // unknown: unchanged, variables off all the same
  EXPECT_EQ(scene.activeCameraIndex(), 1);
  effect.handleEvent(event(18, 0, "Camera01"));
  effect.handleEvent(event(25, 33.0f));
  camera.setCurrentValue(1);
  effect.update(20);
  EXPECT_EQ(scene.activeCameraIndex(), 0);
  EXPECT_FLOAT_EQ(scene.camera(0)->fieldOfView(), 33.0f);
}

TEST_F(SceneEffectsTest, PickedObjectEvents) {
  Effect3D effect("Scene7");
  effect.addString(0, kHead);
  const Scene& scene = *effect.scene();
  SceneObject* head = scene.findObject("head");
  effect.start(0);
  effect.handleEvent(event(6, 0, "head"));
  effect.handleEvent(event(20, 0.0f));  // hides the head alone, not its children
  for (const auto& object : scene.objects()) EXPECT_EQ(object->isVisible(), object.get() != head) << object->name();
  effect.handleEvent(event(20, 1.0f));
  effect.handleEvent(event(16, 1.0f));
  EXPECT_TRUE(head->firstChild()->nextSibling()->childrenInherit());
  // Spin (1, 2, 0) and pulse 0.8: rotation = spin x phase, offset = pulse x 10 - 5.
  effect.handleEvent(event(11, 1.0f, "", 2.0f, 0.0f));
  var<FloatVariable>(effect, "SpectrumStr").setCurrentValue(0.8f);
  effect.handleEvent(event(5, 1.0f));
  effect.update(100);  // phase 10
  EXPECT_NEAR(head->eulerAngles().y, 20.0f, 1e-4);
  EXPECT_NEAR(head->offset().z, 3.0f, 1e-5);
  effect.handleEvent(event(6, 0, "nothing here"));  // an absent name clears the pick
  EXPECT_EQ(effect.pickedObject(), nullptr);
  effect.handleEvent(event(20, 0.0f));
  EXPECT_TRUE(head->isVisible());
  head->setOffset(Vector3{});
  head->setRotation(0, 0, 0);
}

// Everything effects and events may change on a scene, its objects and its materials, as text.
std::string stateOf(const Scene& s) {
  std::ostringstream out;
  out << std::setprecision(9);
  const auto color = [&out](const Color4& c) { out << c.r << ',' << c.g << ',' << c.b << ',' << c.a << ' '; };
  const auto vec = [&out](const Vector3& v) { out << v.x << ',' << v.y << ',' << v.z << ' '; };
  out << s.activeCameraIndex() << s.loops() << s.fogEnabled() << s.fogMode() << ' ' << s.fogDensity() << ' '
      << s.fogStart() << ' ' << s.fogEnd() << s.shadowsEnabled() << s.morphStartFrame() << s.morphRate()
      << s.morphLoop() << ' ';
  color(s.fogColor());
  for (const auto& o : s.objects()) {
    out << '\n' << o->name() << o->isVisible() << o->childrenInherit() << o->isMirrored() << ' ';
    for (const Vector3& v : {o->position(), o->offset(), o->eulerAngles(), o->scale(), o->extraScale()}) vec(v);
    for (float m : o->rotationMatrix().m) out << m << ',';
    if (const auto* mesh = dynamic_cast<const MeshObject*>(o.get()))
      out << mesh->receivesShadows() << mesh->spareFlag() << (mesh->getMaterial() ? mesh->getMaterial()->name() : "");
    if (const auto* camera = dynamic_cast<const CameraObject*>(o.get()))
      out << camera->fieldOfView() << ' ' << camera->aspect() << ' ' << camera->nearPlane() << ' '
          << camera->farPlane();
    if (const auto* light = dynamic_cast<const LightObject*>(o.get())) {
      for (const Color4& c : {light->ambient(), light->diffuse(), light->specular(), light->baseDiffuse()}) color(c);
      out << light->flickers() << light->castsShadow() << light->isEnabled();
    }
  }
  for (const auto& entry : s.materials()) {
    const Material& m = *entry.second;
    out << '\n'
        << m.name() << m.forceLightingOn() << m.forceLightingOff() << m.extraLightPass() << m.environmentVertexProgram()
        << m.shadeModel() << ' ' << m.opacity() << m.alphaTest() << m.isTransparent();
  }
  return out.str();
}

// A restart (SceneCache::restoreLoadedScenes) gives the shared scene back as its file gave it,
// whatever an effect's events and variables did to it: the same state and the same picture as a
// scene read afresh.
class SceneRestoreTest : public SceneEffectsTest {
 protected:
  // The picture and the state of scene at scene time t, drawn as an effect draws it after its start.
  std::pair<std::vector<uint32_t>, std::string> look(Scene& scene, float t) {
    clearWindow(0.0f, 0.0f, 0.0f);
    scene.reapplyLights();
    scene.setTime(t);
    scene.animate();
    scene.render();
    std::vector<uint32_t> pixels(size_t(width()) * size_t(height()));
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return {pixels, stateOf(scene)};
  }
};

TEST_F(SceneRestoreTest, RestartGivesTheSharedSceneBackAsItsFileGaveIt) {
  using Change = void (*)(Effect3D&);
  const struct {
    const char* name;
    Change change;
  } cases[] = {
      {"Flicker", [](Effect3D& e) { e.handleEvent(event(1, 1.0f)); }},
      {"PickSpinPulse",
       [](Effect3D& e) {
         e.handleEvent(event(6, 0, "head"));
         e.handleEvent(event(11, 10.0f, "", 20.0f, 30.0f));
         var<FloatVariable>(e, "SpectrumStr").setCurrentValue(0.8f);
         e.handleEvent(event(5, 1.0f));
       }},
      {"Inherit",
       [](Effect3D& e) {
         e.handleEvent(event(6, 0, "head"));
         e.handleEvent(event(16, 1.0f));
       }},
      {"Hide",
       [](Effect3D& e) {
         e.handleEvent(event(6, 0, "head"));
         e.handleEvent(event(20, 0.0f));
       }},
      {"ShadowsEvent", [](Effect3D& e) { e.handleEvent(event(21, 1.0f)); }},
      {"ShadowsVariable", [](Effect3D& e) { var<BoolVariable>(e, "Shadows").setCurrentValue(true); }},
      {"CameraByName", [](Effect3D& e) { e.handleEvent(event(18, 0, "Camera02")); }},
      {"FieldOfView",
       [](Effect3D& e) {
         e.handleEvent(event(18, 0, "Camera01"));
         e.handleEvent(event(25, 20.0f));
       }},
      {"CameraVariables",
       [](Effect3D& e) {
         var<IntVariable>(e, "Camera").setCurrentValue(1);
         var<FloatVariable>(e, "FOV").setCurrentValue(0.1f);
       }},
      {"Fog",
       [](Effect3D& e) {
         var<BoolVariable>(e, "Fog").setCurrentValue(true);
         var<IntVariable>(e, "FogMode").setCurrentValue(2);
         var<FloatVariable>(e, "FogR").setCurrentValue(1.0f);
       }},
      {"Loop", [](Effect3D& e) { var<BoolVariable>(e, "Loop").setCurrentValue(true); }},
      {"MaterialSwitches",
       [](Effect3D& e) {
         for (const char* name : {"LightingOn", "LightingOff", "MoreLight", "VShader"})
           var<BoolVariable>(e, name).setCurrentValue(true);
       }},
  };
  ReportCapture reports;
  std::unique_ptr<Scene> fresh = SceneLoaderVDG().read(kHead, Effect3D::kTextureDirectory);
  ASSERT_TRUE(fresh);
  // Past the scene's end, so that looping shows another frame.
  const float t = float(fresh->frameCount()) * float(fresh->step()) * 1.5f;
  const auto asLoaded = look(*fresh, t);
  for (const auto& c : cases) {
    Scene* shared = nullptr;
    {
      Effect3D effect("Scene2");
      effect.addString(0, kHead);
      shared = effect.scene();
      effect.start(0);
      c.change(effect);
      frame(effect, 1000);
      EXPECT_NE(look(*shared, t), asLoaded) << c.name << ": the case changes nothing";
    }
    SceneCache::getInstance().restoreLoadedScenes();
    const auto restored = look(*shared, t);
    EXPECT_EQ(restored.second, asLoaded.second) << c.name;
    EXPECT_TRUE(restored.first == asLoaded.first) << c.name << ": the picture differs";
  }
  EXPECT_TRUE(reports.reports().empty());
}

// GL lights are context state that scenes share: the first find of a scene after a restart sets
// its lights as loading it did; later finds in the same run leave them.
TEST_F(SceneRestoreTest, FirstFindAfterARestartSetsTheLightsAsLoadingDid) {
  Scene* scene = SceneLoaderVDG::load(kHead, Effect3D::kTextureDirectory);
  ASSERT_TRUE(scene);
  const LightObject& light = *scene->firstLight();
  const GLenum index = GLenum(GL_LIGHT0 + light.glIndex());
  const float dark[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const auto diffuse = [index] {
    std::vector<float> rgba(4);
    glGetLightfv(index, GL_DIFFUSE, rgba.data());
    return rgba;
  };
  SceneCache::getInstance().restoreLoadedScenes();
  glLightfv(index, GL_DIFFUSE, dark);  // as a flicker or another scene of the last run left it
  ASSERT_EQ(SceneLoaderVDG::load(kHead, Effect3D::kTextureDirectory), scene);
  EXPECT_EQ(diffuse(), std::vector<float>(light.diffuse().data(), light.diffuse().data() + 4));
  glLightfv(index, GL_DIFFUSE, dark);
  SceneLoaderVDG::load(kHead, Effect3D::kTextureDirectory);
  EXPECT_EQ(diffuse(), std::vector<float>(dark, dark + 4));
}

TEST(SegmentChainTest, SegmentPoseFromBendAndCurl) {
  // n = 8: without curl a = bend / n; with curl bend * 2 / n before the middle, curl * 2 / n after.
  const struct {
    float curl;
    int index;
    float angle;
  } cases[] = {{0, 1, 10}, {0, 7, 10}, {40, 3, 20}, {40, 4, 10}, {40, 7, 10}};
  MeshObject templ(1, "t");
  for (const auto& c : cases) {
    SegmentChain chain;
    chain.level().segmentCount = 8;
    chain.setTemplate(&templ, 22.0f);
    chain.build();
    chain.level().bend = 80.0f;
    chain.level().curl = c.curl;
    ChainSegment& s = *chain.segments()[size_t(c.index)];
    EXPECT_FLOAT_EQ(s.position().y, 22.0f);
    s.applyPose();
    EXPECT_FLOAT_EQ(s.eulerAngles().y, c.angle) << c.index << " curl " << c.curl;
    EXPECT_FLOAT_EQ(s.eulerAngles().z, -c.angle);
    EXPECT_FLOAT_EQ(s.scale().x, 1.0f - c.index / 8.0f * 0.1f);
  }
  SegmentChain a, b;
  EXPECT_FLOAT_EQ(a.level().bend, b.level().bend);  // the seed fixes it
  EXPECT_EQ(a.build(), nullptr);                    // no template
}

// Every segment's pose after a frame at time.
std::vector<float> tentaclePose(Tentacle& effect, uint32_t time) {
  frame(effect, time);
  std::vector<float> pose;
  for (int i = 0; i < Tentacle::kChains; ++i)
    for (const auto& s : effect.chain(i).segments()) {
      s->applyPose();
      pose.push_back(s->eulerAngles().y);
    }
  return pose;
}

TEST_F(SceneEffectsTest, TentacleKeepsStillAtSpeedZeroAndMovesOtherwise) {
  ReportCapture reports;
  Tentacle effect;
  for (const char* helper : {"Dummy01", "Dummy05"}) {
    int roots = 0;
    for (SceneObject* o = effect.scene()->findObject(helper)->firstChild(); o; o = o->nextSibling())
      roots += dynamic_cast<ChainSegment*>(o) != nullptr;
    EXPECT_EQ(roots, 2) << helper;
  }
  effect.start(0);
  var<FloatVariable>(effect, "TentacleSpeed").setCurrentValue(0.0f);
  const std::vector<float> still = tentaclePose(effect, 1000);
  EXPECT_EQ(tentaclePose(effect, 5000), still);
  var<FloatVariable>(effect, "TentacleSpeed").setCurrentValue(0.5f);
  const std::vector<float> moving = tentaclePose(effect, 1000);
  EXPECT_NE(moving, still);
  EXPECT_NE(tentaclePose(effect, 1500), moving);
  // Chain 3 bends by 360 sin(0.02 c), c = speed x phase x 8 (phase 150 at 1500 ms).
  EXPECT_NEAR(effect.chain(2).level().bend, 360.0f * std::sin(12.0f), 1e-2);
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(SceneEffectsTest, HeadTurnsAndKeepsItsAngle) {
  Head effect;
  effect.addString(0, kHead);
  SceneObject* head = effect.scene()->findObject("head");
  effect.start(0);
  // "Speed" 0.2: 0.04 degrees a frame without pulse, twice that with pulse 1.
  for (uint32_t i = 1; i <= 50; ++i) frame(effect, i * 20);
  EXPECT_NEAR(head->eulerAngles().y, -2.0f, 1e-4);
  effect.start(5000);  // a restart keeps the angle
  var<FloatVariable>(effect, "SpectrumStr").setCurrentValue(1.0f);
  effect.handleEvent(event(5, 1.0f));
  for (uint32_t i = 1; i <= 10; ++i) frame(effect, 5000 + i * 20);
  EXPECT_NEAR(head->eulerAngles().y, -2.8f, 1e-4);
  // Trial frames (the warm-up) leave the angle where it was.
  effect.saveFrameState();
  for (uint32_t i = 1; i <= 3; ++i) frame(effect, 6000 + i * 20);
  EXPECT_NE(effect.angle(), -2.8f);
  effect.restoreFrameState();
  EXPECT_NEAR(effect.angle(), -2.8f, 1e-4);
  head->setRotation(0, 0, 0);
}

TEST_F(SceneEffectsTest, Test3dBoxShowsTheOscilloscopePicture) {
  Test3d effect;
  effect.addString(0, "data/scenes/oscbox.vdg");
  // The trace (red here; a level line without sound) crosses the box's front face, which faces
  // the camera at time 0 in the middle of the picture; nothing else in the scene is red.
  effect.scope().setColor(1.0f, 0.0f, 0.0f, 1.0f);
  effect.start(0);
  frame(effect, 0);
  savePicture("test3d.png");
  const Material* material = effect.scene()->findObject("Box01")->getMaterial();
  EXPECT_EQ(material->renderTarget(), &effect.scope().getTarget());
  int red = 0;
  for (int y = 0; y < height(); ++y) {
    const uint32_t p = pixelAt(width() / 2, y);
    red += redOf(p) > 120 && greenOf(p) < 60 && blueOf(p) < 60;
  }
  EXPECT_GT(red, 0);
  EXPECT_LT(red, 20);  // a line, not a red box
}

TEST_F(SceneEffectsTest, MechSwingsItsChain) {
  ReportCapture reports;
  Mech effect("Mech");
  EXPECT_EQ(effect.scene()->findObject("Capsule01")->firstChild(), effect.chain().root());
  effect.start(0);
  frame(effect, 1000);  // phase 100
  EXPECT_NEAR(effect.chain().level().curl, 360.0f * std::sin(2.0f), 1e-2);
  EXPECT_TRUE(reports.reports().empty());
}

// Largest difference between petal positions and frame k (-1: the last) of its morph data file.
float differenceFromMorphFrame(const MeshObject& petal, int32_t k) {
  std::ifstream in("data/scenes/morphdata_" + petal.name() + ".vmd", std::ios::binary);
  int32_t frames = 0;
  in.read(reinterpret_cast<char*>(&frames), 4);
  const std::vector<float>& now = petal.positionArray();
  std::vector<float> expected(now.size());
  in.seekg(std::streamoff(4 + size_t(k < 0 ? frames - 1 : k) * now.size() * 2 * 4));
  in.read(reinterpret_cast<char*>(expected.data()), std::streamsize(expected.size() * 4));
  float d = in ? 0.0f : INFINITY;
  for (size_t i = 0; i < now.size(); ++i) d = std::max(d, std::fabs(now[i] - expected[i]));
  return d;
}

TEST_F(SceneEffectsTest, FlowerOpensAsItsMorphDataSays) {
  ReportCapture reports;
  Flower effect;
  effect.handleEvent(event(15, 3.0f, "", 2.0f, 1.0f));  // before the scene: ignored
  effect.addString(0, "data/scenes/flower.vdg");
  Scene& scene = *effect.scene();
  effect.handleEvent(event(15, 40.7f, "", 0.5f, 0.0f));
  EXPECT_EQ(scene.morphStartFrame(), 40);
  EXPECT_FLOAT_EQ(scene.morphRate(), 0.5f);
  // From frame 0 on, fast enough to reach the last morph frame within one scene frame.
  effect.handleEvent(event(15, 0.0f, "", 1000.0f, 0.0f));
  effect.start(0);
  for (const char* name : Flower::kPetalNames) {
    const MeshObject& petal = dynamic_cast<const MeshObject&>(*scene.findObject(name));
    frame(effect, 0);
    EXPECT_LT(differenceFromMorphFrame(petal, 0), 1e-5f) << name;
    frame(effect, 100000);
    EXPECT_LT(differenceFromMorphFrame(petal, -1), 1e-5f) << name;
    EXPECT_GT(differenceFromMorphFrame(petal, 0), 1.0f) << name;
  }
  effect.handleEvent(event(15, 1.0e30f, "", 1.0f, 1.0f));  // far past the end: clamped, frame 0 held
  EXPECT_EQ(scene.morphStartFrame(), 1000000000);
  effect.handleEvent(event(15, std::nanf(""), "", 1.0f, 0.0f));
  EXPECT_EQ(scene.morphStartFrame(), 0);
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(SceneEffectsTest, RegistryRowsMakeTheSceneEffects) {
  const std::vector<std::string> names = {"Scene1", "Scene7", "Flower", "Head", "Tentacle", "Test3d", "Mech"};
  for (const EffectRegistryRow& row : EffectTable::rows()) {
    if (std::find(names.begin(), names.end(), row.name) == names.end()) continue;
    ASSERT_TRUE(row.create) << row.name;
    EXPECT_EQ(row.create(row.name)->getName(), row.name);
  }
}

}  // namespace
