// The menu screens and the screen state machine.
#pragma once

extern bool menuHover[10];
extern float menuClock;

void ResetMenuHover();
void DrawMenuScreen();
