// The window procedure: records input for the frame function and the menus.
#pragma once

#include "platform/events.h"

// Key state by virtual-key code.
extern bool keys[256];
// One press of a latch key acts once until all of them are up.
extern bool keyLatch;
// The left button is held in play.
extern bool fireHeld;

// Handles one window message.
void GameWindowProc(const Message& m);
