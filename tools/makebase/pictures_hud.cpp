// HUD pictures: the ammunition icon, the crosshair, the six weapon-bar pictures, the lamp halo
// and the plain black picture of the fades.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/makebase/pictures.h"

namespace makebase {

namespace {

const Rgb kAmber = Hex(0xe8952e);

// The ammunition icon, drawn opaque as a 35 x 35 square next to the ammo count.
bool AmmoIcon(const std::string& path) {
  const int size = 64;
  Canvas c(size, size);
  c.Fill([](float, float y) { return Mix(Hex(0x2a2d33), Hex(0x101216), y / 64.0f); });
  c.Frame(1, 1, 63, 63, 3, kAmber, 0.9f);
  for (int i = 0; i < 3; ++i) {
    const float x = 14.0f + i * 14.0f;
    // Case, then the bullet's ogive, then a highlight.
    c.Rect(x, 30, x + 10, 54, Hex(0xc8902c));
    c.Rect(x, 50, x + 10, 54, Hex(0x8a5a18));
    std::vector<float> tip = {x, 30, x + 10, 30, x + 8, 19, x + 5, 13, x + 2, 19};
    c.Polygon(tip, Hex(0xb06a3a));
    c.Rect(x + 2, 32, x + 4, 49, Hex(0xffe2a0), 0.7f);
  }
  return c.SaveBmp(path);
}

// The crosshair, added over the scene: black is transparent.
bool Crosshair(const std::string& path) {
  const int size = 64;
  Canvas c(size, size);
  c.Fill([](float, float) { return Rgb{}; });
  const Rgb col = Hex(0xb8ffb0);
  const float m = size * 0.5f;
  c.Line(m, 6, m, 24, 3.0f, col);
  c.Line(m, 40, m, 58, 3.0f, col);
  c.Line(6, m, 24, m, 3.0f, col);
  c.Line(40, m, 58, m, 3.0f, col);
  c.Disc(m, m, 2.5f, Rgb{1, 1, 1});
  c.Glow(m, m, 30, Hex(0x2a6a2a), 0.25f, 2.0f);
  return c.SaveBmp(path);
}

// Silhouettes of the six weapons in a unit box (x to the right, muzzle at the right; y down),
// as polygons.
std::vector<std::vector<float>> GunShape(int weapon) {
  std::vector<std::vector<float>> parts;
  const auto rect = [&](float x0, float y0, float x1, float y1) { parts.push_back({x0, y0, x1, y0, x1, y1, x0, y1}); };
  const auto grip = [&](float x) { parts.push_back({x, 0.46f, x + 0.09f, 0.46f, x + 0.05f, 0.72f, x - 0.05f, 0.72f}); };
  const auto stock = [&](float x1) { parts.push_back({0.04f, 0.36f, x1, 0.33f, x1, 0.48f, 0.06f, 0.62f, 0.03f, 0.60f}); };
  switch (weapon) {
    case 0:  // pistol
      rect(0.30f, 0.30f, 0.74f, 0.44f);
      parts.push_back({0.32f, 0.44f, 0.45f, 0.44f, 0.41f, 0.76f, 0.27f, 0.76f});
      rect(0.70f, 0.26f, 0.73f, 0.30f);
      break;
    case 1:  // light machine gun
      stock(0.26f);
      rect(0.26f, 0.32f, 0.62f, 0.46f);
      rect(0.62f, 0.36f, 0.92f, 0.40f);
      parts.push_back({0.46f, 0.46f, 0.54f, 0.46f, 0.56f, 0.70f, 0.48f, 0.71f});
      grip(0.34f);
      break;
    case 2:  // shotgun
      stock(0.30f);
      rect(0.30f, 0.33f, 0.52f, 0.45f);
      rect(0.52f, 0.34f, 0.96f, 0.40f);
      rect(0.58f, 0.41f, 0.80f, 0.47f);
      grip(0.36f);
      break;
    case 3:  // machine gun
      stock(0.24f);
      rect(0.24f, 0.31f, 0.66f, 0.47f);
      rect(0.66f, 0.35f, 0.95f, 0.40f);
      rect(0.66f, 0.41f, 0.82f, 0.45f);
      parts.push_back({0.44f, 0.47f, 0.53f, 0.47f, 0.58f, 0.76f, 0.49f, 0.77f});
      rect(0.36f, 0.25f, 0.50f, 0.31f);
      grip(0.30f);
      break;
    case 4:  // super shotgun: two barrels side by side
      stock(0.32f);
      rect(0.32f, 0.31f, 0.50f, 0.47f);
      rect(0.50f, 0.31f, 0.96f, 0.37f);
      rect(0.50f, 0.39f, 0.96f, 0.45f);
      grip(0.38f);
      break;
    default:  // super machine gun: long barrel, drum magazine
      stock(0.22f);
      rect(0.22f, 0.30f, 0.64f, 0.48f);
      rect(0.64f, 0.34f, 0.97f, 0.40f);
      rect(0.64f, 0.41f, 0.86f, 0.46f);
      rect(0.86f, 0.31f, 0.90f, 0.46f);
      grip(0.28f);
      break;
  }
  return parts;
}

void DrawPanel(Canvas& c, int weapon, float top, bool current) {
  static const char* const names[6] = {"PISTOL", "LITE MG", "SHOTGUN", "MACHINE GUN", "SUPER SHOTGUN", "SUPER MG"};
  const float w = static_cast<float>(c.w()), h = c.h() * 0.5f;
  const Rgb frame = current ? kAmber : Hex(0x405060);
  const Rgb ink = current ? Hex(0xffe0a0) : Hex(0x8094a8);
  if (current) {
    for (int y = static_cast<int>(top); y < static_cast<int>(top + h); ++y)
      for (int x = 0; x < c.w(); ++x) {
        const float v = (y - top) / h;
        c.Set(x, y, Mix(Hex(0x3a2008), Hex(0x100800), v));
      }
  }
  c.Frame(4, top + 4, w - 4, top + h - 4, current ? 4.0f : 2.0f, frame, 1.0f);
  // The silhouette in the middle of the panel.
  for (const auto& part : GunShape(weapon)) {
    std::vector<float> xy(part.size());
    for (size_t i = 0; i < part.size(); i += 2) {
      xy[i] = 30.0f + part[i] * (w - 50.0f);
      xy[i + 1] = top + 6.0f + part[i + 1] * (h - 30.0f);
    }
    c.Polygon(xy, ink, current ? 1.0f : 0.8f);
  }
  char key[4];
  std::snprintf(key, sizeof key, "%d", weapon + 1);
  const TextStyle keyFont{"DejaVuSansCondensed-Bold.ttf", 28, 0.0f};
  TextLook look;
  look.top = frame * 1.2f;
  look.bottom = frame;
  DrawText(c, keyFont, look, 14, top + 34, key);
  const TextStyle nameFont{"DejaVuSansCondensed-Bold.ttf", 17, 2.0f};
  TextLook nameLook;
  nameLook.top = nameLook.bottom = ink;
  DrawTextCentred(c, nameFont, nameLook, w * 0.5f, top + h - 14, names[weapon]);
}

// A weapon-bar picture: the lower half shows the weapon as the current one, the upper half as
// one of the others. Added over the scene, so black is transparent.
bool WeaponBar(const std::string& path, int weapon) {
  Canvas c(256, 256);
  c.Fill([](float, float) { return Rgb{}; });
  DrawPanel(c, weapon, 0.0f, false);
  DrawPanel(c, weapon, 128.0f, true);
  return c.SaveBmp(path);
}

// The lamp halo: a radial glow on black, tinted by each lamp's colour when drawn.
bool LampHalo(const std::string& path) {
  const int size = 128;
  Canvas c(size, size);
  c.Fill([&](float x, float y) {
    const float d = std::hypot(x - size * 0.5f, y - size * 0.5f) / (size * 0.5f);
    if (d >= 1.0f) return Rgb{};
    const float a = std::atan2(y - size * 0.5f, x - size * 0.5f);
    const float rays = 0.08f * (1.0f - d) * (0.5f + 0.5f * std::cos(a * 8.0f));
    const float k = std::pow(1.0f - d, 2.4f) + 0.6f * std::pow(Clamp01(1.0f - d * 5.0f), 1.5f) + rays;
    return Hex(0xfff0d8) * Clamp01(k);
  });
  return c.SaveBmp(path);
}

bool Black(const std::string& path) {
  Canvas c(64, 64);
  c.Fill([](float, float) { return Rgb{}; });
  return c.SaveBmp(path);
}

}  // namespace

bool WriteHudPictures(const std::string& dir) {
  bool ok = AmmoIcon(TexturePath(dir, 3, "bmp")) && Crosshair(TexturePath(dir, 6, "bmp")) &&
            LampHalo(TexturePath(dir, 23, "bmp")) && Black(TexturePath(dir, 10, "bmp"));
  for (int w = 0; w < 6 && ok; ++w) ok = WeaponBar(TexturePath(dir, 30 + w, "bmp"), w);
  return ok;
}

}  // namespace makebase
