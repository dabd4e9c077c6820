// Short-lived shot effects and the flat quads they are drawn with: the hit and impact particle
// bursts, impact marks on the map, blood decals under killed bandits, and the billboard quad
// routines shared by them and the lamp halos.
//
// The shooting code and the effects talk through the flags and points below: the shooter raises
// a flag and leaves a point (or fills a free row of a mark table); the effect consumes and clears
// it in the same frame. Every pool is a fixed global array; a row is free when its life has run
// out.
//
// Each effect is split into a state half (spawning, moving, ageing; no GL, testable on its own)
// and the drawing function the frame calls, which sets its GL state, draws, and runs the state
// half.
#pragma once

#include "math/vec3_inline.h"

// ---------------------------------------------------------------------------------------------
// Particles

struct Particle {
  bool active = false;  // set at spawn; never cleared
  float life = 0.0f;    // 1.0 at spawn, also the alpha; falls by fade x frameStep
  float fade = 0.0f;    // life lost per 1/100 s
  float x = 0.0f, y = 0.0f, z = 0.0f;     // position
  float xi = 0.0f, yi = 0.0f, zi = 0.0f;  // speed
  float xg = 0.0f, yg = 0.0f, zg = 0.0f;  // gravity, added to the speed per 1/100 s
  float size = 0.0f;                      // size factor (impact smoke only)
};

constexpr int kHitParticleCount = 50;
constexpr int kImpactParticleCount = 400;
constexpr int kSpareParticleCount = 30;
// Every speed is divided by this (and by 2000): a particle moves speed / 4000 per 1/100 s.
constexpr float particleSlowdown = 2.0f;

extern Particle hitParticles[kHitParticleCount];
extern Particle impactParticles[kImpactParticleCount];
extern Particle spareParticles[kSpareParticleCount];

// Triggers and points written by the shooting code.
extern bool hitFlag;              // a shot hit an actor: burst at hitPoint
extern Vec3 hitPoint;
extern bool impactFlag;           // a shot marked the map: smoke at impactSmokePoint
extern Vec3 impactSmokePoint;     // the mark raised along the surface normal
extern float impactSmokeScale;    // size of the firing weapon's smoke
extern bool spareBurstFlag;       // set on every shot; read only by DrawSpareBurst
extern Vec3 muzzlePoint;          // the shooter's muzzle; read only by DrawSpareBurst
extern float spareBurstTimer;     // emission window of DrawSpareBurst, seconds

// Seeds the first 50 entries of hitParticles and impactParticles (at every window creation):
// alive at full life wherever they were, with random fade and speed and a light gravity.
void InitBurstParticles();

// The three kinds of burst and their rules.
enum class BurstKind { kHit, kImpact, kSpare };

// Whether a particle may be re-spawned by a burst of this kind (hit: life < 0; others <= 0).
bool ParticleIsFree(BurstKind kind, const Particle& p);
// Whether the burst draws and moves this particle (hit and spare: active; impact: life > 0).
bool ParticleIsDrawn(BurstKind kind, const Particle& p);
// Re-initialises p as a new particle of the burst at point (draws four random numbers).
void SpawnParticle(BurstKind kind, Particle& p, const Vec3& point, float size);
// Spawns into the free entries of the pool from index 0 (at most `limit`, negative: no limit);
// returns how many were spawned.
int SpawnBurst(BurstKind kind, Particle* pool, int count, const Vec3& point, float size, int limit);
// Half-extent of the quad the particle is drawn with.
float ParticleHalfExtent(BurstKind kind, const Particle& p);
// One frame of motion and ageing: position by speed / 4000, speed by gravity, life by fade.
void AdvanceParticle(Particle& p, float step);

// The state halves of the bursts: spawn on the trigger (clearing it), nothing more.
void TriggerHitBurst();     // also takes the client's "hit the host" sound events in LAN play
void TriggerImpactBurst();
void TriggerSpareBurst();   // opens the emission window and spawns while it is open

// The viewer point the particle quads face: the eye with its walking bob.
Vec3 ParticleViewerPoint();

// The emitter behind the muzzle; nothing in the frame calls it.
void DrawSpareBurst();

// ---------------------------------------------------------------------------------------------
// Impact marks and blood decals

struct ImpactMark {
  Vec3 position;     // centre, on the surface (hit point + 0.01 x normal)
  Vec3 aimPoint;     // position + the surface normal: the quad's facing
  int variant = 0;   // picture 0..3
  float size = 0.0f; // by the weapon that fired
  float life = 0.0f; // 1.0 when made; free at or below 0
};

struct BloodDecal {
  Vec3 position;     // centre on the ground (+ 0.05 x the ground normal)
  Vec3 aimPoint;     // position + the ground normal
  float life = 0.0f; // 1.0 when made; free at or below 0
  int variant = 0;   // picture 0 or 1
};

constexpr int kImpactMarkRows = 200;
constexpr int kBloodDecalRows = 30;
extern ImpactMark impactMarks[kImpactMarkRows];
extern int impactMarkCount;  // 200: rows the drawing walks
extern BloodDecal bloodDecals[kBloodDecalRows];
extern int bloodDecalCount;  // 30

// Sets the life of every row of both tables to 0 (each level load).
void ClearDecals();

// Life lost per 1/100 s: a mark lasts 10 s, a decal 100 s.
constexpr float kImpactMarkFade = 0.001f;
constexpr float kBloodDecalFade = 0.0001f;
// Alpha of a row by its (already aged) life: opaque, then fading over the last tenth.
float DecalAlpha(float life);
// Spread of a blood decal by its life: 0 for the first 0.4 s, growing to 1 over 0.5 s.
float BloodSpread(float life);
// The GL name of tgaTextures[index]; 0 when that picture is not loaded.
unsigned TgaTextureName(int index);
// Texture names of the pictures; 0 for a variant outside the table (binds nothing new).
unsigned ImpactMarkTexture(int variant);
unsigned BloodDecalTexture(int variant);

// ---------------------------------------------------------------------------------------------
// Billboard quads

// The four corners of DrawQuadAt's quad in drawing order, texture (0,0), (1,0), (1,1), (0,1).
// The axes are n x (1,1,1) and n x (n x (1,1,1)) with n the unit direction to the face point;
// they are not normalised, so the quad's extent depends on the direction, and it vanishes when n
// is parallel to (1,1,1).
void QuadCorners(const Vec3& face, const Vec3& centre, const Vec3& halfExtent, const Vec3& reference,
                 Vec3 corners[4]);

// One textured quad centred on (centre) facing (face); texture, colour and blending are the
// caller's.
void DrawQuadAt(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ,
                float sizeX, float sizeY, float sizeZ);
// The same about (0,0,1) with the half-extent 5 x max(size, 0.2) on all axes.
void DrawBillboard(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ,
                   float size);

// DrawBillboard's quad with the half-extent 1.
void DrawBillboardUnit(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ);

// Pairs of texture names for masked quads: [i][0] the picture, [i][1] its mask. Zero (no texture)
// until a pair is assigned.
constexpr int kMaskedQuadPairs = 16;
extern unsigned maskedQuadTextures[kMaskedQuadPairs][2];
// DrawQuadAt's quad twice: pair `index`'s mask multiplied onto the screen (blend DST_COLOR, ZERO),
// then its picture added (ONE, ONE). Blending must be on; an index outside the table draws
// nothing. Leaves the blend function at (ONE, ONE).
void DrawQuadAtMasked(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ,
                      float sizeX, float sizeY, float sizeZ, int index);
// Two crossed 10 x 10 squares through the origin, one in the XY and one in the YZ plane, each
// drawn as a mask pass (DST_COLOR, ZERO) with bmpTextures[12] and a colour pass
// (ONE, ONE_MINUS_SRC_ALPHA) with bmpTextures[11]. Blending must be on.
void DrawCrossedSprite();

// Halo of one lamp face: alpha by the squared distance from the eye (0.7 near, fading out between
// 12500 and 22500), negative when the face is too far to be drawn.
float LampHaloAlpha(float distanceSquared);

// Puts every effect pool, flag, table and counter back to its start-up value (for tests).
void ResetEffects();
