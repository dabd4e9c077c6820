// The six weapons and the shot: fire rate and range per weapon, damage falloff.
#pragma once

#include "math/vec3_inline.h"

struct WeaponSpec {
  float fireInterval = 0.0f;  // seconds between shots
  float unused = 0.0f;
  float rangeSquared = 0.0f;  // squared distance up to which a hit deals damage
};

constexpr int kWeaponCount = 6;
extern WeaponSpec weaponSpecs[kWeaponCount];

// Per-weapon constants beside weaponSpecs.
extern const float kWeaponDamage[kWeaponCount];
extern const float kWallMarkSize[kWeaponCount];
extern const float kImpactSmokeScale[kWeaponCount];

// Fills weaponSpecs (done by LoadWeaponModels).
void FillWeaponSpecs();
// Damage factor of a hit at squared distance d2 for a weapon of squared range R: 1 up to 100,
// falling linearly to 0 at R, 0 beyond.
float DamageFactor(float d2, float rangeSquared);
// The model-to-world matrix (column-major) of a hit model standing at `at` and turned by
// -headingDegrees about the vertical axis: what translating and then rotating the identity
// model-view matrix gives.
void HitModelMatrix(const Vec3& at, float headingDegrees, float m[16]);
