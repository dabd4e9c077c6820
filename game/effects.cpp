// Effect pools, flags and tables, and the state halves of the bursts, marks and decals (no GL).
#include "game/effects.h"

#include "engine/random.h"
#include "engine/vector_helpers.h"

Particle hitParticles[kHitParticleCount];
Particle impactParticles[kImpactParticleCount];
Particle spareParticles[kSpareParticleCount];

bool hitFlag = false;
Vec3 hitPoint;
bool impactFlag = false;
Vec3 impactSmokePoint;
float impactSmokeScale = 0.0f;
bool spareBurstFlag = false;
Vec3 muzzlePoint;
float spareBurstTimer = 0.0f;

ImpactMark impactMarks[kImpactMarkRows];
int impactMarkCount = kImpactMarkRows;
BloodDecal bloodDecals[kBloodDecalRows];
int bloodDecalCount = kBloodDecalRows;

namespace {

void SeedParticle(Particle& p) {
  p.active = true;
  p.life = 1.0f;
  p.fade = static_cast<float>(GameRand() % 100) / 1000.0f + 0.003f;
  p.xi = static_cast<float>((GameRand() % 50 - 26) * 10);
  p.yi = static_cast<float>((GameRand() % 50 - 25) * 10);
  p.zi = static_cast<float>((GameRand() % 50 - 25) * 10);
  p.xg = 0.0f;
  p.yg = -0.1f;
  p.zg = 0.0f;
}

}  // namespace

void InitBurstParticles() {
  for (int i = 0; i < 50; ++i) SeedParticle(hitParticles[i]);
  for (int i = 0; i < 50; ++i) SeedParticle(impactParticles[i]);
}

bool ParticleIsFree(BurstKind kind, const Particle& p) {
  return kind == BurstKind::kHit ? p.life < 0.0f : p.life <= 0.0f;
}

bool ParticleIsDrawn(BurstKind kind, const Particle& p) {
  return kind == BurstKind::kImpact ? p.life > 0.0f : p.active;
}

void SpawnParticle(BurstKind kind, Particle& p, const Vec3& point, float size) {
  p.active = true;
  p.life = 1.0f;
  p.x = point.x;
  p.y = point.y;
  p.z = point.z;
  const float rf = static_cast<float>(GameRand() % 100);
  const float rx = static_cast<float>(GameRand() % 100);
  const float ry = static_cast<float>(GameRand() % 100);
  const float rz = static_cast<float>(GameRand() % 100);
  switch (kind) {
    case BurstKind::kHit:
      p.fade = rf / 1000.0f + 0.009f;
      p.xi = (rx - 50.0f) * 0.7f;
      p.yi = (ry - 50.0f) * 0.7f;
      p.zi = (rz - 50.0f) * 0.7f;
      p.xg = 0.0f;
      p.yg = -2.0f;
      p.zg = 0.0f;
      break;
    case BurstKind::kImpact:
      p.fade = ((rf - 50.0f) * 0.00002f + 0.004f) * 1.5f;
      p.xi = (rx - 50.0f) * 0.01f;
      p.yi = (ry - 50.0f) * 0.01f;
      p.zi = (rz - 50.0f) * 0.01f;
      p.xg = 0.0f;
      p.yg = 0.03f;
      p.zg = 0.0f;
      p.size = size;
      break;
    case BurstKind::kSpare:
      p.fade = (rf / 1000.0f + 0.01f) * 0.05f;
      p.xi = (rx - 50.0f) * 0.01f;
      p.yi = (ry - 50.0f) * 0.01f;
      p.zi = (rz - 50.0f) * 0.01f;
      p.xg = 0.0f;
      p.yg = 0.4f;
      p.zg = 0.0f;
      break;
  }
}

int SpawnBurst(BurstKind kind, Particle* pool, int count, const Vec3& point, float size, int limit) {
  int spawned = 0;
  for (int i = 0; i < count; ++i) {
    if (limit >= 0 && spawned >= limit) break;
    if (!ParticleIsFree(kind, pool[i])) continue;
    SpawnParticle(kind, pool[i], point, size);
    ++spawned;
  }
  return spawned;
}

float ParticleHalfExtent(BurstKind kind, const Particle& p) {
  switch (kind) {
    case BurstKind::kHit:
      return (1.2f - p.life) * 0.5f;
    case BurstKind::kImpact:
      return (2.0f - p.life) * p.size * 0.08f;
    case BurstKind::kSpare:
      return (1.1f - p.life) * 0.3f;
  }
  return 0.0f;
}

void AdvanceParticle(Particle& p, float step) {
  const float scale = particleSlowdown * 2000.0f;
  p.x += p.xi / scale * step;
  p.y += p.yi / scale * step;
  p.z += p.zi / scale * step;
  p.xi += p.xg * step;
  p.yi += p.yg * step;
  p.zi += p.zg * step;
  p.life -= p.fade * step;
}

void TriggerImpactBurst() {
  if (!impactFlag) return;
  SpawnBurst(BurstKind::kImpact, impactParticles, kImpactParticleCount, impactSmokePoint, impactSmokeScale, 6);
  impactFlag = false;
}

void ClearDecals() {
  for (int i = 0; i < impactMarkCount; ++i) impactMarks[i].life = 0.0f;
  for (int i = 0; i < bloodDecalCount; ++i) bloodDecals[i].life = 0.0f;
}

float DecalAlpha(float life) { return life > 0.1f ? 1.0f : 10.0f * life; }

float BloodSpread(float life) {
  if (life >= 0.996f) return 0.0f;
  if (life > 0.991f) return (0.996f - life) * 200.0f;
  return 1.0f;
}

void QuadCorners(const Vec3& face, const Vec3& centre, const Vec3& halfExtent, const Vec3& reference,
                 Vec3 corners[4]) {
  const Vector3d f{face.x, face.y, face.z};
  const Vector3d c{centre.x, centre.y, centre.z};
  const Vector3d n = VecNormalizeD(VecSubD(f, c));
  const Vector3d r = VecCrossD(n, Vector3d{reference.x, reference.y, reference.z});
  const Vector3d u = VecCrossD(n, r);
  const double sx = halfExtent.x, sy = halfExtent.y, sz = halfExtent.z;
  auto at = [&](double ax, double ay, double az) {
    return Vec3(static_cast<float>(c.x + sx * ax), static_cast<float>(c.y + sy * ay),
                static_cast<float>(c.z + sz * az));
  };
  corners[0] = at(r.x, r.y, r.z);
  corners[1] = at(-u.x, -u.y, -u.z);
  corners[2] = at(-r.x, -r.y, -r.z);
  corners[3] = at(u.x, u.y, u.z);
}

float LampHaloAlpha(float distanceSquared) {
  if (distanceSquared >= 22500.0f) return -1.0f;
  if (distanceSquared >= 12500.0f) return (22500.0f - distanceSquared) * 0.0001f * 0.7f;
  return 0.7f;
}

void ResetEffects() {
  for (Particle& p : hitParticles) p = Particle{};
  for (Particle& p : impactParticles) p = Particle{};
  for (Particle& p : spareParticles) p = Particle{};
  hitFlag = false;
  hitPoint = Vec3();
  impactFlag = false;
  impactSmokePoint = Vec3();
  impactSmokeScale = 0.0f;
  spareBurstFlag = false;
  muzzlePoint = Vec3();
  spareBurstTimer = 0.0f;
  for (ImpactMark& m : impactMarks) m = ImpactMark{};
  for (BloodDecal& d : bloodDecals) d = BloodDecal{};
  impactMarkCount = kImpactMarkRows;
  bloodDecalCount = kBloodDecalRows;
}
