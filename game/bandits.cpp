#include "game/bandits.h"

#include <cmath>

#include "engine/frame.h"
#include "engine/random.h"
#include "engine/static_model.h"
#include "engine/vector_helpers.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/level.h"
#include "game/player.h"
#include "game/world.h"
#include "physics/physics.h"
#include "sound/sound_settings.h"
#include "sound/sound_source.h"

BanditRecord bandits[kBanditSlots];
int lastBanditIndex = 3;
int banditSpawnCount = 0;

BanditRecord::BanditRecord() = default;
BanditRecord::~BanditRecord() = default;

namespace {
float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
}  // namespace

void BanditRecord::Init(Simulator* world, const Vec3& parking) {
  body = world ? world->CreateRigidBody() : nullptr;
  if (body) {
    body->SetSleepThreshold(0.01f);
    body->SetCollideConnected(true);
    if (Geometry* g = body->AddGeometry()) g->SetSphereDiameter(2.5f);
    body->UpdateBoundingInfo();
    body->SetPos(parking);
  }
  position = parking;
  health = -100.0f;
  deathTimer = 8.0f;
  spawnFade = 0.0f;
  attackTimer = 0.0f;
  state = kBanditStateSpawned;
  muzzleFlashTimer = 10.0f;
}

void BanditRecord::Spawn(const Vec3& point) {
  if (body) {
    body->Active(true, static_cast<RigidBody*>(nullptr));
    body->SetPos(point);
  }
  // A slot reused after a death starts at rest, not with the motion the bandit died in.
  StopBody(body);
  velocity.SetZero();
  position = point;
  health = 100.0f;
  deathTimer = spawnFade = attackTimer = 0.0f;
  state = kBanditStateSpawned;
  muzzleFlashTimer = 10.0f;
  skin = GameRand() & 1;
  model.SetLegsAnimation("LEGS_1");
}

float BanditShotDamage(float distance, int level) {
  const float damage = 100.0f - distance;
  return damage > 0.0f ? damage * 0.05f * static_cast<float>(level) : 0.0f;
}

void BanditRecord::Update(int mode) {
  if (!body) return;
  body->SetAngularMomentum(Vec3(0.0f, 0.0f, 0.0f));
  position = body->GetPos();
  const Vec3 target = players[0].body ? players[0].body->GetPos() : players[0].position;
  if (health > 0.0f) {
    direction = NormalizeVector(target - position) * 10.0f;
    direction.y = 0.0f;
  }
  Vec3 moveForce = direction + extraMove;
  if (mode == 0) moveForce.SetZero();
  if (mode == 2) moveForce = -moveForce;

  attackTimer += 0.01f * frameStep;
  if (attackTimer > 4.1f) moveForce.SetZero();
  if (attackTimer > 5.5f) {
    Vector3 point(0.0f, 0.0f, 0.0f), normal(0.0f, 0.0f, 0.0f);
    const bool blocked =
        mapModel && mapModel->IntersectSegment(Vector3(position.x, position.y, position.z),
                                               Vector3(target.x, target.y, target.z), point, normal);
    if (!blocked) {
      if (soundOn) gun1Sound.Play();
      const float damage = 100.0f - Length(target - position);
      PlayerRecord& player = players[0];
      if (damage > 0.0f && player.Alive()) {
        player.health -= damage * 0.05f * static_cast<float>(difficulty);
        player.hurtFlash = 1.0f;
        // A shot that leaves the player dead by the HUD's rule leaves no health at all.
        if (!player.Alive()) player.health = 0.0f;
      }
      muzzleFlashTimer = 0.0f;
    }
    attackTimer = 0.0f;
    if (mode == 1) model.SetLegsAnimation("LEGS_1");
  }

  body->SetForce(moveForce);
  velocity = body->GetVelocity();
  Vec3 force = moveForce;
  if (std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z) > 2.4f) {
    velocity.y = 0.0f;
    force = velocity * -2.0f;
  }
  if (Length(moveForce) < 0.5f) {
    velocity.y = 0.0f;
    force = velocity * -2.0f;
  }
  body->SetForce(force);
}

int FreeBanditSlot() {
  for (int i = 0; i <= lastBanditIndex && i < kBanditSlots; ++i) {
    if (bandits[i].deathTimer > 2.5f) return i;
  }
  return -1;
}

void UpdateBandits() {
  const int slot = FreeBanditSlot();
  for (int i = 0; i <= lastSpawnPointIndex && i < kMaxSpawnPoints; ++i) spawnPoints[i].timer += 0.01f * frameStep;
  // An empty point table offers no candidate.
  int candidate = RandomSpawnPointIndex();
  if (candidate >= 0 && spawnPoints[candidate].timer < 25.0f) candidate = -1;
  const bool capped = mapNumber >= 1 && mapNumber <= 10 && banditSpawnCount >= kBanditSpawnCap;
  if (candidate >= 0 && slot >= 0 && !capped) {
    banditSpawnCount += 1;
    SpawnPoint& point = spawnPoints[candidate];
    point.timer = static_cast<float>(GameRand() % 20 - 20);
    bandits[slot].Spawn(Vec3(point.x, point.y, point.z));
  }
  for (int i = 0; i <= lastBanditIndex && i < kBanditSlots; ++i) {
    BanditRecord& b = bandits[i];
    if (b.health > 0.0f && b.state != kBanditStateAlive) {
      b.state = kBanditStateAlive;
      b.model.SetLegsAnimation("LEGS_1");
    }
    if (b.health > 0.0f) b.Update(1);
    if (b.health <= 0.0f && b.state != kBanditStateDead) {
      b.state = kBanditStateDead;
      b.model.SetLegsAnimation((GameRand() & 1) == 0 ? "LEGS_2" : "LEGS_3");
      if (b.body) b.body->Active(false, static_cast<RigidBody*>(nullptr));
    }
  }
}
