#include "Material.h"

#include <GL/glu.h>

#include "ErrorReport.h"
#include "GLContextCheck.h"
#include "Texture.h"

Material::Material(int32_t id, const std::string& name) : _id(id), _name(name) {}

void Material::setOpacity(float opacity) {
  _opacity = opacity;
  _transparent = _opacity < 1.0f || _additive;
}

void Material::setAdditive(bool additive) {
  _additive = additive;
  _transparent = _opacity < 1.0f || _additive;
}

void Material::setRenderTarget(PBuffer* target) {
  _renderTarget = target;
  _shadeModel = kRenderTargetModel;
}

void Material::clearModelFlags() {
  _usesLayer0 = _usesLayer1 = _generatesReflection = _severalUnits = _cubeReflection = _lit = false;
}

void Material::chooseShadeModel() {
  clearModelFlags();
  if (_baseMap && _reflectionMap) {
    _shadeModel = 4;
    _usesLayer0 = _generatesReflection = _severalUnits = true;
  } else if (_baseMap && _secondMap) {
    _shadeModel = 5;
    _usesLayer0 = _usesLayer1 = _severalUnits = true;
  } else if (_baseMap) {
    _shadeModel = 1;
    _usesLayer0 = _lit = true;
  } else if (_secondMap) {
    _shadeModel = 6;
    _usesLayer1 = true;
  } else if (_reflectionMap && _bumpMap) {
    _shadeModel = 8;
    _generatesReflection = _severalUnits = true;
  } else if (_reflectionMap) {
    _shadeModel = 2;
    _generatesReflection = _lit = true;
  } else if (_renderTarget) {
    _shadeModel = kRenderTargetModel;
  } else {
    _shadeModel = 0;
    _lit = true;
  }
  _transparent = _opacity < 1.0f || _additive;
  // The environment vertex program for generated reflection coordinates is loaded by the
  // rendering task together with apply/restore.
  if (hasCurrentGLContext()) checkGLError(__FILE__, __LINE__);
}

void Material::setOpacityMap(Texture* texture) {
  _opacityMap = texture;
  _alphaTest = true;
  if (!_baseMap || !texture) return;
  ImageData* base = _baseMap->getImage();
  const ImageData* opacity = texture->getImage();
  if (!base || !opacity || !base->pixels || !opacity->pixels) return;
  if (base->width != opacity->width || base->height != opacity->height) return;
  if (base->bitsPerPixel != 32 || opacity->bitsPerPixel != 32 || base->isCompressed() || opacity->isCompressed())
    return;
  const size_t pixels = size_t(base->width) * base->height;
  if (base->dataSize < pixels * 4 || opacity->dataSize < pixels * 4) return;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* grey = opacity->pixels + i * 4;
    base->pixels[i * 4 + 3] = uint8_t((int(grey[0]) + grey[1] + grey[2]) / 3);
  }
  if (!hasCurrentGLContext() || _baseMap->getTextureId() == 0) return;
  _baseMap->bind();
  gluBuild2DMipmaps(GL_TEXTURE_2D, 4, GLsizei(base->width), GLsizei(base->height), GL_RGBA, GL_UNSIGNED_BYTE,
                    base->pixels);
}
