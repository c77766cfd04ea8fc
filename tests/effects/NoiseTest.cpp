// Noise: two layers of grey noise from the shared random sequence, 512 x 512 then 256 x 256,
// at the one process-wide offset, which "Animate" moves with two more numbers of the sequence.
#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "EffectPixelFixture.h"
#include "Noise.h"
#include "Random.h"

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
  // Seeds the sequence, makes a Noise with "Animate" on and draws one frame over black; the
  // instance's offset afterwards goes to offset when given.
  static std::vector<uint8_t> frameForSeed(uint32_t seed, ScreenRect* offset = nullptr) {
    seedRandom(seed);
    Noise noise;
    static_cast<BoolVariable*>(noise.findVariable("Animate"))->setCurrentValue(true);
    clearWindow(0, 0, 0);
    noise.update(0);
    noise.render(0);
    if (offset) *offset = noise.getOffset();
    return readWindow();
  }
};

// Construction refills both shared textures (512 first) from the sequence; with "Animate" the
// offset takes the next two numbers. Each pixel is the 512 layer blended over the window, then
// the 256 layer, both at that offset (grey g drawn with alpha g). The same seed gives the same
// frame.
TEST_F(NoiseTest, AnimatedFrameFollowsTheSequence) {
  const uint32_t seed = 77;
  ScreenRect offset{};
  const std::vector<uint8_t> frame = frameForSeed(seed, &offset);
  savePicture("noise.png");
  Replay replay(seed);
  const std::vector<uint8_t> large = replay.noise(512), small = replay.noise(256);
  const double u = replay.next() / 32767.0, v = replay.next() / 32767.0;
  EXPECT_FLOAT_EQ(offset.x, float(u));
  EXPECT_FLOAT_EQ(offset.y, float(v));

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
  EXPECT_TRUE(frameForSeed(seed) == frame);
  EXPECT_FALSE(frameForSeed(seed + 1) == frame);
}

TEST_F(NoiseTest, WithoutAnimateTheOffsetStaysAndNoNumberIsDrawn) {
  frameForSeed(3);  // another instance moves its own offset
  seedRandom(11);
  Noise noise;
  const ScreenRect before = noise.getOffset();
  EXPECT_FLOAT_EQ(before.x, 0.0f);
  EXPECT_FLOAT_EQ(before.y, 0.0f);
  Replay replay(11);
  replay.noise(512);
  replay.noise(256);
  noise.update(0);
  noise.render(0);
  noise.render(10);
  EXPECT_EQ(nextRandom(), replay.next());
  EXPECT_FLOAT_EQ(noise.getOffset().x, before.x);
  EXPECT_FLOAT_EQ(noise.getOffset().y, before.y);
  // The overlay end state: blending, culling and 2D texturing off, depth test and writes on.
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_EQ((std::vector<bool>{glIsEnabled(GL_BLEND) == GL_TRUE, glIsEnabled(GL_CULL_FACE) == GL_TRUE,
                               glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, glIsEnabled(GL_DEPTH_TEST) == GL_TRUE,
                               depthWrites == GL_TRUE}),
            (std::vector<bool>{false, false, false, true, true}));
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
