// Stand-ins for the game's levels, players, bandits, weapons and effects until they exist.
#include "engine/static_model.h"
#include "game/player.h"
#include "game/world.h"

PlayerRecord players[2];
Vec3 eyePosition;
StaticModel* mapModel = nullptr;
StaticModel* lightModel = nullptr;
Vec3 playerStartPosition;
Vec3 playerStartDirection;

void LoadMap(int, int, int) {}
void RunMapIntro() {}

void UpdateWorld() {}
void LoadWeaponModels() {}
void LoadObjects() {}
void LoadBandits() {}
void LoadPlayerModels() {}
void UnloadMap() {}
void RespawnPlayerByIndex(int) {}
void UpdateViewAndSound(int, int) {}
