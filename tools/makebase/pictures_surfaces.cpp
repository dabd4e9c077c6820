// Surfaces for the maps, the character and weapon skins, and the sky faces.
//
// Map surfaces (256 x 256, tile seamlessly): 0 concrete floor, 2 brick wall, 4 metal tread
// plate, 12 sandstone rock, 17 wooden planks, 18 stone floor tiles, 24 corrugated rusty metal,
// 25 hazard-striped trim, 48 desert ground, 49 adobe plaster, 60 dark steel panel.
//
// Character skins (8, 9 the player; 50..59 the bandits, two per bandit), 256 x 256, one layout
// for all, in texture coordinates (t up from the bottom of the picture):
//   t 0.80..1.00  head: s 0.0..0.5 the face (eyes at t 0.90, mouth at t 0.84), s 0.5..1.0 hair
//                 or hat (back and top of the head)
//   t 0.50..0.80  torso and arms: shirt or coat (s 0.0..0.5 front, s 0.5..1.0 back and sleeves)
//   t 0.45..0.50  belt
//   t 0.10..0.45  trousers
//   t 0.00..0.10  boots
// Weapon skins (42..47), 128 x 128: s 0.0..0.6 gun metal, s 0.6..1.0 wood (grips and stocks).
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/makebase/pictures.h"

namespace makebase {

namespace {

constexpr int kTile = 256;

// Tileable noise over a 256-pixel tile: `cells` lattice cells across the tile.
float TileFbm(float x, float y, int cells, int octaves, uint32_t seed) {
  return Fbm(x * cells / kTile, y * cells / kTile, octaves, seed, cells);
}

Rgb Grain(Rgb base, float x, float y, uint32_t seed, float amount) {
  return base * (1.0f - amount + 2.0f * amount * TileFbm(x, y, 32, 3, seed));
}

bool Surface(const std::string& path, int kind) {
  Canvas c(kTile, kTile);
  c.Fill([kind](float x, float y) -> Rgb {
    const float big = TileFbm(x, y, 4, 4, 10u + kind);
    switch (kind) {
      case 0: {  // concrete floor with expansion joints
        Rgb col = Mix(Hex(0x77736c), Hex(0x9a958c), big);
        col = Grain(col, x, y, 11, 0.12f);
        const float jx = std::fmod(x, 128.0f), jy = std::fmod(y, 128.0f);
        if (jx < 2.0f || jy < 2.0f) col = col * 0.55f;
        return col;
      }
      case 2: {  // bricks, 8 rows of 32 pixels, every other row offset by half a brick
        const int row = static_cast<int>(y) / 32;
        const float bx = std::fmod(x + (row % 2) * 32.0f, 64.0f), by = std::fmod(y, 32.0f);
        const int brick = static_cast<int>((x + (row % 2) * 32.0f) / 64.0f) % 4;
        if (bx < 3.0f || by < 3.0f) return Grain(Hex(0x8a857a), x, y, 21, 0.2f);
        const Rgb tone = Mix(Hex(0x8c3f26), Hex(0xb0603a), Hash01(brick, row, 22));
        return Grain(tone * (0.85f + 0.3f * big), x, y, 23, 0.15f);
      }
      case 4: {  // tread plate: raised diagonal bars on steel
        Rgb col = Mix(Hex(0x5a6068), Hex(0x7c828a), big);
        const float cx = std::fmod(x, 32.0f) - 16.0f, cy = std::fmod(y, 32.0f) - 16.0f;
        const bool alt = (static_cast<int>(x / 32.0f) + static_cast<int>(y / 32.0f)) % 2 == 0;
        const float along = alt ? (cx + cy) : (cx - cy), across = alt ? (cx - cy) : (cx + cy);
        if (std::fabs(across) < 3.5f && std::fabs(along) < 16.0f) col = col * 1.25f + Rgb{0.05f, 0.05f, 0.05f};
        if (std::fabs(across + 3.5f) < 1.0f && std::fabs(along) < 16.0f) col = col * 0.6f;
        return Grain(col, x, y, 41, 0.08f);
      }
      case 12: {  // sandstone
        const float strata = std::sin(y / kTile * 6.2832f * 6.0f + big * 6.0f) * 0.5f + 0.5f;
        return Grain(Mix(Hex(0xa86a3e), Hex(0xd49a62), 0.6f * strata + 0.4f * big), x, y, 121, 0.18f);
      }
      case 17: {  // wooden planks, 4 across
        const int plank = static_cast<int>(x) / 64;
        const float px = std::fmod(x, 64.0f);
        const float grain = TileFbm(x * 0.25f + plank * 64.0f, y * 4.0f, 8, 3, 170u + plank);
        Rgb col = Mix(Hex(0x5a3a1e), Hex(0x8e6238), 0.5f * grain + 0.5f * Hash01(plank, 0, 171));
        col = col * (0.85f + 0.15f * std::sin(px / 64.0f * 3.1416f));
        if (px < 2.0f) col = col * 0.35f;
        const float ny = std::fmod(y + plank * 77.0f, 256.0f);
        if (std::fabs(ny - 40.0f) < 3.0f && std::fabs(px - 32.0f) > 20.0f && std::fabs(px - 32.0f) < 24.0f)
          col = Hex(0x303030);  // nails
        return col;
      }
      case 18: {  // stone floor tiles, 4 x 4
        const int tx = static_cast<int>(x) / 64, ty = static_cast<int>(y) / 64;
        const float fx = std::fmod(x, 64.0f), fy = std::fmod(y, 64.0f);
        if (fx < 3.0f || fy < 3.0f) return Hex(0x38342e);
        const Rgb tone = Mix(Hex(0x8a8476), Hex(0xaaa292), Hash01(tx, ty, 181));
        const float edge = std::min({fx - 3.0f, 64.0f - fx, fy - 3.0f, 64.0f - fy});
        return Grain(tone * (0.8f + 0.3f * big) * (0.85f + 0.15f * Clamp01(edge / 4.0f)), x, y, 182, 0.12f);
      }
      case 24: {  // corrugated metal with rust
        const float wave = std::sin(x / kTile * 6.2832f * 16.0f) * 0.5f + 0.5f;
        Rgb col = Mix(Hex(0x5c6670), Hex(0x8a949c), wave);
        const float rust = SmoothStep(0.45f, 0.7f, TileFbm(x, y, 8, 4, 241) + 0.2f * (y / kTile));
        col = Mix(col, Mix(Hex(0x6a2e12), Hex(0xa8521e), TileFbm(x, y, 32, 2, 242)), rust);
        return col;
      }
      case 25: {  // trim: steel rails with hazard stripes between
        if (y < 32.0f || y >= 224.0f) return Grain(Mix(Hex(0x4a5058), Hex(0x8a9098), std::fabs(std::fmod(y, 32.0f) - 16.0f) / 16.0f), x, y, 251, 0.08f);
        const bool amber = std::fmod(x + y, 64.0f) < 32.0f;
        return Grain(amber ? Hex(0xe0a020) : Hex(0x1a1a1a), x, y, 252, 0.12f);
      }
      case 48: {  // desert ground with pebbles
        Rgb col = Mix(Hex(0xa07a4e), Hex(0xc89e6a), big);
        col = Grain(col, x, y, 481, 0.15f);
        const float h = Hash01(static_cast<int>(x) / 8, static_cast<int>(y) / 8, 482);
        if (h > 0.93f) {
          const float dx = std::fmod(x, 8.0f) - 4.0f, dy = std::fmod(y, 8.0f) - 4.0f;
          if (dx * dx + dy * dy < 7.0f) col = Mix(Hex(0x6a5a48), Hex(0x9a8a78), (h - 0.93f) / 0.07f);
        }
        return col;
      }
      case 49: {  // adobe plaster
        Rgb col = Mix(Hex(0xc29a70), Hex(0xe0c098), big);
        col = Grain(col, x, y, 491, 0.1f);
        const float crack = std::fabs(TileFbm(x, y, 8, 4, 492) - 0.5f);
        if (crack < 0.008f) col = col * 0.6f;
        return col;
      }
      default: {  // dark steel panel with rivets
        Rgb col = Mix(Hex(0x30363e), Hex(0x444c56), big);
        const float fx = std::fmod(x, 128.0f), fy = std::fmod(y, 128.0f);
        if (fx < 3.0f || fy < 3.0f) col = Hex(0x181b20);
        const float rx = std::fmod(x + 8.0f, 32.0f) - 16.0f;
        if ((fy > 6.0f && fy < 14.0f) && std::fabs(rx) < 4.0f) col = Hex(0x70787f);
        return Grain(col, x, y, 601, 0.08f);
      }
    }
  });
  return c.SaveBmp(path);
}

struct Outfit {
  Rgb skin, hair, shirt, coat, trousers, boots, accent;
  bool hat, bandana, poncho;
};

// A character skin in the layout described at the top of this file.
bool Skin(const std::string& path, const Outfit& o, uint32_t seed) {
  const int size = 256;
  Canvas c(size, size);
  c.Fill([&](float x, float y) -> Rgb {
    const float s = x / size, t = 1.0f - y / size;
    const float cloth = TileFbm(x, y, 32, 2, seed);
    if (t >= 0.80f) {
      if (s >= 0.5f) {  // back and top of the head
        const Rgb top = o.hat ? o.accent * (0.8f + 0.3f * cloth) : o.hair * (0.7f + 0.5f * TileFbm(x * 0.3f, y * 3.0f, 16, 2, seed + 1));
        return t > 0.86f ? top : Mix(o.skin, top, o.hat ? 0.0f : 1.0f);
      }
      // The face: skin, eyes, brows, mouth; a bandana covers the lower part.
      Rgb col = o.skin * (0.9f + 0.15f * cloth);
      const float fx = s / 0.5f;  // 0..1 across the face
      for (const float ex : {0.32f, 0.68f}) {
        const float dx = (fx - ex) * 5.0f, dy = (t - 0.90f) * 60.0f;
        if (dx * dx + dy * dy < 1.0f) col = Hex(0xf0f0e8);
        if (dx * dx * 4.0f + dy * dy * 4.0f < 1.0f) col = Hex(0x202830);
        if (std::fabs(fx - ex) < 0.12f && std::fabs(t - 0.925f) < 0.006f) col = o.hair * 0.8f;
      }
      if (std::fabs(fx - 0.5f) < 0.14f && std::fabs(t - 0.84f) < 0.005f) col = col * 0.55f;
      if (o.bandana && t < 0.875f) {
        const bool dot = std::fmod(x, 10.0f) < 3.0f && std::fmod(y, 10.0f) < 3.0f;
        col = dot ? Hex(0xe8e0d0) : o.accent * (0.85f + 0.2f * cloth);
      }
      if (o.hat && t > 0.955f) col = o.accent * 0.8f;  // hat brim over the brow
      return col;
    }
    if (t >= 0.50f) {  // torso and arms
      Rgb col = (s < 0.5f ? o.shirt : o.coat) * (0.8f + 0.35f * cloth);
      if (s < 0.5f) {
        // Coat lapels on both sides of the shirt, buttons down the middle.
        const float fx = s / 0.5f;
        if (fx < 0.3f || fx > 0.7f) col = o.coat * (0.8f + 0.35f * cloth);
        if (std::fabs(fx - 0.5f) < 0.02f && std::fmod(t * 50.0f, 1.0f) < 0.3f) col = Hex(0x302418);
      }
      if (o.poncho) {
        const float band = std::fmod((t - 0.5f) * 40.0f, 4.0f);
        if (band < 0.6f) col = o.accent;
        else if (band < 1.0f) col = Hex(0xf0e0b0);
      }
      return col;
    }
    if (t >= 0.45f) {  // belt with a buckle
      if (std::fabs(s - 0.25f) < 0.04f) return Hex(0xd8b060);
      return Hex(0x3a2614) * (0.8f + 0.3f * cloth);
    }
    if (t >= 0.10f) {  // trousers with a seam
      Rgb col = o.trousers * (0.8f + 0.35f * cloth);
      if (std::fabs(std::fmod(s, 0.25f) - 0.125f) < 0.004f) col = col * 0.7f;
      return col;
    }
    return o.boots * (0.75f + 0.4f * cloth) * (t < 0.02f ? 0.6f : 1.0f);  // boots, darker soles
  });
  return c.SaveBmp(path);
}

bool WeaponSkin(const std::string& path, int weapon) {
  static const uint32_t tints[6] = {0x5a6068, 0x4a5460, 0x585048, 0x3e444c, 0x604c3c, 0x44484e};
  const int size = 128;
  Canvas c(size, size);
  const Rgb metal = Hex(tints[weapon]);
  c.Fill([&](float x, float y) -> Rgb {
    const float s = x / size;
    if (s < 0.6f) {
      // Brushed gun metal with machining lines and worn bright edges.
      Rgb col = metal * (0.75f + 0.4f * Fbm(x / 40.0f, y / 2.0f, 3, 420u + weapon, 0));
      if (std::fmod(y, 32.0f) < 1.5f) col = col * 0.5f;
      if (std::fmod(y, 32.0f) > 30.0f) col = col + Rgb{0.18f, 0.18f, 0.18f};
      col = col * (0.92f + 0.16f * Fbm(x / 12.0f, y / 12.0f, 3, 430u + weapon, 0));  // wear
      return col;
    }
    // Wood with a running grain.
    const float g = Fbm(x / 6.0f, y / 60.0f, 4, 440u + weapon, 0);
    const float rings = std::sin(g * 30.0f) * 0.5f + 0.5f;
    return Mix(Hex(0x4a2a12), Hex(0x8a5a2c), 0.6f * rings + 0.4f * g);
  });
  return c.SaveBmp(path);
}

}  // namespace

bool WriteSurfacePictures(const std::string& dir) {
  static const int surfaces[] = {0, 2, 4, 12, 17, 18, 24, 25, 48, 49, 60};
  for (int n : surfaces)
    if (!Surface(TexturePath(dir, n, "bmp"), n)) return false;

  // The player: a ranger in a long coat (8) and the same in olive (9).
  const Outfit ranger{Hex(0xd8a080), Hex(0x4a3020), Hex(0xc8c0a8), Hex(0x3a4a5e), Hex(0x4a4640), Hex(0x3a2414),
                      Hex(0x2a2a30), false, false, false};
  Outfit olive = ranger;
  olive.coat = Hex(0x4e5a36);
  olive.shirt = Hex(0xb0a888);
  olive.trousers = Hex(0x5a4a38);
  olive.hair = Hex(0x1a1410);
  if (!Skin(TexturePath(dir, 8, "bmp"), ranger, 800) || !Skin(TexturePath(dir, 9, "bmp"), olive, 900)) return false;

  // The bandits: hats, bandanas and striped ponchos in five colour schemes, two of each.
  static const uint32_t schemes[5][4] = {
      {0x8a2a1a, 0x6a5030, 0x3a3028, 0x5a2418},  // accent, coat, trousers, shirt
      {0x2a4a7a, 0x5e4a34, 0x2e3440, 0x7a6a4a},
      {0x3a6a2a, 0x4a3a2a, 0x4a4034, 0x8a7a5a},
      {0x7a5a1a, 0x3a3a3a, 0x2a2620, 0x6a3a2a},
      {0x5a2a5a, 0x6a4a3a, 0x3a342c, 0x8a6a4a},
  };
  static const uint32_t skins[4] = {0xc89070, 0xa87050, 0xe0b090, 0x8a5a3a};
  for (int b = 0; b < 5; ++b)
    for (int k = 0; k < 2; ++k) {
      Outfit o{Hex(skins[(b + k) % 4]), Hex(0x2a1a10), Hex(schemes[b][3]), Hex(schemes[b][1]), Hex(schemes[b][2]),
               Hex(0x2e1e10), Hex(schemes[b][0]), true, true, k == 0};
      if (k == 1) o.accent = o.accent * 0.7f + Rgb{0.1f, 0.1f, 0.1f};
      if (!Skin(TexturePath(dir, 50 + 2 * b + k, "bmp"), o, 5000u + 10u * b + k)) return false;
    }

  for (int w = 0; w < 6; ++w)
    if (!WeaponSkin(TexturePath(dir, 42 + w, "bmp"), w)) return false;
  return true;
}

// The sky faces: a dusk sky by direction, so the faces meet without seams. Each face follows the
// cube-map convention for its stored rows (the first stored row is t = 0), so side faces look
// upside down in a picture viewer and right in the cube map.
bool WriteSkyFaces(const std::string& skyDir) {
  static const char* const names[6] = {"right", "left", "top", "bottom", "back", "front"};
  const int size = 256;
  for (int face = 0; face < 6; ++face) {
    Canvas c(size, size);
    c.Fill([&](float x, float y) {
      // Texture coordinates of the pixel (t = 0 is the first stored row, the picture's bottom).
      const float sc = 2.0f * x / size - 1.0f, tc = 2.0f * (1.0f - y / size) - 1.0f;
      float d[3];
      switch (face) {
        case 0: d[0] = 1; d[1] = -tc; d[2] = -sc; break;
        case 1: d[0] = -1; d[1] = -tc; d[2] = sc; break;
        case 2: d[0] = sc; d[1] = 1; d[2] = tc; break;
        case 3: d[0] = sc; d[1] = -1; d[2] = -tc; break;
        case 4: d[0] = sc; d[1] = -tc; d[2] = 1; break;
        default: d[0] = -sc; d[1] = -tc; d[2] = -1; break;
      }
      const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      const float dx = d[0] / len, dy = d[1] / len, dz = d[2] / len;
      if (dy < 0.0f) return Mix(Hex(0x8a5a40), Hex(0x2a1a18), Clamp01(-dy * 3.0f));
      Rgb col = Mix(Hex(0xf09050), Hex(0x1e1a40), std::pow(dy, 0.45f));
      // A cloud layer projected onto a plane above.
      const float px = dx / (dy + 0.08f), pz = dz / (dy + 0.08f);
      const float cl = SmoothStep(0.5f, 0.75f, Fbm(px * 1.5f + 10.0f, pz * 1.5f + 10.0f, 5, 77));
      col = Mix(col, Mix(Hex(0xffb070), Hex(0x6a4a6a), Clamp01(dy * 2.0f)), cl * 0.7f);
      // The sun low in the west.
      const float sd = dx * -0.8f + dy * 0.15f + dz * 0.58f;
      col = col + Hex(0xffd090) * (0.8f * std::pow(Clamp01(sd), 200.0f) + 0.3f * std::pow(Clamp01(sd), 8.0f));
      return col;
    });
    if (!c.SaveBmp(skyDir + "/" + names[face] + ".bmp")) return false;
  }
  return true;
}

}  // namespace makebase
