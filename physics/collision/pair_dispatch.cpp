// Body pair test: geometry pairs through a dispatch by type, keeping the deepest contact.
#include <utility>

#include "physics/collision/convex_hull.h"
#include "physics/collision/narrow_phase.h"
#include "physics/collision/pair_tests.h"

namespace phys {

namespace {

constexpr int kCandidates = 102;
// Candidate lists of the both-multi-geometry case (the narrow phase is not re-entrant).
const TConvex* candidatesA[kCandidates];
const TConvex* candidatesB[kCandidates];

// A geometry's world transform: its local transform composed with its body's.
Transform WorldTransform(const TConvex& g, const Transform& body) {
  const Transform local = g.GetTransformOrIdentity();
  Transform t;
  t.rotation = Mat3Multiply(local.rotation, body.rotation);
  t.position = body.Apply(local.position);
  t.position.w = 1.0f;
  return t;
}

// A sphere's world transform as the sphere tests need it: the centre, with an identity rotation.
Transform SphereTransform(const TConvex& g, const Transform& body) {
  Transform t = Transform::Identity();
  t.position = body.Apply(g.GetTransformOrIdentity().position);
  t.position.w = 1.0f;
  return t;
}

void Swap(CollisionResult* r) {
  r->normal = r->normal * -1.0f;
  std::swap(r->relPointA, r->relPointB);
  std::swap(r->geometryA, r->geometryB);
}

}  // namespace

void TestGeometryPair(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb) {
  switch (a.type) {
    case kTypeBox:
      switch (b.type) {
        case kTypeTriangle:
          TestBoxSingleTriangle(r, a, ta, b, tb);
          return;
        case kTypeBox:
          TestBoxBox(r, a, ta, b, tb);
          return;
        case kTypeSphere:
          TestBoxSphere(r, a, ta, b, tb);
          return;
        case kTypeCylinder:
          TestBoxCylinder(r, a, ta, b, tb);
          return;
        case kTypeTriangleList:
          TestBoxTriangle(r, a, ta, b);
          return;
        case kTypeConvex: {
          HullResult h;
          TestConvexConvex(&h, a, ta, b, tb);
          ConvertHullResult(h, r);
          return;
        }
        default:
          return;
      }
    case kTypeSphere:
      switch (b.type) {
        case kTypeBox:
          TestBoxSphere(r, b, tb, a, ta);
          Swap(r);
          return;
        case kTypeSphere:
          TestSphereSphere(r, a, ta, b, tb);
          return;
        case kTypeCylinder:
          TestSphereCylinder(r, b, tb, a, ta);
          Swap(r);
          return;
        case kTypeTriangleList:
          TestSphereTriangle(r, a, ta, b);
          return;
        default:
          return;
      }
    case kTypeCylinder:
      switch (b.type) {
        case kTypeBox:
          TestBoxCylinder(r, b, tb, a, ta);
          Swap(r);
          return;
        case kTypeSphere:
          TestSphereCylinder(r, a, ta, b, tb);
          return;
        case kTypeCylinder:
          TestCylinderCylinder(r, a, ta, b, tb);
          return;
        case kTypeTriangleList:
          TestCylinderTriangle(r, a, ta, b);
          return;
        default:
          return;
      }
    case kTypeConvex:
      switch (b.type) {
        case kTypeBox: {
          HullResult h;
          TestConvexConvex(&h, b, tb, a, ta);
          ConvertHullResult(h, r);
          Swap(r);
          return;
        }
        case kTypeTriangleList:
          TestConvexTriangle(r, a, ta, b);
          return;
        case kTypeConvex: {
          HullResult h;
          TestConvexConvex(&h, a, ta, b, tb);
          ConvertHullResult(h, r);
          return;
        }
        default:
          return;
      }
    default:
      return;
  }
}

void CollisionTestBodies(CollisionResult* result, const RigidBodyBase& a, const Transform& ta, const RigidBodyBase& b,
                         const Transform& tb) {
  result->hasContact = 0;
  const int countA = a.geometries.count, countB = b.geometries.count;
  if (countA == 0 || countB == 0) return;
  const TConvex& firstA = a.geometries.head->rec;
  const TConvex& firstB = b.geometries.head->rec;
  // A triangle list (the terrain) is in world coordinates already.
  const bool bIsList = firstB.type == kTypeTriangleList;
  CollisionResult scratch[2];
  CollisionResult* best = &scratch[0];
  CollisionResult* current = &scratch[1];

  if (countA == 1 && countB == 1) {
    if (firstA.type == kTypeSphere && (bIsList || firstB.type == kTypeSphere)) {
      // The sphere tests read only the centres: the geometry rotations are not worked out.
      TestGeometryPair(best, firstA, SphereTransform(firstA, ta), firstB, bIsList ? tb : SphereTransform(firstB, tb));
    } else {
      TestGeometryPair(best, firstA, WorldTransform(firstA, ta), firstB, bIsList ? tb : WorldTransform(firstB, tb));
    }
    if (!best->hasContact) return;
    best->geometryA = &firstA;
    best->geometryB = &firstB;
  } else {
    if (!bIsList) {
      TestGeometryPair(best, a.holder, WorldTransform(a.holder, ta), b.holder, WorldTransform(b.holder, tb));
      if (!best->hasContact) return;
    }
    best->hasContact = 0;
    best->depth = 0.0f;
    auto consider = [&](const TConvex& ga, const TConvex& gb) {
      current->hasContact = 0;
      TestGeometryPair(current, ga, WorldTransform(ga, ta), gb, bIsList ? tb : WorldTransform(gb, tb));
      if (current->hasContact && current->depth > best->depth) {
        current->geometryA = &ga;
        current->geometryB = &gb;
        std::swap(best, current);
      }
    };
    if (countA == 1) {
      for (const PoolNode<TConvex>* n = b.geometries.head; n; n = n->next) consider(firstA, n->rec);
    } else if (countB == 1) {
      for (const PoolNode<TConvex>* n = a.geometries.head; n; n = n->next) consider(n->rec, firstB);
    } else {
      int na = 0, nb = 0;
      CollisionResult probe;
      const Transform holderA = WorldTransform(a.holder, ta);
      const Transform holderB = WorldTransform(b.holder, tb);
      for (const PoolNode<TConvex>* n = a.geometries.head; n && na < kCandidates; n = n->next) {
        probe.hasContact = 0;
        TestGeometryPair(&probe, n->rec, WorldTransform(n->rec, ta), b.holder, holderB);
        if (probe.hasContact) candidatesA[na++] = &n->rec;
      }
      for (const PoolNode<TConvex>* n = b.geometries.head; n && nb < kCandidates; n = n->next) {
        probe.hasContact = 0;
        TestGeometryPair(&probe, a.holder, holderA, n->rec, WorldTransform(n->rec, tb));
        if (probe.hasContact) candidatesB[nb++] = &n->rec;
      }
      for (int i = 0; i < na; ++i) {
        for (int j = 0; j < nb; ++j) consider(*candidatesA[i], *candidatesB[j]);
      }
    }
    if (!best->hasContact) return;
  }

  *result = *best;
  result->worldPointA = best->relPointA;
  result->worldPointB = best->relPointB;
  result->relPointA = result->worldPointA - ta.position;
  result->relPointB = result->worldPointB - tb.position;
  result->relPointA.w = result->relPointB.w = 0.0f;
  result->localPointA = Mat3TransformColumn(ta.rotation, result->relPointA);
  result->localPointB = Mat3TransformColumn(tb.rotation, result->relPointB);
  result->materialA = result->geometryA->materialIndex;
  // A terrain contact keeps the hit triangle's material word; a single triangle takes its
  // geometry's material like every other shape.
  if (!bIsList) result->materialB = result->geometryB->materialIndex;
}

}  // namespace phys
