// Sphere against terrain triangles: the contact the game's characters meet on every step.
#include <algorithm>
#include <cmath>
#include <utility>

#include "physics/collision/triangle_walk.h"

namespace phys {

bool MakeTriangleRecord(const Vec3& p0, const Vec3& p1, const Vec3& p2, TriangleRecord* out) {
  out->p[0] = p0;
  out->p[1] = p1;
  out->p[2] = p2;
  out->e[0] = p1 - p0;
  out->e[1] = p2 - p1;
  out->e[2] = p0 - p2;
  out->n = Vec3Cross(out->e[0], out->e[1]);
  out->n.Normalize();
  out->d = out->n.Dot(p0);
  return out->n.x != 0.0f || out->n.y != 0.0f || out->n.z != 0.0f;
}

void PrepareTriangle(const Vec3& p0, const Vec3& p1, const Vec3& p2, PreparedTriangle* out) {
  out->valid = MakeTriangleRecord(p0, p1, p2, &out->rec) ? 1 : 0;
  const Vec3* corners[3] = {&p0, &p1, &p2};
  for (int i = 0; i < 3; ++i) {
    const float a = (*corners[0])[i], b = (*corners[1])[i], c = (*corners[2])[i];
    if (std::isnan(a) || std::isnan(b) || std::isnan(c)) {
      // A corner without a coordinate never lies wholly beyond a box side.
      out->lo[i] = -INFINITY;
      out->hi[i] = INFINITY;
    } else {
      out->lo[i] = std::min(a, std::min(b, c));
      out->hi[i] = std::max(a, std::max(b, c));
    }
  }
}

int ClassifyPointInTriangle(const TriangleRecord& tri, const Vec3& p) {
  const float ax = std::fabs(tri.n.x), ay = std::fabs(tri.n.y), az = std::fabs(tri.n.z);
  int k;
  if (ay <= az) {
    k = ax < az ? 2 : 0;
  } else {
    k = ax < ay ? 1 : 0;
  }
  const int u = (k + 1) % 3, v = (k + 2) % 3;
  auto edge = [&](const Vec3& a, const Vec3& b) {
    return (a[v] - b[v]) * (p[u] - a[u]) + (a[u] - b[u]) * (a[v] - p[v]);
  };
  const float E0 = edge(tri.p[0], tri.p[1]);
  const float E1 = edge(tri.p[1], tri.p[2]);
  const float E2 = edge(tri.p[2], tri.p[0]);
  if ((E0 <= 0.0f && E1 <= 0.0f && E2 <= 0.0f) || (E0 > 0.0f && E1 > 0.0f && E2 > 0.0f)) return -1;
  int code;
  if (E0 <= 0.0f) {
    if (E1 <= 0.0f) {
      code = 2;  // E2 > 0
    } else {
      code = E2 <= 0.0f ? 0 : 1;
    }
  } else {
    if (E1 <= 0.0f) {
      code = E2 <= 0.0f ? 4 : 3;
    } else {
      code = 5;  // E2 <= 0
    }
  }
  if (tri.n[k] <= 0.0f) code = (code + 3) % 6;
  return code;
}

namespace {

// Nearest point of edge i (clamped to the edge, so that a centre near an acute corner still finds
// its contact).
void TestSphereTriangleEdge(const Vec3& c, float r, TriangleContact* out, const TriangleRecord& tri, int i) {
  const Vec3& e = tri.e[i];
  const float L = e.Length();
  if (L == 0.0f) return;
  const Vec3 u = e * (1.0f / L);
  const float t = std::min(L, std::max(0.0f, (c - tri.p[i]).Dot(u)));
  const Vec3 q = tri.p[i] + u * t;
  const Vec3 w = c - q;
  const float dist = w.Length();
  const float pen = r - dist;
  if (!(pen > 0.0f) || !(pen < out->depth) || !(pen < r)) return;
  out->depth = pen;
  out->normal = w * (1.0f / dist);
  out->pointOnGeometry = c - out->normal * r;
  out->pointOnTriangle = q;
  out->hit = true;
}

}  // namespace

bool TestSphereOneTriangle(const Vec3& c, float r, TriangleContact* out, const TriangleRecord& tri) {
  out->depth = 100000.0f;
  out->hit = false;
  const float s = tri.n.Dot(c) - tri.d;
  const float side = s < 0.0f ? -1.0f : 1.0f;
  const float pen = r - side * s;
  if (pen <= 0.0f) return false;
  const Vec3 p = c - tri.n * s;
  const int region = ClassifyPointInTriangle(tri, p);
  if (region < 0) {
    out->depth = pen;
    out->normal = tri.n * side;
    out->pointOnGeometry = c - out->normal * r;
    out->pointOnTriangle = p;
    out->hit = true;
  } else if ((region & 1) == 0) {
    const Vec3& vertex = tri.p[region / 2];
    const Vec3 w = c - vertex;
    const float dist = w.Length();
    if (r - dist > 0.0f) {
      out->depth = r - dist;
      // A centre exactly on the vertex takes the face normal.
      out->normal = dist > 0.0f ? w * (1.0f / dist) : tri.n * side;
      out->pointOnGeometry = c - out->normal * r;
      out->pointOnTriangle = out->pointOnGeometry + out->normal * out->depth;
      out->hit = true;
    }
  } else {
    TestSphereTriangleEdge(c, r, out, tri, region / 2);
  }
  return out->hit;
}

void TestSphereTriangle(CollisionResult* r, const TConvex& sphere, const Transform& t, const TConvex& list) {
  Vec3 c = t.position;
  c.w = 0.0f;
  const float radius = sphere.radius;
  const float r2 = radius * radius;
  const Vec3 reach(radius, radius, radius);
  WalkTriangles(r, list, 1, c - reach, c + reach, [&](const TriangleRecord& tri, int, TriangleContact* out) {
    // Cheap rejection first: the centre is farther from the plane than the radius.
    const float s = tri.n.Dot(c) - tri.d;
    if (s * s >= r2) return false;
    return TestSphereOneTriangle(c, radius, out, tri);
  });
}

}  // namespace phys
