#include "game/data_files.h"

#include <algorithm>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/formats/game_data.h"
#include "engine/random.h"
#include "engine/static_model.h"
#include "game/game_state.h"
#include "game/world.h"

SpawnPoint spawnPoints[kMaxSpawnPoints];
int lastSpawnPointIndex = -1;
PrizePoint prizePoints[kMaxPrizePoints];
int lastPrizePointIndex = -1;
SaveSlot saveSlots[4];

const char* const kCareerPath = "base/career.inf";

namespace {

// Every table file is tiny; anything larger than this is not one of ours.
constexpr size_t kMaxTableFileBytes = 64 * 1024;

// How far outside the map model's bounding box a point may lie: well beyond anything a player or
// a bandit could stand on, yet it keeps a point placed just above an open roof.
constexpr float kPointMargin = 100.0f;

// The box around the current map model, grown by the margin; false without a map model (the
// tables are then read unbounded).
bool MapPointBox(PointBox& box) {
  if (!mapModel || mapModel->vertices.empty()) return false;
  for (int a = 0; a < 3; ++a) {
    box.min[a] = mapModel->vertices[0].location[a];
    box.max[a] = box.min[a];
  }
  for (const ModelVertex& v : mapModel->vertices) {
    for (int a = 0; a < 3; ++a) {
      box.min[a] = std::min(box.min[a], v.location[a]);
      box.max[a] = std::max(box.max[a], v.location[a]);
    }
  }
  for (int a = 0; a < 3; ++a) {
    box.min[a] -= kPointMargin;
    box.max[a] += kPointMargin;
  }
  return true;
}

// Reads a point table of the map; rows far outside the loaded map model are dropped, since a
// bandit or a respawning player placed there falls forever.
std::vector<PointRow> ReadPointFile(int map, const char* file, size_t maxRows) {
  const std::string path = MapPointsPath(map, file);
  std::vector<uint8_t> bytes;
  if (path.empty()) return {};
  if (!ReadWholeFile(path, bytes, kMaxTableFileBytes)) {
    ReportDataFileNotLoaded(path);
    return {};
  }
  PointBox box;
  return ParsePointTable(bytes, maxRows, MapPointBox(box) ? &box : nullptr);
}

}  // namespace

void ReadCareer() {
  std::vector<uint8_t> bytes;
  std::string why;
  CareerRecord c;
  // A missing file is a first start; anything else that keeps the career out is named.
  if (!ReadWholeFile(kCareerPath, bytes, kMaxOwnFileBytes, &why) || !ParseCareer(bytes, c, &why)) {
    ReportOwnFileNotLoaded(kCareerPath, why);
    c = CareerRecord{};
  } else if (c.mapNumber < 1 || c.mapNumber > 10) {
    ReportOwnFileNotLoaded(kCareerPath, "map " + std::to_string(c.mapNumber));
  }
  difficulty = c.difficulty;
  mapNumber = (c.mapNumber >= 1 && c.mapNumber <= 10) ? c.mapNumber : kCareerEndMap;
}

bool WriteCareer() {
  CareerRecord c;
  c.difficulty = difficulty;
  c.mapNumber = mapNumber;
  std::string why;
  if (WriteWholeFile(kCareerPath, SerializeCareer(c), true, &why)) return true;
  ReportDataFileNotSaved(kCareerPath, why);
  return false;
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
