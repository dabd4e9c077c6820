// The in-game overlay.
#include "game/hud.h"

#include "game/prizes.h"

float healthMessageTimer = 0.0f;
float secondMessageTimer = 0.0f;

float WeaponBarAlpha(float weaponRaise) { return weaponRaise < 0.0f ? 1.0f : 1.0f - weaponRaise; }

void AdvanceHudTimers(float step) {
  pickupMessageAlpha -= 0.002f * step;
  healthMessageTimer -= 0.01f * step;
  secondMessageTimer -= 0.01f * step;
}
