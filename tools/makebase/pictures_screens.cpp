// Full-screen and menu pictures: the start-up splash, the loading backdrop, the main menu's
// picture and masks, the backdrop of the other screens, the scrolling strip pattern, the menu
// cursor, the end-of-career picture and the ten map intro pictures.
//
// Full-screen pictures are painted on an 800 x 600 canvas (the menu space, so text keeps its
// shape) and stored at 512 x 512. Menu coordinates below are given with y up, as the menus use
// them; ScreenY turns them into canvas rows.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/makebase/pictures.h"

namespace makebase {

namespace {

constexpr int kScreenW = 800;
constexpr int kScreenH = 600;
constexpr int kStored = 512;

// The scrolling strips cover roughly the top and the bottom 66 units of the menu space.
constexpr float kBandHeight = 68.0f;

float ScreenY(float menuY) { return kScreenH - menuY; }

const Rgb kAmberFrame = Hex(0xe8952e);
const TextStyle kTitleFont{"DejaVuSansCondensed-BoldOblique.ttf", 96, 4.0f};

struct Palette {
  Rgb skyTop, skyHorizon, sun, haze;
  Rgb ridgeFar, ridgeNear;
  bool night;
};

const Palette kDusk{Hex(0x1b1030), Hex(0xf08a3c), Hex(0xffd890), Hex(0xb65a3a), Hex(0x5a2a3c), Hex(0x120a12), false};
const Palette kNight{Hex(0x04070f), Hex(0x1e3550), Hex(0xdde8ff), Hex(0x26405a), Hex(0x1a2a3a), Hex(0x05080c), true};

// A desert landscape in the box (x0, y0)-(x1, y1) of the canvas: sky, sun or moon, clouds and
// layers of flat-topped mesas. sunX, sunY are fractions of the box.
void Landscape(Canvas& c, float x0, float y0, float x1, float y1, const Palette& p, uint32_t seed, float sunX,
               float sunY) {
  const float bw = x1 - x0, bh = y1 - y0;
  const float horizon = 0.64f;
  const float sunR = (p.night ? 0.055f : 0.085f) * bh;
  constexpr int kLayers = 4;
  const int cols = static_cast<int>(bw) + 1;
  // The top edge of each layer of mesas, per column.
  std::vector<float> tops(static_cast<size_t>(kLayers) * cols);
  for (int l = 0; l < kLayers; ++l)
    for (int i = 0; i < cols; ++i) {
      const float u = (i + 0.5f) / bw;
      const float f = Fbm(u * (1.6f + l * 1.2f) + l * 17.0f, l * 3.1f, 4, seed + 31u * l);
      const float mesa = SmoothStep(0.47f, 0.53f, f) * (0.13f - 0.022f * l);
      const float rough = (Fbm(u * 40.0f, l * 5.0f, 3, seed + 77u * l) - 0.5f) * 0.012f;
      tops[static_cast<size_t>(l) * cols + i] = horizon - 0.07f + 0.1f * l - mesa - rough;
    }
  for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y)
    for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x) {
      const int i = std::min(cols - 1, x - static_cast<int>(x0));
      const float u = (x + 0.5f - x0) / bw, v = (y + 0.5f - y0) / bh;
      int layer = -1;
      for (int l = kLayers - 1; l >= 0 && layer < 0; --l)
        if (v >= tops[static_cast<size_t>(l) * cols + i]) layer = l;
      Rgb col;
      if (layer < 0) {
        // Sky, clouds, stars, the sun or the moon.
        const float sv = Clamp01(v / horizon);
        col = Mix(p.skyTop, p.skyHorizon, std::pow(sv, 2.2f));
        const float clouds = Fbm(u * 5.0f, v * 24.0f, 4, seed + 7);
        col = Mix(col, p.haze * 1.1f, SmoothStep(0.55f, 0.8f, clouds) * 0.35f * sv);
        if (p.night) {
          const int gx = static_cast<int>(u * bw / 2.0f), gy = static_cast<int>(v * bh / 2.0f);
          const float h = Hash01(gx, gy, seed + 3);
          if (h > 0.992f) col = col + Rgb{0.7f, 0.75f, 0.85f} * ((h - 0.992f) / 0.008f) * (1.0f - sv);
        }
        const float dx = (u - sunX) * bw, dy = (v - sunY) * bh;
        const float d = std::sqrt(dx * dx + dy * dy);
        col = col + p.sun * (0.45f * std::exp(-d / (sunR * 2.5f)));
        if (d < sunR) {
          float k = Clamp01(sunR - d);
          Rgb disc = p.sun * 1.1f;
          if (p.night) {
            disc = disc * (0.8f + 0.25f * Fbm(dx / sunR * 3.0f, dy / sunR * 3.0f, 3, seed + 9));
          } else if (dy > 0.1f * sunR && std::fmod(dy / sunR * 6.0f, 1.0f) < 0.35f + dy / sunR * 0.3f) {
            k = 0.0f;  // the setting sun is cut by thin bands near its lower edge
          }
          col = Mix(col, disc, k);
        }
      } else {
        const float t = static_cast<float>(layer) / (kLayers - 1);
        const float top = tops[static_cast<size_t>(layer) * cols + i];
        col = Mix(Mix(p.ridgeFar, p.haze, 0.55f * (1.0f - t)), p.ridgeNear, t);
        col = col * (0.85f + 0.3f * Fbm(u * 3.0f, v * 50.0f, 2, seed + 5u * layer));  // strata
        const float rim = Clamp01(1.0f - (v - top) * bh / 2.5f);
        col = Mix(col, p.sun * 0.8f, rim * (0.55f - 0.1f * layer));
      }
      c.Set(x, y, col);
    }
}

// A five-pointed star with a ball on every point.
void StarBadge(Canvas& c, float cx, float cy, float r, Rgb col, float k) {
  std::vector<float> xy;
  for (int i = 0; i < 10; ++i) {
    const float a = -1.5708f + i * 0.62832f, rr = (i % 2 == 0) ? r : r * 0.45f;
    xy.push_back(cx + std::cos(a) * rr);
    xy.push_back(cy + std::sin(a) * rr);
  }
  c.Polygon(xy, col, k);
  for (int i = 0; i < 5; ++i) {
    const float a = -1.5708f + i * 1.25664f;
    c.Disc(cx + std::cos(a) * r, cy + std::sin(a) * r, r * 0.09f, col, k, 1.5f);
  }
}

// Silhouettes standing on the ground line: 0 a saguaro cactus, 1 a windmill, 2 a shack, 3 a
// water tower. h is the height in pixels.
void Prop(Canvas& c, int kind, float x, float ground, float h, Rgb col) {
  switch (kind) {
    case 0: {
      const float w = h * 0.16f;
      c.Rect(x - w * 0.5f, ground - h, x + w * 0.5f, ground, col);
      c.Disc(x, ground - h, w * 0.5f, col, 1.0f, 1.0f);
      // Two arms bent upwards.
      c.Rect(x - w * 1.7f, ground - h * 0.45f, x - w * 0.4f, ground - h * 0.45f + w * 0.8f, col);
      c.Rect(x - w * 1.7f, ground - h * 0.72f, x - w * 0.9f, ground - h * 0.45f + w * 0.4f, col);
      c.Disc(x - w * 1.3f, ground - h * 0.72f, w * 0.4f, col, 1.0f, 1.0f);
      c.Rect(x + w * 0.4f, ground - h * 0.6f, x + w * 1.6f, ground - h * 0.6f + w * 0.8f, col);
      c.Rect(x + w * 0.8f, ground - h * 0.85f, x + w * 1.6f, ground - h * 0.6f + w * 0.4f, col);
      c.Disc(x + w * 1.2f, ground - h * 0.85f, w * 0.4f, col, 1.0f, 1.0f);
      break;
    }
    case 1: {
      const float top = ground - h;
      c.Line(x - h * 0.12f, ground, x - h * 0.02f, top, 2.0f, col);
      c.Line(x + h * 0.12f, ground, x + h * 0.02f, top, 2.0f, col);
      for (int i = 1; i < 4; ++i) {
        const float y = ground - h * i * 0.25f, half = h * (0.12f - 0.1f * i * 0.25f);
        c.Line(x - half, y, x + half, y, 1.5f, col);
      }
      for (int i = 0; i < 8; ++i) {
        const float a = i * 0.7854f + 0.2f;
        c.Line(x, top, x + std::cos(a) * h * 0.22f, top + std::sin(a) * h * 0.22f, h * 0.035f, col);
      }
      c.Disc(x, top, h * 0.04f, col);
      c.Rect(x - h * 0.02f, top - h * 0.02f, x + h * 0.28f, top + h * 0.02f, col);  // the vane
      c.Polygon({x + h * 0.22f, top - h * 0.08f, x + h * 0.32f, top - h * 0.08f, x + h * 0.32f, top + h * 0.06f}, col);
      break;
    }
    case 2: {
      const float w = h * 1.6f;
      c.Rect(x - w * 0.5f, ground - h * 0.7f, x + w * 0.5f, ground, col);
      c.Polygon({x - w * 0.58f, ground - h * 0.66f, x, ground - h, x + w * 0.58f, ground - h * 0.66f}, col);
      c.Rect(x + w * 0.2f, ground - h * 1.05f, x + w * 0.28f, ground - h * 0.8f, col);  // chimney
      break;
    }
    default: {
      const float w = h * 0.45f;
      c.Rect(x - w * 0.5f, ground - h, x + w * 0.5f, ground - h * 0.6f, col);
      c.Polygon({x - w * 0.6f, ground - h, x, ground - h * 1.2f, x + w * 0.6f, ground - h}, col);
      for (const float side : {-0.42f, 0.42f}) c.Line(x + w * side, ground - h * 0.6f, x + w * side * 1.3f, ground, 2.5f, col);
      c.Line(x - w * 0.55f, ground - h * 0.3f, x + w * 0.55f, ground - h * 0.3f, 1.5f, col);
      break;
    }
  }
}

// A row of props along the bottom of a landscape box.
void Props(Canvas& c, float x0, float x1, float ground, float scale, uint32_t seed, int count, Rgb col) {
  for (int i = 0; i < count; ++i) {
    const float u = (i + 0.2f + 0.6f * Hash01(i, 0, seed)) / count;
    const int kind = static_cast<int>(Hash01(i, 1, seed) * 4.0f) % 4;
    const float h = scale * (kind == 2 ? 0.35f : (kind == 0 ? 0.75f : 1.0f)) * (0.75f + 0.5f * Hash01(i, 2, seed));
    Prop(c, kind, x0 + u * (x1 - x0), ground, h, col);
  }
}

void Store(const Canvas& c, const std::string& path, bool& ok) {
  ok = c.Resampled(kStored, kStored).SaveBmp(path) && ok;
}

TextLook GoldLook() {
  TextLook look;
  look.top = Hex(0xffe39a);
  look.bottom = Hex(0xd0521e);
  look.shadow = 0.8f;
  look.glow = Hex(0x7a2a08);
  look.glowRadius = 10.0f;
  look.outline = 2.0f;
  return look;
}

TextLook PlainLook(Rgb col, float shadow = 0.7f) {
  TextLook look;
  look.top = col;
  look.bottom = col * 0.8f;
  look.shadow = shadow;
  return look;
}

// Dark bars at the top and bottom with thin amber rules where they meet the middle.
void Bands(Canvas& c, float darkness) {
  for (int y = 0; y < c.h(); ++y) {
    const float fromEdge = std::min(static_cast<float>(y), c.h() - 1.0f - y);
    if (fromEdge < kBandHeight)
      for (int x = 0; x < c.w(); ++x) c.Set(x, y, c.Get(x, y) * (1.0f - darkness));
  }
  c.Rect(0, kBandHeight - 2, kScreenW, kBandHeight, Hex(0xc9772a), 0.9f);
  c.Rect(0, kScreenH - kBandHeight, kScreenW, kScreenH - kBandHeight + 2, Hex(0xc9772a), 0.9f);
}

bool Splash(const std::string& path) {
  Canvas c(kScreenW, kScreenH);
  Landscape(c, 0, 0, kScreenW, kScreenH, kDusk, 11, 0.84f, 0.47f);
  Prop(c, 1, 120, 560, 150, Hex(0x0c060a));
  Prop(c, 0, 640, 566, 110, Hex(0x0c060a));
  Prop(c, 0, 720, 570, 60, Hex(0x0c060a));
  c.Vignette(0.55f);
  DrawTextCentred(c, kTitleFont, GoldLook(), 400, 175, "DUNMARROW");
  const TextStyle sub{"DejaVuSansCondensed-Bold.ttf", 26, 9.0f};
  DrawTextCentred(c, sub, PlainLook(Hex(0xf4dcc0)), 400, 222, "THE BANDIT FRONTIER");
  c.Line(250, 238, 550, 238, 2, Hex(0xe8a050), 0.8f);
  const TextStyle small{"DejaVuSans.ttf", 15, 2.0f};
  DrawTextCentred(c, small, PlainLook(Hex(0xb8a8a0), 0.9f), 400, 580, "CAREER  \xB7  LAN MATCH  \xB7  TEN ARENAS");
  bool ok = true;
  Store(c, path, ok);
  return ok;
}

bool LoadingBackdrop(const std::string& path) {
  Canvas c(kScreenW, kScreenH);
  Landscape(c, 0, 0, kScreenW, kScreenH, kNight, 23, 0.78f, 0.22f);
  c.Vignette(0.5f);
  // A dark band at the bottom carries "Loading...".
  for (int y = 530; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x) c.Set(x, y, c.Get(x, y) * (0.25f * (1.0f - (y - 530) / 140.0f)));
  c.Rect(0, 528, kScreenW, 530, Hex(0xc9772a), 0.8f);
  const TextStyle title{"DejaVuSansCondensed-BoldOblique.ttf", 54, 3.0f};
  DrawTextCentred(c, title, GoldLook(), 400, 110, "DUNMARROW");
  bool ok = true;
  Store(c, path, ok);
  return ok;
}

// The main menu's picture, added over the strips: black bands, the landscape in the middle, the
// title, and a dark panel on the left where the white menu items stand.
bool MainMenuPicture(const std::string& path) {
  Canvas c(kScreenW, kScreenH);
  Landscape(c, 0, kBandHeight, kScreenW, kScreenH - kBandHeight, kDusk, 5, 0.68f, 0.42f);
  Prop(c, 3, 330, 505, 120, Hex(0x0c060a));
  Prop(c, 0, 700, 515, 100, Hex(0x0c060a));
  Prop(c, 2, 560, 520, 50, Hex(0x0c060a));
  // Darken the left part for the menu column.
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x) {
      const float k = SmoothStep(330.0f, 180.0f, static_cast<float>(x));
      c.Set(x, y, c.Get(x, y) * (1.0f - 0.85f * k));
    }
  Bands(c, 1.0f);
  // Panel behind the items (menu x 50..215, y 135..345).
  c.Rect(48, ScreenY(348), 218, ScreenY(132), Hex(0x000000), 0.75f);
  c.Frame(48, ScreenY(348), 218, ScreenY(132), 2, Hex(0xc9772a), 0.85f);
  c.Rect(56, ScreenY(348) + 8, 210, ScreenY(348) + 10, Hex(0xc9772a), 0.5f);
  const TextStyle title{"DejaVuSansCondensed-BoldOblique.ttf", 72, 4.0f};
  DrawTextCentred(c, title, GoldLook(), 520, ScreenY(440), "DUNMARROW");
  const TextStyle sub{"DejaVuSansCondensed-Bold.ttf", 22, 8.0f};
  DrawTextCentred(c, sub, PlainLook(Hex(0xf4dcc0)), 520, ScreenY(400), "THE BANDIT FRONTIER");
  bool ok = true;
  Store(c, path, ok);
  return ok;
}

// Multiplied over the strips: white in the top and bottom bands, dark elsewhere.
bool BandMask(const std::string& path, float middle) {
  Canvas c(kScreenW, kScreenH);
  c.Fill([&](float, float y) {
    const float fromEdge = std::min(y, kScreenH - y);
    const float k = SmoothStep(kBandHeight + 1.0f, kBandHeight - 3.0f, fromEdge);
    const float shade = 0.75f + 0.25f * SmoothStep(0.0f, kBandHeight * 0.5f, fromEdge);
    const float v = middle + (shade - middle) * k;
    return Rgb{v, v, v};
  });
  bool ok = true;
  Store(c, path, ok);
  return ok;
}

// The backdrop of the career, difficulty, pause, multiplayer, create and connect screens (drawn
// alone), and of the quit and options screens (added over the masked strips).
bool Backdrop(const std::string& path) {
  Canvas c(kScreenW, kScreenH);
  c.Fill([](float x, float y) {
    const float n = Fbm(x / 160.0f, y / 160.0f, 5, 91);
    const float brushed = Fbm(x / 300.0f, y / 2.0f, 2, 92);
    Rgb col = Mix(Hex(0x0b1016), Hex(0x1d2a36), n * 0.8f + brushed * 0.3f);
    // A warm light from above the centre.
    const float dx = (x - 400.0f) / 420.0f, dy = (y - 230.0f) / 320.0f;
    col = col + Hex(0x4a2a14) * (0.5f * std::exp(-(dx * dx + dy * dy) * 2.0f));
    return col;
  });
  // A faint emblem: a sheriff's star in a ring.
  const float ex = 400, ey = 320, er = 170;
  c.Disc(ex, ey, er, Hex(0x3a3f48), 0.35f, 2.0f);
  c.Disc(ex, ey, er - 10, Hex(0x10161d), 0.5f, 2.0f);
  StarBadge(c, ex, ey, er - 30, Hex(0x262c34), 0.7f);
  // Rivet rows along the bands.
  for (int x = 20; x < kScreenW; x += 40) {
    c.Disc(static_cast<float>(x), kBandHeight * 0.5f, 3.5f, Hex(0x59606a), 0.8f);
    c.Disc(static_cast<float>(x), kScreenH - kBandHeight * 0.5f, 3.5f, Hex(0x59606a), 0.8f);
  }
  c.Vignette(0.6f);
  Bands(c, 0.55f);
  bool ok = true;
  Store(c, path, ok);
  return ok;
}

// The load-game screen's picture: the backdrop with four slot panels (slot k at menu y
// 370 - 79 k, 78 high: a picture box at x 95..199 and the text panel at x 203..597).
bool SlotBackdrop(const std::string& path) {
  Canvas c(kScreenW, kScreenH);
  c.Fill([](float x, float y) {
    const float n = Fbm(x / 160.0f, y / 160.0f, 4, 95);
    return Mix(Hex(0x0b1016), Hex(0x1a2632), n);
  });
  for (int k = 0; k < 4; ++k) {
    const float bottom = 370.0f - 79.0f * k;
    c.Rect(95, ScreenY(bottom + 78), 199, ScreenY(bottom), Hex(0x000000), 0.6f);
    c.Frame(93, ScreenY(bottom + 78) - 2, 201, ScreenY(bottom) + 2, 2, Hex(0x59606a), 0.9f);
    c.Rect(203, ScreenY(bottom + 78), 597, ScreenY(bottom), Hex(0x000000), 0.45f);
    c.Frame(203, ScreenY(bottom + 78), 597, ScreenY(bottom), 1, Hex(0x3a414a), 0.9f);
  }
  c.Vignette(0.5f);
  Bands(c, 0.6f);
  bool ok = true;
  Store(c, path, ok);
  return ok;
}

// The pulsing frame around the selected slot, added over the screen.
bool SelectionFrame(const std::string& path) {
  Canvas c(256, 64);
  c.Fill([](float, float) { return Rgb{}; });
  for (int i = 0; i < 6; ++i) c.Frame(i, i, 256.0f - i, 64.0f - i, 1, kAmberFrame, 1.0f - i / 6.0f);
  return c.SaveBmp(path);
}

// The pattern of the four scrolling strips. Strip i uses the texture's column i (s from 0.25 i
// to 0.25 i + 0.25) across its height, and t along its length, one repeat per unit of length.
bool StripPattern(const std::string& path) {
  const int size = 256, col = size / 4;
  Canvas c(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const int strip = x / col;
      const float across = (x % col + 0.5f) / col;  // 0..1 across the strip (height 1.2 units)
      const float along = (y + 0.5f) / size;        // 0..1 along one repeat (1 unit)
      const float edge = std::min(across, 1.0f - across) * 1.2f;
      Rgb base = Mix(Hex(0x15181d), Hex(0x2a2f36), Fbm(across * 4.0f, along * 16.0f, 3, 200u + strip, 16));
      Rgb out = base;
      if (strip == 0 || strip == 3) {
        // Hazard stripes at 45 degrees between two steel rails.
        const float diag = std::fmod(along * 2.0f + across * 1.2f * 2.0f, 1.0f);
        const bool amber = diag < 0.5f;
        if (edge > 0.18f) out = amber ? Mix(Hex(0xd88a1c), Hex(0xf0b040), 0.5f * Fbm(across * 8, along * 8, 2, 3, 8)) * 0.9f
                                      : Hex(0x121212);
      } else {
        // A dark channel with a row of glowing lamps.
        const float lamp = std::fmod(along * 4.0f, 1.0f);
        const float dx = (lamp - 0.5f) / 0.3f, dy = (across - 0.5f) / 0.18f;
        const float d = dx * dx + dy * dy;
        const Rgb glowCol = strip == 1 ? Hex(0xff9a3a) : Hex(0x4ab0ff);
        if (edge > 0.18f) out = base * 0.6f + glowCol * (0.9f * std::exp(-d * 2.0f));
      }
      // Bright rails at both edges.
      if (edge < 0.18f) out = Mix(Hex(0x8a929c), Hex(0x3a4048), SmoothStep(0.04f, 0.16f, edge));
      if (edge < 0.03f) out = Hex(0x0c0d10);
      c.Set(x, size - 1 - y, out);
    }
  return c.SaveBmp(path);
}

// The menu cursor: a triangle spanning texture (0.5, 1), (0, 0), (1, 0), its apex the tip.
bool Cursor(const std::string& path) {
  const int size = 64;
  Canvas c(size, size);
  c.Fill([&](float x, float y) {
    // Distance to the three edges of the triangle in canvas pixels (y down, apex at the top).
    const float u = x / size, v = 1.0f - y / size;        // texture coordinates
    const float left = (v - 2.0f * u) / std::sqrt(5.0f);  // edge from (0, 0) to (0.5, 1)
    const float right = (v - 2.0f * (1.0f - u)) / std::sqrt(5.0f);
    const float bottom = v;
    const float inside = std::min({-left, -right, bottom}) * size;
    const Rgb fill = Mix(Hex(0xfff2c0), Hex(0xe08a20), 1.0f - v);
    const Rgb outline = Hex(0x1a0e04), rim = Hex(0xfff8e0);
    if (inside < 3.0f) return outline;
    if (inside < 5.0f) return Mix(outline, rim, Clamp01(inside - 3.0f));
    return Mix(rim, fill, Clamp01(inside - 5.0f));
  });
  return c.SaveBmp(path);
}

// A square picture for the map intro, added over black: dark reads as transparent.
Canvas IntroFrame(const Palette& p, uint32_t seed, float sunX, float sunY) {
  const int size = 512;
  Canvas c(size, size);
  c.Fill([](float, float) { return Rgb{}; });
  const float x0 = 46, y0 = 96, x1 = 466, y1 = 400;
  Landscape(c, x0, y0, x1, y1, p, seed, sunX, sunY);
  // Soften the scene's edges into the black.
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float ex = std::min(x - x0, x1 - x), ey = std::min(y - y0, y1 - y);
      const float k = SmoothStep(0.0f, 28.0f, std::min(ex, ey));
      c.Set(x, y, c.Get(x, y) * k);
    }
  c.Frame(x0 - 10, y0 - 10, x1 + 10, y1 + 10, 2, Hex(0xc9772a), 0.9f);
  return c;
}

bool MapIntro(const std::string& path, int map) {
  static const char* const names[10] = {"DUST GULCH",  "RUST YARD",  "DRY CREEK", "IRON MESA", "COPPER PASS",
                                        "BONE CANYON", "SALT FLATS", "RED QUARRY", "ASH RIDGE", "THE LAST KEEP"};
  const bool night = map % 3 == 0;
  Palette p = night ? kNight : kDusk;
  // Each map gets its own light: from golden noon-ish to deep red dusk.
  const float warm = static_cast<float>(map % 4) / 3.0f;
  if (!night) {
    p.skyTop = Mix(Hex(0x2a3c6a), Hex(0x1b1030), warm);
    p.skyHorizon = Mix(Hex(0xe8c07a), Hex(0xe0502a), warm);
    p.haze = Mix(Hex(0xb89870), Hex(0xa04030), warm);
  }
  Canvas c = IntroFrame(p, 1000u + 17u * map, 0.25f + 0.05f * (map % 10), night ? 0.2f : 0.42f);
  // The intro scene spans x 46..466, y 96..400 of the picture; props stand near its bottom.
  Props(c, 70, 440, 390, 70.0f, 2000u + map, 2 + map % 3, p.ridgeNear * 0.5f);
  const TextStyle number{"DejaVuSansCondensed-Bold.ttf", 30, 10.0f};
  char label[16];
  std::snprintf(label, sizeof label, "MAP %d", map);
  DrawTextCentred(c, number, PlainLook(Hex(0xe8a050)), 256, 60, label);
  const TextStyle name{"DejaVuSansCondensed-BoldOblique.ttf", 52, 3.0f};
  DrawTextCentred(c, name, GoldLook(), 256, 468, names[map - 1]);
  return c.SaveBmp(path);
}

bool CareerComplete(const std::string& path) {
  const int size = 512;
  Canvas c(size, size);
  c.Fill([](float, float) { return Rgb{}; });
  c.Glow(256, 230, 230, Hex(0xa05010), 0.6f, 2.0f);
  // A sheriff's star in a ring.
  c.Disc(256, 230, 120, Hex(0xe0a040), 1.0f, 1.5f);
  c.Disc(256, 230, 108, Hex(0x2a1606), 1.0f, 1.5f);
  StarBadge(c, 256, 230, 92, Hex(0xe8b050), 1.0f);
  StarBadge(c, 256, 230, 70, Hex(0xffe2a0), 0.5f);
  c.Disc(256, 230, 14, Hex(0x8a5018), 1.0f, 1.5f);
  const TextStyle big{"DejaVuSansCondensed-BoldOblique.ttf", 46, 2.0f};
  DrawTextCentred(c, big, GoldLook(), 256, 430, "CAREER COMPLETE");
  const TextStyle sub{"DejaVuSansCondensed-Bold.ttf", 22, 6.0f};
  DrawTextCentred(c, sub, PlainLook(Hex(0xf4dcc0)), 256, 470, "THE FRONTIER IS YOURS");
  return c.SaveBmp(path);
}

}  // namespace

bool WriteScreenPictures(const std::string& dir) {
  static const int introEntries[10] = {13, 26, 27, 28, 29, 36, 37, 38, 39, 40};
  bool ok = Splash(TexturePath(dir, 16, "bmp")) && LoadingBackdrop(TexturePath(dir, 41, "bmp")) &&
            MainMenuPicture(TexturePath(dir, 15, "bmp")) && BandMask(TexturePath(dir, 1, "bmp"), 0.0f) &&
            BandMask(TexturePath(dir, 7, "bmp"), 0.08f) && Backdrop(TexturePath(dir, 22, "bmp")) &&
            StripPattern(TexturePath(dir, 5, "bmp")) && Cursor(TexturePath(dir, 14, "bmp")) &&
            CareerComplete(TexturePath(dir, 11, "bmp")) && BandMask(TexturePath(dir, 19, "bmp"), 0.0f) &&
            SelectionFrame(TexturePath(dir, 20, "bmp")) && SlotBackdrop(TexturePath(dir, 21, "bmp"));
  for (int m = 1; m <= 10 && ok; ++m) ok = MapIntro(TexturePath(dir, introEntries[m - 1], "bmp"), m);
  return ok;
}

}  // namespace makebase
