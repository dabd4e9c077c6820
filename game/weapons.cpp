#include "game/weapons.h"

#include <cmath>

#include "engine/random.h"
#include "engine/static_model.h"
#include "engine/map_queries.h"
#include "engine/vector_helpers.h"
#include "engine/frame.h"
#include "game/bandits.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/player.h"
#include "game/remote_input.h"
#include "game/view.h"
#include "game/world.h"
#include "meshcollide/collision_model_3d.h"
#include "game/lan/net.h"
#include "physics/physics.h"
#include "sound/sound_settings.h"
#include "sound/sound_source.h"

WeaponSpec weaponSpecs[kWeaponCount];

const float kWeaponDamage[kWeaponCount] = {30.0f, 30.0f, 120.0f, 30.0f, 120.0f, 30.0f};
const float kWallMarkSize[kWeaponCount] = {0.25f, 0.3f, 1.5f, 0.5f, 1.5f, 0.5f};
const float kImpactSmokeScale[kWeaponCount] = {0.5f, 0.6f, 4.5f, 1.0f, 7.0f, 1.0f};

namespace {

constexpr float kFireIntervals[kWeaponCount] = {0.7f, 0.12f, 1.5f, 0.1f, 1.5f, 0.07f};
constexpr float kRangesSquared[kWeaponCount] = {8100.0f, 6400.0f, 2500.0f, 6400.0f, 3600.0f, 6400.0f};

SoundSource* GunSound(int weapon) {
  SoundSource* guns[kWeaponCount] = {&gun1Sound, &gun2Sound, &gun3Sound, &gun4Sound, &gun5Sound, &gun6Sound};
  return weapon >= 0 && weapon < kWeaponCount ? guns[weapon] : nullptr;
}

float Length2(const Vec3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

CollisionModel3D* BanditHitModel(int i) {
  switch (i) {
    case 0: return banditCollisionModel1;
    case 1: return banditCollisionModel2;
    case 2: return banditCollisionModel3;
    case 3: return banditCollisionModel4;
    case 4: return banditCollisionModel5;
    default: return nullptr;
  }
}

// A ray test of a hit model placed at the given model matrix; the world-space hit point on success.
bool RayTest(CollisionModel3D* model, const float matrix[16], const Vec3& eye, const Vec3& dir, float reach,
             Vec3& point) {
  if (!model) return false;
  model->setTransform(matrix);
  const float o[3] = {eye.x, eye.y, eye.z};
  const float d[3] = {dir.x, dir.y, dir.z};
  if (!model->rayCollision(o, d, true, 0.0f, reach)) return false;
  float p[3];
  if (!model->getCollisionPoint(p, false)) return false;
  point.Set(p[0], p[1], p[2]);
  return true;
}

// Lays a blood decal on the ground behind a killed bandit.
void LayBloodDecal(const Vec3& p, const Vec3& direction) {
  BloodDecal* row = nullptr;
  for (int i = 0; i < bloodDecalCount && i < kBloodDecalRows; ++i) {
    if (bloodDecals[i].life <= 0.0f) {
      row = &bloodDecals[i];
      break;
    }
  }
  if (!row || !mapCollisionModel) return;
  const Vec3 back = NormalizeVector(Vec3(-direction.x, -direction.y, -direction.z));
  const Vec3 start = p + back * 3.2f;
  const float o[3] = {start.x, start.y, start.z};
  const float down[3] = {0.0f, -1.0f, 0.0f};
  if (!mapCollisionModel->rayCollision(o, down, true, 0.0f, 11.0f)) return;
  float hit[3], t1[9], t2[9];
  if (!mapCollisionModel->getCollisionPoint(hit, false)) return;
  if (!mapCollisionModel->getCollidingTriangles(t1, t2, false)) return;
  const Vec3 corners[3] = {Vec3(t1[0], t1[1], t1[2]), Vec3(t1[3], t1[4], t1[5]), Vec3(t1[6], t1[7], t1[8])};
  const Vec3 n = TriangleNormal(corners);
  const Vec3 aim(-n.x, -n.y, -n.z);
  row->position = Vec3(hit[0], hit[1], hit[2]) + aim * 0.05f;
  row->aimPoint = row->position + aim;
  row->life = 1.0f;
  row->variant = GameRand() & 1;
}

// Lays a mark where a shot met the wall and starts its smoke.
void LayImpactMark(const Vec3& wall, const Vec3& normal, int weapon) {
  ImpactMark* row = nullptr;
  for (int i = 0; i < impactMarkCount && i < kImpactMarkRows; ++i) {
    if (impactMarks[i].life <= 0.0f) {
      row = &impactMarks[i];
      break;
    }
  }
  if (!row) return;
  const Vec3 aim(-normal.x, -normal.y, -normal.z);
  row->position = wall + aim * 0.01f;
  row->size = kWallMarkSize[weapon];
  impactSmokeScale = kImpactSmokeScale[weapon];
  impactSmokePoint = row->position + aim * (0.08f * impactSmokeScale);
  impactFlag = true;
  row->aimPoint = row->position + aim;
  row->variant = GameRand() % 4;
  row->life = 1.0f;
}

}  // namespace

void FillWeaponSpecs() {
  for (int i = 0; i < kWeaponCount; ++i) {
    weaponSpecs[i].fireInterval = kFireIntervals[i];
    weaponSpecs[i].unused = 0.0f;
    weaponSpecs[i].rangeSquared = kRangesSquared[i];
  }
}

float DamageFactor(float d2, float rangeSquared) {
  if (d2 <= 100.0f) return 1.0f;
  if (d2 > rangeSquared || rangeSquared <= 100.0f) return 0.0f;
  return (rangeSquared - d2) / (rangeSquared - 100.0f);
}

void HitModelMatrix(const Vec3& at, float headingDegrees, float m[16]) {
  const float a = -headingDegrees * 3.14159265358979f / 180.0f;
  const float c = std::cos(a), s = std::sin(a);
  const float values[16] = {c, 0.0f, -s, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, s, 0.0f, c, 0.0f, at.x, at.y, at.z, 1.0f};
  for (int i = 0; i < 16; ++i) m[i] = values[i];
}

void PlayerRecord::FireWeapon(bool local) {
  const float step = frameStep;
  if (weaponRaise < 1.0f) weaponRaise += 0.0125f * step;
  shotTimer += 0.01f * step;
  if (weaponRaise >= -1.0f && weaponRaise < 0.0f) {
    weaponLower = -weaponRaise - 1.0f;
  } else if (weaponRaise >= 0.0f && weaponRaise < 1.0f) {
    weaponLower = weaponRaise - 1.0f;
  }
  if (weaponRaise > 0.0f) {
    if (shownWeapon != currentWeapon) model.SelectWeapon(currentWeapon);
    shownWeapon = currentWeapon;
  }
  muzzlePoint = position + viewDirection * 2.0f;
  muzzlePoint.y += 2.5f;

  const bool trigger = local ? fireHeld : remoteInput.fireKey == 2;
  const bool weaponValid = currentWeapon >= 0 && currentWeapon < kWeaponCount;
  // The dead do not shoot, whatever the button says.
  const bool fires = trigger && Alive() && weaponRaise >= 1.0f && weaponValid &&
                     weaponSpecs[currentWeapon].fireInterval <= shotTimer && ammo[currentWeapon] > 0;
  if (fires) Shoot();

  const bool released = local ? !fireHeld : remoteInput.fireKey == 1;
  if (released && currentWeapon == 0) shotTimer = weaponSpecs[0].fireInterval;
}

void PlayerRecord::Shoot() {
  const int weapon = currentWeapon;
  ammo[weapon] -= 1;
  shotTimer = 0.0f;
  const Vec3 eye(position.x, position.y + 2.5f + 0.005f * std::sin(2.0f * bobPhase), position.z);
  const Vec3 dir = viewDirection;
  const Vec3 far = eye + dir * 90.0f;
  Vector3 wallPoint(0.0f, 0.0f, 0.0f), wallNormal(0.0f, 0.0f, 0.0f);
  bool wallHit = mapModel && mapModel->IntersectSegment(Vector3(eye.x, eye.y, eye.z), Vector3(far.x, far.y, far.z),
                                                        wallPoint, wallNormal);
  const Vec3 wall(wallPoint.x, wallPoint.y, wallPoint.z);
  const Vec3 normal(wallNormal.x, wallNormal.y, wallNormal.z);
  // A target at or beyond the wall is hidden behind it, whatever else the ray meets on its way.
  const float wallD2 = wallHit ? Length2(wall - eye) : 1e30f;
  spareBurstFlag = true;
  float best = 10000.0f;
  Vec3 bestPoint;
  const float rangeSquared = weaponSpecs[weapon].rangeSquared;

  if (gameMode == 0) {
    for (int i = 0; i <= lastBanditIndex && i < kBanditSlots; ++i) {
      BanditRecord& b = bandits[i];
      if (!b.body) continue;
      const Vec3 p = b.body->GetPos();
      const float a = HeadingDifference(b.direction, Vec3(0.0f, 0.0f, 1.0f)) * 57.325f;
      float m[16];
      HitModelMatrix(Vec3(p.x, p.y - 1.0f, p.z), a, m);
      Vec3 point;
      const bool hit = RayTest(BanditHitModel(i), m, eye, dir, 90.0f, point);
      if (!hit || b.health <= 0.0f) continue;
      const float d2 = Length2(eye - point);
      if (d2 < best) {
        best = d2;
        bestPoint = point;
      }
      if (wallHit && d2 < wallD2) wallHit = false;
      if (d2 >= wallD2) continue;
      hitPoint = bestPoint;
      hitFlag = true;
      b.health -= DamageFactor(d2, rangeSquared) * kWeaponDamage[weapon];
      if (b.health <= 0.0f) {
        SoundSource& cry = monSounds[GameRand() % 5];
        cry.SetPosition(p.x, p.y - 1.0f, p.z, 0.0f, 0.0f, 0.0f);
        cry.Play();
        players[0].kills += 1;
        LayBloodDecal(p, b.direction);
      }
    }
    if (soundOn) GunSound(weapon)->Play();
    if (wallHit) LayImpactMark(wall, normal, weapon);
  } else if (gameMode == 1) {
    QueueSoundEvent(weapon + 10 * index, players[index == 1 ? 1 : 0].position + Vec3(0.0f, 2.0f, 0.0f));
    PlayerRecord& target = players[index == 0 ? 1 : 0];
    const float a = HeadingDifference(NormalizeVector(target.forwardMove), Vec3(0.0f, 0.0f, 1.0f)) * 57.325f;
    float m[16];
    HitModelMatrix(target.position + Vec3(0.0f, 0.3f, 0.0f), a, m);
    Vec3 point;
    const bool hit = RayTest(playerCollisionModel, m, eye, dir, 70.0f, point);
    if (hit && target.Alive() && Length2(position - point) < wallD2) {
      const float d2 = Length2(eye - point);
      if (d2 < best) {
        best = d2;
        bestPoint = point;
      }
      hitPoint = bestPoint;
      if (index == 0) {
        hitFlag = true;
      } else {
        QueueSoundEvent(kEventClientHit, hitPoint, false);
      }
      target.health -= DamageFactor(d2, rangeSquared) * kWeaponDamage[weapon] * 0.5f;
      if (!target.Alive()) {
        // A kill leaves no health at all, so that every rule on both machines reads it as dead.
        target.health = 0.0f;
        scores[index == 1 ? 1 : 0] += 1;
        if (target.body) target.body->Active(false, static_cast<RigidBody*>(nullptr));
      }
    }
  }
}
