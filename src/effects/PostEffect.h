#pragma once
// Base of the post-processing effects (RotoZoom, Tiles, Mosaic, GridExp, Blur): the colour
// variables, the off-screen buffers and the input pass that renders the linked effect into them
// during update.
// The buffers are members of the derived class; this base only lists them, in input-pass order.
// The linked effect is not owned.
#include <epoxy/gl.h>

#include <cstddef>
#include <vector>

#include "Effect.h"
#include "FloatVariable.h"
#include "PBuffer.h"

class PostEffect : public Effect {
 public:
  // Base start; then, with a linked effect that does not lead back here, startLinked.
  void start(uint32_t time) override;
  // Base update; then, only with a linked effect, the input pass: the viewport is remembered;
  // each existing buffer is enabled, cleared to (0, 0, 0, 0) with the effect's clear mask, the
  // linked effect is updated and rendered with time (its own activity span is not consulted),
  // afterInput runs, the buffer is disabled; finally the viewport is restored. A linked effect
  // that leads back here (a link to itself, or a cycle of links) is not entered again.
  void update(uint32_t time) override;

  // The buffers in input-pass order (for tests and diagnostics).
  const std::vector<PBuffer*>& getBuffers() const { return _buffers; }

 protected:
  // Registers "Red", "Green", "Blue", "Alpha" (default 1 each) after the common variables unless
  // colourVariables is false. clearMask: the GL buffer bits cleared in each buffer by the input
  // pass.
  PostEffect(const std::string& name, GLbitfield clearMask, bool colourVariables = true);

  // Creates buffer with width x height pixels and a texture wrapping with GL_REPEAT, minified
  // with GL_LINEAR and magnified with magFilter; enables it once, clears colour, depth and
  // stencil to (0, 0, 0, 0), 1 and 0, disables it; then lists it for the input pass unless
  // listed is false. A buffer whose creation failed is still listed and is skipped by the input
  // pass.
  void createBuffer(PBuffer& buffer, int width, int height, GLint magFilter = GL_NEAREST, bool listed = true);
  // Lists buffer for the input pass as it is (for buffers made elsewhere); skipped while it is
  // not initialised.
  void addBuffer(PBuffer& buffer);
  // Runs inside buffer, after the linked effect rendered into it and before it is disabled.
  virtual void afterInput(PBuffer& buffer);
  // The linked effect's start once in the current target and once more inside each existing
  // buffer (enable, start, disable). Runs with the link guard held.
  virtual void startLinked(uint32_t time);
  // The input pass of update (see update). Runs with the link guard held.
  virtual void runInputPass(uint32_t time);

  // The link guard: true (and held until leaveLink) when a linked effect is set and this effect
  // is not already inside its own start or input pass, so a link to itself or a cycle of links
  // is not entered again; false otherwise.
  bool enterLink();
  void leaveLink() { _passing = false; }

  // One quad over the unit square for the y-down orthographic projection, texture (0, 0) at
  // (0, 1), (1, 0) at (1, 1), (1, 1) at (1, 0), (0, 1) at (0, 0): a buffer's picture, whose
  // first row is its bottom row, comes out upright.
  static void drawBufferQuad();
  // Pushes the projection and model-view matrices, loads the unit orthographic projection (y
  // downwards when yDown), turns depth test and culling off and 2D texturing on.
  static void beginScreenPass(bool yDown);
  // Pops both matrices again and leaves the model-view matrix current.
  static void endScreenPass();
  // State for drawing a finished picture over the screen: the orthographic projection with y
  // downwards (not pushed), depth test, depth writes and culling off, 2D texturing on, white.
  static void beginPictureOverlay();

  FloatVariable _red;    // "Red", 0..1, default 1
  FloatVariable _green;  // "Green", 0..1, default 1
  FloatVariable _blue;   // "Blue", 0..1, default 1
  FloatVariable _alpha;  // "Alpha", 0..1, default 1

 private:
  std::vector<PBuffer*> _buffers;  // not owned: members of the derived effect
  GLbitfield _clearMask;           // input pass clear
  bool _passing = false;           // inside start or the input pass: guards against link cycles
};
