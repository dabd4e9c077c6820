// Stand-in skin pictures for drawing tests, painted to the character skin layout the meshes map
// into (see RegionMap), in flat colours: enough to tell face, hair, shirt, coat, belt, trousers
// and boots apart in a screenshot.
#pragma once

#include <cstdint>
#include <vector>

constexpr int kTestSkinSize = 128;

// character 0 the player character, 1..4 the bandits; variant 0 or 1. RGB, rows from the bottom
// (t = 0 first), ready for glTexImage2D.
void PaintTestSkin(int character, int variant, std::vector<uint8_t>& rgb);
// A weapon skin: metal on the left 60 %, wood on the right.
void PaintTestWeaponSkin(int weapon, std::vector<uint8_t>& rgb);
