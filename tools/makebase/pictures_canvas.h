// A small painting kit for the generated pictures: a floating-point RGBA canvas with rows from
// the top, deterministic noise, soft shapes, FreeType text and the BMP/TGA output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace makebase {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
Rgb Hex(uint32_t rgb);  // 0xRRGGBB

float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);

// Value noise on an integer lattice; with a period > 0 the noise repeats every `period` units on
// both axes, so a texture filled with it tiles.
float Noise(float x, float y, uint32_t seed, int period = 0);
// Fractal sum of `octaves` noise layers, 0..1; the period doubles with each octave.
float Fbm(float x, float y, int octaves, uint32_t seed, int period = 0);
// A hash of integer coordinates into 0..1.
float Hash01(int x, int y, uint32_t seed);

// An alpha-only layer (coverage 0..1), rows from the top.
struct Mask {
  int w = 0, h = 0;
  std::vector<float> a;
  Mask(int width, int height) : w(width), h(height), a(static_cast<size_t>(width) * height, 0.0f) {}
  float& at(int x, int y) { return a[static_cast<size_t>(y) * w + x]; }
  float get(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : a[static_cast<size_t>(y) * w + x]; }
};
// Three box-blur passes of the given radius (close to a Gaussian).
void Blur(Mask& m, int radius);

class Canvas {
 public:
  Canvas(int width, int height);
  int w() const { return w_; }
  int h() const { return h_; }
  Rgb Get(int x, int y) const;
  float Alpha(int x, int y) const { return a_[Index(x, y)]; }
  void Set(int x, int y, Rgb c, float alpha = 1.0f);
  // Mixes colour c over the pixel with weight k (0..1); the alpha channel grows the same way.
  void Over(int x, int y, Rgb c, float k);
  // Adds light.
  void Add(int x, int y, Rgb c, float k);

  template <typename F>  // F(x, y) -> Rgb; x, y pixel centres
  void Fill(F f) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) Set(x, y, f(x + 0.5f, y + 0.5f));
  }
  // Applies colour c through a mask (offset by dx, dy) at the given strength.
  void Paint(const Mask& m, Rgb c, float strength = 1.0f, int dx = 0, int dy = 0, bool additive = false);

  void Rect(float x0, float y0, float x1, float y1, Rgb c, float k = 1.0f);
  // A rectangle outline of the given thickness, inside the box.
  void Frame(float x0, float y0, float x1, float y1, float thickness, Rgb c, float k = 1.0f);
  // Soft-edged disc: full strength inside r - soft, fading to zero at r.
  void Disc(float cx, float cy, float r, Rgb c, float k = 1.0f, float soft = 1.0f);
  // A filled polygon (even-odd rule), anti-aliased by 4 x 4 samples per pixel.
  void Polygon(const std::vector<float>& xy, Rgb c, float k = 1.0f);
  void Line(float x0, float y0, float x1, float y1, float width, Rgb c, float k = 1.0f);
  // Radial glow added on top: strength k at the centre falling off as (1 - d/r)^power.
  void Glow(float cx, float cy, float r, Rgb c, float k, float power = 2.0f);
  // Darkens towards the edges.
  void Vignette(float strength, float power = 2.0f);

  // The canvas resampled to another size by averaging the area each new pixel covers (full-screen
  // pictures are painted at the screen's shape and stored at a power-of-two size).
  Canvas Resampled(int width, int height) const;

  // Output: rows are written bottom-up, as the game's readers expect.
  bool SaveBmp(const std::string& path) const;
  bool SaveTga(const std::string& path, bool withAlpha = true) const;

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * w_ + x; }
  int w_, h_;
  std::vector<Rgb> c_;
  std::vector<float> a_;
};

// Text rendered with FreeType from a font of the DejaVu family (file name within DUN_FONT_DIR).
struct TextStyle {
  const char* font = "DejaVuSans-Bold.ttf";
  int pixelSize = 32;
  float tracking = 0.0f;  // extra pixels between letters
};
// Renders text into a mask with its baseline at y and starting at x; returns the advance width.
// With measureOnly nothing is drawn.
float RenderText(Mask& m, const TextStyle& style, float x, float y, const std::string& text, bool measureOnly = false);
float TextWidth(const TextStyle& style, const std::string& text);

// Text painted onto a canvas: an optional soft dark shadow, an optional coloured glow, then the
// letters with a vertical gradient from top colour to bottom colour.
struct TextLook {
  Rgb top{1, 1, 1};
  Rgb bottom{1, 1, 1};
  float shadow = 0.0f;  // strength of a blurred dark shadow below right
  Rgb glow{0, 0, 0};
  float glowRadius = 0.0f;
  float outline = 0.0f;  // width of a dark outline in pixels
};
void DrawText(Canvas& c, const TextStyle& style, const TextLook& look, float x, float baseline,
              const std::string& text);
void DrawTextCentred(Canvas& c, const TextStyle& style, const TextLook& look, float cx, float baseline,
                     const std::string& text);

// A single glyph's coverage bitmap, for the glyph sheet.
struct GlyphBitmap {
  int width = 0, rows = 0, left = 0, top = 0;  // top: rows above the baseline
  float advance = 0;
  std::vector<uint8_t> coverage;
};
bool RenderGlyph(const char* font, int pixelSize, uint32_t code, GlyphBitmap& out);

}  // namespace makebase
