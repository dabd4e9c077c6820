// Body pair test and dispatch by geometry type.
#include "physics/collision/narrow_phase.h"

namespace phys {

void CollisionTestBodies(CollisionResult* result, const RigidBodyBase&, const Transform&, const RigidBodyBase&,
                         const Transform&) {
  result->hasContact = 0;
}

}  // namespace phys
