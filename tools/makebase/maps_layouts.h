// The ten layouts of the sample maps.
#pragma once

#include "math/vec3_inline.h"
#include "tools/makebase/maps_builder.h"

namespace makebase {

inline constexpr int kMapCount = 10;

// Fills `b` with map n (1..10) and returns its start point (the centre of the player's sphere).
Vec3 BuildMapLayout(int map, MapBuilder& b);

// The start point of map n, where the player appears when a map begins.
Vec3 MapStartPoint(int map);

}  // namespace makebase
