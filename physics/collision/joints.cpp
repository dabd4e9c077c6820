// Joints: the record, its frames and anchors, the rows it emits each step, the damping of the
// relative rotation, and creation and release through the simulator.
#include "physics/collision/joints.h"

#include "physics/world/simulator.h"

namespace phys {

namespace {

void UnlinkFromBody(RigidBodyBase* body, JointLink* link) {
  if (!body) return;
  bool found = false;
  for (JointLink* l = body->firstJoint; l && !found; l = l->next) found = l == link;
  if (!found) return;
  if (link->prev) {
    link->prev->next = link->next;
  } else {
    body->firstJoint = link->next;
  }
  if (link->next) {
    link->next->prev = link->prev;
  } else {
    body->lastJoint = link->prev;
  }
  link->next = link->prev = nullptr;
  --body->jointCount;
}

void AppendToBody(RigidBodyBase* body, JointLink* link) {
  link->next = nullptr;
  link->prev = body->lastJoint;
  if (body->lastJoint) {
    body->lastJoint->next = link;
  } else {
    body->firstJoint = link;
  }
  body->lastJoint = link;
  ++body->jointCount;
}

Vec3 UnitOrZero(const Vec3& v) {
  const float len2 = v.LengthSquared();
  if (len2 < kZeroSquared || !std::isfinite(len2)) return Vec3();
  return v * (1.0f / std::sqrt(len2));
}

}  // namespace

Transform PlaceFrame(const Transform& frame, const Transform& pose) {
  Transform t;
  t.rotation = Mat3Multiply(frame.rotation, pose.rotation);
  t.position = pose.Apply(frame.position);
  t.position.w = 1.0f;
  return t;
}

Transform LocalFrame(const Transform& world, const Transform& pose) {
  Transform t;
  for (int r = 0; r < 3; ++r) t.rotation.row[r] = Mat3TransformColumn(pose.rotation, world.rotation.row[r]);
  t.position = Mat3TransformColumn(pose.rotation, world.position - pose.position);
  t.position.w = 1.0f;
  return t;
}

void JointImpl::Init() {
  const JointLink emptyLink;
  *this = JointImpl();
  bodyLinkA = emptyLink;
  bodyLinkB = emptyLink;
  bodyLinkA.joint = this;
  bodyLinkB.joint = this;
  limit1.limitNumber = 0;
  limit2.limitNumber = 1;
  limit1.joint = this;
  limit2.joint = this;
  SetType(0);
}

void JointImpl::SetType(int32_t newType) {
  switch (newType) {
    case 0:
      type = 0;
      rowCount = 1;
      break;
    case 2:
    case 3:
      type = newType;
      rowCount = 2;
      break;
    default:
      break;
  }
}

void JointImpl::Enable(bool on) {
  if (!bodyA) return;
  if ((enabled != 0) == on) return;
  if (!anchorsReady) {
    if (on) {
      anchorsReady = 1;
      ComputeLocalAnchors();
      AddToConstraintSet();
      enabled = 1;
    }
  } else {
    enabled = on ? 1 : 0;
  }
  if (RigidBodyImpl* a = RigidOf(bodyA); a && a->restState == 1) a->WakeUp();
  if (RigidBodyImpl* b = RigidOf(bodyB); b && b->restState == 1) b->WakeUp();
}

void JointImpl::ComputeLocalAnchors() {
  const float h = length * 0.5f;
  const Vec3& posA = frameA.position;
  const Vec3& posB = frameB.position;
  const Vec3& yA = frameA.rotation.row[1];
  const Vec3& yB = frameB.rotation.row[1];
  switch (type) {
    case 0:
      anchorsA[0].local = posA;
      anchorsB[0].local = posB;
      break;
    case 2:
      anchorsA[0].local = posA + yA * h;
      anchorsA[1].local = posA - yA * h;
      anchorsB[0].local = posB + yB * h;
      anchorsB[1].local = posB - yB * h;
      break;
    case 3:
      anchorsA[0].local = posA + yA * h;
      anchorsA[1].local = posA - yA * h;
      break;
    default:
      return;
  }
  for (JointAnchor& a : anchorsA) a.local.w = 1.0f;
  for (JointAnchor& a : anchorsB) a.local.w = 1.0f;
}

void JointImpl::UpdateWorldFrames() {
  worldFrameA = PlaceFrame(frameA, bodyA->CurrentTransform());
  worldFrameB = bodyB ? PlaceFrame(frameB, bodyB->CurrentTransform()) : frameB;
  MeasureAngles();
}

void JointImpl::UpdateWorldAnchors() {
  const int rows = rowCount < 0 ? 0 : (rowCount > 2 ? 2 : rowCount);
  for (int i = 0; i < rows; ++i) {
    anchorsA[i].world = bodyA->CurrentTransform().Apply(anchorsA[i].local);
    anchorsA[i].world.w = 1.0f;
    if (type == 3) continue;
    anchorsB[i].world = bodyB ? bodyB->CurrentTransform().Apply(anchorsB[i].local) : anchorsB[i].local;
    anchorsB[i].world.w = 1.0f;
  }
}

void JointImpl::EmitRows() {
  SimulatorImpl* sim = ownerSimulator;
  RigidBodyImpl* rigidB = RigidOf(bodyB);
  const Vec3 posA = bodyA->CurrentTransform().position;
  const int rows = rowCount < 0 ? 0 : (rowCount > 2 ? 2 : rowCount);
  if (type == 0 || type == 2) {
    for (int i = 0; i < rows; ++i) {
      ConstraintItem item;
      item.relPointA = anchorsA[i].world - posA;
      if (rigidB) {
        item.relPointB = anchorsB[i].world - rigidB->pose.position;
      } else {
        item.relPointB = anchorsB[i].world;
        item.worldPointB = anchorsB[i].world;
      }
      item.relPointA.w = item.relPointB.w = 0.0f;
      Vec3 separation = anchorsA[i].world - anchorsB[i].world;
      separation.w = 0.0f;
      item.worldPointA = separation;
      const float len2 = separation.LengthSquared();
      item.depth = len2 < kZeroSquared ? 0.0f : std::sqrt(len2);
      item.bodyA = JointSide(bodyA);
      item.bodyB = JointSide(bodyB);
      item.kind = 3;
      item.Setup(false, false);
      sim->jointRows.Push(item);
    }
  } else if (type == 3) {
    const Vec3 u = worldFrameB.rotation.row[1];
    const Vec3 o = worldFrameB.position;
    for (int i = 0; i < rows; ++i) {
      const Vec3 a = anchorsA[i].world;
      Vec3 p = o + u * (a - o).Dot(u);
      p.w = 1.0f;
      anchorsB[i].world = p;
      ConstraintItem item;
      item.relPointA = a - posA;
      item.relPointB = rigidB ? p - rigidB->pose.position : p;
      item.relPointA.w = item.relPointB.w = 0.0f;
      Vec3 separation = a - p;
      separation.w = 0.0f;
      item.worldPointA = separation;
      const float len2 = separation.LengthSquared();
      item.target = len2 < kZeroSquared ? 0.0f : std::sqrt(len2);
      item.worldPointB = u;
      item.worldPointB.w = 0.0f;
      item.bodyA = JointSide(bodyA);
      item.bodyB = JointSide(bodyB);
      item.kind = 4;
      item.Setup(false, false);
      sim->jointRows.Push(item);
    }
  }
  if (limit1.enabled || limit2.enabled) {
    if (type == 0 || type == 2) {
      if (limit1.enabled) limit1.EmitAngularRow();
      if (type == 0 && limit2.enabled) limit2.EmitTwistRow();
    } else if (type == 3 && limit1.enabled) {
      limit1.EmitSliderRow();
    }
  }
  QueueStacksOfJoint(this);
  if (motor1.enabled) motor1.EmitRow(*this);
  if (motor2.enabled) motor2.EmitRow(*this);
}

void JointImpl::ApplyDamping() {
  RigidBodyImpl* a = RigidOf(JointSide(bodyA));
  RigidBodyImpl* b = RigidOf(JointSide(bodyB));
  const Vec3 wA = a ? a->angularVelocity : Vec3();
  const Vec3 wB = b ? b->angularVelocity : Vec3();
  Vec3 omega;
  if (type == 0) {
    omega = wA - wB;
  } else if (type == 2) {
    worldFrameA = PlaceFrame(frameA, bodyA->CurrentTransform());
    worldFrameB = bodyB ? PlaceFrame(frameB, bodyB->CurrentTransform()) : frameB;
    const Vec3 axis = UnitOrZero(worldFrameA.rotation.row[1] + worldFrameB.rotation.row[1]);
    omega = axis * wA.Dot(axis) - axis * wB.Dot(axis);
  } else {
    return;  // a slider is not damped
  }
  const Vec3 t = omega * angularDamping;
  if (!IsFiniteVec(t)) return;
  if (a) a->totalTorque -= t;
  if (b) b->totalTorque += t;
}

// ---- simulator: creation and release ----

JointImpl* CreateJointImpl(SimulatorImpl* sim, RigidBodyImpl* a, RigidBodyBase* b) {
  // A body joined to itself would enter its set twice. Without body B the joint holds A to the world.
  if (!a || b == static_cast<RigidBodyBase*>(a)) return nullptr;
  PoolNode<JointImpl>* n = sim->jointPool.Take();
  if (!n) {
    sim->Log("Run out of Constraints. Increase 'constraintsCount'.\n");
    return nullptr;
  }
  JointImpl* j = &n->rec;
  j->Init();
  j->ownerSimulator = sim;
  j->bodyA = a;
  j->bodyB = b;
  AppendToBody(a, &j->bodyLinkA);
  if (b) AppendToBody(b, &j->bodyLinkB);
  return j;
}

void FreeJointImpl(SimulatorImpl* sim, JointImpl* j) {
  PoolNode<JointImpl>* n = sim->jointPool.UsedNodeAt(j);
  if (!n) return;
  RigidBodyBase* a = j->bodyA;
  RigidBodyBase* b = j->bodyB;
  ConstraintHeader* set = j->set;
  UnlinkFromBody(a, &j->bodyLinkA);
  UnlinkFromBody(b, &j->bodyLinkB);
  RemoveJointFromSet(j);
  j->ReleaseControllers();
  sim->jointPool.Give(n);
  // The bodies keep the set for the joints they still have; where the freed joint was the only
  // link, the set splits.
  if (set) RegroupConstraintSet(sim, set);
  // What the joint held up now moves on its own.
  if (RigidBodyImpl* r = RigidOf(a); r && r->restState == 1) r->WakeUpStack();
  if (RigidBodyImpl* r = RigidOf(b); r && r->restState == 1) r->WakeUpStack();
}

void FreeJointsOfBody(RigidBodyBase* body) {
  while (JointLink* l = body->firstJoint) {
    JointImpl* j = l->joint;
    if (!j || !body->sim->jointPool.UsedNodeAt(j)) {
      // A link whose joint is gone: drop it so the loop ends.
      UnlinkFromBody(body, l);
      continue;
    }
    FreeJointImpl(body->sim, j);
  }
}

bool ListsShareEntry(const RigidBodyBase* a, const RigidBodyBase* b) {
  for (const JointLink* la = a->firstJoint; la; la = la->next) {
    for (const JointLink* lb = b->firstJoint; lb; lb = lb->next) {
      if (la->joint && la->joint == lb->joint) return true;
    }
  }
  return false;
}

}  // namespace phys

// ---- public interface ----

using phys::Impl;
using phys::JointImpl;

namespace {
JointImpl* J(Joint* j) { return static_cast<JointImpl*>(j); }
const JointImpl* J(const Joint* j) { return static_cast<const JointImpl*>(j); }
}  // namespace

Joint* Simulator::CreateJoint(RigidBody* bodyA, RigidBody* bodyB) {
  if (!bodyA || !bodyB) return nullptr;
  return phys::CreateJointImpl(Impl(this), Impl(bodyA), Impl(bodyB));
}

Joint* Simulator::CreateJoint(RigidBody* bodyA, AnimatedBody* bodyB) {
  if (!bodyA || !bodyB) return nullptr;
  return phys::CreateJointImpl(Impl(this), Impl(bodyA), Impl(bodyB));
}

Joint* Simulator::CreateJoint(RigidBody* body) {
  if (!body) return nullptr;
  return phys::CreateJointImpl(Impl(this), Impl(body), nullptr);
}

void Simulator::FreeJoint(Joint* joint) {
  if (!joint) return;
  phys::FreeJointImpl(Impl(this), J(joint));
}

void Joint::SetType(int type) { J(this)->SetType(type); }
int Joint::GetType() const { return J(this)->type; }
RigidBody* Joint::GetRigidBodyA() const {
  phys::RigidBodyBase* a = J(this)->bodyA;
  return a && a->kind == 1 ? static_cast<RigidBody*>(a->AsRigid()) : nullptr;
}
RigidBody* Joint::GetRigidBodyB() const {
  phys::RigidBodyBase* b = J(this)->bodyB;
  return b && b->kind == 1 ? static_cast<RigidBody*>(b->AsRigid()) : nullptr;
}
AnimatedBody* Joint::GetAnimatedBodyB() const {
  phys::RigidBodyBase* b = J(this)->bodyB;
  return b && b->kind == 0 ? static_cast<AnimatedBody*>(b->AsAnimated()) : nullptr;
}
namespace {
phys::SimulatorImpl* SimOf(const Joint* j) { return J(j)->ownerSimulator; }
}  // namespace

// Non-finite frames, lengths, damping factors and tolerances are refused (logged): the joint keeps
// its values.
void Joint::SetJointFrameA(const Transform& frame) {
  REFUSE_NONFINITE(SimOf(this), "Joint::SetJointFrameA", phys::IsFiniteTransform(frame));
  J(this)->frameA = frame;
}
void Joint::SetJointFrameB(const Transform& frame) {
  REFUSE_NONFINITE(SimOf(this), "Joint::SetJointFrameB", phys::IsFiniteTransform(frame));
  J(this)->frameB = frame;
}
void Joint::SetJointFrameWorld(const Transform& frame) {
  REFUSE_NONFINITE(SimOf(this), "Joint::SetJointFrameWorld", phys::IsFiniteTransform(frame));
  JointImpl* j = J(this);
  if (j->bodyA) j->frameA = phys::LocalFrame(frame, j->bodyA->CurrentTransform());
  j->frameB = j->bodyB ? phys::LocalFrame(frame, j->bodyB->CurrentTransform()) : frame;
}
Transform Joint::GetJointFrameA() const {
  const JointImpl* j = J(this);
  return j->bodyA ? phys::PlaceFrame(j->frameA, j->bodyA->CurrentTransform()) : j->frameA;
}
Transform Joint::GetJointFrameB() const {
  const JointImpl* j = J(this);
  return j->bodyB ? phys::PlaceFrame(j->frameB, j->bodyB->CurrentTransform()) : j->frameB;
}
void Joint::SetJointLength(float length) {
  phys::StoreFinite(SimOf(this), "Joint::SetJointLength", &J(this)->length, length);
}
float Joint::GetJointLength() const { return J(this)->length; }
void Joint::SetDampingFactor(float damping) {
  phys::StoreFinite(SimOf(this), "Joint::SetDampingFactor", &J(this)->angularDamping, damping);
}
float Joint::GetDampingFactor() const { return J(this)->angularDamping; }
void Joint::Enable(bool on) { J(this)->Enable(on); }
bool Joint::IsEnabled() const { return J(this)->enabled != 0; }
void Joint::SetEpsilon(float epsilon) {
  phys::StoreFinite(SimOf(this), "Joint::SetEpsilon", &J(this)->tolerance, epsilon);
}
float Joint::GetEpsilon() const { return J(this)->tolerance > 0.0f ? J(this)->tolerance : 0.001f; }
void Joint::SetIterations(int iterations) { J(this)->iterations = iterations; }
int Joint::GetIterations() const { return J(this)->iterations; }
