// Stand-ins for the game's levels, players, bandits, weapons and effects until they exist.
#include "engine/static_model.h"
#include "game/player.h"
#include "game/world.h"

void DrawViewWeapon() {}
void DrawPrizes() {}
void DrawBloodDecals() {}
void DrawOtherPlayer() {}
void DrawBandits() {}
void DrawHitBurst() {}
void DrawImpactMarks() {}
void DrawImpactBurst() {}
void DrawMuzzleFlash() {}
void DrawHud() {}
