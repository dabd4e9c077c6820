// The bandits' rules: spawning by the points' timers and the cap, life states, slot reuse, the
// attack cycle and the damage of their shots.
#include <gtest/gtest.h>

#include "game_test_support.h"

namespace {

class BanditRules : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGameWorld();
    CreatePhysicsWorld();
    ASSERT_NE(simulator, nullptr);
  }
  void TearDown() override { OverrideCursorPos(false); }
};

int Alive() {
  int n = 0;
  for (int i = 0; i <= lastBanditIndex; ++i) n += bandits[i].health > 0.0f ? 1 : 0;
  return n;
}

TEST(BanditDamage, FallsWithDistanceAndScalesWithDifficulty) {
  EXPECT_FLOAT_EQ(BanditShotDamage(20.0f, 1), 4.0f);
  EXPECT_FLOAT_EQ(BanditShotDamage(20.0f, 3), 12.0f);
  EXPECT_FLOAT_EQ(BanditShotDamage(20.0f, 7), 28.0f);
  EXPECT_FLOAT_EQ(BanditShotDamage(0.0f, 7), 35.0f);
  EXPECT_FLOAT_EQ(BanditShotDamage(100.0f, 7), 0.0f);
  EXPECT_FLOAT_EQ(BanditShotDamage(150.0f, 7), 0.0f);
}

TEST_F(BanditRules, FourParkedBodiesFromTheFirstFrame) {
  for (int i = 0; i <= 3; ++i) {
    ASSERT_NE(bandits[i].body, nullptr);
    const Vec3 p = bandits[i].body->GetPos();
    EXPECT_FLOAT_EQ(p.x, 10000.0f);
    EXPECT_FLOAT_EQ(p.y, -1000.0f * static_cast<float>(i));
    EXPECT_FLOAT_EQ(p.z, 10000.0f);
    EXPECT_FLOAT_EQ(bandits[i].health, -100.0f);
    EXPECT_FLOAT_EQ(bandits[i].deathTimer, 8.0f);
  }
  EXPECT_EQ(bandits[4].body, nullptr);
  EXPECT_EQ(FreeBanditSlot(), 0);
}

TEST_F(BanditRules, NoSpawnBeforeAPointIsReadyThenOnePerFrame) {
  SetSpawnPoints(10);
  for (int i = 0; i < 10; ++i) spawnPoints[i].timer = static_cast<float>(i % 15);  // as read: rand() % 15
  for (int i = 0; i < 1100; ++i) UpdateBandits();  // 11 s
  EXPECT_EQ(banditSpawnCount, 0);
  // Every point ready: one bandit per frame until the four slots are taken.
  for (int i = 0; i < 10; ++i) spawnPoints[i].timer = 30.0f;
  UpdateBandits();
  EXPECT_EQ(banditSpawnCount, 1);
  EXPECT_EQ(Alive(), 1);
  EXPECT_EQ(bandits[0].state, kBanditStateAlive);
  EXPECT_FLOAT_EQ(bandits[0].health, 100.0f);
  for (int i = 0; i < 20; ++i) UpdateBandits();
  EXPECT_EQ(Alive(), 4);
  EXPECT_EQ(banditSpawnCount, 4);
  // A used point is ready again only after 26 to 45 seconds.
  int ready = 0;
  for (int i = 0; i < 10; ++i) ready += spawnPoints[i].timer >= 25.0f ? 1 : 0;
  EXPECT_EQ(ready, 6);
}

TEST_F(BanditRules, DeathFreesTheBodyAndTheSlotComesBackAfterItsTimer) {
  SetSpawnPoints(5);
  for (int i = 0; i < 5; ++i) spawnPoints[i].timer = 30.0f;
  UpdateBandits();
  ASSERT_GT(bandits[0].health, 0.0f);
  bandits[0].health = -5.0f;
  UpdateBandits();
  EXPECT_EQ(bandits[0].state, kBanditStateDead);
  EXPECT_FALSE(bandits[0].body->IsActive());
  // The drawing ages the dead: 0.005 per 10 ms, free above 2.5 (5 s).
  for (int i = 0; i < 20; ++i) UpdateBandits();  // the other slots fill up
  EXPECT_EQ(FreeBanditSlot(), -1);
  bandits[0].deathTimer = 2.5f;
  EXPECT_EQ(FreeBanditSlot(), -1);
  bandits[0].deathTimer = 2.51f;
  EXPECT_EQ(FreeBanditSlot(), 0);
  for (int i = 0; i < 5; ++i) spawnPoints[i].timer = 30.0f;
  UpdateBandits();
  EXPECT_TRUE(bandits[0].body->IsActive());
  EXPECT_EQ(bandits[0].state, kBanditStateAlive);
}

TEST_F(BanditRules, ThirtySpawnsEndTheSupplyOnCareerMaps) {
  mapNumber = 3;
  SetSpawnPoints(10);
  banditSpawnCount = 30;
  for (int i = 0; i < 10; ++i) spawnPoints[i].timer = 30.0f;
  UpdateBandits();
  EXPECT_EQ(Alive(), 0);
  // Maps above 10 have no cap.
  mapNumber = 11;
  UpdateBandits();
  EXPECT_EQ(Alive(), 1);
}

TEST_F(BanditRules, AnEmptyPointTableSpawnsNothing) {
  lastSpawnPointIndex = -1;
  for (int i = 0; i < 100; ++i) UpdateBandits();
  EXPECT_EQ(banditSpawnCount, 0);
}

TEST_F(BanditRules, ChasesStandsAndFiresOnACycle) {
  difficulty = 3;
  RunFrames(50);  // the player settles
  BanditRecord& b = bandits[0];
  b.Spawn(Vec3(20.0f, 1.25f, 0.0f));
  const float startX = b.position.x;
  for (int i = 0; i < 300; ++i) UpdateWorld();  // 3 s of running at the player
  EXPECT_LT(b.position.x, startX - 2.0f);
  EXPECT_FLOAT_EQ(b.direction.y, 0.0f);
  EXPECT_NEAR(b.direction.x, -10.0f, 0.5f);
  EXPECT_FLOAT_EQ(players[0].health, 100.0f);
  // The shot comes after 5.5 s: (100 - d) x 0.05 x 3.
  while (b.attackTimer <= 5.49f) UpdateWorld();
  const float d = std::sqrt((players[0].position.x - b.position.x) * (players[0].position.x - b.position.x) +
                            (players[0].position.z - b.position.z) * (players[0].position.z - b.position.z));
  UpdateWorld();
  EXPECT_FLOAT_EQ(b.attackTimer, 0.0f);
  EXPECT_FLOAT_EQ(b.muzzleFlashTimer, 0.0f);
  EXPECT_NEAR(players[0].health, 100.0f - (100.0f - d) * 0.15f, 1.0f);
  EXPECT_FLOAT_EQ(players[0].hurtFlash, 1.0f);
}

TEST_F(BanditRules, AHiddenPlayerTakesNoDamageButTheCycleRestarts) {
  ResetGameWorld({Floor(), WallAtX(10.0f)});
  CreatePhysicsWorld();
  RunFrames(20);
  BanditRecord& b = bandits[0];
  b.Spawn(Vec3(20.0f, 1.25f, 0.0f));
  b.attackTimer = 5.6f;
  UpdateBandits();
  EXPECT_FLOAT_EQ(players[0].health, 100.0f);
  EXPECT_FLOAT_EQ(b.attackTimer, 0.0f);
  EXPECT_FLOAT_EQ(b.muzzleFlashTimer, 10.0f);
}

TEST_F(BanditRules, ALowHealthAfterAShotBecomesZero) {
  RunFrames(10);
  players[0].health = 1.5f;
  BanditRecord& b = bandits[0];
  b.Spawn(Vec3(5.0f, 1.25f, 0.0f));
  b.attackTimer = 5.6f;
  UpdateBandits();
  EXPECT_FLOAT_EQ(players[0].health, 0.0f);
}

// A bandit killed on the run and spawned again, and a player respawned after dying on the move,
// come back at rest: no velocity, spin or force of the life before.
TEST_F(BanditRules, SpawnAndRespawnStartTheBodyAtRest) {
  SetSpawnPoints(5);
  BanditRecord& b = bandits[0];
  PlayerRecord& p = players[0];
  for (RigidBody* body : {b.body, p.body}) {
    body->SetVelocity(Vec3(-2.43f, 0.5f, 1.0f));
    body->SetAngularMomentum(Vec3(0.3f, 0.2f, 0.1f));
    body->SetForce(Vec3(5.0f, 0.0f, 5.0f));
    body->SetTorque(Vec3(1.0f, 1.0f, 1.0f));
    body->Active(false, static_cast<RigidBody*>(nullptr));
  }
  b.velocity.Set(-2.43f, 0.5f, 1.0f);
  p.velocity.Set(-2.43f, 0.5f, 1.0f);
  p.forwardMove.Set(10.0f, 0.0f, 0.0f);
  b.Spawn(Vec3(20.0f, 1.25f, 0.0f));
  RespawnPlayerByIndex(0);
  for (RigidBody* body : {b.body, p.body}) {
    ASSERT_TRUE(body->IsActive());
    for (const Vec3& v : {body->GetVelocity(), body->GetAngularVelocity(), body->GetAngularMomentum(),
                          body->GetForce(), body->GetTorque()}) {
      EXPECT_FLOAT_EQ(v.x, 0.0f);
      EXPECT_FLOAT_EQ(v.y, 0.0f);
      EXPECT_FLOAT_EQ(v.z, 0.0f);
    }
  }
  for (const Vec3& v : {b.velocity, p.velocity, p.forwardMove}) EXPECT_FLOAT_EQ(v.x, 0.0f);
}

}  // namespace
