// Line sensors against geometries.
#pragma once

#include "physics/world/world.h"

namespace phys {

// One segment test's result; depth 0 means no hit.
struct SensorHit {
  float depth = 0.0f;
  Vec3 normal;
  Vec3 point;
  int32_t material = 0;
};

// One world-space segment (start + t * vector, 0 <= t <= 1, of length `length`) against one
// geometry placed at `world`. Boxes keep the entry point; triangle lists the last triangle hit.
// Writes `hit` only on a hit; the point and normal are world coordinates.
void SensorVsGeometry(SensorHit* hit, const TConvex& geometry, const Transform& world, const Vec3& start,
                      const Vec3& vector, float length);

// Tests every sensor of body `a` (pose `ta`) against every geometry of `b` (pose `tb`); a sensor
// keeps its deepest hit of the step, recording `detected` (null for the terrain) as the body.
void TestSensors(RigidBodyBase& a, const Transform& ta, const RigidBodyBase& b, const Transform& tb,
                 RigidBodyBase* detected);

}  // namespace phys
