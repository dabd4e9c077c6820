#include "engine/formats/game_data.h"

#include "engine/formats/binary_io.h"

bool ParseCareer(const std::vector<uint8_t>& bytes, CareerRecord& out, std::string* why) {
  if (bytes.size() != kCareerFileSize) {
    if (why) *why = std::to_string(kCareerFileSize) + " bytes expected, " + std::to_string(bytes.size()) + " found";
    return false;
  }
  ByteReader r(bytes);
  const int32_t difficulty = r.I32();
  const int32_t map = r.I32();
  if (difficulty != 1 && difficulty != 3 && difficulty != 7) {
    if (why) *why = "difficulty " + std::to_string(difficulty);
    return false;
  }
  out.difficulty = difficulty;
  out.mapNumber = map;
  return true;
}

std::vector<uint8_t> SerializeCareer(const CareerRecord& c) {
  ByteWriter w;
  w.I32(c.difficulty);
  w.I32(c.mapNumber);
  return w.bytes();
}

namespace {

bool Inside(const PointBox& box, const PointRow& row) {
  const float p[3] = {static_cast<float>(row.x), static_cast<float>(row.y), static_cast<float>(row.z)};
  for (int a = 0; a < 3; ++a) {
    if (!(p[a] >= box.min[a] && p[a] <= box.max[a])) return false;
  }
  return true;
}

}  // namespace

std::vector<PointRow> ParsePointTable(const std::vector<uint8_t>& bytes, size_t maxRows, const PointBox* box) {
  std::vector<PointRow> rows;
  ByteReader r(bytes);
  const int32_t last = r.I32();
  if (!r.ok() || last < 0) return rows;
  size_t wanted = static_cast<size_t>(last) + 1;
  if (wanted > maxRows) wanted = maxRows;
  const size_t complete = r.remaining() / 16;
  if (wanted > complete) wanted = complete;
  rows.resize(wanted);
  for (PointRow& row : rows) {
    row.x = r.I32();
    row.y = r.I32();
    row.z = r.I32();
    row.value = r.I32();
  }
  if (box) std::erase_if(rows, [box](const PointRow& row) { return !Inside(*box, row); });
  return rows;
}

std::vector<uint8_t> SerializePointTable(const std::vector<PointRow>& rows) {
  ByteWriter w;
  w.I32(static_cast<int32_t>(rows.size()) - 1);
  for (const PointRow& row : rows) {
    w.I32(row.x);
    w.I32(row.y);
    w.I32(row.z);
    w.I32(row.value);
  }
  return w.bytes();
}

std::string MapPointsPath(int map, const char* file) {
  if (map < 1 || map > 20) return std::string();
  return "base/maps/" + std::to_string(map) + "/points/" + file;
}
