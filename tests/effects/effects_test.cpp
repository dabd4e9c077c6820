// The state halves of the particle bursts, impact marks and blood decals, and the quad geometry.
#include <gtest/gtest.h>

#include <cmath>

#include "effects_fixture.h"
#include "game/effects.h"

namespace {

float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
Vec3 Sub(const Vec3& a, const Vec3& b) { return Vec3(a.x - b.x, a.y - b.y, a.z - b.z); }
float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST_F(Effects, InitSeedsOnlyTheFirstFiftyOfBothLivePools) {
  InitBurstParticles();
  for (int i = 0; i < 50; ++i) {
    const Particle& p = hitParticles[i];
    EXPECT_TRUE(p.active);
    EXPECT_EQ(p.life, 1.0f);
    EXPECT_GE(p.fade, 0.003f);
    EXPECT_LE(p.fade, 0.1021f);
    EXPECT_GE(p.xi, -260.0f);
    EXPECT_LE(p.xi, 230.0f);
    EXPECT_EQ(p.yg, -0.1f);
    EXPECT_TRUE(impactParticles[i].active);
    EXPECT_EQ(impactParticles[i].size, 0.0f);  // prepared smoke stays invisible
  }
  EXPECT_FALSE(impactParticles[50].active);
  EXPECT_EQ(impactParticles[50].life, 0.0f);
}

TEST_F(Effects, SpawnedParticlesTakeTheBurstsRanges) {
  const Vec3 at(1.0f, 2.0f, 3.0f);
  for (int n = 0; n < 200; ++n) {
    Particle hit, smoke;
    SpawnParticle(BurstKind::kHit, hit, at, 0.0f);
    SpawnParticle(BurstKind::kImpact, smoke, at, 4.5f);
    EXPECT_EQ(hit.life, 1.0f);
    EXPECT_EQ(hit.x, 1.0f);
    EXPECT_EQ(hit.z, 3.0f);
    EXPECT_GE(hit.fade, 0.009f);
    EXPECT_LE(hit.fade, 0.1081f);
    EXPECT_GE(hit.xi, -35.0f);
    EXPECT_LE(hit.xi, 34.31f);
    EXPECT_EQ(hit.yg, -2.0f);
    EXPECT_GE(smoke.fade, 0.00449f);
    EXPECT_LE(smoke.fade, 0.00748f);
    EXPECT_EQ(smoke.yg, 0.03f);
    EXPECT_EQ(smoke.size, 4.5f);
  }
}

TEST_F(Effects, FreeParticlesDifferAtLifeExactlyZero) {
  Particle p;
  p.life = 0.0f;
  EXPECT_FALSE(ParticleIsFree(BurstKind::kHit, p));
  EXPECT_TRUE(ParticleIsFree(BurstKind::kImpact, p));
  EXPECT_FALSE(ParticleIsDrawn(BurstKind::kImpact, p));
  p.active = true;
  EXPECT_TRUE(ParticleIsDrawn(BurstKind::kHit, p));  // spent hit particles are still drawn
  p.life = -0.01f;
  EXPECT_TRUE(ParticleIsFree(BurstKind::kHit, p));
}

TEST_F(Effects, ImpactBurstSpawnsAtMostSixAtTheLatestPointAndClearsTheFlag) {
  impactFlag = true;
  impactSmokePoint = Vec3(5.0f, 6.0f, 7.0f);
  impactSmokeScale = 7.0f;
  TriggerImpactBurst();
  EXPECT_FALSE(impactFlag);
  int alive = 0;
  for (const Particle& p : impactParticles)
    if (p.life > 0.0f) {
      ++alive;
      EXPECT_EQ(p.x, 5.0f);
      EXPECT_EQ(p.size, 7.0f);
    }
  EXPECT_EQ(alive, 6);
  for (int i = 0; i < 6; ++i) EXPECT_GT(impactParticles[i].life, 0.0f);  // the first free ones

  // With the whole pool alive no smoke shows, but the flag is still consumed.
  for (Particle& p : impactParticles) p.life = 0.5f;
  impactFlag = true;
  TriggerImpactBurst();
  EXPECT_FALSE(impactFlag);
  for (const Particle& p : impactParticles) EXPECT_EQ(p.life, 0.5f);
}

TEST_F(Effects, HitBurstReusesOnlyDeadParticles) {
  InitBurstParticles();  // all 50 alive at life 1.0
  hitFlag = true;
  hitPoint = Vec3(9.0f, 9.0f, 9.0f);
  EXPECT_EQ(SpawnBurst(BurstKind::kHit, hitParticles, kHitParticleCount, hitPoint, 0.0f, -1), 0);
  hitParticles[3].life = -0.2f;
  hitParticles[40].life = -0.5f;
  hitParticles[41].life = 0.0f;  // not yet free
  EXPECT_EQ(SpawnBurst(BurstKind::kHit, hitParticles, kHitParticleCount, hitPoint, 0.0f, -1), 2);
  EXPECT_EQ(hitParticles[3].x, 9.0f);
  EXPECT_EQ(hitParticles[40].life, 1.0f);
  EXPECT_EQ(hitParticles[41].life, 0.0f);
}

TEST_F(Effects, ParticleMotionIsSpeedOver4000AndAgesByFade) {
  Particle p;
  p.life = 1.0f;
  p.fade = 0.01f;
  p.xi = 400.0f;
  p.yi = 0.0f;
  p.yg = -2.0f;
  AdvanceParticle(p, 2.0f);
  EXPECT_FLOAT_EQ(p.x, 0.2f);
  EXPECT_FLOAT_EQ(p.yi, -4.0f);
  EXPECT_FLOAT_EQ(p.life, 0.98f);
  EXPECT_FLOAT_EQ(p.y, 0.0f);  // gravity acts on the next step's motion
}

TEST_F(Effects, HalfExtentsGrowAsParticlesFade) {
  Particle p;
  p.life = 1.0f;
  p.size = 1.0f;
  EXPECT_FLOAT_EQ(ParticleHalfExtent(BurstKind::kHit, p), 0.1f);
  EXPECT_FLOAT_EQ(ParticleHalfExtent(BurstKind::kImpact, p), 0.08f);
  p.life = 0.0f;
  EXPECT_FLOAT_EQ(ParticleHalfExtent(BurstKind::kHit, p), 0.6f);
  EXPECT_FLOAT_EQ(ParticleHalfExtent(BurstKind::kImpact, p), 0.16f);
}

TEST_F(Effects, DecalsFadeOverTheirLastTenthAndBloodSpreadsLate) {
  EXPECT_EQ(DecalAlpha(0.5f), 1.0f);
  EXPECT_FLOAT_EQ(DecalAlpha(0.05f), 0.5f);
  EXPECT_EQ(BloodSpread(1.0f), 0.0f);
  EXPECT_EQ(BloodSpread(0.996f), 0.0f);
  EXPECT_NEAR(BloodSpread(0.9935f), 0.5f, 1e-3f);
  EXPECT_EQ(BloodSpread(0.991f), 1.0f);
  // 0.4 s of 100 s: still invisible; 0.9 s: full size.
  EXPECT_EQ(BloodSpread(1.0f - 40.0f * kBloodDecalFade), 0.0f);
  EXPECT_EQ(BloodSpread(1.0f - 90.0f * kBloodDecalFade), 1.0f);
}

TEST_F(Effects, ClearDecalsFreesEveryRow) {
  impactMarks[199].life = 1.0f;
  bloodDecals[29].life = 0.3f;
  ClearDecals();
  EXPECT_EQ(impactMarks[199].life, 0.0f);
  EXPECT_EQ(bloodDecals[29].life, 0.0f);
  EXPECT_EQ(impactMarkCount, 200);
  EXPECT_EQ(bloodDecalCount, 30);
}

TEST_F(Effects, QuadLiesAcrossTheFacingDirection) {
  const Vec3 centre(10.0f, 0.0f, 0.0f);
  Vec3 c[4];
  QuadCorners(Vec3(10.0f, 1.0f, 0.0f), centre, Vec3(2.0f, 2.0f, 2.0f), Vec3(1.0f, 1.0f, 1.0f), c);
  // Facing up: every corner lies in the horizontal plane through the centre.
  for (const Vec3& v : c) EXPECT_NEAR(v.y, 0.0f, 1e-6f);
  // Opposite corners are symmetric about the centre.
  EXPECT_NEAR(c[0].x + c[2].x, 20.0f, 1e-5f);
  EXPECT_NEAR(c[1].z + c[3].z, 0.0f, 1e-5f);
  // The axes are not normalised: |n x (1,1,1)| = sqrt(2) for n = (0,1,0).
  EXPECT_NEAR(Length(Sub(c[0], centre)), 2.0f * std::sqrt(2.0f), 1e-5f);
  EXPECT_NEAR(Dot(Sub(c[0], centre), Sub(c[1], centre)), 0.0f, 1e-4f);
}

TEST_F(Effects, QuadFacingAlongOneOneOneVanishes) {
  Vec3 c[4];
  QuadCorners(Vec3(3.0f, 3.0f, 3.0f), Vec3(0.0f, 0.0f, 0.0f), Vec3(5.0f, 5.0f, 5.0f), Vec3(1.0f, 1.0f, 1.0f), c);
  for (const Vec3& v : c) EXPECT_NEAR(Length(v), 0.0f, 1e-5f);
  // A face point on the centre gives no direction: a degenerate quad, never NaN.
  QuadCorners(Vec3(1.0f, 2.0f, 3.0f), Vec3(1.0f, 2.0f, 3.0f), Vec3(5.0f, 5.0f, 5.0f), Vec3(1.0f, 1.0f, 1.0f), c);
  for (const Vec3& v : c) EXPECT_FALSE(std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z));
}

TEST_F(Effects, LampHaloAlphaByDistance) {
  EXPECT_FLOAT_EQ(LampHaloAlpha(0.0f), 0.7f);
  EXPECT_FLOAT_EQ(LampHaloAlpha(12500.0f), 0.7f);
  EXPECT_FLOAT_EQ(LampHaloAlpha(17500.0f), 0.35f);
  EXPECT_LT(LampHaloAlpha(22500.0f), 0.0f);  // not drawn
}

}  // namespace
