#include "Image.h"

#include <epoxy/gl.h>

#include <cmath>

#include "MagnifySampler.h"
#include "ScreenHelpers.h"
#include "Switches.h"
#include "Texture.h"
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
  const float sign = _scaleGrows ? 1.0f : -1.0f;
  const Vec3 rotation{_rotationSpeed.x * p + _rotation.x, _rotationSpeed.y * p + _rotation.y,
                      _rotationSpeed.z * p + _rotation.z};
  const Vec3 scale{_scale.x + sign * _scaleSpeed.x * p, _scale.y + sign * _scaleSpeed.y * p,
                   _scale.z + sign * _scaleSpeed.z * p};
  glRotatef(rotation.x, 1.0f, 0.0f, 0.0f);
  glRotatef(rotation.y, 0.0f, 1.0f, 0.0f);
  glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
  glScalef(scale.x, scale.y, scale.z);
  glTranslatef(-0.5f, -0.5f, 0.0f);
  GLuint sampler = 0;
  GLint unit = 0;
  // A mipmapped picture magnified everywhere is sampled through MagnifySampler (the switch
  // ImageMagnify; bench_effects "image" against "image-mipmaps").
  if (Switches::isOn(Switch::ImageMagnify) && _texture && _texture->getTarget() == GL_TEXTURE_2D) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    if (magnifiesEverywhere(rotation, scale, float(viewport[2]) / float(_texture->getWidth()),
                            float(viewport[3]) / float(_texture->getHeight()))) {
      _texture->bind();
      sampler = MagnifySampler::forBoundTexture();
    }
  }
  if (sampler) glBindSampler(GLuint(unit - GL_TEXTURE0), sampler);
  drawTexturedQuad(_texture, ScreenRect{_scrollSpeed.x * p, _scrollSpeed.y * p, 1.0f, 1.0f});
  if (sampler) glBindSampler(GLuint(unit - GL_TEXTURE0), 0);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glBlendEquation(GL_FUNC_ADD);
}

void Image::setMagnifyPath(bool on) { Switches::set(Switch::ImageMagnify, on); }

bool Image::magnifiesEverywhere(const Vec3& rotation, const Vec3& scale, float pixelsPerTexelX, float pixelsPerTexelY) {
  // The quad's edges on screen (in pixels per texel): the model-view rotations and scale applied
  // to the unit x and y axes, z dropped by the orthographic projection.
  const float kRadians = 3.14159265f / 180.0f;
  const float cx = std::cos(rotation.x * kRadians), sx = std::sin(rotation.x * kRadians);
  const float cy = std::cos(rotation.y * kRadians), sy = std::sin(rotation.y * kRadians);
  const float cz = std::cos(rotation.z * kRadians), sz = std::sin(rotation.z * kRadians);
  // Rx Ry Rz applied to (scale.x, 0, 0) and (0, scale.y, 0); only the x and y rows are needed.
  const float ux = scale.x * cy * cz, uy = scale.x * (sx * sy * cz + cx * sz);
  const float vx = -scale.y * cy * sz, vy = scale.y * (cx * cz - sx * sy * sz);
  const float j00 = ux * pixelsPerTexelX, j01 = vx * pixelsPerTexelX;
  const float j10 = uy * pixelsPerTexelY, j11 = vy * pixelsPerTexelY;
  const float det = j00 * j11 - j01 * j10;
  if (!std::isfinite(det) || std::fabs(det) < 1e-6f) return false;
  // Texels per pixel along each screen axis; the sum of both components bounds every norm a GL
  // may use for the level of detail, so 1 or less means no pixel minifies.
  const float dudx = j11 / det, dudy = -j01 / det, dvdx = -j10 / det, dvdy = j00 / det;
  return std::fabs(dudx) + std::fabs(dvdx) <= 1.0f && std::fabs(dudy) + std::fabs(dvdy) <= 1.0f;
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
