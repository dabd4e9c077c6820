#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/frame.h"
#include "app/gl_window.h"
#include "engine/textures.h"
#include "game/menu_draw.h"
#include "gl_fixture.h"
#include "menu_test_support.h"
#include "platform/cursor.h"

namespace {

class MenuScreens : public GlTest {
 protected:
  static void SetUpTestSuite() {
    // The pictures and fonts load from the generated data set.
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(DUN_DATA_DIR);
  }
  static void TearDownTestSuite() {
    OverrideCursorPos(false);
    std::filesystem::current_path(previous_);
  }
  void SetUp() override {
    GlTest::SetUp();
    if (!loaded_) {
      ResizeGLScene(Width(), Height());
      InitGL();
      LoadBmpTextures();
      loaded_ = true;
    }
    ResetMenuWorld();
    screenWidth = 800;
    screenHeight = 600;
    frameStep = 1.0f;
    menuClock = 2.0f;  // past the fade-in
    DrainGlErrors();
  }

  // Draws one menu frame as the frame function does and checks the GL state it leaves.
  void DrawFrame(const std::string& screenshot = "") {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    int mv0, pr0, tx0;
    StackDepths(mv0, pr0, tx0);
    DrawMenuScreen();
    int mv1, pr1, tx1;
    StackDepths(mv1, pr1, tx1);
    EXPECT_EQ(mv0, mv1);
    EXPECT_EQ(pr0, pr1);
    EXPECT_EQ(tx0, tx1);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
    if (!screenshot.empty()) SaveScreenshot(screenshot);
  }

  // Darkest and brightest channel values in a rectangle (GL window coordinates, y up).
  static std::pair<int, int> BrightnessRange(int x0, int y0, int x1, int y1) {
    const std::vector<uint8_t> px = ReadPixels();
    int least = 255, most = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const size_t i = (static_cast<size_t>(Height() - 1 - y) * Width() + x) * 3;
        least = std::min({least, int(px[i]), int(px[i + 1]), int(px[i + 2])});
        most = std::max({most, int(px[i]), int(px[i + 1]), int(px[i + 2])});
      }
    return {least, most};
  }
  static int MaxBrightness(int x0, int y0, int x1, int y1) { return BrightnessRange(x0, y0, x1, y1).second; }
  static int MinBrightness(int x0, int y0, int x1, int y1) { return BrightnessRange(x0, y0, x1, y1).first; }
  static double MeanBrightness() {
    const std::vector<uint8_t> px = ReadPixels();
    double sum = 0.0;
    for (uint8_t v : px) sum += v;
    return sum / static_cast<double>(px.size());
  }


  static std::filesystem::path previous_;
  static bool loaded_;
};
std::filesystem::path MenuScreens::previous_;
bool MenuScreens::loaded_ = false;

TEST_F(MenuScreens, EveryScreenDrawsCleanly) {
  const struct {
    int state;
    const char* name;
    int hoverX, hoverY;  // a point in menu space to hover
  } screens[] = {
      {1, "screen_main", 100, 320},         {80, "screen_career", 400, 270},   {81, "screen_difficulty", 400, 320},
      {90, "screen_quit", 400, 420},        {4, "screen_pause", 400, 270},     {40, "screen_multiplayer", 400, 320},
      {41, "screen_create_game", 400, 270}, {5, "screen_options", 250, 520},   {10, "screen_load_game", 50, 560},
      {11, "screen_load_from_pause", 50, 560}, {12, "screen_save_game", 250, 560}, {50, "screen_briefing", 50, 500},
      {44, "screen_map_intro", 400, 300},
  };
  for (const auto& s : screens) {
    SCOPED_TRACE(s.name);
    ResetMenuWorld();
    screenWidth = 800;
    menuClock = 2.0f;
    gameState = s.state;
    mapNumber = 3;
    saveSlots[1] = SaveSlot{4, 76.0f, 12, 35.5f};
    selectedSlot = 1;
    OverrideCursorPos(true, s.hoverX, s.hoverY);
    DrawFrame();  // maps the cursor
    HandleMenuHover();
    menuClock = 2.0f;
    DrawFrame(s.name);
    EXPECT_EQ(mouseX, s.hoverX);
    EXPECT_EQ(mouseY, s.hoverY);
  }
}

TEST_F(MenuScreens, ConnectScreenShowsEmptyFoundAndBlankRows) {
  gameState = 42;
  serverList[0] = ServerEntry{};
  serverList[1] = ServerEntry{17, 200, 4, NetAddress{}};
  serverList[2] = ServerEntry{23, 1, 2, NetAddress{}};
  OverrideCursorPos(true, 400, 320);
  DrawFrame();
  HandleMenuHover();
  DrawFrame("screen_connect");
}

TEST_F(MenuScreens, SlotScreensShowTheFourSlotPictures) {
  for (int state : {10, 11, 12}) {
    SCOPED_TRACE(state);
    ResetMenuWorld();
    menuClock = 2.0f;
    gameState = state;
    selectedSlot = 2;
    saveSlots[0] = SaveSlot{2, 90.0f, 7, 12.0f};
    OverrideCursorPos(true, 700, 50);
    DrawFrame(state == 10 ? "screen_load_game_slot_pictures" : "");
    // The pictures are never loaded, so each slot shows a plain white quad left of its texts.
    for (int k = 0; k < 4; ++k) {
      const int bottom = 370 - 79 * k;
      EXPECT_GE(MinBrightness(97, bottom + 2, 197, bottom + 76), 240) << "slot " << k;
      EXPECT_LT(MaxBrightness(60, bottom + 2, 90, bottom + 76), 200) << "slot " << k;
    }
  }
}

// The panel, the masked icon, the progress bar and the slot icon, drawn in the menu space over a
// grey screen with textures made for the test: a mask black on its left half and white on its
// right, and solid red and blue pictures.
TEST_F(MenuScreens, SmallMenuDrawings) {
  const uint8_t maskTexels[6] = {0, 0, 0, 255, 255, 255};
  const uint8_t redTexels[3] = {255, 0, 0};
  const uint8_t blueTexels[3] = {0, 0, 255};
  const GLuint mask = MakeTexture(2, 1, maskTexels);
  const GLuint red = MakeTexture(1, 1, redTexels);
  const GLuint blue = MakeTexture(1, 1, blueTexels);
  const GLuint saved[4] = {bmpTextures[34], bmpTextures[35], bmpTextures[36], bmpTextures[39]};
  bmpTextures[34] = red;
  bmpTextures[35] = blue;
  bmpTextures[36] = mask;
  bmpTextures[39] = blue;

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_FOG);
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const int grey = 128;

  // The panel: the bound picture added onto the screen over 115 x 32.
  glBindTexture(GL_TEXTURE_2D, red);
  glBlendFunc(GL_ONE, GL_ONE);
  DrawPanelQuad();
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  ExpectPixel(100, 16, 255, grey, grey);
  ExpectPixel(120, 16, grey, grey, grey);
  ExpectPixel(100, 36, grey, grey, grey);

  // The icon: where the mask is black only the picture shows, where it is white the picture is
  // added to the screen; mirrored swaps the halves. A variant without a picture draws nothing.
  struct Icon {
    int x;
    unsigned char variant, mirrored;
    int left[3], right[3];
  } icons[] = {
      {200, 0, 0, {255, 0, 0}, {255, grey, grey}},
      {300, 1, 1, {grey, grey, 255}, {0, 0, 255}},
      {400, 2, 0, {grey, grey, grey}, {grey, grey, grey}},
      {500, 200, 1, {grey, grey, grey}, {grey, grey, grey}},
  };
  for (const Icon& icon : icons) {
    SCOPED_TRACE(icon.x);
    glLoadIdentity();
    glTranslatef(static_cast<float>(icon.x), 100.0f, 0.0f);
    DrawMaskedIcon(icon.variant, icon.mirrored);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    ExpectPixel(icon.x + 16, 132, icon.left[0], icon.left[1], icon.left[2]);
    ExpectPixel(icon.x + 48, 132, icon.right[0], icon.right[1], icon.right[2]);
  }
  ExpectPixel(270, 132, grey, grey, grey);  // 64 wide

  // The progress bar: 600 (value - 0.4) long and 8 high; a value below 0.4 draws nothing, not a
  // bar backwards from its start (which shows where back faces are not culled).
  glDisable(GL_CULL_FACE);
  progressBarTexture = red;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glLoadIdentity();
  glTranslatef(100.0f, 300.0f, 0.0f);
  DrawProgressBar(0.9f);
  glLoadIdentity();
  glTranslatef(500.0f, 400.0f, 0.0f);
  DrawProgressBar(0.2f);
  progressBarTexture = 0;
  glEnable(GL_CULL_FACE);
  ExpectPixel(390, 304, 255, 0, 0);
  ExpectPixel(410, 304, grey, grey, grey);
  ExpectPixel(100, 312, grey, grey, grey);
  ExpectPixel(450, 404, grey, grey, grey);

  // The slot icon: its picture added over 28 x 28 at (214 index - 50, 55); the matrix is restored.
  glLoadIdentity();
  DrawSlotIcon(1);
  ExpectPixel(178, 69, grey, grey, 255);
  ExpectPixel(160, 69, grey, grey, grey);
  ExpectPixel(178, 87, grey, grey, grey);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 0.0f);
  EXPECT_EQ(m[13], 0.0f);
  SaveScreenshot("small_menu_drawings");

  bmpTextures[34] = saved[0];
  bmpTextures[35] = saved[1];
  bmpTextures[36] = saved[2];
  bmpTextures[39] = saved[3];
  const GLuint made[3] = {mask, red, blue};
  glDeleteTextures(3, made);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_FOG);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

TEST_F(MenuScreens, HoveredRowIsDrawnBrighter) {
  gameState = 1;
  OverrideCursorPos(true, 700, 50);
  DrawFrame();
  const int plain = MaxBrightness(70, 300, 200, 330);
  menuHover[0] = true;
  DrawFrame();
  const int lit = MaxBrightness(70, 300, 200, 330);
  EXPECT_GT(lit, plain + 20);
}

TEST_F(MenuScreens, FadeInCoversAFreshScreen) {
  gameState = 80;
  OverrideCursorPos(true, 700, 50);
  DrawFrame();
  const double settled = MeanBrightness();
  menuClock = 0.0f;
  DrawFrame("screen_career_fade_start");
  EXPECT_GT(menuClock, 0.0f);
  const double start = MeanBrightness();
  menuClock = 0.5f;
  DrawFrame("screen_career_fade_half");
  const double half = MeanBrightness();
  EXPECT_LT(start, half);
  EXPECT_LT(half, settled);
}

TEST_F(MenuScreens, OptionValuesFollowTheSettings) {
  gameState = 5;
  screenWidth = 1024;
  colorBits = 16;
  depthBits = 16;
  soundOn = false;
  musicOn = false;
  OverrideCursorPos(true, 50, 520);
  DrawFrame();
  HandleMenuHover();
  DrawFrame("screen_options_changed");
  // A width the game does not offer shows no value, without trouble.
  screenWidth = 1280;
  DrawFrame();
}

TEST_F(MenuScreens, SearchWindowRunsOneSecondAndClosesTheSocketOnce) {
  gameState = 42;
  searchTimer = 1.0f;
  netSocket = 7;
  frameStep = 30.0f;
  DrawFrame();
  EXPECT_NEAR(searchTimer, 0.7f, 1e-5f);
  EXPECT_EQ(netSocket, 7);
  for (int i = 0; i < 3; ++i) DrawFrame();
  EXPECT_LT(searchTimer, 0.0f);
  EXPECT_EQ(netSocket, kInvalidSocket);
  // Later frames leave the closed socket alone.
  netSocket = 9;
  DrawFrame();
  EXPECT_EQ(netSocket, 9);
  netSocket = kInvalidSocket;
}

}  // namespace
