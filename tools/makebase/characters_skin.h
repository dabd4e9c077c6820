// Skin pictures of the generated characters (RGB, rows from the top, kCharacterSkinSize square).
#pragma once

#include <cstdint>
#include <vector>

namespace makebase {

constexpr int kCharacterSkinSize = 256;

// character 0 the player character, 1..4 the bandits; variant 0 or 1 (the two skins of each).
void PaintCharacterSkin(int character, int variant, std::vector<uint8_t>& rgb);

}  // namespace makebase
