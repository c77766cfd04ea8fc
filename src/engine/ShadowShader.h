#pragma once
// Both passes of a shadow receiver in one draw. A receiver is drawn once lit by every light with
// the shadow map modulating its colour, then again at half its opacity without the shadow light,
// blended over the first picture. On llvmpipe the second pass costs as much as the first: every
// covered pixel is textured, lit and blended twice. This GLSL program computes both colours per
// vertex (the fixed-function lighting with and without the shadow light), samples each map and
// the shadow map once, rounds the first colour as the frame buffer would store it and blends the
// second over it (or adds both, for additive materials), with the fixed-function fog applied to
// each. The picture is the two passes' within rounding.
//
// Only recipes the program reproduces take this way (see handles); every other receiver keeps the
// two passes. The switch ShadowLiteral (RK17_SHADOW_LITERAL=1, or setLiteralPath) keeps them for all.
#include <epoxy/gl.h>

#include <cstdint>

class Material;

class ShadowShader {
 public:
  // What a receiver's draw needs to know besides its material.
  struct Receiver {
    GLenum fog = 0;            // the scene's fog mode (GL_LINEAR, GL_EXP, GL_EXP2); 0: no fog
    int32_t leftOut = -1;      // GL index of the light the second pass leaves out (-1: none)
    bool singleLayer = false;  // the mesh covers a pixel with at most one front face (convex)
  };

  // True when the material's two shadow passes can be drawn as one: shade models 0, 1, 2, 4, 5
  // (without the extra light pass) and 6, one-sided, filled, without stencil, alpha blending,
  // texture matrix, a flag forcing unlit textures or the environment program; in any of the
  // fixed-function fog modes or without fog. Either opaque (an alpha test is fine), or additive
  // and fully opaque without alpha test on a single-layer mesh: the second pass adds only over the
  // mesh's nearest face, which one pass matches only where there is no face behind it.
  static bool handles(const Material& material, const Receiver& receiver);
  // True when the second pass cannot draw: the first pass leaves the depth buffer alone (a
  // material below full opacity), so the second pass's equal-depth test passes nowhere but where
  // the mesh lies exactly on what was drawn before it. Such receivers draw their first pass alone
  // (not on the literal path; not with stencil, whose depth-fail operation would still act).
  static bool secondPassEmpty(const Material& material);

  // True when the material's program can be used now: GLSL is offered, the program was built (when
  // first needed; a failure is reported once and the two passes are drawn from then on), and no
  // program of the caller's (GLSL, or an ARB vertex program switched on) is in use.
  static bool available(const Material& material, const Receiver& receiver);
  // Makes the program current and sets its uniforms for this material. Its recipe must have been
  // applied (the maps bound to their units, the shadow map to unit 2) and available be true.
  static void begin(const Material& material, const Receiver& receiver);
  // Ends the use begun by a successful begin (no program current).
  static void end();

  static void setLiteralPath(bool literal);
  static bool literalPath();
};
