#include "Flower.h"

#include <cmath>

#include "MeshObject.h"
#include "MorphDataReader.h"
#include "Scene.h"

const char* const Flower::kPetalNames[kPetals] = {"blomsterblad01", "blomsterblad02", "blomsterblad03",
                                                  "blomsterblad04", "blomsterblad05", "blomsterblad06"};

namespace {

// Truncates toward zero; NaN gives 0 and magnitudes beyond the frame range are clamped, so any
// start frame from a script stays a defined integer (past the end the petals hold frame 0).
int32_t startFrameOf(float x) {
  if (!(x == x)) return 0;
  const float limit = 1.0e9f;
  if (x > limit) x = limit;
  if (x < -limit) x = -limit;
  return int32_t(std::trunc(x));
}

}  // namespace

Flower::Flower() : Effect3D("Flower") {}

bool Flower::loadScene(const std::string& fileName) {
  if (!Effect3D::loadScene(fileName) || !scene()) return false;
  for (const char* name : kPetalNames)
    if (MeshObject* petal = dynamic_cast<MeshObject*>(scene()->findObject(name)))
      MorphDataReader::loadMorphData(*petal);
  return true;
}

void Flower::handleEvent(const EffectEvent& event) {
  Effect3D::handleEvent(event);
  if (!scene() || event.type != 15) return;
  scene()->setMorphTiming(startFrameOf(event.values[0]), event.values[1], event.values[2] > 0.0f);
}
