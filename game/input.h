// The window procedure: records input for the frame function and the menus.
#pragma once

#include "platform/events.h"

// Key state by virtual-key code: true between a key's down and up messages.
extern bool keys[256];
// One press of a latch key acts once until all of them are up.
extern bool keyLatch;
// The left button is held in play.
extern bool fireHeld;

// A press that ends before the next frame is not lost: the release of a key or of the fire button
// pressed since the last frame waits until that frame (and the loop's key handling after it) has
// seen the press. The loop calls this after each frame's key handling to let those releases go.
void ReleaseTappedInput();

// Handles one window message. Messages the game does not know are ignored: the platform layer
// has no default handling that would need them.
void GameWindowProc(const Message& m);

// The right-button weapon change of play on one player's weapon state: lowers the weapon and, when
// it is (now) lowered, picks the next weapon above currentWeapon that has ammunition (0 when none
// does, or when the choice would be above 5).
void RightClickWeaponSwitch(float& weaponRaise, int& currentWeapon, const int ammo[10]);
