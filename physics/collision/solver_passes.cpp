// The three solver passes of a step: joint groups (with the stacks they touch), upkeep of the
// stacks, and the solve of every stack that is not wholly at rest.
#include "physics/world/simulator.h"

namespace phys {

namespace {

void EmptyPendingStacks(SimulatorImpl* sim) {
  GrowArray<void*>& pending = sim->stacksToSolve;
  for (size_t i = 0; i < pending.Count(); ++i) static_cast<StackHeader*>(pending[i])->queued = 0;
  pending.Clear();
}

template <class F>
void ForEachRigid(NodeList<RigidBodyImpl>& list, F f) {
  for (PoolNode<RigidBodyImpl>* n = list.head; n; n = n->next) f(&n->rec);
}

}  // namespace

void SimulatorImpl::SolverPasses() {
  for (PoolNode<StackHeader>* n = stackList.head; n; n = n->next) n->rec.checked = 0;
  SolveConstraintSets();
  ProcessStacks();
  SolveRestingStacks();
}

void SimulatorImpl::SolveConstraintSets() {
  // Joint groups are solved here once joints exist; a stack queued without one is dropped.
  if (constraintSetPool.UsedCount() == 0) {
    EmptyPendingStacks(this);
    return;
  }
  solveGroups.Clear();
  ClearActiveStacks();
  jointRows.Clear();
  stackContacts.Clear();
  motorDriving = false;
  float tolerance = -1.0f;
  int32_t iterations = -1;
  PreparePendingStacks(&tolerance, &iterations);
  if (activeStacks.members.Count() > 0) {
    SolveSet(tolerance, iterations);
    TryRestGroups();
  }
  EmptyPendingStacks(this);
  ClearActiveStacks();
}

void SimulatorImpl::PreparePendingStacks(float*, int32_t*) {
  for (size_t i = 0; i < stacksToSolve.Count(); ++i) static_cast<StackHeader*>(stacksToSolve[i])->ActivateMembers();
}

void SimulatorImpl::TryRestGroups() {
  // A joint group rests only when no motor drives it and its members have stayed still.
  bool all = !motorDriving && activeStacks.AllPassRestSnapshot();
  for (size_t g = 0; g < solveGroups.Count() && all; ++g) {
    all = solveGroups[g]->AllPassRestSnapshot() && solveGroups[g]->AllStillThroughRestWindow();
  }
  if (all) {
    for (size_t g = 0; g < solveGroups.Count(); ++g) solveGroups[g]->PutMembersToRest(false);
    activeStacks.PutMembersToRest(false);
    return;
  }
  for (size_t g = 0; g < solveGroups.Count(); ++g) solveGroups[g]->ClearRestFlags();
  activeStacks.ClearRestFlags();
}

void SimulatorImpl::ProcessStacks() {
  // Stacks with an awake or pushed member.
  GrowArray<void*>& awake = pointerArray;
  awake.Clear();
  for (PoolNode<StackHeader>* n = stackList.head; n; n = n->next) {
    StackHeader& h = n->rec;
    h.checked = 1;
    for (StackInfo* m = h.first; m; m = m->next) {
      if (m->body->restState != 1 || m->body->pushedLastStep) {
        h.checked = 0;
        break;
      }
    }
    if (!h.checked) awake.Push(&h);
  }

  auto validate = [this](RigidBodyImpl* b) {
    if (!b->stackInfo || b->stackInfo->loose) return;
    const int left = b->ValidateRestContacts();
    b->pushedLastStep = 0;
    if (left == 0 && b->stackInfo->header == &defaultStackList) b->ReleaseStackInfo();
    if (left <= 1 && b->restState == 1 && !b->constraintSet) b->WakeUp();
  };
  ForEachRigid(activeRigid, validate);
  ForEachRigid(particles, validate);

  // Each stack is regrouped on one step in five, spread by its place in the array.
  const size_t turn = static_cast<size_t>(static_cast<uint32_t>(advanceCount) % 5u);
  for (size_t i = 0; i < awake.Count(); ++i) {
    StackHeader* h = static_cast<StackHeader*>(awake[i]);
    // A stack merged away by an earlier regroup of this pass has gone back to its pool.
    if (!stackHeaderPool.UsedNodeAt(h)) continue;
    if (i % 5 != turn || h->checked != 0) continue;
    h->Regroup();
    FreeStackHeader(h);
  }
  awake.Clear();
  for (PoolNode<StackHeader>* n = stackList.head; n;) {
    PoolNode<StackHeader>* next = n->next;
    if (n->rec.count == 0) FreeStackHeader(&n->rec);
    n = next;
  }
}

void SimulatorImpl::SolveRestingStacks() {
  stackContacts.Clear();
  solverPhase = 1;
  lastSweep = false;
  for (StackInfo* m = defaultStackList.first; m; m = m->next) {
    RigidBodyImpl* b = m->body;
    if (b->restState == 1 || !b->stackSolveAllowed || !b->active) continue;
    b->SolveStack(false);
    for (size_t i = 0; i < stackContacts.Count(); ++i) {
      ConstraintItem& row = stackContacts[i];
      ApplyContactItemImpulse(this, row.bodyA, row.bodyB, row, 2, 1.0f);
    }
    stackContacts.Clear();
    if (b->CheckRestSnapshot() && b->TestRestContactPoints() && b->TestRestingContacts() != 0) b->PutToRest();
  }

  // A stack of one is no stack: its member rests outside any stack or loses its record.
  for (PoolNode<StackHeader>* n = stackList.head; n;) {
    PoolNode<StackHeader>* next = n->next;
    StackHeader* h = &n->rec;
    if (h->count < 2) {
      if (StackInfo* m = h->first) {
        h->RemoveMember(m);
        if (!m->loose) {
          defaultStackList.AddMember(m);
        } else {
          FreeStackInfo(m);
        }
      }
      FreeStackHeader(h);
    }
    n = next;
  }

  for (PoolNode<StackHeader>* n = stackList.head; n; n = n->next) {
    StackHeader* h = &n->rec;
    if (h->checked != 0 || h->queued != 0) continue;
    EmptyPendingStacks(this);
    solveGroups.Clear();
    ClearActiveStacks();
    stackContacts.Clear();
    h->ActivateMembers();
    Mark(kSlotStack);
    SolveSet(-1.0f, 2);
    Mark(kSlotSolver);
    if (activeStacks.AllPassRestSnapshot()) activeStacks.PutMembersToRest(true);
  }
  ClearActiveStacks();
  stackContacts.Clear();
}

}  // namespace phys
