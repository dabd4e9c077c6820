// Grid meshes for the physics benchmarks.
#pragma once

#include <vector>

#include "math/vec3_inline.h"

// Two triangles per quad of an n x n grid of (n + 1)^2 vertices laid out row by row.
inline std::vector<Triangle> GridTriangles(int n) {
  std::vector<Triangle> tris;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      Triangle t1, t2;
      t1.v[0] = a, t1.v[1] = c, t1.v[2] = b;
      t2.v[0] = b, t2.v[1] = c, t2.v[2] = d;
      tris.push_back(t1);
      tris.push_back(t2);
    }
  }
  return tris;
}
