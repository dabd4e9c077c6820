// Sequential impulse solver: the contact impulse with restitution and friction, the impulse of every
// row kind, and the solve of a set of rows.
#include "physics/collision/solver.h"

#include <algorithm>

#include "physics/world/simulator.h"

namespace phys {

SolverSettings solverSettings;

namespace {

RigidBodyImpl* Rigid(RigidBodyBase* b) { return (b && b->kind == 1) ? static_cast<RigidBodyImpl*>(b) : nullptr; }

Vec3 PointVelocity(const RigidBodyImpl* b, const Vec3& arm) {
  return b ? b->velocity + Vec3Cross(b->angularVelocity, arm) : Vec3();
}

// Linear impulse at an arm: velocity, angular momentum and angular velocity.
void Push(RigidBodyImpl* b, const Vec3& p, const Vec3& arm) {
  if (!b) return;
  b->velocity += p * b->inverseMass;
  b->angularMomentum += Vec3Cross(arm, p);
  b->RecomputeAngular();
}

// Angular impulse, also kept in the body's change history.
void Twist(SimulatorImpl* sim, RigidBodyImpl* b, const Vec3& dL) {
  if (!b) return;
  b->SetAngularMomentum(b->angularMomentum + dL);
  b->angularChange[static_cast<unsigned>(sim->advanceCount) % 10u] += dL;
}

bool Finite(const Vec3& v) { return IsFiniteVec(v); }

Vec3 ToWorld(const ConstraintItem& item, const Vec3& p) {
  return item.tangent1 * p.x + item.tangent2 * p.y + item.normal * p.z;
}

void RelativeVelocity(ConstraintItem& item) {
  item.relVelocity = PointVelocity(Rigid(item.bodyA), item.relPointA) - PointVelocity(Rigid(item.bodyB), item.relPointB);
}

void StackContactImpulse(SimulatorImpl* sim, ConstraintItem& item) {
  const SolverSettings& k = solverSettings;
  Vec3& v = item.localVelocity;
  Vec3 p;
  if (v.z < 0.0f) {
    p = ComputeContactImpulse(sim, item, sim->solverPhase != 0);
    v.z = 0.0f;
  }
  item.depth = std::min(item.depth, 0.05f);
  const float e = item.depth - k.contactSlopFactor * sim->gravityMagnitude;
  if (item.depth > 0.0f && e > 0.0f && sim->solverPhase != 0 && sim->stepTime > 0.0f) {
    const float target = k.contactBiasFactor * e / sim->stepTime;
    if (v.z < target) {
      const float push = target - k.contactBiasFactor * v.z;
      p += Vec3(item.invMassMatrix.row[0].z, item.invMassMatrix.row[1].z, item.invMassMatrix.row[2].z) * push;
    }
  }
  if (!Finite(p)) return;
  const Vec3 world = ToWorld(item, p);
  Push(Rigid(item.bodyA), world, item.relPointA);
  if (!sim->lastSweep) Push(Rigid(item.bodyB), -world, item.relPointB);
}

}  // namespace

Vec3 ComputeContactImpulse(const SimulatorImpl* sim, const ConstraintItem& item, bool resting) {
  const Material& ma = sim->MaterialOrDefault(item.materialA);
  const Material& mb = sim->MaterialOrDefault(item.materialB);
  const float mu = std::min(ma.friction, mb.friction);
  const float e = resting ? 0.0f : std::min(ma.restitution, mb.restitution);
  const Vec3& v = item.localVelocity;
  const Vec3 s = Mat3TransformColumn(item.invMassMatrix, v);
  const float knn = item.massMatrix.row[2].z;
  if (!(std::fabs(knn) > 0.0f)) return Vec3();
  const float jn = -v.z / knn;
  const Vec3 stick(-s.x, -s.y, -s.z + e * jn);
  if ((mu * stick.z) * (mu * stick.z) >= stick.x * stick.x + stick.y * stick.y) return stick;
  const Vec3 d(-s.x, -s.y, -s.z - jn);
  const float D = std::sqrt(s.x * s.x + s.y * s.y) - mu * d.z;
  // No point of the line meets the cone's edge (without friction: the sticking impulse has next to
  // no tangential part to drop). The pure normal impulse, at the line's start, still stops the
  // approach; dropping the whole impulse left a frictionless body resting on a contact that held
  // nothing up, falling faster on every step while its position was pushed back out.
  if (std::fabs(D) <= 1e-6f) return Vec3(0.0f, 0.0f, (1.0f + e) * jn);
  const float k = mu * (1.0f + e) * jn / D;
  return Vec3(0.0f, 0.0f, (1.0f + e) * jn) + d * k;
}

void ApplyContactItemImpulse(SimulatorImpl* sim, RigidBodyBase* a, RigidBodyBase* b, ConstraintItem& item, int mode,
                             float scale) {
  RigidBodyImpl* ra = Rigid(a);
  RigidBodyImpl* rb = Rigid(b);
  if (!ra && !rb) return;
  item.relVelocity = PointVelocity(ra, item.relPointA) - PointVelocity(rb, item.relPointB);
  item.localVelocity = Vec3(item.tangent1.Dot(item.relVelocity), item.tangent2.Dot(item.relVelocity),
                            item.normal.Dot(item.relVelocity));
  item.relSpeed = item.localVelocity.Length();
  if (mode == 2) {
    StackContactImpulse(sim, item);
    return;
  }
  if (item.localVelocity.z >= 0.0f) return;  // separating
  const Vec3 p = ComputeContactImpulse(sim, item, false);
  if (!Finite(p)) return;
  Vec3 world = ToWorld(item, p) * scale;
  if (!Finite(world)) return;
  if (sim->breakageCallback) {
    if (ra && item.geometryA && (item.geometryA->breakMode == 1 || item.geometryA->breakMode == 4)) {
      sim->HandleBreakage(a, item.geometryA, &item.worldPointA, &world);
    }
    if (rb && item.geometryB && (item.geometryB->breakMode == 1 || item.geometryB->breakMode == 4)) {
      Vec3 negated = -world;
      sim->HandleBreakage(b, item.geometryB, &item.worldPointB, &negated);
      world = -negated;
    }
  }
  if (ra) ra->ApplyContactImpulse(world, item.relPointA);
  if (rb) rb->ApplyContactImpulse(-world, item.relPointB);
}

void DispatchConstraintImpulse(SimulatorImpl* sim, ConstraintItem& item) {
  const SolverSettings& k = solverSettings;
  RigidBodyImpl* A = Rigid(item.bodyA);
  RigidBodyImpl* B = Rigid(item.bodyB);
  const float dt = sim->stepTime > 0.0f ? sim->stepTime : 1.0f;
  switch (item.kind) {
    case 2:
      RelativeVelocity(item);
      item.localVelocity = Mat3TransformRow(item.relVelocity, item.contactFrame);
      StackContactImpulse(sim, item);
      return;
    case 3:
    case 4: {
      RelativeVelocity(item);
      const Vec3& axis = item.worldPointB;  // the slide axis of a point-on-line row
      item.localVelocity = item.kind == 3 ? item.relVelocity : item.relVelocity - axis * axis.Dot(item.relVelocity);
      const Vec3 separation = item.worldPointA;
      const float length = item.kind == 3 ? item.depth : item.target;
      Vec3 p;
      const bool biased = length >= 1e-6f;
      if (biased) {
        Vec3 b = separation * k.jointBiasFactor;
        if (k.jointBiasFactor * length > 0.05f) b = separation * (0.05f / (k.jointBiasFactor * length));
        p = -Mat3TransformColumn(item.invMassMatrix, item.localVelocity * k.jointBiasFactor + b * (1.0f / dt));
        if (item.kind == 4) p -= axis * axis.Dot(p);
      } else {
        p = -Mat3TransformColumn(item.invMassMatrix, item.localVelocity);
      }
      if (!Finite(p)) return;
      Push(A, p, item.relPointA);
      Push(B, -p, item.relPointB);
      return;
    }
    case 5: {
      RelativeVelocity(item);
      const Vec3& axis = item.worldPointB;
      item.target = -item.relVelocity.Dot(axis);
      const float b = item.depth / dt * k.limitBiasFactor;
      if (!(item.target < b)) return;
      const Vec3 p = -Mat3TransformColumn(item.invMassMatrix, axis * (b - k.limitBiasFactor * item.target));
      if (!Finite(p)) return;
      Push(A, p, item.relPointA);
      if (!sim->lastSweep) Push(B, -p, item.relPointB);
      return;
    }
    case 6:
    case 7: {
      const Vec3& axisA = item.kind == 6 ? item.localPointB : item.localPointA;
      const Vec3& axisB = item.localPointB;
      item.relSpeed = (A ? A->angularVelocity.Dot(axisA) : 0.0f) - (B ? B->angularVelocity.Dot(axisB) : 0.0f);
      float bias;
      if (item.kind == 6) {
        if (item.depth == 0.0f) return;
        if (item.depth < 0.0f && !(item.relSpeed < 0.0f)) return;
        if (item.depth > 0.0f && !(item.relSpeed > 0.0f)) return;
        bias = k.limitBiasFactor * item.depth;
      } else {
        bias = std::min(0.1f, std::max(-0.1f, k.limitBiasFactor * item.depth));
        if (bias > 0.0f ? !(item.relSpeed > 0.0f) : !(item.relSpeed < 0.0f)) return;
      }
      const float lambda = -(bias / dt) - k.limitBiasFactor * item.relSpeed;
      const Vec3 dL = Mat3TransformColumn(item.invMassMatrix, axisB * lambda);
      if (!Finite(dL)) return;
      Twist(sim, A, dL);
      Twist(sim, B, -dL);
      return;
    }
    case 8: {
      // The motor's largest force bounds the impulse of the whole step, summed over the sweeps: the
      // row keeps what it has given so far in relVelocity.
      const float rel = (A ? A->angularVelocity.Dot(item.localPointA) : 0.0f) -
                        (B ? B->angularVelocity.Dot(item.localPointB) : 0.0f);
      Vec3 dL = Mat3TransformColumn(item.invMassMatrix, item.localPointA * (item.target - rel));
      if (item.depth >= 1e-6f) {
        Vec3 total = item.relVelocity + dL;
        const float len = total.Length();
        const float limit = item.depth * dt;
        if (len > limit) total *= limit / len;
        dL = total - item.relVelocity;
      }
      if (!Finite(dL)) return;
      item.relVelocity += dL;
      Twist(sim, A, dL);
      Twist(sim, B, -dL);
      return;
    }
    case 10: {
      // As kind 8: relSpeed keeps the impulse given so far in the step.
      const float rel = (A ? A->velocity.Dot(item.localPointA) : 0.0f) - (B ? B->velocity.Dot(item.localPointA) : 0.0f);
      const float limit = item.depth * dt;
      const float total =
          std::min(limit, std::max(-limit, item.relSpeed + (item.target - rel) * item.invMassMatrix.row[0].x));
      const float lambda = total - item.relSpeed;
      if (!std::isfinite(lambda)) return;
      item.relSpeed = total;
      if (A) A->velocity += item.localPointA * (lambda * A->inverseMass);
      if (B) B->velocity -= item.localPointA * (lambda * B->inverseMass);
      return;
    }
    default:
      return;
  }
}

void SimulatorImpl::SolveSet(float, int iterations) {
  solverPhase = 0;
  if (jointRows.Count() == 0 && stackContacts.Count() == 0) return;
  if (iterations == -1) iterations = 4;
  lastSweep = false;
  for (int phase = 0; phase < 2; ++phase) {
    solverPhase = phase;
    for (int s = 0; s < iterations; ++s) {
      if (phase == 1 && s == iterations - 1) lastSweep = true;
      for (size_t i = 0; i < jointRows.Count(); ++i) DispatchConstraintImpulse(this, jointRows[i]);
      for (size_t i = stackContacts.Count(); i-- > 0;) DispatchConstraintImpulse(this, stackContacts[i]);
      for (size_t g = 0; g < solveGroups.Count(); ++g) solveGroups[g]->ApplyCorrections();
      activeStacks.ApplyCorrections();
      if (phase == 1 && s == iterations - 2) {
        for (size_t i = 0; i < stackContacts.Count(); ++i) {
          if (stackContacts[i].kind == 2) stackContacts[i].Setup(false, true);
        }
      }
    }
  }
  jointRows.Clear();
  stackContacts.Clear();
}

bool SimulatorImpl::AppendStackContact(const ConstraintItem& item) { return stackContacts.Push(item); }

void StackGroup::ApplyCorrections() {
  for (size_t i = 0; i < members.Count(); ++i) {
    RigidBodyImpl* b = members[i];
    if (b->linearCorrectionCount > 0) b->ApplyVelocityCorrection();
    if (b->angularCorrectionCount > 0) b->ApplyAngularCorrection();
  }
}

void StackGroup::ClearRestFlags() {
  for (size_t i = 0; i < members.Count(); ++i) members[i]->restState = 0;
}

}  // namespace phys
