#include "tools/makebase/maps_textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/formats/bmp_file.h"

namespace makebase {

namespace {

constexpr int kSide = 128;

struct Rgb {
  float r, g, b;
};

uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9e3779b1u ^ static_cast<uint32_t>(x) * 0x85ebca6bu ^ static_cast<uint32_t>(y) * 0xc2b2ae35u;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return h;
}

float Rand01(int x, int y, uint32_t seed) { return (Hash(x, y, seed) & 0xffffff) / 16777215.0f; }

// Smooth value noise that tiles over the picture (period = kSide / cell).
float ValueNoise(float x, float y, int cell, uint32_t seed) {
  const int period = kSide / cell;
  const float fx = x / cell, fy = y / cell;
  const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  const float tx = fx - ix, ty = fy - iy;
  const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  auto at = [&](int i, int j) { return Rand01(((i % period) + period) % period, ((j % period) + period) % period, seed); };
  const float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Several octaves, 0..1.
float Fractal(float x, float y, uint32_t seed) {
  return 0.5f * ValueNoise(x, y, 32, seed) + 0.3f * ValueNoise(x, y, 16, seed + 1) +
         0.2f * ValueNoise(x, y, 4, seed + 2);
}

Rgb Scale(Rgb c, float f) { return {c.r * f, c.g * f, c.b * f}; }
Rgb Mix(Rgb a, Rgb b, float f) { return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f}; }

// Distance from the nearest line of a grid of cells w x h (rows offset by `shift` every other row).
float GroutDistance(int x, int y, int w, int h, int shift, int& cellX, int& cellY) {
  cellY = y / h;
  const int xo = x + (cellY % 2) * shift;
  cellX = xo / w;
  const int lx = xo % w, ly = y % h;
  return static_cast<float>(std::min(std::min(lx, w - 1 - lx), std::min(ly, h - 1 - ly)));
}

using Painter = std::function<Rgb(int x, int y)>;

Painter Bricks(Rgb brick, Rgb mortar, int w, int h, uint32_t seed) {
  return [=](int x, int y) {
    int cx, cy;
    const float d = GroutDistance(x, y, w, h, w / 2, cx, cy);
    const float n = Fractal(x, y, seed);
    const float tone = 0.8f + 0.35f * Rand01(cx, cy, seed + 7);
    if (d < 1.5f) return Scale(mortar, 0.85f + 0.3f * n);
    return Scale(brick, tone * (0.8f + 0.4f * n) * (d < 3 ? 0.85f : 1.0f));
  };
}

Painter Tiles(Rgb a, Rgb b, Rgb grout, int size, uint32_t seed) {
  return [=](int x, int y) {
    int cx, cy;
    const float d = GroutDistance(x, y, size, size, 0, cx, cy);
    const float n = Fractal(x, y, seed);
    if (d < 1.5f) return Scale(grout, 0.9f + 0.2f * n);
    const Rgb base = ((cx + cy) % 2) ? a : b;
    return Scale(base, (0.85f + 0.25f * n) * (d < 3 ? 1.08f : 1.0f));
  };
}

Painter Planks(Rgb wood, int width, uint32_t seed) {
  return [=](int x, int y) {
    const int plank = x / width;
    const int lx = x % width;
    const float offset = Rand01(plank, 0, seed) * kSide;
    const float grain = 0.5f + 0.5f * std::sin((y + offset) * 0.15f + 6.0f * ValueNoise(x, y + offset, 16, seed));
    const float tone = 0.75f + 0.35f * Rand01(plank, 1, seed);
    float f = tone * (0.8f + 0.25f * grain);
    if (lx == 0 || lx == width - 1) f *= 0.55f;
    const int joint = static_cast<int>(offset) % kSide;
    if (y == joint) f *= 0.6f;
    return Scale(wood, f);
  };
}

Painter Panels(Rgb metal, int size, uint32_t seed) {
  return [=](int x, int y) {
    int cx, cy;
    const float d = GroutDistance(x, y, size, size, 0, cx, cy);
    const float n = Fractal(x, y, seed);
    float f = 0.8f + 0.2f * n + 0.08f * Rand01(cx, cy, seed);
    if (d < 1.0f) f *= 0.45f;
    else if (d < 2.0f) f *= 1.25f;
    const int lx = x % size, ly = y % size;
    const int rx = std::min(lx, size - 1 - lx), ry = std::min(ly, size - 1 - ly);
    if (rx >= 3 && rx <= 5 && ry >= 3 && ry <= 5) f *= 1.35f;  // rivets
    return Scale(metal, f);
  };
}

Painter Cobble(Rgb stone, Rgb gap, uint32_t seed) {
  const int cells = 8;
  return [=](int x, int y) {
    const float cell = static_cast<float>(kSide) / cells;
    const int gx = static_cast<int>(x / cell), gy = static_cast<int>(y / cell);
    float best = 1e9f, second = 1e9f;
    int bestId = 0;
    for (int j = -1; j <= 1; ++j) {
      for (int i = -1; i <= 1; ++i) {
        const int cx = gx + i, cy = gy + j;
        const int wx = ((cx % cells) + cells) % cells, wy = ((cy % cells) + cells) % cells;
        const float px = (cx + 0.2f + 0.6f * Rand01(wx, wy, seed)) * cell;
        const float py = (cy + 0.2f + 0.6f * Rand01(wx, wy, seed + 3)) * cell;
        const float dd = std::hypot(px - x, py - y);
        if (dd < best) {
          second = best;
          best = dd;
          bestId = wx + wy * cells;
        } else if (dd < second) {
          second = dd;
        }
      }
    }
    const float n = Fractal(x, y, seed);
    if (second - best < 2.0f) return Scale(gap, 0.8f + 0.3f * n);
    const float tone = 0.75f + 0.35f * Rand01(bestId, 5, seed);
    return Scale(stone, tone * (0.85f + 0.25f * n) * (1.1f - 0.2f * best / cell));
  };
}

Painter Rough(Rgb base, float contrast, uint32_t seed) {
  return [=](int x, int y) { return Scale(base, 1.0f - contrast + 2.0f * contrast * Fractal(x, y, seed)); };
}

Painter Marble(Rgb base, Rgb vein, uint32_t seed) {
  return [=](int x, int y) {
    const float t = std::sin((x + y) * 2.0f * 3.14159265f / kSide * 2 + 8.0f * Fractal(x, y, seed));
    const float v = std::pow(1.0f - std::fabs(t), 6.0f);
    return Mix(Scale(base, 0.9f + 0.15f * Fractal(x, y, seed + 4)), vein, v);
  };
}

Painter Stripes(Rgb a, Rgb b, uint32_t seed) {
  return [=](int x, int y) {
    const bool on = ((x + y) / 16) % 2 == 0;
    return Scale(on ? a : b, 0.85f + 0.25f * Fractal(x, y, seed));
  };
}

Painter Corrugated(Rgb metal, uint32_t seed) {
  return [=](int x, int y) {
    const float ridge = 0.5f + 0.5f * std::sin(x * 2.0f * 3.14159265f / 8.0f);
    return Scale(metal, (0.7f + 0.4f * ridge) * (0.85f + 0.2f * Fractal(x, y, seed)));
  };
}

Painter Crate(Rgb wood, uint32_t seed) {
  Painter planks = Planks(wood, 16, seed);
  return [=](int x, int y) {
    const int edge = std::min(std::min(x, kSide - 1 - x), std::min(y, kSide - 1 - y));
    const bool brace = std::abs(x - y) < 7;
    if (edge < 10 || brace) return Scale(planks(y, x), edge < 2 || std::abs(std::abs(x - y) - 7) < 1 ? 0.6f : 1.15f);
    return planks(x, y);
  };
}

Painter Lamp() {
  return [](int x, int y) {
    const float d = std::hypot(x - 63.5f, y - 63.5f) / 64.0f;
    const float f = std::clamp(1.15f - 0.5f * d * d, 0.0f, 1.2f);
    return Rgb{1.0f * f, 0.95f * f, 0.8f * f};
  };
}

bool WritePicture(const std::string& path, const Painter& paint) {
  RgbImage image;
  image.width = image.height = kSide;
  image.pixels.resize(size_t(kSide) * kSide * 3);
  uint8_t* out = image.pixels.data();
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const Rgb c = paint(x, y);
      *out++ = static_cast<uint8_t>(std::clamp(c.r * 255.0f, 0.0f, 255.0f));
      *out++ = static_cast<uint8_t>(std::clamp(c.g * 255.0f, 0.0f, 255.0f));
      *out++ = static_cast<uint8_t>(std::clamp(c.b * 255.0f, 0.0f, 255.0f));
    }
  }
  return WriteBmpFile(path, image);
}

}  // namespace

bool WriteMapTextures(const std::string& outDir) {
  struct Entry {
    const char* name;
    Painter paint;
  };
  const Entry entries[] = {
      {"floor_tiles", Tiles({0.78f, 0.74f, 0.66f}, {0.55f, 0.5f, 0.45f}, {0.3f, 0.28f, 0.26f}, 32, 11)},
      {"brick_red", Bricks({0.66f, 0.3f, 0.22f}, {0.7f, 0.66f, 0.6f}, 32, 16, 12)},
      {"brick_grey", Bricks({0.55f, 0.55f, 0.58f}, {0.35f, 0.35f, 0.36f}, 32, 16, 13)},
      {"ceiling_panels", Panels({0.62f, 0.62f, 0.6f}, 64, 14)},
      {"stone_trim", Tiles({0.6f, 0.58f, 0.55f}, {0.56f, 0.54f, 0.5f}, {0.3f, 0.29f, 0.27f}, 64, 15)},
      {"metal_plate", Panels({0.55f, 0.6f, 0.66f}, 32, 16)},
      {"cobble", Cobble({0.6f, 0.56f, 0.5f}, {0.25f, 0.23f, 0.2f}, 17)},
      {"plaster_yellow", Rough({0.85f, 0.76f, 0.52f}, 0.12f, 18)},
      {"wood_beams", Planks({0.5f, 0.34f, 0.2f}, 32, 19)},
      {"marble", Marble({0.86f, 0.85f, 0.82f}, {0.45f, 0.45f, 0.5f}, 20)},
      {"marble_dark", Marble({0.3f, 0.32f, 0.34f}, {0.75f, 0.72f, 0.65f}, 21)},
      {"stone_floor", Bricks({0.5f, 0.48f, 0.44f}, {0.28f, 0.26f, 0.24f}, 64, 32, 22)},
      {"stone_wall", Bricks({0.58f, 0.55f, 0.5f}, {0.34f, 0.32f, 0.3f}, 48, 24, 23)},
      {"carpet_red", Rough({0.6f, 0.12f, 0.12f}, 0.15f, 24)},
      {"concrete", Rough({0.6f, 0.6f, 0.58f}, 0.2f, 25)},
      {"panel_blue", Panels({0.35f, 0.45f, 0.65f}, 64, 26)},
      {"hazard", Stripes({0.9f, 0.75f, 0.1f}, {0.15f, 0.15f, 0.15f}, 27)},
      {"wood_floor", Planks({0.62f, 0.44f, 0.26f}, 16, 28)},
      {"panel_green", Panels({0.4f, 0.55f, 0.42f}, 64, 29)},
      {"corrugated", Corrugated({0.55f, 0.58f, 0.6f}, 30)},
      {"crate", Crate({0.7f, 0.52f, 0.3f}, 31)},
      {"grass_stone", Cobble({0.45f, 0.6f, 0.35f}, {0.3f, 0.35f, 0.2f}, 32)},
      {"lamp", Lamp()},
  };
  for (const Entry& e : entries) {
    if (!WritePicture(outDir + "/base/textures/maps/" + e.name + ".bmp", e.paint)) return false;
  }
  return true;
}

}  // namespace makebase
