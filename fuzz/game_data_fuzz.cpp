// The career and point-table parsers on arbitrary bytes: never a crash, tables within their
// bounds (row count and, when given, the box of the points), and what they keep round-trips.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/formats/game_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  CareerRecord c;
  if (ParseCareer(bytes, c)) {
    CareerRecord again;
    if (!ParseCareer(SerializeCareer(c), again) || again.difficulty != c.difficulty ||
        again.mapNumber != c.mapNumber)
      std::abort();
  }
  const std::vector<PointRow> rows = ParsePointTable(bytes, 30);
  if (rows.size() > 30) std::abort();
  if (ParsePointTable(SerializePointTable(rows), 30).size() != rows.size()) std::abort();
  // Bounded by a box: a subset, every kept point inside it.
  const PointBox box{{-100.0f, -50.0f, -100.0f}, {100.0f, 50.0f, 100.0f}};
  const std::vector<PointRow> inside = ParsePointTable(bytes, 30, &box);
  if (inside.size() > rows.size()) std::abort();
  for (const PointRow& row : inside) {
    const float p[3] = {static_cast<float>(row.x), static_cast<float>(row.y), static_cast<float>(row.z)};
    for (int a = 0; a < 3; ++a) {
      if (!(p[a] >= box.min[a] && p[a] <= box.max[a])) std::abort();
    }
  }
  return 0;
}
