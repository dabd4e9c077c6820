// Cylinders (capsules with rounded ends) against spheres, boxes and cylinders.
#include <initializer_list>

#include "physics/collision/pair_tests.h"

namespace phys {

namespace {

Vec3 Unit(const Vec3& v) {
  Vec3 u = v;
  u.Normalize();
  return u;
}

// A unit vector perpendicular to `axis`, preferring `hint`.
Vec3 Perpendicular(const Vec3& axis, const Vec3& hint, const Vec3& other) {
  Vec3 p = hint - axis * hint.Dot(axis);
  if (p.Length() == 0.0f) p = other - axis * other.Dot(axis);
  return Unit(p);
}

struct Capsule {
  Vec3 centre, axis, top, bottom;
  float radius, half;
};

Capsule MakeCapsule(const TConvex& g, const Transform& t) {
  Capsule c;
  c.centre = t.position;
  c.centre.w = 0.0f;
  c.axis = t.rotation.row[1];
  c.axis.w = 0.0f;
  c.radius = g.radius;
  c.half = g.halfHeight;
  c.top = c.centre + c.axis * c.half;
  c.bottom = c.centre - c.axis * c.half;
  return c;
}

// Writes a contact from the two reach centres (points on the two cores) and a unit normal.
void SetContact(CollisionResult* r, const Vec3& coreA, float radiusA, const Vec3& coreB, float radiusB,
                const Vec3& normal, float depth) {
  r->normal = normal;
  r->depth = depth;
  r->relPointA = coreA - normal * radiusA;
  r->relPointB = coreB + normal * radiusB;
  r->hasContact = 1;
}

// End point of one cylinder against the segment of the other; improves the result only when deeper.
void TestEndPointCapsule(CollisionResult* r, const Vec3& top, const Vec3& bottom, const Vec3& point,
                         float segmentRadius, float pointRadius, const Vec3& fallback, bool pointIsFirst) {
  const Vec3 axis = Unit(bottom - top);
  const Vec3 q = top + axis * (point - top).Dot(axis);
  const Vec3 w = point - q;
  const float dist = w.Length();
  const float depth = segmentRadius + pointRadius - dist;
  if (!(depth > 0.0f) || depth <= r->depth) return;
  Vec3 n = dist > 0.0f ? w * (1.0f / dist) : Perpendicular(axis, fallback, Vec3(0, 0, 1));
  if (!pointIsFirst) n = -n;
  if (pointIsFirst) {
    SetContact(r, point, pointRadius, q, segmentRadius, n, depth);
  } else {
    SetContact(r, q, segmentRadius, point, pointRadius, n, depth);
  }
}

void TestEndPointSphere(CollisionResult* r, const Vec3& first, const Vec3& second, float radiusA, float radiusB,
                        const Vec3& fallback) {
  const Vec3 d = first - second;
  const float dist = d.Length();
  const float depth = radiusA + radiusB - dist;
  if (!(depth > 0.0f) || depth <= r->depth) return;
  SetContact(r, first, radiusA, second, radiusB, dist > 0.0f ? d * (1.0f / dist) : fallback, depth);
}

}  // namespace

void TestSphereCylinder(CollisionResult* r, const TConvex& cylinder, const Transform& tcyl, const TConvex& sphere,
                        const Transform& tsphere) {
  r->hasContact = 0;
  const Capsule c = MakeCapsule(cylinder, tcyl);
  const Vec3 centre = tsphere.position;
  const float along = (centre - c.bottom).Dot(c.axis);
  const float length = 2.0f * c.half;
  const float reach = c.radius + sphere.radius;
  if (along >= reach + length || along <= -reach) return;
  const Vec3 p = along < 0.0f ? c.bottom : (along > length ? c.top : c.bottom + c.axis * along);
  const Vec3 v = p - centre;
  const float dist = v.Length();
  if (reach <= dist) return;
  Vec3 n = dist > 0.0f ? v * (1.0f / dist) : tcyl.rotation.row[0];
  n.w = 0.0f;
  SetContact(r, p, c.radius, centre, sphere.radius, n, reach - dist);
}

void TestBoxCylinder(CollisionResult* r, const TConvex& box, const Transform& tbox, const TConvex& cylinder,
                     const Transform& tcyl) {
  r->hasContact = 0;
  const Capsule c = MakeCapsule(cylinder, tcyl);
  const Mat3& R = tbox.rotation;
  const Vec3 start = Mat3TransformColumn(R, c.bottom - tbox.position);
  const Vec3 end = Mat3TransformColumn(R, c.top - tbox.position);
  Vec3 ps, pb;
  ClosestPointsSegmentBox(start, end, box.halfExtents, &ps, &pb);
  const Vec3 v = pb - ps;
  const float dist = v.Length();
  if (dist > c.radius) return;
  if (dist > 0.0f) {
    const Vec3 n = Mat3TransformRow(v * (1.0f / dist), R);
    Vec3 core = tbox.Apply(ps);
    core.w = 0.0f;
    r->depth = c.radius - dist;
    if (!(r->depth > 0.0f)) return;
    r->normal = n;
    r->relPointB = core + n * c.radius;
    r->relPointA = r->relPointB - n * r->depth;
    r->hasContact = 1;
    return;
  }
  // The axis touches or enters the box: push out through the face of least penetration at the
  // segment point.
  const Vec3& h = box.halfExtents;
  int k = 0;
  float least = 1e30f;
  for (int i = 0; i < 3; ++i) {
    const float e = h[i] - std::fabs(ps[i]);
    if (e <= least) {
      least = e;
      k = i;
    }
  }
  const float s = ps[k] >= 0.0f ? 1.0f : -1.0f;
  const Vec3 n = R.row[k] * (-s);
  const float depth = c.radius + least;
  if (!(depth > 0.0f)) return;
  r->normal = n;
  r->depth = depth;
  Vec3 core = tbox.Apply(ps);
  core.w = 0.0f;
  r->relPointB = core + r->normal * c.radius;
  r->relPointA = r->relPointB - r->normal * depth;
  r->hasContact = 1;
}

void TestCylinderCylinder(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b,
                          const Transform& tb) {
  r->hasContact = 0;
  const Capsule A = MakeCapsule(a, ta);
  const Capsule B = MakeCapsule(b, tb);
  Vec3 pa, pb;
  float s = 0.0f, t = 0.0f;
  bool inside = false;
  const Vec3 cross = Vec3Cross(A.axis, B.axis);
  if (cross.Length() >= 1e-6f && ClosestPointsSegments(A.top, A.bottom, B.top, B.bottom, &pa, &pb, &s, &t, &inside) &&
      inside) {
    const Vec3 d = pa - pb;
    const float dist = d.Length();
    const float depth = A.radius + B.radius - dist;
    if (depth <= 0.0f) return;
    Vec3 n;
    if (dist > 0.0f) {
      n = d * (1.0f / dist);
    } else {
      // Crossing axes: perpendicular to both, towards A's centre where that tells a side.
      n = Unit(cross);
      if (n.Dot(A.centre - B.centre) < 0.0f) n = -n;
    }
    SetContact(r, pa, A.radius, pb, B.radius, n, depth);
    return;
  }
  r->depth = -1000000.0f;
  const Vec3 fallback = ta.rotation.row[0];
  const float lengthA = 2.0f * A.half, lengthB = 2.0f * B.half;
  for (const Vec3& e : {A.top, A.bottom}) {
    const float along = (e - B.bottom).Dot(B.axis);
    if (along < 0.0f) {
      TestEndPointSphere(r, e, B.bottom, A.radius, B.radius, fallback);
    } else if (along > lengthB) {
      TestEndPointSphere(r, e, B.top, A.radius, B.radius, fallback);
    } else {
      TestEndPointCapsule(r, B.top, B.bottom, e, B.radius, A.radius, fallback, true);
    }
  }
  for (const Vec3& e : {B.top, B.bottom}) {
    const float along = (e - A.bottom).Dot(A.axis);
    if (along < 0.0f) {
      TestEndPointSphere(r, A.bottom, e, A.radius, B.radius, fallback);
    } else if (along > lengthA) {
      TestEndPointSphere(r, A.top, e, A.radius, B.radius, fallback);
    } else {
      TestEndPointCapsule(r, A.top, A.bottom, e, A.radius, B.radius, fallback, false);
    }
  }
  if (!r->hasContact) r->depth = 0.0f;
}

}  // namespace phys
