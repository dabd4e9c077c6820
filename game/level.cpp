#include "game/level.h"

#include <cstdio>
#include <vector>

#include "engine/character_model.h"
#include "engine/formats/bhm_file.h"
#include "engine/frame.h"
#include "engine/light_map.h"
#include "engine/map_queries.h"
#include "engine/static_model.h"
#include "game/bandits.h"
#include "game/data_files.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/input.h"
#include "game/menus.h"
#include "game/player.h"
#include "game/prizes.h"
#include "game/remote_input.h"
#include "game/weapons.h"
#include "meshcollide/collision_model_3d.h"
#include "game/lan/net.h"
#include "physics/physics.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "sound/music_track.h"
#include "sound/sound_settings.h"
#include "sound/sound_source.h"

Simulator* simulator = nullptr;
StaticModel* mapModel = nullptr;
StaticModel* lightModel = nullptr;
Vec3 playerStartPosition;
Vec3 playerStartDirection;
StaticModel* weaponModels[6] = {};
StaticModel* prizeModels[3] = {};
StaticModel* banditModels[4] = {};
StaticModel* playerModel = nullptr;
const Vec3 kClientStartPosition(-70.0f, 3.0f, -107.0f);

namespace {

// Levels and the one-time loaders own their models: a model is released before its slot is
// filled again.
void ReleaseModel(StaticModel*& model) {
  delete model;
  model = nullptr;
}

StaticModel* LoadModelFile(const std::string& file) {
  StaticModel* model = new Ms3dModel;
  if (!file.empty()) model->Load(file.c_str());
  model->LoadTextures();
  return model;
}

// Leaves a level that cannot be entered, or whose other side has left the match, for the main
// menu, with a box that says why.
void LeaveForMainMenu(const std::string& why) {
  ShowMessageBox(why, "Error", DialogButtons::Ok, DialogIcon::Stop);
  gameState = kStateMainMenu;
  UnloadMap();
}

}  // namespace

std::string MapFileName(int map, const char* file) {
  if (map < 1 || map > 20) return std::string();
  char name[64];
  std::snprintf(name, sizeof name, "base/maps/%d/%s", map, file);
  return name;
}

float AdvanceSeconds(float step) { return step * 0.028f; }
int AdvanceSteps(float step) { return static_cast<int>(2.0f * step) + 1; }

Vec3 BanditParkingPoint(int i) { return Vec3(10000.0f, -1000.0f * static_cast<float>(i), 10000.0f); }

bool LoadMap(int map, int, int) {
  if (musicOn) menuMusic.Stop();

  // A level owns its map models and collision model; the previous level's are gone by now
  // (UnloadMap), but a load without an unload in between must not leak them either.
  delete mapCollisionModel;
  mapCollisionModel = newCollisionModel3D(false);
  ReleaseModel(mapModel);
  mapModel = LoadModelFile(MapFileName(map, "map.ms3d"));
  if (mapModel->numTriangles == 0) {
    // Without its map model the level would be an empty world in which the player falls for ever:
    // it is not entered. A LAN client tells its host that it leaves the match.
    if (gameMode == 2) NetClientLeave();
    LeaveForMainMenu("Unable to load the file: base/maps/" + std::to_string(map) + "/map.ms3d!");
    return false;
  }
  mapModel->BuildCollisionMap();
  ReleaseModel(lightModel);
  lightModel = LoadModelFile(MapFileName(map, "light.ms3d"));
  lightModel->BuildFaceList();

  mapModel->ComputeLightMaps(0);
  ReadLightMap(map);
  mapModel->CreateLightMapTextures();

  ClearDecals();
  if (gameMode == 0 || gameMode == 1) {
    CreatePhysicsWorld();
  } else if (gameMode == 2) {
    SetupPlayersNoPhysics();
  }
  ReadPrizePoints(mapNumber);
  SetCursorPos(320, 240);
  if (gameMode > 0) {
    players[0].currentWeapon = 0;
    players[1].currentWeapon = 0;
  }
  // Every level counts its own kills toward the 30 that end it; a count carried over from the
  // map just won would end the next one in its first frame.
  players[0].kills = 0;
  pickupMessageAlpha = 0.0f;
  healthMessageTimer = 0.0f;
  secondMessageTimer = 0.0f;
  banditSpawnCount = 0;
  if (gameMode == 1) NetHostStart(NET_PORT);
  return true;
}

void UnloadMap() {
  if (gameMode == 0 || gameMode == 1) {
    DestroySimulator(simulator);
    simulator = nullptr;
  }
  // Without a world the records' bodies are gone.
  for (PlayerRecord& p : players) p.body = nullptr;
  for (BanditRecord& b : bandits) b.body = nullptr;
  if (mapModel) mapModel->DeleteLightMapTextures();
  ReleaseModel(mapModel);
  ReleaseModel(lightModel);
  StopAllSounds();
  if (gameState > 0 && musicOn) musicRestartPending = true;
  if (gameMode == 1 || gameMode == 2) {
    NetCloseSocket(netSocket);
    NetShutdown();
  }
  fireHeld = false;
  SetCursorRelativeMode(false);
}

void UpdateWorld() {
  players[0].UpdateLocal();
  if (gameMode == 1 && RemoteClientInGame()) players[1].UpdateOther();
  if (gameMode == 0) UpdateBandits();
  if (simulator) simulator->Advance(AdvanceSeconds(frameStep), AdvanceSteps(frameStep), nullptr);
}

// Each rule runs only while play goes on: once one has left play (and unloaded the level) in this
// frame, the others find no level to act on.
void ApplyPlayRules() {
  // A dead player's held button is let go: a respawned player fires on a fresh press only.
  if (!players[0].Alive()) fireHeld = false;
  if (gameState == 0 && players[0].kills >= 30 && mapNumber >= 1 && mapNumber <= 10) {
    gameState = 44;
    UnloadMap();
    mapNumber += 1;
  }
  if (gameState == 0 && gameMode == 0 && players[0].health < 1.0f) {
    players[0].health -= 0.01f * frameStep;
    if (players[0].health < -4.0f) {
      gameState = 44;
      UnloadMap();
    }
  }
  if (gameState == 0 && gameMode == 1 && AcceptedClientLeft()) {
    LeaveForMainMenu("The other player has left the game.");
  }
  if (gameState == 0 && gameMode == 1 && hostBlock.state == 400 && clientBlock.type == 400) {
    if (players[0].health <= 1.0f && players[0].deathTimer > 4.0f) {
      RespawnPlayerByIndex(0);
      if (scores[1] >= 10) {
        RespawnPlayerByIndex(1);
        scores[0] = scores[1] = 0;
      }
    }
    if (players[1].health <= 1.0f && players[1].deathTimer > 4.0f) {
      RespawnPlayerByIndex(1);
      if (scores[0] >= 10) {
        RespawnPlayerByIndex(0);
        scores[0] = scores[1] = 0;
      }
    }
    if (players[0].health <= 1.0f) players[0].deathTimer += 0.005f * frameStep;
    players[0].respawnTimer += 0.005f * frameStep;
  }
}

void CreatePhysicsWorld() {
  SimulatorSizeInfo size;
  size.rigidBodiesCount = 50;
  size.animatedBodiesCount = 0;
  size.rigidParticleCount = 0;
  size.overlappedPairsCount = 50;
  size.geometriesCount = 50;
  size.terrainNodesStartCount = 400;
  const Vec3 gravity(0.0f, -4.0f, 0.0f);
  DestroySimulator(simulator);
  simulator = CreateSimulator(size, nullptr, &gravity);
  if (!simulator) return;
  simulator->SetMaterial(0, 0.0f, 0.1f);
  ReadBanditPoints(mapNumber);
  if (gameMode == 1) {
    players[1].Init(simulator, playerStartPosition + Vec3(5.0f, 0.0f, 0.0f), playerStartDirection, 1);
  }
  players[0].Init(simulator, playerStartPosition, playerStartDirection, 0);
  if (gameMode == 1) RespawnPlayerByIndex(0);
  if (gameMode == 0) {
    for (int i = 0; i <= lastBanditIndex; ++i) bandits[i].Init(simulator, BanditParkingPoint(i));
  }
  SetMapTerrainMesh(simulator);
}

void SetMapTerrainMesh(Simulator* world) {
  if (!world || !mapModel) return;
  const int vertexCount = static_cast<int>(mapModel->vertices.size());
  std::vector<Vec3> vertices(vertexCount);
  for (int i = 0; i < vertexCount; ++i) {
    const float* l = mapModel->vertices[i].location;
    vertices[i].Set(l[0], l[1], l[2]);
  }
  // Only triangles whose corners are all real vertices reach the terrain tree.
  std::vector<Triangle> triangles;
  triangles.reserve(mapModel->triangles.size());
  for (const ModelTriangle& t : mapModel->triangles) {
    Triangle tri;
    bool valid = true;
    for (int k = 0; k < 3; ++k) {
      const int v = t.vertexIndices[k];
      if (v < 0 || v >= vertexCount) valid = false;
      tri.v[k] = v;
    }
    tri.id0 = tri.testSelector = tri.id1 = 0;
    if (valid) triangles.push_back(tri);
  }
  // The world copies both arrays, so they are freed when this returns.
  TerrainMesh mesh;
  mesh.vertices = vertices.data();
  mesh.vertexCount = vertexCount;
  mesh.triangles = triangles.data();
  mesh.triangleCount = static_cast<int>(triangles.size());
  world->SetTerrainMesh(&mesh);
}

void SetupPlayersNoPhysics() {
  playerStartDirection.Set(1.0f, 0.0f, 0.0f);
  players[0].InitRemote(playerStartPosition, playerStartDirection, 0);
  players[1].InitRemote(playerStartPosition + Vec3(5.0f, 0.0f, 0.0f), playerStartDirection, 1);
}

void StopBody(RigidBody* body) {
  if (!body) return;
  const Vec3 zero(0.0f, 0.0f, 0.0f);
  body->SetVelocity(zero);
  body->SetAngularMomentum(zero);
  body->SetForce(zero);
  body->SetTorque(zero);
}

void StopAllSounds() {
  SoundSource* sounds[] = {&stepsSound,      &gun1Sound,      &gun2Sound,      &gun3Sound,
                           &gun4Sound,       &gun5Sound,      &gun6Sound,      &changeSound,
                           &otherStepsSound, &otherGun1Sound, &otherGun2Sound, &otherGun3Sound,
                           &otherGun4Sound,  &otherGun5Sound, &otherGun6Sound, &otherChangeSound,
                           &monSounds[0],    &monSounds[1],   &monSounds[2],   &monSounds[3],
                           &monSounds[4],    &object1Sound,   &object2Sound};
  for (SoundSource* s : sounds) s->Stop();
}

void LoadWeaponModels() {
  for (int i = 0; i < 6; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "base/weapon/%d.ms3d", i + 1);
    ReleaseModel(weaponModels[i]);
    weaponModels[i] = LoadModelFile(name);
  }
  FillWeaponSpecs();
}

void LoadObjects() {
  for (int i = 0; i < 3; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "base/objects/%d.ms3d", i + 1);
    ReleaseModel(prizeModels[i]);
    prizeModels[i] = LoadModelFile(name);
  }
}

void LoadBandits() {
  CollisionModel3D** targets[4] = {&banditCollisionModel1, &banditCollisionModel2, &banditCollisionModel3,
                                   &banditCollisionModel4};
  for (int k = 0; k < 4; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "base/bandits/%d.ms3d", k + 1);
    ReleaseModel(banditModels[k]);
    banditModels[k] = LoadModelFile(name);
    delete *targets[k];
    *targets[k] = newCollisionModel3D(false);
    banditModels[k]->BuildCollisionModel(*targets[k]);
  }
  for (int i = 0; i < 4; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "%d", i + 1);
    bandits[i].model.LoadModel(kBanditCharacterDir, name, 0, 1);
    bandits[i].model.SetLegsAnimation("LEGS_1");
  }
}

void LoadPlayerModels() {
  for (PlayerRecord& p : players) {
    p.model.LoadModel(kPlayerCharacterDir, kPlayerCharacterName, 0, 3);
    p.model.LoadWeapons(kPlayerCharacterDir);
    p.model.SetLegsAnimation("LEGS_1");
    p.model.SetTorsoAnimation("TORSO_1");
    p.model.SelectWeapon(2);
  }
  ReleaseModel(playerModel);
  playerModel = LoadModelFile(kPlayerHitMeshFile);
  delete playerCollisionModel;
  playerCollisionModel = newCollisionModel3D(false);
  playerModel->BuildCollisionPlayer();
}
