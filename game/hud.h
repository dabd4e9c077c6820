// The in-game overlay drawn last in every frame of play: turning pick-up icons, crosshair,
// counters, the weapon bar during a change, pick-up messages, the hurt overlay, the death screen
// and the LAN result.
#pragma once

// Message timers (seconds) the overlay counts down; each level load sets them to 0.
extern float healthMessageTimer;  // "+25 HEALTH" shows while above 0
extern float secondMessageTimer;  // counted down beside it; shows nothing

// Alpha of the weapon bar: 1 while the weapon is lowered (weaponRaise < 0), else 1 - weaponRaise.
float WeaponBarAlpha(float weaponRaise);
// Number of "+N ammo" lines an ammunition pick-up shows (weapons 0..lastWeapon).
int PickupMessageLineCount(int lastWeapon);
// The LAN result line for the host (mode 1) or client (mode 2); null while nobody has won.
const char* LanResultText(int mode, const int scoreTable[2]);
// Counts down the pick-up message (5 s) and the two message timers.
void AdvanceHudTimers(float step);

// Draws the overlay (the frame calls it last in play).
void DrawHud();
