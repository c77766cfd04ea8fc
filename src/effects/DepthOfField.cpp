#include "DepthOfField.h"

#include <algorithm>
#include <cmath>

#include "BlurChain.h"
#include "ErrorReport.h"
#include "GLContextCheck.h"
#include "GLGeneration.h"
#include "GlslProgram.h"
#include "Material.h"
#include "ScreenHelpers.h"

namespace {
// Shared by every instance: the program loaded by the first start that found the file (0: none).
GLuint gProgram = 0;
constexpr const char* kProgramFile = "data/shaders/dof_light.vds";

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }

// The fast composition: the picture as the window would hold it (8 bits), the sharp capture
// mixed over it by its alpha, as the blended second quad does. glow is "GlowStrength" clamped to
// 0..1, as the quad's colour is.
const char* kComposeVertex =
    "#version 120\n"
    "void main() {\n"
    "  gl_Position = ftransform();\n"
    "  gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;\n"
    "}\n";
const char* kComposeFragment =
    "#version 120\n"
    "uniform sampler2D picture;\n"
    "uniform sampler2D sharp;\n"
    "uniform float glow;\n"
    "void main() {\n"
    "  vec4 below = floor(texture2D(picture, gl_TexCoord[0].xy) * 255.0 + 0.5) / 255.0;\n"
    "  vec4 over = texture2D(sharp, gl_TexCoord[0].xy) * glow;\n"
    "  gl_FragColor = mix(below, over, over.a);\n"
    "}\n";

struct ComposeProgram {
  GLuint program = 0;  // 0: could not be made (the literal quads are drawn then)
  GLint glow = -1;
  bool tried = false;
};
ComposeProgram gCompose;
GLGeneration gGeneration;  // window context gProgram and gCompose were made in

// Forgets the programs of a window context that is gone (not deleted: they went with it).
void dropStalePrograms() {
  if (!gGeneration.changed()) return;
  gProgram = 0;
  gCompose = ComposeProgram();
}

const ComposeProgram& composeProgram() {
  dropStalePrograms();
  if (gCompose.tried) return gCompose;
  gCompose.tried = true;
  gCompose.program = GlslProgram::build(kComposeVertex, kComposeFragment, "DOF: composition");
  if (!gCompose.program) return gCompose;
  GlslProgram::setSamplerUnits(gCompose.program, {{"picture", 0}, {"sharp", 1}});
  gCompose.glow = glGetUniformLocation(gCompose.program, "glow");
  return gCompose;
}
}  // namespace

DepthOfField::DepthOfField() : PostEffect("DOF", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, false) {
  for (PBuffer* buffer : _chain.buffers()) {
    createBuffer(*buffer, _chain.sizeOf(*buffer), _chain.sizeOf(*buffer), GL_LINEAR, false);
    assertTrue(buffer->isInitialized(), __FILE__, __LINE__);
  }
  // The fast path's programs are made now rather than in the middle of the show.
  if (BlurChain::isFastPath()) {
    composeProgram();
    _chain.createPrograms();
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

GLuint DepthOfField::getProgram() {
  dropStalePrograms();
  return gProgram;
}

bool DepthOfField::hasVertexPrograms() {
  // Asked every frame: the answer of the first context is kept (every context here comes from
  // the same GL).
  static int known = -1;  // -1: not asked yet
  if (known < 0 && Material::hasVertexPrograms()) known = epoxy_has_gl_extension("GL_ARB_vertex_shader") ? 1 : 0;
  return known == 1;
}

void DepthOfField::loadProgram() {
  if (!hasVertexPrograms()) return;
  dropStalePrograms();
  // Loaded once per window context and kept: later starts (the show's warm-up plays each start
  // before the show) read no file and compile nothing.
  if (gProgram != 0) return;
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

void DepthOfField::releaseProgram() {
  dropStalePrograms();
  if (gProgram != 0 && hasCurrentGLContext()) glDeleteProgramsARB(1, &gProgram);
  gProgram = 0;
}

void DepthOfField::startLinked(uint32_t time) {
  _linkedEffect->start(time);
  PBuffer& capture = _chain.getCapture();
  if (!capture.isInitialized()) return;
  capture.enable();
  _linkedEffect->start(time);
  loadProgram();
  capture.disable();
}

void DepthOfField::runInputPass(uint32_t time) {
  if (!hasVertexPrograms()) return;
  _glow = _doGlow.valueAt(time);
  _blur = _doBlur.valueAt(time);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);

  PBuffer& capture = _chain.getCapture();
  if (capture.isInitialized()) {
    _capturing = true;
    capture.enable();
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
    _capturing = false;
    // The passes draw in the capture's context: one switch and one wait fewer.
    if (_blur) runPasses(time, &capture);
    capture.disable();
  } else if (_blur) {
    runPasses(time, nullptr);
  }
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void DepthOfField::runPasses(uint32_t time, PBuffer* host) {
  const int32_t n = int32_t(_blurAmount.valueAt(time));
  const float w = _blurFactor.valueAt(time) * (2.0f * _pulse + 1.0f) * 2.0f;
  _chain.runPasses(BlurChain::Source{&_chain.getCapture(), nullptr}, host, n, w / 12.0f, false, false, false);
}

void DepthOfField::render(uint32_t time) {
  if (_capturing) return;  // linked back to itself: its own capture is being drawn
  PBuffer& capture = _chain.getCapture();
  PBuffer* picture = _blur ? _chain.getResult() : &capture;
  if (!_chain.getResult() || !picture) return;
  const ScreenRect full{0.0f, 0.0f, 1.0f, 1.0f};
  beginPictureOverlay();
  const float g = _glow ? _glowStrength.valueAt(time) : 0.0f;
  if (!(_glow && BlurChain::isFastPath() && composeFast(*picture, g))) {
    picture->bind(WGL_FRONT_LEFT_ARB);
    drawTexturedQuadPart(nullptr, full, full);
    picture->release(WGL_FRONT_LEFT_ARB);
    if (_glow) {
      glBlendEquation(GL_FUNC_ADD);
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glColor4f(g, g, g, g);
      capture.bind(WGL_FRONT_LEFT_ARB);
      drawTexturedQuadPart(nullptr, full, full);
      capture.release(WGL_FRONT_LEFT_ARB);
      glDisable(GL_BLEND);
    }
  }
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

bool DepthOfField::composeFast(PBuffer& picture, float glowStrength) {
  const ComposeProgram& p = composeProgram();
  if (!p.program) return false;
  const ScreenRect full{0.0f, 0.0f, 1.0f, 1.0f};
  PBuffer& capture = _chain.getCapture();
  glActiveTexture(GL_TEXTURE1);
  capture.bind(WGL_FRONT_LEFT_ARB);
  glActiveTexture(GL_TEXTURE0);
  picture.bind(WGL_FRONT_LEFT_ARB);
  glUseProgram(p.program);
  glUniform1f(p.glow, glowStrength > 0.0f ? std::min(glowStrength, 1.0f) : 0.0f);
  drawTexturedQuadPart(nullptr, full, full);
  glUseProgram(0);
  picture.release(WGL_FRONT_LEFT_ARB);
  glActiveTexture(GL_TEXTURE1);
  capture.release(WGL_FRONT_LEFT_ARB);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  return true;
}
