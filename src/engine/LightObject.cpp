#include "LightObject.h"

#include <epoxy/gl.h>

#include "GLContextCheck.h"

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
