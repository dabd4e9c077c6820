// Per-triangle light maps of the current map: their texels, GL textures and texture coordinates.
// Triangles are numbered in drawing order: mesh by mesh, each mesh's triangle list in order;
// corner k of triangle n has corner number 3n + k.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "engine/formats/lightmap_atlas.h"
#include "engine/formats/lightmap_file.h"

// Texels of every light map, RGB rows of kLightMapSide texels.
extern uint8_t lightMaps[kLightMapCapacity][kLightMapBytes];
// The light-map pages (engine/formats/lightmap_atlas.h): GL textures (0: none made).
inline constexpr int kLightMapPageCount = (kLightMapCapacity + kLightMapSlotsPerPage - 1) / kLightMapSlotsPerPage;
extern GLuint lightMapPages[kLightMapPageCount];
extern int lightMapPageHeights[kLightMapPageCount];
// Light-map texture coordinates per corner number.
extern float lightMapU[3 * kLightMapCapacity];
extern float lightMapV[3 * kLightMapCapacity];
// Corner positions per triangle number, gathered with the coordinates.
extern float triangleCorners[kLightMapCapacity][3][3];
// Triangle numbers that have coordinates (set by StaticModel::ComputeLightMaps, at most the
// capacity) and light maps in the pages (set by StaticModel::CreateLightMapTextures).
extern int lightMapTriangleCount;
extern int lightMapTextureCount;

// Fills lightMaps from base/maps/N/light.map. Every entry the file does not hold in full, and all
// of them for a missing file or a map number outside 1..20, becomes white.
void ReadLightMap(int map);
// Places the triangle with the given corners in its light map, writing lightMapU and lightMapV
// at corner numbers firstCorner .. firstCorner + 2.
void ComputeLightMapUVs(const float corners[9], int firstCorner);
// Makes the mipmapped page texture of the `count` light maps from `first`; returns its name and
// the page's height.
GLuint UploadLightMapPage(int first, int count, int& pageHeight);

// Resets the light-map state (for tests): no coordinates, no textures, white maps.
void ResetLightMaps();
