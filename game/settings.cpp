#include "game/settings.h"

int resolutionIndex = 1;
int colorBits = 32;
int depthBits = 24;
int spareSetting = 0;
int screenWidth = 0;
int screenHeight = 0;

bool windowActive = true;
bool quitRequested = false;
bool recreateWindow = false;
