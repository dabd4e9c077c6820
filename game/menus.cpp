// DrawMenuScreen: one frame of the menus, in the order background strips, menu space, current
// screen, connect-screen search window, fade-in, cursor mapping, cursor.
#include "game/menus.h"

#include <GL/gl.h>

#include "engine/frame.h"
#include "engine/textures.h"
#include "game/game_state.h"
#include "game/menu_draw.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "platform/cursor.h"
#include "platform/window.h"

namespace {

// Four strips of one quarter of the strip picture each, scrolling along their length; with the
// game's perspective they form two bands along the top and two along the bottom of the screen.
void DrawBackgroundStrips() {
  static const float kStripY[4] = {10.0f, 8.8f, -8.8f, -10.0f};
  static const float kStripSpeed[4] = {0.8f, 1.1f, 0.8f, 1.1f};
  glBindTexture(GL_TEXTURE_2D, bmpTextures[5]);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  for (int i = 0; i < 4; ++i) {
    const float s0 = 0.25f * static_cast<float>(i);
    const float s1 = s0 + 0.25f;
    const float t = menuClock * kStripSpeed[i];
    glTranslatef(0.0f, kStripY[i], -15.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, -t);
    glVertex3f(-14.0f, -0.6f, 0.0f);
    glTexCoord2f(s0, 28.0f - t);
    glVertex3f(14.0f, -0.6f, 0.0f);
    glTexCoord2f(s1, 28.0f - t);
    glVertex3f(14.0f, 0.6f, 0.0f);
    glTexCoord2f(s1, -t);
    glVertex3f(-14.0f, 0.6f, 0.0f);
    glEnd();
    glTranslatef(0.0f, -kStripY[i], 15.0f);
  }
}

// The connect screen's one-second search or join window: the client pump runs each frame, then
// the socket is closed once when the window ends.
void RunSearchWindow() {
  if (searchTimer < 0.0f) return;
  NetClientPump(NET_PORT);
  if (gameState != kStateConnect) {
    // A join completed inside the pump: the socket now belongs to the level, which closes it when
    // it ends. The window is over.
    searchTimer = -1.0f;
    return;
  }
  searchTimer -= 0.01f * frameStep;
  if (searchTimer < 0.0f) {
    const int socket = netSocket;
    netSocket = kInvalidSocket;
    if (socket != kInvalidSocket) NetCloseSocket(socket);
    NetShutdown();
  }
}

void DrawFadeIn() {
  if (menuClock >= 1.0f) return;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f - menuClock);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA);
  DrawFullScreenPicture(bmpTextures[10]);
  glDisable(GL_BLEND);
}

void UpdateMenuCursor() {
  int x = 0, y = 0;
  GetCursorPos(x, y);
  MapWindowPointToMenu(x, y, mouseX, mouseY);
}

void DrawCursor() {
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[14]);
  const float x = static_cast<float>(mouseX);
  const float y = static_cast<float>(580 - mouseY);
  glTranslatef(x, y, 0.0f);
  glBegin(GL_TRIANGLES);
  glTexCoord2f(0.5f, 1.0f);
  glVertex2f(0.0f, 20.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(0.0f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(15.0f, 5.0f);
  glEnd();
  glTranslatef(-x, -y, 0.0f);
}

}  // namespace

void MapWindowPointToMenu(int x, int y, int& menuX, int& menuY) {
  int w = 0, h = 0;
  PlatformClientSize(w, h);
  MapCursorToMenu(x, y, w, h, menuX, menuY);
}

void DrawMenuScreen() {
  // The menus read the real cursor; mouse look switches relative motion on again in play.
  if (CursorRelativeMode()) SetCursorRelativeMode(false);
  DrawBackgroundStrips();

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);

  const int state = gameState;
  if (state == kStateMapIntro) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    RunMapIntro();
  } else {
    DrawScreenOfState(state);
    if (state == kStateConnect) RunSearchWindow();
  }

  DrawFadeIn();
  menuClock += 0.01f * frameStep;
  UpdateMenuCursor();
  if (gameState != kStateMapIntro) DrawCursor();

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
