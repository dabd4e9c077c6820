// Pick-ups: the state half (what is drawn, taking, timers) and the drawing.
#include "game/prizes.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "engine/frame.h"
#include "engine/static_model.h"
#include "engine/textures.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/level.h"
#include "game/player.h"
#include "sound/sound_source.h"

float prizeSpinPhase = 0.0f;
int ammoPickupLastWeapon = 0;
float pickupMessageAlpha = 0.0f;
Vec3 flarePoint(50.0f, 90.0f, 0.0f);

namespace {

constexpr int kAmmoGain[6] = {50, 50, 10, 50, 10, 50};
constexpr int kAmmoCap[6] = {100, 100, 10, 100, 10, 100};

}  // namespace

void GiveAmmoPickup() {
  ammoPickupLastWeapon = 5;
  if (gameMode == 0 && mapNumber < 6) ammoPickupLastWeapon = mapNumber - 1;
  PlayerRecord& p = players[0];
  for (int w = 0; w <= ammoPickupLastWeapon && w < 6; ++w) p.ammo[w] += kAmmoGain[w];
  for (int w = 0; w < 6; ++w)
    if (p.ammo[w] > kAmmoCap[w]) p.ammo[w] = kAmmoCap[w];
  pickupMessageAlpha = 1.0f;
}

void UpdatePrizes(const Vec3& playerPosition, float step, PrizeFrameRow* rows) {
  const int last = lastPrizePointIndex < kMaxPrizePoints ? lastPrizePointIndex : kMaxPrizePoints - 1;
  for (int i = 0; i <= last; ++i) {
    PrizePoint& row = prizePoints[i];
    PrizeFrameRow out;
    const float dx = playerPosition.x - row.x;
    const float dy = playerPosition.y - row.y;
    const float dz = playerPosition.z - row.z;
    const float d2 = dx * dx + dy * dy + dz * dz;
    if (row.timer > -1.0f && row.type >= 0 && d2 < 10000.0f) {
      out.drawn = row.type <= 2;
      out.alpha = row.timer < 0.0f ? row.timer + 1.0f : 1.0f;
      if (d2 < 4.0f && row.timer > 0.0f) {
        row.timer = -40.0f;
        out.taken = true;
        if (row.type == 0) GiveAmmoPickup();
      }
    }
    row.timer += 0.01f * step;
    if (rows) rows[i] = out;
  }
  prizeSpinPhase += 0.02f * step;
}

void DrawPrizes() {
  static PrizeFrameRow rows[kMaxPrizePoints];
  const float bob = std::sin(1.2f * prizeSpinPhase);
  const float spin = 100.0f * prizeSpinPhase;
  UpdatePrizes(players[0].position, frameStep, rows);
  const int last = lastPrizePointIndex < kMaxPrizePoints ? lastPrizePointIndex : kMaxPrizePoints - 1;
  for (int i = 0; i <= last; ++i) {
    const PrizeFrameRow& row = rows[i];
    const PrizePoint& point = prizePoints[i];
    if (row.drawn) {
      const bool fading = row.alpha < 1.0f;
      glPushMatrix();
      glTranslatef(point.x, point.y + 0.15f * bob, point.z);
      glRotatef(spin, 0.0f, 1.0f, 0.0f);
      if (fading) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glColor4f(1.0f, 1.0f, 1.0f, row.alpha);
      }
      if (StaticModel* model = prizeModels[point.type]) model->Draw();
      if (fading) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDisable(GL_BLEND);
        glEnable(GL_LIGHTING);
        glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
      }
      glPopMatrix();
    }
    if (row.taken) object1Sound.Play();
  }
}

namespace {

// A quadric with smooth normals and texture coordinates; null when GLU has no memory for one.
GLUquadric* NewSphereQuadric() {
  GLUquadric* q = gluNewQuadric();
  if (!q) return nullptr;
  gluQuadricNormals(q, GLU_SMOOTH);
  gluQuadricTexture(q, GL_TRUE);
  return q;
}

void SphereAt(GLUquadric* q, float x, float y, float z, double radius) {
  glPushMatrix();
  glTranslatef(x, y, z);
  gluSphere(q, radius, 8, 8);
  glPopMatrix();
}

}  // namespace

void DrawDebugSphereAtPoint() {
  glDisable(GL_TEXTURE_2D);
  glColor3ub(255, 255, 128);
  if (GLUquadric* q = NewSphereQuadric()) {
    SphereAt(q, flarePoint.x, flarePoint.y + 4.0f, flarePoint.z, 3.0);
    gluDeleteQuadric(q);
  }
  glEnable(GL_TEXTURE_2D);
}

void DrawWaypointSpheres() {
  GLUquadric* q = NewSphereQuadric();
  if (!q) return;
  const int last = lastSpawnPointIndex < kMaxSpawnPoints ? lastSpawnPointIndex : kMaxSpawnPoints - 1;
  for (int i = 0; i <= last; ++i) {
    const SpawnPoint& p = spawnPoints[i];
    glBindTexture(GL_TEXTURE_2D, bmpTextures[p.flag ? 1 : 10]);
    SphereAt(q, p.x, p.y, p.z, 1.0);
  }
  gluDeleteQuadric(q);
}
