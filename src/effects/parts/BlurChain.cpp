#include "BlurChain.h"

#include <map>
#include <string>
#include <vector>

#include "BlurPassText.h"
#include "GLGeneration.h"
#include "GlslProgram.h"
#include "Switches.h"
#include "Texture.h"

namespace {
using BlurPassText::kPassSteps;
using BlurPassText::tapMargin;
using BlurPassText::tapShifts;
using BlurPassText::tapSumFragment;
using BlurPassText::tapValueFragment;

// Process-wide switches.
bool gTexelFetches = true;  // fast passes fetch texels where they can (else filtered samples)
bool gSplitPasses = true;   // fast passes split through scratch buffers where they can

// The pass quad over (0, 0)-(size, size) in the y-down pixel projection; the picture's first
// row (its bottom) lands at the bottom.
void drawPassQuad(float size) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(0.0f, size);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(size, size);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(size, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(0.0f, 0.0f);
  glEnd();
}

struct PassProgram {
  GLuint program = 0;  // 0: could not be made (the literal taps are drawn then)
  GLint weight = -1;
};
std::map<std::string, PassProgram> gPrograms;  // by fragment program text

// The programs of the pass shapes met so far (pointers into gPrograms).
struct FastShape {
  int sourceSize;
  float size, step, offset;
  bool onlyX, onlyY, fetches;
  const PassProgram* program;
};
std::vector<FastShape> gFastShapes;
// The programs of a split pass (no sum: the pass shape or the weight does not allow one; the
// single program or the literal taps are drawn then).
struct SplitPrograms {
  const PassProgram* values;  // the tap values across, then down (those the pass has)
  const PassProgram* sum;     // the sum inside the margin
  const PassProgram* border;  // the sum within margin pixels of an edge
  int margin;
};
struct SplitShape {
  int sourceSize, size;
  float step, offset;
  bool onlyX, onlyY;
  SplitPrograms programs;
};
std::vector<SplitShape> gSplitShapes;

GLGeneration gGeneration;  // window context the programs were made in

// Forgets every program made in a window context that is gone (their names are not deleted: they
// went with it). Called before any of them is used.
void dropStaleObjects() {
  if (!gGeneration.changed()) return;
  gFastShapes.clear();
  gSplitShapes.clear();
  gPrograms.clear();
}

const PassProgram& passProgram(const std::string& text) {
  dropStaleObjects();
  auto found = gPrograms.find(text);
  if (found != gPrograms.end()) return found->second;
  PassProgram& p = gPrograms[text];
  const GLuint program = GlslProgram::build(BlurPassText::passVertex(), text.c_str(), "Blur: pass");
  if (!program) return p;
  p.program = program;
  p.weight = glGetUniformLocation(program, "weight");
  GlslProgram::setSamplerUnits(program, {{"source", 0}, {"across", 0}, {"down", 1}});
  return p;
}

// The program for taps moved by shifts into a target of size from a source of sourceSize
// pixels: texel fetches where they apply, filtered samples otherwise.
const PassProgram& passProgram(const std::vector<float>& shifts, float size, int sourceSize) {
  return passProgram(BlurPassText::passFragment(shifts, size, sourceSize, gTexelFetches));
}

// The fast program of a pass (program 0: none; the literal taps are drawn then).
const PassProgram& fastProgram(int sourceSize, float size, float step, float offset, bool onlyX, bool onlyY,
                               bool literal) {
  static const PassProgram kNone;
  if (!BlurChain::isFastPath() || literal || (onlyX && onlyY)) return kNone;
  dropStaleObjects();
  // Found by the pass's shape, so that a frame builds no program text (and allocates nothing).
  for (const FastShape& s : gFastShapes)
    if (s.sourceSize == sourceSize && s.size == size && s.step == step && s.offset == offset && s.onlyX == onlyX &&
        s.onlyY == onlyY && s.fetches == gTexelFetches)
      return *s.program;
  const PassProgram& made = passProgram(tapShifts(step, offset, onlyX, onlyY), size, sourceSize);
  gFastShapes.push_back({sourceSize, size, step, offset, onlyX, onlyY, gTexelFetches, &made});
  return made;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// Scratch buffer usable for tap values of a size x size target.
bool fits(const PBuffer* scratch, int size) {
  return scratch && scratch->isInitialized() && scratch->getWidth() == size && scratch->getHeight() == size;
}

SplitPrograms splitPrograms(const BlurChain::Scratch& scratch, int sourceSize, int size, float step, float offset,
                            float weight, bool onlyX, bool onlyY) {
  const SplitPrograms none{nullptr, nullptr, nullptr, 0};
  if (!BlurChain::isFastPath() || scratch.literal || !gTexelFetches || !gSplitPasses || (onlyX && onlyY)) return none;
  if (!(weight >= 0.0f && weight <= 1.0f) || !isPowerOfTwo(size) || (sourceSize != size && sourceSize != 2 * size))
    return none;
  if ((!onlyY && !fits(scratch.across, size)) || (!onlyX && !fits(scratch.down, size))) return none;
  dropStaleObjects();
  for (const SplitShape& s : gSplitShapes)
    if (s.sourceSize == sourceSize && s.size == size && s.step == step && s.offset == offset && s.onlyX == onlyX &&
        s.onlyY == onlyY)
      return s.programs;
  const std::vector<float> shifts = tapShifts(step, offset, onlyX, onlyY);
  SplitPrograms programs = none;
  if (BlurPassText::tapsHalfway(shifts, float(size))) {
    programs.values = &passProgram(tapValueFragment(!onlyY, !onlyX, sourceSize / size, sourceSize));
    if (programs.values->program) {
      programs.sum = &passProgram(tapSumFragment(shifts, float(size), false));
      programs.border = &passProgram(tapSumFragment(shifts, float(size), true));
      programs.margin = tapMargin(shifts);
    }
    if (programs.sum && !(programs.sum->program && programs.border->program)) programs.sum = nullptr;
  }
  gSplitShapes.push_back({sourceSize, size, step, offset, onlyX, onlyY, programs});
  return programs;
}

// The pass quad over the whole of a size x size buffer, with the projection and the state of a
// pass (depth off, blending off).
void beginPassQuad(float size) {
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, double(size), double(size), 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// Sums the taps in one quad that writes every pixel of the target.
void fastTaps(const PassProgram& p, float size, float weight) {
  glDisable(GL_BLEND);
  glUseProgram(p.program);
  glUniform1f(p.weight, weight);
  drawPassQuad(size);
  glUseProgram(0);
}

// The rectangle [x0, x1) x [y0, y1) of window pixels (y upwards) of a size x size target, in
// the y-down pixel projection of a pass.
void drawPixelRect(float size, int x0, int y0, int x1, int y1) {
  if (x0 >= x1 || y0 >= y1) return;
  glBegin(GL_QUADS);
  glVertex2f(float(x0), size - float(y0));
  glVertex2f(float(x1), size - float(y0));
  glVertex2f(float(x1), size - float(y1));
  glVertex2f(float(x0), size - float(y1));
  glEnd();
}

// The sum of a split pass over a size x size target: the plain program inside the margin, the
// one with the edge tests on the four strips along the edges.
void sumTaps(const SplitPrograms& split, int size) {
  const int m = split.margin;
  const float s = float(size);
  glDisable(GL_BLEND);
  if (2 * m >= size) {  // no inside
    glUseProgram(split.border->program);
    drawPixelRect(s, 0, 0, size, size);
    glUseProgram(0);
    return;
  }
  glUseProgram(split.sum->program);
  drawPixelRect(s, m, m, size - m, size - m);
  glUseProgram(split.border->program);
  drawPixelRect(s, 0, 0, size, m);
  drawPixelRect(s, 0, size - m, size, size);
  drawPixelRect(s, 0, m, m, size - m);
  drawPixelRect(s, size - m, m, size, size - m);
  glUseProgram(0);
}

void literalTaps(float size, float step, float offset, bool onlyX, bool onlyY) {
  if (!onlyY) {
    glPushMatrix();
    glTranslatef(-offset, 0.0f, 0.0f);
    drawPassQuad(size);
    for (int k = 0; k < 5; ++k) {
      glTranslatef(step, 0.0f, 0.0f);
      drawPassQuad(size);
    }
    glPopMatrix();
  }
  if (!onlyX) {
    glTranslatef(0.0f, -offset, 0.0f);
    drawPassQuad(size);
    for (int k = 0; k < 5; ++k) {
      glTranslatef(0.0f, step, 0.0f);
      drawPassQuad(size);
    }
  }
}
}  // namespace

void BlurChain::Source::bind() const {
  if (buffer)
    buffer->bind(WGL_FRONT_LEFT_ARB);
  else if (texture)
    texture->bind();
}

void BlurChain::Source::release() const {
  if (!buffer) return;
  buffer->release(WGL_FRONT_LEFT_ARB);
  glBindTexture(GL_TEXTURE_2D, 0);
}

void BlurChain::setFastPath(bool on) { Switches::set(Switch::BlurLiteral, !on); }

bool BlurChain::isFastPath() { return !Switches::isOn(Switch::BlurLiteral); }

void BlurChain::setTexelFetches(bool on) { gTexelFetches = on; }

void BlurChain::setSplitPasses(bool on) { gSplitPasses = on; }

void BlurChain::createPrograms() {
  if (!isFastPath() || !_a.isInitialized()) return;
  const float size = float(_a.getWidth());
  passProgram(tapShifts(kPassSteps[0][0], kPassSteps[0][1], false, false), size, _capture.getWidth());
  for (const auto& pass : kPassSteps) passProgram(tapShifts(pass[0], pass[1], false, false), size, _a.getWidth());
  int sourceSize = _capture.getWidth();
  for (const auto& pass : kPassSteps) {
    splitPrograms(Scratch{&_across, &_down}, sourceSize, _a.getWidth(), pass[0], pass[1], 0.5f, false, false);
    sourceSize = _a.getWidth();
  }
}

void BlurChain::runPasses(Source source, PBuffer* host, int32_t lastPass, float weight, bool onlyX, bool onlyY,
                          bool literal) {
  PBuffer* const targets[4] = {&_a, &_b, &_c, &_a};
  for (int32_t pass = 0; pass < 4 && lastPass >= pass; ++pass) {
    PBuffer& into = *targets[pass];
    blurPass(source, into, kPassSteps[pass][0], kPassSteps[pass][1], weight, onlyX, onlyY,
             Scratch{&_across, &_down, host, literal});
    if (!into.isInitialized()) break;  // nothing more to read from
    _result = &into;
    source = Source{&into, nullptr};
  }
}

void BlurChain::blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                         bool onlyY) {
  blurPass(source, target, step, offset, weight, onlyX, onlyY, Scratch{});
}

void BlurChain::blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                         bool onlyY, const Scratch& scratch) {
  if (!target.isInitialized()) return;
  const float size = float(target.getWidth());
  const int sourceSize = source.buffer ? source.buffer->getWidth() : source.texture ? source.texture->getWidth() : 0;
  const SplitPrograms split =
      target.getHeight() == target.getWidth()
          ? splitPrograms(scratch, sourceSize, target.getWidth(), step, offset, weight, onlyX, onlyY)
          : SplitPrograms{nullptr, nullptr, nullptr, 0};
  if (split.sum) {
    // The tap values into the scratch buffers, then their sum into the target, all in one
    // context: the host's, whose state is kept, or the target's.
    const GLuint across = onlyY ? 0 : scratch.across->getTexture();
    const GLuint down = onlyX ? 0 : scratch.down->getTexture();
    PBuffer* const host = scratch.host;
    const bool hosted = host && host->isCurrent() && host != &target && host->getWidth() >= target.getWidth() &&
                        host->getHeight() >= target.getHeight();
    PBuffer& drawer = hosted ? *host : target;
    GLint program = 0;
    if (hosted) {
      glPushAttrib(GL_ALL_ATTRIB_BITS);
      glGetIntegerv(GL_CURRENT_PROGRAM, &program);
      glMatrixMode(GL_PROJECTION);
      glPushMatrix();
      glMatrixMode(GL_MODELVIEW);
      glPushMatrix();
      glViewport(0, 0, target.getWidth(), target.getHeight());
    } else {
      target.enable();
    }
    beginPassQuad(size);
    drawer.redirectColour(across ? across : down, across ? down : 0);
    source.bind();
    fastTaps(*split.values, size, weight);
    source.release();
    drawer.redirectColour(hosted ? target.getTexture() : 0, 0);
    if (down) {
      glActiveTexture(GL_TEXTURE1);
      glBindTexture(GL_TEXTURE_2D, down);
      glActiveTexture(GL_TEXTURE0);
    }
    glBindTexture(GL_TEXTURE_2D, across);
    sumTaps(split, target.getWidth());
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (hosted) {
      drawer.redirectColour(0, 0);
      glMatrixMode(GL_PROJECTION);
      glPopMatrix();
      glMatrixMode(GL_MODELVIEW);
      glPopMatrix();
      glUseProgram(GLuint(program));
      glPopAttrib();
      return;
    }
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    target.disable();
    return;
  }
  target.enable();
  source.bind();
  glEnable(GL_TEXTURE_2D);
  const PassProgram& program = fastProgram(sourceSize, size, step, offset, onlyX, onlyY, scratch.literal);
  // The program writes every pixel with blending off (and no pass tests depth): no clear then.
  if (!program.program) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, double(size), double(size), 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (program.program) {
    fastTaps(program, size, weight);
  } else if (!(onlyX && onlyY)) {
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, weight);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(weight, weight, weight, weight);
    literalTaps(size, step, offset, onlyX, onlyY);
  }
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  source.release();
  target.disable();
}
