#include "CameraObject.h"

CameraObject::CameraObject(int32_t id, const std::string& name) : SceneObject(id, name) {
  setPosition(Vector3(0.0f, 0.0f, 5.0f));
}

std::unique_ptr<SceneObject> CameraObject::copyNode() const {
  return std::unique_ptr<SceneObject>(new CameraObject(*this));
}
