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
// Per triangle number: whether a corner lay near the point of the last visibility sweep over it.
extern bool triangleVisible[kLightMapCapacity];
// The first triangle number of the next visibility sweep.
extern int visibilitySweepStart;

// The lights of the light baker: rows {x, y, z, r, g, b} (colours 0..1, as a material's diffuse)
// and the number of rows in use.
inline constexpr int kMaxBakeLights = 5000;
extern float bakeLights[kMaxBakeLights][6];
extern int bakeLightCount;

// Fills lightMaps from base/maps/N/light.map. Every entry the file does not hold in full, and all
// of them for a missing file or a map number outside 1..20, becomes white.
void ReadLightMap(int map);
// Writes lightMaps, all kLightMapCapacity entries, to base/maps/1/light.map; false when the file
// could not be written.
bool WriteLightMap();
// Places the triangle with the given corners in its light map, writing lightMapU and lightMapV
// at corner numbers firstCorner .. firstCorner + 2.
void ComputeLightMapUVs(const float corners[9], int firstCorner);
// Places the triangle in its light map like ComputeLightMapUVs and brightens each texel of light
// map `triangle` by bake light `light`: 255 x colour over 0.005 x the squared distance from the
// light to the texel's point (that factor taken as at least 1), where it exceeds the texel. A
// degenerate triangle gets its coordinates and no light.
void BakeTriangleLightMap(const float corners[9], int firstCorner, int light, int triangle);
// Makes the mipmapped page texture of the `count` light maps from `first`; returns its name and
// the page's height.
GLuint UploadLightMapPage(int first, int count, int& pageHeight);

// Resets the light-map state (for tests): no coordinates, no textures, white maps, no bake lights,
// no visibility flags.
void ResetLightMaps();
