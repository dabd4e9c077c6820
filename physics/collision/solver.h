// Contact impulses.
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

struct SimulatorImpl;

// Mode 1: a contact found by the collision or terrain pass, solved once. Mode 2: a stack contact.
void ApplyContactItemImpulse(SimulatorImpl* sim, RigidBodyBase* a, RigidBodyBase* b, ConstraintItem& item, int mode,
                             float scale);
// The contact impulse in the contact frame (tangent1, tangent2, normal).
Vec3 ComputeContactImpulse(const SimulatorImpl* sim, const ConstraintItem& item, bool resting);

}  // namespace phys
