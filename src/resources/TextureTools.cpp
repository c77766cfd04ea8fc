#include "TextureTools.h"

#include "ErrorReport.h"
#include "Random.h"
#include "Texture.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

size_t texelCountOf(const Texture& texture) {
  const int width = texture.getWidth(), height = texture.getHeight();
  return width > 0 && height > 0 ? size_t(width) * size_t(height) : 0;
}

void replaceLevel0(Texture& texture, const std::vector<uint8_t>& texels) {
  texture.bind();
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture.getWidth(), texture.getHeight(), GL_RGBA, GL_UNSIGNED_BYTE,
                  texels.data());
}

}  // namespace

void TextureTools::clearTexture(Texture* texture) {
  if (!texture) {
    reportError(__FILE__, __LINE__, "Illegal texture", true);
    return;
  }
  replaceLevel0(*texture, std::vector<uint8_t>(texelCountOf(*texture) * 4, 0));
}

void TextureTools::fillNoise(Texture* texture) {
  if (!texture) {
    reportError(__FILE__, __LINE__, "Illegal texture", true);
    return;
  }
  std::vector<uint8_t> texels(texelCountOf(*texture) * 4);
  for (size_t i = 0; i < texels.size(); i += 4) std::memset(&texels[i], nextRandom() & 0xFF, 4);
  replaceLevel0(*texture, texels);
}
