// Controllers of joints: user callbacks that run every few steps and leave forces and torques
// that are applied to the joint's bodies every step.
#include "physics/collision/joints.h"
#include "physics/world/simulator.h"

namespace phys {

namespace {

ControllerImpl* Rec(PoolNode<ControllerImpl>* n) { return n ? &n->rec : nullptr; }

bool IsSet(const Vec3& v) { return IsFiniteVec(v); }

}  // namespace

ControllerImpl* JointImpl::AddController(ControllerCallback* callback, int32_t period) {
  if (!callback) return nullptr;
  SimulatorImpl* sim = ownerSimulator;
  PoolNode<ControllerImpl>* n = sim->controllerPool.Take();
  if (!n) {
    sim->Log("Run out of Controllers. Increase 'constraintSetsCount'.\n");
    return nullptr;
  }
  // The first controller heads the list; later ones go right after it.
  if (!controllers) {
    n->next = n->prev = nullptr;
    controllers = n;
  } else {
    n->prev = controllers;
    n->next = controllers->next;
    if (controllers->next) controllers->next->prev = n;
    controllers->next = n;
  }
  ControllerImpl& c = n->rec;
  c.period = period;
  c.countdown = period;
  c.jointCallback = callback;
  c.joint = this;
  c.bodyCallback = nullptr;
  c.body = nullptr;
  c.forceA.SetZero();
  c.torqueA.SetZero();
  c.forceB.SetZero();
  c.torqueB.SetZero();
  return &c;
}

bool JointImpl::RemoveController(ControllerImpl* controller) {
  PoolNode<ControllerImpl>* found = nullptr;
  for (PoolNode<ControllerImpl>* n = controllers; n && !found; n = n->next) {
    if (&n->rec == controller) found = n;
  }
  if (!found) return false;
  if (controllerIterator == found) controllerIterator = found->next;
  if (found->prev) {
    found->prev->next = found->next;
  } else {
    controllers = found->next;
  }
  if (found->next) found->next->prev = found->prev;
  found->next = found->prev = nullptr;
  ownerSimulator->controllerPool.Give(found);
  return true;
}

ControllerImpl* JointImpl::GetNextController() {
  PoolNode<ControllerImpl>* n = controllerIterator;
  if (!n) return nullptr;
  controllerIterator = n->next;
  return Rec(n);
}

void JointImpl::ReleaseControllers() {
  while (controllers) {
    PoolNode<ControllerImpl>* n = controllers;
    controllers = n->next;
    n->next = n->prev = nullptr;
    ownerSimulator->controllerPool.Give(n);
  }
  controllerIterator = nullptr;
}

SimulatorImpl* ControllerImpl::OwnerSimulator() const {
  return body ? body->sim : static_cast<const JointImpl*>(joint)->ownerSimulator;
}

void JointImpl::UpdateControllers() {
  RigidBodyImpl* a = RigidOf(JointSide(bodyA));
  RigidBodyImpl* b = RigidOf(JointSide(bodyB));
  for (PoolNode<ControllerImpl>* n = controllers; n; n = n->next) {
    ControllerImpl& c = n->rec;
    if (c.countdown <= 0) {
      if (c.jointCallback) c.jointCallback->Run(&c, ownerSimulator->stepTime);
      c.countdown = c.period;
    } else {
      --c.countdown;
    }
    // The stored force and torque act once per step: they join the controller sums of the
    // bodies, which the next velocity update applies.
    if (a && IsSet(c.forceA) && IsSet(c.torqueA)) {
      a->controllerForce += c.forceA;
      a->controllerTorque += c.torqueA;
    }
    if (b && IsSet(c.forceB) && IsSet(c.torqueB)) {
      b->controllerForce += c.forceB;
      b->controllerTorque += c.torqueB;
    }
  }
}

// A body whose position update was skipped this step still holds last step's controller sums:
// they start again from its own controllers' stored values before the joints add theirs.
void RestartControllerSums(RigidBodyImpl* body) {
  body->controllerForce.SetZero();
  body->controllerTorque.SetZero();
  for (PoolNode<ControllerImpl>* n = body->controllers.head; n; n = n->next) {
    body->controllerForce += n->rec.forceA;
    body->controllerTorque += n->rec.torqueA;
  }
}

}  // namespace phys

// ---- public interface ----

namespace {
phys::JointImpl* J(Joint* j) { return static_cast<phys::JointImpl*>(j); }
}  // namespace

Controller* Joint::AddController(ControllerCallback* callback, int period) { return J(this)->AddController(callback, period); }
bool Joint::RemoveController(Controller* controller) {
  return controller && J(this)->RemoveController(phys::Impl(controller));
}
void Joint::BeginIterateController() { J(this)->BeginIterateController(); }
Controller* Joint::GetNextController() { return J(this)->GetNextController(); }

// Forces that are not finite are refused (logged): the controller keeps its values.
void Controller::SetJointForceA(const Vec3& force) {
  REFUSE_NONFINITE(phys::Impl(this)->OwnerSimulator(), "Controller::SetJointForceA", phys::IsFiniteVec(force));
  phys::Impl(this)->forceA = force;
}
Vec3 Controller::GetJointForceA() const { return phys::Impl(this)->forceA; }
Vec3 Controller::GetJointTorqueA() const { return phys::Impl(this)->torqueA; }
void Controller::SetJointForceB(const Vec3& force) {
  REFUSE_NONFINITE(phys::Impl(this)->OwnerSimulator(), "Controller::SetJointForceB", phys::IsFiniteVec(force));
  phys::Impl(this)->forceB = force;
}
Vec3 Controller::GetJointForceB() const { return phys::Impl(this)->forceB; }
Vec3 Controller::GetJointTorqueB() const { return phys::Impl(this)->torqueB; }
void Controller::SetJointForceBAtPos(const Vec3& force, const Vec3& pos) {
  REFUSE_NONFINITE(phys::Impl(this)->OwnerSimulator(), "Controller::SetJointForceBAtPos", phys::IsFiniteVec(force) && phys::IsFiniteVec(pos));
  phys::ControllerImpl* c = phys::Impl(this);
  c->forceB = force;
  const phys::JointImpl* j = static_cast<const phys::JointImpl*>(c->joint);
  if (j && j->bodyB && j->bodyB->kind == 1) {
    c->torqueB = Vec3Cross(pos - j->bodyB->CurrentTransform().position, force);
    c->torqueB.w = 0.0f;
  }
}
