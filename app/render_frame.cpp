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
