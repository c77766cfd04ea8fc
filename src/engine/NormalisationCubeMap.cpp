#include "NormalisationCubeMap.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "GLContextCheck.h"
#include "GLGeneration.h"
#include "Texture.h"
#include "TextureManager.h"

void NormalisationCubeMap::direction(int face, int x, int y, int size, float out[3]) {
  const float s = (float(x) + 0.5f) / float(size) * 2.0f - 1.0f;
  const float t = (float(y) + 0.5f) / float(size) * 2.0f - 1.0f;
  float v[3] = {0.0f, 0.0f, 0.0f};
  switch (face) {
    case 0:
      v[0] = 1.0f, v[1] = -t, v[2] = -s;
      break;
    case 1:
      v[0] = -1.0f, v[1] = -t, v[2] = s;
      break;
    case 2:
      v[0] = s, v[1] = 1.0f, v[2] = t;
      break;
    case 3:
      v[0] = s, v[1] = -1.0f, v[2] = -t;
      break;
    case 4:
      v[0] = s, v[1] = -t, v[2] = 1.0f;
      break;
    default:
      v[0] = -s, v[1] = -t, v[2] = -1.0f;
      break;
  }
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (int i = 0; i < 3; ++i) out[i] = v[i] / length;
}

Texture* NormalisationCubeMap::get() {
  static Texture* shared = nullptr;
  static GLGeneration generation;  // window context shared was made in
  if (generation.changed()) shared = nullptr;
  if (shared) return shared;
  if (!hasCurrentGLContext()) return nullptr;
  Texture* texture =
      TextureManager::getInstance().createTexture("NormalisationCubeMap", kSize, kSize, GL_TEXTURE_CUBE_MAP, GL_RGBA);
  if (!texture) return nullptr;
  std::vector<uint8_t> texels(size_t(kSize) * kSize * 4);
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture->getTextureId());
  for (int face = 0; face < 6; ++face) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        float d[3];
        direction(face, x, y, kSize, d);
        uint8_t* texel = &texels[(size_t(y) * kSize + size_t(x)) * 4];
        for (int i = 0; i < 3; ++i) texel[i] = uint8_t(std::lround((d[i] * 0.5f + 0.5f) * 255.0f));
        texel[3] = 255;
      }
    glTexSubImage2D(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0, 0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE,
                    texels.data());
  }
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  shared = texture;
  return shared;
}
