// The generated characters: the player character (three parts, six hand weapons) and the four
// bandits (one part each), with their animation files.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/formats/bhm_file.h"
#include "engine/formats/ms3d_file.h"

namespace makebase {

constexpr int kBanditCount = 4;

// Player scale: 1/15 with the origin 0.3 above the body centre, feet 1.55 below the origin
// (world units), so 23.25 model units down.
constexpr double kPlayerFeetZ = -23.25;
// Bandit scale: 1/16.5 with the origin 1.0 below the body centre, feet 0.25 below it.
constexpr double kBanditFeetZ = -4.125;

// The player's hit mesh: the standing figure in world units (1/15), Y up, facing +Z, origin 0.3
// above the body centre; triangles counter-clockwise seen from outside.
struct HitMesh {
  std::vector<BhmVec3> vertices;
  std::vector<std::array<float, 2>> texCoords;
  std::vector<std::array<int, 3>> triangles;
};

struct PlayerParts {
  ModelPart lower, upper, head;
  ModelPart weapons[6];
  std::string animationConfig;
  HitMesh hitMesh;
};
void BuildPlayer(PlayerParts& out);
// The hit mesh as a static model (one group, the player skin as its material).
Ms3dData HitMeshModel(const HitMesh& hit);

struct BanditParts {
  ModelPart lower;
  std::string animationConfig;
};
// k = 1..4.
void BuildBandit(int k, BanditParts& out);

}  // namespace makebase
