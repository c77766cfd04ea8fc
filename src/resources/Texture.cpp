#include "Texture.h"

#include "ErrorReport.h"
#include "ImageLibrary.h"

#ifdef _WIN32
#include <windows.h>  // Windows' GL/glu.h needs its calling conventions
#endif
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxEmptyTextureSize = 1024;
constexpr int kMinEmptyTextureSize = 8;
constexpr uint8_t kRequestedAreaValue = 127;

// Smallest power of two >= value, starting from start.
int roundUpToPowerOfTwo(int value, int start) {
  int rounded = start;
  while (rounded < value) rounded *= 2;
  return rounded;
}

size_t blockBytesOf(uint32_t compressedFormat) {
  return compressedFormat == GL_COMPRESSED_RGBA_S3TC_DXT1_EXT ? 8 : 16;
}

}  // namespace

Texture::Texture(GLenum target, GLenum internalFormat) : _target(target), _internalFormat(internalFormat) {}

Texture::~Texture() { delete _image; }

Texture* Texture::loadTexture(const char* name, const char* directory, GLenum target) {
  Texture* texture = new Texture(target, GL_RGBA);
  if (!texture->loadFromFile(name, directory, target)) {
    delete texture;
    return nullptr;
  }
  return texture;
}

Texture* Texture::createRenderTexture(int width, int height, GLenum target, GLenum internalFormat) {
  checkGLError(__FILE__, __LINE__);
  Texture* texture = nullptr;
  switch (target) {
    case GL_TEXTURE_2D:
      texture = new Texture(target, internalFormat);
      texture->createEmpty2D(width, height);
      break;
    case GL_TEXTURE_CUBE_MAP:
      texture = new Texture(target, internalFormat);
      texture->createCubeMap(width);
      break;
    case GL_DEPTH_COMPONENT:
      texture = new Texture(target, internalFormat);
      texture->createDepth(width);
      break;
    default:
      break;
  }
  checkGLError(__FILE__, __LINE__);
  return texture;
}

Texture* Texture::createOpacityMerged(const Texture& base, const Texture& opacity) {
  const ImageData* from = base._image;
  const ImageData* grey = opacity._image;
  if (!from || !grey || !from->pixels || !grey->pixels) return nullptr;
  if (from->width != grey->width || from->height != grey->height) return nullptr;
  if (from->bitsPerPixel != 32 || grey->bitsPerPixel != 32 || from->isCompressed() || grey->isCompressed())
    return nullptr;
  const size_t pixels = size_t(from->width) * from->height;
  if (from->dataSize < pixels * 4 || grey->dataSize < pixels * 4) return nullptr;
  ImageData* merged = new ImageData();
  merged->pixels = static_cast<uint8_t*>(std::malloc(from->dataSize));
  if (!merged->pixels) {
    delete merged;
    reportError(__FILE__, __LINE__, "out of memory for an opacity-mapped texture", false);
    return nullptr;
  }
  std::memcpy(merged->pixels, from->pixels, from->dataSize);
  merged->dataSize = from->dataSize;
  merged->width = from->width;
  merged->height = from->height;
  merged->bitsPerPixel = 32;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* g = grey->pixels + i * 4;
    merged->pixels[i * 4 + 3] = uint8_t((int(g[0]) + g[1] + g[2]) / 3);
  }
  Texture* texture = new Texture(GL_TEXTURE_2D, GL_RGBA);
  texture->_image = merged;
  if (base._textureId != 0) texture->generateTexture2D();
  // The picture is the file's, already brought to power-of-two sizes.
  texture->_width = base._width;
  texture->_height = base._height;
  texture->_imageWidth = base._imageWidth;
  texture->_imageHeight = base._imageHeight;
  return texture;
}

bool Texture::loadFromFile(const char* name, const char* directory, GLenum target) {
  delete _image;
  _image = ImageLibrary::loadImage(name, directory);
  if (!_image) return false;
  if (target == GL_TEXTURE_2D) {
    generateTexture2D();
  } else {
    reportError(__FILE__, __LINE__, "generateTexture1D is not implemented", false);
  }
  return true;
}

bool Texture::loadFromImage(ImageData* image) {
  if (!image || image->isCompressed()) {
    delete image;
    return false;
  }
  delete _image;
  _image = image;
  generateTexture2D();
  return true;
}

void Texture::generateTexture2D() {
  if (!_image) return;
  _imageWidth = int(_image->width);
  _imageHeight = int(_image->height);
  if (_image->isCompressed()) {
    // Compressed blocks cannot be resampled: the texture keeps the file's size.
    _width = _imageWidth;
    _height = _imageHeight;
  } else {
    _width = roundUpToPowerOfTwo(_imageWidth, 1);
    _height = roundUpToPowerOfTwo(_imageHeight, 1);
    if (_height < _width) _height = _width;  // never wider than tall
    if (_width != _imageWidth || _height != _imageHeight) ImageLibrary::scaleImage(_width, _height, _image);
  }

  glGenTextures(1, &_textureId);
  glBindTexture(GL_TEXTURE_2D, _textureId);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);

  if (_image->isCompressed()) {
    uploadCompressed();
  } else {
    if (_image->bitsPerPixel != 32) ImageLibrary::convertTo32Bit(_image);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, _width, _height, GL_RGBA, GL_UNSIGNED_BYTE, _image->pixels);
  }
  checkGLError(__FILE__, __LINE__);
}

void Texture::uploadCompressed() {
  checkGLError(__FILE__, __LINE__);
  const size_t blockBytes = blockBytesOf(_image->compressedFormat);
  uint32_t w = _image->width;
  uint32_t h = _image->height;
  size_t offset = 0;
  GLint levels = 0;
  for (uint32_t i = 0; i < _image->mipmapCount; ++i) {
    const size_t levelSize = size_t((w + 3) / 4) * ((h + 3) / 4) * blockBytes;
    // Only the levels the file held: a short chain stops here instead of reading past the data.
    if (levelSize > _image->dataSize - offset) break;
    glCompressedTexImage2D(GL_TEXTURE_2D, GLint(i), _image->compressedFormat, GLsizei(w), GLsizei(h), 0,
                           GLsizei(levelSize), _image->pixels + offset);
    checkGLError(__FILE__, __LINE__);
    ++levels;
    offset += levelSize;
    if (w == 1 && h == 1) break;  // the chain is complete; further levels would be invalid
    // Levels are never narrower than one texel, as GL sizes them.
    w = w > 1 ? w >> 1 : 1;
    h = h > 1 ? h >> 1 : 1;
  }
  // A chain shorter than the full one is made complete by ending it at the last level given.
  if (levels > 0) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
}

void Texture::createEmpty2D(int width, int height) {
  const int roundedWidth = roundUpToPowerOfTwo(width, kMinEmptyTextureSize);
  const int roundedHeight = roundUpToPowerOfTwo(height, kMinEmptyTextureSize);
  if (roundedWidth > kMaxEmptyTextureSize || roundedHeight > kMaxEmptyTextureSize) {
    reportError(__FILE__, __LINE__, "Texture: dimensions too large", true);
    return;
  }
  std::vector<uint8_t> texels(size_t(roundedWidth) * roundedHeight * 4, 0);
  if (roundedWidth != width || roundedHeight != height) {
    // Mid grey with alpha 127 over the requested area, transparent black around it. The area
    // is clamped so that sizes below 1 mark nothing.
    const int areaWidth = std::clamp(width, 0, roundedWidth);
    const int areaHeight = std::clamp(height, 0, roundedHeight);
    for (int y = 0; y < areaHeight; ++y)
      std::memset(&texels[size_t(y) * roundedWidth * 4], kRequestedAreaValue, size_t(areaWidth) * 4);
  }
  glGenTextures(1, &_textureId);
  glBindTexture(GL_TEXTURE_2D, _textureId);
  glTexImage2D(GL_TEXTURE_2D, 0, GLint(_internalFormat), roundedWidth, roundedHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               texels.data());
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  _width = roundedWidth;
  _height = roundedHeight;
}

void Texture::createDepth(int size) {
  _width = size;
  _height = size;
  glGenTextures(1, &_textureId);
  glBindTexture(GL_TEXTURE_2D, _textureId);
  // No initial contents: a depth target is always rendered before it is read.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, size, size, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, nullptr);
  checkGLError(__FILE__, __LINE__);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void Texture::createCubeMap(int size) {
  _width = size;
  _height = size;
  const std::vector<uint8_t> zeros(size > 0 ? size_t(size) * size * 4 : 0, 0);
  glEnable(GL_TEXTURE_CUBE_MAP);
  glGenTextures(1, &_textureId);
  glBindTexture(GL_TEXTURE_CUBE_MAP, _textureId);
  for (GLenum face = 0; face < 6; ++face)
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 zeros.data());
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  glDisable(GL_TEXTURE_CUBE_MAP);
}

void Texture::bind() const { glBindTexture(_target == GL_DEPTH_COMPONENT ? GL_TEXTURE_2D : _target, _textureId); }

void Texture::setFilter(GLenum minFilter, GLenum magFilter) {
  // The filters go to the texture's own bind target (a cube map's filters belong to the cube map).
  const GLenum bindTarget = _target == GL_DEPTH_COMPONENT ? GL_TEXTURE_2D : _target;
  glBindTexture(bindTarget, _textureId);
  glTexParameteri(bindTarget, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
  glTexParameteri(bindTarget, GL_TEXTURE_MAG_FILTER, GLint(magFilter));
}
