// The skin reader on arbitrary text over a part with the player's mesh names: never a crash, and
// the materials it makes, or the part it refuses to change, are in order.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/part_materials_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckPartMaterialReader(ParseSkin, data, size);
  return 0;
}
