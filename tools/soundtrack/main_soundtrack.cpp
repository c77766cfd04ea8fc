// rk17_soundtrack: synthesises the show's soundtrack and writes it as a 16-bit stereo WAV file
// at 44100 Hz. Usage: rk17_soundtrack <out.wav>. Exit code 0 on success, 1 on a write failure.
//
// The piece: 120 beats per minute (a beat is 500 ms = 22050 frames), 84 bars of 4/4 (168 s) and
// a 2 s tail. A kick on (nearly) every beat gives the spectrum a pulse to follow.
// First act, A minor (Am F C G):
//   bars  0-3   intro: pad, off-beat hats, kick on the first beat of bars 0-1, every beat after
//   bars  4-11  groove: kick, clap on beats 2 and 4, eighth hats, bass
//   bars 12-19  + lead arpeggio in sixteenths
//   bars 20-23  break: pad and lead, kick on beats 1 and 3, noise riser in bar 23
//   bars 24-33  full: everything, open hats on the off-beats
// Second act, D minor (Dm Bb C A), darker and more driving:
//   bars 34-37  drift: pad, bells, half-time kick, off-beat hats, riser in bar 37
//   bars 38-45  machines: kick, clap, sixteenth hats, a pumping sixteenth bass
//   bars 46-49  grid: + the second act's lead arpeggio
//   bars 50-57  scope: + open hats and bells on every second beat
//   bars 58-61  bloom: pad, lead and bells alone, a kick per bar, riser in bar 61
//   bars 62-75  scenes: everything
//   bars 76-79  cloud: pad, bells, hats and a half-time kick
// Outro, back in A minor:
//   bars 80-83  pad and kick, the final chord ringing into the tail
// Everything is computed here from fixed formulas and a fixed noise seed: the output is the
// same on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
constexpr int kRate = 44100;            // frames per second
constexpr int kBeatFrames = kRate / 2;  // 120 BPM
constexpr int kBars = 84;
constexpr int kActTwo = 34;  // first bar of the second act
constexpr int kOutro = 80;   // first bar of the outro
constexpr int kTailFrames = 2 * kRate;
constexpr int kFrames = kBars * 4 * kBeatFrames + kTailFrames;
constexpr double kTwoPi = 6.283185307179586;

struct Stereo {
  std::vector<float> left = std::vector<float>(kFrames, 0.0f);
  std::vector<float> right = std::vector<float>(kFrames, 0.0f);
  // Adds value at frame with a pan of -1 (left) .. 1 (right); frames outside are dropped.
  void add(int64_t frame, float value, float pan) {
    if (frame < 0 || frame >= kFrames) return;
    left[frame] += value * (1.0f - pan) * 0.5f;
    right[frame] += value * (1.0f + pan) * 0.5f;
  }
};

uint32_t gNoise = 0x12345678u;
float noise() {
  gNoise = gNoise * 1664525u + 1013904223u;
  return static_cast<float>(gNoise >> 8) / 8388608.0f - 1.0f;  // -1 .. 1
}

double midiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

int64_t beatFrame(int bar, double beat) { return static_cast<int64_t>((bar * 4 + beat) * kBeatFrames); }

void kick(Stereo& out, int64_t start, float gain) {
  double phase = 0.0;
  const int length = kRate * 4 / 10;
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += kTwoPi * (48.0 + 110.0 * std::exp(-t * 28.0)) / kRate;
    const double env = std::exp(-t * 7.0) * std::min(1.0, i / 40.0);
    out.add(start + i, static_cast<float>(std::sin(phase) * env * gain), 0.0f);
  }
}

void clap(Stereo& out, int64_t start, float gain) {
  float previous = 0.0f;
  const int length = kRate / 4;
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const float n = noise();
    const float bright = n - previous;  // first difference: a crude high-pass
    previous = n;
    const double env = std::exp(-t * 16.0) + 0.6 * std::exp(-t * 90.0);
    const double body = std::sin(kTwoPi * 185.0 * t) * std::exp(-t * 25.0) * 0.5;
    out.add(start + i, static_cast<float>((bright * 0.45 + body) * env * gain), 0.1f);
  }
}

void hat(Stereo& out, int64_t start, float gain, bool open) {
  float previous = 0.0f;
  const double decay = open ? 11.0 : 55.0;
  const int length = open ? kRate / 3 : kRate / 12;
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const float n = noise();
    const float bright = n - previous;
    previous = n;
    out.add(start + i, static_cast<float>(bright * std::exp(-t * decay) * gain), open ? -0.35f : 0.35f);
  }
}

// A low-passed sawtooth with a short attack and an exponential decay.
void saw(Stereo& out, int64_t start, int length, double hz, float gain, double decay, double cutoff, float pan,
         double detune) {
  double phase = 0.0;
  double low = 0.0;
  const double a = 1.0 - std::exp(-kTwoPi * cutoff / kRate);
  const int release = kRate / 50;
  for (int i = 0; i < length + release; ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += hz * detune / kRate;
    phase -= std::floor(phase);
    low += a * ((2.0 * phase - 1.0) - low);
    double env = std::min(1.0, i / 220.0) * std::exp(-t * decay);
    if (i >= length) env *= 1.0 - static_cast<double>(i - length) / release;
    out.add(start + i, static_cast<float>(low * env * gain), pan);
  }
}

// A pulse-wave pluck with two echoes (three sixteenths apart) alternating left and right.
void pluck(Stereo& out, int64_t start, double hz, float gain) {
  const int length = kBeatFrames / 2;
  const int64_t echo = kBeatFrames * 3 / 4;
  for (int tap = 0; tap < 3; ++tap) {
    const float tapGain = gain * (tap == 0 ? 1.0f : (tap == 1 ? 0.45f : 0.2f));
    const float pan = tap == 0 ? 0.0f : (tap == 1 ? -0.6f : 0.6f);
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
      const double t = static_cast<double>(i) / kRate;
      phase += hz / kRate;
      phase -= std::floor(phase);
      const double wave = phase < 0.3 ? 1.0 : -0.43;
      const double env = std::min(1.0, i / 60.0) * std::exp(-t * 14.0);
      out.add(start + tap * echo + i, static_cast<float>(wave * env * tapGain), pan);
    }
  }
}

void riser(Stereo& out, int64_t start, int length, float gain) {
  double low = 0.0;
  for (int i = 0; i < length; ++i) {
    const double progress = static_cast<double>(i) / length;
    const double cutoff = 300.0 + 7000.0 * progress * progress;
    const double a = 1.0 - std::exp(-kTwoPi * cutoff / kRate);
    low += a * (noise() - low);
    out.add(start + i, static_cast<float>(low * progress * gain), static_cast<float>(std::sin(progress * 12.0) * 0.5));
  }
}

// A two-operator FM bell: a bright strike that mellows as the modulation index decays.
void bell(Stereo& out, int64_t start, double hz, float gain, float pan) {
  const int length = kRate * 3 / 2;
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double index = 3.0 * std::exp(-t * 6.0);
    const double value = std::sin(kTwoPi * hz * t + index * std::sin(kTwoPi * hz * 3.5 * t));
    const double env = std::min(1.0, i / 30.0) * std::exp(-t * 3.5);
    out.add(start + i, static_cast<float>(value * env * gain), pan);
  }
}

// Chords of the 4-bar cycle Am F C G, as MIDI notes; bass roots two octaves lower.
const int kChords[4][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};
const int kRoots[4] = {33, 29, 36, 31};

// Second act chords, Dm Bb C A, and their bass roots.
const int kChords2[4][3] = {{50, 53, 57}, {50, 53, 58}, {52, 55, 60}, {49, 52, 57}};
const int kRoots2[4] = {26, 34, 36, 33};

void pad(Stereo& out, int bar, const int (&chord)[3], float gain, int length) {
  for (int n : chord) {
    saw(out, beatFrame(bar, 0), length, midiHz(n), gain, 0.25, 1400.0, -0.7f, 0.997);
    saw(out, beatFrame(bar, 0), length, midiHz(n), gain, 0.25, 1400.0, 0.7f, 1.003);
  }
}

void actOneBar(Stereo& out, int bar) {
  const int chord = bar % 4;
  const bool intro = bar < 4;
  const bool groove = bar >= 4 && bar < 20;
  const bool lead = bar >= 12;
  const bool brk = bar >= 20 && bar < 24;
  const bool full = bar >= 24;

  // Pad: each chord note as two detuned saws spread left and right, one bar long.
  if (!groove || bar >= 12) {
    pad(out, bar, kChords[chord], brk ? 0.09f : 0.06f, 4 * kBeatFrames);
  } else {
    for (int n : kChords[chord])
      saw(out, beatFrame(bar, 0), 4 * kBeatFrames, midiHz(n), 0.035f, 0.4, 1000.0, 0.0f, 1.0);
  }

  // Kick: the beat.
  for (int beat = 0; beat < 4; ++beat) {
    const bool hit = intro ? (bar >= 2 || beat == 0) : (brk ? beat % 2 == 0 : true);
    if (hit) kick(out, beatFrame(bar, beat), 0.9f);
  }
  // Clap on beats 2 and 4.
  if (groove || full)
    for (int beat = 1; beat < 4; beat += 2) clap(out, beatFrame(bar, beat), 0.45f);
  // Hats.
  if (intro || brk)
    for (int beat = 0; beat < 4; ++beat) hat(out, beatFrame(bar, beat + 0.5), 0.12f, false);
  if (groove || full)
    for (int eighth = 0; eighth < 8; ++eighth) {
      const bool offbeat = eighth % 2 == 1;
      hat(out, beatFrame(bar, eighth * 0.5), offbeat ? 0.16f : 0.1f, full && offbeat);
    }
  // Bass: eighths on the root, jumping an octave on the last eighth of each beat pair.
  if (groove || full)
    for (int eighth = 0; eighth < 8; ++eighth) {
      const int note = kRoots[chord] + (eighth % 4 == 3 ? 12 : 0) + 12;
      saw(out, beatFrame(bar, eighth * 0.5), kBeatFrames / 2 - 400, midiHz(note), 0.32f, 5.0, 600.0, 0.0f, 1.0);
    }
  // Lead: sixteenth arpeggio over the chord an octave up.
  if (lead) {
    static const int kPattern[16] = {0, 1, 2, 3, 2, 1, 0, 2, 1, 2, 3, 2, 1, 0, 1, 3};
    for (int step = 0; step < 16; ++step) {
      const int index = kPattern[step];
      const int note = index == 3 ? kChords[chord][0] + 24 : kChords[chord][index] + 12;
      pluck(out, beatFrame(bar, step * 0.25), midiHz(note), brk ? 0.07f : 0.09f);
    }
  }
  if (bar == 23) riser(out, beatFrame(bar, 0), 4 * kBeatFrames, 0.5f);
}

void actTwoBar(Stereo& out, int bar) {
  const int chord = (bar - kActTwo) % 4;
  const bool drift = bar < 38;
  const bool machines = bar >= 38 && bar < 58;  // machines, grid and scope
  const bool bloom = bar >= 58 && bar < 62;
  const bool scenes = bar >= 62 && bar < 76;
  const bool cloud = bar >= 76;
  const bool drive = machines || scenes;
  const bool lead = (bar >= 46 && bar < 76);
  const bool bright = (bar >= 50 && bar < 58) || scenes;

  pad(out, bar, kChords2[chord], bloom || cloud || drift ? 0.085f : 0.05f, 4 * kBeatFrames);

  // Kick: half time in the drift and the cloud, once a bar in the bloom, every beat otherwise.
  for (int beat = 0; beat < 4; ++beat) {
    bool hit = drive;
    if (drift) hit = beat == 0 || (bar > kActTwo && beat == 2);
    if (cloud) hit = beat % 2 == 0;
    if (bloom) hit = beat == 0;
    if (hit) kick(out, beatFrame(bar, beat), bloom ? 0.6f : 0.9f);
  }
  if (drive)
    for (int beat = 1; beat < 4; beat += 2) clap(out, beatFrame(bar, beat), 0.45f);
  // Hats: off-beats in the quiet parts, sixteenths with accented off-beats in the driving ones.
  if (drift || cloud)
    for (int beat = 0; beat < 4; ++beat) hat(out, beatFrame(bar, beat + 0.5), 0.12f, cloud);
  if (drive)
    for (int step = 0; step < 16; ++step) {
      const bool offbeat = step % 4 == 2;
      hat(out, beatFrame(bar, step * 0.25), offbeat ? 0.15f : 0.06f, bright && offbeat);
    }
  // Bass: pumping sixteenths, the root with a fifth on the last sixteenth of each beat.
  if (drive)
    for (int step = 0; step < 16; ++step) {
      const int note = kRoots2[chord] + 12 + (step % 4 == 3 ? 7 : 0);
      const float gain = step % 4 == 0 ? 0.3f : 0.2f;
      saw(out, beatFrame(bar, step * 0.25), kBeatFrames / 4 - 300, midiHz(note), gain, 8.0, 500.0, 0.0f, 1.0);
    }
  // Lead: a rising and falling sixteenth line over the chord, two octaves up on the peaks.
  if (lead || bloom) {
    static const int kPattern[16] = {0, 2, 1, 2, 0, 2, 3, 2, 0, 2, 1, 2, 3, 1, 2, 1};
    for (int step = 0; step < 16; ++step) {
      const int index = kPattern[step];
      const int note = index == 3 ? kChords2[chord][0] + 24 : kChords2[chord][index] + 12;
      pluck(out, beatFrame(bar, step * 0.25), midiHz(note), bloom ? 0.06f : 0.08f);
    }
  }
  // Bells: the chord's top note on the bar in the quiet parts, every second beat when bright.
  if (drift || bloom || cloud || bright) {
    const int step = bright ? 2 : 4;
    for (int beat = 0; beat < 4; beat += step) {
      const int note = kChords2[chord][(beat / 2 + bar) % 3] + 12;
      bell(out, beatFrame(bar, beat), midiHz(note), bright ? 0.08f : 0.12f, beat == 0 ? -0.4f : 0.4f);
    }
  }
  if (bar == 37 || bar == 61) riser(out, beatFrame(bar, 0), 4 * kBeatFrames, 0.5f);
}

void outroBar(Stereo& out, int bar) {
  // F C G Am: home again, the last chord ringing into the tail.
  const int chord = (bar + 1) % 4;
  const bool last = bar == kBars - 1;
  pad(out, bar, kChords[chord], 0.07f, last ? 4 * kBeatFrames + kTailFrames : 4 * kBeatFrames);
  for (int beat = 0; beat < 4; ++beat) kick(out, beatFrame(bar, beat), 0.8f - 0.1f * (bar - kOutro));
  if (last) bell(out, beatFrame(bar, 0), midiHz(kChords[chord][2] + 12), 0.12f, 0.0f);
}

void compose(Stereo& out) {
  for (int bar = 0; bar < kBars; ++bar) {
    if (bar < kActTwo)
      actOneBar(out, bar);
    else if (bar < kOutro)
      actTwoBar(out, bar);
    else
      outroBar(out, bar);
  }
  // Final hit on the first beat after the last bar.
  kick(out, beatFrame(kBars, 0), 0.8f);
}

void writeLe(std::FILE* f, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

bool writeWav(const char* path, const Stereo& audio) {
  float peak = 1e-6f;
  for (int i = 0; i < kFrames; ++i) peak = std::max({peak, std::fabs(audio.left[i]), std::fabs(audio.right[i])});
  const float scale = 0.89f / peak;  // peak at -1 dBFS
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(kFrames) * 4;
  std::fwrite("RIFF", 1, 4, f);
  writeLe(f, 36 + dataBytes, 4);
  std::fwrite("WAVEfmt ", 1, 8, f);
  writeLe(f, 16, 4);
  writeLe(f, 1, 2);  // PCM
  writeLe(f, 2, 2);  // channels
  writeLe(f, kRate, 4);
  writeLe(f, kRate * 4, 4);
  writeLe(f, 4, 2);
  writeLe(f, 16, 2);
  std::fwrite("data", 1, 4, f);
  writeLe(f, dataBytes, 4);
  std::vector<int16_t> frame(2);
  for (int i = 0; i < kFrames; ++i) {
    const float l = std::max(-1.0f, std::min(1.0f, audio.left[i] * scale));
    const float r = std::max(-1.0f, std::min(1.0f, audio.right[i] * scale));
    writeLe(f, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(l * 32767.0f))), 2);
    writeLe(f, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(r * 32767.0f))), 2);
  }
  const bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rk17_soundtrack <out.wav>\n");
    return 1;
  }
  Stereo audio;
  compose(audio);
  if (!writeWav(argv[1], audio)) {
    std::fprintf(stderr, "rk17_soundtrack: could not write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
