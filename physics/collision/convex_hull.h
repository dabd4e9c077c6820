// Convex-hull pair tests (the hull given by its mesh block, or a box taken as a hull).
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

// The first shape is a box or a hull, the second a hull or a box.
void TestConvexConvex(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb);
// A hull against the triangles of a triangle list (world coordinates); every listed triangle is
// tested and the deepest contact wins, with the triangle's word 3 as materialB.
void TestConvexTriangle(CollisionResult* r, const TConvex& hull, const Transform& t, const TConvex& list);

}  // namespace phys
