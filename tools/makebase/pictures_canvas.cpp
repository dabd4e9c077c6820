#include "tools/makebase/pictures_canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/formats/bmp_file.h"
#include "engine/formats/tga_file.h"

#ifndef DUN_FONT_DIR
#define DUN_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace makebase {

Rgb Hex(uint32_t rgb) {
  return {static_cast<float>((rgb >> 16) & 255) / 255.0f, static_cast<float>((rgb >> 8) & 255) / 255.0f,
          static_cast<float>(rgb & 255) / 255.0f};
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float SmoothStep(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}

namespace {

uint32_t HashInt(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h;
}

int Wrap(int v, int period) {
  if (period <= 0) return v;
  v %= period;
  return v < 0 ? v + period : v;
}

}  // namespace

float Hash01(int x, int y, uint32_t seed) { return static_cast<float>(HashInt(x, y, seed) & 0xffffff) / 16777215.0f; }

float Noise(float x, float y, uint32_t seed, int period) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const float tx = x - fx, ty = y - fy;
  const float sx = tx * tx * (3.0f - 2.0f * tx), sy = ty * ty * (3.0f - 2.0f * ty);
  const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
  const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
  const float a = Hash01(x0, y0, seed), b = Hash01(x1, y0, seed);
  const float c = Hash01(x0, y1, seed), d = Hash01(x1, y1, seed);
  const float top = a + (b - a) * sx, bottom = c + (d - c) * sx;
  return top + (bottom - top) * sy;
}

float Fbm(float x, float y, int octaves, uint32_t seed, int period) {
  float sum = 0.0f, amp = 0.5f, norm = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    sum += Noise(x, y, seed + 101u * o, period) * amp;
    norm += amp;
    amp *= 0.5f;
    x *= 2.0f;
    y *= 2.0f;
    if (period > 0) period *= 2;
  }
  return sum / norm;
}

void Blur(Mask& m, int radius) {
  if (radius <= 0) return;
  std::vector<float> tmp(m.a.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < m.h; ++y) {  // horizontal
      float sum = 0.0f;
      for (int x = -radius; x <= radius; ++x) sum += m.get(x, y);
      for (int x = 0; x < m.w; ++x) {
        tmp[static_cast<size_t>(y) * m.w + x] = sum / (2 * radius + 1);
        sum += m.get(x + radius + 1, y) - m.get(x - radius, y);
      }
    }
    m.a.swap(tmp);
    for (int x = 0; x < m.w; ++x) {  // vertical
      float sum = 0.0f;
      for (int y = -radius; y <= radius; ++y) sum += m.get(x, y);
      for (int y = 0; y < m.h; ++y) {
        tmp[static_cast<size_t>(y) * m.w + x] = sum / (2 * radius + 1);
        sum += m.get(x, y + radius + 1) - m.get(x, y - radius);
      }
    }
    m.a.swap(tmp);
  }
}

Canvas::Canvas(int width, int height)
    : w_(width), h_(height), c_(static_cast<size_t>(width) * height), a_(static_cast<size_t>(width) * height, 0.0f) {}

Rgb Canvas::Get(int x, int y) const { return c_[Index(x, y)]; }

void Canvas::Set(int x, int y, Rgb c, float alpha) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  c_[Index(x, y)] = c;
  a_[Index(x, y)] = alpha;
}

void Canvas::Over(int x, int y, Rgb c, float k) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_ || k <= 0.0f) return;
  k = Clamp01(k);
  const size_t i = Index(x, y);
  c_[i] = Mix(c_[i], c, k);
  a_[i] = a_[i] + (1.0f - a_[i]) * k;
}

void Canvas::Add(int x, int y, Rgb c, float k) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_ || k <= 0.0f) return;
  const size_t i = Index(x, y);
  c_[i] = c_[i] + c * k;
}

void Canvas::Paint(const Mask& m, Rgb c, float strength, int dx, int dy, bool additive) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      const float k = m.a[static_cast<size_t>(y) * m.w + x] * strength;
      if (k <= 0.0f) continue;
      if (additive)
        Add(x + dx, y + dy, c, k);
      else
        Over(x + dx, y + dy, c, k);
    }
}

void Canvas::Rect(float x0, float y0, float x1, float y1, Rgb c, float k) {
  const int ix0 = std::max(0, static_cast<int>(std::floor(x0))), ix1 = std::min(w_, static_cast<int>(std::ceil(x1)));
  const int iy0 = std::max(0, static_cast<int>(std::floor(y0))), iy1 = std::min(h_, static_cast<int>(std::ceil(y1)));
  for (int y = iy0; y < iy1; ++y)
    for (int x = ix0; x < ix1; ++x) {
      // Partial coverage at fractional edges.
      const float cx = Clamp01(std::min(x + 1.0f, x1) - std::max(static_cast<float>(x), x0));
      const float cy = Clamp01(std::min(y + 1.0f, y1) - std::max(static_cast<float>(y), y0));
      Over(x, y, c, k * cx * cy);
    }
}

void Canvas::Frame(float x0, float y0, float x1, float y1, float t, Rgb c, float k) {
  Rect(x0, y0, x1, y0 + t, c, k);
  Rect(x0, y1 - t, x1, y1, c, k);
  Rect(x0, y0 + t, x0 + t, y1 - t, c, k);
  Rect(x1 - t, y0 + t, x1, y1 - t, c, k);
}

void Canvas::Disc(float cx, float cy, float r, Rgb c, float k, float soft) {
  const int x0 = std::max(0, static_cast<int>(cx - r - 1)), x1 = std::min(w_ - 1, static_cast<int>(cx + r + 1));
  const int y0 = std::max(0, static_cast<int>(cy - r - 1)), y1 = std::min(h_ - 1, static_cast<int>(cy + r + 1));
  soft = std::max(soft, 0.5f);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      const float cov = Clamp01((r - d) / soft);
      if (cov > 0.0f) Over(x, y, c, k * cov);
    }
}

void Canvas::Polygon(const std::vector<float>& xy, Rgb c, float k) {
  const size_t n = xy.size() / 2;
  if (n < 3) return;
  float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
  for (size_t i = 1; i < n; ++i) {
    minX = std::min(minX, xy[2 * i]);
    maxX = std::max(maxX, xy[2 * i]);
    minY = std::min(minY, xy[2 * i + 1]);
    maxY = std::max(maxY, xy[2 * i + 1]);
  }
  const auto inside = [&](float px, float py) {
    bool in = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
      if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
  for (int y = std::max(0, static_cast<int>(minY)); y <= std::min(h_ - 1, static_cast<int>(maxY)); ++y)
    for (int x = std::max(0, static_cast<int>(minX)); x <= std::min(w_ - 1, static_cast<int>(maxX)); ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5f) / 4.0f, y + (sy + 0.5f) / 4.0f) ? 1 : 0;
      if (hits) Over(x, y, c, k * hits / 16.0f);
    }
}

void Canvas::Line(float x0, float y0, float x1, float y1, float width, Rgb c, float k) {
  const float half = width * 0.5f;
  const int bx0 = std::max(0, static_cast<int>(std::min(x0, x1) - half - 2));
  const int bx1 = std::min(w_ - 1, static_cast<int>(std::max(x0, x1) + half + 2));
  const int by0 = std::max(0, static_cast<int>(std::min(y0, y1) - half - 2));
  const int by1 = std::min(h_ - 1, static_cast<int>(std::max(y0, y1) + half + 2));
  const float dx = x1 - x0, dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  for (int y = by0; y <= by1; ++y)
    for (int x = bx0; x <= bx1; ++x) {
      const float px = x + 0.5f - x0, py = y + 0.5f - y0;
      const float t = len2 > 0.0f ? Clamp01((px * dx + py * dy) / len2) : 0.0f;
      const float d = std::hypot(px - t * dx, py - t * dy);
      const float cov = Clamp01(half + 0.5f - d);
      if (cov > 0.0f) Over(x, y, c, k * cov);
    }
}

void Canvas::Glow(float cx, float cy, float r, Rgb c, float k, float power) {
  const int x0 = std::max(0, static_cast<int>(cx - r)), x1 = std::min(w_ - 1, static_cast<int>(cx + r));
  const int y0 = std::max(0, static_cast<int>(cy - r)), y1 = std::min(h_ - 1, static_cast<int>(cy + r));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
      if (d < 1.0f) Add(x, y, c, k * std::pow(1.0f - d, power));
    }
}

void Canvas::Vignette(float strength, float power) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const float u = (x + 0.5f) / w_ * 2.0f - 1.0f, v = (y + 0.5f) / h_ * 2.0f - 1.0f;
      const float d = Clamp01(std::pow((u * u + v * v) * 0.5f, power * 0.5f));
      const size_t i = Index(x, y);
      c_[i] = c_[i] * (1.0f - strength * d);
    }
}

Canvas Canvas::Resampled(int width, int height) const {
  Canvas out(width, height);
  const float sx = static_cast<float>(w_) / width, sy = static_cast<float>(h_) / height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float fx0 = x * sx, fx1 = (x + 1) * sx, fy0 = y * sy, fy1 = (y + 1) * sy;
      Rgb sum;
      float alpha = 0.0f, weight = 0.0f;
      for (int py = static_cast<int>(fy0); py < h_ && py < fy1; ++py) {
        const float wy = std::min(fy1, py + 1.0f) - std::max(fy0, static_cast<float>(py));
        for (int px = static_cast<int>(fx0); px < w_ && px < fx1; ++px) {
          const float wgt = wy * (std::min(fx1, px + 1.0f) - std::max(fx0, static_cast<float>(px)));
          sum = sum + c_[Index(px, py)] * wgt;
          alpha += a_[Index(px, py)] * wgt;
          weight += wgt;
        }
      }
      if (weight > 0.0f) out.Set(x, y, sum * (1.0f / weight), alpha / weight);
    }
  return out;
}

namespace {

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

}  // namespace

bool Canvas::SaveBmp(const std::string& path) const {
  RgbImage image;
  image.width = w_;
  image.height = h_;
  image.pixels.resize(static_cast<size_t>(w_) * h_ * 3);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const Rgb c = c_[Index(x, h_ - 1 - y)];
      uint8_t* p = &image.pixels[(static_cast<size_t>(y) * w_ + x) * 3];
      p[0] = ToByte(c.r);
      p[1] = ToByte(c.g);
      p[2] = ToByte(c.b);
    }
  return WriteBmpFile(path, image);
}

bool Canvas::SaveTga(const std::string& path, bool withAlpha) const {
  TgaImage image;
  image.width = w_;
  image.height = h_;
  image.components = withAlpha ? 4 : 3;
  image.pixels.resize(static_cast<size_t>(w_) * h_ * image.components);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const size_t src = Index(x, h_ - 1 - y);
      uint8_t* p = &image.pixels[(static_cast<size_t>(y) * w_ + x) * image.components];
      p[0] = ToByte(c_[src].r);
      p[1] = ToByte(c_[src].g);
      p[2] = ToByte(c_[src].b);
      if (withAlpha) p[3] = ToByte(a_[src]);
    }
  return WriteTgaFile(path, image);
}

// ---- FreeType text ----

namespace {

struct FontLibrary {
  FT_Library lib = nullptr;
  std::map<std::string, FT_Face> faces;
  FontLibrary() {
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
  }
  ~FontLibrary() {
    for (auto& f : faces) FT_Done_Face(f.second);
    if (lib) FT_Done_FreeType(lib);
  }
  FT_Face Face(const char* file, int pixelSize) {
    if (!lib) return nullptr;
    auto it = faces.find(file);
    FT_Face face = nullptr;
    if (it == faces.end()) {
      const std::string path = std::string(DUN_FONT_DIR) + "/" + file;
      if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) face = nullptr;
      faces[file] = face;
    } else {
      face = it->second;
    }
    if (face && FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) return nullptr;
    return face;
  }
};

FontLibrary& Fonts() {
  static FontLibrary fonts;
  return fonts;
}

}  // namespace

bool RenderGlyph(const char* font, int pixelSize, uint32_t code, GlyphBitmap& out) {
  FT_Face face = Fonts().Face(font, pixelSize);
  if (!face || FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return false;
  const FT_GlyphSlot g = face->glyph;
  out.width = static_cast<int>(g->bitmap.width);
  out.rows = static_cast<int>(g->bitmap.rows);
  out.left = g->bitmap_left;
  out.top = g->bitmap_top;
  out.advance = static_cast<float>(g->advance.x) / 64.0f;
  out.coverage.assign(static_cast<size_t>(out.width) * out.rows, 0);
  for (int y = 0; y < out.rows; ++y)
    for (int x = 0; x < out.width; ++x)
      out.coverage[static_cast<size_t>(y) * out.width + x] = g->bitmap.buffer[y * g->bitmap.pitch + x];
  return true;
}

float RenderText(Mask& m, const TextStyle& style, float x, float y, const std::string& text, bool measureOnly) {
  float pen = x;
  for (unsigned char ch : text) {
    GlyphBitmap g;
    if (!RenderGlyph(style.font, style.pixelSize, ch, g)) continue;
    if (!measureOnly) {
      const int ox = static_cast<int>(std::lround(pen)) + g.left;
      const int oy = static_cast<int>(std::lround(y)) - g.top;
      for (int gy = 0; gy < g.rows; ++gy)
        for (int gx = 0; gx < g.width; ++gx) {
          const int px = ox + gx, py = oy + gy;
          if (px < 0 || py < 0 || px >= m.w || py >= m.h) continue;
          float& a = m.at(px, py);
          a = std::min(1.0f, a + g.coverage[static_cast<size_t>(gy) * g.width + gx] / 255.0f);
        }
    }
    pen += g.advance + style.tracking;
  }
  return pen - x - (text.empty() ? 0.0f : style.tracking);
}

float TextWidth(const TextStyle& style, const std::string& text) {
  Mask none(1, 1);
  return RenderText(none, style, 0, 0, text, true);
}

void DrawText(Canvas& c, const TextStyle& style, const TextLook& look, float x, float baseline,
              const std::string& text) {
  Mask m(c.w(), c.h());
  RenderText(m, style, x, baseline, text);
  if (look.shadow > 0.0f) {
    Mask s = m;
    Blur(s, std::max(1, style.pixelSize / 16));
    c.Paint(s, Rgb{0, 0, 0}, look.shadow, std::max(1, style.pixelSize / 20), std::max(1, style.pixelSize / 20));
  }
  if (look.glowRadius > 0.0f) {
    Mask g = m;
    Blur(g, static_cast<int>(look.glowRadius));
    c.Paint(g, look.glow, 1.6f, 0, 0, true);
  }
  if (look.outline > 0.0f) {
    Mask o = m;
    Blur(o, static_cast<int>(std::ceil(look.outline)));
    for (float& a : o.a) a = Clamp01(a * 4.0f);
    c.Paint(o, Rgb{0.02f, 0.02f, 0.03f}, 0.9f);
  }
  // The letters, with a vertical gradient over the cap height.
  const float capTop = baseline - style.pixelSize * 0.75f;
  for (int y = 0; y < m.h; ++y) {
    const float t = Clamp01((y - capTop) / (baseline - capTop));
    const Rgb col = Mix(look.top, look.bottom, t);
    for (int x = 0; x < m.w; ++x) {
      const float a = m.a[static_cast<size_t>(y) * m.w + x];
      if (a > 0.0f) c.Over(x, y, col, a);
    }
  }
}

void DrawTextCentred(Canvas& c, const TextStyle& style, const TextLook& look, float cx, float baseline,
                     const std::string& text) {
  DrawText(c, style, look, cx - TextWidth(style, text) * 0.5f, baseline, text);
}

}  // namespace makebase
