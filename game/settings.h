// The settings the menus change and the shell stores in base/menu.inf, and the window flags the
// input and the menus set for the shell.
#pragma once

#include "sound/sound_settings.h"

// Settings stored in base/menu.inf.
extern int resolutionIndex;
extern int colorBits;
extern int depthBits;
// soundOn and musicOn: sound/sound_settings.h.
extern int spareSetting;
// Derived from resolutionIndex (not stored).
extern int screenWidth;
extern int screenHeight;

extern bool windowActive;
extern bool quitRequested;
extern bool recreateWindow;
