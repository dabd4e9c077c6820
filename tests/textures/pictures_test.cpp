// The picture generator: canvas output orientation, tiling noise, the glyph sheet's layout, the
// whole picture set as the game loads it, and repeatable output.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/bmp_file.h"
#include "engine/formats/tga_file.h"
#include "tools/makebase/makebase.h"
#include "tools/makebase/pictures.h"

namespace {

using makebase::Canvas;
using makebase::Rgb;

std::string OutDir(const std::string& name) { return std::string(DUN_BINARY_DIR) + "/test-output/pictures/" + name; }

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

TEST(PictureCanvas, SavedFilesHoldTheTopRowLastAndKeepAlpha) {
  Canvas c(2, 2);
  c.Set(0, 0, Rgb{1, 0, 0}, 1.0f);  // top left
  c.Set(1, 0, Rgb{1, 0, 0}, 1.0f);
  c.Set(0, 1, Rgb{0, 0, 1}, 0.5f);  // bottom left
  c.Set(1, 1, Rgb{0, 0, 1}, 0.0f);
  ASSERT_TRUE(c.SaveBmp(OutDir("orient.bmp")));
  ASSERT_TRUE(c.SaveTga(OutDir("orient.tga")));
  RgbImage bmp;
  ASSERT_TRUE(ReadBmpFile(OutDir("orient.bmp"), bmp));
  EXPECT_EQ(bmp.pixels[2], 255);  // first stored row: the bottom, blue
  EXPECT_EQ(bmp.pixels[6], 255);  // second row: the top, red
  TgaImage tga;
  ASSERT_TRUE(ReadTgaFile(OutDir("orient.tga"), tga));
  ASSERT_EQ(tga.components, 4);
  EXPECT_EQ(tga.pixels[2], 255);
  EXPECT_EQ(tga.pixels[3], 128);
  EXPECT_EQ(tga.pixels[7], 0);
  EXPECT_EQ(tga.pixels[8], 255);
  EXPECT_EQ(tga.pixels[11], 255);
}

TEST(PictureCanvas, PeriodicNoiseTilesAndStaysInRange) {
  for (float x = 0.1f; x < 8.0f; x += 0.73f)
    for (float y = 0.3f; y < 8.0f; y += 0.91f) {
      const float v = makebase::Fbm(x, y, 4, 5, 8);
      EXPECT_GE(v, 0.0f);
      EXPECT_LE(v, 1.0f);
      EXPECT_NEAR(v, makebase::Fbm(x + 8.0f, y, 4, 5, 8), 1e-5f);
      EXPECT_NEAR(v, makebase::Fbm(x, y - 16.0f, 4, 5, 8), 1e-5f);
    }
}

TEST(PictureCanvas, ResamplingAveragesArea) {
  Canvas c(4, 2);
  for (int x = 0; x < 4; ++x) {
    c.Set(x, 0, Rgb{x < 2 ? 1.0f : 0.0f, 0, 0});
    c.Set(x, 1, Rgb{0, 0, 0});
  }
  const Canvas small = c.Resampled(2, 1);
  EXPECT_NEAR(small.Get(0, 0).r, 0.5f, 1e-5f);
  EXPECT_NEAR(small.Get(1, 0).r, 0.0f, 1e-5f);
}

// Coverage of glyph g's cell, as a 32 x 32 block with rows from the top.
std::vector<int> Cell(const TgaImage& sheet, int glyph) {
  std::vector<int> cell(32 * 32);
  const int cx = (glyph % 16) * 32, cyTop = (glyph / 16) * 32;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int storedRow = sheet.height - 1 - (cyTop + y);
      cell[y * 32 + x] = sheet.pixels[(static_cast<size_t>(storedRow) * sheet.width + cx + x) * 4 + 3];
    }
  return cell;
}

class GeneratedPictures : public ::testing::Test {
 protected:
  static std::string Texture(int n, const char* ext) { return makebase::TexturePath(std::string(DUN_DATA_DIR) + "/base/textures", n, ext); }
};

TEST_F(GeneratedPictures, GlyphSheetHasWhiteInkInTheLeftOfEachCellOnOneBaseline) {
  TgaImage sheet;
  ASSERT_TRUE(ReadTgaFile(Texture(7, "tga"), sheet));
  ASSERT_EQ(sheet.width, 512);
  ASSERT_EQ(sheet.height, 512);
  ASSERT_EQ(sheet.components, 4);
  for (size_t i = 0; i < sheet.pixels.size(); i += 4) ASSERT_EQ(sheet.pixels[i], 255) << "ink is white";
  for (int set = 0; set < 2; ++set) {
    for (int c = 32; c < 160; ++c) {
      const std::vector<int> cell = Cell(sheet, c - 32 + 128 * set);
      int ink = 0, right = 0;
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
          ink += cell[y * 32 + x];
          if (x >= 23) right += cell[y * 32 + x];
        }
      if (c == 32 || c >= 127) {
        EXPECT_EQ(ink, 0) << "blank glyph " << c << " set " << set;
      } else {
        EXPECT_GT(ink, 0) << c;
        EXPECT_EQ(right, 0) << "ink beyond the advance, char " << c << " set " << set;
      }
    }
    // 'H' stands on the baseline, 7 pixels above the cell's bottom; 'g' reaches below it.
    const std::vector<int> h = Cell(sheet, 'H' - 32 + 128 * set);
    int lowestH = 0, lowestG = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (h[y * 32 + x] > 128) lowestH = y;
    const std::vector<int> g = Cell(sheet, 'g' - 32 + 128 * set);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (g[y * 32 + x] > 128) lowestG = y;
    EXPECT_EQ(lowestH, 32 - 7 - 1) << set;
    EXPECT_GT(lowestG, lowestH + 3) << set;
  }
  EXPECT_NE(Cell(sheet, 'A' - 32), Cell(sheet, 'A' - 32 + 128)) << "the two sets differ";
}

TEST_F(GeneratedPictures, EveryPictureTheGameLoadsIsThereInItsFormat) {
  for (int n = 0; n <= 60; ++n) {
    RgbImage img;
    ASSERT_TRUE(ReadBmpFile(Texture(n, "bmp"), img)) << n;
    EXPECT_TRUE(PowerOfTwo(img.width) && PowerOfTwo(img.height)) << n;
  }
  for (int n = 0; n <= 10; ++n) {
    TgaImage img;
    ASSERT_TRUE(ReadTgaFile(Texture(n, "tga"), img)) << n;
    EXPECT_EQ(img.components, 4) << n;
    EXPECT_TRUE(PowerOfTwo(img.width) && PowerOfTwo(img.height)) << n;
  }
  int side = 0;
  for (const char* face : {"right", "left", "top", "bottom", "back", "front"}) {
    RgbImage img;
    ASSERT_TRUE(ReadBmpFile(std::string(DUN_DATA_DIR) + "/textures/" + face + ".bmp", img)) << face;
    EXPECT_EQ(img.width, img.height) << face;
    if (side == 0) side = img.width;
    EXPECT_EQ(img.width, side) << face;
  }
}

TEST_F(GeneratedPictures, PicturesAreDrawnForTheirBlendModes) {
  // Solid black for the fades.
  RgbImage black;
  ASSERT_TRUE(ReadBmpFile(Texture(10, "bmp"), black));
  for (uint8_t v : black.pixels) ASSERT_EQ(v, 0);
  // The additive crosshair and halo are black at the corners and bright in the middle.
  for (int n : {6, 23}) {
    RgbImage img;
    ASSERT_TRUE(ReadBmpFile(Texture(n, "bmp"), img));
    EXPECT_LT(img.pixels[0] + img.pixels[1] + img.pixels[2], 6) << n;
    const size_t mid = (static_cast<size_t>(img.height / 2) * img.width + img.width / 2) * 3;
    EXPECT_GT(img.pixels[mid] + img.pixels[mid + 1] + img.pixels[mid + 2], 600) << n;
  }
  // The main-menu mask is white in the bands and dark in the middle.
  RgbImage mask;
  ASSERT_TRUE(ReadBmpFile(Texture(1, "bmp"), mask));
  const auto at = [&](int x, int row) { return mask.pixels[(static_cast<size_t>(row) * mask.width + x) * 3]; };
  EXPECT_GT(at(mask.width / 2, 10), 200);
  EXPECT_GT(at(mask.width / 2, mask.height - 10), 200);
  EXPECT_LT(at(mask.width / 2, mask.height / 2), 30);
}

TEST(PictureGenerator, WritesTheSameFilesEveryTime) {
  const std::string a = OutDir("run_a"), b = OutDir("run_b");
  ASSERT_TRUE(makebase::WritePictures(a));
  ASSERT_TRUE(makebase::WritePictures(b));
  for (const char* rel : {"/base/textures/tex07.tga", "/base/textures/tex15.bmp", "/base/textures/tex50.bmp",
                          "/base/textures/tex05.tga", "/textures/top.bmp"}) {
    std::vector<uint8_t> fa, fb;
    ASSERT_TRUE(ReadWholeFile(a + rel, fa)) << rel;
    ASSERT_TRUE(ReadWholeFile(b + rel, fb)) << rel;
    EXPECT_TRUE(fa == fb) << rel;
  }
}

}  // namespace
