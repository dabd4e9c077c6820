// The two bitmap fonts, text printing in the 800 x 600 screen space, and the loading screen.
#pragma once

void BuildFontSmall();
void BuildFontLarge();
void KillFontSmall();
void KillFontLarge();
void PrintSmall(int x, int y, float alpha, int charSet, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void PrintLarge(int x, int y, int charSet, const char* format, ...) __attribute__((format(printf, 4, 5)));
void DrawLoadingScreen(int picture);
