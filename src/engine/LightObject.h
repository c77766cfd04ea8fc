#pragma once
// A light node: GL light colours, attenuation, spot cone, an optional target, flicker and an
// optional projector texture (a light with one is not used as a GL light).
#include "Color4.h"
#include "SceneObject.h"

class Texture;

class LightObject : public SceneObject {
 public:
  // Reads GL_MAX_LIGHTS when a GL context is current.
  LightObject(int32_t id, const std::string& name);

  const char* kindName() const override { return "light"; }

  // Sets the GL light's ambient, diffuse and specular colours and its enabled state (nothing
  // without a current GL context or with an index past GL_MAX_LIGHTS).
  void applyColorsToGL() const;

  // Sets the GL light for this frame under the current (camera) modelview: when enabled, a
  // flickering light's diffuse (base diffuse times one nextRandom() / 32767), position, the
  // attenuation and the spot cone, aimed at the target or down -Z without one; otherwise
  // disables it.
  void applyForFrame();

  void setAmbient(const Color4& color) { _ambient = color; }
  void setDiffuse(const Color4& color) { _diffuse = color; }
  void setSpecular(const Color4& color) { _specular = color; }
  void setBaseDiffuse(const Color4& color) { _baseDiffuse = color; }
  void setAttenuation(float constant, float linear, float quadratic) {
    _constantAttenuation = constant;
    _linearAttenuation = linear;
    _quadraticAttenuation = quadratic;
  }
  // Degrees; above 90 (except 180) becomes 90, negative becomes 0.
  void setSpotCutoff(float degrees);
  // Clamped to 0..128.
  void setSpotExponent(float exponent);
  // Stores it and switches the GL light at once.
  void setEnabled(bool enabled);
  // Switching flicker off restores the diffuse colour from the base diffuse (and in GL).
  void setFlicker(bool flicker);
  void setCastsShadow(bool casts) { _castsShadow = casts; }
  // Giving a projector texture switches the light off.
  void setProjectorTexture(Texture* texture);
  void setGLIndex(int32_t index) { _glIndex = index; }
  void setTargetId(int32_t id) { _targetId = id; }
  void setTarget(SceneObject* target) { _target = target; }

  const Color4& ambient() const { return _ambient; }
  const Color4& diffuse() const { return _diffuse; }
  const Color4& specular() const { return _specular; }
  const Color4& baseDiffuse() const { return _baseDiffuse; }
  float constantAttenuation() const { return _constantAttenuation; }
  float linearAttenuation() const { return _linearAttenuation; }
  float quadraticAttenuation() const { return _quadraticAttenuation; }
  float spotCutoff() const { return _spotCutoff; }
  float spotExponent() const { return _spotExponent; }
  bool isEnabled() const { return _enabled; }
  bool flickers() const { return _flicker; }
  bool castsShadow() const { return _castsShadow; }
  Texture* projectorTexture() const { return _projectorTexture; }
  int32_t glIndex() const { return _glIndex; }
  int32_t targetId() const { return _targetId; }
  SceneObject* target() const { return _target; }

 protected:
  std::unique_ptr<SceneObject> copyNode() const override;
  // Also colours, attenuation, cone, enabled, flicker, shadow casting, projector and target (not
  // in GL: Scene::reapplyLights sets the GL light again).
  void restoreFrom(const SceneObject& loaded) override;

 private:
  Color4 _ambient{0.2f, 0.2f, 0.2f, 1.0f};
  Color4 _diffuse{0.8f, 0.8f, 0.8f, 1.0f};
  Color4 _specular{1.0f, 1.0f, 1.0f, 1.0f};
  float _constantAttenuation = 1.0f;
  float _linearAttenuation = 0.0f;
  float _quadraticAttenuation = 0.0f;
  float _spotCutoff = 180.0f;  // degrees
  float _spotExponent = 0.0f;  // 0..128
  bool _enabled = true;
  int32_t _glIndex = 0;  // the number of lights in the scene before this one
  int32_t _maxLights = 8;
  int32_t _targetId = -1;
  SceneObject* _target = nullptr;  // owned by the scene
  bool _flicker = false;
  Color4 _baseDiffuse{0.8f, 0.8f, 0.8f, 1.0f};  // the diffuse colour flicker is applied to
  bool _castsShadow = false;
  Texture* _projectorTexture = nullptr;  // shared through TextureManager
};
