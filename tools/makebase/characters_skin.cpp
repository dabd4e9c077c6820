// Skin pictures of the generated characters, painted to the regions the meshes map into
// (RegionRect): face and hair, bare skin, shirt, sleeves, trousers, boots, gear, metal, accent.
// A light from the front and above is painted in, since the figures are drawn without normals.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/makebase/characters_rig.h"
#include "tools/makebase/characters_skin.h"

namespace makebase {

using namespace rig;

namespace {

struct Rgb {
  double r, g, b;
};

struct Palette {
  Rgb skin, hair, shirt, sleeve, trousers, boots, gear, metal, accent, headgear;
  int pattern;  // 0 plain, 1 stripes, 2 camouflage
};

Palette CharacterPalette(int character, int variant) {
  const bool v = variant != 0;
  switch (character) {
    case 0:  // the player character: two team colourings
      return v ? Palette{{0.86, 0.66, 0.52}, {0.18, 0.12, 0.08}, {0.62, 0.16, 0.12}, {0.55, 0.14, 0.11}, {0.22, 0.22, 0.26},
                         {0.10, 0.09, 0.08}, {0.30, 0.28, 0.24}, {0.40, 0.42, 0.45}, {0.85, 0.75, 0.2}, {0.3, 0.3, 0.3}, 0}
               : Palette{{0.86, 0.66, 0.52}, {0.18, 0.12, 0.08}, {0.16, 0.30, 0.62}, {0.14, 0.26, 0.55}, {0.22, 0.22, 0.26},
                         {0.10, 0.09, 0.08}, {0.30, 0.28, 0.24}, {0.40, 0.42, 0.45}, {0.85, 0.75, 0.2}, {0.3, 0.3, 0.3}, 0};
    case 1:  // heavy: olive drab and armour
      return Palette{{0.72, 0.52, 0.38}, {0.1, 0.08, 0.06}, v ? Rgb{0.36, 0.38, 0.22} : Rgb{0.30, 0.33, 0.20},
                     {0.33, 0.35, 0.21}, {0.28, 0.27, 0.20}, {0.14, 0.11, 0.08}, v ? Rgb{0.20, 0.22, 0.16} : Rgb{0.24, 0.26, 0.18},
                     {0.30, 0.31, 0.32}, {0.5, 0.1, 0.1}, {0.26, 0.30, 0.18}, 2};
    case 2:  // tall drifter: duster browns
      return Palette{{0.80, 0.60, 0.45}, {0.35, 0.22, 0.12}, v ? Rgb{0.70, 0.62, 0.45} : Rgb{0.62, 0.50, 0.34},
                     {0.50, 0.36, 0.22}, {0.30, 0.24, 0.18}, {0.25, 0.15, 0.08}, {0.35, 0.22, 0.12},
                     {0.28, 0.28, 0.30}, {0.6, 0.5, 0.2}, v ? Rgb{0.22, 0.16, 0.10} : Rgb{0.40, 0.28, 0.16}, 1};
    case 3:  // stocky raider: red bandana, grey fatigues
      return Palette{{0.66, 0.46, 0.32}, {0.12, 0.10, 0.08}, v ? Rgb{0.40, 0.40, 0.44} : Rgb{0.48, 0.46, 0.42},
                     {0.40, 0.40, 0.42}, {0.24, 0.26, 0.30}, {0.12, 0.10, 0.09}, {0.36, 0.30, 0.20},
                     {0.30, 0.30, 0.33}, v ? Rgb{0.15, 0.35, 0.65} : Rgb{0.72, 0.12, 0.10}, {0.2, 0.2, 0.2}, 2};
    default:  // wiry raider: black and rust
      return Palette{{0.84, 0.64, 0.50}, {0.55, 0.30, 0.12}, v ? Rgb{0.20, 0.20, 0.22} : Rgb{0.14, 0.14, 0.15},
                     {0.45, 0.22, 0.12}, {0.18, 0.17, 0.17}, {0.10, 0.08, 0.07}, {0.50, 0.28, 0.14},
                     {0.34, 0.35, 0.38}, {0.7, 0.6, 0.3}, {0.2, 0.2, 0.2}, 1};
  }
}

double Noise(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xffff) / 65535.0;
}

// Smooth value noise over cells of the given size.
double SmoothNoise(double x, double y, double cell, int seed) {
  const double fx = x / cell, fy = y / cell;
  const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  const double tx = fx - ix, ty = fy - iy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const double a = Noise(ix, iy, seed), b = Noise(ix + 1, iy, seed), c = Noise(ix, iy + 1, seed),
               d = Noise(ix + 1, iy + 1, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

Rgb Scale(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// Light from the front (u = 0.5 faces forward on a wrapped part) and from above (v = 1).
double Light(double u, double v) {
  const double around = 0.62 + 0.38 * std::cos(2.0 * 3.14159265358979 * (u - 0.5));
  return around * (0.82 + 0.22 * v);
}

}  // namespace

void PaintCharacterSkin(int character, int variant, std::vector<uint8_t>& rgb) {
  const int size = kCharacterSkinSize;
  rgb.assign(static_cast<size_t>(size) * size * 3, 0);
  const Palette pal = CharacterPalette(character, variant);
  const int seed = character * 7 + variant * 3 + 1;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // Texture coordinates of the pixel centre (t grows upwards; row 0 is the top of the picture).
      const double s = (x + 0.5) / size, t = 1.0 - (y + 0.5) / size;
      int region = kWhole;
      double u = 0, v = 0;
      for (int r = 0; r < kWhole; ++r) {
        const UvRect rc = RegionRect(static_cast<Region>(r));
        const double pad = 2.0 / size;
        if (s >= rc.u0 - pad && s <= rc.u1 + pad && t >= rc.v0 - pad && t <= rc.v1 + pad) {
          region = r;
          u = std::clamp((s - rc.u0) / (rc.u1 - rc.u0), 0.0, 1.0);
          v = std::clamp((t - rc.v0) / (rc.v1 - rc.v0), 0.0, 1.0);
          break;
        }
      }
      const double grain = 0.92 + 0.08 * Noise(x, y, seed);
      const double blotch = SmoothNoise(x, y, 9.0, seed);
      Rgb c{0.5, 0.5, 0.5};
      switch (region) {
        case kFace: {
          c = pal.skin;
          const double du = (u - 0.5) * 8.0;  // one unit per face of the head's eight sides
          // Hair on top and round the back.
          const double hairLine = 0.66 + 0.18 * std::min(1.0, std::fabs(du) / 2.5);
          if (v > hairLine || std::fabs(du) > 2.6) c = Mix(pal.hair, Scale(pal.hair, 1.3), Noise(x / 2, y, seed));
          // Eyes, brows, nose shadow, mouth.
          const double eyeV = 0.53;
          for (double side : {-1.0, 1.0}) {
            const double ex = du - side * 0.42, ey = (v - eyeV) * 8.0;
            if (ex * ex + ey * ey < 0.07) c = {0.95, 0.95, 0.92};
            if (ex * ex + ey * ey < 0.025) c = {0.12, 0.10, 0.08};
            if (std::fabs(ex) < 0.32 && std::fabs(v - (eyeV + 0.085)) < 0.025) c = Scale(pal.hair, 0.8);
          }
          if (std::fabs(du) < 0.35 && std::fabs(v - 0.27) < 0.03) c = {0.45, 0.18, 0.16};
          if (std::fabs(du) < 0.12 && v > 0.33 && v < 0.5) c = Scale(c, 0.85);
          c = Scale(c, Light(u, v) * grain);
          break;
        }
        case kHair:
          c = Scale(Mix(pal.headgear, Scale(pal.headgear, 1.25), blotch), Light(u, v) * grain);
          if (v < 0.12) c = Scale(c, 0.7);
          break;
        case kSkin:
          c = Scale(pal.skin, Light(u, v) * grain);
          break;
        case kShirt: {
          c = pal.shirt;
          if (pal.pattern == 1 && static_cast<int>(u * 24) % 3 == 0) c = Scale(c, 0.82);
          if (pal.pattern == 2) c = Mix(c, Scale(c, 0.6), blotch > 0.6 ? 1.0 : 0.0);
          // Collar and a chest pocket on the front.
          if (v > 0.9 && std::fabs(u - 0.5) < 0.12) c = Scale(pal.skin, 0.9);
          if (u > 0.56 && u < 0.66 && v > 0.55 && v < 0.7) c = Scale(c, 0.8);
          c = Scale(c, Light(u, v) * grain);
          break;
        }
        case kSleeve: {
          c = pal.sleeve;
          if (pal.pattern == 2) c = Mix(c, Scale(c, 0.65), blotch > 0.62 ? 1.0 : 0.0);
          if (v < 0.08) c = Scale(c, 0.75);  // cuff
          c = Scale(c, Light(u, v) * grain);
          break;
        }
        case kTrousers: {
          c = pal.trousers;
          if (pal.pattern == 2) c = Mix(c, Scale(c, 0.65), blotch > 0.6 ? 1.0 : 0.0);
          if (std::fabs(u - 0.5) < 0.01 || std::fabs(u - 0.0) < 0.01) c = Scale(c, 0.7);  // seams
          c = Scale(c, Light(u, v) * grain);
          break;
        }
        case kBoots:
          c = Scale(pal.boots, Light(u, v) * (0.9 + 0.2 * v) * grain);
          if (v > 0.9) c = Scale(c, 0.7);
          break;
        case kGear: {
          c = pal.gear;
          if (static_cast<int>(v * 20) % 5 == 0) c = Scale(c, 0.75);  // straps and stitching
          if (static_cast<int>(u * 16) % 4 == 0 && v > 0.3 && v < 0.7) c = Scale(c, 0.85);
          c = Scale(c, Light(u, v) * grain);
          break;
        }
        case kMetal:
          c = Scale(pal.metal, (0.75 + 0.35 * Light(u, v)) * (0.9 + 0.1 * Noise(x, y / 4, seed)));
          break;
        case kAccent:
          c = Scale(Mix(pal.accent, Scale(pal.accent, 0.8), Noise(x / 3, y / 3, seed)), Light(u, v) * grain);
          break;
        default:
          c = Scale(pal.metal, grain);
          break;
      }
      uint8_t* px = &rgb[(static_cast<size_t>(y) * size + x) * 3];
      px[0] = static_cast<uint8_t>(std::clamp(c.r * 255.0, 0.0, 255.0));
      px[1] = static_cast<uint8_t>(std::clamp(c.g * 255.0, 0.0, 255.0));
      px[2] = static_cast<uint8_t>(std::clamp(c.b * 255.0, 0.0, 255.0));
    }
  }
}

}  // namespace makebase
