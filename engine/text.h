// The two bitmap fonts over the glyph sheet (tgaTextures[7]), text printing in a fixed 800 x 600
// screen space (origin bottom left, y up) whatever the window size, and the loading screen.
//
// The sheet is a 16 x 16 grid of glyphs; glyph g sits in column g % 16, row g / 16 from the top.
// Character c (32..127) of character set k is glyph c - 32 + 128 k: set 0 is the game's own
// lettering, set 1 plain text.
#pragma once

extern unsigned smallFontBase;  // first of the 256 display lists of the 16 x 16 font
extern unsigned largeFontBase;  // first of the 256 display lists of the 24 x 24 font

constexpr int kSmallGlyphSize = 16;
constexpr int kSmallAdvance = 10;
constexpr int kLargeGlyphSize = 24;
constexpr int kLargeAdvance = 18;
constexpr int kMaxPrintLength = 255;  // longer texts are cut

void BuildFontSmall();
void BuildFontLarge();
void KillFontSmall();
void KillFontLarge();

// Both print the formatted text with its first glyph's bottom left corner at (x, y). A character
// set above 1 prints set 1, one below 0 set 0; characters outside 32..127 only advance. Both
// leave depth testing on, blending off with the blend function (ONE, ONE), the model-view matrix
// selected and both matrix stacks as they found them.
void PrintSmall(int x, int y, float alpha, int charSet, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void PrintLarge(int x, int y, int charSet, const char* format, ...) __attribute__((format(printf, 4, 5)));

// Draws start-up picture 0 (the splash) or 1 (the loading backdrop with "Loading...") over the
// whole screen.
void DrawLoadingScreen(int picture);
// One quad over the whole 800 x 600 screen space, texture corners to screen corners.
void DrawFullScreenQuad();
