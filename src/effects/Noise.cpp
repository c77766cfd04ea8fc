#include "Noise.h"

#include "OverlayState.h"
#include "Random.h"
#include "ScreenHelpers.h"
#include "TextureManager.h"
#include "TextureTools.h"

namespace {
ScreenRect gOffset{0.0f, 0.0f, 1.0f, 1.0f};  // texture rectangle of both layers; reset by each new instance

Texture* makeNoiseTexture(const char* name, int size) {
  Texture* texture = TextureManager::getInstance().createTexture(name, size, size, GL_TEXTURE_2D, GL_RGBA);
  if (texture) {
    texture->setFilter(GL_NEAREST, GL_NEAREST);
    TextureTools::clearTexture(texture);
    TextureTools::fillNoise(texture);
  }
  return texture;
}
}  // namespace

Noise::Noise() : Effect("Noise") {
  registerColour(_red, _green, _blue, _alpha, 1.0f, 1.0f, 1.0f, 1.0f);
  registerBool(_animate, "Animate", false);
  // Instances are made when the script loads, so every run of the show starts from the whole
  // texture, as the first did.
  gOffset = ScreenRect{0.0f, 0.0f, 1.0f, 1.0f};
  _large = makeNoiseTexture("noisetexture", 512);
  _small = makeNoiseTexture("noisetexture2", 256);
}

ScreenRect Noise::getOffset() { return gOffset; }

void Noise::render(uint32_t time) {
  OverlayState::begin(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time) + _pulse);
  if (_animate.valueAt(time)) {
    // Two statements: u draws first.
    gOffset.x = static_cast<float>(nextRandom()) / 32767.0f;
    gOffset.y = static_cast<float>(nextRandom()) / 32767.0f;
  }
  const ScreenRect screen{0.0f, 0.0f, 1.0f, 1.0f};
  // A missing texture (not expected: render targets are always made) is not drawn.
  if (_large) drawTexturedQuadPart(_large, screen, gOffset);
  if (_small) drawTexturedQuadPart(_small, screen, gOffset);
  OverlayState::end();
}
