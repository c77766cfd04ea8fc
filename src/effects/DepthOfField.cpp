#include "DepthOfField.h"

#include <cmath>

#include "Blur.h"
#include "ErrorReport.h"
#include "Material.h"
#include "ScreenHelpers.h"

namespace {
// Shared by every instance: the last program loaded (0: none).
GLuint gProgram = 0;
constexpr const char* kProgramFile = "data/shaders/dof_light.vds";

constexpr int kCaptureSize = 1024;  // pixels
constexpr int kPassSize = 512;      // pixels

// Step and start offset (target pixels) of the four passes, as Blur spaces them.
const float kPassSteps[4][2] = {{1.0f, 2.5f}, {3.0f, 6.5f}, {5.0f, 12.5f}, {7.0f, 17.5f}};

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }
}  // namespace

DepthOfField::DepthOfField() : PostEffect("DOF", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, false) {
  PBuffer* const buffers[4] = {&_capture, &_a, &_b, &_c};
  for (PBuffer* buffer : buffers) {
    createBuffer(*buffer, buffer == &_capture ? kCaptureSize : kPassSize,
                 buffer == &_capture ? kCaptureSize : kPassSize, GL_LINEAR, false);
    assertTrue(buffer->isInitialized(), __FILE__, __LINE__);
  }
  // The fast passes' programs are made now rather than in the middle of the show: a pass of
  // weight 0 leaves A as cleared.
  if (Blur::isFastPath()) {
    for (const auto& pass : kPassSteps)
      Blur::blurPass(Blur::Source{&_capture, nullptr}, _a, pass[0], pass[1], 0.0f, false, false);
  }
  registerBool(_doBlur, "DoBlur", true);
  registerBool(_doGlow, "DoGlow", true);
  registerVariable(_blurAmount, "BlurAmount", EffectVariable::kNoStringList, EffectVariable::kInt);
  _blurAmount.setCount(4);
  _blurAmount.setCurrentValue(2);
  registerFloat(_blurFactor, "BlurFactor", 0.25f);
  registerFloat(_glowStrength, "GlowStrength", 1.0f);
  registerFloat(_constant, "Constant", 0.5f);
  registerFloat(_weight1, "Weight1", 1.0f);
  registerFloat(_weight2, "Weight2", 0.0f);
}

DepthOfField::~DepthOfField() = default;

std::array<float, 4> DepthOfField::focusParameters(float constant, float weight1, float weight2) {
  return {0.0f, finiteOrZero(constant * 0.01f), finiteOrZero((weight1 * 2.0f - 0.5f) * 2.0f),
          finiteOrZero((weight2 - 0.5f) * 2.0f)};
}

GLuint DepthOfField::getProgram() { return gProgram; }

bool DepthOfField::hasVertexPrograms() {
  return Material::hasVertexPrograms() && epoxy_has_gl_extension("GL_ARB_vertex_shader");
}

void DepthOfField::loadProgram() {
  if (!hasVertexPrograms()) return;
  // Every instance uses the last program loaded: the one before it is not needed any more.
  if (gProgram != 0) glDeleteProgramsARB(1, &gProgram);
  gProgram = 0;
  GLuint program = 0;
  glGenProgramsARB(1, &program);
  glBindProgramARB(GL_VERTEX_PROGRAM_ARB, program);
  if (Material::loadVertexProgram(kProgramFile)) {
    gProgram = program;
    return;
  }
  // Without a program the capture draws as the linked effect does on its own.
  glBindProgramARB(GL_VERTEX_PROGRAM_ARB, 0);
  glDeleteProgramsARB(1, &program);
}

void DepthOfField::startLinked(uint32_t time) {
  _linkedEffect->start(time);
  if (!_capture.isInitialized()) return;
  _capture.enable();
  _linkedEffect->start(time);
  loadProgram();
  _capture.disable();
}

void DepthOfField::runInputPass(uint32_t time) {
  if (!hasVertexPrograms()) return;
  _glow = _doGlow.valueAt(time);
  _blur = _doBlur.valueAt(time);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);

  if (_capture.isInitialized()) {
    _capturing = true;
    _capture.enable();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    _linkedEffect->update(time);
    checkGLError(__FILE__, __LINE__);
    if (gProgram != 0) {
      glEnable(GL_VERTEX_PROGRAM_ARB);
      glBindProgramARB(GL_VERTEX_PROGRAM_ARB, gProgram);
    }
    checkGLError(__FILE__, __LINE__);
    const std::array<float, 4> focus =
        focusParameters(_constant.valueAt(time), _weight1.valueAt(time), _weight2.valueAt(time));
    const std::array<float, 4> light = lightParameters();
    glProgramEnvParameter4fvARB(GL_VERTEX_PROGRAM_ARB, 0, focus.data());
    glProgramEnvParameter4fvARB(GL_VERTEX_PROGRAM_ARB, 1, light.data());
    checkGLError(__FILE__, __LINE__);
    _linkedEffect->render(time);
    checkGLError(__FILE__, __LINE__);
    glDisable(GL_VERTEX_PROGRAM_ARB);
    _capture.disable();
    _capturing = false;
  }

  if (_blur) {
    const int32_t n = int32_t(_blurAmount.valueAt(time));
    const float w = _blurFactor.valueAt(time) * (2.0f * _pulse + 1.0f) * 2.0f;
    const float c = w / 12.0f;
    PBuffer* const targets[4] = {&_a, &_b, &_c, &_a};
    Blur::Source source{&_capture, nullptr};
    for (int pass = 0; pass < 4 && n >= pass; ++pass) {
      Blur::blurPass(source, *targets[pass], kPassSteps[pass][0], kPassSteps[pass][1], c, false, false);
      _result = targets[pass];
      source = Blur::Source{targets[pass], nullptr};
    }
  }
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void DepthOfField::render(uint32_t time) {
  if (_capturing) return;  // linked back to itself: its own capture is being drawn
  PBuffer* picture = _blur ? _result : &_capture;
  if (!_result || !picture) return;
  const ScreenRect full{0.0f, 0.0f, 1.0f, 1.0f};
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  setOrthoProjectionFlipped();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  picture->bind(WGL_FRONT_LEFT_ARB);
  drawTexturedQuadPart(nullptr, full, full);
  picture->release(WGL_FRONT_LEFT_ARB);
  if (_glow) {
    glBlendEquation(GL_FUNC_ADD);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float g = _glowStrength.valueAt(time);
    glColor4f(g, g, g, g);
    _capture.bind(WGL_FRONT_LEFT_ARB);
    drawTexturedQuadPart(nullptr, full, full);
    _capture.release(WGL_FRONT_LEFT_ARB);
    glDisable(GL_BLEND);
  }
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
