#include "BlurPassText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace BlurPassText {
namespace {
// The head of every program that reads the source: its sampler, the tap weight and the rounding
// of a weighted tap to the 8 bits the literal path's blended quads write.
std::string roundingHead() {
  return "#version 130\n"
         "uniform sampler2D source;\n"
         "uniform float weight;\n"
         // texel: 0..1 as the sampler returns it; the result counts 8-bit steps.
         "vec4 rounded(vec4 texel) { return floor(texel * weight * 255.0 + 0.5); }\n";
}

// The common head of both program kinds: the coverage test and the rounding of a tap.
std::string passHead(float size) {
  char line[200];
  std::snprintf(line, sizeof line,
                "float inside(vec2 p) {\n"
                "  vec2 in2 = step(0.0, p) * (1.0 - step(%.1f, p));\n"
                "  return in2.x * in2.y;\n"
                "}\n",
                double(size));
  return roundingHead() + line;
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
}  // namespace

const char* passVertex() {
  return "#version 130\n"
         "void main() {\n"
         "  gl_Position = ftransform();\n"
         "}\n";
}

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

std::string passFragment(const std::vector<float>& shifts, float size, int sourceSize, bool texelFetches) {
  const std::string fetched = texelFetches ? fetchedPassFragment(shifts, size, sourceSize) : std::string();
  return fetched.empty() ? filteredPassFragment(shifts, size) : fetched;
}

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
  std::string text = roundingHead() + "void main() {\n  vec2 base = floor(gl_FragCoord.xy) * " +
                     std::to_string(ratio) + ".0;\n";
  int output = 0;  // across first, then down
  if (across) text += "  gl_FragData[" + std::to_string(output++) + "] = " + value(true) + ";\n";
  if (down) text += "  gl_FragData[" + std::to_string(output++) + "] = " + value(false) + ";\n";
  return text + "}\n";
}

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

int tapMargin(const std::vector<float>& shifts) {
  float widest = 0.0f;
  for (float s : shifts) widest = std::max(widest, std::fabs(s));
  return int(std::ceil(widest + 0.5f));
}

std::vector<float> tapShifts(float step, float offset, bool onlyX, bool onlyY) {
  std::vector<float> shifts;
  for (int k = 0; k < 6 && !onlyY; ++k) shifts.insert(shifts.end(), {offset - float(k) * step, 0.0f});
  for (int k = 0; k < 6 && !onlyX; ++k) shifts.insert(shifts.end(), {0.0f, -offset + float(k) * step});
  return shifts;
}

bool tapsHalfway(const std::vector<float>& shifts, float size) {
  bool halfway = true;
  for (size_t i = 0; i + 1 < shifts.size(); i += 2) {
    const float move = shifts[i] != 0.0f ? shifts[i] : shifts[i + 1];
    halfway = halfway && move - std::floor(move) == 0.5f && std::fabs(move) < size;
  }
  return halfway;
}
}  // namespace BlurPassText
