#include "game/menus.h"

// Stand-in until the menu screens exist.
bool menuHover[10];
float menuClock;

void ResetMenuHover() {
  for (bool& h : menuHover) h = false;
  menuClock = 0.0f;
}

void DrawMenuScreen() {}
