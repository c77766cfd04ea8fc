#include "ScreenHelpers.h"

#include "Texture.h"

#include <epoxy/gl.h>

namespace {

const ScreenRect kWholeTexture = {0.0f, 0.0f, 1.0f, 1.0f};

void loadOrtho(double bottom, double top) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 1.0, bottom, top, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void emitQuad(const ScreenRect& rect, const ScreenRect& tex) {
  const float left = rect.x, right = rect.x + rect.width;
  const float top = 1.0f - rect.y, bottom = 1.0f - (rect.y + rect.height);
  glBegin(GL_QUADS);
  glTexCoord2f(tex.x, tex.y);
  glVertex2f(left, top);
  glTexCoord2f(tex.x + tex.width, tex.y);
  glVertex2f(right, top);
  glTexCoord2f(tex.x + tex.width, tex.y + tex.height);
  glVertex2f(right, bottom);
  glTexCoord2f(tex.x, tex.y + tex.height);
  glVertex2f(left, bottom);
  glEnd();
}

void drawWithTexture(const Texture* texture, const ScreenRect& rect, const ScreenRect& texRect) {
  if (texture) {
    texture->bind();
    glEnable(GL_TEXTURE_2D);
  }
  emitQuad(rect, texRect);
  if (texture) glDisable(GL_TEXTURE_2D);
}

}  // namespace

void setOrthoProjection() { loadOrtho(0.0, 1.0); }

void setOrthoProjectionFlipped() { loadOrtho(1.0, 0.0); }

void drawQuad(const ScreenRect& rect) { emitQuad(rect, kWholeTexture); }

void drawTexturedQuad(const Texture* texture, const ScreenRect& rect) { drawWithTexture(texture, rect, kWholeTexture); }

void drawQuadPart(const ScreenRect& rect, const ScreenRect& texRect) { emitQuad(rect, texRect); }

void drawTexturedQuadPart(const Texture* texture, const ScreenRect& rect, const ScreenRect& texRect) {
  drawWithTexture(texture, rect, texRect);
}
