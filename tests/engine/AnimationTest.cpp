// Scene time to frame and fraction, track evaluation at the ends of tracks, tracks of different
// lengths, and clones sharing their source's tracks.
#include <gtest/gtest.h>

#include <memory>

#include "Scene.h"
#include "SceneObject.h"

namespace {

struct TimeCase {
  const char* name;
  int32_t frameCount;
  int32_t step;
  bool loop;
  float t;
  int32_t frame;
  float fraction;
};

class SetTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SetTimeTest, GivesFrameAndFraction) {
  const TimeCase& c = GetParam();
  Scene scene;
  scene.setFrameCount(c.frameCount);
  scene.setStep(c.step);
  scene.setLoop(c.loop);
  scene.setTime(c.t);
  EXPECT_EQ(scene.currentFrame(), c.frame);
  EXPECT_NEAR(scene.currentFraction(), c.fraction, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetTimeTest,
    ::testing::Values(TimeCase{"Start", 5, 160, false, 0.0f, 0, 0.0f},
                      TimeCase{"BetweenFrames", 5, 160, false, 200.0f, 1, 0.25f},
                      TimeCase{"LastFrame", 5, 160, false, 640.0f, 4, 0.0f},
                      // Frame equal to the count is kept (the tracks clamp it); the fraction runs on.
                      TimeCase{"OneFramePastEnd", 5, 160, false, 800.0f, 5, 0.0f},
                      TimeCase{"FarPastEnd", 5, 160, false, 1000.0f, 4, 0.25f},
                      TimeCase{"LoopAtFullLength", 5, 160, true, 800.0f, 0, 0.0f},
                      TimeCase{"LoopSecondRound", 5, 160, true, 1000.0f, 1, 0.25f},
                      TimeCase{"NegativeTime", 5, 160, false, -80.0f, 0, -0.5f},
                      TimeCase{"NegativeTimeLooping", 5, 160, true, -200.0f, 0, -0.25f}),
    [](const ::testing::TestParamInfo<TimeCase>& info) { return std::string(info.param.name); });

// Only the frame matters for a time this large; its conversion must not overflow.
TEST(SetTimeTest, HugeTimeFrameIsLast) {
  Scene scene;
  scene.setFrameCount(5);
  scene.setStep(160);
  scene.setTime(1e20f);
  EXPECT_EQ(scene.currentFrame(), 4);
}

std::shared_ptr<std::vector<Vector3>> track(std::initializer_list<Vector3> samples) {
  return std::make_shared<std::vector<Vector3>>(samples);
}

TEST(TrackTest, BlendsClampsAndHoldsTheLastSample) {
  SceneObject object(1, "o");
  object.setPositionTrack(track({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
  object.animate(0, 0.5f);
  EXPECT_FLOAT_EQ(object.position().x, 5.0f);
  object.animate(2, 0.75f);  // last sample: unblended
  EXPECT_FLOAT_EQ(object.position().x, 20.0f);
  object.animate(3, 0.0f);  // frame equal to the count
  EXPECT_FLOAT_EQ(object.position().x, 20.0f);
  object.animate(0, -0.5f);  // negative fraction extrapolates
  EXPECT_FLOAT_EQ(object.position().x, -5.0f);
}

TEST(TrackTest, ShorterTrackIsNeverReadPastItsEnd) {
  SceneObject object(1, "o");
  // The shared count becomes 4 (the last track set); the position track has 2 samples.
  object.setPositionTrack(track({{1, 0, 0}, {2, 0, 0}}));
  object.setScaleTrack(track({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}}));
  EXPECT_EQ(object.sampleCount(), 4);
  object.animate(2, 0.5f);
  EXPECT_FLOAT_EQ(object.position().x, 2.0f);
  EXPECT_FLOAT_EQ(object.scale().x, 3.5f);
}

TEST(TrackTest, AbsentTracksLeaveTheTransformAndStaticObjectsIgnoreAnimate) {
  SceneObject object(1, "o");
  object.setPosition(Vector3(7, 8, 9));
  object.animate(1, 0.5f);
  EXPECT_FLOAT_EQ(object.position().x, 7.0f);
  EXPECT_EQ(object.animationKind(), SceneObject::kAnimationNone);
  object.setScaleTrack(track({{2, 2, 2}, {4, 4, 4}}));
  object.animate(0, 0.5f);
  EXPECT_FLOAT_EQ(object.position().x, 7.0f);
  EXPECT_FLOAT_EQ(object.scale().y, 3.0f);
}

TEST(TrackTest, RotationTrackTakesTheShortWayBetweenSignFlippedSamples) {
  SceneObject object(1, "o");
  // The second sample is 90 degrees about z stored with its sign flipped: halfway is 45 degrees
  // (cosine 0.707 on the diagonal), not the long way round at 135 degrees (-0.707).
  const float h = 0.70710678f;
  object.setRotationTrack(std::make_shared<std::vector<Quaternion>>(
      std::vector<Quaternion>{Quaternion(0, 0, 0, 1), Quaternion(0, 0, -h, -h)}));
  object.animate(0, 0.5f);
  EXPECT_NEAR(object.rotationMatrix()[0], h, 1e-5f);
  EXPECT_NEAR(object.rotationMatrix()[5], h, 1e-5f);
  object.animate(1, 0.0f);
  EXPECT_NEAR(object.rotationMatrix()[0], 0.0f, 1e-5f);
}

TEST(SceneAnimateTest, ClonesShareTracksAndCopyChildren) {
  Scene scene;
  scene.setFrameCount(3);
  scene.setStep(10);
  auto parent = std::unique_ptr<SceneObject>(new SceneObject(1, "parent"));
  parent->setPositionTrack(track({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
  auto child = std::unique_ptr<SceneObject>(new SceneObject(2, "child"));
  child->setScaleTrack(track({{1, 1, 1}, {3, 3, 3}, {5, 5, 5}}));
  SceneObject* p = parent.get();
  scene.addObject(std::move(parent), -1);
  scene.addObject(std::move(child), 1);

  scene.setTime(15.0f);
  scene.animate();
  EXPECT_FLOAT_EQ(p->position().x, 15.0f);
  EXPECT_FLOAT_EQ(p->firstChild()->scale().x, 4.0f);

  std::unique_ptr<SceneObject> copy = p->clone();
  EXPECT_EQ(copy->positionTrack().get(), p->positionTrack().get());
  ASSERT_NE(copy->firstChild(), nullptr);
  EXPECT_NE(copy->firstChild(), p->firstChild());
  EXPECT_EQ(copy->firstChild()->scaleTrack().get(), p->firstChild()->scaleTrack().get());
  EXPECT_EQ(copy->nextSibling(), nullptr);
  copy->animate(2, 0.0f);
  EXPECT_FLOAT_EQ(copy->position().x, 20.0f);
  EXPECT_FLOAT_EQ(p->position().x, 15.0f);  // the source keeps its own transform
}

}  // namespace
