// The in-game overlay.
#include "game/hud.h"

#include <GL/gl.h>

#include <cmath>

#include "engine/frame.h"
#include "engine/static_model.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/level.h"
#include "game/player.h"
#include "game/prizes.h"
#include "game/lan/net.h"

float healthMessageTimer = 0.0f;
float secondMessageTimer = 0.0f;

float WeaponBarAlpha(float weaponRaise) { return weaponRaise < 0.0f ? 1.0f : 1.0f - weaponRaise; }

void AdvanceHudTimers(float step) {
  pickupMessageAlpha -= 0.002f * step;
  healthMessageTimer -= 0.01f * step;
  secondMessageTimer -= 0.01f * step;
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

void Quad2D(float x0, float y0, float x1, float y1, float t0 = 0.0f, float t1 = 1.0f) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, t0);
  glVertex2f(x0, y0);
  glTexCoord2f(1.0f, t0);
  glVertex2f(x1, y0);
  glTexCoord2f(1.0f, t1);
  glVertex2f(x1, y1);
  glTexCoord2f(0.0f, t1);
  glVertex2f(x0, y1);
  glEnd();
}

void DrawIcon(StaticModel* model, float x, float y, float z, float tilt, float spin) {
  if (!model) return;
  glPushMatrix();
  glTranslatef(x, y, z);
  glRotatef(tilt, 1.0f, 0.0f, 0.0f);
  glRotatef(spin, 0.0f, 1.0f, 0.0f);
  model->Draw();
  glPopMatrix();
}

const char* const kPickupLines[6] = {
    "+50 ammo for the pistol",      "+50 ammo for lite machine gun", "+10 ammo for shotgun",
    "+50 ammo for machine gun",     "+10 ammo for super shotgun",    "+50 ammo for super machine gun",
};

}  // namespace

int PickupMessageLineCount(int lastWeapon) {
  if (lastWeapon < 0) return 0;
  return lastWeapon > 5 ? 6 : lastWeapon + 1;
}

const char* LanResultText(int mode, const int scoreTable[2]) {
  if (mode == 1) {
    if (scoreTable[0] > 9) return "You win!!!";
    if (scoreTable[1] > 9) return "You lost!";
  } else if (mode == 2) {
    if (scoreTable[0] > 9) return "You lost!";
    if (scoreTable[1] > 9) return "You win!!!";
  }
  return nullptr;
}

void DrawHud() {
  const PlayerRecord& p = players[0];

  // Two turning pick-up models in the corner of the view.
  glLoadIdentity();
  const float s = std::sin(secondsClock);
  DrawIcon(prizeModels[2], -0.425f, -0.31f, -0.5f, -20.0f, 20.0f * s + 30.0f);
  DrawIcon(prizeModels[1], 0.0f, -0.315f, -0.5f, -40.0f, 20.0f * s);

  // Everything else in the flat 800 x 600 space.
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);

  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBlendFunc(GL_ONE, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[6]);
  Quad2D(384.0f, 284.0f, 416.0f, 316.0f);
  glDisable(GL_BLEND);

  if (gameMode == 0) {
    PrintLarge(45, 16, 1, "%2i", p.kills);
    if (mapNumber >= 1 && mapNumber <= 10) PrintLarge(45, 16, 1, "  /30");
  } else {
    PrintLarge(45, 16, 1, "%2i", scores[0]);
    PrintLarge(45, 16, 1, "  /%2i", scores[1]);
  }
  if (p.Alive()) PrintLarge(425, 16, 1, "%2i", static_cast<int>(p.health));

  glBindTexture(GL_TEXTURE_2D, bmpTextures[3]);
  Quad2D(660.0f, 10.0f, 695.0f, 45.0f);
  const int weapon = p.currentWeapon >= 0 && p.currentWeapon < 10 ? p.currentWeapon : 0;
  PrintLarge(710, 16, 1, "%2i", p.ammo[weapon]);

  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, WeaponBarAlpha(p.weaponRaise));
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  for (int w = 0; w < 6; ++w) {
    const float x = 15.0f + 128.0f * static_cast<float>(w);
    glBindTexture(GL_TEXTURE_2D, bmpTextures[30 + w]);
    if (w == p.currentWeapon)
      Quad2D(x, 500.0f, x + 128.0f, 564.0f, 0.0f, 0.5f);
    else
      Quad2D(x, 500.0f, x + 128.0f, 564.0f, 0.5f, 1.0f);
  }
  glDisable(GL_BLEND);

  if (pickupMessageAlpha > 0.0f) {
    const int lines = PickupMessageLineCount(ammoPickupLastWeapon);
    for (int w = 0; w < lines; ++w) PrintSmall(10, 420 - 20 * w, pickupMessageAlpha, 1, "%s", kPickupLines[w]);
  }
  if (healthMessageTimer > 0.0f) PrintSmall(10, 320, 0.7f, 1, "+25 HEALTH");
  AdvanceHudTimers(frameStep);

  if (p.hurtFlash > 0.0f) {
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, p.hurtFlash);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, TgaTextureName(8));
    Quad2D(-100.0f, -350.0f, 900.0f, 250.0f);
    glDisable(GL_BLEND);
  }

  if (!p.Alive()) {
    if (gameMode == 0) {
      PrintLarge(245, 280, 1, "You are killed!");
    } else {
      glEnable(GL_BLEND);
      glDisable(GL_DEPTH_TEST);
      glColor4f(1.0f, 1.0f, 1.0f, p.deathTimer);
      glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA);
      glBindTexture(GL_TEXTURE_2D, bmpTextures[10]);
      Quad2D(0.0f, 0.0f, 800.0f, 600.0f);
      glDisable(GL_BLEND);
      PrintLarge(245, 280, 1, "Death!!!");
    }
  }

  if (const char* result = LanResultText(gameMode, scores)) PrintLarge(245, 260, 1, "%s", result);

  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
