#include "game/map_intro.h"

#include <GL/gl.h>

#include "engine/frame.h"
#include "engine/textures.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/menus.h"
#include "game/world.h"

float mapIntroTimer = 0.0f;

int MapIntroPicture(int map) {
  static const int kPictures[10] = {13, 26, 27, 28, 29, 36, 37, 38, 39, 40};
  return map >= 1 && map <= 10 ? kPictures[map - 1] : 11;
}

Vec3 MapStartPosition(int map) {
  switch (map) {
    case 7: return Vec3(-70.0f, 3.0f, -112.0f);
    case 9: return Vec3(-78.0f, 3.0f, -107.0f);
    case 10: return Vec3(-70.0f, 3.0f, -120.0f);
    default: return Vec3(-70.0f, 3.0f, -107.0f);
  }
}

MapIntroOutcome AdvanceMapIntro(float step) {
  mapIntroTimer += 0.3f * step;
  if (mapIntroTimer > 300.0f && mapNumber >= 1 && mapNumber <= 10) {
    mapIntroTimer = 0.0f;
    gameState = 0;
    const Vec3 start = MapStartPosition(mapNumber);
    playerStartPosition.Set(start.x, start.y, start.z);
    playerStartDirection.Set(1.0f, 0.0f, 0.0f);
    const bool started = LoadMap(mapNumber, 1, 1);
    if (started) WriteCareer();
    ResetMenuHover();
    return started ? MapIntroOutcome::kMapStarted : MapIntroOutcome::kMapRefused;
  }
  // Any number outside the career's maps (the one after the last map, or one from a hand-edited
  // career file) ends the career instead of leaving the sequence running for good.
  if (mapIntroTimer > 100.0f && (mapNumber < 1 || mapNumber > 10)) {
    mapIntroTimer = 0.0f;
    gameState = 1;
    ResetMenuHover();
    mapNumber = 1;
    difficulty = 1;
    WriteCareer();
    return MapIntroOutcome::kCareerEnded;
  }
  return MapIntroOutcome::kRunning;
}

void RunMapIntro() {
  AdvanceMapIntro(frameStep);
  const float t = mapIntroTimer;

  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, bmpTextures[11]);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  if (t >= 0.0f && t < 100.0f) {
    glColor4f(1.0f, 1.0f, 1.0f, 0.01f * t);
  } else if (t >= 100.0f && t < 200.0f) {
    glColor4f(1.0f, 1.0f, 1.0f, 0.01f * (200.0f - t));
  }
  if (t >= 0.0f && t < 200.0f) {
    glBindTexture(GL_TEXTURE_2D, bmpTextures[MapIntroPicture(mapNumber)]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(200.0f, 100.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex2f(600.0f, 100.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex2f(600.0f, 500.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex2f(200.0f, 500.0f);
    glEnd();
  }
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (t > 200.0f) {
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 0.01f * (t - 200.0f));
    glBindTexture(GL_TEXTURE_2D, bmpTextures[41]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex2f(800.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex2f(800.0f, 600.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex2f(0.0f, 600.0f);
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
}

void DrawTexturedBox(float x0, float x1, float y0, float y1, float z0, float z1) {
  // Per side: its picture and its corners in the order bottom-left, bottom-right, top-right,
  // top-left as seen from outside.
  struct Corner {
    float x, y, z;
  };
  const struct {
    int picture;
    Corner c[4];
  } sides[5] = {
      {1, {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}},
      {2, {{x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}}},
      {3, {{x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}}},
      {4, {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}},
      {5, {{x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}}},
  };
  static const float kCoords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
  for (const auto& side : sides) {
    glBindTexture(GL_TEXTURE_2D, bmpTextures[side.picture]);
    glBegin(GL_QUADS);
    for (int k = 0; k < 4; ++k) {
      glTexCoord2f(kCoords[k][0], kCoords[k][1]);
      glVertex3f(side.c[k].x, side.c[k].y, side.c[k].z);
    }
    glEnd();
  }
}
