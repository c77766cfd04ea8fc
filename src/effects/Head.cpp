#include "Head.h"

#include "Scene.h"

Head::Head() : Effect3D("Head") { setSpeed(0.2f); }

void Head::render(uint32_t) {
  if (!scene()) return;
  SceneObject* head = scene()->findObject(kObjectName);
  if (head) setChildrenInheritChain(head, true);
  advanceScene();
  _angle -= (_pulse + 1.0f) * _speedFactor;
  if (head) head->setRotation(0.0f, _angle, 0.0f);
  scene()->render();
}
