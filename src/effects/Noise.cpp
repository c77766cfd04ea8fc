#include "Noise.h"

#include "OverlayState.h"
#include "Random.h"
#include "ScreenHelpers.h"
#include "TextureManager.h"
#include "TextureTools.h"

namespace {
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
  _large = makeNoiseTexture("noisetexture", 512);
  _small = makeNoiseTexture("noisetexture2", 256);
}

void Noise::render(uint32_t time) {
  OverlayState::begin(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time) + _pulse);
  if (_animate.valueAt(time)) {
    // Two statements: u draws first.
    _offset.x = static_cast<float>(nextRandom()) / 32767.0f;
    _offset.y = static_cast<float>(nextRandom()) / 32767.0f;
  }
  const ScreenRect screen{0.0f, 0.0f, 1.0f, 1.0f};
  // A missing texture (not expected: render targets are always made) is not drawn.
  if (_large) drawTexturedQuadPart(_large, screen, _offset);
  if (_small) drawTexturedQuadPart(_small, screen, _offset);
  OverlayState::end();
}
