// Box against sphere, region by region in the box's frame.
#include "physics/collision/pair_tests.h"

namespace phys {

void TestBoxSphere(CollisionResult* r, const TConvex& box, const Transform& tbox, const TConvex& sphere,
                   const Transform& tsphere) {
  r->hasContact = 0;
  const Mat3& R = tbox.rotation;
  const Vec3& h = box.halfExtents;
  const Vec3& centre = tsphere.position;
  const float radius = sphere.radius;
  const Vec3 c = Mat3TransformColumn(R, centre - tbox.position);
  float s[3], a[3], d[3];
  int outside = 0;
  for (int i = 0; i < 3; ++i) {
    s[i] = c[i] >= 0.0f ? 1.0f : -1.0f;
    a[i] = std::fabs(c[i]);
    d[i] = a[i] - h[i];
    if (d[i] >= 0.0f) ++outside;
  }

  // Face of least penetration: the response when the centre is inside the box, or exactly on an
  // edge or corner where the nearest point gives no direction.
  auto faceContact = [&](int k, float depth) {
    r->depth = depth;
    r->normal = R.row[k] * (-s[k]);
    r->relPointB = centre + r->normal * radius;
    r->relPointA = r->relPointB - r->normal * depth;
    r->hasContact = 1;
  };
  auto leastPenetration = [&]() {
    float e[3];
    for (int i = 0; i < 3; ++i) e[i] = h[i] - a[i];
    int k = e[1] <= e[0] ? 1 : 0;
    if (e[2] <= e[k]) k = 2;
    const float depth = radius + e[k];
    if (depth > 0.0f) faceContact(k, depth);
  };

  if (outside >= 2) {
    Vec3 q;
    for (int i = 0; i < 3; ++i) q[i] = d[i] >= 0.0f ? s[i] * h[i] : c[i];
    const Vec3 v = q - c;
    const float dist2 = v.LengthSquared();
    if (dist2 > radius * radius) return;
    const float dist = v.Length();
    if (dist == 0.0f) {
      leastPenetration();
      return;
    }
    r->depth = radius - dist;
    r->normal = Mat3TransformRow(v * (1.0f / dist), R);
    r->relPointA = tbox.Apply(q);
    r->relPointA.w = 0.0f;
    r->relPointB = centre + r->normal * radius;
    r->hasContact = r->depth > 0.0f ? 1 : 0;
    return;
  }
  if (outside == 1) {
    int k = 0;
    while (d[k] < 0.0f) ++k;
    const float depth = h[k] + radius - a[k];
    if (depth <= 0.0f) return;
    faceContact(k, depth);
    return;
  }
  leastPenetration();
}

}  // namespace phys
