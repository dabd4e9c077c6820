// The game's data files: the career progress, the per-map bandit spawn points and prize points,
// and the save slots shown by the load and save screens.
#pragma once

#include <cstdint>

struct SpawnPoint {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  uint8_t flag = 0;
  float timer = 0.0f;  // seconds toward the next bandit spawn here
  int32_t value = 0;   // read from the file, not used by the game
};

struct PrizePoint {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  int32_t type = 0;  // 0, 1, 2: which prize model
  float timer = 0.0f;
};

struct SaveSlot {
  int32_t map = 0;
  float health = 0.0f;
  int32_t third = 0;
  float gameTimeMinutes = 0.0f;
};

constexpr int kMaxSpawnPoints = 30;
constexpr int kMaxPrizePoints = 200;
// The map number that ends a career: the map intro then returns to the main menu.
constexpr int kCareerEndMap = 11;

// Rows 0..lastSpawnPointIndex are valid; -1 means the table is empty. Rows 0..4 are also the
// respawn points of players[0], rows 5..9 those of players[1].
extern SpawnPoint spawnPoints[kMaxSpawnPoints];
extern int lastSpawnPointIndex;
extern PrizePoint prizePoints[kMaxPrizePoints];
extern int lastPrizePointIndex;
extern SaveSlot saveSlots[4];

extern const char* const kCareerPath;  // "base/career.inf"

// Restores difficulty and mapNumber from base/career.inf. A missing, short or invalid file (a
// difficulty other than 1, 3 or 7) gives map 1 on easy; a stored map outside 1..10 becomes the
// end-of-career number, so the map intro returns to the main menu and starts a new career. Any
// such file but a missing one is named on standard error with the reason.
void ReadCareer();
// Stores difficulty and mapNumber; a failed write (false) is named on standard error with the
// reason and leaves the file as it was.
bool WriteCareer();

// Fill the tables from the map's mon.ai and prize.ai. A missing file or a map outside 1..20 leaves
// an empty table; longer files are clamped to the table sizes.
void ReadBanditPoints(int map);
void ReadPrizePoints(int map);

// A random valid spawn point row, or -1 when the table is empty.
int RandomSpawnPointIndex();

// The save and load buttons of the slot screens: no saved games exist.
void SaveSlotStub();
void LoadSlotStub();

// Empties both point tables and the save slots (tests).
void ResetDataFiles();
