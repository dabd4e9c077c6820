// The light-map reader on arbitrary bytes: never a crash, every entry read or white, and what it
// read encodes back to the same leading bytes' low bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/formats/lightmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int kEntries = 8;
  std::vector<uint8_t> store(size_t(kEntries) * kLightMapBytes, 1);
  const int read = DecodeLightMap(data, size, store.data(), kEntries);
  if (read < 0 || read > kEntries || size_t(read) * kLightMapFileEntryBytes > size) std::abort();
  for (size_t i = size_t(read) * kLightMapBytes; i < store.size(); ++i) {
    if (store[i] != 255) std::abort();
  }
  const std::vector<uint8_t> bytes = EncodeLightMap(store.data(), read);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 4 == 0 ? bytes[i] != data[i] : bytes[i] != 0) std::abort();
  }
  return 0;
}
