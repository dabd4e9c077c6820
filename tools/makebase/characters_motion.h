// Key-framed motions of the generated characters. Legs poses set the fall, pelvis and legs of a
// pose; torso poses set the chest, head, arms and gun.
#pragma once

#include "tools/makebase/characters_rig.h"

namespace makebase::rig {

enum class Motion { kStand, kRun, kRunBackwards, kRecoil, kDieBackwards, kDieForwards };

// Frames of a death spent falling; the rest of a death animation lies still.
int FallFrames();

void LegsPose(const Build& b, Motion m, int frame, int frames, Pose& p);
void TorsoPose(const Build& b, Motion m, int frame, int frames, Pose& p);

}  // namespace makebase::rig
