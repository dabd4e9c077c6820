#include "game/data_files.h"

#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/random.h"
#include "game/game_state.h"

SpawnPoint spawnPoints[kMaxSpawnPoints];
int lastSpawnPointIndex = -1;
PrizePoint prizePoints[kMaxPrizePoints];
int lastPrizePointIndex = -1;
SaveSlot saveSlots[4];

const char* const kCareerPath = "base/career.inf";

namespace {

// Every table file is tiny; anything larger than this is not one of ours.
constexpr size_t kMaxTableFileBytes = 64 * 1024;

std::vector<PointRow> ReadPointFile(int map, const char* file, size_t maxRows) {
  const std::string path = MapPointsPath(map, file);
  std::vector<uint8_t> bytes;
  if (path.empty() || !ReadWholeFile(path, bytes, kMaxTableFileBytes)) return {};
  return ParsePointTable(bytes, maxRows);
}

}  // namespace

void ReadCareer() {
  std::vector<uint8_t> bytes;
  CareerRecord c;
  if (!ReadWholeFile(kCareerPath, bytes, 4096) || !ParseCareer(bytes, c)) c = CareerRecord{};
  difficulty = c.difficulty;
  mapNumber = (c.mapNumber >= 1 && c.mapNumber <= 10) ? c.mapNumber : kCareerEndMap;
}

bool WriteCareer() {
  CareerRecord c;
  c.difficulty = difficulty;
  c.mapNumber = mapNumber;
  return WriteWholeFile(kCareerPath, SerializeCareer(c), true);
}

void ReadBanditPoints(int map) {
  const std::vector<PointRow> rows = ReadPointFile(map, "mon.ai", kMaxSpawnPoints);
  for (size_t i = 0; i < rows.size(); ++i) {
    SpawnPoint& p = spawnPoints[i];
    p.x = static_cast<float>(rows[i].x);
    p.y = static_cast<float>(rows[i].y);
    p.z = static_cast<float>(rows[i].z);
    p.flag = 0;
    p.timer = static_cast<float>(GameRand() % 15);
    p.value = rows[i].value;
  }
  lastSpawnPointIndex = static_cast<int>(rows.size()) - 1;
}

void ReadPrizePoints(int map) {
  const std::vector<PointRow> rows = ReadPointFile(map, "prize.ai", kMaxPrizePoints);
  for (size_t i = 0; i < rows.size(); ++i) {
    PrizePoint& p = prizePoints[i];
    p.x = static_cast<float>(rows[i].x);
    p.y = static_cast<float>(rows[i].y);
    p.z = static_cast<float>(rows[i].z);
    p.type = rows[i].value;
    p.timer = 0.0f;
  }
  lastPrizePointIndex = static_cast<int>(rows.size()) - 1;
}

int RandomSpawnPointIndex() {
  if (lastSpawnPointIndex < 0) return -1;
  return GameRand() % (lastSpawnPointIndex + 1);
}

void SaveSlotStub() {}
void LoadSlotStub() {}

void ResetDataFiles() {
  for (SpawnPoint& p : spawnPoints) p = SpawnPoint{};
  for (PrizePoint& p : prizePoints) p = PrizePoint{};
  for (SaveSlot& s : saveSlots) s = SaveSlot{};
  lastSpawnPointIndex = -1;
  lastPrizePointIndex = -1;
}
