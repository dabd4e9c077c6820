// Sphere against sphere.
#include "physics/collision/pair_tests.h"

namespace phys {

void TestSphereSphere(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb) {
  r->hasContact = 0;
  const Vec3 d = ta.position - tb.position;
  const float dist2 = d.LengthSquared();
  const float reach = a.radius + b.radius;
  // Touching is not contact; coincident centres give no direction.
  if (reach * reach <= dist2 || std::fabs(dist2) < 1e-6f) return;
  const float dist = std::sqrt(dist2);
  r->normal = d * (1.0f / dist);
  r->depth = reach - dist;
  r->relPointA = ta.position - r->normal * a.radius;
  r->relPointB = tb.position + r->normal * b.radius;
  r->hasContact = 1;
}

}  // namespace phys
