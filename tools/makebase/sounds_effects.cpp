#include "tools/makebase/sounds_effects.h"

#include <algorithm>
#include <cmath>

#include "tools/makebase/sounds_synth.h"

namespace makebase {

namespace {

constexpr double kRate = kEffectRate;

size_t Samples(double seconds) { return static_cast<size_t>(std::lround(seconds * kRate)); }

// Adds v at index i; a looping buffer wraps around, so tails that cross the end continue at the
// start and the loop has no seam.
void Put(std::vector<float>& out, size_t i, double v, bool wrap) {
  if (wrap) i %= out.size();
  if (i < out.size()) out[i] = static_cast<float>(out[i] + v);
}

// Soft saturation for punch.
void Drive(std::vector<float>& s, double amount) {
  for (float& v : s) v = static_cast<float>(std::tanh(v * amount) / std::tanh(amount));
}

// ---- Footsteps -----------------------------------------------------------------------------

struct StepShape {
  double thumpHz;      // body of the heel strike
  double thumpDecay;
  double scuffHz;      // sole scraping on the floor
  double scuffLevel;
  double grit;         // density of small crackles (gravel, grit)
  double gain;
};

void AddStep(std::vector<float>& out, size_t at, const StepShape& s, uint32_t seed) {
  Noise noise(seed);
  Svf thumpFilter, scuffFilter, gritFilter;
  thumpFilter.Set(380, 0.7, kRate);
  scuffFilter.Set(s.scuffHz, 1.5, kRate);
  gritFilter.Set(3200, 2.0, kRate);
  const size_t n = Samples(0.32);
  const size_t fade = Samples(0.06);  // the last of the step fades to nothing before the next
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    const double f = s.thumpHz * (1.0 + 0.8 * std::exp(-t / 0.012));
    phase += f / kRate;
    const double tone = std::sin(2 * kPi * phase) * AttackDecay(t, 0.002, s.thumpDecay);
    const double w = noise.Next();
    thumpFilter.Run(w);
    const double thud = thumpFilter.low * AttackDecay(t, 0.001, 0.025) * 1.6;
    scuffFilter.Run(w);
    // The scuff comes a moment after the heel: the sole rolling forward.
    const double scuff = scuffFilter.band * s.scuffLevel * AttackDecay(t - 0.018, 0.02, 0.05);
    const double crackle = noise.Unit() < s.grit ? noise.Next() : 0.0;
    gritFilter.Run(crackle);
    const double grit = gritFilter.band * AttackDecay(t - 0.01, 0.005, 0.06) * 1.2;
    const double tail = i + fade > n ? static_cast<double>(n - i) / fade : 1.0;
    Put(out, at + i, tail * s.gain * (tone * 0.9 + thud + scuff + grit), true);
  }
}

std::vector<float> Footsteps(double stride, const StepShape& left, const StepShape& right, uint32_t seed) {
  std::vector<float> out(Samples(2 * stride), 0.0f);
  AddStep(out, 0, left, seed);
  AddStep(out, Samples(stride), right, seed * 7 + 3);
  Normalize(out, 0.7);
  return out;
}

// ---- Guns ----------------------------------------------------------------------------------

struct GunShape {
  double length;
  double crackLevel, crackDecay, crackHz;   // the supersonic snap
  double boomLevel, boomDecay, boomHz;      // the blast
  double bodyLevel, bodyFrom, bodyTo, bodyDecay;  // the pressure thump, falling in pitch
  double tailLevel, tailDecay, tailHz;      // the room answering
  double ringLevel, ringHz, ringDecay;      // metal of the action
  double drive;
};

void AddShot(std::vector<float>& out, size_t at, const GunShape& g, uint32_t seed, double gain) {
  Noise noise(seed);
  Svf crackFilter, boomFilter, tailFilter;
  crackFilter.Set(g.crackHz, 0.8, kRate);
  boomFilter.Set(g.boomHz, 0.9, kRate);
  tailFilter.Set(g.tailHz, 1.2, kRate);
  const size_t n = out.size() > at ? out.size() - at : 0;
  double bodyPhase = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    const double w = noise.Next();
    crackFilter.Run(w);
    boomFilter.Run(w);
    tailFilter.Run(w);
    const double crack = crackFilter.high * g.crackLevel * AttackDecay(t, 0.0004, g.crackDecay);
    const double boom = boomFilter.low * g.boomLevel * AttackDecay(t, 0.002, g.boomDecay);
    const double f = g.bodyTo + (g.bodyFrom - g.bodyTo) * std::exp(-t / 0.03);
    bodyPhase += f / kRate;
    const double body = std::sin(2 * kPi * bodyPhase) * g.bodyLevel * AttackDecay(t, 0.001, g.bodyDecay);
    const double tail = tailFilter.band * g.tailLevel * AttackDecay(t - 0.01, 0.03, g.tailDecay);
    double ring = 0;
    if (g.ringLevel > 0) {
      const double e = AttackDecay(t, 0.0005, g.ringDecay);
      ring = g.ringLevel * e *
             (std::sin(2 * kPi * g.ringHz * t) + 0.6 * std::sin(2 * kPi * g.ringHz * 2.76 * t) +
              0.35 * std::sin(2 * kPi * g.ringHz * 5.40 * t));
    }
    Put(out, at + i, gain * (crack + boom + body + tail + ring), false);
  }
}

// A short metallic click: a resonant tick with a couple of inharmonic partials.
void AddClick(std::vector<float>& out, size_t at, double hz, double level, double decay, uint32_t seed) {
  Noise noise(seed);
  Svf f;
  f.Set(hz * 1.3, 4.0, kRate);
  const size_t n = std::min(Samples(decay * 8), out.size() > at ? out.size() - at : 0);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    f.Run(noise.Next() * AttackDecay(t, 0.0003, decay * 0.5));
    const double e = AttackDecay(t, 0.0003, decay);
    const double partials = std::sin(2 * kPi * hz * t) + 0.7 * std::sin(2 * kPi * hz * 2.31 * t) +
                            0.4 * std::sin(2 * kPi * hz * 3.93 * t);
    Put(out, at + i, level * (f.band * 1.5 + partials * e * 0.5), false);
  }
}

std::vector<float> Gun(const GunShape& g, uint32_t seed) {
  std::vector<float> out(Samples(g.length), 0.0f);
  AddShot(out, 0, g, seed, 1.0);
  Drive(out, g.drive);
  return out;
}

std::vector<float> Pistol() {
  // Sharp and dry: a bright crack, a short thump, a little room.
  const GunShape g{0.45, 1.0, 0.012, 2500, 0.5, 0.04, 1400, 0.7, 420, 120, 0.03, 0.25, 0.14, 1200,
                   0.05, 2900, 0.02, 2.0};
  return Gun(g, 11);
}

std::vector<float> LightMachineGun() {
  // Quick, light and snappy, with the clack of the bolt.
  const GunShape g{0.28, 0.9, 0.008, 3200, 0.45, 0.028, 1800, 0.45, 520, 180, 0.02, 0.18, 0.07, 1600,
                   0.12, 3600, 0.012, 2.2};
  std::vector<float> out = Gun(g, 23);
  AddClick(out, Samples(0.055), 2400, 0.1, 0.006, 24);
  return out;
}

std::vector<float> Shotgun() {
  // A broad boom with a long tail, then the pump racked back and forth.
  const GunShape g{0.95, 0.7, 0.02, 1800, 1.0, 0.12, 700, 0.9, 180, 55, 0.09, 0.35, 0.32, 700,
                   0.0, 0, 0.01, 2.6};
  std::vector<float> out = Gun(g, 37);
  AddClick(out, Samples(0.52), 1500, 0.12, 0.01, 38);
  AddClick(out, Samples(0.56), 900, 0.08, 0.015, 39);
  AddClick(out, Samples(0.70), 1700, 0.14, 0.01, 40);
  AddClick(out, Samples(0.735), 1100, 0.1, 0.012, 41);
  return out;
}

std::vector<float> MachineGun() {
  // Mid weight and punchy: a solid thump with a metallic snap.
  const GunShape g{0.34, 0.8, 0.01, 2200, 0.75, 0.045, 1100, 0.8, 300, 90, 0.04, 0.25, 0.1, 1000,
                   0.16, 2200, 0.02, 2.4};
  return Gun(g, 53);
}

std::vector<float> SuperShotgun() {
  // Both barrels at once: two blasts a hair apart, deeper, with a long rumble.
  const GunShape g{1.15, 0.8, 0.025, 1500, 1.0, 0.16, 550, 1.0, 150, 42, 0.12, 0.4, 0.45, 500,
                   0.0, 0, 0.01, 3.0};
  std::vector<float> out(Samples(g.length), 0.0f);
  AddShot(out, 0, g, 61, 1.0);
  AddShot(out, Samples(0.018), g, 62, 0.85);
  Drive(out, g.drive);
  AddClick(out, Samples(0.8), 1200, 0.06, 0.02, 63);
  return out;
}

std::vector<float> HeavyMachineGun() {
  // Big calibre: a deep, heavy punch and a ringing receiver.
  const GunShape g{0.5, 0.6, 0.014, 1700, 1.0, 0.07, 600, 1.0, 200, 48, 0.07, 0.3, 0.18, 600,
                   0.22, 1300, 0.05, 3.2};
  return Gun(g, 71);
}

std::vector<float> WeaponChange() {
  // The weapon slides out and a new one locks in: a scrape, then two clacks.
  std::vector<float> out(Samples(0.4), 0.0f);
  Noise noise(81);
  Svf slide;
  const size_t n = Samples(0.16);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / kRate;
    slide.Set(1500 + 2500 * t / 0.16, 3.0, kRate);
    slide.Run(noise.Next());
    const double e = std::sin(kPi * t / 0.16);
    Put(out, i, slide.band * 0.35 * e * e, false);
  }
  AddClick(out, Samples(0.01), 2100, 0.5, 0.008, 82);
  AddClick(out, Samples(0.17), 1300, 0.9, 0.014, 83);
  AddClick(out, Samples(0.205), 2600, 0.45, 0.008, 84);
  Normalize(out, 0.85);
  return out;
}

// ---- Death cries ---------------------------------------------------------------------------

struct Vowel {
  double f1, f2, f3;
};
constexpr Vowel kA{730, 1090, 2440}, kO{570, 840, 2410}, kU{440, 1020, 2240}, kI{300, 2200, 2950},
    kE{530, 1840, 2480}, kUh{640, 1190, 2390};

struct CryShape {
  double length;
  double pitchFrom, pitchTo, pitchCurve;  // glide of the voice, curve > 1 falls late
  Vowel from, to;
  double vibratoHz, vibratoDepth;
  double roughness;   // random pitch jitter and growl
  double breath;      // noise mixed into the voice
  double tremoloHz, tremoloDepth;
  double attack, release;
};

std::vector<float> Cry(const CryShape& c, uint32_t seed) {
  std::vector<float> out(Samples(c.length), 0.0f);
  Noise noise(seed);
  Svf f1, f2, f3;
  OnePole jitter;
  jitter.Set(30, kRate);
  double phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = i / kRate;
    const double u = t / c.length;
    const double glide = std::pow(u, c.pitchCurve);
    double pitch = c.pitchFrom * std::pow(c.pitchTo / c.pitchFrom, glide);
    pitch *= 1.0 + c.vibratoDepth * std::sin(2 * kPi * c.vibratoHz * t) + c.roughness * jitter.Run(noise.Next());
    const double inc = pitch / kRate;
    phase += inc;
    phase -= std::floor(phase);
    const double source = PolyBlepSaw(phase, inc) * (1.0 - c.breath) + noise.Next() * c.breath;
    const double v = std::min(1.0, u * 1.6);
    f1.Set(c.from.f1 + (c.to.f1 - c.from.f1) * v, 9, kRate);
    f2.Set(c.from.f2 + (c.to.f2 - c.from.f2) * v, 11, kRate);
    f3.Set(c.from.f3 + (c.to.f3 - c.from.f3) * v, 14, kRate);
    f1.Run(source);
    f2.Run(source);
    f3.Run(source);
    const double voice = f1.band * 1.0 + f2.band * 0.6 + f3.band * 0.3;
    // Rising fast, then failing as the breath runs out.
    double env = std::min(1.0, t / c.attack) * std::min(1.0, (c.length - t) / c.release) * (1.0 - 0.55 * u * u);
    env *= 1.0 - c.tremoloDepth * (0.5 + 0.5 * std::sin(2 * kPi * c.tremoloHz * t));
    out[i] = static_cast<float>(voice * env);
  }
  Drive(out, 1.5);
  Normalize(out, 0.8);
  return out;
}

std::vector<float> DeathCries(int which) {
  switch (which) {
    case 0:  // a falling "aaargh"
      return Cry({0.95, 230, 105, 1.4, kA, kUh, 5.5, 0.02, 0.06, 0.12, 0, 0, 0.02, 0.35}, 101);
    case 1:  // a high scream breaking down
      return Cry({0.85, 480, 260, 2.2, kI, kA, 7.0, 0.035, 0.05, 0.1, 0, 0, 0.015, 0.3}, 102);
    case 2:  // a deep, breathy groan
      return Cry({1.2, 120, 68, 1.0, kO, kU, 3.5, 0.015, 0.1, 0.3, 0, 0, 0.06, 0.5}, 103);
    case 3:  // a sharp yelp cut off into a gasp
      return Cry({0.6, 360, 300, 0.6, kE, kA, 9.0, 0.03, 0.08, 0.2, 0, 0, 0.008, 0.2}, 104);
    default:  // a gurgling choke
      return Cry({1.05, 165, 95, 1.2, kA, kO, 4.0, 0.02, 0.25, 0.2, 13.0, 0.6, 0.02, 0.4}, 105);
  }
}

// ---- Pick-up, respawn, menus ---------------------------------------------------------------

std::vector<float> PickUp() {
  // A bright rising chime.
  std::vector<float> out(Samples(0.6), 0.0f);
  const double notes[] = {84, 88, 91, 96};
  for (int k = 0; k < 4; ++k) {
    const size_t at = Samples(0.05 * k);
    const double f = MidiToHz(notes[k]);
    for (size_t i = 0; at + i < out.size(); ++i) {
      const double t = i / kRate;
      const double e = AttackDecay(t, 0.003, 0.09 + 0.04 * k);
      const double v = std::sin(2 * kPi * f * t) + 0.3 * std::sin(2 * kPi * 2 * f * t) +
                       0.12 * std::sin(2 * kPi * 3.01 * f * t);
      Put(out, at + i, v * e * 0.5, false);
    }
  }
  Normalize(out, 0.8);
  return out;
}

std::vector<float> Respawn() {
  // A rising shimmer: a noise sweep under a chord that glides up an octave.
  std::vector<float> out(Samples(1.2), 0.0f);
  Noise noise(121);
  Svf sweep;
  const double base = MidiToHz(57);
  double phases[3] = {0, 0, 0};
  const double ratios[3] = {1.0, 1.5, 2.0};
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = i / kRate;
    const double u = t / 1.2;
    const double env = std::sin(kPi * std::min(1.0, u * 1.15)) * std::exp(-u * 0.8);
    sweep.Set(300 * std::pow(14.0, std::min(1.0, u * 1.3)), 4.0, kRate);
    sweep.Run(noise.Next());
    double tones = 0;
    for (int k = 0; k < 3; ++k) {
      const double f = base * ratios[k] * std::pow(2.0, std::min(1.0, u * 1.4)) *
                       (1.0 + 0.004 * std::sin(2 * kPi * (6 + k) * t));
      phases[k] += f / kRate;
      tones += std::sin(2 * kPi * phases[k]) * (k == 0 ? 0.5 : 0.3);
    }
    const double sparkle = 0.5 + 0.5 * std::sin(2 * kPi * 18 * t);
    out[i] = static_cast<float>(env * (sweep.band * 0.5 + tones * (0.6 + 0.4 * sparkle) * 0.5));
  }
  Normalize(out, 0.8);
  return out;
}

std::vector<float> MenuClick() {
  std::vector<float> out(Samples(0.08), 0.0f);
  Noise noise(141);
  Svf tick;
  tick.Set(2200, 3.0, kRate);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = i / kRate;
    tick.Run(noise.Next() * AttackDecay(t, 0.0002, 0.002));
    const double blip = std::sin(2 * kPi * 1050 * t) * AttackDecay(t, 0.0008, 0.014);
    out[i] = static_cast<float>(tick.band * 1.2 + blip * 0.8);
  }
  Normalize(out, 0.6);
  return out;
}

std::vector<float> MenuHover() {
  std::vector<float> out(Samples(0.06), 0.0f);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = i / kRate;
    const double e = AttackDecay(t, 0.003, 0.012);
    out[i] = static_cast<float>(e * (std::sin(2 * kPi * 1900 * t) + 0.25 * std::sin(2 * kPi * 3800 * t)));
  }
  Normalize(out, 0.45);
  return out;
}

// A one-shot starts and ends with a short fade, so that neither its first sample nor cutting it
// off clicks.
void FadeEdges(std::vector<float>& s) {
  const size_t in = std::min<size_t>(s.size() / 2, kEffectRate / 400);
  const size_t out = std::min<size_t>(s.size() / 2, kEffectRate / 100);
  for (size_t i = 0; i < in; ++i) s[i] = static_cast<float>(s[i] * static_cast<double>(i) / in);
  for (size_t i = 0; i < out; ++i) {
    s[s.size() - 1 - i] = static_cast<float>(s[s.size() - 1 - i] * static_cast<double>(i) / out);
  }
}

}  // namespace

std::vector<GeneratedSound> MakeEffectSounds() {
  // Soft shoes on stone, and heavier boots with grit under them at a slightly longer stride.
  const StepShape softL{78, 0.035, 2200, 0.35, 0.02, 1.0}, softR{72, 0.032, 2000, 0.3, 0.02, 0.9};
  const StepShape bootL{62, 0.05, 1500, 0.45, 0.08, 1.0}, bootR{58, 0.055, 1400, 0.5, 0.1, 0.95};
  std::vector<GeneratedSound> s;
  s.push_back({"steps.wav", Footsteps(0.34, softL, softR, 1), true});
  s.push_back({"othersteps.wav", Footsteps(0.37, bootL, bootR, 2), true});
  s.push_back({"gun1.wav", Pistol(), false});
  s.push_back({"gun2.wav", LightMachineGun(), false});
  s.push_back({"gun3.wav", Shotgun(), false});
  s.push_back({"gun4.wav", MachineGun(), false});
  s.push_back({"gun5.wav", SuperShotgun(), false});
  s.push_back({"gun6.wav", HeavyMachineGun(), false});
  s.push_back({"change.wav", WeaponChange(), false});
  for (int k = 0; k < 5; ++k) s.push_back({"mon" + std::to_string(k + 1) + ".wav", DeathCries(k), false});
  s.push_back({"object1.wav", PickUp(), false});
  s.push_back({"object2.wav", Respawn(), false});
  s.push_back({"menu1.wav", MenuClick(), false});
  s.push_back({"menu2.wav", MenuHover(), false});
  for (GeneratedSound& g : s) {
    if (g.fileName.rfind("gun", 0) == 0) Normalize(g.samples, 0.95);
    if (!g.loops) FadeEdges(g.samples);
  }
  return s;
}

}  // namespace makebase
