// The effect pictures of the TGA table, 128 x 128 RGBA, all drawn with alpha blending:
// 0 blood spray, 1 bullet hole in plaster, 2 bullet hole in metal, 3 scorch mark, 4 burnt bullet
// hole, 5 muzzle flash, 6 smoke puff, 8 the red hurt overlay, 9 a spark, 10 a soft dot.
#include <algorithm>
#include <cmath>

#include "tools/makebase/pictures.h"

namespace makebase {

namespace {

constexpr int kSize = 128;
constexpr float kMid = kSize * 0.5f;

// Fills every pixel from f(dx, dy, d) -> colour and alpha, with dx, dy from the centre in
// units of the half size and d their length.
template <typename F>
Canvas Radial(F f) {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float dx = (x + 0.5f - kMid) / kMid, dy = (y + 0.5f - kMid) / kMid;
      float alpha = 0.0f;
      const Rgb col = f(dx, dy, std::sqrt(dx * dx + dy * dy), alpha);
      c.Set(x, y, col, Clamp01(alpha));
    }
  return c;
}

bool BloodSpray(const std::string& path) {
  Canvas c = Radial([](float dx, float dy, float d, float& a) {
    const float edge = 0.45f + 0.25f * Fbm(dx * 3.0f + 5.0f, dy * 3.0f + 5.0f, 4, 301);
    a = SmoothStep(edge + 0.04f, edge - 0.04f, d);
    return Mix(Hex(0x8a0a08), Hex(0x4a0204), Fbm(dx * 6.0f, dy * 6.0f, 3, 302));
  });
  // Droplets thrown outwards.
  for (int i = 0; i < 26; ++i) {
    const float ang = Hash01(i, 0, 303) * 6.2832f, r = 0.5f + 0.45f * Hash01(i, 1, 303);
    const float size = 1.5f + 4.0f * Hash01(i, 2, 303) * (1.0f - r * 0.6f);
    c.Disc(kMid + std::cos(ang) * r * kMid, kMid + std::sin(ang) * r * kMid, size, Hex(0x7a0806), 1.0f, 1.2f);
  }
  return c.SaveTga(path);
}

bool BulletHole(const std::string& path, bool metal, bool burnt) {
  Canvas c = Radial([&](float dx, float dy, float d, float& a) {
    const float n = Fbm(dx * 4.0f + 9.0f, dy * 4.0f + 9.0f, 4, metal ? 311 : 312);
    const float ang = std::atan2(dy, dx);
    // Cracks radiate from the hole.
    const float crack = std::pow(std::fabs(std::sin(ang * 7.0f + n * 6.0f)), 40.0f) * SmoothStep(0.7f, 0.2f, d);
    Rgb col;
    if (d < 0.16f) {
      col = Hex(0x050403);
      a = 1.0f;
    } else if (d < 0.26f) {
      col = metal ? Hex(0xb0b4b8) * (1.2f - d) : Hex(0x3a3228);
      a = 1.0f;
    } else {
      col = metal ? Hex(0x505458) : Hex(0x6a5e50);
      a = SmoothStep(0.6f + 0.2f * n, 0.26f, d) * 0.75f + crack * 0.8f;
      if (crack > 0.3f) col = Hex(0x1a1612);
    }
    if (burnt) {
      const float soot = SmoothStep(0.95f, 0.2f, d + 0.3f * (n - 0.5f));
      col = Mix(col, Hex(0x0a0806), soot * 0.8f);
      a = std::max(a, soot * 0.85f);
    }
    return col;
  });
  return c.SaveTga(path);
}

bool Scorch(const std::string& path) {
  Canvas c = Radial([](float dx, float dy, float d, float& a) {
    const float n = Fbm(dx * 3.0f + 2.0f, dy * 3.0f + 2.0f, 5, 331);
    a = Clamp01(SmoothStep(1.0f, 0.1f, d + 0.4f * (n - 0.5f)) * 0.95f);
    return Mix(Hex(0x020202), Hex(0x2a2018), n);
  });
  return c.SaveTga(path);
}

bool MuzzleFlash(const std::string& path) {
  Canvas c = Radial([](float dx, float dy, float d, float& a) {
    const float ang = std::atan2(dy, dx);
    const float spikes = std::pow(std::fabs(std::cos(ang * 3.0f)), 6.0f) * 0.55f +
                         std::pow(std::fabs(std::cos(ang * 3.0f + 0.5236f)), 10.0f) * 0.3f;
    const float reach = 0.35f + spikes + 0.1f * Fbm(ang * 3.0f + 20.0f, d * 2.0f, 3, 351);
    const float k = Clamp01(1.0f - d / reach);
    a = std::pow(k, 0.6f) + 0.4f * std::pow(Clamp01(1.0f - d / 0.3f), 2.0f);
    return Mix(Hex(0xffa030), Hex(0xfffbe0), std::pow(k, 0.5f));
  });
  return c.SaveTga(path);
}

bool Smoke(const std::string& path) {
  Canvas c = Radial([](float dx, float dy, float d, float& a) {
    const float n = Fbm(dx * 2.5f + 4.0f, dy * 2.5f + 4.0f, 5, 361);
    a = SmoothStep(1.0f, 0.3f, d + 0.5f * (n - 0.5f)) * (0.55f + 0.45f * n);
    return Mix(Hex(0x5a5854), Hex(0xc8c4bc), n);
  });
  return c.SaveTga(path);
}

// The hurt overlay is drawn over the bottom 250 units of the screen and beyond (texture t 0.35
// at the screen's bottom edge to 1 at the quad's top edge; s 0.1..0.9 across the screen): blood
// red rising from the bottom, strongest in the corners, fading out well below the quad's top.
bool HurtOverlay(const std::string& path) {
  Canvas c = Radial([](float dx, float dy, float, float& a) {
    const float s = 0.5f + 0.5f * dx, t = 0.5f - 0.5f * dy;
    const float across = std::fabs((s - 0.1f) / 0.8f - 0.5f) * 2.0f;  // 0 mid-screen, 1 at the sides
    const float n = Fbm(s * 6.0f, t * 4.0f, 4, 381);
    const float drips = std::pow(Fbm(s * 24.0f, 0.5f, 2, 382), 3.0f) * 0.35f;
    const float reach = 0.55f + 0.25f * across * across + drips + 0.15f * (n - 0.5f);
    a = Clamp01(1.0f - SmoothStep(0.3f, 0.3f + reach * 0.65f, t)) * (0.6f + 0.4f * across) * 0.9f;
    return Mix(Hex(0xa00a06), Hex(0x500204), n);
  });
  return c.SaveTga(path);
}

bool Spark(const std::string& path) {
  Canvas c = Radial([](float dx, float dy, float d, float& a) {
    const float cross = std::max(Clamp01(1.0f - std::fabs(dx) * 12.0f) * Clamp01(1.0f - std::fabs(dy)),
                                 Clamp01(1.0f - std::fabs(dy) * 12.0f) * Clamp01(1.0f - std::fabs(dx)));
    a = Clamp01(cross + std::pow(Clamp01(1.0f - d * 2.5f), 2.0f));
    return Hex(0xfff0c0);
  });
  return c.SaveTga(path);
}

bool SoftDot(const std::string& path) {
  Canvas c = Radial([](float, float, float d, float& a) {
    a = std::pow(Clamp01(1.0f - d), 2.0f);
    return Rgb{1, 1, 1};
  });
  return c.SaveTga(path);
}

}  // namespace

bool WriteEffectPictures(const std::string& dir) {
  return BloodSpray(TexturePath(dir, 0, "tga")) && BulletHole(TexturePath(dir, 1, "tga"), false, false) &&
         BulletHole(TexturePath(dir, 2, "tga"), true, false) && Scorch(TexturePath(dir, 3, "tga")) &&
         BulletHole(TexturePath(dir, 4, "tga"), false, true) && MuzzleFlash(TexturePath(dir, 5, "tga")) &&
         Smoke(TexturePath(dir, 6, "tga")) && HurtOverlay(TexturePath(dir, 8, "tga")) &&
         Spark(TexturePath(dir, 9, "tga")) && SoftDot(TexturePath(dir, 10, "tga"));
}

}  // namespace makebase
