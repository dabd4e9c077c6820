// The start points of the ten maps: where the player's sphere appears when a map begins.
#pragma once

#include "math/vec3_inline.h"

inline Vec3 StartPoint(int map) {
  switch (map) {
    case 7: return Vec3(-70, 3, -112);
    case 9: return Vec3(-78, 3, -107);
    case 10: return Vec3(-70, 3, -120);
    default: return Vec3(-70, 3, -107);
  }
}
