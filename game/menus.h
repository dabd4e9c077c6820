// The screen state machine of everything outside play: the hover and click tables that the window
// procedure runs, and DrawMenuScreen, which the frame function calls once per frame outside play.
#pragma once

// gameState values (game/game_state.h holds gameState itself).
enum GameStateValue : int {
  kStatePlay = 0,
  kStateMainMenu = 1,
  kStatePause = 4,
  kStateOptions = 5,
  kStateLoadGame = 10,
  kStateLoadFromPause = 11,
  kStateSaveGame = 12,
  kStateMultiplayer = 40,
  kStateCreateGame = 41,
  kStateConnect = 42,
  kStateMapIntro = 44,
  kStateBriefing = 50,
  kStateCareer = 80,
  kStateDifficulty = 81,
  kStateQuitQuestion = 90,
};

// One hover latch per row of the current screen; a latched row is drawn highlighted.
extern bool menuHover[10];
// Seconds since the last menu action: background scroll, fade-in, pulsing slot frame.
extern float menuClock;
// The cursor in the 800 x 600 menu space, y down from the top; set once per frame.
extern int mouseX;
extern int mouseY;
// The connect screen's one-second search or join window; below 0 when none is running.
extern float searchTimer;
// The highlighted slot of the load and save screens.
extern int selectedSlot;

// Clears the latches and restarts the menu clock.
void ResetMenuHover();

enum class MenuSound { None, Click, Hover };

// What a click or a mouse move did (the window procedure ignores it; tests read it).
struct MenuClickOutcome {
  bool handled = false;  // a box acted
  MenuSound sound = MenuSound::None;
  bool reset = false;  // ResetMenuHover ran
};

// The click procedure (a left click outside play) at a point of the menu space. The screen is the
// one shown when the click arrives, so at most one box acts even when its effect changes gameState.
MenuClickOutcome HandleMenuClick(int x, int y);
// The hover procedure (a mouse move outside play); returns how many hover sounds it started.
int HandleMenuHover();

// Maps a cursor position in window-client pixels into the 800 x 600 menu space of a client area
// of width x height; a zero-sized area leaves the outputs as they were.
void MapCursorToMenu(int x, int y, int width, int height, int& menuX, int& menuY);
// The same for the game window's current client area (no window: the outputs are left).
void MapWindowPointToMenu(int x, int y, int& menuX, int& menuY);

// One frame of the menus (gameState not 0).
void DrawMenuScreen();

// The drawing of one screen's background and texts (menu_screens.cpp).
void DrawScreenOfState(int state);

// Puts the menu globals back to their start values (tests).
void ResetMenus();
