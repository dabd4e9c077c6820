// Narrow phase: the deepest contact between two bodies' geometries.
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

// Tests the geometries of two bodies (given by their collision holders and current transforms)
// and keeps the deepest contact. The terrain passes an identity transform.
void CollisionTestBodies(CollisionResult* result, const RigidBodyBase& a, const Transform& ta, const RigidBodyBase& b,
                         const Transform& tb);

}  // namespace phys
