// Drawing helpers shared by the menu screens (800 x 600 menu space, y up).
#pragma once

#include <GL/gl.h>

// The bound-texture quad over the whole 800 x 600 menu space, texture coordinates 0..1.
void DrawFullScreenPicture(GLuint texture);
// Picture a multiplied onto the scrolling strips, picture b added on top.
void DrawLayeredBackground(GLuint a, GLuint b);
// The opaque menu picture, which hides the strips.
void DrawPlainBackground();
// A menu row item: brighter and 5 units to the right while its hover latch is set.
void DrawRowItem(int x0, int y, int latch, int charSet, const char* text);
// The bound texture on the rectangle (x0, y0)..(x1, y1), texture s from s0 to s1 left to right
// and t from 0 to 1 bottom to top.
void DrawTexturedRect(float x0, float y0, float x1, float y1, float s0 = 0.0f, float s1 = 1.0f);

// The texture of the progress bar; 0 (untextured) while no picture is assigned.
extern GLuint progressBarTexture;

// A 115 x 32 panel at the origin with the bound texture, drawn white and blended with the current
// blend function; leaves depth test and lighting off.
void DrawPanelQuad();
// A 64 x 64 icon at the origin: bmpTextures[36] multiplied onto the screen as its mask, then
// bmpTextures[34] (variant 0) or [35] (variant 1) added on top; mirrored left to right when
// mirrored is non-zero. Another variant draws nothing. Leaves depth test and lighting off.
void DrawMaskedIcon(unsigned char variant, unsigned char mirrored);
// A bar 8 high from x 0, 600 (value - 0.4) long, its texture repeated 1.65 (value - 0.4) times;
// a value at or below 0.4 draws nothing.
void DrawProgressBar(float value);
// bmpTextures[39] added as a 28 x 28 square at (214 index - 50, 55).
void DrawSlotIcon(int index);
