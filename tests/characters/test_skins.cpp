#include "test_skins.h"

#include <cmath>

namespace {

struct Rgb {
  uint8_t r, g, b;
};

struct Outfit {
  Rgb skin, hair, shirt, coat, trousers, boots, hat;
  bool wearsHat;
};

Outfit OutfitOf(int character, int variant) {
  const bool v = variant != 0;
  switch (character) {
    case 0: return {{216, 160, 128}, {74, 48, 32}, {200, 192, 168}, v ? Rgb{78, 90, 54} : Rgb{58, 74, 94}, {74, 70, 64}, {58, 36, 20}, {0, 0, 0}, false};
    case 1: return {{200, 144, 112}, {42, 26, 16}, {90, 36, 24}, {106, 80, 48}, {58, 48, 40}, {46, 30, 16}, v ? Rgb{100, 40, 30} : Rgb{138, 42, 26}, true};
    case 2: return {{168, 112, 80}, {42, 26, 16}, {122, 106, 74}, {94, 74, 52}, {46, 52, 64}, {46, 30, 16}, v ? Rgb{30, 60, 100} : Rgb{42, 74, 122}, true};
    case 3: return {{224, 176, 144}, {42, 26, 16}, {138, 122, 90}, {74, 58, 42}, {74, 64, 52}, {46, 30, 16}, v ? Rgb{40, 80, 30} : Rgb{58, 106, 42}, true};
    default: return {{138, 90, 58}, {42, 26, 16}, {106, 58, 42}, {58, 58, 58}, {42, 38, 32}, {46, 30, 16}, v ? Rgb{100, 70, 20} : Rgb{122, 90, 26}, true};
  }
}

void Put(std::vector<uint8_t>& rgb, int size, int x, int y, Rgb c) {
  uint8_t* p = &rgb[(static_cast<size_t>(y) * size + x) * 3];
  p[0] = c.r, p[1] = c.g, p[2] = c.b;
}

}  // namespace

void PaintTestSkin(int character, int variant, std::vector<uint8_t>& rgb) {
  const int n = kTestSkinSize;
  rgb.assign(static_cast<size_t>(n) * n * 3, 0);
  const Outfit o = OutfitOf(character, variant);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float s = (x + 0.5f) / n, t = (y + 0.5f) / n;
      Rgb c = o.boots;
      if (t >= 0.80f) {
        if (s >= 0.5f) {
          c = t > 0.86f ? (o.wearsHat ? o.hat : o.hair) : (o.wearsHat ? o.skin : o.hair);
        } else {
          c = o.skin;
          const float fx = s / 0.5f;
          for (float ex : {0.32f, 0.68f}) {
            if (std::fabs(fx - ex) < 0.08f && std::fabs(t - 0.90f) < 0.012f) c = {32, 40, 48};
            if (std::fabs(fx - ex) < 0.12f && std::fabs(t - 0.925f) < 0.006f) c = o.hair;
          }
          if (std::fabs(fx - 0.5f) < 0.14f && std::fabs(t - 0.84f) < 0.006f) c = {120, 60, 50};
          if (o.wearsHat && t > 0.955f) c = o.hat;
        }
      } else if (t >= 0.50f) {
        const float fx = s / 0.5f;
        c = s < 0.5f && fx >= 0.3f && fx <= 0.7f ? o.shirt : o.coat;
      } else if (t >= 0.45f) {
        c = std::fabs(s - 0.25f) < 0.04f ? Rgb{216, 176, 96} : Rgb{58, 38, 20};
      } else if (t >= 0.10f) {
        c = o.trousers;
      }
      Put(rgb, n, x, y, c);
    }
}

void PaintTestWeaponSkin(int weapon, std::vector<uint8_t>& rgb) {
  const int n = kTestSkinSize;
  rgb.assign(static_cast<size_t>(n) * n * 3, 0);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const uint8_t m = static_cast<uint8_t>(80 + 8 * weapon + ((y % 16) == 0 ? -30 : 0));
      Put(rgb, n, x, y, (x + 0.5f) / n < 0.6f ? Rgb{m, static_cast<uint8_t>(m + 4), static_cast<uint8_t>(m + 10)} : Rgb{120, 80, 40});
    }
}
