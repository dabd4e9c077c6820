// Light-map texture coordinates of a map triangle, and the inverse mapping from a light-map texel
// back to the point of the triangle's plane it covers. The game computes the coordinates at load
// time and the data generator bakes the texels with the same placement.
#pragma once

// Light maps are square, this many texels a side, RGB.
inline constexpr int kLightMapSide = 16;
inline constexpr int kLightMapBytes = kLightMapSide * kLightMapSide * 3;

// An angle above this counts as obtuse when placing a triangle in its light map (a right angle,
// 1.5708 radians, therefore counts as obtuse).
inline constexpr float kLightMapAcuteLimit = 1.57f;

// Places triangle (A, B, C) (corners: nine floats) in its light map: u runs along the edge AB and
// v from that edge to C. Writes u and v for the three corners.
void ComputeLightMapUVs(const float corners[9], float u[3], float v[3]);

// Maps light-map coordinates (u, v) to the point of the triangle's plane that they cover, the
// inverse of the placement above (an affine map fixed by the three corners). False for a
// degenerate placement.
bool LightMapPoint(const float corners[9], const float u[3], const float v[3], float s, float t, float out[3]);
