// The other player and the bandits as animated character models.
#include "game/draw_characters.h"

#include <GL/gl.h>

#include <cmath>

#include "engine/frame.h"
#include "engine/textures.h"
#include "engine/vector_helpers.h"
#include "game/bandits.h"
#include "game/effects.h"
#include "game/player.h"
#include "game/world.h"
#include "physics/physics.h"

namespace {

constexpr float kRadiansToDegrees = 57.29578f;
constexpr int kBmpTextureCount = static_cast<int>(sizeof(bmpTextures) / sizeof(bmpTextures[0]));

float HeadingDegrees(const Vec3& direction) {
  return HeadingDifference(direction, Vec3(0.0f, 0.0f, 1.0f)) * kRadiansToDegrees;
}

// The death fade (alpha 2.5 - deathTimer once deathTimer passes 1.5), the (re)spawn fade (alpha
// clock - offset while the clock is below its end; it decides when both hold) and the sinking
// (50 units per unit of deathTimer beyond 2.5).
void ApplyFades(ActorDrawState& s, bool dead, float deathTimer, float spawnClock, float spawnUntil,
                float spawnOffset) {
  if (deathTimer > 1.5f && dead) {
    s.faded = true;
    s.alpha = 2.5f - deathTimer;
  }
  if (spawnClock < spawnUntil) {
    s.faded = true;
    s.alpha = spawnClock - spawnOffset;
  }
  s.sink = (deathTimer > 2.5f && dead) ? (deathTimer - 2.5f) * 50.0f : 0.0f;
}

void BindBmp(int index) {
  if (index >= 0 && index < kBmpTextureCount) glBindTexture(GL_TEXTURE_2D, bmpTextures[index]);
}

void BeginFade(const ActorDrawState& s) {
  if (!s.faded) return;
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, s.alpha);
}

void EndFade(const ActorDrawState& s) {
  if (!s.faded) return;
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

const char* LegsAnimationName(int n) {
  static const char* const kNames[5] = {"LEGS_1", "LEGS_2", "LEGS_3", "LEGS_4", "LEGS_5"};
  return n >= 0 && n < 5 ? kNames[n] : nullptr;
}

const char* TorsoAnimationName(int n) {
  static const char* const kNames[3] = {"TORSO_1", "TORSO_2", "TORSO_3"};
  return n >= 0 && n < 3 ? kNames[n] : nullptr;
}

ActorDrawState AdvanceOtherPlayer(PlayerRecord& p, float step) {
  ActorDrawState s;
  Vec3 flat(p.viewDirection.x, 0.0f, p.viewDirection.z);
  const float len = std::sqrt(flat.x * flat.x + flat.z * flat.z);
  if (len > 0.0f) flat = Vec3(flat.x / len, 0.0f, flat.z / len);
  s.yaw = HeadingDegrees(flat);
  const bool dead = p.health <= 1.0f;
  if (dead) p.deathTimer += 0.005f * step;
  p.respawnTimer += 0.005f * step;
  ApplyFades(s, dead, p.deathTimer, p.respawnTimer, 2.0f, 1.0f);
  return s;
}

ActorDrawState AdvanceBandit(BanditRecord& b, float step) {
  ActorDrawState s;
  Vec3 d = b.direction;
  const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (len > 0.0f) d = Vec3(d.x / len, d.y / len, d.z / len);
  s.yaw = HeadingDegrees(d) + 3.0f;
  const bool dead = b.health <= 0.0f;
  if (dead) b.deathTimer += 0.005f * step;
  b.spawnFade += 0.005f * step;
  ApplyFades(s, dead, b.deathTimer, b.spawnFade, 1.0f, 0.0f);
  return s;
}

float BanditFlashAlpha(float muzzleFlashTimer) {
  return muzzleFlashTimer <= 0.15f ? std::cos(muzzleFlashTimer * 20.943f) : 0.0f;
}

Vec3 BanditDrawPosition(const BanditRecord& b) { return b.body ? b.body->GetPos() : b.position; }

int OtherPlayerSkinTexture(int skin) {
  const int index = 8 + skin;
  return index >= 0 && index < kBmpTextureCount ? index : -1;
}

int BanditSkinTexture(int bandit, int skin) {
  if (bandit < 0 || bandit > 4 || skin < 0 || skin > 1) return -1;
  return 50 + 2 * bandit + skin;
}

void DrawOtherPlayer() {
  PlayerRecord& p = players[1];
  if (p.legsAnim != p.legsAnimWanted) {
    p.legsAnim = p.legsAnimWanted;
    if (const char* name = LegsAnimationName(p.legsAnim)) p.model.SetLegsAnimation(name);
  }
  if (p.torsoAnim != p.torsoAnimWanted) {
    p.torsoAnim = p.torsoAnimWanted;
    if (const char* name = TorsoAnimationName(p.torsoAnim)) p.model.SetTorsoAnimation(name);
  }
  const ActorDrawState s = AdvanceOtherPlayer(p, frameStep);

  glPushMatrix();
  glTranslatef(p.position.x, p.position.y + 0.3f - s.sink, p.position.z);
  glRotatef(-s.yaw, 0.0f, 1.0f, 0.0f);
  glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
  BindBmp(OtherPlayerSkinTexture(p.skin));
  BeginFade(s);
  glScalef(0.06666f, 0.06666f, 0.06666f);
  p.model.Draw(p.torsoPitch, 0.0f);
  EndFade(s);
  glPopMatrix();
  glLoadIdentity();
}

void DrawBandits() {
  const int last = lastBanditIndex < kBanditSlots ? lastBanditIndex : kBanditSlots - 1;
  for (int i = 0; i <= last; ++i) {
    BanditRecord& b = bandits[i];
    const Vec3 pos = BanditDrawPosition(b);
    const ActorDrawState s = AdvanceBandit(b, frameStep);

    glPushMatrix();
    glTranslatef(pos.x, pos.y - 1.0f - s.sink, pos.z);
    glRotatef(-s.yaw - 90.0f, 0.0f, 1.0f, 0.0f);
    BindBmp(BanditSkinTexture(i, b.skin));
    BeginFade(s);
    glScalef(0.0606f, 0.0606f, 0.0606f);
    b.model.Draw(0.0f, 0.0f);
    EndFade(s);
    glPopMatrix();
    glLoadIdentity();
    UpdateViewAndSound(0, 1);

    // The flash in front of the bandit's gun, drawn every frame (transparent between shots).
    glPushMatrix();
    glTranslatef(pos.x, pos.y - 1.0f, pos.z);
    glRotatef(-s.yaw - 90.0f, 0.0f, 1.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, BanditFlashAlpha(b.muzzleFlashTimer));
    b.muzzleFlashTimer += 0.01f * frameStep;
    glBindTexture(GL_TEXTURE_2D, TgaTextureName(5));
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glTranslatef(1.6f, 2.8f, 0.4f);
    const float k = 3.0f;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.2f * k, -0.2f * k);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(0.0f, 0.2f * k, 0.2f * k);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(0.0f, -0.2f * k, 0.2f * k);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(0.0f, -0.2f * k, -0.2f * k);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPopMatrix();
    glLoadIdentity();
    UpdateViewAndSound(0, 1);
  }
}
