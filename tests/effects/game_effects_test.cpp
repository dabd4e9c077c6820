// The state halves of the pick-ups, the HUD, the view weapon and the drawn actors.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/frame.h"
#include "effects_fixture.h"
#include "game/bandits.h"
#include "game/data_files.h"
#include "game/draw_characters.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/player.h"
#include "game/prizes.h"
#include "game/view.h"
#include "game/view_weapon.h"

namespace {

TEST_F(Effects, TheLanClientBurstsAtTheLastReportedHit) {
  ResetSoundEvents();
  for (Particle& p : hitParticles) p.life = -1.0f;
  soundEvents[2].code = kEventClientHit;
  soundEvents[2].position = Vec3(1.0f, 0.0f, 0.0f);
  soundEvents[7].code = kEventClientHit;
  soundEvents[7].position = Vec3(7.0f, 0.0f, 0.0f);
  soundEvents[9].code = kEventHostSteps;
  gameMode = 1;  // the host reads no hits from the queue
  TriggerHitBurst();
  EXPECT_EQ(soundEvents[2].code, kEventClientHit);
  EXPECT_EQ(hitParticles[0].life, -1.0f);
  gameMode = 2;
  TriggerHitBurst();
  EXPECT_EQ(soundEvents[2].code, -1);
  EXPECT_EQ(soundEvents[7].code, -1);
  EXPECT_EQ(soundEvents[9].code, kEventHostSteps);
  EXPECT_FALSE(hitFlag);
  for (const Particle& p : hitParticles) EXPECT_EQ(p.x, 7.0f);  // one burst, at the last event
  gameMode = 0;
  ResetSoundEvents();
}


// In a frame of the client the queue is played (and its slots freed) before the hit burst looks
// for the host's hit reports: a report must survive the play pass to show its burst.
TEST_F(Effects, TheLanClientHitReportSurvivesThePlayPassOfItsFrame) {
  ResetSoundEvents();
  for (Particle& p : hitParticles) p.life = -1.0f;
  soundEvents[4].code = kEventClientHit;
  soundEvents[4].position = Vec3(3.0f, 4.0f, 5.0f);
  gameMode = 2;
  PlaySoundEvents();
  // Everything else is played and freed.
  for (int i = 0; i < kSoundEventSlots; ++i) {
    if (i != 4) {
      EXPECT_EQ(soundEvents[i].code, -1);
    }
  }
  TriggerHitBurst();
  EXPECT_EQ(soundEvents[4].code, -1);
  for (const Particle& p : hitParticles) {
    EXPECT_EQ(p.x, 3.0f);
    EXPECT_EQ(p.z, 5.0f);
  }
  gameMode = 0;
  ResetSoundEvents();
}


TEST_F(Effects, SpareBurstEmitsForOneSecondAfterAShot) {
  frameStep = 50.0f;  // half a second per call
  spareBurstFlag = true;
  muzzlePoint = Vec3(1.0f, 1.0f, 1.0f);
  TriggerSpareBurst();
  EXPECT_FALSE(spareBurstFlag);
  EXPECT_FLOAT_EQ(spareBurstTimer, 0.5f);
  for (const Particle& p : spareParticles) EXPECT_EQ(p.x, 1.0f);
  for (Particle& p : spareParticles) p.life = 0.0f;  // all spent: re-spawned while the window is open
  muzzlePoint = Vec3(2.0f, 2.0f, 2.0f);
  TriggerSpareBurst();
  EXPECT_EQ(spareParticles[29].x, 2.0f);
  for (Particle& p : spareParticles) p.life = 0.0f;
  muzzlePoint = Vec3(3.0f, 3.0f, 3.0f);
  TriggerSpareBurst();  // window closed
  EXPECT_EQ(spareParticles[0].x, 2.0f);
  frameStep = 1.0f;
}


class Prizes : public ::testing::Test {
 protected:
  void SetUp() override {
    gameMode = 0;
    mapNumber = 1;
    lastPrizePointIndex = 0;
    prizePoints[0] = PrizePoint{};
    prizePoints[0].x = 10.0f;
    for (int& a : players[0].ammo) a = 0;
    prizeSpinPhase = 0.0f;
    pickupMessageAlpha = 0.0f;
  }
  void TearDown() override {
    lastPrizePointIndex = -1;
    mapNumber = 1;
  }
  PrizeFrameRow Step(const Vec3& at, float step = 1.0f) {
    PrizeFrameRow rows[2];
    UpdatePrizes(at, step, rows);
    return rows[0];
  }
};

TEST_F(Prizes, ANewPrizeShowsAtOnceButIsTakenFromTheSecondFrame) {
  const Vec3 on(10.0f, 0.0f, 0.0f);
  PrizeFrameRow r = Step(on);
  EXPECT_TRUE(r.drawn);
  EXPECT_EQ(r.alpha, 1.0f);
  EXPECT_FALSE(r.taken);
  r = Step(on);
  EXPECT_TRUE(r.taken);
  EXPECT_EQ(players[0].ammo[0], 50);
  EXPECT_EQ(pickupMessageAlpha, 1.0f);
  EXPECT_FLOAT_EQ(prizePoints[0].timer, -40.0f + 0.01f);
}

TEST_F(Prizes, ATakenPrizeHidesThenFadesInAndReturnsAfterFortySeconds) {
  const Vec3 on(10.0f, 0.0f, 0.0f);
  Step(on);
  Step(on);  // taken
  // 38 s later: still hidden, and standing on it takes nothing.
  Step(on, 3800.0f);
  PrizeFrameRow r = Step(on);
  EXPECT_FALSE(r.drawn);
  EXPECT_FALSE(r.taken);
  // In the 40th second it fades in.
  Step(on, 100.0f);
  r = Step(on);
  EXPECT_TRUE(r.drawn);
  EXPECT_GT(r.alpha, 0.0f);
  EXPECT_LT(r.alpha, 1.0f);
  EXPECT_FALSE(r.taken);
  Step(on, 100.0f);
  r = Step(on);
  EXPECT_TRUE(r.taken);
  EXPECT_EQ(players[0].ammo[0], 100);
}

TEST_F(Prizes, FarPrizesAreNeitherDrawnNorTakenButTheirTimersRun) {
  PrizeFrameRow r = Step(Vec3(110.0f, 0.0f, 0.0f));  // exactly 100 units
  EXPECT_FALSE(r.drawn);
  EXPECT_FLOAT_EQ(prizePoints[0].timer, 0.01f);
  EXPECT_FLOAT_EQ(prizeSpinPhase, 0.02f);
  prizePoints[0].type = -1;  // hidden rows are never drawn
  r = Step(Vec3(10.0f, 0.0f, 0.0f));
  EXPECT_FALSE(r.drawn);
  EXPECT_FALSE(r.taken);
}

TEST_F(Prizes, AmmoRefillDependsOnTheMapAndIsCapped) {
  mapNumber = 3;
  players[0].ammo[4] = 25;  // over its cap: cut back by any refill
  GiveAmmoPickup();
  EXPECT_EQ(ammoPickupLastWeapon, 2);
  EXPECT_EQ(players[0].ammo[0], 50);
  EXPECT_EQ(players[0].ammo[1], 50);
  EXPECT_EQ(players[0].ammo[2], 10);
  EXPECT_EQ(players[0].ammo[3], 0);
  EXPECT_EQ(players[0].ammo[4], 10);
  mapNumber = 6;
  players[0].ammo[0] = 80;
  GiveAmmoPickup();
  EXPECT_EQ(ammoPickupLastWeapon, 5);
  EXPECT_EQ(players[0].ammo[0], 100);
  EXPECT_EQ(players[0].ammo[5], 50);
  EXPECT_EQ(PickupMessageLineCount(2), 3);
  EXPECT_EQ(PickupMessageLineCount(-1), 0);
}

TEST_F(Prizes, OtherPrizeTypesOnlyDisappear) {
  prizePoints[0].type = 1;
  prizePoints[0].timer = 0.5f;
  const PrizeFrameRow r = Step(Vec3(10.0f, 1.0f, 0.0f));
  EXPECT_TRUE(r.taken);
  EXPECT_EQ(players[0].ammo[0], 0);
  EXPECT_EQ(pickupMessageAlpha, 0.0f);
}

TEST(Hud, WeaponBarAndTimersAndResults) {
  EXPECT_EQ(WeaponBarAlpha(-0.4f), 1.0f);
  EXPECT_FLOAT_EQ(WeaponBarAlpha(0.25f), 0.75f);
  EXPECT_EQ(WeaponBarAlpha(1.0f), 0.0f);
  pickupMessageAlpha = 1.0f;
  healthMessageTimer = 1.0f;
  AdvanceHudTimers(100.0f);
  EXPECT_FLOAT_EQ(pickupMessageAlpha, 0.8f);
  EXPECT_FLOAT_EQ(healthMessageTimer, 0.0f);
  pickupMessageAlpha = 0.0f;
  const int hostWon[2] = {10, 3};
  const int none[2] = {9, 9};
  EXPECT_STREQ(LanResultText(1, hostWon), "You win!!!");
  EXPECT_STREQ(LanResultText(2, hostWon), "You lost!");
  EXPECT_EQ(LanResultText(1, none), nullptr);
  EXPECT_EQ(LanResultText(0, hostWon), nullptr);
}

class ViewWeapon : public ::testing::Test {
 protected:
  void SetUp() override {
    PlayerRecord& p = players[0];
    p.weaponRaise = 1.0f;
    p.shotTimer = 5.0f;
    p.bobPhase = 0.0f;
    p.recoilPhase = 0.0f;
    p.weaponLower = 0.0f;
    p.currentWeapon = 0;
  }
};

TEST_F(ViewWeapon, RecoilAndFlashOnlyInTheWindowAfterAShot) {
  PlayerRecord& p = players[0];
  p.shotTimer = 0.05f;
  EXPECT_TRUE(RecoilWindowOpen(p));
  UpdateRecoil(p);
  EXPECT_FLOAT_EQ(p.recoilPhase, 0.05f * 20.943f);
  EXPECT_NEAR(MuzzleFlashAlpha(p), 0.5f, 1e-3f);
  p.shotTimer = 0.1f;  // flash gone (negative alpha clamps to 0), weapon still kicking
  EXPECT_LT(MuzzleFlashAlpha(p), 0.0f);
  UpdateRecoil(p);
  EXPECT_GT(ViewWeaponOffset(p).z, 0.04f);
  p.shotTimer = 0.2f;  // window closed: the phase keeps its last value
  UpdateRecoil(p);
  EXPECT_FLOAT_EQ(p.recoilPhase, 0.1f * 20.943f);
  EXPECT_EQ(MuzzleFlashAlpha(p), 0.0f);
  p.shotTimer = 0.01f;
  p.weaponRaise = 0.5f;  // raising after a change: neither recoil nor flash
  EXPECT_FALSE(RecoilWindowOpen(p));
  EXPECT_EQ(MuzzleFlashAlpha(p), 0.0f);
  p.weaponRaise = 1.0f;
  p.shotTimer = 0.0f;
  EXPECT_FALSE(RecoilWindowOpen(p));
}

TEST_F(ViewWeapon, OffsetsFollowBobAndLowering) {
  PlayerRecord& p = players[0];
  p.weaponLower = -1.0f;
  Vec3 o = ViewWeaponOffset(p);
  EXPECT_FLOAT_EQ(o.x, 0.05f);
  EXPECT_FLOAT_EQ(o.y, -1.8f);
  EXPECT_FLOAT_EQ(o.z, 0.0f);
  p.currentWeapon = 3;
  Vec3 f;
  ASSERT_TRUE(MuzzleFlashOffset(p, f));
  EXPECT_FLOAT_EQ(f.x, 0.178f + 0.05f);
  EXPECT_FLOAT_EQ(f.z, -1.65f);
  EXPECT_EQ(MuzzleFlashScale(2), 4.0f);
  EXPECT_EQ(MuzzleFlashScale(4), 4.0f);
  EXPECT_EQ(MuzzleFlashScale(5), 2.0f);
  EXPECT_EQ(MuzzleFlashScale(0), 1.0f);
  p.currentWeapon = 7;
  EXPECT_FALSE(MuzzleFlashOffset(p, f));
  p.currentWeapon = 0;
}

TEST(Actors, OtherPlayerAtHealthOneCountsAsDeadAndSinks) {
  PlayerRecord& p = players[1];
  p.viewDirection = Vec3(0.0f, 0.5f, 1.0f);
  p.health = 1.0f;
  p.deathTimer = 2.0f;
  p.respawnTimer = 5.0f;
  ActorDrawState s = AdvanceOtherPlayer(p, 100.0f);
  EXPECT_FLOAT_EQ(p.deathTimer, 2.5f);
  EXPECT_FLOAT_EQ(p.respawnTimer, 5.5f);
  EXPECT_TRUE(s.faded);
  EXPECT_FLOAT_EQ(s.alpha, 0.0f);
  EXPECT_FLOAT_EQ(s.sink, 0.0f);
  s = AdvanceOtherPlayer(p, 100.0f);
  EXPECT_FLOAT_EQ(s.sink, 25.0f);  // 25 units per second once sinking
  // Respawned while the death fade still holds: the respawn fade decides.
  p.health = 0.5f;
  p.deathTimer = 1.8f;
  p.respawnTimer = 1.4f;
  s = AdvanceOtherPlayer(p, 20.0f);
  EXPECT_NEAR(s.alpha, 0.5f, 1e-5f);
  p.health = 100.0f;
  p.deathTimer = 0.0f;
  p.respawnTimer = 3.0f;
  s = AdvanceOtherPlayer(p, 1.0f);
  EXPECT_FALSE(s.faded);
  EXPECT_FLOAT_EQ(p.deathTimer, 0.0f);
  p.viewDirection = Vec3(0.0f, 0.0f, 1.0f);
}

TEST(Actors, BanditsAtHealthZeroAreDeadAndFadeInAfterSpawn) {
  BanditRecord& b = bandits[0];
  b.direction = Vec3(10.0f, 0.0f, 0.0f);
  b.health = 0.0f;
  b.deathTimer = 1.0f;
  b.spawnFade = 0.4f;
  ActorDrawState s = AdvanceBandit(b, 100.0f);
  EXPECT_FLOAT_EQ(b.deathTimer, 1.5f);
  EXPECT_FLOAT_EQ(b.spawnFade, 0.9f);
  EXPECT_TRUE(s.faded);
  EXPECT_FLOAT_EQ(s.alpha, 0.9f);
  b.health = 50.0f;
  b.spawnFade = 2.0f;
  s = AdvanceBandit(b, 1.0f);
  EXPECT_FALSE(s.faded);
  EXPECT_FLOAT_EQ(b.deathTimer, 1.5f);
  // A parked slot (health -100, deathTimer 8) is transparent and 275 units or more under ground.
  b.health = -100.0f;
  b.deathTimer = 8.0f;
  s = AdvanceBandit(b, 0.0f);
  EXPECT_LE(s.alpha, 0.0f);
  EXPECT_GE(s.sink, 275.0f);
  b.health = -100.0f;
  b.deathTimer = 8.0f;
  b.spawnFade = 0.0f;
}

TEST(Actors, FlashTablesAndSkins) {
  EXPECT_FLOAT_EQ(BanditFlashAlpha(0.0f), 1.0f);
  EXPECT_LT(BanditFlashAlpha(0.15f), 0.0f);
  EXPECT_EQ(BanditFlashAlpha(0.16f), 0.0f);
  EXPECT_EQ(BanditSkinTexture(0, 0), 50);
  EXPECT_EQ(BanditSkinTexture(4, 1), 59);
  EXPECT_EQ(BanditSkinTexture(5, 0), -1);
  EXPECT_EQ(BanditSkinTexture(1, 7), -1);
  EXPECT_EQ(OtherPlayerSkinTexture(1), 9);
  EXPECT_STREQ(LegsAnimationName(4), "LEGS_5");
  EXPECT_EQ(LegsAnimationName(5), nullptr);
  EXPECT_STREQ(TorsoAnimationName(2), "TORSO_3");
  EXPECT_EQ(TorsoAnimationName(3), nullptr);
}

}  // namespace
