// The view weapon and its muzzle flash, drawn in eye space.
#include "game/view_weapon.h"

#include <GL/gl.h>

#include <cmath>

#include "engine/static_model.h"
#include "engine/textures.h"
#include "game/effects.h"
#include "game/level.h"
#include "game/player.h"

namespace {

constexpr float kRecoilRate = 20.943f;  // pi over 0.15 s
constexpr float kFlashBase[6][3] = {
    {0.323f, -0.16f, -1.05f}, {0.38f, -0.183f, -1.05f}, {0.225f, -0.235f, -1.8f},
    {0.178f, -0.15f, -1.65f}, {0.125f, -0.15f, -1.8f},  {0.109f, -0.19f, -1.8f},
};

void FlashQuad(float k) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-0.2f * k, -0.2f * k, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(0.2f * k, -0.2f * k, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(0.2f * k, 0.2f * k, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-0.2f * k, 0.2f * k, 0.0f);
  glEnd();
}

}  // namespace

bool RecoilWindowOpen(const PlayerRecord& p) {
  return p.weaponRaise >= 1.0f && p.shotTimer > 0.0f && p.shotTimer <= 0.15f;
}

void UpdateRecoil(PlayerRecord& p) {
  if (RecoilWindowOpen(p)) p.recoilPhase = p.shotTimer * kRecoilRate;
}

Vec3 ViewWeaponOffset(const PlayerRecord& p) {
  const float b = p.bobPhase;
  const float r = std::sin(p.recoilPhase);
  return Vec3(0.05f * std::cos(b), 1.8f * p.weaponLower + 0.02f * std::sin(2.0f * b) + 0.02f * r, 0.05f * r);
}

float MuzzleFlashAlpha(const PlayerRecord& p) {
  return RecoilWindowOpen(p) ? std::cos(p.shotTimer * kRecoilRate) : 0.0f;
}

float MuzzleFlashScale(int weapon) {
  if (weapon == 2 || weapon == 4) return 4.0f;
  if (weapon == 5) return 2.0f;
  return 1.0f;
}

bool MuzzleFlashOffset(const PlayerRecord& p, Vec3& offset) {
  const int w = p.currentWeapon;
  if (w < 0 || w > 5) return false;
  const float b = p.bobPhase;
  offset = Vec3(kFlashBase[w][0] + 0.05f * std::cos(b), kFlashBase[w][1] + 0.02f * std::sin(2.0f * b),
                kFlashBase[w][2]);
  return true;
}

void DrawViewWeapon() {
  PlayerRecord& p = players[0];
  UpdateRecoil(p);
  const Vec3 offset = ViewWeaponOffset(p);
  glPushMatrix();
  glTranslatef(offset.x, offset.y, offset.z);
  const int w = p.shownWeapon;
  if (w >= 0 && w < 6 && weaponModels[w]) weaponModels[w]->Draw();
  glPopMatrix();
}

void DrawMuzzleFlash() {
  const PlayerRecord& p = players[0];
  glDisable(GL_LIGHTING);
  glDepthMask(GL_FALSE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, MuzzleFlashAlpha(p));
  glBindTexture(GL_TEXTURE_2D, TgaTextureName(5));
  Vec3 offset;
  if (MuzzleFlashOffset(p, offset)) {
    const float k = MuzzleFlashScale(p.currentWeapon);
    glPushMatrix();
    glTranslatef(offset.x, offset.y, offset.z);
    FlashQuad(k);
    if (p.currentWeapon == 4) {
      glTranslatef(-0.07f, -0.008f, 0.0f);
      FlashQuad(k);
    }
    glPopMatrix();
  }
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
}
