#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/formats/binary_io.h"
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

  // The generated data set's career file (the working directory is the data set).
  static std::vector<uint8_t> ReadCareerBytes() {
    std::vector<uint8_t> bytes;
    ReadWholeFile("base/career.inf", bytes);
    return bytes;
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
    // The slot screens show a picture left of each slot's texts; none is ever loaded, so each is a
    // plain white quad.
    for (int k = 0; k < 4 && s.state >= 10 && s.state <= 12; ++k) {
      EXPECT_GE(MinBrightness(97, 372 - 79 * k, 197, 446 - 79 * k), 240) << "slot " << k;
      EXPECT_LT(MaxBrightness(60, 372 - 79 * k, 90, 446 - 79 * k), 200) << "slot " << k;
    }
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

// A move and a click that both arrive between two frames: the click acts where it happened, not
// where the last frame left the cursor (the menu window is 800 x 600, so pixels are menu units).
TEST_F(MenuScreens, AClickActsWhereItHappensNotWhereTheLastFrameSawTheCursor) {
  const auto moveAndClick = [](int x, int y) {
    GameWindowProc(Message{WM_MOUSEMOVE, 0, MakeLParam(x, y)});
    GameWindowProc(Message{WM_LBUTTONDOWN, 0, MakeLParam(x, y)});
    GameWindowProc(Message{WM_LBUTTONUP, 0, MakeLParam(x, y)});
  };
  // Resting on OPTIONS, then over to EXIT and click: the quit question, not the options.
  gameState = 1;
  OverrideCursorPos(true, 120, 375);
  DrawFrame();
  ASSERT_EQ(mouseY, 375);
  moveAndClick(120, 425);
  EXPECT_EQ(gameState, 90);

  // Resting on NORMAL of the difficulty screen, a quick move to BACK and a click: back to the
  // career screen, with no career started and the career file untouched.
  const std::vector<uint8_t> careerBefore = ReadCareerBytes();
  gameState = 81;
  difficulty = 1;
  OverrideCursorPos(true, 400, 325);
  DrawFrame();
  moveAndClick(400, 425);
  EXPECT_EQ(gameState, 80);
  EXPECT_EQ(difficulty, 1);
  const std::vector<uint8_t> careerAfter = ReadCareerBytes();
  EXPECT_EQ(careerAfter, careerBefore);
  if (careerAfter != careerBefore) WriteWholeFile("base/career.inf", careerBefore);
}

}  // namespace
