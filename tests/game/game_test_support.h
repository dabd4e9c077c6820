// Shared set-up of the game rule tests: a small map built in memory (a floor and one wall), box
// hit meshes for the bandits and the player, a physics world over the map, and every game global
// back at its start value. Nothing here needs a GL context.
#pragma once

#include <initializer_list>

#include "engine/formats/ms3d_file.h"
#include "engine/frame.h"
#include "engine/map_queries.h"
#include "engine/static_model.h"
#include "game/bandits.h"
#include "game/data_files.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/level.h"
#include "game/player.h"
#include "game/remote_input.h"
#include "game/view.h"
#include "game/weapons.h"
#include "meshcollide/collision_model_3d.h"
#include "game/lan/net.h"
#include "physics/physics.h"
#include "platform/cursor.h"

struct Quad {
  float c[4][3];  // corners in order around the quad
};

// A model of quads, two triangles each, in one group.
inline StaticModel* MakeQuadModel(std::initializer_list<Quad> quads) {
  Ms3dData data;
  Ms3dGroup group;
  for (const Quad& q : quads) {
    const int base = static_cast<int>(data.vertices.size());
    for (const auto& corner : q.c) {
      Ms3dVertex v;
      v.location[0] = corner[0];
      v.location[1] = corner[1];
      v.location[2] = corner[2];
      data.vertices.push_back(v);
    }
    const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& t : tris) {
      Ms3dTriangle tri;
      for (int k = 0; k < 3; ++k) tri.vertexIndices[k] = base + t[k];
      group.triangleIndices.push_back(static_cast<int>(data.triangles.size()));
      data.triangles.push_back(tri);
    }
  }
  data.groups.push_back(group);
  StaticModel* m = new Ms3dModel;
  m->SetContents(std::move(data));
  return m;
}

// A floor at y 0 from -200 to 200 and a wall across x = wallX (from y 0 to 20).
inline Quad Floor() { return Quad{{{-200, 0, -200}, {-200, 0, 200}, {200, 0, 200}, {200, 0, -200}}}; }
inline Quad WallAtX(float x) { return Quad{{{x, 0, -200}, {x, 20, -200}, {x, 20, 200}, {x, 0, 200}}}; }

// A box hit mesh: x and z within +-half, y from 0 to height, in model coordinates.
inline CollisionModel3D* MakeBoxHitModel(float half, float height) {
  CollisionModel3D* m = newCollisionModel3D(false);
  const float h = half;
  const float faces[6][4][3] = {
      {{-h, 0, -h}, {h, 0, -h}, {h, height, -h}, {-h, height, -h}},
      {{-h, 0, h}, {h, 0, h}, {h, height, h}, {-h, height, h}},
      {{-h, 0, -h}, {-h, 0, h}, {-h, height, h}, {-h, height, -h}},
      {{h, 0, -h}, {h, 0, h}, {h, height, h}, {h, height, -h}},
      {{-h, height, -h}, {h, height, -h}, {h, height, h}, {-h, height, h}},
      {{-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h}},
  };
  for (const auto& f : faces) {
    m->addTriangle(f[0][0], f[0][1], f[0][2], f[1][0], f[1][1], f[1][2], f[2][0], f[2][1], f[2][2]);
    m->addTriangle(f[0][0], f[0][1], f[0][2], f[2][0], f[2][1], f[2][2], f[3][0], f[3][1], f[3][2]);
  }
  m->finalize();
  return m;
}

inline void ResetBandit(BanditRecord& b) {
  b.health = -100.0f;
  b.deathTimer = 8.0f;
  b.spawnFade = b.attackTimer = 0.0f;
  b.position = b.direction = b.extraMove = b.velocity = Vec3();
  b.body = nullptr;
  b.skin = 0;
  b.state = 0;
  b.muzzleFlashTimer = 10.0f;
}

// Every global the game rules read, back at its start value; the map of the given quads (none:
// no map at all).
inline void ResetGameWorld(std::initializer_list<Quad> quads = {Floor()}) {
  DestroySimulator(simulator);
  simulator = nullptr;
  delete mapModel;
  mapModel = nullptr;
  delete mapCollisionModel;
  mapCollisionModel = nullptr;
  if (quads.size() > 0) {
    mapModel = MakeQuadModel(quads);
    mapCollisionModel = newCollisionModel3D(false);
    mapModel->BuildCollisionMap();
  }
  CollisionModel3D** hitModels[4] = {&banditCollisionModel1, &banditCollisionModel2, &banditCollisionModel3,
                                     &banditCollisionModel4};
  for (CollisionModel3D** m : hitModels) {
    delete *m;
    *m = MakeBoxHitModel(1.0f, 3.5f);
  }
  delete playerCollisionModel;
  playerCollisionModel = MakeBoxHitModel(1.0f, 3.5f);
  gameState = 0;
  gameMode = 0;
  mapNumber = 1;
  difficulty = 1;
  frameStep = 1.0f;
  gameClock = 0.0f;
  fireHeld = false;
  keyLatch = false;
  for (bool& k : keys) k = false;
  for (PlayerRecord& p : players) p.ResetFields();
  for (BanditRecord& b : bandits) ResetBandit(b);
  banditSpawnCount = 0;
  ResetDataFiles();
  ResetEffects();
  ResetSoundEvents();
  remoteInput = RemoteInput{};
  scores[0] = scores[1] = 0;
  FillWeaponSpecs();
  OverrideCursorPos(true, 320, 240);
  playerStartPosition.Set(0.0f, 1.25f, 0.0f);
  playerStartDirection.Set(1.0f, 0.0f, 0.0f);
}

// Spawn points in a row along z at x, on the floor.
inline void SetSpawnPoints(int count, float x = 30.0f) {
  lastSpawnPointIndex = count - 1;
  for (int i = 0; i < count; ++i) {
    spawnPoints[i] = SpawnPoint{};
    spawnPoints[i].x = x;
    spawnPoints[i].y = 1.25f;
    spawnPoints[i].z = static_cast<float>(i) * 10.0f;
  }
}

// Runs frames of the world at frameStep 1 (10 ms each).
inline void RunFrames(int n) {
  for (int i = 0; i < n; ++i) UpdateWorld();
}
