#pragma once
// "Head": a scene from "Datafile" whose object "head" keeps turning about its y axis; the angle
// decreases by (pulse + 1) x speed factor every frame and is kept between frames.
#include "Effect3D.h"

class Head : public Effect3D {
 public:
  static constexpr const char* kObjectName = "head";

  Head();
  void render(uint32_t time) override;
  float angle() const { return _angle; }

 protected:
  void saveOwnFrameState() override { _savedAngle = _angle; }
  void restoreOwnFrameState() override { _angle = _savedAngle; }

 private:
  float _angle = 0.0f;  // degrees
  float _savedAngle = 0.0f;
};
