#include "game/game_state.h"

int gameState = 1;
int gameMode = 0;
int mapNumber = 1;
int difficulty = 1;
