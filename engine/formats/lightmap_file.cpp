#include "engine/formats/lightmap_file.h"

#include <cstring>

#include "engine/formats/binary_io.h"

void FillLightMapsWhite(uint8_t* store, int count) {
  if (count > 0) std::memset(store, 255, size_t(count) * kLightMapBytes);
}

int DecodeLightMap(const uint8_t* data, size_t size, uint8_t* store, int capacity) {
  if (capacity <= 0) return 0;
  size_t whole = data ? size / kLightMapFileEntryBytes : 0;
  if (whole > size_t(capacity)) whole = size_t(capacity);
  ByteReader reader(data, whole * kLightMapFileEntryBytes);
  uint8_t* out = store;
  for (size_t i = 0; i < whole * kLightMapBytes; ++i) *out++ = static_cast<uint8_t>(reader.U32() & 0xffu);
  FillLightMapsWhite(store + whole * kLightMapBytes, capacity - static_cast<int>(whole));
  return static_cast<int>(whole);
}

std::vector<uint8_t> EncodeLightMap(const uint8_t* maps, int count) {
  ByteWriter writer;
  if (count <= 0) return {};
  writer.bytes().reserve(size_t(count) * kLightMapFileEntryBytes);
  for (size_t i = 0; i < size_t(count) * kLightMapBytes; ++i) writer.U32(maps[i]);
  return std::move(writer.bytes());
}

std::string LightMapFileName(int map) { return "base/maps/" + std::to_string(map) + "/light.map"; }
