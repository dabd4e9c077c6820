// Spawn and pick-up points of the generated maps, chosen on the floor the player can reach from
// the start point.
#pragma once

#include <vector>

#include "engine/formats/game_data.h"
#include "engine/formats/ms3d_file.h"
#include "math/vec3_inline.h"

namespace makebase {

struct MapPoints {
  std::vector<PointRow> spawns;  // mon.ai
  std::vector<PointRow> prizes;  // prize.ai
  int reachableCells = 0;        // size of the walkable area found, in grid cells
};

// Finds the walkable floor of `model` reachable from `start` and spreads `spawnCount` spawn points
// (3 units above the floor) and `prizeCount` pick-up points (1 unit above it) over it. False when
// too little floor is reachable.
bool ChooseMapPoints(const Ms3dData& model, const Vec3& start, int spawnCount, int prizeCount, MapPoints& out);

}  // namespace makebase
