// Every map of the career loaded and unloaded round after round, in single player and as a LAN
// client: no crash, no body left behind, the matrix stacks as they were, and later rounds take
// no more heap than the first.
#include <GL/gl.h>
#include <malloc.h>
#include <unistd.h>

#include <string>

#include "engine/frame.h"
#include "engine/textures.h"
#include "game/bandits.h"
#include "game/game_state.h"
#include "game/level.h"
#include "game/player.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "gl_fixture.h"
#include "platform/dialog.h"

namespace {

class MapCycleGl : public GlTest {};

// Heap bytes in use (not the resident size, which allocator and driver caches blur).
long HeapKilobytes() { return static_cast<long>(mallinfo2().uordblks / 1024); }

// One round over maps 1..10: load, a few frames of the world, unload.
void RunRound(int mode) {
  for (int map = 1; map <= 10; ++map) {
    gameMode = mode;
    gameState = 0;
    mapNumber = map;
    frameStep = 1.0f;
    playerStartPosition.Set(-70.0f, 3.0f, -107.0f);
    playerStartDirection.Set(1.0f, 0.0f, 0.0f);
    LoadMap(map, 1, 1);
    ASSERT_NE(mapModel, nullptr);
    if (mode == 0) {
      ASSERT_NE(simulator, nullptr);
      for (int i = 0; i < 20; ++i) UpdateWorld();
    } else {
      EXPECT_EQ(simulator, nullptr);
      EXPECT_EQ(players[0].body, nullptr);
      EXPECT_EQ(players[1].body, nullptr);
    }
    UnloadMap();
    EXPECT_EQ(simulator, nullptr);
    EXPECT_EQ(mapModel, nullptr);
    EXPECT_EQ(lightModel, nullptr);
    for (const PlayerRecord& p : players) EXPECT_EQ(p.body, nullptr);
    for (const BanditRecord& b : bandits) EXPECT_EQ(b.body, nullptr);
  }
}

TEST_F(MapCycleGl, EveryMapLoadsAndUnloadsRepeatedlyWithoutGrowing) {
  ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
  LoadBmpTextures();
  LoadTgaTextures();
  LoadWeaponModels();
  LoadObjects();
  LoadBandits();
  LoadPlayerModels();

  int mv0 = 0, pr0 = 0, tx0 = 0;
  StackDepths(mv0, pr0, tx0);
  for (int mode : {0, 2}) {
    // The first round warms up the allocator and the driver; the next two must not grow beyond
    // allocator slack (a leaked level, with its models, light maps and world, is far more).
    RunRound(mode);
    const long afterFirst = HeapKilobytes();
    RunRound(mode);
    RunRound(mode);
    const long afterThird = HeapKilobytes();
    EXPECT_LT(afterThird - afterFirst, 256) << "mode " << mode;
  }
  int mv = 0, pr = 0, tx = 0;
  StackDepths(mv, pr, tx);
  EXPECT_EQ(mv, mv0);
  EXPECT_EQ(pr, pr0);
  EXPECT_EQ(tx, tx0);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
  gameMode = 0;
}

// A host's datagram may name any map; the maps past the career have no files. The client's level
// is then not entered (it would be an empty world): a box names the file, and the client is back
// at the main menu with its socket closed.
TEST_F(MapCycleGl, AClientOnAMapWithoutFilesIsBackAtTheMainMenu) {
  ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
  for (int map : {11, 20, 99}) {
    ClearDialogHistory();
    gameMode = 2;
    gameState = 0;
    mapNumber = map;
    EXPECT_FALSE(LoadMap(map, 1, 1));
    EXPECT_EQ(mapModel, nullptr);
    EXPECT_EQ(players[0].body, nullptr);
    EXPECT_EQ(gameState, 1);
    EXPECT_EQ(netSocket, kInvalidSocket);
    ASSERT_EQ(DialogHistory().size(), 1u);
    EXPECT_EQ(DialogHistory()[0].text, "Unable to load the file: base/maps/" + std::to_string(map) + "/map.ms3d!");
  }
  gameMode = 0;
  mapNumber = 1;
}

}  // namespace
