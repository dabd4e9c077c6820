#include <gtest/gtest.h>

#include "menu_test_support.h"

namespace {

class WindowProc : public ::testing::Test {
 protected:
  void SetUp() override { ResetMenuWorld(); }
  void TearDown() override { ResetMenuWorld(); }
  static void Send(uint32_t code, uintptr_t w = 0, intptr_t l = 0) { GameWindowProc(Message{code, w, l}); }
};

TEST_F(WindowProc, KeysFollowDownAndUpAndIgnoreCodesOutsideTheTable) {
  Send(WM_KEYDOWN, 'W');
  Send(WM_KEYDOWN, 'W');  // auto-repeat
  EXPECT_TRUE(keys['W']);
  // Released before any frame saw it: down until the frame has passed.
  Send(WM_KEYUP, 'W');
  EXPECT_TRUE(keys['W']);
  ReleaseTappedInput();
  EXPECT_FALSE(keys['W']);
  Send(WM_KEYDOWN, 'W');
  ReleaseTappedInput();
  Send(WM_KEYUP, 'W');  // a frame saw it down: up at once
  EXPECT_FALSE(keys['W']);
  Send(WM_KEYDOWN, 300);
  Send(WM_KEYDOWN, VK_F1);
  EXPECT_TRUE(keys[VK_F1]);
  // Losing the focus does not release held keys.
  Send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_TRUE(keys[VK_F1]);
  EXPECT_FALSE(keyLatch);
}

TEST_F(WindowProc, OnlyMinimisingStopsRendering) {
  Send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_TRUE(windowActive);
  Send(WM_ACTIVATE, WA_INACTIVE | (uintptr_t(1) << 16));
  EXPECT_FALSE(windowActive);
  Send(WM_ACTIVATE, WA_ACTIVE);
  EXPECT_TRUE(windowActive);
}

TEST_F(WindowProc, CloseAsksTheLoopToQuit) {
  Send(WM_CLOSE);
  Message m;
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.code, WM_QUIT);
  EXPECT_EQ(m.wParam, 0u);
}

TEST_F(WindowProc, FireButtonInPlay) {
  gameState = 0;
  players[0].health = 50.0f;
  Send(WM_LBUTTONDOWN);
  EXPECT_TRUE(fireHeld);
  Send(WM_LBUTTONUP);
  EXPECT_TRUE(fireHeld);  // the next frame still fires once
  ReleaseTappedInput();
  EXPECT_FALSE(fireHeld);
  Send(WM_LBUTTONDOWN);
  ReleaseTappedInput();
  EXPECT_TRUE(fireHeld);
  Send(WM_LBUTTONUP);
  EXPECT_FALSE(fireHeld);

  // Dead: no fire; a release still clears.
  players[0].health = 0.0f;
  Send(WM_LBUTTONDOWN);
  EXPECT_FALSE(fireHeld);
  fireHeld = true;
  Send(WM_LBUTTONUP);
  EXPECT_FALSE(fireHeld);
}

TEST_F(WindowProc, MenuClicksNeverFireEvenWhenTheyStartPlay) {
  gameState = 4;
  players[0].health = 50.0f;
  mouseX = 400;
  mouseY = 270;  // CONTINUE
  Send(WM_LBUTTONDOWN);
  EXPECT_EQ(gameState, 0);
  EXPECT_FALSE(fireHeld);
  // A button held while paused keeps firing until its release arrives in play.
  fireHeld = true;
  gameState = 4;
  Send(WM_LBUTTONUP);
  EXPECT_TRUE(fireHeld);
  gameState = 0;
  Send(WM_LBUTTONUP);
  EXPECT_FALSE(fireHeld);
}

TEST_F(WindowProc, MouseMovesAndClicksReachTheMenus) {
  gameState = 1;
  mouseX = 100;
  mouseY = 320;
  Send(WM_MOUSEMOVE, 0, MakeLParam(5, 5));  // the mapped position counts, not the message's
  EXPECT_TRUE(menuHover[1]);
  Send(WM_LBUTTONDOWN);
  EXPECT_EQ(gameState, 40);
}

TEST_F(WindowProc, RightClickChangesWeaponOnlyInPlayWhileAlive) {
  PlayerRecord& p = players[0];
  const int ammo[10] = {50, 0, 5, 0, 0, 0};
  std::copy(ammo, ammo + 10, p.ammo);
  p.health = 10.0f;
  p.weaponRaise = 1.0f;
  p.currentWeapon = 1;

  gameState = 1;
  Send(WM_RBUTTONDOWN);
  EXPECT_EQ(p.currentWeapon, 1);
  gameState = 0;
  p.health = 0.0f;
  Send(WM_RBUTTONDOWN);
  EXPECT_EQ(p.currentWeapon, 1);
  EXPECT_EQ(p.weaponRaise, 1.0f);

  p.health = 10.0f;
  Send(WM_RBUTTONDOWN);
  EXPECT_EQ(p.weaponRaise, -1.0f);
  EXPECT_EQ(p.currentWeapon, 2);
}

TEST(WeaponSwitch, LowersAndPicksTheNextWeaponWithAmmunition) {
  int ammo[10] = {50, 0, 5, 0, 0, 0, 0, 0, 0, 0};
  float raise = 1.0f;
  int weapon = 1;
  RightClickWeaponSwitch(raise, weapon, ammo);
  EXPECT_EQ(raise, -1.0f);
  EXPECT_EQ(weapon, 2);

  // Already lowered: lowered a little less, and the choice moves on (none above 2 has ammo).
  RightClickWeaponSwitch(raise, weapon, ammo);
  EXPECT_EQ(raise, -0.4f);
  EXPECT_EQ(weapon, 0);

  // Half raised: no change at all.
  raise = 0.5f;
  weapon = 2;
  RightClickWeaponSwitch(raise, weapon, ammo);
  EXPECT_EQ(raise, 0.5f);
  EXPECT_EQ(weapon, 2);
  raise = 0.9f;
  RightClickWeaponSwitch(raise, weapon, ammo);
  EXPECT_EQ(raise, 0.9f);

  // From the last weapon the choice is weapon 0 whatever its ammunition.
  int none[10] = {};
  raise = 1.0f;
  weapon = 5;
  RightClickWeaponSwitch(raise, weapon, none);
  EXPECT_EQ(weapon, 0);

  // Ammunition in slots above 5 is never chosen.
  int high[10] = {0, 0, 0, 0, 0, 0, 0, 9, 0, 0};
  raise = 1.0f;
  weapon = 3;
  RightClickWeaponSwitch(raise, weapon, high);
  EXPECT_EQ(weapon, 0);

  // A weapon index outside the table never reads outside it.
  raise = 1.0f;
  weapon = 42;
  RightClickWeaponSwitch(raise, weapon, ammo);
  EXPECT_EQ(weapon, 0);
  raise = 1.0f;
  weapon = -9;
  RightClickWeaponSwitch(raise, weapon, ammo);
  EXPECT_EQ(weapon, 0);
}

}  // namespace
