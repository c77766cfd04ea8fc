#pragma once
// "Blur": blur and glow around the linked effect. Each frame the linked effect renders into a
// 1024 x 1024 capture buffer (or, on the copy path, into the lower-left 512 x 512 pixels of the
// window, copied into the shared texture "atiblur"); an optional bright-pass ("DoMulSub")
// subtracts and multiplies; one to four passes ("DoBlur", "BlurAmount") each sum twelve shifted
// copies (six across, six down) into 512 x 512 buffers, the spacing widening from pass to pass;
// render draws the result alone or added over the sharp capture ("DoGlow"), shaken by an
// offset that decays exponentially (events 10 and 12).
//
// The capture and the passes are a BlurChain (shared with DOF); the bright-pass, the copy path,
// the shake and the glow are Blur's own. The glow has two paths that give the same picture: two
// quads (literal), or one fragment program (fast path). The copy path always uses the literal
// passes.
#include <cstdint>

#include "BlurChain.h"
#include "BoolVariable.h"
#include "IntVariable.h"
#include "PostEffect.h"

class Texture;

class Blur : public PostEffect {
 public:
  // The chain's pass source and scratch buffers, its single pass and its switches, under Blur's
  // name for the tests and benchmarks that drive them.
  using Source = BlurChain::Source;
  using Scratch = BlurChain::Scratch;
  static void blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                       bool onlyY) {
    BlurChain::blurPass(source, target, step, offset, weight, onlyX, onlyY);
  }
  static void blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                       bool onlyY, const Scratch& scratch) {
    BlurChain::blurPass(source, target, step, offset, weight, onlyX, onlyY, scratch);
  }
  static void setFastPath(bool on) { BlurChain::setFastPath(on); }
  static bool isFastPath() { return BlurChain::isFastPath(); }
  static void setTexelFetches(bool on) { BlurChain::setTexelFetches(on); }
  static void setSplitPasses(bool on) { BlurChain::setSplitPasses(on); }

  // Needs a current GL context (the buffers). Takes the copy path when render-depth-textures are
  // missing; finds or makes the shared texture "atiblur" then.
  Blur();
  ~Blur() override;

  // Base start, the linked effect started in the capture buffer (not on the copy path) and in
  // the window; the shake restarts: amplitude 1, start time = time, no direction.
  void start(uint32_t time) override;
  // With a linked effect: the (shaken) picture over the whole screen, the sharp capture under it
  // when glowing. Leaves blending off, depth test and writes on, culling off, 2D texturing on,
  // colour (1, 1, 1, 1) and the flipped unit projection loaded.
  void render(uint32_t time) override;
  // Base handling; 10: shake direction (values 0, 1) and duration (value 2) from the event
  // time; 12: shake amplitude (value 0) and duration (value 1) from the event time; 17: copy
  // path when the value is positive and render-depth-texture is missing.
  void handleEvent(const EffectEvent& event) override;

  // The bright-pass: an opaque copy of source into target, minus subtract (reverse-subtract
  // blending), then four times multiplied by 1 + multiply when multiply > 0.
  static void brightPass(const Source& source, PBuffer& target, float subtract, float multiply);

  // The capture goes through the window and "atiblur" (always with the literal passes).
  bool isCopyPath() const { return _copyPath; }
  // The shake offset at time (fraction of the screen per unit of direction).
  float shakeAt(uint32_t time);
  // The buffer holding this frame's processed picture (null: none).
  const PBuffer* getResult() const { return _chain.getResult(); }
  const PBuffer& getCapture() const { return _chain.getCapture(); }
  // Blur buffer A, B or C (index 0, 1, 2).
  const PBuffer* getPassBuffer(int index) const { return _chain.getPassBuffer(index); }

 protected:
  void startLinked(uint32_t time) override;
  // Capture, bright-pass and blur passes (the whole update's work).
  void runInputPass(uint32_t time) override;

 private:
  // The blur passes of this frame from source ("BlurAmount" of them), drawn in host's context
  // where they can be (see Scratch); sets the chain's result.
  void runPasses(uint32_t time, Source source, PBuffer* host);
  // "atiblur" from the texture manager, once per instance.
  void findAtiBlur();

  BoolVariable _doBlur;         // "DoBlur": run the passes
  BoolVariable _doMulSub;       // "DoMulSub": bright-pass before them
  BoolVariable _doGlow;         // "DoGlow": add the result over the sharp capture
  IntVariable _blurAmount;      // "BlurAmount": passes - 1 (as a signed number), default 1
  BoolVariable _blurOnlyX;      // "BlurOnlyX": taps across only
  BoolVariable _blurOnlyY;      // "BlurOnlyY": taps down only
  FloatVariable _subtract;      // "Subtract": bright-pass level, default 0.4
  FloatVariable _multiply;      // "Multiply": bright-pass gain, default 1
  FloatVariable _blurFactor;    // "BlurFactor": overall blur brightness, default 0.5
  FloatVariable _glowStrength;  // "GlowStrength": brightness of the added picture, default 1

  BlurChain _chain;  // capture: the linked effect's picture; C also takes the bright-pass
  // The sharp picture of the last update (the capture, or "atiblur" on the copy path): the
  // picture without passes, and what the glow is added over.
  Source _sharp;
  Texture* _atiBlur = nullptr;  // shared 512 x 512 copy of the window's lower-left corner
  bool _copyPath = false;       // the capture goes through the window and "atiblur"
  float _direction[3] = {0, 0, 0};  // shake direction (fractions of the screen)
  float _amplitude = 1.0f;
  float _duration = 1.0f;    // ms of phase-scaled time per factor e
  uint32_t _shakeStart = 0;  // ms of demo time
  bool _glow = false;        // switches sampled by the last update
  bool _blur = false;
  bool _mulSub = false;
};
