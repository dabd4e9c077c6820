// The game's per-frame work as the frame function calls it: the world update, model loading,
// level unloading and the drawing of everything in the level.
#pragma once

#include "math/vec3_inline.h"

class StaticModel;

extern StaticModel* mapModel;
extern StaticModel* lightModel;
// Where players[0] starts on the next map, and the direction it faces.
extern Vec3 playerStartPosition;
extern Vec3 playerStartDirection;

// Loads a level (map number, then two values that are not read). False when the map model cannot
// be loaded: the level is not entered, a box names the file and the game is back at the main menu
// (a LAN client has told its host that it left).
bool LoadMap(int map, int unused1, int unused2);
// One frame of the timed picture sequence between the menus and a career map (gameState 44).
void RunMapIntro();

void UpdateWorld();
// The rules after the drawing of a frame of play: a won map, a single player's death, the LAN
// client's leaving, a LAN respawn and the end of a LAN match. At most one of them leaves play (and
// unloads the level).
void ApplyPlayRules();
void LoadWeaponModels();
void LoadObjects();
void LoadBandits();
void LoadPlayerModels();
void UnloadMap();
void RespawnPlayerByIndex(int index);

void DrawViewWeapon();
void UpdateViewAndSound(int a, int b);
void DrawPrizes();
void DrawBloodDecals();
void DrawOtherPlayer();
void DrawBandits();
void DrawHitBurst();
void DrawImpactMarks();
void DrawImpactBurst();
void DrawMuzzleFlash();
void DrawHud();

// Seeds the first 50 entries of the two hit-burst particle arrays (done at every window creation).
void InitBurstParticles();
