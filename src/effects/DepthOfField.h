#pragma once
// "DOF": depth of field around the linked effect (normally a scene). Each frame the linked effect
// renders into a 1024 x 1024 capture buffer with the vertex program "data/shaders/dof_light.vds"
// bound, which lights the vertices and writes each one's focus factor into alpha; the passes of
// a BlurChain (as Blur's) spread the capture into 512 x 512 buffers; render draws the blurred picture over the
// whole screen and the sharp capture over it, blended by its own alpha ("DoGlow").
//
// The composition has two paths that give the same picture within rounding: the literal one draws
// the two full-screen quads; the fast one mixes both pictures in one fragment program. Both follow
// the chain's switch (BlurChain::setFastPath, RK17_BLUR_LITERAL=1), which also chooses how the
// passes run.
#include <array>
#include <cstdint>

#include "BlurChain.h"
#include "BoolVariable.h"
#include "IntVariable.h"
#include "PostEffect.h"

class DepthOfField : public PostEffect {
 public:
  // Needs a current GL context (the buffers).
  DepthOfField();
  ~DepthOfField() override;

  // Nothing before the first blur pass ran. Then the blurred picture (or, with "DoBlur" off in
  // the last update, the sharp capture) over the whole screen, and with "DoGlow" the sharp capture
  // over it with alpha = its alpha x "GlowStrength". Leaves blending off, depth test and writes
  // on, culling off, 2D texturing on, colour (1, 1, 1, 1), the flipped unit projection loaded.
  void render(uint32_t time) override;

  // Environment parameter 0 of the vertex program: (0, constant x 0.01, (weight1 x 2 - 0.5) x 2,
  // (weight2 - 0.5) x 2). A value that is not finite counts as 0 (the program then sees numbers
  // it can clamp).
  static std::array<float, 4> focusParameters(float constant, float weight1, float weight2);
  // Environment parameter 1: (0.5, 0.5, 0.5, 1).
  static std::array<float, 4> lightParameters() { return {0.5f, 0.5f, 0.5f, 1.0f}; }
  // The vertex program shared by every instance (0: none loaded, e.g. the file is missing).
  static GLuint getProgram();
  // Deletes the shared program (with a context of the window's share group current); the next
  // start reads and loads the file again.
  static void releaseProgram();
  // True when the GL offers what the capture needs (ARB vertex programs and shaders).
  static bool hasVertexPrograms();

  // The buffer holding the last blur result (null: no pass ran yet).
  const PBuffer* getResult() const { return _chain.getResult(); }
  PBuffer& getCapture() { return _chain.getCapture(); }
  // Blur buffer A, B or C (index 0, 1, 2).
  const PBuffer* getPassBuffer(int index) const { return _chain.getPassBuffer(index); }

 protected:
  // The linked effect started in the window, then again in the capture buffer, where the vertex
  // program is loaded.
  void startLinked(uint32_t time) override;
  // Capture with the vertex program, then the blur passes (the whole update's work); needs the
  // vertex programs (hasVertexPrograms).
  void runInputPass(uint32_t time) override;

 private:
  // Unless a program is loaded already: loads "data/shaders/dof_light.vds" into a new program
  // name in the current context, which becomes the shared one. A missing file leaves no program
  // (nothing reported; the next start tries again); a program the GL refuses is the fatal "Error
  // loading shader" report.
  static void loadProgram();
  // The blur passes of this frame from the capture ("BlurAmount" of them), drawn in host's
  // context where they can be (BlurChain::Scratch); sets the chain's result.
  void runPasses(uint32_t time, PBuffer* host);
  // The blurred picture and the sharp capture over it by its alpha x glowStrength in one quad;
  // false when the program is not available (nothing drawn).
  bool composeFast(PBuffer& picture, float glowStrength);

  BoolVariable _doBlur;         // "DoBlur": run the passes, default true
  BoolVariable _doGlow;         // "DoGlow": the sharp picture over the blurred one, default true
  IntVariable _blurAmount;      // "BlurAmount": passes - 1, four choices, default 2
  FloatVariable _blurFactor;    // "BlurFactor": overall brightness of the taps, default 0.25
  FloatVariable _glowStrength;  // "GlowStrength": colour and alpha factor of the sharp picture, 1
  FloatVariable _constant;      // "Constant": depth scale of the focus (x 0.01), default 0.5
  FloatVariable _weight1;       // "Weight1": focus level, default 1
  FloatVariable _weight2;       // "Weight2": focus slope over depth, default 0

  BlurChain _chain;            // capture: the linked effect with the focus in alpha
  bool _glow = false;          // "DoGlow" and "DoBlur" sampled by the last update
  bool _blur = false;
  bool _capturing = false;  // inside the capture: a link back here draws nothing into it
};
