// Pair tests of the narrow phase. Every test reports at most one contact (the deepest): a unit
// normal pointing from the second geometry towards the first, the point on the first in relPointA
// and the point on the second in relPointB (world coordinates), with
// relPointB = relPointA + depth * normal.
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

void TestGeometryPair(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb);

void TestSphereSphere(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb);
void TestBoxSphere(CollisionResult* r, const TConvex& box, const Transform& tbox, const TConvex& sphere,
                   const Transform& tsphere);
void TestSphereCylinder(CollisionResult* r, const TConvex& cylinder, const Transform& tcyl, const TConvex& sphere,
                        const Transform& tsphere);
void TestBoxCylinder(CollisionResult* r, const TConvex& box, const Transform& tbox, const TConvex& cylinder,
                     const Transform& tcyl);
void TestCylinderCylinder(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b,
                          const Transform& tb);
void TestBoxBox(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb);

void TestSphereTriangle(CollisionResult* r, const TConvex& sphere, const Transform& t, const TConvex& list);
void TestBoxTriangle(CollisionResult* r, const TConvex& box, const Transform& t, const TConvex& list);
void TestCylinderTriangle(CollisionResult* r, const TConvex& cylinder, const Transform& t, const TConvex& list);
void TestBoxSingleTriangle(CollisionResult* r, const TConvex& box, const Transform& t, const TConvex& triangle,
                           const Transform& tt);

// Closest points of a segment (start p, end q) and a box centred at the origin with half extents e,
// all in the box's frame.
void ClosestPointsSegmentBox(const Vec3& p, const Vec3& q, const Vec3& e, Vec3* segmentPoint, Vec3* boxPoint);
// Closest points of the two lines through the segments; false for a degenerate segment or parallel
// lines. `inside` tells whether both parameters lie in [0, 1).
bool ClosestPointsSegments(const Vec3& p1, const Vec3& q1, const Vec3& p2, const Vec3& q2, Vec3* c1, Vec3* c2,
                           float* s, float* t, bool* inside);
// Closest points of two segments with both parameters clamped to [0, 1].
void ClosestPointsClampedSegments(const Vec3& p1, const Vec3& q1, const Vec3& p2, const Vec3& q2, Vec3* c1, Vec3* c2);

// A terrain triangle prepared for the tests.
struct TriangleRecord {
  Vec3 p[3];
  Vec3 e[3];
  Vec3 n;
  float d = 0.0f;
};
bool MakeTriangleRecord(const Vec3& p0, const Vec3& p1, const Vec3& p2, TriangleRecord* out);

// A triangle prepared once for many tests: its record, the bounds of its corners and whether it has
// a plane at all (degenerate triangles are never tested).
struct PreparedTriangle {
  TriangleRecord rec;
  float lo[3] = {0.0f, 0.0f, 0.0f};
  float hi[3] = {0.0f, 0.0f, 0.0f};
  int32_t valid = 0;
};
void PrepareTriangle(const Vec3& p0, const Vec3& p1, const Vec3& p2, PreparedTriangle* out);
// Region of a point in the triangle's plane: -1 inside; 0, 2, 4 the vertex regions of P0, P1, P2;
// 1, 3, 5 the edge regions of e0, e1, e2.
int ClassifyPointInTriangle(const TriangleRecord& tri, const Vec3& p);

// One triangle contact: point on the body's geometry, point on the triangle, normal from the
// triangle towards the geometry.
struct TriangleContact {
  Vec3 pointOnGeometry;
  Vec3 pointOnTriangle;
  Vec3 normal;
  float depth = 0.0f;
  bool hit = false;
};
bool TestSphereOneTriangle(const Vec3& c, float r, TriangleContact* out, const TriangleRecord& tri);

}  // namespace phys
