#include "FloorFrame.h"

#include "GlslProgram.h"

namespace {
const char* kFetchVertex =
    "#version 130\n"
    "void main() { gl_Position = ftransform(); }\n";
const char* kFetchFragment =
    "#version 130\n"
    "uniform sampler2D source;\n"
    "uniform int ratio;\n"
    "void main() { gl_FragColor = texelFetch(source, ivec2(gl_FragCoord.xy) * ratio, 0); }\n";
const char* kComposeVertex =
    "#version 120\n"
    "void main() {\n"
    "  gl_Position = ftransform();\n"
    "  gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "}\n";
const char* kComposeFragment =
    "#version 120\n"
    "uniform sampler2D picture;\n"
    "uniform sampler2D sharp;\n"
    "void main() {\n"
    "  gl_FragColor = texture2D(picture, gl_TexCoord[0].xy) + texture2D(sharp, gl_TexCoord[0].xy);\n"
    "}\n";

constexpr int kCaptureSize = 1024;
constexpr int kPassSize = 512;

void fullQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-1.0f, 1.0f);
  glEnd();
}
}  // namespace

FloorFrame::FloorFrame(Effect* linked, int passes, int quadsPerPass)
    : Effect("FloorFrame"), _linked(linked), _passes(passes), _quadsPerPass(quadsPerPass) {
  for (PBuffer* b : {&_capture, &_a, &_b, &_scratch}) {
    const int size = b == &_capture ? kCaptureSize : kPassSize;
    b->initialize(size, size, false);
    b->createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
  }
  _fetch = GlslProgram::build(kFetchVertex, kFetchFragment, "FloorFrame: fetch");
  _ratio = glGetUniformLocation(_fetch, "ratio");
  _compose = GlslProgram::build(kComposeVertex, kComposeFragment, "FloorFrame: compose");
  glUseProgram(_compose);
  glUniform1i(glGetUniformLocation(_compose, "picture"), 0);
  glUniform1i(glGetUniformLocation(_compose, "sharp"), 1);
  glUseProgram(0);
}

void FloorFrame::start(uint32_t time) {
  Effect::start(time);
  if (!_linked) return;
  _linked->start(time);
  _capture.enable();
  _linked->start(time);
  _capture.disable();
}

void FloorFrame::fetchQuad(GLuint source, int ratio, int size) {
  glViewport(0, 0, size, size);
  glBindTexture(GL_TEXTURE_2D, source);
  glUniform1i(_ratio, ratio);
  fullQuad();
}

void FloorFrame::update(uint32_t time) {
  Effect::update(time);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  _capture.enable();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (_linked) {
    _linked->update(time);
    _linked->render(time);
  }
  _capture.disable();
  GLuint source = _capture.getTexture();
  int ratio = kCaptureSize / kPassSize;
  for (int pass = 0; pass < _passes; ++pass) {
    PBuffer& target = pass % 2 ? _b : _a;
    target.enable();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glUseProgram(_fetch);
    for (int quad = 1; quad < _quadsPerPass; ++quad) {
      target.redirectColour(_scratch.getTexture(), 0);
      fetchQuad(source, ratio, kPassSize);
      target.redirectColour(0, 0);
      source = _scratch.getTexture();
      ratio = 1;
    }
    fetchQuad(source, ratio, kPassSize);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    target.disable();
    source = target.getTexture();
    ratio = 1;
    _result = &target;
  }
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void FloorFrame::render(uint32_t) {
  if (!_result) return;
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, _capture.getTexture());
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, _result->getTexture());
  glUseProgram(_compose);
  fullQuad();
  glUseProgram(0);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
}
