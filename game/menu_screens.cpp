// The look of every menu screen: backgrounds, titles, row items, the options values, the server
// rows of the connect screen and the slot screens.
#include <GL/gl.h>

#include <cmath>

#include "game/settings.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/menu_draw.h"
#include "game/menus.h"
#include "game/lan/net.h"

namespace {

// Depth test and lighting off, blending on, colour white: pictures laid over what is drawn.
void BeginBlendedOverlay() {
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

void DrawFullScreenPicture(GLuint texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  DrawFullScreenQuad();
}

void DrawLayeredBackground(GLuint a, GLuint b) {
  BeginBlendedOverlay();
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  DrawFullScreenPicture(a);
  glBlendFunc(GL_ONE, GL_ONE);
  DrawFullScreenPicture(b);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
}

void DrawPlainBackground() {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  DrawFullScreenPicture(bmpTextures[22]);
}

void DrawRowItem(int x0, int y, int latch, int charSet, const char* text) {
  const bool h = menuHover[latch];
  PrintSmall(x0 + (h ? 5 : 0), y, h ? 1.0f : 0.7f, charSet, "%s", text);
}

void DrawTexturedRect(float x0, float y0, float x1, float y1, float s0, float s1) {
  glBegin(GL_QUADS);
  glTexCoord2f(s0, 0.0f);
  glVertex2f(x0, y0);
  glTexCoord2f(s1, 0.0f);
  glVertex2f(x1, y0);
  glTexCoord2f(s1, 1.0f);
  glVertex2f(x1, y1);
  glTexCoord2f(s0, 1.0f);
  glVertex2f(x0, y1);
  glEnd();
}

GLuint progressBarTexture = 0;

void DrawPanelQuad() {
  BeginBlendedOverlay();
  DrawTexturedRect(0.0f, 0.0f, 115.0f, 32.0f);
  glDisable(GL_BLEND);
}

void DrawMaskedIcon(unsigned char variant, unsigned char mirrored) {
  if (variant > 1) return;
  // Mask and picture are mirrored together, so the picture stays inside its mask.
  const float s0 = mirrored ? 1.0f : 0.0f;
  const float s1 = 1.0f - s0;
  BeginBlendedOverlay();
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[36]);
  DrawTexturedRect(0.0f, 0.0f, 64.0f, 64.0f, s0, s1);
  glBlendFunc(GL_ONE, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[34 + variant]);
  DrawTexturedRect(0.0f, 0.0f, 64.0f, 64.0f, s0, s1);
  glDisable(GL_BLEND);
}

void DrawProgressBar(float value) {
  const float fill = value - 0.4f;
  // A value below the bar's start would draw it backwards, to the left of the origin.
  if (!(fill > 0.0f)) return;
  glBindTexture(GL_TEXTURE_2D, progressBarTexture);
  DrawTexturedRect(0.0f, 0.0f, 600.0f * fill, 8.0f, 0.0f, 1.65f * fill);
}

void DrawSlotIcon(int index) {
  const float x = 214.0f * static_cast<float>(index) - 50.0f;
  glTranslatef(x, 55.0f, 0.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[39]);
  DrawTexturedRect(0.0f, 0.0f, 28.0f, 28.0f);
  glDisable(GL_BLEND);
  glTranslatef(-x, -55.0f, 0.0f);
}

namespace {

const char* const kMapNames[10] = {"MAP 1", "MAP 2", "MAP 3", "MAP 4", "MAP 5",
                                   "MAP 6", "MAP 7", "MAP 8", "MAP 9", "MAP 10"};

void DrawMainMenu() {
  DrawLayeredBackground(bmpTextures[1], bmpTextures[15]);
  DrawRowItem(70, 308, 0, 1, "CAREER");
  DrawRowItem(70, 258, 1, 1, "MULTIPLAYER");
  DrawRowItem(70, 208, 2, 1, "OPTIONS");
  DrawRowItem(70, 158, 3, 1, "EXIT");
}

struct RowText {
  int x0, y, latch;
  const char* text;
};

// A screen of the centred column: the opaque picture, a title and up to five row items.
struct ColumnScreen {
  int titleX, titleY;
  const char* title;
  RowText rows[5];
};

const ColumnScreen kCareerScreen = {
    290, 480, "  CAREER", {{340, 308, 0, "NEW GAME"}, {340, 258, 1, "CONTINUE"}, {340, 208, 2, "BACK"}}};
const ColumnScreen kDifficultyScreen = {
    240, 480, "SELECT DIFFICULTY",
    {{340, 308, 0, "EASY"}, {340, 258, 1, "NORMAL"}, {340, 208, 2, "HARD"}, {340, 158, 3, "BACK"}}};
const ColumnScreen kPauseScreen = {305, 480, "  PAUSE", {{340, 308, 0, "CONTINUE"}, {345, 258, 1, "  EXIT"}}};
// "CONNECT" and "TO GAME" share one latch, so they brighten and shift together.
const ColumnScreen kMultiplayerScreen = {
    290, 480, "MULTIPLAYER",
    {{340, 308, 0, "CREATE GAME"}, {340, 258, 1, "CONNECT"}, {340, 246, 1, "TO GAME"}, {340, 208, 2, "BACK"}}};

void DrawColumnScreen(const ColumnScreen& s) {
  DrawPlainBackground();
  PrintLarge(s.titleX, s.titleY, 1, "%s", s.title);
  for (const RowText& r : s.rows)
    if (r.text) DrawRowItem(r.x0, r.y, r.latch, 1, r.text);
}

void DrawQuitQuestion() {
  DrawLayeredBackground(bmpTextures[7], bmpTextures[22]);
  PrintLarge(50, 355, 1, "Do you really want to quit?");
  DrawRowItem(375, 208, 3, 1, "NO");
  DrawRowItem(380, 158, 4, 1, "YES");
}

void DrawCreateGame() {
  DrawPlainBackground();
  PrintLarge(290, 480, 1, "CREATE GAME");
  DrawRowItem(340, 308, 0, 1, mapNumber >= 1 && mapNumber <= 10 ? kMapNames[mapNumber - 1] : "");
  DrawRowItem(340, 258, 1, 1, "START GAME");
  DrawRowItem(340, 208, 2, 1, "BACK");
}

// One server row: its id, status and map at (idX, y) and (textX, y), or the empty-row line.
void DrawServerRow(const ServerEntry& e, int idX, int textX, int y, float alpha, bool emptyLine) {
  if (e.id != 0 && e.state != 1) {
    PrintSmall(idX, y, alpha, 1, "ID:%2i", e.id);
    if (e.state == HOST_WAITING) PrintSmall(textX, y, alpha, 1, "SERVER IS WAITING");
    else if (e.state == HOST_PLAYING) PrintSmall(textX, y, alpha, 1, "SERVER IS BUSY");
    // The map stands right of the longest status text, one blank after it.
    if (e.mapNumber >= 1 && e.mapNumber <= 10)
      PrintSmall(textX, y, alpha, 1, "                  %s", kMapNames[e.mapNumber - 1]);
  } else if (e.id == 0 && emptyLine) {
    PrintSmall(idX, y, alpha, 1, "***********************************");
  }
}

void DrawConnect() {
  DrawPlainBackground();
  PrintLarge(200, 400, 1, "CONNECT TO GAME");
  static const int kRowY[3] = {308, 258, 208};
  for (int k = 0; k < 3; ++k) {
    const int shift = menuHover[k] ? 5 : 0;
    DrawServerRow(serverList[k], 220 + shift, 290 + shift, kRowY[k], menuHover[k] ? 1.0f : 0.7f, true);
  }
  DrawRowItem(340, 158, 3, 1, "UPDATE");
  DrawRowItem(340, 108, 4, 1, "BACK");
  // Rows 1 and 2 again, at full brightness higher on the screen.
  DrawServerRow(serverList[1], 180, 250, 408, 1.0f, false);
  DrawServerRow(serverList[2], 180, 250, 358, 1.0f, false);
}

void DrawOptions() {
  DrawLayeredBackground(bmpTextures[7], bmpTextures[22]);
  DrawRowItem(7, 78, 0, 1, "  BACK");
  DrawRowItem(210, 78, 1, 1, "ACCEPT");
  PrintLarge(305, 500, 1, "OPTIONS");

  PrintSmall(60, 470, 0.7f, 1, "Display resolution");
  if (screenWidth == 640) PrintSmall(285, 470, 0.7f, 1, "640x480");
  else if (screenWidth == 800) PrintSmall(285, 470, 0.7f, 1, "800x600");
  else if (screenWidth == 1024) PrintSmall(280, 470, 0.7f, 1, "1024x768");

  PrintSmall(60, 437, 0.7f, 1, "Color depth");
  if (colorBits == 16) PrintSmall(290, 437, 0.7f, 1, "16 bit");
  else if (colorBits == 32) PrintSmall(290, 437, 0.7f, 1, "32 bit");

  PrintSmall(60, 401, 0.7f, 1, "Depth buffer");
  if (depthBits == 16) PrintSmall(290, 401, 0.7f, 1, "16 bit");
  else if (depthBits == 24) PrintSmall(290, 401, 0.7f, 1, "24 bit");

  PrintSmall(480, 470, 0.7f, 1, "Sound");
  if (soundOn) PrintSmall(579, 470, 0.7f, 1, "YES");
  else PrintSmall(575, 470, 0.7f, 1, "NO");

  PrintSmall(480, 437, 0.7f, 1, "Music");
  if (musicOn) PrintSmall(579, 437, 0.7f, 1, "YES");
  else PrintSmall(575, 437, 0.7f, 1, "NO");
}

// The load screen of the main menu (10) and the pause screen's load (11) and save (12) screens.
void DrawSlotScreen(int state) {
  DrawLayeredBackground(bmpTextures[19], bmpTextures[21]);
  const int set = state == kStateLoadGame ? 1 : 0;
  DrawRowItem(7, 18, 0, set, "  BACK");
  DrawRowItem(210, 18, 1, set, state == kStateSaveGame ? "  SAVE" : "  LOAD");
  PrintLarge(305, 522, 0, state == kStateSaveGame ? "SAVE GAME" : "LOAD GAME");

  static const int kTop[4] = {425, 347, 269, 179};
  for (int k = 0; k < 4; ++k) {
    const SaveSlot& s = saveSlots[k];
    const int y = kTop[k];
    if (k == 3) PrintSmall(210, 194, 0.7f, set, "            AUTOSAVE");
    PrintSmall(210, y, 0.7f, set, "Map %2i", static_cast<int>(s.map));
    if (state == kStateLoadGame) {
      PrintSmall(210, y - 15, 0.7f, set, "Game time %2i", static_cast<int>(s.gameTimeMinutes));
      PrintSmall(210, y - 15, 0.7f, set, "                  min");
      PrintSmall(210, y - 30, 0.7f, set, "Health %2i", static_cast<int>(s.health));
    } else {
      PrintSmall(210, y - 15, 0.7f, set, "Time %2i min", static_cast<int>(s.gameTimeMinutes));
      PrintSmall(210, y - 30, 0.7f, set, "Health %2i", static_cast<int>(s.health));
      PrintSmall(210, y - 45, 0.7f, set, "Kills %2i", static_cast<int>(s.third));
    }
  }

  // The slot pictures beside the texts. No picture is ever loaded into them: an unloaded one
  // binds no texture (rather than its -1 marker as a name) and shows as a plain quad.
  for (int k = 0; k < 4; ++k) {
    const GLuint id = slotPictures[k].id;
    glBindTexture(GL_TEXTURE_2D, id == static_cast<GLuint>(-1) ? 0 : id);
    const float bottom = 370.0f - 79.0f * static_cast<float>(k);
    DrawTexturedRect(95.0f, bottom, 199.0f, bottom + 78.0f);
  }

  // The pulsing frame around the selected slot.
  const float bottom = 370.0f - 79.0f * static_cast<float>(selectedSlot);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[20]);
  glColor4f(1.0f, 1.0f, 1.0f, 0.5f * std::sin(6.0f * menuClock) + 0.5f);
  DrawTexturedRect(203.0f, bottom, 597.0f, bottom + 78.0f);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

void DrawBriefing() {
  static const char* const kLines[14] = {
      "The valley below the old mine has fallen to bandits.",
      "They hold the roads, the depots and the pumping halls.",
      "Clear each area of them: thirty of them must fall",
      "before the way to the next area opens.",
      "Weapons and supplies lie where the miners left them.",
      "Walk over a crate to take what it holds.",
      "Move with W, A, S, D or the arrow keys.",
      "Aim with the mouse, fire with the left button.",
      "The right button, E and Q change the weapon.",
      "Space jumps. Escape pauses the game.",
      "The bandits grow bolder on the harder settings.",
      "Your progress is kept after every area.",
      "Choose CONTINUE in the career menu to go on.",
      "Good luck.",
  };
  static const int kLineY[14] = {450, 430, 410, 390, 360, 340, 320, 300, 280, 260, 240, 220, 200, 170};
  DrawLayeredBackground(bmpTextures[7], bmpTextures[22]);
  PrintLarge(300, 490, 0, "BRIEFING");
  for (int i = 0; i < 14; ++i) PrintSmall(30, kLineY[i], 0.7f, 0, "%s", kLines[i]);
  DrawRowItem(5, 78, 0, 0, "  BACK");
}

}  // namespace

void DrawScreenOfState(int state) {
  switch (state) {
    case kStateMainMenu: DrawMainMenu(); break;
    case kStateCareer: DrawColumnScreen(kCareerScreen); break;
    case kStateDifficulty: DrawColumnScreen(kDifficultyScreen); break;
    case kStateQuitQuestion: DrawQuitQuestion(); break;
    case kStatePause: DrawColumnScreen(kPauseScreen); break;
    case kStateMultiplayer: DrawColumnScreen(kMultiplayerScreen); break;
    case kStateCreateGame: DrawCreateGame(); break;
    case kStateConnect: DrawConnect(); break;
    case kStateOptions: DrawOptions(); break;
    case kStateLoadGame:
    case kStateLoadFromPause:
    case kStateSaveGame: DrawSlotScreen(state); break;
    case kStateBriefing: DrawBriefing(); break;
    default: break;
  }
}
