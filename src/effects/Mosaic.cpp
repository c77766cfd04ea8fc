#include "Mosaic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ScreenHelpers.h"
#include "Switches.h"

namespace {

// x truncated toward zero, saturating at the 32-bit limits (NaN gives 0), so that any script
// value of "Saturation" gives a defined count.
int32_t truncateCount(float x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0f) return INT32_MAX;
  if (x <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(x);
}

}  // namespace

void Mosaic::setFastPath(bool on) { Switches::set(Switch::MosaicLiteral, !on); }

bool Mosaic::isFastPath() { return !Switches::isOn(Switch::MosaicLiteral); }

Mosaic::Mosaic() : PostEffect("Mosaic", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT) {
  registerFloat(_saturation, "Saturation", 0.4f);
  registerFloat(_preSaturation, "PreSaturation", 0.0f);
  registerBool(_zoomCenter, "ZoomCenter", true);
  createBuffer(_detail, 256, 256);
  createBuffer(_block, kBlockCount, kBlockCount);
}

float Mosaic::spanAt(float phase) { return std::min(0.01f * phase + 1.0f / static_cast<float>(kBlockCount), 0.97f); }

void Mosaic::brighten(int32_t n) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  setOrthoProjectionFlipped();
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ONE);
  glDisable(GL_TEXTURE_2D);
  // 64-bit so that doubling past the largest count cannot overflow; at most 31 quads.
  int64_t m = 1;
  for (int64_t q = 2; q <= n; q *= 2) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawQuad(ScreenRect{});
    m = q;
  }
  glColor4f(1.0f, 1.0f, 1.0f, static_cast<float>(n - m) / static_cast<float>(m));
  drawQuad(ScreenRect{});
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void Mosaic::update(uint32_t time) {
  _inputCount = truncateCount(_saturation.valueAt(time) * 10.0f);
  PostEffect::update(time);
}

void Mosaic::afterInput(PBuffer& buffer) {
  if (&buffer == &_detail) brighten(2);
  if (&buffer != &_block) return;
  _brightened = isFastPath();
  if (!_brightened) return;
  // As on the screen pass: no depth test, no culling, nothing else between the quads and the
  // pixels. The buffer's own state (kept from frame to frame) is put back afterwards.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  for (GLenum capability :
       {GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING, GL_FOG, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST})
    glDisable(capability);
  brighten(_inputCount);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void Mosaic::render(uint32_t time) {
  const float blocks = static_cast<float>(kBlockCount);
  const float span = spanAt(_phase);
  const bool zoomCenter = _zoomCenter.valueAt(time);
  const int32_t count = truncateCount(_saturation.valueAt(time) * 10.0f);

  beginScreenPass(true);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  // The blocks: the block buffer magnified (nearest), offset by half a texel about the centre.
  if (_block.isInitialized()) {
    _block.bind(WGL_FRONT_LEFT_ARB);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    const float centre = 0.5f / blocks + 0.5f;
    if (zoomCenter) glTranslatef(centre, centre, 0.0f);
    glScalef(span, span, 1.0f);
    if (zoomCenter) glTranslatef(-0.5f, -0.5f, 0.0f);
    glDisable(GL_BLEND);
    drawBufferQuad();
    // Brightened in the buffer already (fast path), or here over the screen.
    if (!_brightened) brighten(count);
    _block.release(WGL_FRONT_LEFT_ARB);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
  }

  // The detail: one copy of the whole picture per block, multiplied into the blocks.
  if (_detail.isInitialized()) {
    _detail.bind(WGL_FRONT_LEFT_ARB);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    if (zoomCenter) glTranslatef(0.5f, 0.5f, 0.0f);
    glScalef(blocks * span, blocks * span, 1.0f);
    if (zoomCenter) glTranslatef(-0.5f, -0.5f, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    drawBufferQuad();
    _detail.release(WGL_FRONT_LEFT_ARB);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
  }
  glEnable(GL_TEXTURE_2D);  // the end state does not depend on which buffers exist
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  endScreenPass();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
