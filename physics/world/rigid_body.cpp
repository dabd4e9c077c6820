// Rigid bodies: mass properties, waking and rest, integration, forces and controllers, contact
// impulses and the resting-contact slots.
#include <algorithm>

#include "physics/collision/joints.h"
#include "physics/world/simulator.h"

namespace phys {

void RigidBodyImpl::RecomputeAngular() {
  angularVelocity = Mat3TransformColumn(worldInverseInertia, angularMomentum);
  quatRate = QuatMultiply(Quat(0.5f * angularVelocity.x, 0.5f * angularVelocity.y, 0.5f * angularVelocity.z, 0.0f),
                          orientation);
}

void RigidBodyImpl::SetAngularMomentum(const Vec3& L) {
  angularMomentum = L;
  RecomputeAngular();
}

void RigidBodyImpl::SaveRestSnapshot() {
  snapPosition = pose.position;
  snapOrientation = orientation;
  snapVelocity = velocity;
  snapAngularVelocity = angularVelocity;
  stepsSinceSnapshot = 0;
}

void RigidBodyImpl::WakeUp() {
  restState = 0;
  restCounter = 0;
  SaveRestSnapshot();
}

void RigidBodyImpl::PutToRest() {
  restState = 1;
  velocity.SetZero();
  angularVelocity.SetZero();
  quatRate = Quat(0, 0, 0, 0);
  angularMomentum.SetZero();
  ClearVelocityHistory();
  for (int i = 0; i < 10; ++i) {
    velocityChange[i].SetZero();
    angularChange[i].SetZero();
  }
}

void RigidBodyImpl::SetMass(float m) {
  if (!(m > 0.0f) || !std::isfinite(m)) return;
  mass = m;
  inverseMass = 1.0f / m;
}

void RigidBodyImpl::SetInertiaTensor(const Mat3& tensor) {
  inertia = tensor;
  InvertMat3(tensor, &inverseInertia);
  worldInverseInertia = RotateTensor(pose.rotation, inverseInertia);
}

void RigidBodyImpl::SetRotation(const Mat3& rotation) {
  orientation = QuatFromMat3(rotation);
  QuatNormalize(&orientation);
  pose.rotation = orientation.ToMat3();
  worldInverseInertia = RotateTensor(pose.rotation, inverseInertia);
  RecomputeAngular();
}

void RigidBodyImpl::UpdateMassProperties() {
  if (geometries.count == 0) return;
  float total = 0.0f;
  Mat3 tensor;
  Vec3 weighted;
  auto add = [&](const TConvex& g) {
    const float density = sim->MaterialOrDefault(g.materialIndex).density;
    float m = 0.0f;
    const Mat3 t = GeometryMassProperties(g, density, m);
    total += m;
    for (int r = 0; r < 3; ++r) tensor.row[r] += t.row[r];
    weighted += g.transform.position * m;
  };
  if (geometries.count == 1) {
    add(holder);
  } else {
    for (PoolNode<TConvex>* n = geometries.head; n; n = n->next) add(n->rec);
  }
  // A world of massless materials keeps the body's mass and inertia as they were.
  if (!(total >= 1e-6f) || !std::isfinite(total)) return;
  mass = total;
  inverseMass = 1.0f / total;
  const Vec3 centre = weighted * (1.0f / total);
  ShiftInertia(tensor, centre, total, -1.0f);
  inertia = tensor;
  InvertMat3(tensor, &inverseInertia);
  worldInverseInertia = RotateTensor(pose.rotation, inverseInertia);
}

ControllerImpl* RigidBodyImpl::AddController(ControllerCallback* callback, int p) {
  PoolNode<ControllerImpl>* n = sim->controllerPool.Take();
  if (!n) {
    sim->Log("Run out of Controllers. Increase 'constraintSetsCount'.\n");
    return nullptr;
  }
  controllers.Append(n);
  n->rec.body = this;
  n->rec.bodyCallback = callback;
  n->rec.period = p;
  n->rec.countdown = p;
  return &n->rec;
}

bool RigidBodyImpl::RemoveController(ControllerImpl* controller) {
  PoolNode<ControllerImpl>* n = sim->controllerPool.UsedNodeAt(controller);
  if (!n || !controllers.Contains(n)) return false;
  if (controllerIter == n) controllerIter = n->next;
  controllers.Remove(n);
  sim->controllerPool.Give(n);
  return true;
}

void RigidBodyImpl::UpdateVelocity(float dt) {
  ++stepsSinceSnapshot;
  linearCorrection.SetZero();
  angularCorrection.SetZero();
  linearCorrectionCount = 0;
  angularCorrectionCount = 0;
  if (restState == 1) {
    const bool pushed = std::fabs(controllerForce.x) >= 1e-6f || std::fabs(controllerForce.y) >= 1e-6f ||
                        std::fabs(controllerForce.z) >= 1e-6f || std::fabs(controllerTorque.x) >= 1e-6f ||
                        std::fabs(controllerTorque.y) >= 1e-6f || std::fabs(controllerTorque.z) >= 1e-6f;
    if (pushed) {
      restState = 0;
      restCounter = 0;
      SaveRestSnapshot();
    }
    if (restState == 1 && ConfirmRest()) return;
  }
  const int h = static_cast<int>(static_cast<unsigned>(sim->advanceCount) % 10u);
  velocityChange[h].SetZero();
  angularChange[h].SetZero();
  totalForce += force + gravityForce + controllerForce;
  velocityChange[h] = totalForce * inverseMass * dt;
  acceleration = totalForce * inverseMass;
  velocity += acceleration * dt;
  velocity *= (1.0f - linearDamping);
  totalTorque += torque + controllerTorque;
  AngularUpdate(totalTorque, dt);
}

void RigidBodyImpl::AngularUpdate(const Vec3& T, float dt) {
  angularMomentum *= (1.0f - angularDamping);
  const float h = dt * 0.5f;
  const Vec3 halfL = angularMomentum + T * h;
  Quat q(orientation.x + h * quatRate.x, orientation.y + h * quatRate.y, orientation.z + h * quatRate.z,
         orientation.w + h * quatRate.w);
  QuatNormalize(&q);
  const Mat3 halfR = q.ToMat3();
  const Mat3 halfInverse = RotateTensor(halfR, inverseInertia);
  angularVelocity = Mat3TransformColumn(halfInverse, halfL);
  quatRate = QuatMultiply(Quat(0.5f * angularVelocity.x, 0.5f * angularVelocity.y, 0.5f * angularVelocity.z, 0.0f), q);
  stateIndex = 0;
  angularMomentum += T * dt;
}

void RigidBodyImpl::UpdatePosition(float dt) {
  Vec3 p = pose.position + velocity * dt + acceleration * (0.5f * dt * dt);
  smoothedDisplacement = smoothedDisplacement * 0.7f + (p - pose.position) * 0.3f;
  p.w = 1.0f;
  pose.position = p;
  angularVelocity = Mat3TransformColumn(worldInverseInertia, angularMomentum);
  quatRate = QuatMultiply(Quat(0.5f * angularVelocity.x, 0.5f * angularVelocity.y, 0.5f * angularVelocity.z, 0.0f),
                          orientation);
  orientation.x += dt * quatRate.x;
  orientation.y += dt * quatRate.y;
  orientation.z += dt * quatRate.z;
  orientation.w += dt * quatRate.w;
  QuatNormalize(&orientation);
  pose.rotation = orientation.ToMat3();
  worldInverseInertia = RotateTensor(pose.rotation, inverseInertia);
  ApplyForcesAndControllers();
  // The detections of this step stay readable until the next step resets them.
  const int h = static_cast<int>(static_cast<unsigned>(sim->advanceCount) % 10u);
  velocityHistory[h] = velocity;
  angularVelocityHistory[h] = angularVelocity;
}

void RigidBodyImpl::ApplyForcesAndControllers() {
  if (gravityEnabled && restState != 1) {
    gravityForce = sim->gravity * mass;
  } else {
    gravityForce.SetZero();
  }
  controllerForce.SetZero();
  controllerTorque.SetZero();
  for (PoolNode<ControllerImpl>* n = controllers.head; n; n = n->next) {
    ControllerImpl& c = n->rec;
    if (c.countdown <= 0) {
      if (c.bodyCallback) c.bodyCallback->Run(&c, sim->stepTime);
      c.countdown = c.period;
    } else {
      --c.countdown;
    }
    controllerForce += c.forceA;
    controllerTorque += c.torqueA;
  }
}

void RigidBodyImpl::ApplyContactImpulse(const Vec3& impulse, const Vec3& arm) {
  const int h = static_cast<int>(static_cast<unsigned>(sim->advanceCount) % 10u);
  const Vec3 dv = impulse * inverseMass;
  velocity += dv;
  velocityChange[h] += dv;
  const Vec3 dL = Vec3Cross(arm, impulse);
  angularMomentum += dL;
  angularChange[h] += Mat3TransformColumn(worldInverseInertia, dL);
  RecomputeAngular();
}

void RigidBodyImpl::ApplyVelocityCorrection() {
  if (linearCorrectionCount > 0) velocity += linearCorrection * (1.0f / static_cast<float>(linearCorrectionCount));
  linearCorrection.SetZero();
  linearCorrectionCount = 0;
}

void RigidBodyImpl::ApplyAngularCorrection() {
  if (angularCorrectionCount > 0) {
    angularMomentum += angularCorrection * (1.0f / static_cast<float>(angularCorrectionCount));
    RecomputeAngular();
  }
  angularCorrection.SetZero();
  angularCorrectionCount = 0;
}

void RigidBodyImpl::RemoveAngularMomentumAlong(const Vec3& direction, const Vec3& added) {
  angularMomentum = ProjectOntoPlane(angularMomentum, direction) + added;
  RecomputeAngular();
}

void RigidBodyImpl::ClearVelocityHistory() {
  for (int i = 0; i < 10; ++i) {
    velocityHistory[i].SetZero();
    angularVelocityHistory[i].SetZero();
  }
}

// ---- resting contacts ----

void RestContact::Set(int32_t k, const Vec3& pointA, const Vec3& pointB, const Vec3& n, int32_t a, int32_t b) {
  kind = k;
  pointOnThis = pointA;
  pointOnOther = pointB;
  normal = n;
  idA = a;
  idB = b;
}

void RestContact::Set(const ConstraintItem& contact) {
  RigidBodyBase* b = contact.bodyB;
  const bool terrain = b && b->sim && b == &b->sim->terrainBody;
  const Vec3 localNormal = b ? Mat3TransformColumn(b->CurrentTransform().rotation, contact.normal) : contact.normal;
  Set(terrain ? 3 : 1, contact.localPointA, contact.localPointB, localNormal, contact.materialA, contact.materialB);
  other = b;
  depth = contact.depth;
}

void RestContact::Unlink() {
  if (other && (listPrev || other->restingOnMe == this)) {
    if (listPrev) {
      listPrev->listNext = listNext;
    } else {
      other->restingOnMe = listNext;
    }
    if (listNext) listNext->listPrev = listPrev;
    --other->restingOnMeCount;
  }
  listNext = listPrev = nullptr;
  kind = 0;
  other = nullptr;
}

bool RestContact::IsOtherResting() const {
  if (kind == 3) return true;
  if (!other) return false;
  if (other->kind == 1) return static_cast<const RigidBodyImpl*>(other)->restState == 1;
  return static_cast<const AnimatedBodyImpl*>(other)->moved == 0;
}

bool RestContact::IsOtherValid(const SimulatorImpl* s) const {
  if (kind == 3) return true;
  return other && s->IsBodyInUse(other) && other->active != 0;
}

Vec3 RestContact::GetOtherWorldPoint() const {
  if (!other) return pointOnOther;
  return other->CurrentTransform().Apply(pointOnOther);
}

Vec3 RestContact::GetOtherWorldNormal() const {
  if (kind == 3 || !other) return normal;
  return Mat3TransformRow(normal, other->CurrentTransform().rotation);
}

void RigidBodyImpl::StoreRestContact(const RestContact& contact) {
  RestContact* slot = nullptr;
  for (RestContact& c : restContacts) {
    if (c.kind != 0 && (c.pointOnThis - contact.pointOnThis).LengthSquared() < 0.0025f) {
      slot = &c;
      break;
    }
  }
  if (!slot) {
    for (RestContact& c : restContacts) {
      if (c.kind == 0) slot = &c;
    }
  }
  // With every slot used, a sphere gives up the contact stored least deep. A body with corners
  // gives up the contact that is now least deep: on a face resting on a face that is the corner
  // the body has lifted off its support, and the three kept corners are those it leans on. (The
  // depth a contact had when it was stored is stale: the body has turned since.)
  if (!slot) {
    const bool corners = HasCorners();
    slot = &restContacts[0];
    float least = 0.0f;
    for (RestContact& c : restContacts) {
      const float depth =
          corners ? (c.GetOtherWorldPoint() - pose.Apply(c.pointOnThis)).Dot(c.GetOtherWorldNormal()) : c.depth;
      if (&c == slot || depth < least) {
        least = depth;
        slot = &c;
      }
    }
  }
  // A reused slot leaves the list it was in before it is refilled.
  slot->Unlink();
  *slot = contact;
  slot->listNext = slot->listPrev = nullptr;
  slot->owner = this;
  slot->stamp = sim->advanceCount;
  if (contact.kind != 3) slot->kind = (contact.other && contact.other->kind == 0) ? 2 : 1;
  if (slot->other) {
    slot->listNext = slot->other->restingOnMe;
    if (slot->listNext) slot->listNext->listPrev = slot;
    slot->other->restingOnMe = slot;
    ++slot->other->restingOnMeCount;
  }
}

void RigidBodyImpl::ReleaseLinks() {
  FreeJointsOfBody(this);
  LeaveConstraintSet();
  ReleaseGeometriesAndSensors();
  while (PoolNode<ControllerImpl>* c = controllers.head) {
    controllers.Remove(c);
    sim->controllerPool.Give(c);
  }
  controllerIter = nullptr;
  ReleaseStackInfo();
  // Resting contacts go in both directions: this body's own slots and the slots of bodies that
  // rest on it.
  for (RestContact& c : restContacts) c.Unlink();
  ReleaseRestingBodies();
}

}  // namespace phys
