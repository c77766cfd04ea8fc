#include "Spectrum.h"

#include "EffectList.h"
#include "SoundLibrary.h"
#include "SpectrumAnalyzer.h"
#include "VelmorMusic.h"

Spectrum::Spectrum() : Effect("Spectrum") {
  // Room for the targets a show adds, so that adding one at a section change allocates nothing.
  _targets.reserve(16);
}

void Spectrum::switchFftOn() {
  if (_fftActive) return;
  SoundLibrary& library = soundLibrary();
  library.setDspActive(library.getFFTUnit(), true);
  _fftActive = true;
}

void Spectrum::start(uint32_t) {
  if (!isSoundInitialised()) return;
  switchFftOn();
  _total = 0.0f;
}

void Spectrum::update(uint32_t time) {
  if (!isSoundInitialised()) return;
  switchFftOn();
  if (!isMusicPlaying()) return;
  _spectrum = soundLibrary().getSpectrum();
  if (!_spectrum) return;
  float total = 0.0f;
  for (int32_t k = 0; k < SpectrumAnalyzer::kBands; ++k) total += _spectrum[k];
  _total = total;
  EffectEvent pulse;
  pulse.time = time;
  pulse.type = 5;
  pulse.value = total;
  pulse.values[0] = total;
  // By index, without a copy: an index stays valid even if a target's reaction changed the list.
  const size_t count = _targets.size();
  for (size_t i = 0; i < count && i < _targets.size(); ++i) _targets[i]->handleEvent(pulse);
}

void Spectrum::render(uint32_t) {}

void Spectrum::handleEvent(const EffectEvent& event) {
  Effect::handleEvent(event);
  if (event.type == 2) {
    _targets.clear();
  } else if (event.type == 3) {
    EffectList* list = EffectList::current();
    Effect* target = list ? list->find(event.text) : nullptr;
    if (target) _targets.push_back(target);
  }
}
