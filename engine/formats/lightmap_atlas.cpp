#include "engine/formats/lightmap_atlas.h"

#include <algorithm>

int LightMapPageHeight(int count) {
  const int rows = std::max(1, (count + kLightMapSlotsPerRow - 1) / kLightMapSlotsPerRow);
  int height = kLightMapSlotSide;
  while (height < rows * kLightMapSlotSide) height *= 2;
  return height;
}

void LightMapPageCoords(int n, int pageHeight, float u, float v, float& pageU, float& pageV) {
  const int slot = n % kLightMapSlotsPerPage;
  const float x0 = static_cast<float>((slot % kLightMapSlotsPerRow) * kLightMapSlotSide + kLightMapSlotMargin);
  const float y0 = static_cast<float>((slot / kLightMapSlotsPerRow) * kLightMapSlotSide + kLightMapSlotMargin);
  pageU = (x0 + static_cast<float>(kLightMapSide) * u) / static_cast<float>(kLightMapPageWidth);
  pageV = (y0 + static_cast<float>(kLightMapSide) * v) / static_cast<float>(pageHeight);
}

std::vector<uint8_t> HalveLightMapLevel(const uint8_t* texels, int side) {
  const int half = side / 2;
  std::vector<uint8_t> out(static_cast<size_t>(half) * half * 3);
  for (int y = 0; y < half; ++y) {
    for (int x = 0; x < half; ++x) {
      for (int c = 0; c < 3; ++c) {
        const uint8_t* t = texels + (static_cast<size_t>(2 * y) * side + 2 * x) * 3 + c;
        const size_t row = static_cast<size_t>(side) * 3;
        out[(static_cast<size_t>(y) * half + x) * 3 + c] = static_cast<uint8_t>((t[0] + t[3] + t[row] + t[row + 3] + 2) / 4);
      }
    }
  }
  return out;
}

std::vector<uint8_t> BuildLightMapPageLevel(const uint8_t* maps, int first, int count, int pageHeight, int level) {
  const int width = kLightMapPageWidth >> level;
  const int height = pageHeight >> level;
  const int slot = kLightMapSlotSide >> level;
  const int margin = kLightMapSlotMargin >> level;
  const int side = kLightMapSide >> level;
  std::vector<uint8_t> page(static_cast<size_t>(width) * height * 3, 255);
  for (int i = 0; i < count; ++i) {
    // The light map at this level, halved from level 0 as often as needed.
    std::vector<uint8_t> tile(maps + static_cast<size_t>(first + i) * kLightMapBytes,
                              maps + static_cast<size_t>(first + i + 1) * kLightMapBytes);
    for (int s = kLightMapSide; s > side; s /= 2) tile = HalveLightMapLevel(tile.data(), s);
    const int sx = (i % kLightMapSlotsPerRow) * slot;
    const int sy = (i / kLightMapSlotsPerRow) * slot;
    for (int y = 0; y < slot; ++y) {
      const int ty = std::clamp(y - margin, 0, side - 1);
      for (int x = 0; x < slot; ++x) {
        const int tx = std::clamp(x - margin, 0, side - 1);
        const uint8_t* from = &tile[(static_cast<size_t>(ty) * side + tx) * 3];
        uint8_t* to = &page[(static_cast<size_t>(sy + y) * width + sx + x) * 3];
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
      }
    }
  }
  return page;
}
