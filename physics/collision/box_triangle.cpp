// Box against terrain triangles (separating axes, and the vertical floor test) and against a
// single-triangle geometry.
#include <algorithm>

#include "physics/collision/triangle_walk.h"

namespace phys {

namespace {

struct BoxRecord {
  Vec3 centre;
  Vec3 unit[3];    // the box axes
  Vec3 scaled[3];  // the axes times the half extents
  float half[3];
  Vec3 corners[8];
  bool cornersReady = false;

  BoxRecord(const TConvex& box, const Transform& t) {
    centre = t.position;
    centre.w = 0.0f;
    for (int i = 0; i < 3; ++i) {
      unit[i] = t.rotation.row[i];
      unit[i].w = 0.0f;
      half[i] = box.halfExtents[i];
      scaled[i] = unit[i] * half[i];
    }
  }
  float Reach(const Vec3& axis) const {
    return std::fabs(scaled[0].Dot(axis)) + std::fabs(scaled[1].Dot(axis)) + std::fabs(scaled[2].Dot(axis));
  }
  const Vec3* Corners() {
    if (!cornersReady) {
      for (int k = 0; k < 8; ++k) {
        corners[k] = centre + scaled[0] * ((k & 1) ? 1.0f : -1.0f) + scaled[1] * ((k & 2) ? 1.0f : -1.0f) +
                     scaled[2] * ((k & 4) ? 1.0f : -1.0f);
      }
      cornersReady = true;
    }
    return corners;
  }
};

// Overlap of the box and the triangle along one axis; false when separated. On overlap, a smaller
// penetration than the scratch's replaces it.
bool TestAxis(const BoxRecord& box, const TriangleRecord& tri, const Vec3& axis, float boxHalf, TriangleContact* out,
              int* winner, int code) {
  float tmin = tri.p[0].Dot(axis), tmax = tmin;
  int imin = 0, imax = 0;
  for (int k = 1; k < 3; ++k) {
    const float v = tri.p[k].Dot(axis);
    if (v < tmin) {
      tmin = v;
      imin = k;
    }
    if (v > tmax) {
      tmax = v;
      imax = k;
    }
  }
  const float c = box.centre.Dot(axis);
  const float bmin = c - boxHalf, bmax = c + boxHalf;
  if (bmax <= tmin || tmax <= bmin) return false;
  const float low = tmax - bmin, high = bmax - tmin;
  const bool up = low <= high;
  const float pen = up ? low : high;
  if (pen < out->depth) {
    out->depth = pen;
    out->normal = up ? axis : -axis;
    out->pointOnTriangle = tri.p[up ? imax : imin];
    out->pointOnGeometry = out->pointOnTriangle - out->normal * pen;
    out->hit = true;
    *winner = code;
  }
  return true;
}

bool TestBoxOneTriangle(BoxRecord& box, TriangleContact* out, const TriangleRecord& tri) {
  out->depth = 100000.0f;
  out->hit = false;
  const float s = tri.n.Dot(box.centre) - tri.d;
  const Vec3 m = s >= 0.0f ? tri.n : -tri.n;
  const float pen = box.Reach(m) - std::fabs(s);
  if (pen < 0.0f) return false;
  int winner = -1;
  if (pen < out->depth) {
    Vec3 q = box.centre;
    for (int i = 0; i < 3; ++i) q -= box.scaled[i] * (box.scaled[i].Dot(m) > 0.0f ? 1.0f : -1.0f);
    out->depth = pen;
    out->normal = m;
    out->pointOnGeometry = q;
    out->pointOnTriangle = q + m * pen;
    out->hit = true;
  }
  for (int i = 0; i < 3; ++i) {
    if (!TestAxis(box, tri, box.unit[i], box.half[i], out, &winner, -1)) {
      out->hit = false;
      return false;
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      Vec3 axis = Vec3Cross(box.unit[i], tri.e[j]);
      axis.Normalize();
      if (axis.x == 0.0f && axis.y == 0.0f && axis.z == 0.0f) continue;  // parallel: covered by the faces
      if (!TestAxis(box, tri, axis, box.Reach(axis), out, &winner, i * 3 + j)) {
        out->hit = false;
        return false;
      }
    }
  }
  if (winner >= 0) {
    // An edge against an edge: the contact lies between the box edge nearest the triangle and the
    // triangle edge of the winning axis.
    const int i = winner / 3, j = winner % 3;
    Vec3 q = box.centre;
    for (int k = 0; k < 3; ++k) {
      if (k != i) q -= box.scaled[k] * (box.scaled[k].Dot(out->normal) > 0.0f ? 1.0f : -1.0f);
    }
    Vec3 onBox, onTriangle;
    ClosestPointsClampedSegments(q - box.scaled[i], q + box.scaled[i], tri.p[j], tri.p[j] + tri.e[j], &onBox,
                                 &onTriangle);
    out->pointOnGeometry = onBox;
    out->pointOnTriangle = onBox + out->normal * out->depth;
  }
  return out->hit;
}

// Vertical floor test: the deepest box corner below the triangle, measured straight down.
bool TestBoxOnFloorTriangle(BoxRecord& box, TriangleContact* out, const TriangleRecord& tri) {
  out->hit = false;
  if (std::fabs(tri.n.y) < 1e-6f) return false;
  // The floor's normal points up.
  const Vec3 n = tri.n.y > 0.0f ? tri.n : -tri.n;
  const float d = tri.n.y > 0.0f ? tri.d : -tri.d;
  const Vec3* corners = box.Corners();
  float best = 0.0f;
  for (int k = 0; k < 8; ++k) {
    const Vec3& c = corners[k];
    auto edge = [&](const Vec3& a, const Vec3& b) { return (b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x); };
    const float e0 = edge(tri.p[0], tri.p[1]), e1 = edge(tri.p[1], tri.p[2]), e2 = edge(tri.p[2], tri.p[0]);
    const bool over = (e0 >= 0.0f && e1 >= 0.0f && e2 >= 0.0f) || (e0 <= 0.0f && e1 <= 0.0f && e2 <= 0.0f);
    if (!over) continue;
    const float y = (d - n.x * c.x - n.z * c.z) / n.y;
    const float pen = y - c.y;
    if (pen > best) {
      best = pen;
      // Depth along the normal, so that both points lie on the normal line.
      out->depth = pen * n.y;
      out->normal = n;
      out->pointOnGeometry = c;
      out->pointOnTriangle = c + n * out->depth;
      out->hit = true;
    }
  }
  return out->hit;
}

}  // namespace

void TestBoxTriangle(CollisionResult* r, const TConvex& box, const Transform& t, const TConvex& list) {
  BoxRecord rec(box, t);
  Vec3 reach;
  for (int i = 0; i < 3; ++i) {
    reach[i] = std::fabs(rec.scaled[0][i]) + std::fabs(rec.scaled[1][i]) + std::fabs(rec.scaled[2][i]);
  }
  // The floor test looks straight down from the corners, so its reach is unbounded below.
  Vec3 lo = rec.centre - reach;
  lo.y = -1e30f;
  WalkTriangles(r, list, 3, lo, rec.centre + reach, [&](const TriangleRecord& tri, int selector, TriangleContact* out) {
    return selector == 0 ? TestBoxOneTriangle(rec, out, tri) : TestBoxOnFloorTriangle(rec, out, tri);
  });
}

void TestBoxSingleTriangle(CollisionResult* r, const TConvex& box, const Transform& t, const TConvex& triangle,
                           const Transform& tt) {
  r->hasContact = 0;
  if (!triangle.corners[0] || !triangle.corners[1] || !triangle.corners[2]) return;
  TriangleRecord tri;
  if (!MakeTriangleRecord(tt.Apply(*triangle.corners[0]), tt.Apply(*triangle.corners[1]),
                          tt.Apply(*triangle.corners[2]), &tri)) {
    return;
  }
  BoxRecord rec(box, t);
  TriangleContact c;
  if (!TestBoxOneTriangle(rec, &c, tri)) return;
  r->depth = c.depth;
  r->normal = c.normal;
  r->relPointA = c.pointOnGeometry;
  r->relPointB = c.pointOnTriangle;
  r->hasContact = 1;
}

}  // namespace phys
