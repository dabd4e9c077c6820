// Convex-hull pair tests (the hull given by its mesh block, or a box taken as a hull).
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

// The hull tests' own result: normal from the second shape towards the first, the contact point on
// each, pointB = pointA + depth * normal, and the feature that gave it (1 a face of the first, 2 a
// face of the second, 3 an edge pair).
struct HullResult {
  bool hit = false;
  float depth = 0.0f;
  Vec3 normal;
  Vec3 pointA;
  Vec3 pointB;
  int feature = 0;
};

// The first shape is a box or a hull, the second a hull or a box.
void TestConvexConvex(HullResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb);
// Copies a hull result into a pair test's result.
void ConvertHullResult(const HullResult& h, CollisionResult* r);
// A hull against the triangles of a triangle list (world coordinates); every listed triangle is
// tested whatever its selector word and the deepest contact wins, with the triangle's word 3 as
// materialB.
void TestConvexTriangle(CollisionResult* r, const TConvex& hull, const Transform& t, const TConvex& list);

}  // namespace phys
