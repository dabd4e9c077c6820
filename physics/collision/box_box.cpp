// Box against box by separating axes: the three face axes of each box, then the nine cross products
// of one box's axes with the other's. The axis of least penetration gives the contact.
#include <cmath>
#include <initializer_list>

#include "physics/collision/pair_tests.h"

namespace phys {

namespace {

constexpr int kNext[3] = {1, 2, 0};
constexpr int kAfter[3] = {2, 0, 1};

struct BoxDescriptor {
  Vec3 centre;
  Vec3 unit[3];    // rows of the rotation
  Vec3 scaled[3];  // unit axes times the half extents
  float half[3];

  BoxDescriptor(const TConvex& box, const Transform& t) {
    centre = t.position;
    centre.w = 0.0f;
    for (int i = 0; i < 3; ++i) {
      unit[i] = t.rotation.row[i];
      unit[i].w = 0.0f;
      half[i] = box.halfExtents[i];
      scaled[i] = unit[i] * half[i];
    }
  }
};

// Best axis so far: first point on the box being tested against, second on the other.
struct Scratch {
  Vec3 first, second, normal;
  float depth = 100000.0f;
  bool hit = false;
  bool edge = false;
};

struct EdgeScratch : Scratch {
  Vec3 edgeA[2];
  Vec3 edgeB[2];
};

// Face axis i of X against box Y; false when the axis separates them. The normal of a replacing
// axis points from X towards Y, the first point is Y's deepest corner inside X.
bool TestBoxFaceAxis(Scratch* s, const BoxDescriptor& x, const BoxDescriptor& y, int i) {
  Vec3 a = x.unit[i];
  float t = a.Dot(y.centre - x.centre);
  if (t >= 0.0f) {
    t = -t;
  } else {
    a = -a;
  }
  float reach = 0.0f;
  Vec3 corner = y.centre;
  for (int j = 0; j < 3; ++j) {
    const float d = y.scaled[j].Dot(a);
    reach += std::fabs(d);
    corner -= d > 0.0f ? y.scaled[j] : -y.scaled[j];
  }
  const float pen = reach + t + x.half[i];
  if (pen <= 0.0f) return false;
  bool replace = pen + 0.0001f < s->depth;
  if (!replace && std::fabs(pen - s->depth) < 1e-6f) {
    // A tie goes to the face that holds the corner.
    const Vec3 rel = corner - x.centre;
    const int n = kNext[i], m = kAfter[i];
    replace = std::fabs(rel.Dot(x.unit[n])) <= 1.001f * x.half[n] && std::fabs(rel.Dot(x.unit[m])) <= 1.001f * x.half[m];
  }
  if (replace) {
    s->depth = pen;
    s->hit = true;
    s->first = corner;
    s->second = corner + a * pen;
    s->normal = a;
  }
  return true;
}

// Edge axis: axis i of A crossed with axis j of B; false when it separates the boxes. Parallel
// axes are skipped. The normal of a replacing axis points from A towards B.
bool TestBoxEdgeAxis(EdgeScratch* s, const BoxDescriptor& a, const BoxDescriptor& b, int i, int j) {
  Vec3 w = Vec3Cross(a.unit[i], b.unit[j]);
  const float len2 = w.LengthSquared();
  if (len2 < kZeroSquared) return true;
  w *= 1.0f / std::sqrt(len2);
  float t = w.Dot(b.centre - a.centre);
  if (t >= 0.0f) {
    t = -t;
  } else {
    w = -w;
  }
  float pen = t;
  Vec3 centreA = a.centre, centreB = b.centre;
  for (int k : {kNext[i], kAfter[i]}) {
    const float d = a.scaled[k].Dot(w);
    pen += std::fabs(d);
    centreA += d > 0.0f ? a.scaled[k] : -a.scaled[k];
  }
  for (int k : {kNext[j], kAfter[j]}) {
    const float d = b.scaled[k].Dot(w);
    pen += std::fabs(d);
    centreB -= d > 0.0f ? b.scaled[k] : -b.scaled[k];
  }
  if (pen <= 0.0f) return false;
  if (pen < s->depth) {
    s->depth = pen;
    s->hit = true;
    s->edgeA[0] = centreA - a.scaled[i];
    s->edgeA[1] = centreA + a.scaled[i];
    s->edgeB[0] = centreB - b.scaled[j];
    s->edgeB[1] = centreB + b.scaled[j];
    s->first = centreA;
    s->second = centreB;
    s->normal = w;
  }
  return true;
}

// Points of the winning edge pair; `normal` already points from B towards A. When the closest
// points of the two edge lines fall outside either edge, the points are placed about the middle of
// the clamped closest points so that second = first + depth * normal still holds.
bool ComputeEdgeContact(const EdgeScratch& e, const Vec3& normal, Scratch* out) {
  Vec3 c1, c2;
  float s = 0.0f, t = 0.0f;
  bool inside = false;
  const bool found = ClosestPointsSegments(e.edgeA[0], e.edgeA[1], e.edgeB[0], e.edgeB[1], &c1, &c2, &s, &t, &inside);
  out->depth = e.depth;
  if (found && inside) {
    out->first = c1;
    out->second = c2;
    return true;
  }
  ClosestPointsClampedSegments(e.edgeA[0], e.edgeA[1], e.edgeB[0], e.edgeB[1], &c1, &c2);
  const Vec3 mid = (c1 + c2) * 0.5f;
  out->first = mid - normal * (0.5f * e.depth);
  out->second = mid + normal * (0.5f * e.depth);
  return false;
}

bool SeparatingAxisBoxBox(Scratch* s, const BoxDescriptor& a, const BoxDescriptor& b) {
  s->depth = 100000.0f;
  s->hit = false;
  s->edge = false;
  for (int i = 0; i < 3; ++i) {
    if (!TestBoxFaceAxis(s, a, b, i)) return false;
  }
  // Seen from B: the normal points from B towards A and the first point lies on A's side.
  s->normal = -s->normal;
  const Vec3 swap = s->first;
  s->first = s->second;
  s->second = swap;
  for (int i = 0; i < 3; ++i) {
    if (!TestBoxFaceAxis(s, b, a, i)) return false;
  }
  EdgeScratch e;
  e.depth = s->depth;
  e.hit = false;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (!TestBoxEdgeAxis(&e, a, b, i, j)) return false;
    }
  }
  if (e.hit) {
    s->normal = -e.normal;
    ComputeEdgeContact(e, s->normal, s);
    s->edge = true;
  }
  return s->hit;
}

}  // namespace

void TestBoxBox(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb) {
  const BoxDescriptor da(a, ta);
  const BoxDescriptor db(b, tb);
  Scratch s;
  if (!SeparatingAxisBoxBox(&s, da, db)) {
    r->hasContact = 0;
    return;
  }
  r->depth = s.depth;
  r->hasContact = 1;
  r->normal = s.normal;
  r->normal.w = 0.0f;
  r->relPointA = s.first;
  r->relPointB = s.second;
}

}  // namespace phys
