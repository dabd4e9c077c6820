// Cylinder (capsule) against terrain triangles.
#include "physics/collision/triangle_walk.h"

namespace phys {

namespace {

enum class PlaneResult { kNotReached, kReached, kContact };

PlaneResult TestCylinderTrianglePlane(const Vec3& c, const Vec3& a, float r, float h, TriangleContact* out,
                                      const TriangleRecord& tri) {
  const float s = tri.n.Dot(c) - tri.d;
  const Vec3 m = s >= 0.0f ? -tri.n : tri.n;
  if (std::fabs(s) >= r + h) return PlaneResult::kNotReached;
  const float k = m.Dot(a);
  const Vec3 e = k > 0.0f ? c + a : c - a;
  const Vec3 deepest = e + m * r;
  const float pen = r + std::fabs(k) - std::fabs(s);
  if (pen <= 0.0f) return PlaneResult::kNotReached;
  if (pen >= out->depth) return PlaneResult::kReached;
  const Vec3 q = deepest - m * pen;
  if (ClassifyPointInTriangle(tri, q) != -1) return PlaneResult::kReached;
  const float denom = (deepest - c).Dot(m);
  if (std::fabs(denom) >= 1e-6f) {
    const Vec3 x = c + (deepest - c) * ((tri.p[0] - c).Dot(m) / denom);
    if (ClassifyPointInTriangle(tri, x) != -1) return PlaneResult::kReached;
  }
  out->depth = pen;
  out->pointOnGeometry = deepest;
  out->pointOnTriangle = q;
  out->normal = -m;
  out->hit = true;
  return PlaneResult::kContact;
}

void TestCylinderTriangleEdge(const Vec3& c, const Vec3& a, float r, TriangleContact* out, const TriangleRecord& tri,
                              int i) {
  const Vec3& pi = tri.p[i];
  const Vec3& pj = tri.p[(i + 1) % 3];
  Vec3 onAxis, onEdge;
  float s = 0.0f, t = 0.0f;
  bool inside = false;
  const bool lines = ClosestPointsSegments(c - a, c + a, pi, pj, &onAxis, &onEdge, &s, &t, &inside);
  if (lines && inside) {
    const float depth = r - (onAxis - onEdge).Length();
    if (depth <= 0.0f || !(depth < out->depth)) return;
    Vec3 n = Vec3Cross(pi - pj, a);
    n.Normalize();
    if (n.Dot(onAxis - onEdge) < 0.0f) n = -n;
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) n = tri.n;
    out->depth = depth;
    out->normal = n;
    out->pointOnTriangle = onEdge;
    out->pointOnGeometry = onEdge - n * depth;
    out->hit = true;
    return;
  }
  // A parameter beyond its segment: the nearest points of the two segments, tested as points.
  ClosestPointsClampedSegments(c - a, c + a, pi, pj, &onAxis, &onEdge);
  const Vec3 w = onAxis - onEdge;
  if (w.LengthSquared() >= r * r) return;
  const float dist = w.Length();
  const float depth = r - dist;
  if (!(depth < out->depth) || depth <= 0.0f) return;
  Vec3 n = dist > 0.0f ? w * (1.0f / dist) : (tri.n.Dot(c - tri.p[0]) >= 0.0f ? tri.n : -tri.n);
  out->depth = depth;
  out->normal = n;
  out->pointOnTriangle = onEdge;
  out->pointOnGeometry = onEdge - n * depth;
  out->hit = true;
}

}  // namespace

void TestCylinderTriangle(CollisionResult* r, const TConvex& cylinder, const Transform& t, const TConvex& list) {
  Vec3 c = t.position;
  c.w = 0.0f;
  Vec3 a = t.rotation.row[1] * cylinder.halfHeight;
  const float radius = cylinder.radius;
  Vec3 reach;
  for (int i = 0; i < 3; ++i) reach[i] = std::fabs(a[i]) + radius;
  WalkTriangles(r, list, 1, c - reach, c + reach, [&](const TriangleRecord& tri, int, TriangleContact* out) {
    out->depth = 1000000.0f;
    out->hit = false;
    const PlaneResult plane = TestCylinderTrianglePlane(c, a, radius, cylinder.halfHeight, out, tri);
    if (plane != PlaneResult::kReached) return out->hit;
    out->depth = 1000000.0f;
    out->hit = false;
    for (int i = 0; i < 3; ++i) TestCylinderTriangleEdge(c, a, radius, out, tri, i);
    return out->hit;
  });
}

}  // namespace phys
