#pragma once
// The blur chain Blur and DOF share: a 1024 x 1024 capture buffer, three 512 x 512 pass buffers
// (A, B, C) and two 512 x 512 scratch buffers, and the passes between them. Pass k (0..3) sums
// twelve shifted copies of its source (six across, six down, BlurPassText::kPassSteps spacing
// them) into A, B, C, A; the first reads the effect's source, each further one the pass before.
// The owning effect creates the buffers (PostEffect::createBuffer) and fills the capture.
//
// The passes have two paths that give the same picture within rounding: the literal one draws
// every tap as an additively blended quad; the fast one sums the taps of a pass in fragment
// programs (BlurPassText), through the scratch buffers holding each tap's value where the pass
// shape allows. The programs are made once per window context and kept.
#include <epoxy/gl.h>

#include <array>
#include <cstdint>

#include "PBuffer.h"

class Texture;

class BlurChain {
 public:
  // Where a pass reads: a buffer (bound and released around its use) or a texture.
  struct Source {
    PBuffer* buffer = nullptr;
    Texture* texture = nullptr;
    bool exists() const { return buffer || texture; }
    // Binds the picture to the active unit's 2D texture.
    void bind() const;
    // A released buffer leaves no picture on its texture: what is drawn next is untextured (a
    // window-system buffer detaches its image; texture 0 has none either). Textures stay bound.
    void release() const;
  };

  // Buffers of the target's size that a fast pass may fill with each tap's weighted value (one
  // per direction) before it sums them, so that every tap costs one texel fetch. host: an
  // enabled buffer, current and at least the target's size, in whose context such a pass draws
  // (into the scratch buffers and the target's texture through its redirected colour, its state
  // left as it was), so the target's context is not entered and nothing waits for the pass until
  // the host is disabled; null: the target's own context.
  // literal: the literal taps whatever the fast-path switch says (Blur's copy path).
  struct Scratch {
    PBuffer* across = nullptr;
    PBuffer* down = nullptr;
    PBuffer* host = nullptr;
    bool literal = false;
  };

  // The buffers for the owner to create, in this order: capture, A, B, C, across, down.
  std::array<PBuffer*, 6> buffers() { return {&_capture, &_a, &_b, &_c, &_across, &_down}; }
  // The width and height (pixels) the owner creates buffer with: 1024 for the capture, else 512.
  int sizeOf(const PBuffer& buffer) const { return &buffer == &_capture ? 1024 : 512; }
  PBuffer& getCapture() { return _capture; }
  const PBuffer& getCapture() const { return _capture; }
  // Pass buffer A, B or C (index 0, 1, 2).
  const PBuffer* getPassBuffer(int index) const { return index == 0 ? &_a : index == 1 ? &_b : &_c; }
  // Pass buffer C, which Blur's bright-pass also draws into.
  PBuffer& passBufferC() { return _c; }
  // The buffer the last pass drew into (null: none since clearResult, or none ran yet).
  PBuffer* getResult() const { return _result; }
  void clearResult() { _result = nullptr; }

  // Makes the fast programs of the four passes from the capture and from the pass buffers now,
  // rather than in the middle of the show (nothing on the literal path or without buffers).
  void createPrograms();
  // Passes 0 to lastPass (at most four) from source, each tap weighted weight, in host's context
  // where they can be (see Scratch); the result is the last pass's buffer. Stops at a buffer that
  // could not be made.
  void runPasses(Source source, PBuffer* host, int32_t lastPass, float weight, bool onlyX, bool onlyY, bool literal);

  // One blur pass from source into target (size x size pixels): clear, then six taps across
  // (unless onlyY) and six down (unless onlyX) at -offset, -offset + step, ... pixels, each
  // weighted weight. Nothing happens when target does not exist.
  static void blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                       bool onlyY);
  // The same pass; the fast path goes through scratch where the pass shape allows (the same
  // picture, to the bit).
  static void blurPass(const Source& source, PBuffer& target, float step, float offset, float weight, bool onlyX,
                       bool onlyY, const Scratch& scratch);

  // Sums the taps of a pass in fragment programs (default on, unless RK17_BLUR_LITERAL=1 is set
  // in the environment).
  static void setFastPath(bool on);
  static bool isFastPath();
  // Fast passes fetch texels where the pass shape allows (default); off: every tap takes a
  // filtered sample, the fast path's earlier form (same picture; for measurements).
  static void setTexelFetches(bool on);
  // Fast passes given scratch buffers go through them where the pass shape allows (default);
  // off: one program per pass (same picture; for measurements).
  static void setSplitPasses(bool on);

 private:
  PBuffer _capture;              // the owner's picture, the first pass's usual source
  PBuffer _a, _b, _c;            // the passes
  PBuffer _across, _down;        // the fast passes' tap values
  PBuffer* _result = nullptr;    // the last pass's buffer
};
