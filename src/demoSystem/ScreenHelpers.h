#pragma once
// Screen-space drawing in a unit square, independent of the window size. The helpers set no
// colour, blending or depth state; the Texture passed in is borrowed.
#include "ScreenRect.h"

class Texture;

// Projection = orthographic box (left 0, right 1, bottom 0, top 1, near -1, far 1), model-view =
// identity; leaves the model-view matrix current.
void setOrthoProjection();
// As setOrthoProjection with bottom 1 and top 0, for pictures whose first row is the bottom one
// (pixel-buffer and screen copies).
void setOrthoProjectionFlipped();

// One GL_QUADS quad over rect with texture coordinates spanning the whole texture. Vertices in
// order: (x, 1-y), (x+w, 1-y), (x+w, 1-(y+h)), (x, 1-(y+h)) with texture coordinates (0,0),
// (1,0), (1,1), (0,1). Touches no texture state.
void drawQuad(const ScreenRect& rect);
// With a texture: binds it and enables 2D texturing, draws as drawQuad, then disables 2D
// texturing. With null: draws with whatever texture state is set and changes none.
void drawTexturedQuad(const Texture* texture, const ScreenRect& rect);
// As drawQuad with texture coordinates spanning texRect: (u,v), (u+du,v), (u+du,v+dv), (u,v+dv).
void drawQuadPart(const ScreenRect& rect, const ScreenRect& texRect);
// Binds and enables as drawTexturedQuad, draws as drawQuadPart, disables as drawTexturedQuad.
void drawTexturedQuadPart(const Texture* texture, const ScreenRect& rect, const ScreenRect& texRect);
