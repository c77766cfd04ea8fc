#pragma once
// "Test3d": a scene from "Datafile" whose box "Box01" shows the oscilloscope trace of the music:
// the trace is drawn into its pixel buffer each frame, which becomes the box material's render
// target. The sound capture runs while the effect lives (when there is sound).
#include <memory>

#include "Effect3D.h"

class Oscilloscope;
class PBuffer;

class Test3d : public Effect3D {
 public:
  static constexpr const char* kBoxName = "Box01";

  // Needs a current GL context (the oscilloscope's pixel buffer).
  Test3d();
  ~Test3d() override;

  void render(uint32_t time) override;
  Oscilloscope& scope() { return *_scope; }

 private:
  std::unique_ptr<Oscilloscope> _scope;
  bool _capturing = false;  // this instance started the sound capture
};
