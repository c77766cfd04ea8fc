#include "Splinzor.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstring>

#include "Perspective.h"
#include "Random.h"

namespace {
// The strands' line strips as arrays, drawn in one call: a vertex stream given vertex by vertex
// goes through the GL's immediate-mode buffer, and where that buffer happens to fill up inside the
// smooth lines llvmpipe compiled another vertex program variant in the middle of the show. Every
// draw fills them anew, so all instances share them.
constexpr int kStrandVertices = 60;  // 6 segments of 10 steps
float gStrandVertices[Splinzor::kStrands * kStrandVertices][3];
float gStrandColours[Splinzor::kStrands * kStrandVertices][4];
GLint gStrandFirsts[Splinzor::kStrands];
GLsizei gStrandCounts[Splinzor::kStrands];

// Uniform cubic B-spline through p0 .. p3 at t in [0, 1).
void splinePoint(const float* p0, const float* p1, const float* p2, const float* p3, float t, float* out) {
  const float t2 = t * t, t3 = t2 * t;
  const float b0 = (1.0f - t) * (1.0f - t) * (1.0f - t);
  const float b1 = 3.0f * t3 - 6.0f * t2 + 4.0f;
  const float b2 = -3.0f * t3 + 3.0f * t2 + 3.0f * t + 1.0f;
  for (int c = 0; c < 3; ++c) out[c] = (b0 * p0[c] + b1 * p1[c] + b2 * p2[c] + t3 * p3[c]) / 6.0f;
}
}  // namespace

Splinzor::Splinzor() : Effect("Splinzor") {
  registerColour(_red, _green, _blue, _alpha, 0.4f, 0.4f, 0.4f, 0.4f);
  registerFloat(_radius, "Radius", 0.5f);
  registerFloat(_zInc, "zInc", 0.5f);
  registerFloat(_magic1, "magic1", 0.4f);
  registerFloat(_magic2, "magic2", 0.5f);
  registerFloat(_magic3, "magic3", 0.5f);
  setSpeed(0.1f);
  for (float& r : _random) r = float(nextRandom()) / 32767.0f - 0.5f;
}

void Splinzor::saveOwnFrameState() {
  std::memcpy(_savedHistory, _history, sizeof _history);
  _savedLastStep = _lastStep;
}

void Splinzor::restoreOwnFrameState() {
  std::memcpy(_history, _savedHistory, sizeof _history);
  _lastStep = _savedLastStep;
}

float Splinzor::signalAt(float p) {
  return 3.0f * std::sin(0.03f * std::cos(0.005f * p) + 0.02f * p) + 2.0f * std::cos(0.005f * p);
}

uint32_t Splinzor::simulate(uint32_t time) {
  uint32_t s = _lastStep;
  if (time < s) s = time;  // the show restarted: the steps go on from the new time
  uint32_t steps = 0;
  if (time - s >= 6) {
    // Steps while time - s > 5 after each one: ceil((time - s - 5) / 5) of them. Those that
    // the history would push out again are skipped.
    const uint32_t due = (time - s - kStepMs + kStepMs - 1) / kStepMs;
    if (due > uint32_t(kHistory)) s += (due - uint32_t(kHistory)) * kStepMs;
    do {
      Effect::update(s);
      _history[kHistory - 1] = signalAt(_phase);
      std::memmove(_history, _history + 1, sizeof(float) * (kHistory - 1));
      s += kStepMs;
      ++steps;
    } while (time - s > kStepMs);
  }
  _lastStep = s;
  Effect::update(time);
  return steps;
}

void Splinzor::computeControlPoints(uint32_t time) {
  const float zInc = _zInc.valueAt(time), radius = _radius.valueAt(time);
  const float m1 = _magic1.valueAt(time), m2 = _magic2.valueAt(time), m3 = _magic3.valueAt(time);
  float theta = 0.0f;
  int r = 0;
  for (int m = 0; m < kStrands; ++m) {
    theta += 0.06283186f;
    for (int k = 0; k < kPoints; ++k) {
      const float a = _random[r++], c = _random[r++];
      const float h = k == 0 ? 0.0f : _history[kHistory - 1 - 150 * k];
      const float d = (float(k) * 24.0f * zInc) * 0.3f + (radius * 20.0f - 10.0f) - 1.0f;
      float* point = _points[m][k];
      point[0] = (2.0f * m1 * a + 1.0f) * std::sin(theta + 0.5f * h) * d;
      point[1] = (2.0f * m1 * c + 1.0f) * d * std::cos(theta + 0.5f * h);
      point[2] = 24.0f * float(k) * zInc + 8.0f * (std::sin(theta + h * m3) + std::cos(theta + h * m2));
    }
  }
}

void Splinzor::render(uint32_t time) {
  simulate(time);
  computeControlPoints(time);
  drawStrands(time);
}

void Splinzor::drawStrands(uint32_t time) {
  const float p = _phase;
  Perspective::load(65.0, 1.0, 2000.0);
  glTranslatef(2.0f * std::cos(0.01f * p) * std::sin(0.005f * p), 4.0f * std::cos(0.01f * p) + 6.0f, -50.0f);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_LINE_SMOOTH);
  glLineWidth(3.0f);
  const float red = _red.valueAt(time) + _pulse, green = _green.valueAt(time) + _pulse;
  const float blue = _blue.valueAt(time) + _pulse, alpha = _alpha.valueAt(time) + _pulse;
  int n = 0;
  for (int m = 0; m < kStrands; ++m) {
    gStrandFirsts[m] = n;
    gStrandCounts[m] = kStrandVertices;
    for (int i = 0; i < 6; ++i) {
      const float fi = float(i);
      const float colour[4] = {alpha - fi * red / 6.0f, alpha - fi * green / 6.0f, alpha - fi * blue / 6.0f, alpha};
      for (int step = 0; step < 10; ++step, ++n) {
        float* v = gStrandVertices[n];
        splinePoint(_points[m][i], _points[m][i + 1], _points[m][i + 2], _points[m][i + 3], 0.1f * float(step), v);
        if (i == 0 && step == 0) std::memcpy(_heads[m], v, sizeof _heads[m]);
        std::memcpy(gStrandColours[n], colour, sizeof colour);
      }
    }
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, gStrandVertices);
  glColorPointer(4, GL_FLOAT, 0, gStrandColours);
  glMultiDrawArrays(GL_LINE_STRIP, gStrandFirsts, gStrandCounts, kStrands);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisable(GL_LINE_SMOOTH);
  glPointSize(4.0f);
  glEnable(GL_POINT_SMOOTH);
  glColor4f(0.8f, 0.8f, 0.8f, 0.8f);
  glVertexPointer(3, GL_FLOAT, 0, _heads);
  glDrawArrays(GL_POINTS, 0, kStrands);
  glDisableClientState(GL_VERTEX_ARRAY);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glPointSize(1.0f);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_POINT_SMOOTH);
  glDisable(GL_LINE_SMOOTH);
  glLineWidth(1.0f);
}
