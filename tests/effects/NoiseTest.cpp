// Noise: two layers of grey noise from the shared random sequence, 512 x 512 then 256 x 256,
// at the one process-wide offset, which "Animate" moves with two more numbers of the sequence.
#include "EffectPixelFixture.h"
#include "Noise.h"
#include "Random.h"
#include "Texture.h"
#include "TextureManager.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// The random sequence, replayed: the same recurrence as the program's generator.
class Replay {
 public:
  explicit Replay(uint32_t seed) : _state(seed) {}
  int32_t next() {
    _state = _state * 214013u + 2531011u;
    return int32_t((_state >> 16) & 0x7FFF);
  }
  // The texel bytes fillNoise writes into a size x size texture, row by row.
  std::vector<uint8_t> noise(int size) {
    std::vector<uint8_t> texels(size_t(size) * size);
    for (uint8_t& t : texels) t = uint8_t(next() & 0xFF);
    return texels;
  }

 private:
  uint32_t _state;
};

class NoiseTest : public EffectPixelFixture {
 protected:
  static std::vector<uint8_t> readWindow() {
    std::vector<uint8_t> pixels(size_t(width()) * height() * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
  static void setAnimate(Noise& noise, bool on) {
    static_cast<BoolVariable*>(noise.findVariable("Animate"))->setCurrentValue(on);
  }
  // Seeds the sequence, makes a Noise and draws one frame over black.
  static std::vector<uint8_t> frameForSeed(uint32_t seed, bool animate) {
    seedRandom(seed);
    Noise noise;
    setAnimate(noise, animate);
    clearWindow(0, 0, 0);
    noise.update(0);
    noise.render(0);
    return readWindow();
  }
};

TEST_F(NoiseTest, VariablesAndDefaults) {
  Noise noise;
  const char* names[] = {"Red", "Green", "Blue", "Alpha", "Animate"};
  ASSERT_EQ(noise.getVariables().size(), 8u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(noise.getVariables()[3 + i]->getName(), names[i]);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(noise.getVariables()[3 + i]->sample(0), 1.0f);
  EXPECT_FLOAT_EQ(noise.findVariable("Animate")->sample(0), 0.0f);
}

TEST_F(NoiseTest, TexturesAreSharedNearestFilteredAndRefilledFromTheSequence) {
  seedRandom(5);
  Noise first;
  Texture* large = TextureManager::getInstance().findTexture("noisetexture");
  Texture* small = TextureManager::getInstance().findTexture("noisetexture2");
  ASSERT_NE(large, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(large->getWidth(), 512);
  EXPECT_EQ(small->getWidth(), 256);
  const uint32_t uses = TextureManager::getInstance().getUseCount("noisetexture");

  seedRandom(9);
  Noise second;  // shares the textures and fills them again
  EXPECT_EQ(TextureManager::getInstance().findTexture("noisetexture"), large);
  EXPECT_EQ(TextureManager::getInstance().getUseCount("noisetexture"), uses + 1);
  Replay replay(9);
  const std::vector<uint8_t> expectedLarge = replay.noise(512), expectedSmall = replay.noise(256);
  EXPECT_EQ(nextRandom(), replay.next());  // nothing else was drawn

  struct Check {
    Texture* texture;
    const std::vector<uint8_t>* grey;
  };
  for (const Check& c : {Check{large, &expectedLarge}, Check{small, &expectedSmall}}) {
    c.texture->bind();
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_EQ(magFilter, GL_NEAREST);
    std::vector<uint8_t> texels(c.grey->size() * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    size_t mismatches = 0;
    for (size_t i = 0; i < c.grey->size(); ++i) {
      for (int ch = 0; ch < 4; ++ch) mismatches += texels[i * 4 + ch] != (*c.grey)[i];
    }
    EXPECT_EQ(mismatches, 0u) << c.texture->getWidth();
  }
}

// With "Animate" the offset takes the two numbers after the fills; each pixel is the 512 layer
// blended over the window, then the 256 layer, both at that offset (grey g drawn with alpha g).
TEST_F(NoiseTest, AnimatedFrameFollowsTheSequence) {
  const uint32_t seed = 77;
  const std::vector<uint8_t> frame = frameForSeed(seed, true);
  savePicture("noise.png");
  Replay replay(seed);
  const std::vector<uint8_t> large = replay.noise(512), small = replay.noise(256);
  const double u = replay.next() / 32767.0, v = replay.next() / 32767.0;
  EXPECT_FLOAT_EQ(Noise::getOffset().x, float(u));
  EXPECT_FLOAT_EQ(Noise::getOffset().y, float(v));
  EXPECT_FLOAT_EQ(Noise::getOffset().width, 1.0f);
  EXPECT_FLOAT_EQ(Noise::getOffset().height, 1.0f);

  int checked = 0;
  for (int y = 0; y < height(); y += 7) {
    for (int x = 0; x < width(); x += 5) {
      // Texture coordinates at the pixel's centre; v grows downwards from the top edge.
      const double s = u + (x + 0.5) / width(), t = v + (height() - 1 - y + 0.5) / height();
      bool clear = true;
      for (int size : {512, 256}) {
        const double fs = s * size - std::floor(s * size), ft = t * size - std::floor(t * size);
        clear = clear && fs > 0.1 && fs < 0.9 && ft > 0.1 && ft < 0.9;
      }
      if (!clear) continue;
      double out = 0.0;  // over black
      for (int size : {512, 256}) {
        const std::vector<uint8_t>& grey = size == 512 ? large : small;
        const int col = int(std::floor(s * size)) % size, row = int(std::floor(t * size)) % size;
        const double a = grey[size_t(row) * size + col] / 255.0;
        out = a * a + out * (1.0 - a);
      }
      const int expected = int(std::lround(out * 255.0));
      const uint8_t* p = &frame[(size_t(y) * width() + x) * 4];
      ASSERT_TRUE(colourNear(uint32_t(p[0]) | p[1] << 8 | p[2] << 16, rgba(expected, expected, expected), 2))
          << x << ", " << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 2000);
}

TEST_F(NoiseTest, TheSameSeedGivesTheSameFrame) {
  const std::vector<uint8_t> a = frameForSeed(1234, true);
  const std::vector<uint8_t> b = frameForSeed(1234, true);
  const std::vector<uint8_t> c = frameForSeed(4321, true);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == c);
}

TEST_F(NoiseTest, WithoutAnimateTheOffsetStaysAndNoNumberIsDrawn) {
  frameForSeed(3, true);  // moves the offset somewhere
  const ScreenRect before = Noise::getOffset();
  seedRandom(11);
  Noise noise;
  Replay replay(11);
  replay.noise(512);
  replay.noise(256);
  noise.update(0);
  noise.render(0);
  noise.render(10);
  EXPECT_EQ(nextRandom(), replay.next());
  EXPECT_FLOAT_EQ(Noise::getOffset().x, before.x);
  EXPECT_FLOAT_EQ(Noise::getOffset().y, before.y);
  // The overlay end state; the noise textures leave 2D texturing off.
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthWrites);
  GLfloat colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (float ch : colour) EXPECT_FLOAT_EQ(ch, 1.0f);
}

// The drawn alpha is "Alpha" + pulse (pulse = "SpectrumStr" x the value of an event of type 5):
// at alpha 0 the window stays as it was.
struct PulseCase {
  float alpha;
  float pulseValue;
  bool drawn;
};

TEST_F(NoiseTest, PulseAddsToAlpha) {
  const PulseCase cases[] = {{0.0f, 0.0f, false}, {0.0f, 1.0f, true}, {1.0f, -1.0f, false}, {1.0f, 0.0f, true}};
  for (const PulseCase& c : cases) {
    Noise noise;
    static_cast<FloatVariable*>(noise.findVariable("Alpha"))->setCurrentValue(c.alpha);
    static_cast<FloatVariable*>(noise.findVariable("SpectrumStr"))->setCurrentValue(1.0f);
    EffectEvent pulse;
    pulse.type = 5;
    pulse.value = c.pulseValue;
    noise.handleEvent(pulse);
    clearWindow(0, 0, 0);
    noise.render(0);
    const std::vector<uint8_t> frame = readWindow();
    size_t lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4) lit += frame[i] != 0;
    if (c.drawn) {
      EXPECT_GT(lit, frame.size() / 8) << c.alpha << " " << c.pulseValue;
    } else {
      EXPECT_EQ(lit, 0u) << c.alpha << " " << c.pulseValue;
    }
  }
}

}  // namespace
