// The game's per-frame work as the frame function calls it: the world update, model loading,
// level unloading and the drawing of everything in the level.
#pragma once

class StaticModel;

extern StaticModel* mapModel;
extern StaticModel* lightModel;

void UpdateWorld();
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
