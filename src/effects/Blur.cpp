#include "Blur.h"

#include <algorithm>
#include <cmath>

#include "GLGeneration.h"
#include "GlslProgram.h"
#include "ScreenHelpers.h"
#include "TextureManager.h"

namespace {
constexpr int kCopySize = 512;  // pixels of the copy-path region and of "atiblur"

struct GlowProgram {
  GLuint program = 0;  // 0: could not be made (the two quads are drawn then)
  GLint strength = -1;
  bool tried = false;
};
GlowProgram gGlow;
GLGeneration gGlowGeneration;  // window context gGlow was made in

// The glow in one quad (fast path): the sharp picture as the window holds it after its opaque
// quad, plus the picture times the glow strength as the added quad's 8-bit colour, clamped as
// the blending clamps. The strength is clamped to 0..1 as the quad's colour is.
const char* kGlowVertex =
    "#version 120\n"
    "void main() {\n"
    "  gl_Position = ftransform();\n"
    "  gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;\n"
    "}\n";
const char* kGlowFragment =
    "#version 120\n"
    "uniform sampler2D sharp;\n"
    "uniform sampler2D picture;\n"
    "uniform float strength;\n"
    "void main() {\n"
    "  vec4 below = floor(texture2D(sharp, gl_TexCoord[0].xy) * 255.0 + 0.5);\n"
    "  vec4 added = floor(texture2D(picture, gl_TexCoord[0].xy) * strength * 255.0 + 0.5);\n"
    "  gl_FragColor = min(below + added, 255.0) / 255.0;\n"
    "}\n";

const GlowProgram& glowProgram() {
  // Forgets the program of a window context that is gone (not deleted: it went with it).
  if (gGlowGeneration.changed()) gGlow = GlowProgram();
  GlowProgram& p = gGlow;
  if (p.tried) return p;
  p.tried = true;
  p.program = GlslProgram::build(kGlowVertex, kGlowFragment, "Blur: glow");
  if (!p.program) return p;
  GlslProgram::setSamplerUnits(p.program, {{"sharp", 1}, {"picture", 0}});
  p.strength = glGetUniformLocation(p.program, "strength");
  return p;
}

// Draws sharp and, added over it, picture in one quad; false when the program is missing.
bool composeGlow(const Blur::Source& sharp, const Blur::Source& picture, float strength) {
  const GlowProgram& p = glowProgram();
  if (!p.program) return false;
  const ScreenRect full{0.0f, 0.0f, 1.0f, 1.0f};
  glActiveTexture(GL_TEXTURE1);
  sharp.bind();
  glActiveTexture(GL_TEXTURE0);
  picture.bind();
  glUseProgram(p.program);
  glUniform1f(p.strength, std::min(std::max(strength, 0.0f), 1.0f));
  drawTexturedQuadPart(nullptr, full, full);
  glUseProgram(0);
  picture.release();
  glActiveTexture(GL_TEXTURE1);
  sharp.release();
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  return true;
}
}  // namespace

Blur::Blur() : PostEffect("Blur", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT, false) {
  registerBool(_doBlur, "DoBlur", false);
  registerBool(_doMulSub, "DoMulSub", false);
  registerBool(_doGlow, "DoGlow", false);
  registerVariable(_blurAmount, "BlurAmount", EffectVariable::kNoStringList, EffectVariable::kInt);
  _blurAmount.setCurrentValue(1);
  registerBool(_blurOnlyX, "BlurOnlyX", false);
  registerBool(_blurOnlyY, "BlurOnlyY", false);
  registerFloat(_subtract, "Subtract", 0.4f);
  registerFloat(_multiply, "Multiply", 1.0f);
  registerFloat(_blurFactor, "BlurFactor", 0.5f);
  registerFloat(_glowStrength, "GlowStrength", 1.0f);
  // The capture is listed for the input pass (PostEffect's buffers); this effect runs its own.
  for (PBuffer* buffer : _chain.buffers())
    createBuffer(*buffer, _chain.sizeOf(*buffer), _chain.sizeOf(*buffer), GL_LINEAR, buffer == &_chain.getCapture());
  PBuffer& captureBuffer = _chain.getCapture();
  _copyPath = !PBuffer::hasRenderDepthTexture();
  if (_copyPath) findAtiBlur();
  // Before the first update: the capture as cleared, or "atiblur".
  _sharp = _copyPath && _atiBlur ? Source{nullptr, _atiBlur} : Source{&captureBuffer, nullptr};
  if (!captureBuffer.isInitialized() && !_sharp.texture) _sharp = Source{};
  // The programs of the usual passes are made now rather than in the middle of the show.
  if (!_copyPath) _chain.createPrograms();
}

Blur::~Blur() = default;

void Blur::findAtiBlur() {
  if (!_atiBlur)
    _atiBlur = TextureManager::getInstance().createTexture("atiblur", kCopySize, kCopySize, GL_TEXTURE_2D, GL_RGBA);
}

void Blur::start(uint32_t time) {
  PostEffect::start(time);
  if (_copyPath) findAtiBlur();
  _amplitude = 1.0f;
  _shakeStart = time;
  _direction[0] = _direction[1] = _direction[2] = 0.0f;
}

void Blur::startLinked(uint32_t time) {
  PBuffer& capture = _chain.getCapture();
  if (!_copyPath && capture.isInitialized()) {
    capture.enable();
    _linkedEffect->start(time);
    capture.disable();
  }
  _linkedEffect->start(time);
}

void Blur::handleEvent(const EffectEvent& event) {
  PostEffect::handleEvent(event);
  switch (event.type) {
    case 10:
      _direction[0] = event.values[0];
      _direction[1] = event.values[1];
      _duration = event.values[2];
      _shakeStart = event.time;
      break;
    case 12:
      _amplitude = event.values[0];
      _duration = event.values[1];
      _shakeStart = event.time;
      break;
    case 17:
      _copyPath = event.value > 0.0f && !PBuffer::hasRenderDepthTexture();
      break;
    default:
      break;
  }
}

void Blur::runInputPass(uint32_t time) {
  if (_copyPath) findAtiBlur();
  _glow = _doGlow.valueAt(time);
  _blur = _doBlur.valueAt(time);
  _mulSub = _doMulSub.valueAt(time);
  _chain.clearResult();
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);

  Source source;
  if (_copyPath && _atiBlur) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, kCopySize, kCopySize);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    _atiBlur->bind();
    _linkedEffect->update(time);
    _linkedEffect->render(time);
    glEnable(GL_TEXTURE_2D);
    _atiBlur->bind();
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kCopySize, kCopySize);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    source.texture = _atiBlur;
    _sharp = source;
  } else if (_chain.getCapture().isInitialized()) {
    PBuffer& capture = _chain.getCapture();
    capture.enable();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    _linkedEffect->update(time);
    _linkedEffect->render(time);
    source.buffer = &capture;
    _sharp = source;
    // Straight from the capture, the passes draw in its context: one switch and one wait fewer.
    if (_blur && !_mulSub) {
      runPasses(time, source, &capture);
      source = Source{};
    }
    capture.disable();
  }

  PBuffer& c = _chain.passBufferC();
  if (_mulSub && source.exists() && c.isInitialized()) {
    brightPass(source, c, _subtract.valueAt(time), _multiply.valueAt(time));
    source = Source{&c, nullptr};
  }
  if (_blur && source.exists()) runPasses(time, source, nullptr);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void Blur::runPasses(uint32_t time, Source source, PBuffer* host) {
  const int32_t n = int32_t(_blurAmount.valueAt(time));
  const float w = _blurFactor.valueAt(time) * (2.0f * _pulse + 1.0f) * 2.0f;
  const bool onlyX = _blurOnlyX.valueAt(time), onlyY = _blurOnlyY.valueAt(time);
  _chain.runPasses(source, host, n, w / ((onlyX || onlyY) ? 6.0f : 12.0f), onlyX, onlyY, _copyPath);
}

void Blur::brightPass(const Source& source, PBuffer& target, float subtract, float multiply) {
  if (!target.isInitialized()) return;
  const ScreenRect full{0.0f, 0.0f, 1.0f, 1.0f};
  target.enable();
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  setOrthoProjectionFlipped();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  source.bind();
  drawTexturedQuadPart(nullptr, full, full);
  source.release();
  glColor4f(subtract, subtract, subtract, subtract);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  drawTexturedQuadPart(nullptr, full, full);
  glBlendEquation(GL_FUNC_ADD);
  if (multiply > 0.0f) {
    glBlendFunc(GL_DST_COLOR, GL_ONE);
    glColor4f(multiply, multiply, multiply, multiply);
    for (int i = 0; i < 4; ++i) drawTexturedQuadPart(nullptr, full, full);
  }
  glBlendEquation(GL_FUNC_ADD);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  target.disable();
}

float Blur::shakeAt(uint32_t time) {
  if (std::fabs(_duration) < 1.0f) _duration = 1.0f;
  const float elapsed = float(time) - float(_shakeStart);
  return _amplitude / std::exp(_speedFactor * elapsed / _duration + 1.0f);
}

void Blur::render(uint32_t time) {
  if (!_linkedEffect) return;
  const ScreenRect full{0.0f, 0.0f, 1.0f, 1.0f};
  beginPictureOverlay();
  glTranslatef(0.5f, 0.5f, 0.0f);
  const float d = shakeAt(time);
  glTranslatef(_direction[0] * d, _direction[1] * d, _direction[2] * d);
  glTranslatef(-0.5f, -0.5f, 0.0f);

  Source picture = _sharp;
  if ((_blur || _mulSub) && _chain.getResult()) picture = Source{_chain.getResult(), nullptr};
  if (_glow) {
    const Source& current = _sharp;
    const float g = _glowStrength.valueAt(time);
    glBlendFunc(GL_ONE, GL_ONE);
    if (isFastPath() && current.exists() && picture.exists() && composeGlow(current, picture, g)) {
      picture = Source{};  // drawn
    } else {
      glDisable(GL_BLEND);
      if (current.exists()) {
        current.bind();
        drawTexturedQuadPart(nullptr, full, full);
        current.release();
      }
      glEnable(GL_BLEND);
      glColor4f(g, g, g, g);
    }
  }
  if (picture.exists()) {
    picture.bind();
    drawTexturedQuadPart(nullptr, full, full);
    picture.release();
  }
  if (_glow) glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
