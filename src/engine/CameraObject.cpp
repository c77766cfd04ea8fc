#include "CameraObject.h"

CameraObject::CameraObject(int32_t id, const std::string& name) : SceneObject(id, name) {
  setPosition(Vector3(0.0f, 0.0f, 5.0f));
}

std::unique_ptr<SceneObject> CameraObject::copyNode() const {
  return std::unique_ptr<SceneObject>(new CameraObject(*this));
}

void CameraObject::restoreFrom(const SceneObject& loaded) {
  SceneObject::restoreFrom(loaded);
  const CameraObject& s = static_cast<const CameraObject&>(loaded);
  _targetId = s._targetId;
  _aspect = s._aspect;
  _fieldOfView = s._fieldOfView;
  _near = s._near;
  _far = s._far;
  _target = s._target;
}
