#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/formats/tga_file.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "texture_gl_fixture.h"

namespace {

constexpr int kLit = 180;  // channel sum counted as ink

// The lit pixels of the whole frame, rows from the top.
std::vector<bool> LitMask(const std::vector<uint8_t>& rgb) {
  std::vector<bool> lit(rgb.size() / 3);
  for (size_t i = 0; i < lit.size(); ++i) lit[i] = rgb[3 * i] + rgb[3 * i + 1] + rgb[3 * i + 2] > kLit;
  return lit;
}

class TextGlTest : public TextureGlTest {
 protected:
  // Draws one print on black and returns the lit pixels.
  template <typename Print>
  std::vector<bool> Render(Print print) {
    glClear(GL_COLOR_BUFFER_BIT);
    print();
    return LitMask(ReadPixels());
  }
  static bool LitAt(const std::vector<bool>& lit, int x, int y) { return lit[static_cast<size_t>(Height() - 1 - y) * Width() + x]; }
  // Lit pixels inside the box x0..x1-1, y0..y1-1 (y up).
  static int CountLit(const std::vector<bool>& lit, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += LitAt(lit, x, y) ? 1 : 0;
    return n;
  }
};

TEST_F(TextGlTest, PrintLargeLightsTheGlyphStemsAndNothingElse) {
  const std::vector<bool> lit = Render([] { PrintLarge(100, 300, 1, "HI"); });
  const int total = CountLit(lit, 0, 0, Width(), Height());
  EXPECT_EQ(CountLit(lit, 100, 300, 100 + 18 + 24, 324), total) << "ink only inside the two glyph squares";
  // Columns of 'H' (x 100..117): two stems, each lit over most of the cap height, with a gap of
  // columns lit only by the crossbar between them.
  std::vector<int> column(18);
  for (int x = 0; x < 18; ++x) column[x] = CountLit(lit, 100 + x, 300, 101 + x, 324);
  int stems = 0;
  bool inStem = false;
  for (int c : column) {
    const bool tall = c >= 12;
    if (tall && !inStem) ++stems;
    inStem = tall;
  }
  EXPECT_EQ(stems, 2);
  // 'I' is one stem in the middle of its square.
  int tallColumns = 0;
  for (int x = 118; x < 142; ++x) tallColumns += CountLit(lit, x, 300, x + 1, 324) >= 12 ? 1 : 0;
  EXPECT_GE(tallColumns, 2);
  EXPECT_LE(tallColumns, 5);
  // The baseline stands 7/32 of the glyph square above y: the bottom rows stay dark.
  EXPECT_EQ(CountLit(lit, 100, 300, 142, 304), 0);
}

TEST_F(TextGlTest, EveryPrintLeavesTheAdditiveBlendDepthTestAndBalancedMatrices) {
  int mv0, pr0, tx0;
  StackDepths(mv0, pr0, tx0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1.0f, 2.0f, 3.0f);
  GLfloat before[16], projBefore[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  glGetFloatv(GL_PROJECTION_MATRIX, projBefore);
  const auto check = [&](const char* what) {
    GLint src = 0, dst = 0, mode = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(src, GL_ONE) << what;
    EXPECT_EQ(dst, GL_ONE) << what;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << what;
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << what;
    EXPECT_EQ(mode, GL_MODELVIEW) << what;
    int mv, pr, tx;
    StackDepths(mv, pr, tx);
    EXPECT_EQ(mv, mv0) << what;
    EXPECT_EQ(pr, pr0) << what;
    GLfloat after[16], projAfter[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetFloatv(GL_PROJECTION_MATRIX, projAfter);
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(after[i], before[i]) << what;
      EXPECT_EQ(projAfter[i], projBefore[i]) << what;
    }
    EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR)) << what;
  };
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  PrintSmall(10, 10, 0.5f, 1, "FPS:%2i", 60);
  check("PrintSmall");
  glBlendFunc(GL_ZERO, GL_ZERO);
  PrintLarge(10, 10, 0, "%s", "SCORE");
  check("PrintLarge");
  PrintLarge(10, 10, 1, "%s", "");
  check("empty text");
}

TEST_F(TextGlTest, CharacterSetsAboveOneUseSetOneAndBelowZeroSetZero) {
  const auto set0 = Render([] { PrintSmall(50, 200, 1.0f, 0, "Dunmarrow 42"); });
  const auto set1 = Render([] { PrintSmall(50, 200, 1.0f, 1, "Dunmarrow 42"); });
  const auto set5 = Render([] { PrintSmall(50, 200, 1.0f, 5, "Dunmarrow 42"); });
  const auto setNeg = Render([] { PrintSmall(50, 200, 1.0f, -3, "Dunmarrow 42"); });
  EXPECT_NE(set0, set1);
  EXPECT_EQ(set5, set1);
  EXPECT_EQ(setNeg, set0);
  EXPECT_GT(CountLit(set1, 50, 200, 50 + 12 * 10 + 6, 216), 50);
}

TEST_F(TextGlTest, CharactersOutsideThePrintableRangeOnlyAdvance) {
  const auto spaced = Render([] { PrintLarge(100, 100, 1, "A B"); });
  const auto control = Render([] { PrintLarge(100, 100, 1, "A\x01" "B"); });
  const auto high = Render([] { PrintLarge(100, 100, 1, "A\xC8" "B"); });
  EXPECT_EQ(control, spaced);
  EXPECT_EQ(high, spaced);
}

TEST_F(TextGlTest, LongTextIsCutAfter255Characters) {
  // 254 blanks then "XY": X is character 255 and lands at x 0; Y would be the 256th.
  const std::string blanks(254, ' ');
  const auto lit = Render([&] { PrintSmall(-2540, 300, 1.0f, 1, "%sXY%s", blanks.c_str(), blanks.c_str()); });
  EXPECT_GT(CountLit(lit, 0, 300, 10, 316), 5);
  EXPECT_EQ(CountLit(lit, 10, 300, Width(), 316), 0);
}

TEST_F(TextGlTest, TextKeepsItsPlaceInASmallerWindow) {
  glViewport(0, 0, 400, 300);
  const auto lit = Render([] { PrintLarge(670, 500, 1, "W"); });
  glViewport(0, 0, Width(), Height());
  // Menu (670, 500) is (335, 250) in a half-size viewport; the glyph is 12 pixels square there.
  EXPECT_GT(CountLit(lit, 335, 250, 347, 262), 5);
  EXPECT_EQ(CountLit(lit, 0, 0, Width(), Height()), CountLit(lit, 335, 250, 347, 262));
}

// A glyph drawn at any window size shows its own cell of the sheet and nothing of the cells around
// it: on a sheet where every other cell is solid ink, the empty glyph stays dark in both fonts at
// the menu's window sizes (and larger and smaller ones), at places that fall between pixels.
TEST_F(TextGlTest, AScaledGlyphDrawsNothingOfTheNeighbouringCells) {
  constexpr int kSheet = 512, kCell = 32;
  constexpr int kEmpty = 'Y' - 32 + 128;  // set 1's 'Y': column 9, row 11 from the top
  TgaImage probe;
  probe.width = probe.height = kSheet;
  probe.components = 4;
  probe.pixels.assign(static_cast<size_t>(kSheet) * kSheet * 4, 255);
  const int top = kSheet - kCell * (kEmpty / 16);  // rows are stored bottom-up
  for (int y = top - kCell; y < top; ++y)
    for (int x = kCell * (kEmpty % 16); x < kCell * (kEmpty % 16 + 1); ++x)
      probe.pixels[(static_cast<size_t>(y) * kSheet + x) * 4 + 3] = 0;
  const std::string path = std::string(DUN_TEST_OUTPUT_DIR) + "/glyph_probe_sheet.tga";
  ASSERT_TRUE(WriteTgaFile(path, probe));
  ASSERT_TRUE(tgaTextures[7].LoadTGA(path.c_str()));

  const auto anyLight = [](const std::vector<uint8_t>& rgb) {
    int n = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) n += rgb[i] + rgb[i + 1] + rgb[i + 2] > 12 ? 1 : 0;
    return n;
  };
  glClear(GL_COLOR_BUFFER_BIT);
  PrintLarge(100, 100, 1, "X");
  EXPECT_GT(anyLight(ReadPixels()), 300) << "a solid cell draws";
  const int sizes[][2] = {{640, 480}, {1024, 768}, {1280, 1024}, {1600, 1200}, {400, 300}, {800, 600}};
  for (const auto& size : sizes) {
    glViewport(0, 0, size[0], size[1]);
    glClear(GL_COLOR_BUFFER_BIT);
    // Places within the part of the menu space that every viewport here shows.
    for (int k = 0; k < 5; ++k) {
      PrintLarge(7 + 61 * k, 9 + 13 * k, 1, "YY");
      PrintSmall(11 + 53 * k, 150 + 23 * k, 1.0f, 1, "YYY");
    }
    const std::vector<uint8_t> frame = ReadPixels();
    EXPECT_EQ(anyLight(frame), 0) << "window " << size[0] << "x" << size[1];
    if (size[0] == 1024) SaveScreenshot("glyph_probe_1024");
  }
  glViewport(0, 0, Width(), Height());
  ASSERT_TRUE(tgaTextures[7].LoadTGA("base/textures/tex07.tga"));
}

TEST_F(TextGlTest, NullFormatPrintsNothing) {
  const auto lit = Render([] {
    PrintSmall(10, 10, 1.0f, 1, nullptr);
    PrintLarge(10, 10, 1, nullptr);
  });
  EXPECT_EQ(CountLit(lit, 0, 0, Width(), Height()), 0);
}

TEST_F(TextGlTest, LoadingScreensShowTheirPictures) {
  int mv0, pr0, tx0;
  StackDepths(mv0, pr0, tx0);
  glEnable(GL_LIGHTING);
  DrawLoadingScreen(0);
  SaveScreenshot("loading_screen_0");
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  const std::vector<uint8_t> splash = ReadPixels();
  long sum = 0;
  for (uint8_t v : splash) sum += v;
  EXPECT_GT(sum / static_cast<long>(splash.size()), 15) << "the splash covers the screen";
  int mv, pr, tx;
  StackDepths(mv, pr, tx);
  EXPECT_EQ(mv, mv0);
  EXPECT_EQ(pr, pr0);

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawLoadingScreen(1);
  SaveScreenshot("loading_screen_1");
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  glDisable(GL_LIGHTING);
  const std::vector<bool> lit = LitMask(ReadPixels());
  // "Loading..." in white at (325, 20) over the dark band at the bottom of the backdrop.
  int bright = 0;
  for (int y = 20; y < 44; ++y)
    for (int x = 325; x < 325 + 10 * 18 + 6; ++x) bright += Brightness(x, y) > 600 ? 1 : 0;
  EXPECT_GT(bright, 100);
  EXPECT_LT(Brightness(600, 30), 150) << "the band under the text is dark";
  (void)lit;
  StackDepths(mv, pr, tx);
  EXPECT_EQ(mv, mv0);
  EXPECT_EQ(pr, pr0);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_EQ(m[12], 0.0f);
}

// Both fonts and both character sets over the screens' backdrop, for a person to look at.
TEST_F(TextGlTest, FontSampleScreenshot) {
  ASSERT_TRUE(LoadBmpTextures());
  glColor4f(1, 1, 1, 1);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 800, 0, 600, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  ScreenQuad(bmpTextures[22]);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  PrintLarge(240, 480, 1, "SELECT DIFFICULTY");
  PrintSmall(340, 308, 1.0f, 1, "EASY");
  PrintSmall(340, 258, 0.7f, 1, "NORMAL");
  PrintSmall(340, 208, 0.7f, 1, "HARD");
  PrintSmall(60, 130, 0.7f, 1, "Display resolution   800x600   Sound  YES");
  PrintSmall(60, 100, 0.7f, 1, "+50 ammo for the pistol  FPS:%2i", 60);
  PrintLarge(40, 420, 0, "LOAD GAME  The Bandit Frontier");
  PrintSmall(40, 390, 1.0f, 0, "abcdefghijklmnopqrstuvwxyz 0123456789 !?.,:;()");
  PrintLarge(245, 280, 1, "You are killed!");
  PrintLarge(45, 16, 1, "%2i", 12);
  PrintLarge(45, 16, 1, "  /30");
  SaveScreenshot("fonts_sample");
  const std::vector<bool> lit = LitMask(ReadPixels());
  EXPECT_GT(CountLit(lit, 240, 480, 240 + 17 * 18, 504), 200);
}

}  // namespace
