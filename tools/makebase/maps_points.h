// Spawn and pick-up points of the generated maps, chosen on the floor the player can reach from
// the start point.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/formats/ms3d_file.h"
#include "math/vec3_inline.h"

namespace makebase {

// One row of mon.ai or prize.ai: x, y, z and the value (spawn points) or prize type.
using PointRow = std::array<int32_t, 4>;

struct MapPoints {
  std::vector<PointRow> spawns;  // mon.ai
  std::vector<PointRow> prizes;  // prize.ai
  int reachableCells = 0;        // size of the walkable area found, in grid cells
};

// Finds the walkable floor of `model` reachable from `start` and spreads `spawnCount` spawn points
// (3 units above the floor) and `prizeCount` pick-up points (1 unit above it) over it. False when
// too little floor is reachable.
bool ChooseMapPoints(const Ms3dData& model, const Vec3& start, int spawnCount, int prizeCount, MapPoints& out);

// The point files: L (the last row index), then the rows, all 32-bit little-endian integers.
std::vector<uint8_t> EncodePointFile(const std::vector<PointRow>& rows);

}  // namespace makebase
