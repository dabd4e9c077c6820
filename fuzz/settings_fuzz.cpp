// The settings file parser on arbitrary bytes: never a crash, and what it keeps round-trips.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/formats/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SettingsRecord s;
  ParseSettings(std::vector<uint8_t>(data, data + size), s);
  SettingsRecord again;
  if (!ParseSettings(SerializeSettings(s), again)) std::abort();
  if (again.resolutionIndex != s.resolutionIndex || again.spareSetting != s.spareSetting) std::abort();
  return 0;
}
