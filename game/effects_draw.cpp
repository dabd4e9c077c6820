// Drawing of the particle bursts, impact marks, blood decals and the billboard quads.
#include <GL/gl.h>

#include <cmath>

#include "engine/frame.h"
#include "engine/textures.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/player.h"
#include "game/view.h"

unsigned TgaTextureName(int index) {
  if (index < 0 || index >= static_cast<int>(sizeof(tgaTextures) / sizeof(tgaTextures[0]))) return 0;
  const GLuint id = tgaTextures[index].id;
  return id == static_cast<GLuint>(-1) ? 0u : id;
}

namespace {

void EmitQuad(const Vec3 corners[4]) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(corners[0].x, corners[0].y, corners[0].z);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(corners[1].x, corners[1].y, corners[1].z);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(corners[2].x, corners[2].y, corners[2].z);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(corners[3].x, corners[3].y, corners[3].z);
  glEnd();
}

// The billboard quad about the reference (0, 0, 1) with one half-extent on all axes.
void EmitBillboard(const Vec3& face, const Vec3& centre, float halfExtent) {
  Vec3 corners[4];
  QuadCorners(face, centre, Vec3(halfExtent, halfExtent, halfExtent), Vec3(0.0f, 0.0f, 1.0f), corners);
  EmitQuad(corners);
}

void BindTga(int index) { glBindTexture(GL_TEXTURE_2D, TgaTextureName(index)); }

// The shared frame of the three bursts: GL state, spawn on the trigger, draw, move and age.
void RunBurst(BurstKind kind, Particle* pool, int count, int texture) {
  glDepthMask(GL_FALSE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  BindTga(texture);
  if (kind == BurstKind::kHit) glDisable(GL_DEPTH_TEST);

  switch (kind) {
    case BurstKind::kHit:
      TriggerHitBurst();
      break;
    case BurstKind::kImpact:
      TriggerImpactBurst();
      break;
    case BurstKind::kSpare:
      TriggerSpareBurst();
      break;
  }

  const Vec3 viewer = ParticleViewerPoint();
  for (int i = 0; i < count; ++i) {
    Particle& p = pool[i];
    if (!ParticleIsDrawn(kind, p)) continue;
    glColor4f(1.0f, 1.0f, 1.0f, p.life);
    const float s = ParticleHalfExtent(kind, p);
    DrawQuadAt(viewer.x, viewer.y, viewer.z, p.x, p.y, p.z, s, s, s);
    AdvanceParticle(p, frameStep);
  }

  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  if (kind == BurstKind::kHit) glEnable(GL_DEPTH_TEST);
}

// Marks and decals: one quad lying in the surface per live row, aged as it is drawn.
template <typename Row, typename Extent, typename Texture>
void DrawDecalRows(Row* rows, int count, float rate, Extent extent, Texture texture) {
  glDepthMask(GL_FALSE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  for (int i = 0; i < count; ++i) {
    Row& row = rows[i];
    if (!(row.life > 0.0f)) continue;
    row.life -= rate * frameStep;
    glColor4f(1.0f, 1.0f, 1.0f, DecalAlpha(row.life));
    const unsigned name = texture(row.variant);
    if (name != 0) glBindTexture(GL_TEXTURE_2D, name);
    const float s = extent(row);
    DrawQuadAt(row.aimPoint.x, row.aimPoint.y, row.aimPoint.z, row.position.x, row.position.y, row.position.z,
               s, s, s);
  }
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
}

}  // namespace


unsigned ImpactMarkTexture(int variant) {
  if (variant < 0 || variant > 3) return 0;
  return TgaTextureName(1 + variant);
}

unsigned BloodDecalTexture(int variant) {
  if (variant == 0) return TgaTextureName(8);
  if (variant == 1) return TgaTextureName(0);
  return 0;
}

void DrawQuadAt(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ,
                float sizeX, float sizeY, float sizeZ) {
  Vec3 corners[4];
  QuadCorners(Vec3(faceX, faceY, faceZ), Vec3(centreX, centreY, centreZ), Vec3(sizeX, sizeY, sizeZ),
              Vec3(1.0f, 1.0f, 1.0f), corners);
  EmitQuad(corners);
}

void DrawBillboard(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ,
                   float size) {
  const float h = 5.0f * (size > 0.2f ? size : 0.2f);
  EmitBillboard(Vec3(faceX, faceY, faceZ), Vec3(centreX, centreY, centreZ), h);
}

void DrawBillboardUnit(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ) {
  EmitBillboard(Vec3(faceX, faceY, faceZ), Vec3(centreX, centreY, centreZ), 1.0f);
}

unsigned maskedQuadTextures[kMaskedQuadPairs][2] = {};

void DrawQuadAtMasked(float faceX, float faceY, float faceZ, float centreX, float centreY, float centreZ,
                      float sizeX, float sizeY, float sizeZ, int index) {
  if (index < 0 || index >= kMaskedQuadPairs) return;
  Vec3 corners[4];
  QuadCorners(Vec3(faceX, faceY, faceZ), Vec3(centreX, centreY, centreZ), Vec3(sizeX, sizeY, sizeZ),
              Vec3(1.0f, 1.0f, 1.0f), corners);
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  glBindTexture(GL_TEXTURE_2D, maskedQuadTextures[index][1]);
  EmitQuad(corners);
  glBlendFunc(GL_ONE, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, maskedQuadTextures[index][0]);
  EmitQuad(corners);
}

void DrawCrossedSprite() {
  static const Vec3 kSquares[2][4] = {
      {Vec3(-5.0f, -5.0f, 0.0f), Vec3(5.0f, -5.0f, 0.0f), Vec3(5.0f, 5.0f, 0.0f), Vec3(-5.0f, 5.0f, 0.0f)},
      {Vec3(0.0f, -5.0f, -5.0f), Vec3(0.0f, -5.0f, 5.0f), Vec3(0.0f, 5.0f, 5.0f), Vec3(0.0f, 5.0f, -5.0f)},
  };
  for (const Vec3* square : kSquares) {
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, bmpTextures[12]);
    EmitQuad(square);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, bmpTextures[11]);
    EmitQuad(square);
  }
}

Vec3 ParticleViewerPoint() {
  return Vec3(eyePosition.x, eyePosition.y + 2.5f + 0.005f * std::sin(players[0].bobPhase), eyePosition.z);
}

void TriggerHitBurst() {
  if (gameMode == 2) {
    // On the client the host reports hits on its player as sound events.
    for (SoundEvent& e : soundEvents) {
      if (e.code != kEventClientHit) continue;
      e.code = -1;
      hitPoint = e.position;
      hitFlag = true;
    }
  }
  if (!hitFlag) return;
  SpawnBurst(BurstKind::kHit, hitParticles, kHitParticleCount, hitPoint, 0.0f, -1);
  hitFlag = false;
}

void TriggerSpareBurst() {
  if (spareBurstFlag) {
    spareBurstFlag = false;
    spareBurstTimer = 1.0f;
  }
  if (spareBurstTimer > 0.0f) {
    spareBurstTimer -= 0.01f * frameStep;
    SpawnBurst(BurstKind::kSpare, spareParticles, kSpareParticleCount, muzzlePoint, 0.0f, -1);
  }
}

void DrawHitBurst() { RunBurst(BurstKind::kHit, hitParticles, kHitParticleCount, 0); }
void DrawImpactBurst() { RunBurst(BurstKind::kImpact, impactParticles, kImpactParticleCount, 6); }
void DrawSpareBurst() { RunBurst(BurstKind::kSpare, spareParticles, kSpareParticleCount, 6); }

void DrawImpactMarks() {
  DrawDecalRows(impactMarks, impactMarkCount < kImpactMarkRows ? impactMarkCount : kImpactMarkRows,
                kImpactMarkFade, [](const ImpactMark& m) { return 0.3f * m.size; }, ImpactMarkTexture);
}

void DrawBloodDecals() {
  DrawDecalRows(bloodDecals, bloodDecalCount < kBloodDecalRows ? bloodDecalCount : kBloodDecalRows,
                kBloodDecalFade, [](const BloodDecal& d) { return 2.0f * BloodSpread(d.life); }, BloodDecalTexture);
}
