// Pick-ups standing at the current map's prize points: drawn spinning and bobbing near the
// player, taken by walking into them, back 40 s later.
#pragma once

#include "math/vec3_inline.h"

extern float prizeSpinPhase;        // shared spin and bob phase of every prize
extern int ammoPickupLastWeapon;    // highest weapon the last ammunition pick-up refilled
extern float pickupMessageAlpha;    // 1.0 at a pick-up; the HUD fades it

// What one frame does with one prize row, decided before its timer moves on.
struct PrizeFrameRow {
  bool drawn = false;  // within 100 units, shown and of a known type
  float alpha = 1.0f;  // below 1 while fading in
  bool taken = false;  // the player took it this frame
};

// Refills players[0]'s ammunition from an ammunition prize and starts the pick-up message.
void GiveAmmoPickup();
// The state half of DrawPrizes: decides what is drawn, takes prizes within 2 units (refilling
// ammunition for type 0), advances every timer and the spin phase. rows[i] receives row i's
// outcome when rows is non-null (room for lastPrizePointIndex + 1 entries).
void UpdatePrizes(const Vec3& playerPosition, float step, PrizeFrameRow* rows);

void DrawPrizes();

// The point the debug sphere marks; (50, 90, 0) at start.
extern Vec3 flarePoint;
// An untextured yellow sphere of radius 3 four units above flarePoint; leaves texturing on.
void DrawDebugSphereAtPoint();
// A sphere of radius 1 at every spawn point, textured bmpTextures[1] where the point's flag is
// set and bmpTextures[10] elsewhere.
void DrawWaypointSpheres();
