// The glyph sheet of the two fonts (base/textures/tex07.tga): 512 x 512 RGBA, a 16 x 16 grid of
// 32-pixel cells; glyph g in column g % 16, row g / 16 from the top. White ink, alpha = coverage.
// Each glyph stands in the left 20 pixels of its cell (the fonts advance 10/16 of a cell) on a
// baseline 7 pixels above the cell's bottom. Rows 0-7 hold the game's own lettering (set 0),
// rows 8-15 plain text (set 1), each for the characters 32..159 (only 32..126 have ink).
#include <algorithm>
#include <cmath>

#include "tools/makebase/pictures.h"

namespace makebase {

namespace {

constexpr int kSheet = 512;
constexpr int kCell = 32;
constexpr int kInkWidth = 20;
constexpr int kBaseline = 7;  // pixels above the cell's bottom edge

// Stamps one glyph's coverage into its cell, centred in the ink width, clipped to the cell.
void StampGlyph(Canvas& sheet, int glyph, const GlyphBitmap& g, bool stencil) {
  const int cellX = (glyph % 16) * kCell, cellY = (glyph / 16) * kCell;
  const int baselineY = cellY + kCell - kBaseline;
  const int inkW = g.width;
  int ox = cellX + (kInkWidth - static_cast<int>(std::lround(g.advance))) / 2 + g.left;
  // Keep wide glyphs inside the cell's ink area where possible.
  ox = std::max(cellX, std::min(ox, cellX + kInkWidth + 1 - inkW));
  const int oy = baselineY - g.top;
  // The stencil cut: a thin gap through the letters a little below the middle of the x-height.
  const int cutTop = baselineY - 9, cutBottom = baselineY - 7;
  for (int y = 0; y < g.rows; ++y)
    for (int x = 0; x < g.width; ++x) {
      const int px = ox + x, py = oy + y;
      if (px < cellX || px >= cellX + kCell || py < cellY || py >= cellY + kCell) continue;
      float a = g.coverage[static_cast<size_t>(y) * g.width + x] / 255.0f;
      if (stencil && py >= cutTop && py <= cutBottom) a *= (py == cutTop || py == cutBottom) ? 0.45f : 0.0f;
      if (a > sheet.Alpha(px, py)) sheet.Set(px, py, Rgb{1, 1, 1}, a);
    }
}

// Renders a glyph at the given size, or smaller when it would be wider than the ink width.
bool FittingGlyph(const char* font, int size, int code, GlyphBitmap& g) {
  for (int s = size; s >= size - 8; --s) {
    if (!RenderGlyph(font, s, static_cast<uint32_t>(code), g)) return false;
    if (g.width <= kInkWidth + 1) return true;
  }
  return true;
}

}  // namespace

bool WriteGlyphSheet(const std::string& path) {
  Canvas sheet(kSheet, kSheet);
  sheet.Fill([](float, float) { return Rgb{1, 1, 1}; });
  for (int y = 0; y < kSheet; ++y)
    for (int x = 0; x < kSheet; ++x) sheet.Set(x, y, Rgb{1, 1, 1}, 0.0f);
  for (int c = 33; c < 127; ++c) {
    GlyphBitmap plain, own;
    if (!FittingGlyph("DejaVuSansMono-Bold.ttf", 32, c, plain) ||
        !FittingGlyph("DejaVuSansCondensed-BoldOblique.ttf", 28, c, own))
      return false;
    StampGlyph(sheet, 128 + c - 32, plain, false);
    StampGlyph(sheet, c - 32, own, true);
  }
  return sheet.SaveTga(path, true);
}

}  // namespace makebase
