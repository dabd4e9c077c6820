// Sphere-like convex hulls for the hull tests and benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "math/vec3_inline.h"

struct HullShape {
  std::vector<Vec3> vertices;
  std::vector<int32_t> triangles;  // counter-clockwise seen from outside
};

// `rings` rings of `segments` points on a sphere, each ring turned half a segment against the one
// above it, closed by a point at each pole: 2 + rings * segments vertices, 2 * rings * segments
// triangles, no two of them in one plane.
inline HullShape SphereHull(float radius, int rings, int segments) {
  HullShape s;
  const float pi = 3.14159265f;
  s.vertices.emplace_back(0.0f, radius, 0.0f);
  for (int k = 0; k < rings; ++k) {
    const float polar = pi * static_cast<float>(k + 1) / static_cast<float>(rings + 1);
    for (int j = 0; j < segments; ++j) {
      const float around = 2.0f * pi * (static_cast<float>(j) + 0.5f * static_cast<float>(k)) / static_cast<float>(segments);
      s.vertices.emplace_back(radius * std::sin(polar) * std::cos(around), radius * std::cos(polar),
                              radius * std::sin(polar) * std::sin(around));
    }
  }
  s.vertices.emplace_back(0.0f, -radius, 0.0f);
  const int bottom = 1 + rings * segments;
  auto at = [&](int ring, int j) { return 1 + ring * segments + (j % segments); };
  auto add = [&](int a, int b, int c) {
    // Wound so that the normal points away from the centre.
    const Vec3 n = Vec3Cross(s.vertices[b] - s.vertices[a], s.vertices[c] - s.vertices[a]);
    if (n.Dot(s.vertices[a] + s.vertices[b] + s.vertices[c]) < 0.0f) std::swap(b, c);
    s.triangles.insert(s.triangles.end(), {a, b, c});
  };
  for (int j = 0; j < segments; ++j) {
    add(0, at(0, j), at(0, j + 1));
    add(bottom, at(rings - 1, j), at(rings - 1, j + 1));
    for (int k = 0; k + 1 < rings; ++k) {
      add(at(k, j), at(k, j + 1), at(k + 1, j));
      add(at(k + 1, j), at(k, j + 1), at(k + 1, j + 1));
    }
  }
  return s;
}
