// The per-triangle light maps gathered into a few large textures (pages), so that a map draws
// with one light-map texture bind per page instead of one per triangle. Each 16 x 16 light map
// sits in a 32 x 32 slot with its edge texels repeated 8 texels outwards, and every mip level of
// the page is built tile by tile with the same 2 x 2 box filter that mipmapping a single light map
// uses. Sampled at the page coordinates below, levels 0 to kLightMapAtlasLevels - 1 therefore give
// exactly the texels of the single clamped light map: its own 16, 8, 4, 2 and 1 texel levels.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/formats/lightmap_uv.h"

inline constexpr int kLightMapSlotSide = 32;
inline constexpr int kLightMapSlotMargin = (kLightMapSlotSide - kLightMapSide) / 2;
inline constexpr int kLightMapPageWidth = 2048;
inline constexpr int kLightMapSlotsPerRow = kLightMapPageWidth / kLightMapSlotSide;
inline constexpr int kLightMapSlotsPerPage = kLightMapSlotsPerRow * kLightMapSlotsPerRow;
// Mip levels of a page: those of one 16 x 16 light map (16 down to 1 texel).
inline constexpr int kLightMapAtlasLevels = 5;

// The page that holds light map n.
inline int LightMapPageOf(int n) { return n / kLightMapSlotsPerPage; }
// The height of a page that holds `count` light maps: whole rows of slots, a power of two.
int LightMapPageHeight(int count);
// Page coordinates of light-map coordinates (u, v) of light map n on a page of the given height.
void LightMapPageCoords(int n, int pageHeight, float u, float v, float& pageU, float& pageV);

// One mip level of one light map from the level above it (side x side RGB texels, side >= 2):
// each texel the rounded mean of a 2 x 2 block.
std::vector<uint8_t> HalveLightMapLevel(const uint8_t* texels, int side);

// Level `level` of a page (RGB rows, width kLightMapPageWidth >> level, height pageHeight >>
// level) holding the `count` light maps that start at `first` (kLightMapBytes each).
std::vector<uint8_t> BuildLightMapPageLevel(const uint8_t* maps, int first, int count, int pageHeight, int level);
