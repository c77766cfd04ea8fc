#pragma once
// "Spectrum": reads the 512-band spectrum of the output every frame and sends its total as a
// pulse (event type 5) to the instances the script connected to it (type 3 adds one, type 2
// drops all). Draws nothing.
#include "Effect.h"

#include <vector>

class Spectrum : public Effect {
 public:
  Spectrum();

  // Does not restart the local clock. With the sound system initialised: switches the analysis
  // unit on (once per instance) and sets the total to 0.
  void start(uint32_t time) override;
  // Does not advance the local clock. With sound initialised: the analysis unit is switched on
  // (once); while the music plays and a spectrum is available, total = sum of the bands and every
  // target, in the order added, gets an event (time, type 5, value = total).
  void update(uint32_t time) override;
  void render(uint32_t time) override;
  // Base handling first; then type 2 empties the targets, type 3 appends the instance of the
  // current effect list named by the text (nothing when there is none).
  void handleEvent(const EffectEvent& event) override;

  const std::vector<Effect*>& getTargets() const { return _targets; }
  float getTotal() const { return _total; }
  bool isFftActive() const { return _fftActive; }

 private:
  void switchFftOn();

  std::vector<Effect*> _targets;       // not owned; instances of the same effect list
  bool _fftActive = false;             // this instance switched the analysis unit on
  const float* _spectrum = nullptr;    // the library's 512 bands of the last update (not owned)
  float _total = 0.0f;                 // sum of the bands of the last update
};
