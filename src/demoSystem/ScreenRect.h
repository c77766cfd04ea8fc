#pragma once
// A rectangle in unit screen coordinates: x from the left border (0) to the right border (1),
// y downwards from the top border (0) to the bottom border (1) under setOrthoProjection. The same
// four floats also describe texture sub-rectangles (u, v, extent in u, extent in v).
struct ScreenRect {
  float x = 0.0f;       // left edge
  float y = 0.0f;       // top edge
  float width = 1.0f;   // 1 = full screen width
  float height = 1.0f;  // 1 = full screen height
};
