#pragma once
// "Clear": clears the colour, depth and stencil buffers selected by its three flags, with its
// colour variables as the clear colour. Its colour defaults come from the registry row.
#include "BoolVariable.h"
#include "Effect.h"
#include "FloatVariable.h"

class Clear : public Effect {
 public:
  // The defaults of "Red", "Green", "Blue" and "Alpha" (0 to 1 each).
  Clear(float red, float green, float blue, float alpha);

  // Sets the clear colour and issues one clear with the selected buffer bits; the clear is issued
  // even when no flag is set (an empty mask changes nothing). Leaves the clear colour set.
  void render(uint32_t time) override;

 private:
  FloatVariable _red;
  FloatVariable _green;
  FloatVariable _blue;
  FloatVariable _alpha;
  BoolVariable _clearColor;    // "ClearColor": colour buffer bit
  BoolVariable _clearDepth;    // "ClearDepth": depth buffer bit
  BoolVariable _clearStencil;  // "ClearStencil": stencil buffer bit
};
