// Rest detection: when a body has come to rest on its resting contacts and may sleep, whether an
// idle body stays asleep, and the stack-contact rows that hold a resting body on its supports.
#include <algorithm>
#include <utility>

#include "physics/world/simulator.h"

namespace phys {

namespace {

// Largest squared tangential drift of a kept slot, largest separation of a weighted row, and the
// squared distance at which the two points of a resting contact count as torn apart.
constexpr float kStackDriftSquared = 0.025f;
constexpr float kRowGap = 0.01f;
constexpr float kPointsApartSquared = 0.002f;
// Resting contacts whose normals agree this closely hold a face on a face.
constexpr float kFlatSupportCos = 0.99f;
// Steps between the two ends of a rest snapshot.
constexpr int32_t kRestWindowSteps = 60;
// Slow steps in a row before the velocity history is consulted.
constexpr int32_t kRestHistorySteps = 50;
// The acceleration below which a joint-group member counts as still where there is no gravity.
constexpr float kStillAcceleration = 0.05f;

// The current world values of one resting contact.
struct RefreshedContact {
  Vec3 own, other, normal;
  float separation = 0.0f;  // positive when the two points are apart along the normal
  float driftSquared = 0.0f;
};

// The normal points from the support towards the resting body.
RefreshedContact Refresh(const RigidBodyImpl& body, const RestContact& c) {
  RefreshedContact r;
  r.own = body.pose.Apply(c.pointOnThis);
  r.other = c.GetOtherWorldPoint();
  r.normal = c.GetOtherWorldNormal();
  r.normal.w = 0.0f;
  const Vec3 d = r.own - r.other;
  r.separation = d.Dot(r.normal);
  r.driftSquared = ProjectOntoPlane(d, r.normal).LengthSquared();
  return r;
}

bool AllBelow(const Vec3& v, float limit) {
  return std::fabs(v.x) < limit && std::fabs(v.y) < limit && std::fabs(v.z) < limit;
}

}  // namespace

bool PointInTriangleXZ(const Vec3& q0, const Vec3& q1, const Vec3& q2) {
  const float cx = (q0.x + q1.x + q2.x) * (1.0f / 3.0f);
  const float cz = (q0.z + q1.z + q2.z) * (1.0f / 3.0f);
  auto scaled = [&](const Vec3& q, float* x, float* z) {
    *x = cx + (q.x - cx) * 1.1f;
    *z = cz + (q.z - cz) * 1.1f;
  };
  float x0, z0, x1, z1, x2, z2;
  scaled(q0, &x0, &z0);
  scaled(q1, &x1, &z1);
  scaled(q2, &x2, &z2);
  const float c0 = z0 * x1 - z1 * x0;
  const float c1 = z1 * x2 - z2 * x1;
  const float c2 = z2 * x0 - z0 * x2;
  // Twice the signed area; coincident or collinear points enclose nothing.
  const float area = c0 + c1 + c2;
  if (std::fabs(area) < 1e-9f) return false;
  if (area > 0.0f) return c0 >= 0.0f && c1 >= 0.0f && c2 >= 0.0f;
  return c0 <= 0.0f && c1 <= 0.0f && c2 <= 0.0f;
}

void RigidBodyImpl::CheckForRest() {
  const float T = sim->restSpeedThreshold;
  if (!(velocity.LengthSquared() < T && angularVelocity.LengthSquared() < T)) {
    Vec3 a;
    for (const Vec3& v : velocityHistory) a += v;
    a *= 0.1f;
    const Vec3& g = sim->unitGravity;
    const float along = a.Dot(g);
    if (along > 0.0f) a -= g * along;
    if (a.LengthSquared() > 2.0f) {
      restCounter = 0;
      return;
    }
    Vec3 b;
    for (const Vec3& v : angularVelocityHistory) b += v;
    b *= 0.1f;
    if (b.LengthSquared() > 1.0f) {
      restCounter = 0;
      return;
    }
  }
  if (restCounter < INT32_MAX) ++restCounter;
  if (restCounter < 11) return;
  if (!stackInfo) return;
  if (!TestRestContactPoints()) return;
  const int n = TestRestingContacts();
  if (n == 3 || (n == 2 && restCounter > 100)) PutToRest();
}

bool RigidBodyImpl::IsMoving() const {
  return !(velocity.LengthSquared() + angularVelocity.LengthSquared() < sim->restSpeedThreshold);
}

void RigidBodyImpl::CountSlowStep() {
  if (IsMoving()) {
    restCounter = 0;
  } else if (restCounter < INT32_MAX) {
    ++restCounter;
  }
}

// The snapshot test compares only the two ends of its window: a pendulum at the end of its swing
// stands where it stood a window ago, and a wheel turning on its axle never leaves its place. A
// joint-group member is still when it has been slow at every step of the window and its speed
// has not changed by more than 0.3 g over it (so its forces balance).
bool RigidBodyImpl::StillThroughRestWindow() const {
  if (restCounter < kRestWindowSteps) return false;
  const float window = static_cast<float>(stepsSinceSnapshot) * sim->stepTime;
  const float change = (velocity - snapVelocity).LengthSquared() + (angularVelocity - snapAngularVelocity).LengthSquared();
  const float allowed = std::max(sim->gravityMagnitude03, kStillAcceleration) * window;
  return change < allowed * allowed;
}

bool RigidBodyImpl::CheckIdleVelocity() {
  if (!IsMoving()) {
    if (isParticle || TestRestingContacts() != 0) {
      ClearVelocityHistory();
      ApplyForcesAndControllers();
      ++sim->restContactCounter;
      return true;
    }
    return false;
  }
  WakeUp();
  return false;
}

int RigidBodyImpl::TestRestingContacts() {
  if (AllBelow(totalForce, 1e-6f)) return 3;
  Vec3 f = totalForce;
  f.w = 0.0f;
  f.Normalize();
  Vec3 t1, t2;
  BuildFrameFromNormal(&t1, &t2, &f);
  const int count = restContactCount;
  if (count < 1 || count > 3) return 0;
  Vec3 projected[3];
  for (int k = 0; k < count; ++k) {
    const int slot = restContactIndices[k];
    if (slot < 0 || slot > 2) return 0;
    const RestContact& c = restContacts[slot];
    if (!c.IsUsed()) return 0;
    const Vec3 rel = pose.Apply(c.pointOnThis) - pose.position;
    projected[k] = Vec3(rel.Dot(t1), 0.0f, rel.Dot(t2));
  }
  if (count == 3) {
    for (int k = 0; k < 3; ++k) {
      if (!restContacts[restContactIndices[k]].IsOtherResting()) return 0;
    }
    return PointInTriangleXZ(projected[0], projected[1], projected[2]) ? 3 : 0;
  }
  if (count == 2) {
    // Distance of the centre of mass (the origin) from the line through the two points.
    const float dx = projected[1].x - projected[0].x, dz = projected[1].z - projected[0].z;
    const float len2 = dx * dx + dz * dz;
    float dist;
    if (len2 < kZeroSquared) {
      dist = std::sqrt(projected[0].x * projected[0].x + projected[0].z * projected[0].z);
    } else {
      dist = std::fabs(projected[0].x * dz - projected[0].z * dx) / std::sqrt(len2);
    }
    return dist < 0.005f ? 2 : 0;
  }
  const float off2 = projected[0].x * projected[0].x + projected[0].z * projected[0].z;
  return off2 < 0.005f * 0.005f ? 1 : 0;
}

bool RigidBodyImpl::TestRestContactPoints() {
  if (!stackInfo || stackInfo->loose) return false;
  if (restContactCount != 2 && restContactCount != 3) return false;
  for (int k = 0; k < restContactCount; ++k) {
    const int slot = restContactIndices[k];
    if (slot < 0 || slot > 2) return false;
    RestContact& c = restContacts[slot];
    if (!c.IsUsed()) {
      restContactCount = 0;
      return false;
    }
    const Vec3 own = pose.Apply(c.pointOnThis);
    if ((own - c.GetOtherWorldPoint()).LengthSquared() > kPointsApartSquared) {
      c.Unlink();
      restContactCount = 0;
      return false;
    }
  }
  return true;
}

int RigidBodyImpl::ValidateRestContacts() {
  if (!stackInfo) return 0;
  int count = 0;
  if (restState == 1 && !pushedLastStep) {
    int used = 0;
    for (const RestContact& c : restContacts) {
      if (!c.IsUsed()) continue;
      ++used;
      if (c.IsOtherResting()) ++count;
    }
    if (count == used) return count;
    count = 0;
  }
  for (RestContact& c : restContacts) {
    if (!c.IsUsed()) continue;
    // A supporter that is still but no longer valid (its body went away) holds nothing up.
    if (!c.IsOtherValid(sim)) {
      c.Unlink();
      restContactCount = 0;
      continue;
    }
    const RefreshedContact r = Refresh(*this, c);
    if (r.normal.Dot(sim->unitGravity) > 0.0f || r.separation > 0.01f || r.driftSquared > 0.001f ||
        !std::isfinite(r.separation)) {
      c.Unlink();
      restContactCount = 0;
      continue;
    }
    ++count;
  }
  stackInfo->noContacts = count == 0 ? 1 : 0;
  return count;
}

bool RigidBodyImpl::CheckRestSnapshot() {
  if (stepsSinceSnapshot < kRestWindowSteps) return false;
  if (!(sim->stepTime > 0.0f)) return false;
  const float k = 1.0f / (60.0f * sim->stepTime);
  const Vec3 moved = pose.position - snapPosition;
  const float d2 = Vec3(moved.x, moved.y, moved.z).LengthSquared();
  const float drift = d2 < kZeroSquared ? 0.0f : std::sqrt(d2) * k;
  if (drift > sleepThreshold || !std::isfinite(drift)) {
    SaveRestSnapshot();
    return false;
  }
  if ((velocity - snapVelocity).Length() * k > 5.0f) {
    SaveRestSnapshot();
    return false;
  }
  // Rotation from the snapshot to now: q * conjugate(snapshot).
  const Quat inv(-snapOrientation.x, -snapOrientation.y, -snapOrientation.z, snapOrientation.w);
  const Quat d = QuatMultiply(orientation, inv);
  const float w = std::fabs(d.w);
  float angle = 0.0f;
  if (1.0f - w > 1e-6f) angle = 2.0f * std::acos(w < 1.0f ? w : 1.0f);
  if (angle * k > 10.0f) {
    SaveRestSnapshot();
    return false;
  }
  if ((angularVelocity - snapAngularVelocity).Length() * k > 10.5f) {
    SaveRestSnapshot();
    return false;
  }
  return true;
}

bool RigidBodyImpl::CheckRestHistory() {
  const float dt = sim->stepTime;
  if (!(angularVelocity.Length() * dt < sleepThreshold)) {
    restHistoryCount = 0;
    return false;
  }
  if (restHistoryCount < kRestHistorySteps) ++restHistoryCount;
  if (restHistoryCount < kRestHistorySteps) return false;
  Vec3 a;
  for (const Vec3& v : velocityHistory) a += v;
  a *= 0.1f;
  return a.Length() * dt < sleepThreshold;
}

int RigidBodyImpl::SolveStack(bool force) {
  RefreshedContact kept[3];
  int keptSlot[3];
  int keptCount = 0;
  for (int i = 0; i < 3; ++i) {
    RestContact& c = restContacts[i];
    if (!c.IsUsed()) continue;
    if (!c.IsOtherValid(sim)) {
      c.Unlink();
      continue;
    }
    const RefreshedContact r = Refresh(*this, c);
    if (r.driftSquared < kStackDriftSquared && std::isfinite(r.separation)) {
      kept[keptCount] = r;
      keptSlot[keptCount] = i;
      ++keptCount;
    } else {
      c.Unlink();
      restContactCount = 0;
    }
  }
  if (keptCount == 0) {
    restContactCount = 0;
    return 0;
  }

  auto makeRow = [&](const RefreshedContact& r, int slot, float weight) {
    const RestContact& c = restContacts[slot];
    ConstraintItem row;
    row.kind = 2;
    row.bodyA = this;
    row.bodyB = c.kind == 3 ? static_cast<RigidBodyBase*>(&sim->terrainBody) : c.other;
    row.worldPointA = r.own;
    row.worldPointB = r.other;
    row.relPointA = r.own - pose.position;
    row.relPointB = c.kind == 3 ? r.other : r.other - row.bodyB->CurrentTransform().position;
    row.relPointA.w = row.relPointB.w = 0.0f;
    row.normal = r.normal;
    // The row's depth is the penetration: the negated gap.
    row.depth = -r.separation;
    row.materialA = c.idA;
    row.materialB = c.idB;
    row.hasContact = 1;
    row.Setup(false, false);
    if (weight < 1.0f) {
      // A weaker row: its impulses scale with the weight.
      for (int k = 0; k < 3; ++k) {
        row.invMassMatrix.row[k] *= weight;
        row.massMatrix.row[k] *= 1.0f / weight;
      }
    }
    if (!force && row.IsResting()) return false;
    return sim->AppendStackContact(row);
  };

  if (keptCount == 1 && kept[0].separation < 0.0f) {
    const int made = makeRow(kept[0], keptSlot[0], 1.0f) ? 1 : 0;
    restContactCount = 0;
    return made;
  }
  int made = 0, recorded = 0;
  Vec3 normalSum;
  // A face resting on a face (the supports share one normal) is settled in the order of its
  // corners' depths. Solved in the order the slots happened to fill, the same corner took the load
  // first on every box of a tower, and each box came to rest tilted the same way within the slop.
  // Which end goes first depends on how the rows act on one another through the body: a push at
  // one corner lifts another corner when the body mostly moves as a whole (the deepest is solved
  // first and lifts the rest with it), but presses it down when the body mostly turns, as a solid
  // box does (then the deepest is solved last, so that the last push holds it). The rows are
  // solved last to first, so they are appended in the opposite order.
  bool flat = true;
  for (int k = 1; k < keptCount; ++k) flat = flat && kept[k].normal.Dot(kept[0].normal) > kFlatSupportCos;
  if (flat && keptCount > 1) {
    // The normal velocity a unit push along the normal at the deepest corner gives the other
    // corners, summed: 1/m + (r_deep x n) . W (r_other x n), W the world inverse inertia.
    int deepest = 0;
    for (int k = 1; k < keptCount; ++k) {
      if (kept[k].separation < kept[deepest].separation) deepest = k;
    }
    auto arm = [&](int k) { return Vec3Cross(kept[k].own - pose.position, kept[k].normal); };
    const Vec3 turn = Mat3TransformColumn(worldInverseInertia, arm(deepest));
    float lift = 0.0f;
    for (int k = 0; k < keptCount; ++k) {
      if (k != deepest) lift += inverseMass + arm(k).Dot(turn);
    }
    const bool deepestLast = lift < 0.0f;
    for (int x = 1; x < keptCount; ++x) {
      for (int y = x; y > 0 && (deepestLast ? kept[y].separation < kept[y - 1].separation
                                            : kept[y].separation > kept[y - 1].separation);
           --y) {
        std::swap(kept[y], kept[y - 1]);
        std::swap(keptSlot[y], keptSlot[y - 1]);
      }
    }
  }
  for (int k = 0; k < keptCount; ++k) {
    const float s = kept[k].separation;
    if (s > kRowGap) continue;
    float weight = 1.0f;
    if (s > 0.0f) {
      const float x = (kRowGap - s) * 100.0f;
      weight = x * x * x;
      if (!(weight > 1e-6f)) continue;
    }
    if (makeRow(kept[k], keptSlot[k], weight)) ++made;
    restContactIndices[recorded++] = keptSlot[k];
    normalSum += kept[k].normal;
  }
  restContactCount = recorded;
  if (recorded == 1) {
    supportNormal = normalSum;
  } else if (recorded > 1) {
    const float len2 = normalSum.LengthSquared();
    supportNormal = len2 < kZeroSquared ? Vec3() : normalSum * (1.0f / std::sqrt(len2));
  } else {
    supportNormal.SetZero();
  }
  supportNormal.w = 0.0f;
  if (supportNormal.Dot(sim->unitGravity) < 0.0f) supportNormal = -supportNormal;
  return made;
}

void RigidBodyImpl::QueueStackSolve() {
  if (!stackInfo || !stackInfo->header) return;
  StackHeader* h = stackInfo->header;
  if (h->isDefault) {
    if (stackSolveAllowed) {
      stackSolveAllowed = 0;
      SolveStack(true);
    }
    return;
  }
  if (h->queued) return;
  if (sim->stacksToSolve.Push(h)) h->queued = 1;
}

void SimulatorImpl::CheckForRest(RigidBodyImpl* body) { body->CheckForRest(); }

bool StackGroup::AllPassRestSnapshot() const {
  for (size_t i = 0; i < members.Count(); ++i) {
    if (!members[i]->CheckRestSnapshot()) return false;
  }
  return true;
}

bool StackGroup::AllStillThroughRestWindow() const {
  for (size_t i = 0; i < members.Count(); ++i) {
    if (!members[i]->StillThroughRestWindow()) return false;
  }
  return true;
}

void StackGroup::PutMembersToRest(bool testContacts) {
  for (size_t i = 0; i < members.Count(); ++i) {
    RigidBodyImpl* b = members[i];
    if (testContacts && !b->TestRestContactPoints()) continue;
    b->PutToRest();
  }
}

}  // namespace phys
