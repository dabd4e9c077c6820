// The screen state, the game's role and the career position.
#pragma once

// 0 play, 1 main menu, 4 pause, 5 options, 40 multiplayer, 41 create game, 42 connect,
// 44 between-map sequence, 80 career, 81 difficulty, 90 quit confirmation.
extern int gameState;
// 0 single player, 1 LAN host, 2 LAN client.
extern int gameMode;
// The current map, 1 to 10 in play.
extern int mapNumber;
// 1 easy, 3 normal, 7 hard.
extern int difficulty;
