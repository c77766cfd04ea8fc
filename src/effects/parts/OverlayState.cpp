#include "OverlayState.h"

#include "ScreenHelpers.h"

void OverlayState::begin(GLenum source, GLenum destination) {
  setOrthoProjection();
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(source, destination);
}

void OverlayState::end() {
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
