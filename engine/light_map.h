// Per-triangle light maps of the current map: their texels, GL textures and texture coordinates.
// Triangles are numbered in drawing order: mesh by mesh, each mesh's triangle list in order;
// corner k of triangle n has corner number 3n + k.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "engine/formats/lightmap_file.h"

// Texels of every light map, RGB rows of kLightMapSide texels.
extern uint8_t lightMaps[kLightMapCapacity][kLightMapBytes];
// GL texture per triangle number (0: none made).
extern GLuint lightMapTextures[kLightMapCapacity];
// Light-map texture coordinates per corner number.
extern float lightMapU[3 * kLightMapCapacity];
extern float lightMapV[3 * kLightMapCapacity];
// Corner positions per triangle number, gathered with the coordinates.
extern float triangleCorners[kLightMapCapacity][3][3];
// Triangle numbers that have coordinates (set by StaticModel::ComputeLightMaps, at most the
// capacity) and textures (set by StaticModel::CreateLightMapTextures).
extern int lightMapTriangleCount;
extern int lightMapTextureCount;

// Fills lightMaps from base/maps/N/light.map. Every entry the file does not hold in full, and all
// of them for a missing file or a map number outside 1..20, becomes white.
void ReadLightMap(int map);
// Places the triangle with the given corners in its light map, writing lightMapU and lightMapV
// at corner numbers firstCorner .. firstCorner + 2.
void ComputeLightMapUVs(const float corners[9], int firstCorner);
// Makes a mipmapped texture of light map n; 0 for a number outside the capacity.
GLuint UploadLightMap(int n);

// Resets the light-map state (for tests): no coordinates, no textures, white maps.
void ResetLightMaps();
