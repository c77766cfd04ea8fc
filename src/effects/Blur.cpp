#include "Blur.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ErrorReport.h"
#include "GLGeneration.h"
#include "GlslProgram.h"
#include "ScreenHelpers.h"
#include "Switches.h"
#include "TextureManager.h"

namespace {
// Process-wide switches.
bool gFastPathSet = false;  // setFastPath was called
bool gFastPath = true;
bool gTexelFetches = true;  // fast passes fetch texels where they can (else filtered samples)
bool gSplitPasses = true;   // fast passes split through scratch buffers where they can

constexpr int kCopySize = 512;  // pixels of the copy-path region and of "atiblur"

void bindSource(const Blur::Source& source) {
  if (source.buffer)
    source.buffer->bind(WGL_FRONT_LEFT_ARB);
  else if (source.texture)
    source.texture->bind();
}

// A released buffer leaves no picture on its texture: what is drawn next is untextured (a
// window-system buffer detaches its image; texture 0 has none either). Textures stay bound.
void releaseSource(const Blur::Source& source) {
  if (!source.buffer) return;
  source.buffer->release(WGL_FRONT_LEFT_ARB);
  glBindTexture(GL_TEXTURE_2D, 0);
}

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

// The fragment programs of the fast passes: the taps of one pass summed in straight-line code,
// one program per pass shape (sizes, step, offset, directions), made at first use. A tap adds
// where the literal path's moved quad covers the pixel (its sample point, in target pixels,
// lies in [0, size), pixel centres on the left and bottom edges counting as covered), and each
// tap is rounded to the 8 bits the literal path's blended quads write, so both paths add the
// same numbers.
//
// Every tap samples halfway between texels (or on a texel centre across the tap), so when the
// source is the target's size or twice it, the fast program fetches the texels themselves, each
// once, and averages them as the renderer's bilinear filter does for 8-bit textures (along x in
// each row, then along y, each step rounded half up). A texel fetch costs a fraction of a
// filtered sample on a software renderer, and neighbouring taps share texels. Other shapes take
// filtered samples.
const char* kPassVertex =
    "#version 130\n"
    "void main() {\n"
    "  gl_Position = ftransform();\n"
    "}\n";

// The common head of both program kinds: the coverage test and the rounding of a tap.
std::string passHead(float size) {
  char line[200];
  std::snprintf(line, sizeof line,
                "float inside(vec2 p) {\n"
                "  vec2 in2 = step(0.0, p) * (1.0 - step(%.1f, p));\n"
                "  return in2.x * in2.y;\n"
                "}\n",
                double(size));
  return std::string(
             "#version 130\n"
             "uniform sampler2D source;\n"
             "uniform float weight;\n"
             // texel: 0..1 as the sampler returns it; the result counts 8-bit steps.
             "vec4 rounded(vec4 texel) { return floor(texel * weight * 255.0 + 0.5); }\n") +
         line;
}

// The texel helpers of the fetching programs, for a source of sourceSize (a power of two) that
// repeats at its edges. A fetched texel counts 8-bit steps as it comes (within 1e-4 of a whole
// number); mid is the filter's average of two levels, halves rounded up, floor((a + b + 1) / 2),
// with room for that error, so its result is a whole number; level rounds one fetched texel.
std::string fetchHelpers(int sourceSize) {
  char line[400];
  std::snprintf(line, sizeof line,
                "vec4 fetch(ivec2 i) { return texelFetch(source, i & ivec2(%d), 0) * 255.0; }\n"
                "vec4 mid(vec4 a, vec4 b) { return floor((a + b) * 0.5 + 0.75); }\n"
                "vec4 level(vec4 a) { return floor(a + 0.5); }\n",
                sourceSize - 1);
  return line;
}

// Filtered samples at the taps moved by shifts (target pixels, x then y per tap).
std::string filteredPassFragment(const std::vector<float>& shifts, float size) {
  char line[200];
  std::string text = passHead(size);
  text +=
      "void main() {\n"
      "  vec4 sum = vec4(0.0);\n";
  for (size_t i = 0; i + 1 < shifts.size(); i += 2) {
    std::snprintf(line, sizeof line,
                  "  { vec2 p = gl_FragCoord.xy + vec2(%.1f, %.1f);\n"
                  "    sum += inside(p) * rounded(texture2D(source, p / %.1f)); }\n",
                  double(shifts[i]), double(shifts[i + 1]), double(size));
    text += line;
  }
  text += "  gl_FragColor = sum / 255.0;\n}\n";
  return text;
}

// Texel fetches for the taps moved by shifts from a source of sourceSize (a power of two, the
// target's size or twice it, repeating as the buffers' textures do); empty when a tap does not
// fall halfway between texels or on a centre.
std::string fetchedPassFragment(const std::vector<float>& shifts, float size, int sourceSize) {
  const int ratio = sourceSize / int(size);
  if ((ratio != 1 && ratio != 2) || float(ratio) * size != float(sourceSize) || (sourceSize & (sourceSize - 1)) != 0)
    return std::string();
  // Per tap and axis: first texel relative to ratio x pixel, and whether its neighbour joins.
  struct Axis {
    int first;
    bool pair;
  };
  std::vector<Axis> axes;
  for (float shift : shifts) {
    const float q = float(ratio) * (0.5f + shift) - 0.5f;  // sample point in texels, centres at .0
    const float first = std::floor(q);
    const float fraction = q - first;
    if (fraction != 0.0f && fraction != 0.5f) return std::string();
    axes.push_back(Axis{int(first), fraction != 0.0f});
  }
  std::map<std::pair<int, int>, std::string> texels;  // offset -> variable
  std::string fetches, taps;
  auto texel = [&](int dx, int dy) {
    auto found = texels.find({dx, dy});
    if (found != texels.end()) return found->second;
    const std::string name = "t" + std::to_string(texels.size());
    char line[160];
    std::snprintf(line, sizeof line, "  vec4 %s = fetch(base + ivec2(%d, %d));\n", name.c_str(), dx, dy);
    fetches += line;
    texels[{dx, dy}] = name;
    return name;
  };
  char line[512];
  for (size_t i = 0; i + 1 < axes.size(); i += 2) {
    const Axis x = axes[i], y = axes[i + 1];
    // Along x in each row, then along y, as the filter does.
    auto row = [&](int dy) {
      const std::string a = texel(x.first, dy);
      return x.pair ? "mid(" + a + ", " + texel(x.first + 1, dy) + ")" : "level(" + a + ")";
    };
    const std::string value = y.pair ? "mid(" + row(y.first) + ", " + row(y.first + 1) + ")" : row(y.first);
    std::snprintf(line, sizeof line, "  sum += inside(gl_FragCoord.xy + vec2(%.1f, %.1f)) * rounded((%s) / 255.0);\n",
                  double(shifts[i]), double(shifts[i + 1]), value.c_str());
    taps += line;
  }
  std::string text = passHead(size) + fetchHelpers(sourceSize);
  std::snprintf(line, sizeof line,
                "void main() {\n"
                "  ivec2 base = ivec2(gl_FragCoord.xy) * %d;\n"
                "  vec4 sum = vec4(0.0);\n",
                ratio);
  return text + line + fetches + taps + "  gl_FragColor = sum / 255.0;\n}\n";
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

struct GlowProgram {
  GLuint program = 0;  // 0: could not be made (the two quads are drawn then)
  GLint strength = -1;
  bool tried = false;
};
GlowProgram gGlow;

GLGeneration gGeneration;  // window context the programs were made in

// Forgets every program made in a window context that is gone (their names are not deleted: they
// went with it). Called before any of them is used.
void dropStaleObjects() {
  if (!gGeneration.changed()) return;
  gFastShapes.clear();
  gSplitShapes.clear();
  gPrograms.clear();
  gGlow = GlowProgram();
}

const PassProgram& passProgram(const std::string& text) {
  dropStaleObjects();
  auto found = gPrograms.find(text);
  if (found != gPrograms.end()) return found->second;
  PassProgram& p = gPrograms[text];
  const GLuint program = GlslProgram::build(kPassVertex, text.c_str(), "Blur: pass");
  if (!program) return p;
  p.program = program;
  p.weight = glGetUniformLocation(program, "weight");
  GlslProgram::setSamplerUnits(program, {{"source", 0}, {"across", 0}, {"down", 1}});
  return p;
}

// The program for taps moved by shifts into a target of size from a source of sourceSize
// pixels: texel fetches where they apply, filtered samples otherwise.
const PassProgram& passProgram(const std::vector<float>& shifts, float size, int sourceSize) {
  const std::string fetched = gTexelFetches ? fetchedPassFragment(shifts, size, sourceSize) : std::string();
  return passProgram(fetched.empty() ? filteredPassFragment(shifts, size) : fetched);
}

// The split form of a fast pass, for a source of the target's size or twice it whose taps all
// sit halfway between texels along their own direction (every usual pass). A first program
// stores, per pixel of a scratch buffer of the target's size, the weighted and rounded value of
// the tap that starts there, one buffer for the taps across and one for the taps down; the pass
// then sums one texel of a scratch buffer per tap instead of sampling the source for each. The
// values are those of the literal taps, so the picture is too. They must fit 8 bits: the weight
// lies in [0, 1].
//
// The tap value across at scratch pixel (X, Y) is the source's filtered sample halfway between
// texels (X, Y) and (X + 1, Y), or from a source twice as large at the centre of the box
// (2X + 1 .. 2X + 2, 2Y .. 2Y + 1); down: halfway between (X, Y) and (X, Y + 1), or at the centre
// of the box (2X .. 2X + 1, 2Y + 1 .. 2Y + 2). These are the very points where the literal quads
// sample (the source's own filter and wrap mode then give the same texel values): one filtered
// sample per direction costs less than fetching and averaging the two or four texels. A tap moved
// by s (a half-integer) across reads the value across at X + s - 0.5; one moved down, the value
// down at Y + s - 0.5.
std::string tapValueFragment(bool across, bool down, int ratio, int sourceSize) {
  // Sample points relative to ratio x pixel, in texels (texel i spans [i, i + 1)).
  auto value = [&](bool alongX) {
    const float x = ratio == 1 ? (alongX ? 1.0f : 0.5f) : (alongX ? 2.0f : 1.0f);
    const float y = ratio == 1 ? (alongX ? 0.5f : 1.0f) : (alongX ? 1.0f : 2.0f);
    char line[200];
    std::snprintf(line, sizeof line, "rounded(textureLod(source, (base + vec2(%.1f, %.1f)) / %.1f, 0.0)) / 255.0",
                  double(x), double(y), double(sourceSize));
    return std::string(line);
  };
  std::string text =
      "#version 130\n"
      "uniform sampler2D source;\n"
      "uniform float weight;\n"
      "vec4 rounded(vec4 texel) { return floor(texel * weight * 255.0 + 0.5); }\n"
      "void main() {\n  vec2 base = floor(gl_FragCoord.xy) * " +
      std::to_string(ratio) + ".0;\n";
  int output = 0;  // across first, then down
  if (across) text += "  gl_FragData[" + std::to_string(output++) + "] = " + value(true) + ";\n";
  if (down) text += "  gl_FragData[" + std::to_string(output++) + "] = " + value(false) + ";\n";
  return text + "}\n";
}

// The sum of the stored tap values for taps moved by shifts (target pixels, x then y per tap;
// each tap moves along one direction only) into a target of size. The stored values are whole
// 8-bit steps and none is negative, so they are summed as they come: the conversion of the sum
// to 8 bits rounds it to the same whole number and clamps it once, as the literal path's
// saturating blended adds do. Only the border program (for pixels within tapMargin of an edge)
// tests whether a tap's moved quad covers the pixel and repeats the stored values at the edges;
// inside that margin every tap covers the pixel and reads a stored value of the buffer itself.
std::string tapSumFragment(const std::vector<float>& shifts, float size, bool border) {
  std::string text = border ? passHead(size) : std::string("#version 130\n");
  text += "uniform sampler2D across;\nuniform sampler2D down;\n";
  char line[300];
  std::snprintf(line, sizeof line,
                "vec4 stored(sampler2D values, ivec2 i) { return texelFetch(values, i%s, 0); }\n"
                "void main() {\n"
                "  ivec2 base = ivec2(gl_FragCoord.xy);\n"
                "  vec4 sum = vec4(0.0);\n",
                border ? (" & ivec2(" + std::to_string(int(size) - 1) + ")").c_str() : "");
  text += line;
  for (size_t i = 0; i + 1 < shifts.size(); i += 2) {
    const bool across = shifts[i + 1] == 0.0f;
    const int move = int(std::floor(across ? shifts[i] : shifts[i + 1]));  // s - 0.5
    const int dx = across ? move : 0, dy = across ? 0 : move;
    const char* values = across ? "across" : "down";
    if (border)
      std::snprintf(line, sizeof line,
                    "  sum += inside(gl_FragCoord.xy + vec2(%.1f, %.1f)) * stored(%s, base + ivec2(%d, %d));\n",
                    double(shifts[i]), double(shifts[i + 1]), values, dx, dy);
    else
      std::snprintf(line, sizeof line, "  sum += stored(%s, base + ivec2(%d, %d));\n", values, dx, dy);
    text += line;
  }
  return text + "  gl_FragColor = sum;\n}\n";
}

// Pixels from each edge of the target within which some tap of a split pass (taps halfway
// between pixels) leaves the buffer: a tap moved by s covers pixel X and reads stored value
// X + s - 0.5 of the buffer for every X in [|s| + 0.5, size - |s| - 0.5).
int tapMargin(const std::vector<float>& shifts) {
  float widest = 0.0f;
  for (float s : shifts) widest = std::max(widest, std::fabs(s));
  return int(std::ceil(widest + 0.5f));
}

// Where each tap of a pass samples, relative to the pixel (target pixels, x then y per tap). A
// quad moved right by t pixels shows at x the texel of x - t; moved down (y-down projection) by
// t it shows at window row y the texel of y + t.
std::vector<float> tapShifts(float step, float offset, bool onlyX, bool onlyY) {
  std::vector<float> shifts;
  for (int k = 0; k < 6 && !onlyY; ++k) shifts.insert(shifts.end(), {offset - float(k) * step, 0.0f});
  for (int k = 0; k < 6 && !onlyX; ++k) shifts.insert(shifts.end(), {0.0f, -offset + float(k) * step});
  return shifts;
}

// The spacing of the four passes: step and start offset in target pixels.
const float kPassSteps[4][2] = {{1.0f, 2.5f}, {3.0f, 6.5f}, {5.0f, 12.5f}, {7.0f, 17.5f}};

// The fast program of a pass (program 0: none; the literal taps are drawn then).
const PassProgram& fastProgram(int sourceSize, float size, float step, float offset, bool onlyX, bool onlyY,
                               bool literal) {
  static const PassProgram kNone;
  if (!Blur::isFastPath() || literal || (onlyX && onlyY)) return kNone;
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

SplitPrograms splitPrograms(const Blur::Scratch& scratch, int sourceSize, int size, float step, float offset,
                            float weight, bool onlyX, bool onlyY) {
  const SplitPrograms none{nullptr, nullptr, nullptr, 0};
  if (!Blur::isFastPath() || scratch.literal || !gTexelFetches || !gSplitPasses || (onlyX && onlyY)) return none;
  if (!(weight >= 0.0f && weight <= 1.0f) || !isPowerOfTwo(size) || (sourceSize != size && sourceSize != 2 * size))
    return none;
  if ((!onlyY && !fits(scratch.across, size)) || (!onlyX && !fits(scratch.down, size))) return none;
  dropStaleObjects();
  for (const SplitShape& s : gSplitShapes)
    if (s.sourceSize == sourceSize && s.size == size && s.step == step && s.offset == offset && s.onlyX == onlyX &&
        s.onlyY == onlyY)
      return s.programs;
  const std::vector<float> shifts = tapShifts(step, offset, onlyX, onlyY);
  bool halfway = true;  // every tap halfway between texels along its direction
  for (size_t i = 0; i + 1 < shifts.size(); i += 2) {
    const float move = shifts[i] != 0.0f ? shifts[i] : shifts[i + 1];
    halfway = halfway && move - std::floor(move) == 0.5f && std::fabs(move) < float(size);
  }
  SplitPrograms programs = none;
  if (halfway) {
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
  dropStaleObjects();
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
  bindSource(sharp);
  glActiveTexture(GL_TEXTURE0);
  bindSource(picture);
  glUseProgram(p.program);
  glUniform1f(p.strength, std::min(std::max(strength, 0.0f), 1.0f));
  drawTexturedQuadPart(nullptr, full, full);
  glUseProgram(0);
  releaseSource(picture);
  glActiveTexture(GL_TEXTURE1);
  releaseSource(sharp);
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
  createBuffer(_capture, 1024, 1024, GL_LINEAR);
  createBuffer(_a, 512, 512, GL_LINEAR, false);
  createBuffer(_b, 512, 512, GL_LINEAR, false);
  createBuffer(_c, 512, 512, GL_LINEAR, false);
  createBuffer(_across, 512, 512, GL_LINEAR, false);
  createBuffer(_down, 512, 512, GL_LINEAR, false);
  _copyPath = !PBuffer::hasRenderDepthTexture();
  if (_copyPath) findAtiBlur();
  // Before the first update: the capture as cleared, or "atiblur".
  _sharp = _copyPath && _atiBlur ? Source{nullptr, _atiBlur} : Source{&_capture, nullptr};
  if (!_capture.isInitialized() && !_sharp.texture) _sharp = Source{};
  // The programs of the usual passes are made now rather than in the middle of the show.
  if (isFastPath() && !_copyPath && _a.isInitialized()) {
    const float size = float(_a.getWidth());
    passProgram(tapShifts(kPassSteps[0][0], kPassSteps[0][1], false, false), size, _capture.getWidth());
    for (const auto& pass : kPassSteps) passProgram(tapShifts(pass[0], pass[1], false, false), size, _a.getWidth());
    int sourceSize = _capture.getWidth();
    for (const auto& pass : kPassSteps) {
      splitPrograms(Scratch{&_across, &_down}, sourceSize, _a.getWidth(), pass[0], pass[1], 0.5f, false, false);
      sourceSize = _a.getWidth();
    }
  }
}

Blur::~Blur() = default;

void Blur::findAtiBlur() {
  if (!_atiBlur)
    _atiBlur = TextureManager::getInstance().createTexture("atiblur", kCopySize, kCopySize, GL_TEXTURE_2D, GL_RGBA);
}

void Blur::setFastPath(bool on) {
  gFastPathSet = true;
  gFastPath = on;
}

bool Blur::isFastPath() {
  if (!gFastPathSet) {
    gFastPath = !Switches::isOn(Switch::BlurLiteral);
    gFastPathSet = true;
  }
  return gFastPath;
}

void Blur::setTexelFetches(bool on) { gTexelFetches = on; }

void Blur::setSplitPasses(bool on) { gSplitPasses = on; }

void Blur::start(uint32_t time) {
  PostEffect::start(time);
  if (_copyPath) findAtiBlur();
  _amplitude = 1.0f;
  _shakeStart = time;
  _direction[0] = _direction[1] = _direction[2] = 0.0f;
}

void Blur::startLinked(uint32_t time) {
  if (!_copyPath && _capture.isInitialized()) {
    _capture.enable();
    _linkedEffect->start(time);
    _capture.disable();
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
  _result = nullptr;
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
  } else if (_capture.isInitialized()) {
    _capture.enable();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    _linkedEffect->update(time);
    _linkedEffect->render(time);
    source.buffer = &_capture;
    _sharp = source;
    // Straight from the capture, the passes draw in its context: one switch and one wait fewer.
    if (_blur && !_mulSub) {
      runPasses(time, source, &_capture);
      source = Source{};
    }
    _capture.disable();
  }

  if (_mulSub && source.exists() && _c.isInitialized()) {
    brightPass(source, _c, _subtract.valueAt(time), _multiply.valueAt(time));
    source = Source{&_c, nullptr};
  }
  if (_blur && source.exists()) runPasses(time, source, nullptr);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void Blur::runPasses(uint32_t time, Source source, PBuffer* host) {
  const int32_t n = int32_t(_blurAmount.valueAt(time));
  const float w = _blurFactor.valueAt(time) * (2.0f * _pulse + 1.0f) * 2.0f;
  const bool onlyX = _blurOnlyX.valueAt(time), onlyY = _blurOnlyY.valueAt(time);
  const float c = w / ((onlyX || onlyY) ? 6.0f : 12.0f);
  PBuffer* const targets[4] = {&_a, &_b, &_c, &_a};
  for (int32_t pass = 0; pass < 4 && n >= pass; ++pass) {
    PBuffer& into = *targets[pass];
    blurPass(source, into, kPassSteps[pass][0], kPassSteps[pass][1], c, onlyX, onlyY,
             Scratch{&_across, &_down, host, _copyPath});
    if (!into.isInitialized()) break;  // nothing more to read from
    _result = &into;
    source = Source{&into, nullptr};
  }
}

void Blur::blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                    bool onlyY) {
  blurPass(source, target, step, offset, weight, onlyX, onlyY, Scratch{});
}

void Blur::blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
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
    bindSource(source);
    fastTaps(*split.values, size, weight);
    releaseSource(source);
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
  bindSource(source);
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
  releaseSource(source);
  target.disable();
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
  bindSource(source);
  drawTexturedQuadPart(nullptr, full, full);
  releaseSource(source);
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
  if ((_blur || _mulSub) && _result) picture = Source{_result, nullptr};
  if (_glow) {
    const Source& current = _sharp;
    const float g = _glowStrength.valueAt(time);
    glBlendFunc(GL_ONE, GL_ONE);
    if (isFastPath() && current.exists() && picture.exists() && composeGlow(current, picture, g)) {
      picture = Source{};  // drawn
    } else {
      glDisable(GL_BLEND);
      if (current.exists()) {
        bindSource(current);
        drawTexturedQuadPart(nullptr, full, full);
        releaseSource(current);
      }
      glEnable(GL_BLEND);
      glColor4f(g, g, g, g);
    }
  }
  if (picture.exists()) {
    bindSource(picture);
    drawTexturedQuadPart(nullptr, full, full);
    releaseSource(picture);
  }
  if (_glow) glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
