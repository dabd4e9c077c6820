// The player's rules: movement keys, mouse look, braking, weapon choice, set-up and respawn, and
// the local update driving a real body over a floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "game_test_support.h"
#include "platform/events.h"

namespace {

float Len(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

class PlayerRules : public ::testing::Test {
 protected:
  void SetUp() override { ResetGameWorld(); }
  void TearDown() override { OverrideCursorPos(false); }
};

TEST_F(PlayerRules, MoveKeysSetForcesAndLegAnimations) {
  PlayerRecord& p = players[0];
  p.forward.Set(1, 0, 0);
  p.side.Set(0, 0, -1);
  MoveKeys k;
  k.left = true;
  ApplyMoveKeys(p, k, true);
  EXPECT_FLOAT_EQ(p.sideMove.z, -10.0f);
  EXPECT_EQ(p.legsAnimWanted, kLegsRun);  // strafing alone still runs

  k = MoveKeys{};
  k.right = true;
  k.back = true;
  ApplyMoveKeys(p, k, true);
  EXPECT_FLOAT_EQ(p.sideMove.z, 10.0f);
  EXPECT_FLOAT_EQ(p.forwardMove.x, -10.0f);
  EXPECT_EQ(p.legsAnimWanted, kLegsRunBack);

  // Left wins over right; forward wins over back.
  k = MoveKeys{true, true, true, true};
  ApplyMoveKeys(p, k, true);
  EXPECT_FLOAT_EQ(p.sideMove.z, -10.0f);
  EXPECT_FLOAT_EQ(p.forwardMove.x, 10.0f);

  // A dead player or one outside play does not move.
  ApplyMoveKeys(p, k, false);
  EXPECT_FLOAT_EQ(Len(p.sideMove), 0.0f);
  EXPECT_FLOAT_EQ(Len(p.forwardMove), 0.0f);
  EXPECT_EQ(p.legsAnimWanted, kLegsStand);
}

TEST_F(PlayerRules, MouseLookTurnsAndStopsThePitchAtItsLimits) {
  PlayerRecord& p = players[0];
  p.viewDirection.Set(1, 0, 0);
  // 100 pixels to the left turns by 0.2 rad toward +z... the turn keeps the view a unit vector.
  TurnView(p, 220, 240);
  EXPECT_NEAR(Len(p.viewDirection), 1.0f, 1e-5f);
  EXPECT_NEAR(p.viewDirection.x, std::cos(0.2f), 1e-5f);
  EXPECT_NEAR(p.viewDirection.z, -std::sin(0.2f), 1e-5f);
  // side is the view turned by 1.57 the same way, flat.
  EXPECT_NEAR(p.side.x * p.forward.x + p.side.z * p.forward.z, 0.0f, 1e-3f);
  EXPECT_FLOAT_EQ(p.side.y, 0.0f);

  // Far up: the pitch stops at 1.1, and the view stops there with it.
  p.viewDirection.Set(1, 0, 0);
  p.pitch = 1.0f;
  TurnView(p, 320, 0);  // would be +0.48
  EXPECT_FLOAT_EQ(p.pitch, 1.1f);
  EXPECT_NEAR(p.viewDirection.y, std::sin(1.1f), 1e-6f);
  p.pitch = -1.0f;
  TurnView(p, 320, 480);
  EXPECT_FLOAT_EQ(p.pitch, -1.2f);
  EXPECT_NEAR(p.viewDirection.y, std::sin(-1.2f), 1e-6f);

  // Up by 50 pixels tilts the view up by 0.1 rad.
  p.pitch = 0.0f;
  p.viewDirection.Set(0, 0, 1);
  TurnView(p, 320, 190);
  EXPECT_NEAR(p.viewDirection.y, std::sin(0.1f), 1e-5f);
  EXPECT_NEAR(Len(p.viewDirection), 1.0f, 1e-5f);

  // A view straight up has no pitch axis: it turns without becoming NaN.
  p.viewDirection.Set(0, 1, 0);
  p.pitch = 0.0f;
  TurnView(p, 300, 230);
  EXPECT_FALSE(std::isnan(p.viewDirection.x) || std::isnan(p.viewDirection.y) || std::isnan(p.viewDirection.z));
}

// Quick flicks up and down mixed with turns, through both limits: after every frame the view's
// elevation is the stored pitch, so the limits hold for what the player sees.
TEST_F(PlayerRules, MouseLookKeepsTheViewAtThePitchThroughMixedMoves) {
  PlayerRecord& p = players[0];
  p.viewDirection.Set(1, 0, 0);
  p.pitch = 0.0f;
  unsigned seed = 12345u;
  for (int frame = 0; frame < 2000; ++frame) {
    seed = seed * 1103515245u + 12345u;
    const int dx = static_cast<int>((seed >> 8) % 601) - 300;
    const int dy = static_cast<int>((seed >> 20) % 601) - 300;
    TurnView(p, 320 + dx, 240 + dy);
    ASSERT_GE(p.pitch, -1.2f) << frame;
    ASSERT_LE(p.pitch, 1.1f) << frame;
    ASSERT_NEAR(std::asin(std::clamp(p.viewDirection.y, -1.0f, 1.0f)), p.pitch, 1e-4f) << frame;
    ASSERT_NEAR(Len(p.viewDirection), 1.0f, 1e-4f) << frame;
  }
}

TEST_F(PlayerRules, MouseLookRecentresTheCursor) {
  players[0].viewDirection.Set(1, 0, 0);
  OverrideCursorPos(true, 370, 240);
  players[0].MouseLook();
  int x = 0, y = 0;
  GetCursorPos(x, y);
  EXPECT_EQ(x, 320);
  EXPECT_EQ(y, 240);
  EXPECT_NEAR(players[0].viewDirection.z, std::sin(0.1f), 1e-5f);
}

TEST_F(PlayerRules, BrakingRules) {
  // No key: the horizontal velocity is braked at -2 (the remote player at -3), y ignored.
  Vec3 v(1.0f, -2.0f, 0.5f);
  Vec3 f = BrakeForce(Vec3(), v, 3.5f, 2.0f);
  EXPECT_FLOAT_EQ(v.y, 0.0f);
  EXPECT_FLOAT_EQ(f.x, -2.0f);
  EXPECT_FLOAT_EQ(f.z, -1.0f);
  v.Set(1.0f, -2.0f, 0.5f);
  f = BrakeForce(Vec3(), v, 3.5f, 3.0f);
  EXPECT_FLOAT_EQ(f.x, -3.0f);

  // Below the limit the keys push unchanged.
  v.Set(3.0f, -1.0f, 0.0f);
  f = BrakeForce(Vec3(10, 0, 0), v, 3.5f, 2.0f);
  EXPECT_FLOAT_EQ(f.x, 10.0f);
  EXPECT_FLOAT_EQ(v.y, -1.0f);
  // Above it the keys give no push.
  v.Set(3.0f, -1.0f, 2.0f);
  f = BrakeForce(Vec3(10, 0, 0), v, 3.5f, 2.0f);
  EXPECT_FLOAT_EQ(f.x, -6.0f);
  EXPECT_FLOAT_EQ(f.z, -4.0f);
  EXPECT_FLOAT_EQ(f.y, 0.0f);
}

TEST_F(PlayerRules, WeaponChoiceByNextAndPrevious) {
  int32_t ammo[10] = {};
  ammo[0] = 5;
  ammo[3] = 5;
  EXPECT_EQ(NextWeapon(0, ammo), 3);
  EXPECT_EQ(NextWeapon(3, ammo), 0);
  EXPECT_EQ(PreviousWeapon(3, ammo), 0);
  EXPECT_EQ(PreviousWeapon(0, ammo), 3);
  int32_t none[10] = {};
  EXPECT_EQ(NextWeapon(2, none), 0);
  EXPECT_EQ(PreviousWeapon(2, none), 0);

  float raise = 1.0f;
  EXPECT_TRUE(StartWeaponChange(raise));
  EXPECT_FLOAT_EQ(raise, -1.0f);
  raise = -0.7f;
  EXPECT_TRUE(StartWeaponChange(raise));
  EXPECT_FLOAT_EQ(raise, -0.4f);
  raise = 0.5f;
  EXPECT_FALSE(StartWeaponChange(raise));
  EXPECT_FLOAT_EQ(raise, 0.5f);
}

TEST_F(PlayerRules, PressingEWhileTheWeaponRisesChangesNothing) {
  gameMode = 0;
  mapNumber = 4;
  simulator = nullptr;
  PlayerRecord& p = players[0];
  for (int i = 0; i < 4; ++i) p.ammo[i] = 10;
  p.currentWeapon = 1;
  p.weaponRaise = 0.5f;
  keys['E'] = true;
  p.UpdateLocal();
  EXPECT_EQ(p.currentWeapon, 1);
  EXPECT_TRUE(keyLatch);
  // The latch holds until the key is let go.
  p.weaponRaise = 1.0f;
  p.UpdateLocal();
  EXPECT_EQ(p.currentWeapon, 1);
  keys['E'] = false;
  keyLatch = false;
  keys['E'] = true;
  p.UpdateLocal();
  EXPECT_EQ(p.currentWeapon, 2);
  EXPECT_LT(p.weaponRaise, 0.0f);
}

TEST_F(PlayerRules, CareerAmmunitionAndWeaponByMap) {
  for (int map = 1; map <= 7; ++map) {
    int32_t ammo[10] = {};
    SetCareerAmmo(ammo, map);
    const int32_t expected[6] = {0, map > 1 ? 50 : 0, map > 2 ? 5 : 0, map > 3 ? 50 : 0, map > 4 ? 5 : 0,
                                 map > 5 ? 50 : 0};
    for (int w = 0; w < 6; ++w) EXPECT_EQ(ammo[w], expected[w]) << "map " << map << " weapon " << w;
    EXPECT_EQ(CareerWeapon(map), std::min(map - 1, 5));
  }
}

TEST_F(PlayerRules, InitSinglePlayerAndTheHostsWaitingSlot) {
  const Vec3 gravity(0, -4, 0);
  simulator = CreateSimulator(SimulatorSizeInfo{}, nullptr, &gravity);
  mapNumber = 3;
  gameMode = 0;
  players[0].Init(simulator, Vec3(1, 2, 3), Vec3(1, 0, 0), 0);
  EXPECT_NE(players[0].body, nullptr);
  EXPECT_FLOAT_EQ(players[0].health, 100.0f);
  EXPECT_EQ(players[0].ammo[0], 50);
  EXPECT_EQ(players[0].ammo[2], 5);
  EXPECT_EQ(players[0].ammo[3], 0);
  EXPECT_EQ(players[0].currentWeapon, 2);
  EXPECT_EQ(players[0].shownWeapon, 2);
  EXPECT_FLOAT_EQ(players[0].body->GetPos().y, 2.0f);

  gameMode = 1;
  players[1].Init(simulator, Vec3(6, 2, 3), Vec3(1, 0, 0), 1);
  EXPECT_FLOAT_EQ(players[1].health, -100.0f);
  EXPECT_FLOAT_EQ(players[1].deathTimer, 20.0f);
  EXPECT_FLOAT_EQ(players[1].respawnTimer, 20.0f);
  EXPECT_FALSE(players[1].body->IsActive());
  EXPECT_EQ(players[1].ammo[0], 100);
  EXPECT_EQ(players[1].ammo[1], 100);
  EXPECT_EQ(players[1].currentWeapon, 0);
}

TEST_F(PlayerRules, RespawnPicksRowsByIndexAndCopesWithShortTables) {
  const Vec3 gravity(0, -4, 0);
  simulator = CreateSimulator(SimulatorSizeInfo{}, nullptr, &gravity);
  gameMode = 1;
  SetSpawnPoints(10);
  players[1].Init(simulator, Vec3(0, 2, 0), Vec3(1, 0, 0), 1);
  for (int i = 0; i < 20; ++i) {
    players[1].health = 0.0f;
    players[1].deathTimer = 5.0f;
    RespawnPlayerByIndex(1);
    EXPECT_TRUE(players[1].body->IsActive());
    EXPECT_FLOAT_EQ(players[1].health, 100.0f);
    EXPECT_FLOAT_EQ(players[1].deathTimer, 0.0f);
    EXPECT_EQ(players[1].skin, 1);
    EXPECT_EQ(players[1].ammo[0], 50);
    EXPECT_EQ(players[1].ammo[1], 0);  // a LAN respawn leaves only the pistol
    const float z = players[1].body->GetPos().z;
    EXPECT_GE(z, 50.0f);  // rows 5..9
    EXPECT_LE(z, 90.0f);
  }
  // A map with only three points: rows beyond the table are not used.
  SetSpawnPoints(3);
  for (int i = 0; i < 20; ++i) {
    RespawnPlayerByIndex(1);
    EXPECT_LE(players[1].body->GetPos().z, 20.0f);
  }
  // No points at all: the body stays where it is.
  lastSpawnPointIndex = -1;
  players[1].body->SetPos(Vec3(7, 8, 9));
  RespawnPlayerByIndex(1);
  EXPECT_FLOAT_EQ(players[1].body->GetPos().x, 7.0f);
}

TEST_F(PlayerRules, WalkingForwardMovesTheBodyAndReleasingBrakesItToRest) {
  CreatePhysicsWorld();
  ASSERT_NE(simulator, nullptr);
  PlayerRecord& p = players[0];
  RunFrames(100);  // settle on the floor
  const Vec3 start = p.position;
  keys['W'] = true;
  RunFrames(300);
  const float moved = p.position.x - start.x;
  EXPECT_GT(moved, 5.0f);
  EXPECT_NEAR(p.position.z, start.z, 0.5f);
  // Horizontal speed stays near the limit of 3.5 (the limit brakes, the keys push again).
  EXPECT_LT(std::sqrt(p.velocity.x * p.velocity.x + p.velocity.z * p.velocity.z), 4.5f);
  EXPECT_GT(p.bobPhase, 0.0f);
  EXPECT_EQ(p.legsAnimWanted, kLegsRun);
  keys['W'] = false;
  RunFrames(400);
  EXPECT_LT(std::sqrt(p.velocity.x * p.velocity.x + p.velocity.z * p.velocity.z), 0.05f);
  EXPECT_EQ(p.legsAnimWanted, kLegsStand);
  // eyePosition and lookDirection follow the record with one frame's delay.
  EXPECT_FLOAT_EQ(lookDirection.x, p.viewDirection.x);
}

TEST_F(PlayerRules, HostQueuesFootstepAndChangeEvents) {
  gameMode = 1;
  CreatePhysicsWorld();
  PlayerRecord& p = players[0];
  ResetSoundEvents();
  p.UpdateLocal();
  // Standing still: event 23.
  EXPECT_EQ(soundEvents[0].code, kEventHostStill);
  EXPECT_EQ(soundEvents[0].done, 0);
  keys['E'] = true;
  p.UpdateLocal();
  EXPECT_EQ(soundEvents[1].code, kEventHostChange);
  // A footstep event every frame keeps one slot, however many frames pass before a send.
  for (int i = 0; i < 40; ++i) p.UpdateLocal();
  int steps = 0, free = 0;
  for (const SoundEvent& e : soundEvents) {
    steps += e.code == kEventHostSteps || e.code == kEventHostStill;
    free += e.code == -1;
  }
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(free, kSoundEventSlots - 2);
}

TEST_F(PlayerRules, RemotePlayerFollowsTheClientsViewAndKeys) {
  gameMode = 1;
  CreatePhysicsWorld();
  PlayerRecord& p = players[1];
  players[1].Respawn(1);
  p.viewDirection.Set(1, 0, 0);
  remoteInput.viewDirection[0] = 0.0f;
  remoteInput.viewDirection[2] = 1.0f;
  remoteInput.forwardKey = 2;
  p.UpdateOther();
  // Each component moves a tenth of the way per 10 ms.
  EXPECT_NEAR(p.viewDirection.x, 0.9f, 1e-5f);
  EXPECT_NEAR(p.viewDirection.z, 0.1f, 1e-5f);
  EXPECT_EQ(p.legsAnimWanted, kLegsRun);
  EXPECT_GT(Len(p.forwardMove), 0.0f);
  // Weapon change on the client's key, once per press.
  p.ammo[1] = 10;
  remoteInput.nextWeaponKey = 2;
  p.UpdateOther();
  EXPECT_EQ(p.currentWeapon, 1);
  p.weaponRaise = 1.0f;
  p.UpdateOther();
  EXPECT_EQ(p.currentWeapon, 1);
  bool queued = false;
  for (const SoundEvent& e : soundEvents) queued = queued || e.code == kEventClientChange;
  EXPECT_TRUE(queued);
}

}  // namespace
