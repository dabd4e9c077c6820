#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/formats/ms3d_file.h"
#include "game/level.h"
#include "menu_test_support.h"

namespace {

class MenuLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMenuWorld();
    screenWidth = 800;
    screenHeight = 600;
    // Career clicks read and write base/career.inf in the working directory.
    char pattern[] = "/tmp/dun_menus_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    // A level is entered only with its map model: every map START GAME may host has one, a single
    // triangle without textures.
    Ms3dData model;
    model.vertices.resize(3);
    model.vertices[1].location[0] = model.vertices[2].location[2] = 1.0f;
    model.triangles.resize(1);
    model.triangles[0].vertexIndices[1] = 1;
    model.triangles[0].vertexIndices[2] = 2;
    model.groups.resize(1);
    model.groups[0].triangleIndices = {0};
    for (int map = 1; map <= 10; ++map) ASSERT_TRUE(SaveMs3dFile(MapFileName(map, "map.ms3d"), model));
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
  std::filesystem::path old_;
};

constexpr MenuSound kClick = MenuSound::Click;
constexpr MenuSound kHover = MenuSound::Hover;
constexpr MenuSound kNone = MenuSound::None;

struct ClickCase {
  int state;
  int x, y;
  int nextState;
  MenuSound sound;
  bool reset;
};

// One point inside every box of every screen, with the screen it leads to.
const ClickCase kClickCases[] = {
    {1, 100, 270, 80, kClick, true},   {1, 100, 320, 40, kClick, true},  {1, 100, 370, 5, kClick, true},
    {1, 100, 420, 90, kClick, true},   {90, 400, 370, 1, kClick, true},  {90, 400, 420, 90, kClick, true},
    {50, 50, 500, 1, kClick, true},    {4, 400, 270, 0, kClick, true},   {4, 400, 320, 1, kClick, true},
    {80, 400, 270, 81, kClick, true},  {80, 400, 320, 44, kClick, true}, {80, 400, 370, 1, kClick, true},
    {81, 400, 270, 44, kClick, true},  {81, 400, 320, 44, kClick, true}, {81, 400, 370, 44, kClick, true},
    {81, 400, 420, 80, kClick, true},  {40, 400, 270, 41, kClick, true}, {40, 400, 320, 42, kClick, true},
    {40, 400, 370, 1, kClick, true},   {41, 400, 270, 41, kClick, true}, {41, 400, 320, 0, kNone, true},
    {41, 400, 370, 40, kClick, true},  {42, 400, 270, 42, kClick, true}, {42, 400, 320, 42, kNone, true},
    {42, 400, 370, 42, kClick, true},  {42, 400, 420, 42, kClick, true}, {42, 400, 470, 40, kClick, true},
    {5, 50, 500, 1, kClick, true},     {5, 250, 500, 5, kClick, true},   {5, 300, 120, 5, kHover, true},
    {5, 300, 150, 5, kHover, true},    {5, 300, 190, 5, kHover, true},   {5, 600, 120, 5, kNone, true},
    {5, 600, 150, 5, kNone, true},     {10, 50, 560, 1, kClick, true},   {10, 250, 560, 0, kClick, true},
    {11, 50, 560, 4, kClick, true},    {11, 250, 560, 0, kClick, true},  {12, 50, 560, 4, kClick, true},
    {12, 250, 560, 12, kClick, true},  {10, 400, 200, 10, kClick, false}, {11, 400, 270, 11, kClick, false},
    {12, 400, 350, 12, kClick, false}, {12, 400, 420, 12, kClick, false},
};

TEST_F(MenuLogic, EveryBoxGivesItsStateSoundAndReset) {
  for (const ClickCase& c : kClickCases) {
    SCOPED_TRACE("state " + std::to_string(c.state) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
    ResetMenuWorld();
    screenWidth = 800;
    for (int k = 0; k < 3; ++k) serverList[k] = ServerEntry{10 + k, 200, 3, NetAddress{0x7f000001u + k, 2000}};
    gameState = c.state;
    menuHover[0] = menuHover[4] = true;
    menuClock = 0.5f;
    const MenuClickOutcome out = ClickAt(c.x, c.y);
    EXPECT_TRUE(out.handled);
    EXPECT_EQ(gameState, c.nextState);
    EXPECT_EQ(out.sound, c.sound);
    EXPECT_EQ(out.reset, c.reset);
    EXPECT_EQ(menuHover[0], !c.reset);
    EXPECT_EQ(menuClock, c.reset ? 0.0f : 0.5f);
  }
}

TEST_F(MenuLogic, ClicksOutsideEveryBoxDoNothing) {
  const struct {
    int state, x, y;
  } misses[] = {{1, 100, 470}, {1, 70, 270},  {1, 182, 270}, {1, 100, 252}, {1, 100, 300}, {80, 342, 270},
                {80, 457, 270}, {80, 400, 420}, {4, 400, 370}, {0, 400, 270}, {44, 400, 270}, {5, 400, 300},
                {90, 400, 270}, {42, 400, 520}};
  for (const auto& m : misses) {
    ResetMenuWorld();
    gameState = m.state;
    menuClock = 0.5f;
    EXPECT_FALSE(ClickAt(m.x, m.y).handled) << m.state << " " << m.x << "," << m.y;
    EXPECT_EQ(gameState, m.state);
    EXPECT_EQ(menuClock, 0.5f);
  }
}

TEST_F(MenuLogic, BoxEdgesAreInclusive) {
  for (const auto& p : {std::pair{71, 253}, std::pair{181, 253}, std::pair{71, 299}, std::pair{181, 299}}) {
    gameState = 1;
    EXPECT_TRUE(ClickAt(p.first, p.second).handled);
    EXPECT_EQ(gameState, 80);
  }
}

// A click acts on the screen it arrived on, even when the next screen has a box at the same place.
TEST_F(MenuLogic, NoClickCascadesIntoTheNextScreen) {
  gameState = 80;
  ClickAt(400, 270);  // NEW GAME, where EASY lies on the next screen
  EXPECT_EQ(gameState, 81);
  EXPECT_EQ(difficulty, 1);
  EXPECT_FALSE(std::filesystem::exists("base/career.inf"));

  gameState = 40;
  ClickAt(400, 270);  // CREATE GAME, where the map chooser lies
  EXPECT_EQ(gameState, 41);
  EXPECT_EQ(mapNumber, 1);

  serverList[1] = ServerEntry{5, 200, 2, NetAddress{1, 2000}};
  gameState = 40;
  ClickAt(400, 320);  // CONNECT, where server row 1 lies
  EXPECT_EQ(gameState, 42);
  EXPECT_LT(searchTimer, 0.0f);
  EXPECT_EQ(gameMode, 0);

  gameState = 41;
  ClickAt(400, 370);  // BACK, where the multiplayer screen's BACK lies
  EXPECT_EQ(gameState, 40);

  gameState = 81;
  ClickAt(400, 420);  // BACK to the career screen, which has no row 3
  EXPECT_EQ(gameState, 80);
}

TEST_F(MenuLogic, QuitYesRequestsTheEndAndNoGoesBack) {
  gameState = 90;
  ClickAt(400, 420);
  EXPECT_TRUE(quitRequested);
  EXPECT_EQ(gameState, 90);
  quitRequested = false;
  ClickAt(400, 370);
  EXPECT_FALSE(quitRequested);
  EXPECT_EQ(gameState, 1);
}

TEST_F(MenuLogic, NewCareerWritesTheDifficultyAndMapOne) {
  const int expected[3] = {1, 3, 7};
  for (int row = 0; row < 3; ++row) {
    gameState = 81;
    gameMode = 1;
    mapNumber = 6;
    ClickAt(400, 270 + 50 * row);
    EXPECT_EQ(gameState, 44);
    EXPECT_EQ(gameMode, 0);
    EXPECT_EQ(mapNumber, 1);
    EXPECT_EQ(difficulty, expected[row]);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile("base/career.inf", bytes));
    CareerRecord c;
    ASSERT_TRUE(ParseCareer(bytes, c));
    EXPECT_EQ(c.difficulty, expected[row]);
    EXPECT_EQ(c.mapNumber, 1);
  }
}

TEST_F(MenuLogic, CareerContinueRestoresTheStoredCareer) {
  ASSERT_TRUE(WriteWholeFile("base/career.inf", SerializeCareer(CareerRecord{3, 6}), true));
  gameState = 80;
  gameMode = 2;
  ClickAt(400, 320);
  EXPECT_EQ(gameState, 44);
  EXPECT_EQ(gameMode, 0);
  EXPECT_EQ(difficulty, 3);
  EXPECT_EQ(mapNumber, 6);
}

TEST_F(MenuLogic, MapChooserCyclesBackToMapOneAfterTenClicks) {
  gameState = 40;
  mapNumber = 7;
  ClickAt(400, 270);
  EXPECT_EQ(mapNumber, 1);
  for (int i = 2; i <= 10; ++i) {
    ClickAt(400, 270);
    EXPECT_EQ(mapNumber, i);
  }
  ClickAt(400, 270);
  EXPECT_EQ(mapNumber, 1);
  EXPECT_EQ(gameState, 41);
}

TEST_F(MenuLogic, StartGameHostsTheChosenMap) {
  gameState = 41;
  mapNumber = 4;
  ClickAt(400, 320);
  EXPECT_EQ(gameState, 0);
  EXPECT_EQ(gameMode, 1);
  EXPECT_EQ(mapNumber, 4);
  EXPECT_EQ(playerStartPosition.x, -70.0f);
  EXPECT_EQ(playerStartPosition.y, 3.0f);
  EXPECT_EQ(playerStartPosition.z, -107.0f);
  EXPECT_EQ(playerStartDirection.x, 1.0f);
}

TEST_F(MenuLogic, OptionValuesCycleAndUnknownValuesAreLeft) {
  gameState = 5;
  const int widths[] = {800, 1024, 640, 800};
  const int heights[] = {600, 768, 480, 600};
  for (int i = 1; i < 4; ++i) {
    ClickAt(300, 120);
    EXPECT_EQ(screenWidth, widths[i]);
    EXPECT_EQ(screenHeight, heights[i]);
  }
  screenWidth = 1280;
  screenHeight = 1024;
  ClickAt(300, 120);
  EXPECT_EQ(screenWidth, 1280);
  EXPECT_EQ(screenHeight, 1024);

  colorBits = 32;
  ClickAt(300, 150);
  EXPECT_EQ(colorBits, 16);
  ClickAt(300, 150);
  EXPECT_EQ(colorBits, 32);
  colorBits = 24;
  ClickAt(300, 150);
  EXPECT_EQ(colorBits, 24);

  depthBits = 24;
  ClickAt(300, 190);
  EXPECT_EQ(depthBits, 16);
  ClickAt(300, 190);
  EXPECT_EQ(depthBits, 24);
  depthBits = 32;
  ClickAt(300, 190);
  EXPECT_EQ(depthBits, 32);

  soundOn = true;
  ClickAt(600, 120);
  EXPECT_FALSE(soundOn);
  ClickAt(600, 120);
  EXPECT_TRUE(soundOn);

  // BACK keeps the changes; ACCEPT asks for a new window and leaves the screen as it is.
  depthBits = 16;
  ClickAt(50, 500);
  EXPECT_EQ(gameState, 1);
  EXPECT_EQ(depthBits, 16);
  EXPECT_FALSE(recreateWindow);
  gameState = 5;
  ClickAt(250, 500);
  EXPECT_TRUE(recreateWindow);
  EXPECT_EQ(gameState, 5);
}

TEST_F(MenuLogic, ConnectScreenIgnoresClicksWhileASearchRuns) {
  gameState = 42;
  serverList[0] = ServerEntry{77, 200, 5, NetAddress{0x0a000002u, 2000}};
  searchTimer = 0.0f;
  for (int y : {270, 320, 370, 420, 470}) EXPECT_FALSE(ClickAt(400, y).handled) << y;
  EXPECT_EQ(gameState, 42);
  EXPECT_EQ(searchTimer, 0.0f);

  searchTimer = -0.01f;
  ClickAt(400, 270);
  EXPECT_EQ(searchTimer, 1.0f);
  EXPECT_EQ(hostAddress.ip, 0x0a000002u);
  EXPECT_EQ(clientBlock.type, CLIENT_JOIN);
  EXPECT_EQ(gameMode, 2);
}

TEST_F(MenuLogic, EmptyServerRowsTakeNoClick) {
  gameState = 42;
  for (int y : {270, 320, 370}) EXPECT_FALSE(ClickAt(400, y).handled);
  EXPECT_LT(searchTimer, 0.0f);
}

TEST_F(MenuLogic, UpdateSearchesAndBackForgetsTheServers) {
  gameState = 42;
  ClickAt(400, 420);
  EXPECT_EQ(searchTimer, 1.0f);
  EXPECT_EQ(clientBlock.type, CLIENT_SEARCH);
  EXPECT_EQ(gameMode, 2);

  searchTimer = -1.0f;
  serverList[2] = ServerEntry{9, 200, 1, NetAddress{}};
  hostBlock.state = HOST_WAITING;
  hostBlock.hostId = 9;
  ClickAt(400, 470);
  EXPECT_EQ(gameState, 40);
  EXPECT_EQ(hostBlock.state, HOST_IDLE);
  EXPECT_EQ(hostBlock.hostId, 0);
  for (const ServerEntry& e : serverList) {
    EXPECT_EQ(e.id, 0);
    EXPECT_EQ(e.state, 1);
  }
}

TEST_F(MenuLogic, SlotClicksSelectWithoutReset) {
  gameState = 10;
  const int ys[4] = {154, 232, 384, 463};
  for (int k = 0; k < 4; ++k) {
    menuHover[1] = true;
    const MenuClickOutcome out = ClickAt(201, ys[k]);
    EXPECT_EQ(selectedSlot, k);
    EXPECT_FALSE(out.reset);
    EXPECT_TRUE(menuHover[1]);
  }
  EXPECT_FALSE(ClickAt(201, 228).handled);  // between slots 0 and 1
  EXPECT_EQ(selectedSlot, 3);
}

TEST_F(MenuLogic, HoverSoundsOnlyOnEnteringARow) {
  gameState = 80;
  EXPECT_EQ(MoveTo(400, 260), 1);
  EXPECT_TRUE(menuHover[0]);
  EXPECT_EQ(MoveTo(410, 280), 0);
  EXPECT_EQ(MoveTo(400, 320), 1);
  // Every row is tested on this screen: leaving row 0 clears its latch.
  EXPECT_FALSE(menuHover[0]);
  EXPECT_TRUE(menuHover[1]);
  EXPECT_EQ(MoveTo(10, 10), 0);
  EXPECT_FALSE(menuHover[1]);

  soundOn = false;
  EXPECT_EQ(MoveTo(400, 370), 0);
  EXPECT_TRUE(menuHover[2]);
}

TEST_F(MenuLogic, MainMenuHoverStopsAtTheFirstRowUnderTheCursor) {
  gameState = 1;
  EXPECT_EQ(MoveTo(100, 320), 1);
  EXPECT_TRUE(menuHover[1]);
  // Straight from row 1 into row 0: the test ends at row 0, row 1 stays latched.
  EXPECT_EQ(MoveTo(100, 270), 1);
  EXPECT_TRUE(menuHover[0]);
  EXPECT_TRUE(menuHover[1]);
  // Leaving row 0 lets the next move test row 1 again.
  MoveTo(10, 10);
  EXPECT_FALSE(menuHover[0]);
  EXPECT_FALSE(menuHover[1]);
  // The fifth row has no item and no click but latches and sounds once.
  EXPECT_EQ(MoveTo(100, 470), 1);
  EXPECT_EQ(MoveTo(120, 480), 0);
  EXPECT_TRUE(menuHover[4]);
  EXPECT_FALSE(ClickAt(100, 470).handled);
}

TEST_F(MenuLogic, ClickResetsLatchesSoARestingCursorIsNotHighlighted) {
  gameState = 1;
  MoveTo(100, 370);
  ASSERT_TRUE(menuHover[2]);
  ClickAt(100, 370);
  EXPECT_EQ(gameState, 5);
  for (bool h : menuHover) EXPECT_FALSE(h);
}

TEST_F(MenuLogic, HoverRowsOfTheOtherScreens) {
  gameState = 90;
  MoveTo(400, 370);
  EXPECT_TRUE(menuHover[3]);
  MoveTo(400, 420);
  EXPECT_TRUE(menuHover[4]);
  EXPECT_FALSE(menuHover[3]);

  ResetMenuHover();
  gameState = 5;
  EXPECT_EQ(MoveTo(300, 120), 0);  // value boxes have no hover
  for (bool h : menuHover) EXPECT_FALSE(h);
  MoveTo(250, 520);
  EXPECT_TRUE(menuHover[1]);

  ResetMenuHover();
  gameState = 42;
  searchTimer = 0.5f;
  MoveTo(400, 470);
  EXPECT_TRUE(menuHover[4]);

  ResetMenuHover();
  gameState = 0;
  EXPECT_EQ(MoveTo(400, 270), 0);
  for (bool h : menuHover) EXPECT_FALSE(h);
}

TEST(CursorMapping, ScalesWindowPixelsIntoTheMenuSpace) {
  int x = -1, y = -1;
  MapCursorToMenu(320, 240, 640, 480, x, y);
  EXPECT_EQ(x, 400);
  EXPECT_EQ(y, 300);
  MapCursorToMenu(639, 479, 640, 480, x, y);
  EXPECT_EQ(x, 798);
  EXPECT_EQ(y, 598);
  MapCursorToMenu(123, 456, 800, 600, x, y);
  EXPECT_EQ(x, 123);
  EXPECT_EQ(y, 456);
  MapCursorToMenu(1023, 767, 1024, 768, x, y);
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 599);
  MapCursorToMenu(512, 384, 1024, 768, x, y);
  EXPECT_EQ(x, 400);
  EXPECT_EQ(y, 300);
  // Outside the window (the pointer left it) maps outside the menu space, so no box is hit.
  MapCursorToMenu(-10, 900, 1024, 768, x, y);
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, 703);
  MapCursorToMenu(5, 5, 0, 0, x, y);
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, 703);
}

}  // namespace
