// The exhaustive separating-axis test of two convex shapes, kept as the reference the hull search
// is checked against: every face normal of both shapes and every cross product of their edges;
// the axis of least penetration gives the normal (from B towards A) and the depth.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

#include "math/vec3_inline.h"
#include "tests/physics/hull_shapes.h"

struct OracleShape {
  std::vector<Vec3> vertices;  // world coordinates
  std::vector<Vec3> normals;   // outward unit face normals
  std::vector<std::pair<int, int>> edges;
};

inline OracleShape OracleFromHull(const HullShape& s, const Transform& t) {
  OracleShape o;
  for (const Vec3& v : s.vertices) o.vertices.push_back(t.Apply(v));
  for (size_t f = 0; f + 2 < s.triangles.size(); f += 3) {
    const Vec3& a = o.vertices[s.triangles[f]];
    Vec3 n = Vec3Cross(o.vertices[s.triangles[f + 1]] - a, o.vertices[s.triangles[f + 2]] - a);
    n.Normalize();
    o.normals.push_back(n);
    for (int k = 0; k < 3; ++k) {
      const int i = s.triangles[f + k], j = s.triangles[f + (k + 1) % 3];
      if (i < j) o.edges.emplace_back(i, j);
    }
  }
  return o;
}

inline OracleShape OracleFromBox(const Vec3& half, const Transform& t) {
  OracleShape o;
  for (int i = 0; i < 8; ++i) {
    o.vertices.push_back(t.Apply(Vec3((i & 4) ? half.x : -half.x, (i & 2) ? half.y : -half.y, (i & 1) ? half.z : -half.z)));
  }
  for (int k = 0; k < 3; ++k) {
    o.normals.push_back(t.rotation.row[k]);
    o.normals.push_back(t.rotation.row[k] * -1.0f);
  }
  for (int i = 0; i < 8; ++i) {
    for (int bit = 1; bit <= 4; bit <<= 1) {
      if (!(i & bit)) o.edges.emplace_back(i, i | bit);
    }
  }
  return o;
}

inline OracleShape OracleFromTriangle(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
  OracleShape o;
  o.vertices = {p0, p1, p2};
  Vec3 n = Vec3Cross(p1 - p0, p2 - p0);
  n.Normalize();
  o.normals = {n, n * -1.0f};
  o.edges = {{0, 1}, {1, 2}, {2, 0}};
  return o;
}

inline void OracleProject(const OracleShape& s, const Vec3& axis, float* lo, float* hi) {
  *lo = *hi = axis.Dot(s.vertices[0]);
  for (const Vec3& v : s.vertices) {
    const float d = axis.Dot(v);
    if (d < *lo) *lo = d;
    if (d > *hi) *hi = d;
  }
}

// How far A must move along +axis (unit) to clear B; negative when the axis separates them.
inline float OracleDepthAlong(const OracleShape& a, const OracleShape& b, const Vec3& axis) {
  float loA, hiA, loB, hiB;
  OracleProject(a, axis, &loA, &hiA);
  OracleProject(b, axis, &loB, &hiB);
  return hiB - loA;
}

// Calls visit(axis) with every face normal of both shapes and every unit cross product of their
// edges; stops when visit returns false, and then returns false.
template <class Visit>
bool OracleAxes(const OracleShape& a, const OracleShape& b, Visit visit) {
  for (const Vec3& n : a.normals) {
    if (!visit(n)) return false;
  }
  for (const Vec3& n : b.normals) {
    if (!visit(n)) return false;
  }
  for (const auto& ea : a.edges) {
    const Vec3 da = a.vertices[ea.second] - a.vertices[ea.first];
    for (const auto& eb : b.edges) {
      const Vec3 db = b.vertices[eb.second] - b.vertices[eb.first];
      Vec3 axis = Vec3Cross(da, db);
      const float len2 = axis.LengthSquared();
      if (len2 < 1e-6f * da.LengthSquared() * db.LengthSquared() || len2 < 1e-12f) continue;
      if (!visit(axis * (1.0f / std::sqrt(len2)))) return false;
    }
  }
  return true;
}

struct OracleContact {
  bool hit = false;
  float depth = 1e30f;
  Vec3 normal;  // from B towards A
};

inline OracleContact OracleSearch(const OracleShape& a, const OracleShape& b) {
  OracleContact best;
  auto test = [&](const Vec3& axis) {
    const float up = OracleDepthAlong(a, b, axis), down = OracleDepthAlong(a, b, axis * -1.0f);
    if (up < 0.0f || down < 0.0f) return false;
    if (std::fmin(up, down) < best.depth) {
      best.depth = std::fmin(up, down);
      best.normal = up < down ? axis : axis * -1.0f;
    }
    return true;
  };
  if (!OracleAxes(a, b, test)) return OracleContact();
  best.hit = true;
  return best;
}

// The distance s along the unit direction u at which A (given at its origin) just touches B: moved
// further than s the two are apart, moved less they overlap.
inline float OracleTouchDistance(const OracleShape& a, const OracleShape& b, const Vec3& u) {
  float nearest = 1e30f;
  OracleAxes(a, b, [&](const Vec3& n) {
    for (int s = -1; s <= 1; s += 2) {
      const Vec3 axis = n * static_cast<float>(s);
      const float along = axis.Dot(u);  // how fast moving along u clears the overlap along the axis
      if (along > 1e-6f) nearest = std::fmin(nearest, OracleDepthAlong(a, b, axis) / along);
    }
    return true;
  });
  return nearest;
}
