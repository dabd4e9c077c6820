// Contact impulses.
#include "physics/collision/solver.h"

#include "physics/world/simulator.h"

namespace phys {

void ConstraintItem::Setup(bool, bool) {}
int32_t ConstraintItem::IsResting() { return 0; }
void BuildFrameFromNormal(Vec3* t1, Vec3* t2, const Vec3*) {
  t1->SetZero();
  t2->SetZero();
}
void ApplyContactItemImpulse(SimulatorImpl*, RigidBodyBase*, RigidBodyBase*, ConstraintItem&, int, float) {}
Vec3 ComputeContactImpulse(const SimulatorImpl*, const ConstraintItem&, bool) { return Vec3(); }

}  // namespace phys
