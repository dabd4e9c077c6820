// The synthesised effect sounds of base/sound/.
#pragma once

#include <string>
#include <vector>

namespace makebase {

constexpr int kEffectRate = 22050;

struct GeneratedSound {
  std::string fileName;        // e.g. "gun1.wav"
  std::vector<float> samples;  // mono, -1..1, at kEffectRate
  bool loops = false;          // made to loop without a seam
};

// All effect sounds, in a fixed order; deterministic.
std::vector<GeneratedSound> MakeEffectSounds();

}  // namespace makebase
