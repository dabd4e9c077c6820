// The per-map light-map file (base/maps/N/light.map): for each triangle number in order, 16 rows
// of 16 texels of three 32-bit little-endian integers R, G, B, of which only the low byte counts.
// No header. A full file holds kLightMapCapacity entries; the data generator writes only the map's
// own triangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/formats/lightmap_uv.h"

// Light maps a map can have: one per triangle number.
inline constexpr int kLightMapCapacity = 10000;
// Bytes of one entry in the file.
inline constexpr size_t kLightMapFileEntryBytes = size_t(kLightMapBytes) * 4;

// Fills `capacity` light maps of kLightMapBytes each in `store` from a file image: every whole
// entry the file holds is copied (low bytes), every entry it does not hold completely becomes
// white. Returns the number of entries read.
int DecodeLightMap(const uint8_t* data, size_t size, uint8_t* store, int capacity);

// Sets `count` light maps to white.
void FillLightMapsWhite(uint8_t* store, int count);

// Encodes `count` light maps (kLightMapBytes each) in the file layout.
std::vector<uint8_t> EncodeLightMap(const uint8_t* maps, int count);

// The file of map n: "base/maps/N/light.map".
std::string LightMapFileName(int map);
