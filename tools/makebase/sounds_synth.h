// Small synthesis kit for the generated sounds and music: noise, filters, envelopes, mixing.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace makebase {

constexpr double kPi = 3.14159265358979323846;

// Deterministic white noise in -1..1 (its own generator, so the data set never depends on the
// game's random state).
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
  }
  // Uniform in 0..1.
  double Unit() { return 0.5 * (Next() + 1.0); }

 private:
  uint32_t state_;
};

// State-variable filter (two poles) with low-, band- and high-pass outputs.
class Svf {
 public:
  void Set(double cutoffHz, double q, double rate) {
    const double c = cutoffHz < rate * 0.22 ? cutoffHz : rate * 0.22;
    f_ = 2.0 * std::sin(kPi * c / rate);
    damp_ = 1.0 / (q > 0.5 ? q : 0.5);
  }
  void Run(double in) {
    low += f_ * band;
    high = in - low - damp_ * band;
    band += f_ * high;
  }
  double low = 0, band = 0, high = 0;

 private:
  double f_ = 0.1, damp_ = 1.0;
};

// One-pole low-pass.
class OnePole {
 public:
  void Set(double cutoffHz, double rate) { a_ = 1.0 - std::exp(-2.0 * kPi * cutoffHz / rate); }
  double Run(double in) { return y_ += a_ * (in - y_); }

 private:
  double a_ = 1.0, y_ = 0.0;
};

inline double MidiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// Attack/decay envelope: linear rise over attack seconds, then exponential fall with the given
// time constant. t in seconds from the onset.
inline double AttackDecay(double t, double attack, double decay) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// Band-limited-enough sawtooth from a phase in cycles (0..1), softened by a polynomial step.
double PolyBlepSaw(double phase, double increment);
// Square wave with the same correction; width is the duty cycle.
double PolyBlepSquare(double phase, double increment, double width);

// Scales a signal to the given peak and removes its mean.
void Normalize(std::vector<float>& signal, double peak);
// Converts -1..1 floats to 16-bit samples (clipped).
std::vector<int16_t> ToPcm16(const std::vector<float>& signal);

}  // namespace makebase
