// The level's rules without a GL context: the physics advance per frame, the worlds of the three
// roles, the terrain handed to the physics world, the sound-event queue, and the map intro's
// timeline up to the end of a career.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "game/map_intro.h"
#include "game/menus.h"
#include "game_test_support.h"

namespace {

class LevelRules : public ::testing::Test {
 protected:
  void SetUp() override { ResetGameWorld(); }
  void TearDown() override {
    OverrideCursorPos(false);
    DestroySimulator(simulator);
    simulator = nullptr;
  }
};

TEST(PhysicsAdvance, SecondsAndSubStepsGrowWithTheFrame) {
  EXPECT_FLOAT_EQ(AdvanceSeconds(2.4f), 2.4f * 0.028f);
  EXPECT_EQ(AdvanceSteps(2.4f), 5);
  EXPECT_EQ(AdvanceSteps(0.4f), 1);
  EXPECT_EQ(AdvanceSteps(0.5f), 2);
  EXPECT_EQ(AdvanceSteps(1.0f), 3);
}

TEST(MapFiles, OnlyMapsOneToTwentyHaveFiles) {
  EXPECT_EQ(MapFileName(1, "map.ms3d"), "base/maps/1/map.ms3d");
  EXPECT_EQ(MapFileName(20, "light.ms3d"), "base/maps/20/light.ms3d");
  EXPECT_TRUE(MapFileName(0, "map.ms3d").empty());
  EXPECT_TRUE(MapFileName(21, "map.ms3d").empty());
  EXPECT_TRUE(MapFileName(-3, "map.ms3d").empty());
}

TEST_F(LevelRules, HostWorldKeepsTheClientSlotWaitingBesideTheStart) {
  gameMode = 1;
  playerStartPosition.Set(-70, 3, -107);
  CreatePhysicsWorld();
  ASSERT_NE(simulator, nullptr);
  ASSERT_NE(players[1].body, nullptr);
  const Vec3 waiting = players[1].body->GetPos();
  EXPECT_FLOAT_EQ(waiting.x, -65.0f);
  EXPECT_FLOAT_EQ(waiting.z, -107.0f);
  EXPECT_FALSE(players[1].body->IsActive());
  EXPECT_FLOAT_EQ(players[1].health, -100.0f);
  // The host itself is respawned (at a spawn point of the map's table, empty here), not left
  // as Init made it.
  EXPECT_EQ(players[0].skin, 1);
  EXPECT_TRUE(players[0].body->IsActive());
  EXPECT_EQ(players[0].ammo[1], 0);  // a LAN respawn keeps only the pistol
  // No bandits in a LAN level.
  EXPECT_EQ(bandits[0].body, nullptr);
}

TEST_F(LevelRules, ClientPlayersHaveNoBodies) {
  gameMode = 2;
  playerStartPosition.Set(-70, 3, -107);
  SetupPlayersNoPhysics();
  EXPECT_EQ(players[0].body, nullptr);
  EXPECT_EQ(players[1].body, nullptr);
  EXPECT_FLOAT_EQ(players[1].position.x, -65.0f);
  EXPECT_FLOAT_EQ(playerStartDirection.x, 1.0f);
  EXPECT_EQ(players[0].skin, 1);
  EXPECT_EQ(players[0].ammo[2], 5);
}

TEST_F(LevelRules, TheTerrainHoldsTheMapAndCarriesThePlayer) {
  CreatePhysicsWorld();
  players[0].body->SetPos(Vec3(0, 5, 0));
  RunFrames(400);
  // The sphere (radius 1.25) rests on the floor at y 0.
  EXPECT_NEAR(players[0].position.y, 1.25f, 0.1f);
}

TEST_F(LevelRules, TrianglesNamingMissingVerticesStayOutOfTheTerrain) {
  mapModel->triangles[0].vertexIndices[1] = 999;
  mapModel->triangles[1].vertexIndices[2] = -1;
  CreatePhysicsWorld();  // the whole floor is now gone: nothing to crash on
  players[0].body->SetPos(Vec3(0, 5, 0));
  RunFrames(100);
  EXPECT_LT(players[0].position.y, 0.0f);
}

TEST_F(LevelRules, UpdateWorldStepsPlayersBanditsAndTheWorld) {
  CreatePhysicsWorld();
  SetSpawnPoints(4);
  for (int i = 0; i < 4; ++i) spawnPoints[i].timer = 30.0f;
  UpdateWorld();
  EXPECT_EQ(banditSpawnCount, 1);
  EXPECT_EQ(bandits[0].state, kBanditStateAlive);
}

// The frame that wins a map while the player's death delay runs out leaves play once: the map
// advances, the death rule (which would drain the health and unload the level again) finds play
// over. A second unload, as a leave from the pause screen after it would make, finds nothing left
// to free.
TEST_F(LevelRules, AFrameLeavesPlayOnceAndASecondUnloadFindsNothingToFree) {
  CreatePhysicsWorld();
  mapNumber = 3;
  players[0].kills = 30;
  players[0].health = -4.5f;
  ApplyPlayRules();
  EXPECT_EQ(gameState, 44);
  EXPECT_EQ(mapNumber, 4);
  EXPECT_FLOAT_EQ(players[0].health, -4.5f);
  EXPECT_EQ(simulator, nullptr);
  EXPECT_EQ(mapModel, nullptr);
  EXPECT_EQ(players[0].body, nullptr);
  UnloadMap();
  EXPECT_EQ(simulator, nullptr);
  EXPECT_EQ(lightModel, nullptr);
  // Outside play no rule acts.
  players[0].health = -5.0f;
  ApplyPlayRules();
  EXPECT_EQ(mapNumber, 4);
  EXPECT_FLOAT_EQ(players[0].health, -5.0f);
}

TEST(SoundEvents, HostQueueKeepsOneFootstepPerPlayerAndNeverLosesShotsToThem) {
  gameMode = 1;
  ResetSoundEvents();
  EXPECT_EQ(QueueSoundEvent(3, Vec3(1, 2, 3)), 0);
  EXPECT_EQ(soundEvents[0].code, 3);
  EXPECT_FLOAT_EQ(soundEvents[0].position.y, 2.0f);
  soundEvents[1].done = 7;
  EXPECT_EQ(QueueSoundEvent(kEventClientHit, Vec3(), false), 1);
  EXPECT_EQ(soundEvents[1].done, 7);  // the hit event leaves the flag as it was
  // Code -1 writes the slot but keeps it free.
  EXPECT_EQ(QueueSoundEvent(-1, Vec3(5, 5, 5)), 2);
  EXPECT_EQ(soundEvents[2].code, -1);
  EXPECT_FLOAT_EQ(soundEvents[2].position.x, 5.0f);
  // Footsteps queued every frame hold one slot per player, the newest state in place.
  for (int i = 0; i < 30; ++i) {
    QueueSoundEvent(i % 2 == 0 ? kEventHostStill : kEventHostSteps, Vec3(float(i), 0, 0));
    QueueSoundEvent(kEventClientSteps, Vec3());
  }
  EXPECT_EQ(soundEvents[2].code, kEventHostSteps);
  EXPECT_FLOAT_EQ(soundEvents[2].position.x, 29.0f);
  EXPECT_EQ(soundEvents[3].code, kEventClientSteps);
  for (int i = 4; i < kSoundEventSlots; ++i) EXPECT_EQ(soundEvents[i].code, -1);
  // Shots fill the free slots, then take the footsteps' slots; only then is an event dropped.
  for (int i = 4; i < kSoundEventSlots; ++i) EXPECT_EQ(QueueSoundEvent(1, Vec3()), i);
  EXPECT_EQ(QueueSoundEvent(kEventClientShot, Vec3()), 3);
  EXPECT_EQ(QueueSoundEvent(kEventClientHit, Vec3(), false), 2);
  EXPECT_EQ(QueueSoundEvent(0, Vec3()), -1);
  EXPECT_EQ(QueueSoundEvent(kEventHostSteps, Vec3()), -1);
  EXPECT_EQ(soundEvents[2].code, kEventClientHit);
  // Only the host queues.
  ResetSoundEvents();
  gameMode = 0;
  EXPECT_EQ(QueueSoundEvent(0, Vec3()), -1);
  gameMode = 2;
  EXPECT_EQ(QueueSoundEvent(0, Vec3()), -1);
}

TEST(SoundEvents, HostPlaysEachOnceAndTheClientFreesWhatItPlayed) {
  gameMode = 1;
  ResetSoundEvents();
  QueueSoundEvent(0, Vec3());
  QueueSoundEvent(23, Vec3());
  PlaySoundEvents();
  EXPECT_EQ(soundEvents[0].done, 1);
  EXPECT_EQ(soundEvents[0].code, 0);  // freed by the frame after sending
  gameMode = 2;
  PlaySoundEvents();
  for (const SoundEvent& e : soundEvents) EXPECT_EQ(e.code, -1);
  gameMode = 0;
}

class MapIntro : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[4096];
    previous = getcwd(buf, sizeof buf) ? buf : ".";
    // One folder per test: ctest runs the tests of this fixture in parallel processes.
    dir = std::string(DUN_BINARY_DIR) + "/game-test-runs/" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/base");
    ASSERT_EQ(chdir(dir.c_str()), 0);
    mapIntroTimer = 0.0f;
    gameState = 44;
    gameMode = 0;
  }
  void TearDown() override { ASSERT_EQ(chdir(previous.c_str()), 0); }
  std::string previous, dir;
};

TEST_F(MapIntro, PicturesAndStartPointsByMap) {
  const int pictures[11] = {11, 13, 26, 27, 28, 29, 36, 37, 38, 39, 40};
  for (int map = 0; map <= 10; ++map) EXPECT_EQ(MapIntroPicture(map), pictures[map]) << map;
  EXPECT_EQ(MapIntroPicture(11), 11);
  EXPECT_FLOAT_EQ(MapStartPosition(1).z, -107.0f);
  EXPECT_FLOAT_EQ(MapStartPosition(7).z, -112.0f);
  EXPECT_FLOAT_EQ(MapStartPosition(9).x, -78.0f);
  EXPECT_FLOAT_EQ(MapStartPosition(10).z, -120.0f);
}

TEST_F(MapIntro, AfterTheLastMapItReturnsToTheMenuAndStartsANewCareerOnEasy) {
  mapNumber = 11;
  difficulty = 7;
  // 100 units of 1/30 s: 3.3 s, at any frame rate.
  int frames = 0;
  while (AdvanceMapIntro(0.5f) == MapIntroOutcome::kRunning && frames < 10000) ++frames;
  EXPECT_EQ(frames, 666);
  EXPECT_EQ(gameState, 1);
  EXPECT_EQ(mapNumber, 1);
  EXPECT_EQ(difficulty, 1);
  EXPECT_FLOAT_EQ(mapIntroTimer, 0.0f);
  std::vector<uint8_t> career;
  ASSERT_TRUE(ReadWholeFile("base/career.inf", career));
  ASSERT_EQ(career.size(), 8u);
  EXPECT_EQ(career[0], 1);
  EXPECT_EQ(career[4], 1);
}

TEST_F(MapIntro, AMapNumberOutsideTheCareerEndsItInsteadOfHanging) {
  mapNumber = 37;
  for (int i = 0; i < 400; ++i) AdvanceMapIntro(1.0f);
  EXPECT_EQ(gameState, 1);
  EXPECT_EQ(mapNumber, 1);
}

}  // namespace
