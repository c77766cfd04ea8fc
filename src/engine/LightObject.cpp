#include "LightObject.h"

#include <epoxy/gl.h>

#include "GLContextCheck.h"
#include "Random.h"

LightObject::LightObject(int32_t id, const std::string& name) : SceneObject(id, name) {
  if (hasCurrentGLContext()) {
    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    _maxLights = maxLights;
  }
}

std::unique_ptr<SceneObject> LightObject::copyNode() const {
  return std::unique_ptr<SceneObject>(new LightObject(*this));
}

void LightObject::restoreFrom(const SceneObject& loaded) {
  SceneObject::restoreFrom(loaded);
  const LightObject& s = static_cast<const LightObject&>(loaded);
  _ambient = s._ambient;
  _diffuse = s._diffuse;
  _specular = s._specular;
  _constantAttenuation = s._constantAttenuation;
  _linearAttenuation = s._linearAttenuation;
  _quadraticAttenuation = s._quadraticAttenuation;
  _spotCutoff = s._spotCutoff;
  _spotExponent = s._spotExponent;
  _enabled = s._enabled;
  _targetId = s._targetId;
  _target = s._target;
  _flicker = s._flicker;
  _baseDiffuse = s._baseDiffuse;
  _castsShadow = s._castsShadow;
  _projectorTexture = s._projectorTexture;
}

void LightObject::applyColorsToGL() const {
  if (!hasCurrentGLContext() || _glIndex < 0 || _glIndex >= _maxLights) return;
  const GLenum light = GLenum(GL_LIGHT0 + _glIndex);
  glLightfv(light, GL_AMBIENT, _ambient.data());
  glLightfv(light, GL_DIFFUSE, _diffuse.data());
  glLightfv(light, GL_SPECULAR, _specular.data());
  if (_enabled)
    glEnable(light);
  else
    glDisable(light);
}

void LightObject::setSpotCutoff(float degrees) {
  if (degrees > 90.0f && degrees != 180.0f) degrees = 90.0f;
  if (degrees < 0.0f) degrees = 0.0f;
  _spotCutoff = degrees;
}

void LightObject::setSpotExponent(float exponent) {
  if (exponent < 0.0f) exponent = 0.0f;
  if (exponent > 128.0f) exponent = 128.0f;
  _spotExponent = exponent;
}

void LightObject::setEnabled(bool enabled) {
  _enabled = enabled;
  if (!hasCurrentGLContext() || _glIndex < 0 || _glIndex >= _maxLights) return;
  if (enabled)
    glEnable(GLenum(GL_LIGHT0 + _glIndex));
  else
    glDisable(GLenum(GL_LIGHT0 + _glIndex));
}

void LightObject::setFlicker(bool flicker) {
  _flicker = flicker;
  if (flicker) return;
  _diffuse = _baseDiffuse;
  if (hasCurrentGLContext() && _glIndex >= 0 && _glIndex < _maxLights)
    glLightfv(GLenum(GL_LIGHT0 + _glIndex), GL_DIFFUSE, _diffuse.data());
}

void LightObject::setProjectorTexture(Texture* texture) {
  _projectorTexture = texture;
  if (texture) setEnabled(false);
}

void LightObject::applyForFrame() {
  if (_glIndex < 0 || _glIndex >= _maxLights) return;
  const GLenum light = GLenum(GL_LIGHT0 + _glIndex);
  if (!_enabled) {
    glDisable(light);
    return;
  }
  if (_flicker) {
    const float factor = float(nextRandom()) / 32767.0f;
    _diffuse = Color4(_baseDiffuse.r * factor, _baseDiffuse.g * factor, _baseDiffuse.b * factor, _baseDiffuse.a);
    glLightfv(light, GL_DIFFUSE, _diffuse.data());
  }
  glEnable(light);
  const Vector3& p = position();
  const float where[4] = {p.x, p.y, p.z, 1.0f};
  glLightfv(light, GL_POSITION, where);
  glLightf(light, GL_CONSTANT_ATTENUATION, _constantAttenuation);
  glLightf(light, GL_LINEAR_ATTENUATION, _linearAttenuation);
  glLightf(light, GL_QUADRATIC_ATTENUATION, _quadraticAttenuation);
  float direction[3] = {0.0f, 0.0f, -1.0f};
  if (_target) {
    const Vector3 to = _target->worldPosition();
    const Vector3 from = worldPosition();
    direction[0] = to.x - from.x;
    direction[1] = to.y - from.y;
    direction[2] = to.z - from.z;
  }
  glLightfv(light, GL_SPOT_DIRECTION, direction);
  glLightf(light, GL_SPOT_CUTOFF, _spotCutoff);
  glLightf(light, GL_SPOT_EXPONENT, _spotExponent);
}
