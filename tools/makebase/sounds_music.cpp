#include "tools/makebase/sounds_music.h"

#include <algorithm>
#include <cmath>

#include "tools/makebase/sounds_synth.h"

namespace makebase {

namespace {

constexpr double kRate = kMusicRate;
constexpr double kBeat = 0.5;  // 120 beats a minute
constexpr double kBar = 4 * kBeat;
constexpr int kBars = 16;

// A stereo bus whose end wraps to its start, so release tails cross the loop point seamlessly.
struct Bus {
  explicit Bus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
  void Add(double seconds, size_t i, double v, double pan) {
    const size_t at = (static_cast<size_t>(std::lround(seconds * kRate)) + i) % left.size();
    // Constant-power pan, -1 (left) .. 1 (right).
    const double a = (pan + 1.0) * 0.25 * kPi;
    left[at] = static_cast<float>(left[at] + v * std::cos(a));
    right[at] = static_cast<float>(right[at] + v * std::sin(a));
  }
  std::vector<float> left, right;
};

double EnvelopeLevel(double t, double a, double d, double s) {
  if (t < a) return t / a;
  if (t < a + d) return 1.0 - (1.0 - s) * (t - a) / d;
  return s;
}

// Attack, decay, sustain while held, then a linear release from wherever the note was let go.
double Adsr(double t, double held, double a, double d, double s, double r) {
  if (t <= held) return EnvelopeLevel(t, a, d, s);
  return EnvelopeLevel(held, a, d, s) * std::max(0.0, 1.0 - (t - held) / r);
}

// ---- Instruments ---------------------------------------------------------------------------

void Lead(Bus& bus, double start, double length, double note, double gain, double pan) {
  const double f0 = MidiToHz(note);
  const double release = 0.15;
  const size_t n = static_cast<size_t>((length + release) * kRate);
  Svf filter;
  double p1 = 0, p2 = 0.37, p3 = 0.61;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    const double vib = 1.0 + 0.006 * std::min(1.0, t / 0.35) * std::sin(2 * kPi * 5.2 * t);
    const double f = f0 * vib;
    const double i1 = f * 1.003 / kRate, i2 = f * 0.997 / kRate, i3 = f * 0.5 / kRate;
    p1 += i1; p1 -= std::floor(p1);
    p2 += i2; p2 -= std::floor(p2);
    p3 += i3; p3 -= std::floor(p3);
    const double osc = 0.5 * PolyBlepSaw(p1, i1) + 0.5 * PolyBlepSaw(p2, i2) + 0.35 * PolyBlepSquare(p3, i3, 0.5);
    filter.Set(900 + 2600 * std::exp(-t / 0.18), 1.4, kRate);
    filter.Run(osc);
    bus.Add(start, i, gain * filter.low * Adsr(t, length, 0.012, 0.2, 0.7, release), pan);
  }
}

void Bass(Bus& bus, double start, double length, double note, double gain) {
  const double f = MidiToHz(note);
  const double release = 0.05;
  const size_t n = static_cast<size_t>((length + release) * kRate);
  Svf filter;
  double p = 0, sub = 0;
  const double inc = f / kRate;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    p += inc; p -= std::floor(p);
    sub += inc; sub -= std::floor(sub);
    filter.Set(220 + 1300 * std::exp(-t / 0.07), 2.0, kRate);
    filter.Run(PolyBlepSaw(p, inc));
    const double v = filter.low * 0.8 + std::sin(2 * kPi * sub) * 0.6;
    bus.Add(start, i, gain * v * Adsr(t, length, 0.004, 0.12, 0.6, release), 0.0);
  }
}

void Pad(Bus& bus, double start, double length, double note, double gain) {
  const double f = MidiToHz(note);
  const double release = 0.7;
  const size_t n = static_cast<size_t>((length + release) * kRate);
  const double detune[3] = {0.994, 1.0, 1.006};
  const double pans[3] = {-0.7, 0.0, 0.7};
  double phase[3] = {0.11, 0.53, 0.87};
  Svf filter[3];
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    const double env = Adsr(t, length, 0.35, 0.5, 0.8, release);
    for (int k = 0; k < 3; ++k) {
      const double inc = f * detune[k] / kRate;
      phase[k] += inc; phase[k] -= std::floor(phase[k]);
      filter[k].Set(1100 + 300 * std::sin(2 * kPi * 0.25 * (start + t)), 0.9, kRate);
      filter[k].Run(PolyBlepSaw(phase[k], inc));
      bus.Add(start, i, gain * env * filter[k].low, pans[k]);
    }
  }
}

void Pluck(Bus& bus, double start, double note, double gain, double pan) {
  const double f = MidiToHz(note);
  const size_t n = static_cast<size_t>(0.3 * kRate);
  Svf filter;
  double p = 0;
  const double inc = f / kRate;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    p += inc; p -= std::floor(p);
    filter.Set(700 + 3500 * std::exp(-t / 0.05), 1.8, kRate);
    filter.Run(PolyBlepSquare(p, inc, 0.3));
    bus.Add(start, i, gain * filter.low * AttackDecay(t, 0.002, 0.09), pan);
  }
}

void Kick(Bus& bus, double start, double gain) {
  const size_t n = static_cast<size_t>(0.35 * kRate);
  double p = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    p += (45 + 120 * std::exp(-t / 0.03)) / kRate;
    const double click = t < 0.003 ? (1.0 - t / 0.003) * 0.5 : 0.0;
    bus.Add(start, i, gain * (std::sin(2 * kPi * p) * AttackDecay(t, 0.001, 0.16) + click), 0.0);
  }
}

void Snare(Bus& bus, double start, double gain, Noise& noise) {
  const size_t n = static_cast<size_t>(0.25 * kRate);
  Svf filter;
  filter.Set(1900, 0.8, kRate);
  double p = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    filter.Run(noise.Next());
    p += (185 + 60 * std::exp(-t / 0.01)) / kRate;
    const double v = (filter.band + filter.high * 0.5) * AttackDecay(t, 0.001, 0.07) +
                     std::sin(2 * kPi * p) * AttackDecay(t, 0.001, 0.04) * 0.7;
    bus.Add(start, i, gain * v, 0.1);
  }
}

void Hat(Bus& bus, double start, double gain, double decay, Noise& noise) {
  const size_t n = static_cast<size_t>(decay * 6 * kRate);
  Svf filter;
  filter.Set(4800, 1.0, kRate);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    filter.Run(noise.Next());
    bus.Add(start, i, gain * filter.high * AttackDecay(t, 0.0005, decay), 0.35);
  }
}

void Crash(Bus& bus, double start, double gain, Noise& noise) {
  const size_t n = static_cast<size_t>(2.0 * kRate);
  Svf l, r;
  l.Set(4000, 0.8, kRate);
  r.Set(4300, 0.8, kRate);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    const double e = gain * AttackDecay(t, 0.002, 0.45);
    l.Run(noise.Next());
    r.Run(noise.Next());
    bus.Add(start, i, e * l.high, -0.8);
    bus.Add(start, i, e * r.high, 0.8);
  }
}

// ---- The score -----------------------------------------------------------------------------

struct Chord {
  int bass;       // root in the bass register
  int tones[3];   // pad voicing
};
constexpr Chord kAm{45, {57, 60, 64}}, kF{41, {57, 60, 65}}, kC{48, {55, 60, 64}}, kG{43, {55, 59, 62}},
    kE{40, {56, 59, 64}};
const Chord kProgression[8] = {kAm, kF, kC, kG, kAm, kF, kE, kE};

// The melody in eighth notes, eight a bar: a MIDI note starts, -1 holds the previous, 0 rests.
constexpr int kMelody[8][8] = {
    {76, -1, 72, -1, 69, -1, 72, 74},  // Am
    {77, -1, 76, -1, 72, -1, 69, -1},  // F
    {72, -1, 76, 79, -1, -1, 76, -1},  // C
    {74, -1, 71, -1, 67, -1, -1, 0},   // G
    {69, 72, 76, -1, 81, -1, 79, 76},  // Am
    {77, -1, -1, 76, 74, -1, 72, -1},  // F
    {71, -1, 68, -1, 71, -1, 74, -1},  // E
    {76, -1, -1, -1, -1, -1, 0, 0},    // E
};

// The highest tone of the chord at least a minor third below the note.
int HarmonyBelow(int note, const Chord& chord) {
  for (int n = note - 3; n > note - 12; --n) {
    for (int t : chord.tones) {
      if ((n - t) % 12 == 0) return n;
    }
  }
  return note - 5;
}

}  // namespace

std::vector<float> MakeMenuMusic() {
  const size_t frames = static_cast<size_t>(kBars * kBar * kRate);
  Bus mix(frames), lead(frames);
  Noise noise(0x5eed);
  const double eighth = kBeat / 2;

  for (int bar = 0; bar < kBars; ++bar) {
    const double t0 = bar * kBar;
    const Chord& chord = kProgression[bar % 8];
    const bool second = bar >= 8;

    for (int tone : chord.tones) Pad(mix, t0, kBar - 0.05, tone, 0.05);

    const int bassSteps[8] = {0, 0, 12, 0, 0, 7, 12, 7};
    for (int k = 0; k < 8; ++k) Bass(mix, t0 + k * eighth, eighth * 0.8, chord.bass + bassSteps[k], 0.32);

    // Melody; the second time through a harmony voice joins it.
    const int* line = kMelody[bar % 8];
    for (int k = 0; k < 8; ++k) {
      if (line[k] <= 0) continue;
      int len = 1;
      while (k + len < 8 && line[k + len] == -1) ++len;
      const double length = len * eighth - 0.02;
      Lead(lead, t0 + k * eighth, length, line[k], 0.2, 0.0);
      if (second) Lead(lead, t0 + k * eighth, length, HarmonyBelow(line[k], chord), 0.11, 0.45);
    }

    // Arpeggio in sixteenths through the second half.
    if (second) {
      const int order[4] = {0, 1, 2, 1};
      for (int k = 0; k < 16; ++k) {
        const int note = chord.tones[order[k % 4]] + 12 + (k >= 8 ? 12 * (k % 2) : 0);
        Pluck(mix, t0 + k * eighth / 2, note, 0.07, k % 2 ? 0.5 : -0.5);
      }
    }

    // Drums: kick on one and three (and the "and" of two), snare on two and four, hats on eighths.
    const bool fill = bar % 8 == 7;
    Kick(mix, t0, 0.6);
    Kick(mix, t0 + 1.5 * kBeat, 0.45);
    Kick(mix, t0 + 2 * kBeat, 0.6);
    Snare(mix, t0 + kBeat, 0.32, noise);
    if (fill) {
      for (int k = 0; k < 6; ++k) Snare(mix, t0 + 2.5 * kBeat + k * kBeat / 4, 0.12 + 0.04 * k, noise);
    } else {
      Snare(mix, t0 + 3 * kBeat, 0.32, noise);
    }
    for (int k = 0; k < 8; ++k) {
      if (fill && k >= 5) break;
      Hat(mix, t0 + k * eighth, k % 2 ? 0.06 : 0.09, k == 7 ? 0.09 : 0.025, noise);
    }
    if (bar % 8 == 0) Crash(mix, t0, bar == 0 ? 0.12 : 0.18, noise);
  }

  // The lead with two echoes, three eighths and six eighths late, to either side.
  const size_t echo = static_cast<size_t>(3 * eighth * kRate);
  for (size_t i = 0; i < frames; ++i) {
    const size_t e1 = (i + frames - echo) % frames, e2 = (i + frames - 2 * echo) % frames;
    const double l = lead.left[i] + 0.3 * lead.left[e1] + 0.08 * lead.right[e2];
    const double r = lead.right[i] + 0.1 * lead.right[e1] + 0.22 * lead.left[e2];
    mix.left[i] = static_cast<float>(mix.left[i] + l);
    mix.right[i] = static_cast<float>(mix.right[i] + r);
  }

  std::vector<float> out(frames * 2);
  double peak = 0;
  for (size_t i = 0; i < frames; ++i) {
    peak = std::max({peak, static_cast<double>(std::fabs(mix.left[i])), static_cast<double>(std::fabs(mix.right[i]))});
  }
  const double gain = peak > 0 ? 0.9 / peak : 1.0;
  for (size_t i = 0; i < frames; ++i) {
    out[2 * i] = static_cast<float>(std::tanh(mix.left[i] * gain * 1.2) / std::tanh(1.2));
    out[2 * i + 1] = static_cast<float>(std::tanh(mix.right[i] * gain * 1.2) / std::tanh(1.2));
  }
  return out;
}

}  // namespace makebase
