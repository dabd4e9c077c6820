// The bandits of single player: up to four at a time, spawned at the map's spawn points until 30
// have appeared; each runs at the player, stops, and fires when it can see the player.
#pragma once

#include <cstdint>

#include "engine/character_model.h"
#include "math/vec3_inline.h"

class RigidBody;
class Simulator;

constexpr int kBanditStateSpawned = 0;
constexpr int kBanditStateAlive = 1;
constexpr int kBanditStateDead = 666;
// The spawn cap of one career map.
constexpr int kBanditSpawnCap = 30;

struct BanditRecord {
  BanditRecord();
  ~BanditRecord();
  BanditRecord(const BanditRecord&) = delete;
  BanditRecord& operator=(const BanditRecord&) = delete;

  // Creates the body parked at position, outside the map, until the slot is spawned.
  void Init(Simulator* world, const Vec3& position);
  void Spawn(const Vec3& point);
  // Mode 1 chases the player (the one the game uses); 0 stands still, 2 runs away.
  void Update(int mode);

  float health = -100.0f;    // -100 parked, 100 at spawn, dead when <= 0
  float deathTimer = 8.0f;   // grows while dead; the slot is free above 2.5
  float spawnFade = 0.0f;
  float attackTimer = 0.0f;  // seconds into the attack cycle
  Vec3 position;
  Vec3 direction;   // 10 x unit vector toward the player, y 0
  Vec3 extraMove;   // added to the move force; always zero
  Vec3 velocity;
  RigidBody* body = nullptr;
  int32_t skin = 0;
  int32_t state = 0;  // 0 spawned, 1 alive, 666 dead
  float muzzleFlashTimer = 10.0f;
  CharacterModel model;
};

constexpr int kBanditSlots = 6;
extern BanditRecord bandits[kBanditSlots];
// Slots 0..lastBanditIndex are used.
extern int lastBanditIndex;
// Bandits spawned on this level (0 at LoadMap).
extern int banditSpawnCount;

// Spawning and life states of every bandit, once per frame of single-player play.
void UpdateBandits();

// The first free bandit slot (deathTimer above 2.5), or -1.
int FreeBanditSlot();
// Health a bandit's shot takes at distance d on the difficulty (0 beyond 100 units).
float BanditShotDamage(float distance, int difficulty);
