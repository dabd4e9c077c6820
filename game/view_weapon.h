// The local player's weapon drawn in front of the camera, and its muzzle flash.
#pragma once

#include "math/vec3_inline.h"

struct PlayerRecord;

// The recoil window: the weapon is up and the last shot is at most 0.15 s old.
bool RecoilWindowOpen(const PlayerRecord& p);
// Sets recoilPhase from the shot timer while the window is open (kept otherwise).
void UpdateRecoil(PlayerRecord& p);
// Eye-space offset of the view weapon: walking sway, lowering during a change, recoil kick.
Vec3 ViewWeaponOffset(const PlayerRecord& p);
// Alpha of the muzzle flash (cos of the shot timer inside the window, else 0).
float MuzzleFlashAlpha(const PlayerRecord& p);
// Size factor of the flash quad by weapon (4 for the shotguns 2 and 4, 2 for weapon 5, else 1).
float MuzzleFlashScale(int weapon);
// Eye-space position of the flash for the current weapon, with the walking sway; false for a
// weapon number outside 0..5.
bool MuzzleFlashOffset(const PlayerRecord& p, Vec3& offset);

void DrawViewWeapon();
void DrawMuzzleFlash();
