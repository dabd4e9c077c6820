// Contact impulses and the sequential impulse solver.
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

struct SimulatorImpl;

// Mode 1: a contact found by the collision or terrain pass, solved once. Mode 2: a stack contact.
void ApplyContactItemImpulse(SimulatorImpl* sim, RigidBodyBase* a, RigidBodyBase* b, ConstraintItem& item, int mode,
                             float scale);
// The contact impulse in the contact frame (tangent1, tangent2, normal).
Vec3 ComputeContactImpulse(const SimulatorImpl* sim, const ConstraintItem& item, bool resting);
// Relative velocity of the item's kind and its impulse.
void DispatchConstraintImpulse(SimulatorImpl* sim, ConstraintItem& item);

// Bodies solved together (a joint group or a stack).
struct StackGroup {
  GrowArray<RigidBodyImpl*> members;

  void ApplyCorrections();
  bool AllPassRestSnapshot() const;
  bool AllStillThroughRestWindow() const;
  void PutMembersToRest(bool testContacts);
  void ClearRestFlags();
  void Clear() { members.Clear(); }
};

// Solver tuning, writable.
struct SolverSettings {
  float contactSlopFactor = 0.001f;
  float jointBiasFactor = 0.5f;
  float contactBiasFactor = 0.5f;
  float limitBiasFactor = 0.5f;
};
extern SolverSettings solverSettings;

}  // namespace phys
