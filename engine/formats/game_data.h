// The game's small binary data files: the career file and the per-map point tables.
// All of them are little-endian 32-bit words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// base/career.inf: difficulty (1, 3 or 7), then the map number.
struct CareerRecord {
  int32_t difficulty = 1;
  int32_t mapNumber = 1;
};
constexpr size_t kCareerFileSize = 8;

// True when the bytes are exactly the two words and the difficulty is one the game knows (1, 3 or
// 7); the map number is returned as stored, whatever its value. False leaves out untouched and
// tells why ("difficulty 5", "8 bytes expected, 5 found").
bool ParseCareer(const std::vector<uint8_t>& bytes, CareerRecord& out, std::string* why = nullptr);
std::vector<uint8_t> SerializeCareer(const CareerRecord& c);

// One row of mon.ai (x, y, z, value) or prize.ai (x, y, z, type).
struct PointRow {
  int32_t x = 0, y = 0, z = 0;
  int32_t value = 0;
};

// The box a table's points must lie in (both faces included).
struct PointBox {
  float min[3] = {0.0f, 0.0f, 0.0f};
  float max[3] = {0.0f, 0.0f, 0.0f};
};

// A point table: i32 L (the last index), then L + 1 rows of four i32. A negative L or a file
// shorter than the count word gives no rows; L beyond maxRows - 1 is clamped; a short file keeps
// only its complete rows. With a box, the rows among those whose point (as floats) lies outside
// it are dropped as well; the rows after a dropped one move up.
std::vector<PointRow> ParsePointTable(const std::vector<uint8_t>& bytes, size_t maxRows,
                                      const PointBox* box = nullptr);
// Writes L = rows - 1 and the rows (an empty table is L = -1).
std::vector<uint8_t> SerializePointTable(const std::vector<PointRow>& rows);

// "base/maps/N/points/<file>" for maps 1..20; empty for any other number.
std::string MapPointsPath(int map, const char* file);
