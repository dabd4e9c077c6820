#include "engine/text.h"

// Stand-ins until the fonts exist.
void BuildFontSmall() {}
void BuildFontLarge() {}
void KillFontSmall() {}
void KillFontLarge() {}
void PrintSmall(int, int, float, int, const char*, ...) {}
void PrintLarge(int, int, int, const char*, ...) {}
void DrawLoadingScreen(int) {}
