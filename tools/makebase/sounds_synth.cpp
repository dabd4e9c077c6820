#include "tools/makebase/sounds_synth.h"

#include <algorithm>

namespace makebase {

namespace {

double Blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

}  // namespace

double PolyBlepSaw(double phase, double increment) { return 2.0 * phase - 1.0 - Blep(phase, increment); }

double PolyBlepSquare(double phase, double increment, double width) {
  double v = phase < width ? 1.0 : -1.0;
  v += Blep(phase, increment);
  double shifted = phase + (1.0 - width);
  shifted -= std::floor(shifted);
  v -= Blep(shifted, increment);
  return v;
}

void Normalize(std::vector<float>& signal, double peak) {
  if (signal.empty()) return;
  double mean = 0;
  for (float s : signal) mean += s;
  mean /= static_cast<double>(signal.size());
  double maxAbs = 0;
  for (float& s : signal) {
    s = static_cast<float>(s - mean);
    maxAbs = std::max(maxAbs, static_cast<double>(std::fabs(s)));
  }
  if (maxAbs <= 0) return;
  const double gain = peak / maxAbs;
  for (float& s : signal) s = static_cast<float>(s * gain);
}

std::vector<int16_t> ToPcm16(const std::vector<float>& signal) {
  std::vector<int16_t> out(signal.size());
  for (size_t i = 0; i < signal.size(); ++i) {
    const double v = std::clamp(static_cast<double>(signal[i]), -1.0, 1.0) * 32767.0;
    out[i] = static_cast<int16_t>(std::lround(v));
  }
  return out;
}

}  // namespace makebase
