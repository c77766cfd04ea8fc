#include "Image.h"

#include <epoxy/gl.h>

#include "ScreenHelpers.h"
#include "TextureManager.h"

Image::Image() : Image("Image", true) {}

Image::Image(const std::string& name, bool alphaOffsetApplies) : Effect(name), _alphaOffsetApplies(alphaOffsetApplies) {
  registerColour(_red, _green, _blue, _alpha, 1.0f, 1.0f, 1.0f, 1.0f);
  registerBool(_blendMultiply, "BlendMultipy", false);
  registerBool(_blendAdd, "BlendAdd", false);
  registerVariable(_datafile, "Datafile", EffectVariable::kStringList0, EffectVariable::kInt);
  _datafile.setCurrentValue(0);
  _datafile.setListIndexed(true);
}

Image::Vec3 Image::valuesOf(const EffectEvent& event) {
  return Vec3{event.values[0], event.values[1], event.values[2]};
}

Texture* Image::findImage(const std::string& text) {
  return TextureManager::getInstance().getTexture(text, "", GL_TEXTURE_2D);
}

void Image::start(uint32_t time) {
  Effect::start(time);
  _position = Vec3{};
  _rotation = Vec3{};
  _scrollSpeed = Vec3{};
  _rotationSpeed = Vec3{};
  _scaleSpeed = Vec3{};
  _scale = Vec3{1.0f, 1.0f, 1.0f};
  _scaleGrows = true;
  _alphaOffset = 0.0f;
  _alphaFactor = 0.0f;
}

void Image::prepare(uint32_t time) {
  const uint32_t index = _datafile.valueAt(time);
  if (static_cast<int64_t>(index) == _loadedIndex) return;
  _texture = findImage(getString(EffectVariable::kStringList0, index));
  _loadedIndex = index;
}

void Image::onStringAdded(int32_t list, const std::string& text, uint32_t count) {
  if (list != EffectVariable::kStringList0) return;
  _texture = findImage(text);
  _datafile.setCount(count);
}

void Image::render(uint32_t time) {
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  if (_blendMultiply.valueAt(time)) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  if (_blendAdd.valueAt(time)) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
  }
  if (_reverseSubtract) {
    glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
  }
  const float alpha = _alpha.valueAt(time) + (_alphaOffsetApplies ? _alphaOffset : 0.0f);
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), alpha);

  const float p = _phase;
  setOrthoProjection();
  glLoadIdentity();
  glTranslatef(_position.x, _position.y, _position.z);
  glTranslatef(0.5f, 0.5f, 0.0f);
  glRotatef(_rotationSpeed.x * p + _rotation.x, 1.0f, 0.0f, 0.0f);
  glRotatef(_rotationSpeed.y * p + _rotation.y, 0.0f, 1.0f, 0.0f);
  glRotatef(_rotationSpeed.z * p + _rotation.z, 0.0f, 0.0f, 1.0f);
  const float sign = _scaleGrows ? 1.0f : -1.0f;
  glScalef(_scale.x + sign * _scaleSpeed.x * p, _scale.y + sign * _scaleSpeed.y * p,
           _scale.z + sign * _scaleSpeed.z * p);
  glTranslatef(-0.5f, -0.5f, 0.0f);
  drawTexturedQuad(_texture, ScreenRect{_scrollSpeed.x * p, _scrollSpeed.y * p, 1.0f, 1.0f});

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glBlendEquation(GL_FUNC_ADD);
}

void Image::handleEvent(const EffectEvent& event) {
  Effect::handleEvent(event);
  switch (event.type) {
    case 5:
      _alphaOffset = _alphaFactor * event.value;
      break;
    case 7:
      _position = valuesOf(event);
      break;
    case 8:
      _rotation = valuesOf(event);
      break;
    case 9:
      _scale = valuesOf(event);
      break;
    case 10:
      _scrollSpeed = valuesOf(event);
      break;
    case 11:
      _rotationSpeed = valuesOf(event);
      break;
    case 12:
      _scaleSpeed = valuesOf(event);
      break;
    case 23:
      _scaleGrows = true;
      break;
    case 24:
      _scaleGrows = false;
      break;
    case 26:
      _texture = findImage(event.text);
      break;
    case 28:
      _alphaFactor = event.value;
      break;
    case 29:
      _alpha.setCurrentValue(event.value);
      break;
    case 30:
      _reverseSubtract = event.value > 0.0f;
      break;
    default:
      break;
  }
}
