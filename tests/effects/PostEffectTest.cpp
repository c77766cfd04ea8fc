// What RotoZoom, Tiles and Mosaic share: buffers made at construction, the linked effect started
// in every buffer, the input pass, and the buffer's last picture when no effect is linked.
#include "EffectPixelFixture.h"
#include "Mosaic.h"
#include "ReportCapture.h"
#include "RotoZoom.h"
#include "Tiles.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct PostCase {
  const char* name;
  std::function<std::unique_ptr<PostEffect>()> make;
  std::vector<int> bufferSizes;  // square, in input-pass order
};

std::vector<PostCase> postCases() {
  return {{"RotoZoom", [] { return std::make_unique<RotoZoom>(); }, {512}},
          {"Tiles", [] { return std::make_unique<Tiles>(); }, {512}},
          {"Mosaic", [] { return std::make_unique<Mosaic>(); }, {256, 64}}};
}

// A post effect with one real buffer and one whose creation never happened.
class HalfBuiltPost : public PostEffect {
 public:
  HalfBuiltPost() : PostEffect("HalfBuilt", GL_COLOR_BUFFER_BIT) {
    addBuffer(_missing);
    createBuffer(_real, 32, 32);
  }
  void render(uint32_t) override {}

 private:
  PBuffer _missing;
  PBuffer _real;
};

class PostEffectTest : public EffectPixelFixture {};

TEST_F(PostEffectTest, VariablesFollowTheCommonOnesInOrder) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
      {"RotoZoom", {"Red", "Green", "Blue", "Alpha", "RotSpeed"}},
      {"Tiles", {"Red", "Green", "Blue", "Alpha", "RotSpeed", "FadeSpeed"}},
      {"Mosaic", {"Red", "Green", "Blue", "Alpha", "Saturation", "PreSaturation", "ZoomCenter"}}};
  for (const PostCase& c : postCases()) {
    std::unique_ptr<PostEffect> effect = c.make();
    EXPECT_EQ(effect->getName(), c.name);
    std::vector<std::string> names;
    for (size_t i = 3; i < effect->getVariables().size(); ++i) names.push_back(effect->getVariables()[i]->getName());
    for (const auto& e : expected) {
      if (e.first == c.name) {
        EXPECT_EQ(names, e.second) << c.name;
      }
    }
    for (const char* colour : {"Red", "Green", "Blue", "Alpha"})
      EXPECT_FLOAT_EQ(effect->findVariable(colour)->sample(0), 1.0f) << c.name << " " << colour;
  }
}

TEST_F(PostEffectTest, BuffersAreMadeWithTheirSizesAndRepeatingNearestMagnifiedTextures) {
  for (const PostCase& c : postCases()) {
    std::unique_ptr<PostEffect> effect = c.make();
    ASSERT_EQ(effect->getBuffers().size(), c.bufferSizes.size()) << c.name;
    for (size_t i = 0; i < c.bufferSizes.size(); ++i) {
      PBuffer* buffer = effect->getBuffers()[i];
      ASSERT_TRUE(buffer->isInitialized());
      EXPECT_EQ(buffer->getWidth(), c.bufferSizes[i]) << c.name;
      EXPECT_EQ(buffer->getHeight(), c.bufferSizes[i]) << c.name;
      GLint wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0;
      glBindTexture(GL_TEXTURE_2D, buffer->getTexture());
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
      EXPECT_EQ(wrapS, GL_REPEAT);
      EXPECT_EQ(wrapT, GL_REPEAT);
      EXPECT_EQ(minFilter, GL_LINEAR);
      EXPECT_EQ(magFilter, GL_NEAREST);
      // Cleared to transparent black.
      std::vector<uint8_t> texels(size_t(c.bufferSizes[i]) * c.bufferSizes[i] * 4, 0xAB);
      glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
      EXPECT_EQ(std::count(texels.begin(), texels.end(), 0), std::ptrdiff_t(texels.size())) << c.name;
    }
  }
}

TEST_F(PostEffectTest, StartStartsTheLinkedEffectInTheWindowAndInEveryBuffer) {
  for (const PostCase& c : postCases()) {
    std::unique_ptr<PostEffect> effect = c.make();
    effect->start(100);  // nothing linked yet: nothing else started
    PostInputEffect* input = linkInput(*effect);
    input->starts = 0;
    EffectEvent start;
    start.type = 0;
    start.time = 200;
    effect->handleEvent(start);
    EXPECT_EQ(input->starts, 1 + int(c.bufferSizes.size())) << c.name;
    EXPECT_EQ(input->getStartTime(), 200u);
    EXPECT_EQ(effect->getStartTime(), 200u);
  }
}

TEST_F(PostEffectTest, InputPassRendersTheLinkedEffectOncePerBufferAndRestoresTheViewport) {
  for (const PostCase& c : postCases()) {
    std::unique_ptr<PostEffect> effect = c.make();
    glViewport(10, 20, 300, 200);
    effect->update(50);  // nothing linked: no pass
    PostInputEffect* input = linkInput(*effect);
    input->renders = input->updates = 0;
    input->renderViewportWidths.clear();
    effect->update(60);
    EXPECT_EQ(input->updates, int(c.bufferSizes.size())) << c.name;
    EXPECT_EQ(input->renderViewportWidths, c.bufferSizes) << c.name;
    EXPECT_EQ(input->getCurrentTime(), 60u);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{10, 20, 300, 200})) << c.name;
    glViewport(0, 0, width(), height());
  }
}

// Over a white window, the picture of a buffer nobody rendered into (transparent black) and the
// picture that stays after the link is dropped and the input changes.
TEST_F(PostEffectTest, WithoutALinkedEffectTheBuffersLastPictureIsDrawn) {
  struct Expect {
    uint32_t unrendered;  // over white, nothing ever linked
  };
  const Expect expects[] = {{rgba(0, 0, 0)}, {rgba(255, 255, 255)}, {rgba(0, 0, 0)}};
  int index = 0;
  for (const PostCase& c : postCases()) {
    const Expect& e = expects[index++];
    std::unique_ptr<PostEffect> effect = c.make();
    effect->setSpeed(0.0f);  // phase 0 at every time: the same transformation every frame
    effect->start(0);
    clearWindow(1, 1, 1);
    effect->update(10);
    effect->render(10);
    EXPECT_TRUE(colourNear(pixelFromTop(0.3f, 0.3f), e.unrendered, 1)) << c.name;

    PostInputEffect* input = linkInput(*effect);
    input->setUniform(1.0f, 0.0f, 0.0f);
    clearWindow(1, 1, 1);
    effect->update(20);
    effect->render(20);
    const uint32_t linked = pixelFromTop(0.3f, 0.3f);
    EXPECT_TRUE(colourNear(linked, rgba(255, 0, 0), 1)) << c.name;

    EffectEvent unlink;
    unlink.type = 2;
    unlink.text = "Nobody";
    effect->handleEvent(unlink);
    input->setUniform(0.0f, 0.0f, 1.0f);
    input->renders = 0;
    clearWindow(1, 1, 1);
    effect->update(30);
    effect->render(30);
    EXPECT_EQ(input->renders, 0) << c.name;
    EXPECT_EQ(pixelFromTop(0.3f, 0.3f), linked) << c.name;
  }
}

TEST_F(PostEffectTest, ABufferWhoseCreationFailedIsSkipped) {
  HalfBuiltPost effect;
  ASSERT_EQ(effect.getBuffers().size(), 2u);
  EXPECT_FALSE(effect.getBuffers()[0]->isInitialized());
  PostInputEffect* input = linkInput(effect);
  ReportCapture reports;
  effect.start(0);
  effect.update(10);
  EXPECT_TRUE(reports.reports().empty());
  EXPECT_EQ(input->starts, 2);  // the window and the real buffer
  EXPECT_EQ(input->renderViewportWidths, std::vector<int>{32});
}

// A link back to itself would otherwise recurse without end in start and update.
TEST_F(PostEffectTest, ALinkCycleIsNotEnteredAgain) {
  EffectList list(std::vector<EffectRegistryRow>{
      {"RotoZoom", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<RotoZoom>(); }},
      {"Tiles", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Tiles>(); }}});
  list.insert("RotoZoom");
  list.insert("Tiles");
  EffectList::setCurrent(&list);
  Effect* roto = list.find("RotoZoom");
  Effect* tiles = list.find("Tiles");
  EffectEvent link;
  link.type = 2;
  link.text = "RotoZoom";
  roto->handleEvent(link);   // to itself
  tiles->handleEvent(link);  // Tiles -> RotoZoom -> itself
  ReportCapture reports;
  roto->start(0);
  tiles->start(0);
  roto->update(10);
  tiles->update(10);
  roto->render(10);
  tiles->render(10);
  EXPECT_TRUE(reports.reports().empty());
  EXPECT_EQ(roto->getCurrentTime(), 10u);
  EffectList::setCurrent(_list.get());
}

}  // namespace
