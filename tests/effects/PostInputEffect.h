#pragma once
// A test input for the post-processing effects: draws a background colour and coloured
// rectangles (unit screen coordinates, y from the top) over its whole viewport, opaque, and
// counts the calls it gets.
#include <cstdint>
#include <string>
#include <vector>

#include "Effect.h"
#include "ScreenRect.h"

class PostInputEffect : public Effect {
 public:
  struct Patch {
    ScreenRect rect;
    float rgb[3];
  };

  explicit PostInputEffect(const std::string& name = "Input");

  void start(uint32_t time) override;
  void update(uint32_t time) override;
  // Texturing, blending, depth test and culling off; the background, then the patches; then
  // depth test and writes on when leaveDepthTest is set.
  void render(uint32_t time) override;

  // Red, green, blue and white quadrants (top-left, top-right, bottom-left, bottom-right).
  void setQuadrants();
  // One colour over everything.
  void setUniform(float red, float green, float blue);
  // Zeroes the counts and forgets the viewports seen.
  void resetCounts();

  float background[3] = {0.0f, 0.0f, 0.0f};
  bool leaveDepthTest = true;  // end render with depth test and writes on, as effects do
  std::vector<Patch> patches;
  int starts = 0;
  int updates = 0;
  int renders = 0;
  std::vector<int> renderViewportWidths;  // viewport width seen by each render
};
