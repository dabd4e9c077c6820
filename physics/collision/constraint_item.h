// The solver row. The narrow phase fills its leading contact fields (the collision result); the
// contact handling completes the rest in place.
#pragma once

#include "physics/world/world.h"

namespace phys {

struct ConstraintItem {
  Vec3 relPointA;
  Vec3 relPointB;
  Vec3 localPointA;
  Vec3 localPointB;
  Vec3 worldPointA;
  Vec3 worldPointB;
  Vec3 tangent1;
  Vec3 tangent2;
  Vec3 normal;
  Mat3 contactFrame;
  Vec3 relVelocity;
  Vec3 localVelocity;
  int32_t materialA = 0;
  int32_t materialB = 0;
  float depth = 0.0f;
  int32_t hasContact = 0;
  RigidBodyBase* bodyA = nullptr;
  RigidBodyBase* bodyB = nullptr;
  float relSpeed = 0.0f;
  float target = 0.0f;
  const TConvex* geometryA = nullptr;
  const TConvex* geometryB = nullptr;
  Mat3 massMatrix;
  Mat3 invMassMatrix;
  float violationCopy = 0.0f;
  int32_t kind = 1;

  void Setup(bool ignoreA, bool ignoreB);
  int32_t IsResting();
};

using CollisionResult = ConstraintItem;

// Completes a unit normal to an orthonormal right-handed frame (tangent2 = normal x tangent1).
void BuildFrameFromNormal(Vec3* tangent1, Vec3* tangent2, const Vec3* normal);

}  // namespace phys
