#pragma once
// "Splinzor": a hundred smooth strands wound about the view axis, each a uniform cubic B-spline
// through ten control points whose bend follows a delayed history of a wobbling signal, with a
// bright point at each strand's head. The signal is simulated in fixed 5 ms steps of demo time,
// so the delays (150 steps, 0.75 s per control point) are the same at every frame rate.
#include <cstdint>

#include "Effect.h"
#include "FloatVariable.h"

class Splinzor : public Effect {
 public:
  static constexpr int kHistory = 2000;  // samples of the signal, newest last
  static constexpr int kStrands = 100;
  static constexpr int kPoints = 10;      // control points per strand
  static constexpr uint32_t kStepMs = 5;  // simulation step

  // History of zeros, step time 0; draws the random table.
  Splinzor();

  // Simulation steps up to time, control points, strands and heads. Leaves blending on
  // (GL_SRC_ALPHA, GL_ONE), depth test and writes on, lighting and texturing off, line and point
  // smoothing off, line width and point size 1, colour (1, 1, 1, 1), the model-view matrix
  // current.
  void render(uint32_t time) override;

  // Runs the 5 ms steps that fall due by time: each updates the local clock at the step time
  // and pushes the signal at that phase into the history. A clock that went back (a restart)
  // restarts the steps from time. Returns the number of steps the history saw (a jump of more
  // than the history's length runs only the steps that remain in it; the step time advances by
  // the whole jump). Ends with the base update at time.
  uint32_t simulate(uint32_t time);
  // The signal at phase p: 3 sin(0.03 cos(0.005 p) + 0.02 p) + 2 cos(0.005 p).
  static float signalAt(float phase);

  uint32_t getLastStepTime() const { return _lastStep; }
  const float* getHistory() const { return _history; }
  // Point k of strand m from the last render.
  const float* getControlPoint(int strand, int point) const { return _points[strand][point]; }
  // First vertex of strand m's curve from the last render.
  const float* getHead(int strand) const { return _heads[strand]; }

 protected:
  // The signal history and the last step time.
  void saveOwnFrameState() override;
  void restoreOwnFrameState() override;

 private:
  void computeControlPoints(uint32_t time);
  void drawStrands(uint32_t time);

  FloatVariable _red;     // "Red": colour ramp, default 0.4
  FloatVariable _green;   // "Green": default 0.4
  FloatVariable _blue;    // "Blue": default 0.4
  FloatVariable _alpha;   // "Alpha": default 0.4
  FloatVariable _radius;  // "Radius": strand radius, default 0.5
  FloatVariable _zInc;    // "zInc": point spacing along the axis and radius growth, default 0.5
  FloatVariable _magic1;  // "magic1": random radial jitter, default 0.4
  FloatVariable _magic2;  // "magic2": bend along the axis by the history, default 0.5
  FloatVariable _magic3;  // "magic3": default 0.5
  float _history[kHistory] = {};
  uint32_t _lastStep = 0;                      // ms of demo time of the last simulation step
  float _random[kStrands * kPoints * 2] = {};  // nextRandom / 32767 - 0.5
  float _points[kStrands][kPoints][3] = {};
  float _heads[kStrands][3] = {};
  float _savedHistory[kHistory] = {};
  uint32_t _savedLastStep = 0;
};
