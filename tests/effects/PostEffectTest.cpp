// What RotoZoom, Tiles and Mosaic share: the linked effect started in the window and in every
// buffer, the input pass, the buffer's last picture without a link, and the safe cases.
#include <functional>

#include "EffectPixelFixture.h"
#include "Mosaic.h"
#include "ReportCapture.h"
#include "RotoZoom.h"
#include "Tiles.h"

namespace {

struct PostCase {
  const char* name;
  std::function<std::unique_ptr<PostEffect>()> make;
  std::vector<int> bufferSizes;  // square, in input-pass order
  uint32_t unrendered;           // drawn over white from buffers nobody rendered into
};

std::vector<PostCase> postCases() {
  return {{"RotoZoom", [] { return std::make_unique<RotoZoom>(); }, {512}, rgba(0, 0, 0)},
          {"Tiles", [] { return std::make_unique<Tiles>(); }, {512}, rgba(255, 255, 255)},
          {"Mosaic", [] { return std::make_unique<Mosaic>(); }, {256, 64}, rgba(0, 0, 0)}};
}

class PostEffectTest : public EffectPixelFixture {};

TEST_F(PostEffectTest, LinkedEffectStartsInEveryBufferAndIsRenderedOncePerBuffer) {
  for (const PostCase& c : postCases()) {
    std::unique_ptr<PostEffect> effect = c.make();
    glViewport(10, 20, 300, 200);
    effect->start(0);
    effect->update(50);  // nothing linked: no input pass
    PostInputEffect* input = linkInput(*effect);
    EXPECT_EQ(input->starts + input->renders, 0) << c.name;
    EffectEvent start;
    start.type = 0;
    start.time = 200;
    effect->handleEvent(start);
    EXPECT_EQ(input->starts, 1 + int(c.bufferSizes.size())) << c.name;
    EXPECT_EQ(input->getStartTime(), 200u);
    effect->update(260);
    EXPECT_EQ(input->updates, int(c.bufferSizes.size())) << c.name;
    EXPECT_EQ(input->renderViewportWidths, c.bufferSizes) << c.name;
    EXPECT_EQ(input->getCurrentTime(), 260u);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{10, 20, 300, 200})) << c.name;
    glViewport(0, 0, width(), height());
  }
}

// Buffers start cleared to transparent black; once the link is dropped the last input stays,
// even when the input itself changes.
TEST_F(PostEffectTest, WithoutALinkedEffectTheBuffersLastPictureIsDrawn) {
  for (const PostCase& c : postCases()) {
    std::unique_ptr<PostEffect> effect = c.make();
    effect->setSpeed(0.0f);  // phase 0 at every time: the same transformation every frame
    auto frame = [&](uint32_t time) {
      clearWindow(1, 1, 1);
      effect->update(time);
      effect->render(time);
      return pixelFromTop(0.3f, 0.3f);
    };
    EXPECT_TRUE(colourNear(frame(10), c.unrendered, 1)) << c.name;
    PostInputEffect* input = linkInput(*effect);
    input->setUniform(1, 0, 0);
    EXPECT_TRUE(colourNear(frame(20), rgba(255, 0, 0), 1)) << c.name;
    EffectEvent unlink;
    unlink.type = 2;
    unlink.text = "Nobody";
    effect->handleEvent(unlink);
    input->setUniform(0, 0, 1);
    EXPECT_TRUE(colourNear(frame(30), rgba(255, 0, 0), 1)) << c.name;
    EXPECT_EQ(input->renders, int(c.bufferSizes.size())) << c.name;
  }
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

TEST_F(PostEffectTest, ABufferWhoseCreationFailedIsSkipped) {
  HalfBuiltPost effect;
  PostInputEffect* input = linkInput(effect);
  ReportCapture reports;
  effect.start(0);
  effect.update(10);
  EXPECT_TRUE(reports.reports().empty());
  EXPECT_EQ(input->starts, 2);  // the window and the real buffer
  EXPECT_EQ(input->renderViewportWidths, std::vector<int>{32});
}

// A link back to itself, directly or through another effect, would recurse without end.
TEST_F(PostEffectTest, ALinkCycleIsNotEnteredAgain) {
  EffectList list(std::vector<EffectRegistryRow>{
      {"RotoZoom", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<RotoZoom>(); }},
      {"Tiles", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Tiles>(); }}});
  list.insert("RotoZoom");
  list.insert("Tiles");
  EffectList::setCurrent(&list);
  EffectEvent link;
  link.type = 2;
  link.text = "RotoZoom";
  for (const char* name : {"RotoZoom", "Tiles"}) list.find(name)->handleEvent(link);
  ReportCapture reports;
  for (const char* name : {"RotoZoom", "Tiles"}) {
    list.find(name)->start(0);
    list.find(name)->update(10);
    list.find(name)->render(10);
  }
  EXPECT_TRUE(reports.reports().empty());
  EffectList::setCurrent(_list.get());
}

}  // namespace
