#pragma once
// A camera node: perspective parameters and an optional target it looks at.
#include "SceneObject.h"

class CameraObject : public SceneObject {
 public:
  // Starts at position (0, 0, 5).
  CameraObject(int32_t id, const std::string& name);

  const char* kindName() const override { return "camera"; }

  int32_t targetId() const { return _targetId; }
  void setTargetId(int32_t id) { _targetId = id; }
  // Resolved by Scene::finish; null without a target. Owned by the scene.
  SceneObject* target() const { return _target; }
  void setTarget(SceneObject* target) { _target = target; }
  float aspect() const { return _aspect; }
  void setAspect(float aspect) { _aspect = aspect; }
  float fieldOfView() const { return _fieldOfView; }
  void setFieldOfView(float degrees) { _fieldOfView = degrees; }
  float nearPlane() const { return _near; }
  float farPlane() const { return _far; }
  void setPlanes(float nearPlane, float farPlane) {
    _near = nearPlane;
    _far = farPlane;
  }

 protected:
  std::unique_ptr<SceneObject> copyNode() const override;
  // Also the target and the perspective parameters.
  void restoreFrom(const SceneObject& loaded) override;

 private:
  int32_t _targetId = -1;
  float _aspect = 1.333f;
  float _fieldOfView = 45.0f;  // vertical, degrees
  float _near = 1.0f;
  float _far = 2000.0f;
  SceneObject* _target = nullptr;
};
