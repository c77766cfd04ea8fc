#include "PostInputEffect.h"

#include <epoxy/gl.h>

#include "ScreenHelpers.h"

PostInputEffect::PostInputEffect(const std::string& name) : Effect(name) {}

void PostInputEffect::start(uint32_t time) {
  Effect::start(time);
  ++starts;
}

void PostInputEffect::update(uint32_t time) {
  Effect::update(time);
  ++updates;
}

void PostInputEffect::render(uint32_t) {
  ++renders;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  renderViewportWidths.push_back(viewport[2]);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDepthMask(GL_TRUE);
  setOrthoProjection();
  glColor4f(background[0], background[1], background[2], 1.0f);
  drawQuad(ScreenRect{});
  for (const Patch& patch : patches) {
    glColor4f(patch.rgb[0], patch.rgb[1], patch.rgb[2], 1.0f);
    drawQuad(patch.rect);
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDepthMask(GL_TRUE);
  if (leaveDepthTest) glEnable(GL_DEPTH_TEST);
}

void PostInputEffect::setQuadrants() {
  patches = {{{0.0f, 0.0f, 0.5f, 0.5f}, {1, 0, 0}},
             {{0.5f, 0.0f, 0.5f, 0.5f}, {0, 1, 0}},
             {{0.0f, 0.5f, 0.5f, 0.5f}, {0, 0, 1}},
             {{0.5f, 0.5f, 0.5f, 0.5f}, {1, 1, 1}}};
}

void PostInputEffect::setUniform(float red, float green, float blue) {
  background[0] = red;
  background[1] = green;
  background[2] = blue;
  patches.clear();
}

void PostInputEffect::resetCounts() {
  starts = updates = renders = 0;
  renderViewportWidths.clear();
}
