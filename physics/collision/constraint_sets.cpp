// Constraint sets: the groups of joint-connected bodies and their joints, how joints join and
// merge them, how bodies and joints leave them, and the per-step passes over their joints
// (damping, the group solve, controllers).
#include "physics/collision/joints.h"
#include "physics/world/simulator.h"

namespace phys {

namespace {

void AppendJoint(ConstraintHeader* set, JointImpl* j) {
  j->setNext = nullptr;
  j->setPrev = set->lastJoint;
  if (set->lastJoint) {
    set->lastJoint->setNext = j;
  } else {
    set->firstJoint = j;
  }
  set->lastJoint = j;
  j->set = set;
  set->flags |= 1;
}

void AppendBody(ConstraintHeader* set, RigidBodyBase* b) {
  b->setNext = nullptr;
  b->setPrev = set->lastBody;
  if (set->lastBody) {
    set->lastBody->setNext = b;
  } else {
    set->firstBody = b;
  }
  set->lastBody = b;
  b->constraintSet = set;
  ++set->bodyCount;
}

ConstraintHeader* NewSet(SimulatorImpl* sim) {
  ConstraintHeader* set = sim->AllocConstraintHeader();
  if (!set) return nullptr;
  sim->constraintSets.Append(sim->constraintSetPool.UsedNodeAt(set));
  return set;
}

// Returns an emptied set to the pool.
void FreeSet(SimulatorImpl* sim, ConstraintHeader* set) {
  PoolNode<ConstraintHeader>* n = sim->constraintSetPool.UsedNodeAt(set);
  if (!n) return;
  for (JointImpl* j = set->firstJoint; j;) {
    JointImpl* next = j->setNext;
    j->set = nullptr;
    j->setNext = j->setPrev = nullptr;
    j = next;
  }
  for (RigidBodyBase* b = set->firstBody; b;) {
    RigidBodyBase* next = b->setNext;
    b->constraintSet = nullptr;
    b->setNext = b->setPrev = nullptr;
    b = next;
  }
  sim->constraintSets.Remove(n);
  sim->constraintSetPool.Give(n);
}

}  // namespace

void JointImpl::AddToConstraintSet() {
  SimulatorImpl* sim = ownerSimulator;
  ConstraintHeader* sa = bodyA->constraintSet;
  ConstraintHeader* sb = bodyB ? bodyB->constraintSet : nullptr;
  ConstraintHeader* result = nullptr;
  if (!bodyB) {
    if (!sa && !(sa = NewSet(sim))) return;
    if (!bodyA->constraintSet) AppendBody(sa, bodyA);
    AppendJoint(sa, this);
    result = sa;
  } else if (sb) {
    if (!sa) {
      AppendBody(sb, bodyA);
      AppendJoint(sb, this);
      result = sb;
    } else if (sa == sb) {
      AppendJoint(sa, this);
      result = sa;
    } else {
      // The two sets merge into A's: this joint, then B's joints, then B's bodies.
      AppendJoint(sa, this);
      for (JointImpl* j = sb->firstJoint; j;) {
        JointImpl* next = j->setNext;
        AppendJoint(sa, j);
        j = next;
      }
      for (RigidBodyBase* b = sb->firstBody; b;) {
        RigidBodyBase* next = b->setNext;
        AppendBody(sa, b);
        b = next;
      }
      sb->firstJoint = sb->lastJoint = nullptr;
      sb->firstBody = sb->lastBody = nullptr;
      sb->bodyCount = 0;
      FreeSet(sim, sb);
      result = sa;
    }
  } else {
    if (sa) {
      AppendJoint(sa, this);
      AppendBody(sa, bodyB);
      result = sa;
    } else {
      ConstraintHeader* set = NewSet(sim);
      if (!set) return;
      AppendJoint(set, this);
      AppendBody(set, bodyA);
      AppendBody(set, bodyB);
      result = set;
    }
  }
  result->flags |= 1;
}

void RemoveJointFromSet(JointImpl* j) {
  ConstraintHeader* set = j->set;
  if (!set) return;
  if (j->setPrev) {
    j->setPrev->setNext = j->setNext;
  } else {
    set->firstJoint = j->setNext;
  }
  if (j->setNext) {
    j->setNext->setPrev = j->setPrev;
  } else {
    set->lastJoint = j->setPrev;
  }
  j->setNext = j->setPrev = nullptr;
  j->set = nullptr;
  set->state = 2;
}

void RegroupConstraintSet(SimulatorImpl* sim, ConstraintHeader* set) {
  if (!sim->constraintSetPool.UsedNodeAt(set)) return;
  // Empty the set and give it back, keeping its joint chain; then every joint joins again in its
  // old order, so that the bodies still joined share a set and a body left without a joint is in
  // none.
  JointImpl* chain = set->firstJoint;
  set->firstJoint = set->lastJoint = nullptr;
  for (RigidBodyBase* b = set->firstBody; b;) {
    RigidBodyBase* next = b->setNext;
    b->constraintSet = nullptr;
    b->setNext = b->setPrev = nullptr;
    b = next;
  }
  set->firstBody = set->lastBody = nullptr;
  set->bodyCount = 0;
  FreeSet(sim, set);
  for (JointImpl* j = chain; j;) {
    JointImpl* next = j->setNext;
    j->set = nullptr;
    j->setNext = j->setPrev = nullptr;
    if (j->bodyA) j->AddToConstraintSet();
    j = next;
  }
}

void RigidBodyBase::LeaveConstraintSet() {
  ConstraintHeader* set = constraintSet;
  if (!set) return;
  if (setPrev) {
    setPrev->setNext = setNext;
  } else {
    set->firstBody = setNext;
  }
  if (setNext) {
    setNext->setPrev = setPrev;
  } else {
    set->lastBody = setPrev;
  }
  setNext = setPrev = nullptr;
  constraintSet = nullptr;
  set->state = 2;
  if (--set->bodyCount <= 0) FreeSet(sim, set);
}

void RigidBodyImpl::WakeUpStack() {
  if (!constraintSet) {
    WakeUp();
    return;
  }
  for (RigidBodyBase* b = constraintSet->firstBody; b; b = b->setNext) {
    if (RigidBodyImpl* r = b->AsRigid()) r->WakeUp();
  }
}

void PrepareConstraintSet(ConstraintHeader& header, float* tolerance, int32_t* iterations) {
  for (JointImpl* j = header.firstJoint; j; j = j->setNext) {
    if (!j->enabled || !j->bodyA) continue;
    j->UpdateWorldFrames();
    j->UpdateWorldAnchors();
    j->EmitRows();
    if (*tolerance == -1.0f || (j->tolerance > 0.0f && j->tolerance < *tolerance)) *tolerance = j->tolerance;
    if (j->iterations > *iterations) *iterations = j->iterations;
  }
  header.prepared = 1;
  header.state = 0;
}

void QueueStacksOfJoint(JointImpl* j) {
  if (RigidBodyImpl* a = RigidOf(j->bodyA); a && a->stackInfo) a->QueueStackSolve();
  if (RigidBodyImpl* b = RigidOf(j->bodyB); b && b->stackInfo) b->QueueStackSolve();
}

void SimulatorImpl::DampJoints() {
  for (PoolNode<ConstraintHeader>* n = constraintSets.head; n; n = n->next) {
    for (JointImpl* j = n->rec.firstJoint; j; j = j->setNext) {
      if (j->enabled && j->bodyA) j->ApplyDamping();
    }
  }
}

void SimulatorImpl::RunJointControllers() {
  // Bodies whose position update was skipped (resting) restart their controller sums first.
  for (PoolNode<ConstraintHeader>* n = constraintSets.head; n; n = n->next) {
    for (JointImpl* j = n->rec.firstJoint; j; j = j->setNext) {
      if (!j->enabled || !j->controllers) continue;
      RigidBodyImpl* bodies[2] = {RigidOf(j->bodyA), RigidOf(j->bodyB)};
      for (RigidBodyImpl* b : bodies) {
        if (b && b->restState == 1) RestartControllerSums(b);
      }
    }
  }
  for (PoolNode<ConstraintHeader>* n = constraintSets.head; n; n = n->next) {
    for (JointImpl* j = n->rec.firstJoint; j; j = j->setNext) {
      if (j->enabled && j->bodyA) j->UpdateControllers();
    }
  }
}

// Adds the active rigid members of a set to the joint group of the current solve (an inactive
// member is no part of the solve: the rows hold the others to it where it stopped).
void SimulatorImpl::GatherJointGroup(ConstraintHeader& set) {
  for (RigidBodyBase* b = set.firstBody; b; b = b->setNext) {
    if (RigidBodyImpl* r = RigidOf(JointSide(b))) jointGroup.members.Push(r);
  }
}

namespace {

void EmptyQueuedStacks(SimulatorImpl* sim) {
  for (size_t i = 0; i < sim->stacksToSolve.Count(); ++i) static_cast<StackHeader*>(sim->stacksToSolve[i])->queued = 0;
  sim->stacksToSolve.Clear();
}

}  // namespace

void SimulatorImpl::SolveJointGroups() {
  if (!constraintSets.head) return;
  for (PoolNode<ConstraintHeader>* n = constraintSets.head; n; n = n->next) n->rec.prepared = 0;
  for (PoolNode<ConstraintHeader>* n = constraintSets.head; n; n = n->next) {
    ConstraintHeader& set = n->rec;
    if (set.prepared) continue;
    EmptyQueuedStacks(this);
    solveGroups.Clear();
    ClearActiveStacks();
    jointRows.Clear();
    stackContacts.Clear();
    jointGroup.Clear();
    motorDriving = false;
    int awake = 0;
    for (RigidBodyBase* b = set.firstBody; b; b = b->setNext) {
      if (RigidBodyImpl* r = RigidOf(JointSide(b)); r && r->restState != 1) ++awake;
    }
    if (awake == 0) continue;
    // All the joint groups of one solve share one member list: their members are solved, tested
    // for rest and put to rest together.
    solveGroups.Push(&jointGroup);
    GatherJointGroup(set);
    float tolerance = -1.0f;
    int32_t iterations = -1;
    PrepareConstraintSet(set, &tolerance, &iterations);
    // The stacks the joints touch join the solve, and with them every joint group they touch.
    for (size_t i = 0; i < stacksToSolve.Count(); ++i) {
      StackHeader* stack = static_cast<StackHeader*>(stacksToSolve[i]);
      stack->ActivateMembers();
      for (StackInfo* m = stack->first; m; m = m->next) {
        ConstraintHeader* other = m->body->constraintSet;
        if (!other || other->prepared) continue;
        PrepareConstraintSet(*other, &tolerance, &iterations);
        GatherJointGroup(*other);
      }
    }
    SolveSet(tolerance, iterations);
    TryRestGroups();
  }
  EmptyQueuedStacks(this);
  ClearActiveStacks();
  jointGroup.Clear();
  solveGroups.Clear();
}

}  // namespace phys
