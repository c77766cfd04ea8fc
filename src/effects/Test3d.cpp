#include "Test3d.h"

#include "Material.h"
#include "Oscilloscope.h"
#include "Scene.h"
#include "SoundCapture.h"
#include "VelmorMusic.h"

Test3d::Test3d() : Effect3D("Test3d"), _scope(std::make_unique<Oscilloscope>()) {
  // The box's material is given this effect's pixel buffer, so the scene must not outlive it.
  setPrivateScenes(true);
  // Without sound the box shows an empty trace.
  if (isSoundInitialised()) _capturing = SoundCapture::instance().start(soundLibrary());
}

Test3d::~Test3d() {
  if (_capturing) SoundCapture::instance().stop();
}

void Test3d::render(uint32_t time) {
  if (!scene()) return;
  PBuffer* picture = _scope->draw(SoundCapture::instance());
  SceneObject* box = scene()->findObject(kBoxName);
  Material* material = box ? box->getMaterial() : nullptr;
  if (material && picture) material->setRenderTarget(picture);
  Effect3D::render(time);
}
