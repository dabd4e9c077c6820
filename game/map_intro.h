// The timed picture sequence between the menus and every career map (screen state 44).
#pragma once

#include "math/vec3_inline.h"

// The sequence clock in 1/30 s; 0 whenever the sequence is entered.
extern float mapIntroTimer;

// The picture (bmpTextures index) shown for a map; 11 for any number without its own picture.
int MapIntroPicture(int map);
// Where the player starts on a career map (every map starts looking along +x).
Vec3 MapStartPosition(int map);

// What one frame of the sequence decided, before drawing: the clock advanced, and possibly the
// map started (gameState 0, LoadMap, career file), its model could not be loaded (main menu, the
// career file as it was) or the career ended (main menu).
enum class MapIntroOutcome { kRunning, kMapStarted, kMapRefused, kCareerEnded };
MapIntroOutcome AdvanceMapIntro(float step);
