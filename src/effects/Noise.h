#pragma once
// "Noise": two layers of grey noise blended over the screen, from two render-target textures
// shared by name through the texture manager ("noisetexture" 512 x 512, "noisetexture2"
// 256 x 256). With "Animate" each frame moves the instance's noise offset to a new random place,
// drawn from the shared random sequence.
#include "BoolVariable.h"
#include "Effect.h"
#include "FloatVariable.h"
#include "ScreenRect.h"

class Texture;

class Noise : public Effect {
 public:
  // Needs a current GL context. Fetches (or creates) the two shared textures, sets their filters
  // to GL_NEAREST and refills them: cleared, then filled with noise from the shared random
  // sequence, the 512 one first.
  Noise();

  // Overlay state with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), colour ("Red", "Green", "Blue",
  // "Alpha" + pulse); if "Animate", the offset gets u = nextRandom() / 32767, then v likewise;
  // then both textures over the full screen, texture rectangle = the offset, the 512 one first.
  // Leaves blending off, depth writes and depth test on, colour (1, 1, 1, 1), 2D texturing and
  // face culling off.
  void render(uint32_t time) override;

  // The noise offset (x = u, y = v; initially 0, 0, 1, 1).
  ScreenRect getOffset() const { return _offset; }

 protected:
  // The offset an animated frame moves is carried to later frames that do not animate.
  void saveOwnFrameState() override { _savedOffset = _offset; }
  void restoreOwnFrameState() override { _offset = _savedOffset; }

 private:
  FloatVariable _red;         // "Red", 0..1, default 1
  FloatVariable _green;       // "Green", 0..1, default 1
  FloatVariable _blue;        // "Blue", 0..1, default 1
  FloatVariable _alpha;       // "Alpha", 0..1 (the pulse is added), default 1
  BoolVariable _animate;      // "Animate": move the offset every frame; default false
  Texture* _large = nullptr;  // "noisetexture", shared, owned by the texture manager
  Texture* _small = nullptr;  // "noisetexture2", shared, owned by the texture manager
  ScreenRect _offset{0.0f, 0.0f, 1.0f, 1.0f};  // texture rectangle of both layers
  ScreenRect _savedOffset{0.0f, 0.0f, 1.0f, 1.0f};  // saveOwnFrameState
};
