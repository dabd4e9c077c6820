#include "app/render_frame.h"

#include <AL/al.h>
#include <GL/gl.h>

#include "engine/frame.h"
#include "app/shell.h"
#include "engine/static_model.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "game/game_state.h"
#include "game/menus.h"
#include "game/player.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "sound/music_track.h"
#include "sound/sound_source.h"

namespace {

void RunLoadingPhase() {
  bool loadNow = false;
  DrawLoadingScreen(LoadingPhaseStep(loadNow));
  if (!loadNow) return;
  startupLoading = false;
  LoadBmpTextures();
  LoadTgaTextures();
  LoadSkyCubeMap();
  LoadWeaponModels();
  LoadObjects();
  LoadBandits();
  LoadPlayerModels();
  if (musicOn) menuMusic.Play();
  musicRestartPending = true;
}

void DrawPlay() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glColor4f(1, 1, 1, 1);

  if (gameMode == 0) {
    if (frameStep <= kLongestFrameStep) UpdateWorld();
  } else if (gameMode == 1) {
    NetHostPump(2000);
  } else if (gameMode == 2) {
    NetClientPump(2000);
  }
  DrawViewWeapon();
  UpdateViewAndSound(0, 0);
  const GLfloat lightPosition[4] = {200.0f, 600.0f, 0.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_POSITION, lightPosition);
  if (soundEventsSent) {
    soundEventsSent = false;
    ClearSoundEvents();
  }
  glDisable(GL_LIGHTING);
  if (mapModel) mapModel->DrawLightmapped();
  glEnable(GL_LIGHTING);
  if (gameMode == 0) DrawPrizes();
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  if (lightModel) {
    lightModel->SortFacesByDistance(Vec3(eyePosition.x, eyePosition.y + 2.5f, eyePosition.z));
    lightModel->DrawLampHalos();
  }
  glEnable(GL_FOG);
  DrawBloodDecals();
  if (gameMode > 0) DrawOtherPlayer();
  if (gameMode == 0) DrawBandits();
  glLoadIdentity();
  UpdateViewAndSound(0, 1);
  DrawHitBurst();
  DrawImpactMarks();
  DrawImpactBurst();
  glLoadIdentity();
  DrawMuzzleFlash();
  DrawHud();
}

// The rules after the drawing: end of map, death in single player, respawn in a LAN match.
void ApplyPlayRules() {
  if (players[0].kills >= 30 && mapNumber >= 1 && mapNumber <= 10) {
    gameState = 44;
    UnloadMap();
    mapNumber += 1;
  }
  if (gameMode == 0 && players[0].health < 1.0f) {
    players[0].health -= 0.01f * frameStep;
    if (players[0].health < -4.0f) {
      gameState = 44;
      UnloadMap();
    }
  }
  if (gameMode == 1 && hostBlock.state == 400 && clientBlock.type == 400) {
    if (players[0].health <= 1.0f && players[0].deathTimer > 4.0f) {
      RespawnPlayerByIndex(0);
      if (scores[1] >= 10) {
        RespawnPlayerByIndex(1);
        scores[0] = scores[1] = 0;
      }
    }
    if (players[1].health <= 1.0f && players[1].deathTimer > 4.0f) {
      RespawnPlayerByIndex(1);
      if (scores[0] >= 10) {
        RespawnPlayerByIndex(0);
        scores[0] = scores[1] = 0;
      }
    }
    if (players[0].health <= 1.0f) players[0].deathTimer += 0.005f * frameStep;
    players[0].respawnTimer += 0.005f * frameStep;
  }
}

void DrawMenus() {
  const ALfloat orientation[6] = {0, 0, 1, 0, 1, 0};
  alListener3f(AL_POSITION, 0, 0, 0);
  alListener3f(AL_VELOCITY, 1, 0, 0);
  alListenerfv(AL_ORIENTATION, orientation);
  menuClickSound.SetPosition(0, 2, 0, 0, 0, 0);
  menuHoverSound.SetPosition(0, 2, 0, 0, 0, 0);
  DrawMenuScreen();
}

}  // namespace

bool RenderFrame() {
  AdvanceFrameClock();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();

  if (startupLoading) {
    RunLoadingPhase();
    return true;
  }

  if (gameState == 0) {
    DrawPlay();
    ApplyPlayRules();
  }
  if (gameState != 0) DrawMenus();

  if (gameState != 4) menuMusic.Update();
  secondsClock += 0.01f * frameStep;
  if (showFps) {
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    PrintSmall(670, 500, 0.7f, 1, "FPS:%2i", FpsDisplayValue(framesPerSecond));
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
  }
  glEnable(GL_LIGHTING);
  if (musicOn && musicRestartPending) {
    musicRestartPending = false;
    menuMusic.Play();
  }
  return true;
}
