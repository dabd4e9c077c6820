// The career and point-table parsers on arbitrary bytes: never a crash, tables within their
// bounds, and what they keep round-trips.
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
  return 0;
}
