// Stand-ins for rest detection, stacking and the solver passes over joint groups and stacks.
// Until those exist, a resting contact pushes its body out of the surface it rests on, and no body
// is ever put to sleep by the step.
#include "physics/world/simulator.h"

namespace phys {

void SimulatorImpl::JoinStacks(RigidBodyImpl* body, const RestContact& contact, ConstraintItem* row) {
  body->StoreRestContact(contact);
  if (row->depth > 0.0f && std::isfinite(row->depth)) {
    body->pose.position += row->normal * row->depth;
    body->pose.position.w = 1.0f;
  }
}

void SimulatorImpl::SolverPasses() {}

void SimulatorImpl::CheckForRest(RigidBodyImpl*) {}

bool StackGroup::AllPassRestSnapshot() const { return false; }

// Without the contact-point test only an unconditional request puts members to rest.
void StackGroup::PutMembersToRest(bool testContacts) {
  if (testContacts) return;
  for (size_t i = 0; i < members.Count(); ++i) members[i]->PutToRest();
}

}  // namespace phys
