// The character animation file on arbitrary text: never a crash, at most eight animations, and
// clamping leaves only animations inside the part's frames.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/formats/bhm_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModelPart upper, lower;
  ParseAnimationConfig(std::string(reinterpret_cast<const char*>(data), size), upper.animations, lower.animations);
  if (upper.animations.size() > 8 || lower.animations.size() > 8) std::abort();
  upper.numOfFrames = 40;
  ClampAnimationsToFrames(upper);
  for (const AnimationInfo& a : upper.animations)
    if (a.startFrame < 0 || a.endFrame > 40 || a.startFrame >= a.endFrame || a.name.size() > 254) std::abort();
  return 0;
}
