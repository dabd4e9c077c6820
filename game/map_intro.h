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

// The five sides of the box x0..x1, y0..y1, z0..z1 (x0 < x1, y0 < y1, z0 < z1) that show when it
// stands on the floor, one picture each: bmpTextures[1] on the side at z1, [2] at x1, [3] at z0,
// [4] at x0 and [5] on the top; the bottom is left out. Each side takes its whole picture upright
// and unmirrored as seen from outside (the top with its bottom edge along z1), and is wound
// counter-clockwise seen from outside. Binds the textures; changes no other state.
void DrawTexturedBox(float x0, float x1, float y0, float y1, float z0, float z1);
