// Weapons and the shot: the damage falloff, the fire gate and rates, weapon-change delays, hits on
// bandits through the hit meshes, walls that hide them, kills, blood decals and wall marks, and
// the LAN host's hits on the other player.
#include <gtest/gtest.h>

#include "game_test_support.h"
#include "platform/clock.h"

namespace {

class WeaponRules : public ::testing::Test {
 protected:
  void SetUp() override { Build({Floor()}); }
  void TearDown() override { OverrideCursorPos(false); }

  void Build(std::initializer_list<Quad> quads) {
    ResetGameWorld(quads);
    CreatePhysicsWorld();
    ASSERT_NE(simulator, nullptr);
    PlayerRecord& p = players[0];
    p.position.Set(0, 0, 0);  // eye at (0, 2.5, 0)
    p.viewDirection.Set(1, 0, 0);
    p.ammo[0] = 50;
    p.currentWeapon = 0;
    p.weaponRaise = 1.0f;
    p.shotTimer = 10.0f;
  }

  // A living bandit standing with its body centre at (x, 1.25, z), facing the player.
  static void Place(int i, float x, float z = 0.0f) {
    bandits[i].Spawn(Vec3(x, 1.25f, z));
    bandits[i].direction.Set(-10, 0, 0);
  }

  static void Fire() {
    fireHeld = true;
    players[0].FireWeapon(true);
  }
};

TEST(DamageFactor, FullUpToTenUnitsThenFallingToNothingAtTheRange) {
  EXPECT_FLOAT_EQ(DamageFactor(0.0f, 8100.0f), 1.0f);
  EXPECT_FLOAT_EQ(DamageFactor(100.0f, 8100.0f), 1.0f);
  EXPECT_FLOAT_EQ(DamageFactor(8100.0f, 8100.0f), 0.0f);
  EXPECT_FLOAT_EQ(DamageFactor(9000.0f, 8100.0f), 0.0f);
  EXPECT_FLOAT_EQ(DamageFactor(4100.0f, 8100.0f), 0.5f);
  // A range of 10 units or less cannot divide by zero.
  EXPECT_FLOAT_EQ(DamageFactor(150.0f, 100.0f), 0.0f);
}

TEST(HitModelMatrix, TranslatesThenTurnsAboutTheVertical) {
  float m[16];
  HitModelMatrix(Vec3(1, 2, 3), 90.0f, m);
  // The model's +x axis turns by -90 degrees about y: to +z.
  const float x = m[0] * 1 + m[4] * 0 + m[8] * 0 + m[12];
  const float z = m[2] * 1 + m[6] * 0 + m[10] * 0 + m[14];
  EXPECT_NEAR(x, 1.0f, 1e-6f);
  EXPECT_NEAR(z, 4.0f, 1e-6f);
  EXPECT_FLOAT_EQ(m[13], 2.0f);
  EXPECT_FLOAT_EQ(m[15], 1.0f);
}

TEST_F(WeaponRules, ABanditNineUnitsAwayLosesThirtyAndTheHitBurstStarts) {
  Place(0, 10.0f);  // front face at x 9
  Fire();
  EXPECT_FLOAT_EQ(bandits[0].health, 70.0f);
  EXPECT_TRUE(hitFlag);
  EXPECT_NEAR(hitPoint.x, 9.0f, 1e-4f);
  EXPECT_EQ(players[0].ammo[0], 49);
  EXPECT_FLOAT_EQ(players[0].shotTimer, 0.0f);
  EXPECT_FALSE(impactFlag);  // no wall within 90 units
}

TEST_F(WeaponRules, FarHitsDealLessAndBeyondTheRangeNothing) {
  players[0].currentWeapon = 2;  // range 50
  players[0].ammo[2] = 5;
  Place(0, 41.0f);  // face at 40: d2 1600
  Fire();
  EXPECT_NEAR(bandits[0].health, 100.0f - 120.0f * (2500.0f - 1600.0f) / 2400.0f, 1e-3f);
  players[0].shotTimer = 10.0f;
  Place(1, 61.0f, 0.0f);
  bandits[0].health = -1.0f;  // out of the way (dead bandits are not hit)
  Fire();
  EXPECT_FLOAT_EQ(bandits[1].health, 100.0f);
}

TEST_F(WeaponRules, AKillCountsAndLaysABloodDecal) {
  Place(0, 8.0f);
  bandits[0].health = 20.0f;
  Fire();
  EXPECT_LE(bandits[0].health, 0.0f);
  EXPECT_EQ(players[0].kills, 1);
  // The decal lies on the floor behind the bandit (3.2 units further along its back).
  EXPECT_FLOAT_EQ(bloodDecals[0].life, 1.0f);
  EXPECT_NEAR(bloodDecals[0].position.x, 8.0f + 3.2f, 1e-3f);
  EXPECT_NEAR(std::fabs(bloodDecals[0].position.y), 0.05f, 1e-3f);
  // A dead bandit is not hit again.
  players[0].shotTimer = 10.0f;
  Fire();
  EXPECT_EQ(players[0].kills, 1);
  EXPECT_LE(bloodDecals[1].life, 0.0f);
}

TEST_F(WeaponRules, WallsHideBanditsAndTakeMarks) {
  Build({Floor(), WallAtX(20.0f)});
  Place(0, 30.0f);  // behind the wall
  Fire();
  EXPECT_FLOAT_EQ(bandits[0].health, 100.0f);
  EXPECT_FALSE(hitFlag);
  EXPECT_TRUE(impactFlag);
  EXPECT_FLOAT_EQ(impactMarks[0].life, 1.0f);
  EXPECT_NEAR(std::fabs(impactMarks[0].position.x - 20.0f), 0.01f, 1e-4f);
  EXPECT_FLOAT_EQ(impactMarks[0].size, 0.25f);
  EXPECT_FLOAT_EQ(impactSmokeScale, 0.5f);
}

TEST_F(WeaponRules, TwoBanditsInFrontOfAWallBothTakeTheShotAndNoMarkIsMade) {
  Build({Floor(), WallAtX(40.0f)});
  Place(0, 10.0f);
  Place(1, 20.0f);
  Fire();
  EXPECT_FLOAT_EQ(bandits[0].health, 70.0f);
  EXPECT_LT(bandits[1].health, 100.0f);
  EXPECT_FALSE(impactFlag);
  EXPECT_LE(impactMarks[0].life, 0.0f);
  EXPECT_NEAR(hitPoint.x, 9.0f, 1e-3f);
}

// Whichever of the two comes first in the table: the one in front takes the shot and cancels the
// mark, the one behind the wall is measured against the wall itself and stays unhurt.
TEST_F(WeaponRules, ABanditBehindTheWallStaysUnhurtWhenAnotherStandsInFront) {
  for (int hidden : {0, 1}) {
    SCOPED_TRACE(hidden);
    Build({Floor(), WallAtX(20.0f)});
    Place(hidden, 30.0f);      // behind the wall
    Place(1 - hidden, 10.0f);  // in front of it
    Fire();
    EXPECT_FLOAT_EQ(bandits[1 - hidden].health, 70.0f);
    EXPECT_FLOAT_EQ(bandits[hidden].health, 100.0f);
    EXPECT_FALSE(impactFlag);
  }
}

TEST_F(WeaponRules, FireRatesAndThePistolsRelease) {
  PlayerRecord& p = players[0];
  p.currentWeapon = 1;
  p.ammo[1] = 5;
  p.shotTimer = 0.0f;
  fireHeld = true;
  // Weapon 1 every 0.12 s: 12 frames of 10 ms.
  int shots = 0;
  for (int f = 0; f < 100; ++f) {
    const int before = p.ammo[1];
    p.FireWeapon(true);
    shots += before - p.ammo[1];
  }
  EXPECT_EQ(shots, 5);  // until the ammunition runs out (0.12 x 5 < 1 s)
  EXPECT_EQ(p.ammo[1], 0);

  // The pistol held: every 0.7 s.
  p.currentWeapon = 0;
  p.ammo[0] = 50;
  p.shotTimer = 0.0f;
  shots = 0;
  for (int f = 0; f < 200; ++f) {
    const int before = p.ammo[0];
    p.FireWeapon(true);
    shots += before - p.ammo[0];
  }
  EXPECT_EQ(shots, 2);  // at 0.7 s and 1.4 s
  // Released, it is ready at once.
  fireHeld = false;
  p.FireWeapon(true);
  EXPECT_FLOAT_EQ(p.shotTimer, 0.7f);
  fireHeld = true;
  const int before = p.ammo[0];
  p.FireWeapon(true);
  EXPECT_EQ(p.ammo[0], before - 1);
}

TEST_F(WeaponRules, NothingFiresWhileTheWeaponChanges) {
  PlayerRecord& p = players[0];
  p.weaponRaise = -1.0f;
  p.currentWeapon = 1;
  p.ammo[1] = 50;
  fireHeld = true;
  int frames = 0;
  while (p.ammo[1] == 50 && frames < 1000) {
    p.FireWeapon(true);
    ++frames;
  }
  // 1.6 s of raising at 0.0125 per 10 ms.
  EXPECT_NEAR(frames, 161, 1);
  // The model switched at the bottom of the movement.
  EXPECT_EQ(p.shownWeapon, 1);

  p.weaponRaise = -0.4f;
  p.ammo[1] = 50;
  frames = 0;
  while (p.ammo[1] == 50 && frames < 1000) {
    p.FireWeapon(true);
    ++frames;
  }
  EXPECT_NEAR(frames, 113, 1);
}

TEST_F(WeaponRules, WeaponLowersThenRises) {
  PlayerRecord& p = players[0];
  p.weaponRaise = -1.0f;
  fireHeld = false;
  p.FireWeapon(true);
  EXPECT_NEAR(p.weaponLower, -(-1.0f + 0.0125f) - 1.0f, 1e-6f);
  p.weaponRaise = 0.5f;
  p.FireWeapon(true);
  EXPECT_NEAR(p.weaponLower, 0.5125f - 1.0f, 1e-6f);
}

// Dead by the HUD's rule, at no health or at the 0.5 that a LAN hit once left: the button held
// from before death fires nothing, the keys move nothing, no weapon changes (E, the right button),
// a new press is not taken, and the frame's rules let go of the held button. The client's player
// on the host, holding its fire key, does not shoot either.
TEST_F(WeaponRules, TheDeadNeitherFireNorMoveNorChangeWeapons) {
  PlayerRecord& p = players[0];
  p.ammo[1] = 50;
  Place(0, 10.0f);
  for (float health : {0.0f, 0.5f, 1.0f}) {
    SCOPED_TRACE(health);
    p.health = health;
    p.shotTimer = 10.0f;
    fireHeld = true;
    keyLatch = false;
    keys['W'] = keys['E'] = true;
    p.UpdateLocal();
    EXPECT_EQ(p.ammo[0], 50);
    EXPECT_FLOAT_EQ(bandits[0].health, 100.0f);
    EXPECT_EQ(p.currentWeapon, 0);
    EXPECT_FLOAT_EQ(p.weaponRaise, 1.0f);
    EXPECT_FLOAT_EQ(p.forwardMove.x, 0.0f);
    GameWindowProc(Message{WM_RBUTTONDOWN, 0, 0});
    EXPECT_FLOAT_EQ(p.weaponRaise, 1.0f);
    ApplyPlayRules();
    EXPECT_FALSE(fireHeld);
    GameWindowProc(Message{WM_LBUTTONDOWN, 0, 0});
    EXPECT_FALSE(fireHeld);
  }
  // Alive again, the same keys act.
  p.health = 100.0f;
  keyLatch = false;
  fireHeld = true;
  p.UpdateLocal();
  EXPECT_EQ(p.ammo[0], 49);
  EXPECT_EQ(p.currentWeapon, 1);

  gameMode = 1;
  PlayerRecord& remote = players[1];
  remote.Init(simulator, Vec3(0, 0, 0), Vec3(1, 0, 0), 1);
  remote.Respawn(1);
  remote.position.Set(0, 0, 0);
  remote.viewDirection.Set(-1, 0, 0);
  remote.shotTimer = 10.0f;
  remote.health = 0.5f;
  remoteInput.fireKey = 2;
  remote.FireWeapon(false);
  EXPECT_EQ(remote.ammo[0], 50);
}

TEST_F(WeaponRules, HostHitsTheOtherPlayerForHalfDamageAndScores) {
  gameMode = 1;
  ResetSoundEvents();
  PlayerRecord& target = players[1];
  target.ResetFields();
  target.Init(simulator, Vec3(5, 0.0f, 0), Vec3(1, 0, 0), 1);
  target.Respawn(1);
  target.position.Set(5.0f, 0.0f, 0.0f);
  players[0].currentWeapon = 2;
  players[0].ammo[2] = 5;
  Fire();
  EXPECT_FLOAT_EQ(target.health, 40.0f);  // 120 x 0.5
  EXPECT_TRUE(hitFlag);
  EXPECT_EQ(soundEvents[0].code, 2);  // the host's shot of weapon 2
  // A kill scores, takes the body out of the world and leaves no health, also when the damage
  // stops short of zero (15 from 15.5: dead by every rule only at 0).
  for (float health : {30.0f, 15.5f}) {
    target.health = health;
    target.body->Active(true, static_cast<RigidBody*>(nullptr));
    players[0].currentWeapon = health > 20.0f ? 2 : 0;
    players[0].shotTimer = 10.0f;
    Fire();
    EXPECT_EQ(target.health, 0.0f) << health;
    EXPECT_FALSE(target.body->IsActive());
  }
  EXPECT_EQ(scores[0], 2);
  // A target at 1.0 or less cannot be hit.
  target.health = 1.0f;
  players[0].shotTimer = 10.0f;
  Fire();
  EXPECT_FLOAT_EQ(target.health, 1.0f);
  EXPECT_EQ(scores[0], 2);
}

TEST_F(WeaponRules, TheClientsHitOnTheHostIsAnEvent) {
  gameMode = 1;
  ResetSoundEvents();
  PlayerRecord& shooter = players[1];
  shooter.Init(simulator, Vec3(0, 0, 0), Vec3(1, 0, 0), 1);
  shooter.Respawn(1);
  shooter.index = 1;
  shooter.position.Set(0, 0, 0);
  shooter.viewDirection.Set(1, 0, 0);
  shooter.ammo[0] = 5;
  shooter.shotTimer = 10.0f;
  players[0].position.Set(5, 0, 0);
  players[0].health = 100.0f;
  remoteInput.fireKey = 2;
  shooter.FireWeapon(false);
  EXPECT_FLOAT_EQ(players[0].health, 85.0f);
  EXPECT_EQ(soundEvents[0].code, 10);  // the client's pistol shot
  EXPECT_EQ(soundEvents[1].code, kEventClientHit);
  EXPECT_FALSE(hitFlag);
}

// A slow machine at 80 ms per frame: 3 s of wall time advance the game by 3 s less what the cap
// takes off each frame (37.5 frames of 50 ms), and a held machine gun fires all the rounds that
// time allows, not one.
TEST(SlowFrames, KeepTheGameRunningAndTheGunFiring) {
  int64_t counter = 1'000'000'000;
  InstallFakeClock(&counter);
  ResetFrameClock();
  TimerInit();
  AdvanceFrameClock();
  ResetGameWorld();
  CreatePhysicsWorld();
  ASSERT_NE(simulator, nullptr);
  PlayerRecord& p = players[0];
  p.currentWeapon = 1;  // 0.12 s between rounds
  p.ammo[1] = 100;
  p.weaponRaise = 1.0f;
  p.shotTimer = 10.0f;
  fireHeld = true;
  const float clockBefore = gameClock;
  int frames = 0;
  for (double wall = 0.0; wall < 3000.0; wall += 80.0, ++frames) {
    counter += 80'000'000;
    AdvanceFrameClock();
    UpdateWorld();
  }
  EXPECT_EQ(frames, 38);
  EXPECT_NEAR(gameClock - clockBefore, 38 * 50.0f, 1.0f);
  // Each frame is 50 ms of game time, so a round leaves every third frame (0.15 s >= 0.12 s).
  EXPECT_EQ(100 - p.ammo[1], 13);
  fireHeld = false;
  DestroySimulator(simulator);
  simulator = nullptr;
  InstallFakeClock(nullptr);
  OverrideCursorPos(false);
}

}  // namespace
