// The public body, sensor and controller operations: each passes on to its record.
#include "physics/world/simulator.h"

using namespace phys;

RigidBody* Simulator::CreateRigidBody() { return Impl(this)->CreateRigidBody(false); }
RigidBody* Simulator::CreateRigidParticle() { return Impl(this)->CreateRigidBody(true); }
AnimatedBody* Simulator::CreateAnimatedBody() { return Impl(this)->CreateAnimatedBody(); }
void Simulator::FreeRigidBody(RigidBody* body) { Impl(this)->FreeRigid(Impl(body)); }
void Simulator::FreeAnimatedBody(AnimatedBody* body) { Impl(this)->FreeAnimated(Impl(body)); }

// ---- RigidBody ----

// Masses, positions, rotations, velocities, momenta, forces, impulses, damping and thresholds
// that are not finite are refused: the body keeps what it had, and the refusal is logged. (One
// non-finite position would otherwise spread through the step to every body it touches.)

void RigidBody::SetMass(float mass) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetMass", std::isfinite(mass));
  Impl(this)->SetMass(mass);
}
float RigidBody::GetMass() const { return Impl(this)->mass; }
void RigidBody::SetInertiaTensor(const Vec3& d) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetInertiaTensor", IsFiniteVec(d));
  Impl(this)->SetInertiaTensor(DiagonalMat3(d));
}
void RigidBody::SetInertiaTensorM3(const Mat3& t) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetInertiaTensorM3", IsFiniteMat3(t));
  Impl(this)->SetInertiaTensor(t);
}
void RigidBody::UpdateMassProperties() { Impl(this)->UpdateMassProperties(); }
Vec3 RigidBody::GetPos() const {
  Vec3 p = Impl(this)->pose.position;
  p.w = 0.0f;
  return p;
}
void RigidBody::SetPos(const Vec3& pos) {
  RigidBodyImpl* b = Impl(this);
  REFUSE_NONFINITE(b->sim, "RigidBody::SetPos", IsFiniteVec(pos));
  b->pose.position = pos;
  b->pose.position.w = 1.0f;
  b->WakeUp();
}
Mat3 RigidBody::GetRotationM3() const { return Impl(this)->pose.rotation; }
Quat RigidBody::GetRotationQ() const { return Impl(this)->orientation; }
void RigidBody::SetRotationM3(const Mat3& r) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetRotationM3", IsFiniteMat3(r));
  Impl(this)->SetRotation(r);
  Impl(this)->WakeUp();
}
Transform RigidBody::GetTransform() {
  Transform& t = Impl(this)->pose;
  for (Vec3& r : t.rotation.row) r.w = 0.0f;
  t.position.w = 1.0f;
  return t;
}
Vec3 RigidBody::GetVelocity() const { return Impl(this)->velocity; }
void RigidBody::SetVelocity(const Vec3& v) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetVelocity", IsFiniteVec(v));
  Impl(this)->velocity = v;
  Impl(this)->WakeUpStack();
}
Vec3 RigidBody::GetAngularVelocity() const { return Impl(this)->angularVelocity; }
Vec3 RigidBody::GetAngularMomentum() const { return Impl(this)->angularMomentum; }
void RigidBody::SetAngularMomentum(const Vec3& L) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetAngularMomentum", IsFiniteVec(L));
  Impl(this)->SetAngularMomentum(L);
  Impl(this)->WakeUpStack();
}
Vec3 RigidBody::GetVelocityAtPoint(const Vec3& offset) const {
  const RigidBodyImpl* b = Impl(this);
  return b->velocity + Vec3Cross(b->angularVelocity, offset);
}

static bool AboveWakeLimit(const Vec3& v) {
  return std::fabs(v.x) >= 1e-6f || std::fabs(v.y) >= 1e-6f || std::fabs(v.z) >= 1e-6f;
}

void RigidBody::SetForce(const Vec3& f) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetForce", IsFiniteVec(f));
  Impl(this)->force = f;
  if (AboveWakeLimit(f)) Impl(this)->WakeUp();
}
Vec3 RigidBody::GetForce() const { return Impl(this)->force; }
void RigidBody::SetTorque(const Vec3& t) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetTorque", IsFiniteVec(t));
  Impl(this)->torque = t;
}
Vec3 RigidBody::GetTorque() const { return Impl(this)->torque; }
void RigidBody::SetForceAtPos(const Vec3& f, const Vec3& pos) {
  RigidBodyImpl* b = Impl(this);
  REFUSE_NONFINITE(b->sim, "RigidBody::SetForceAtPos", IsFiniteVec(f) && IsFiniteVec(pos));
  b->force = f;
  b->torque = Vec3Cross(pos - b->pose.position, f);
  if (AboveWakeLimit(f) || AboveWakeLimit(b->torque)) b->WakeUp();
}
void RigidBody::ApplyImpulse(const Vec3& j) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::ApplyImpulse", IsFiniteVec(j));
  Impl(this)->velocity += j * (1.0f / Impl(this)->mass);
  Impl(this)->WakeUpStack();
}
void RigidBody::ApplyImpulseAtPos(const Vec3& j, const Vec3& pos) {
  RigidBodyImpl* b = Impl(this);
  REFUSE_NONFINITE(b->sim, "RigidBody::ApplyImpulseAtPos", IsFiniteVec(j) && IsFiniteVec(pos));
  b->velocity += j * b->inverseMass;
  b->SetAngularMomentum(b->angularMomentum + Vec3Cross(pos - b->pose.position, j));
  b->WakeUp();
}
void RigidBody::ApplyTwist(const Vec3& t) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::ApplyTwist", IsFiniteVec(t));
  Impl(this)->SetAngularMomentum(t);
  Impl(this)->WakeUp();
}
void RigidBody::GravityEnable(bool on) { Impl(this)->gravityEnabled = on ? 1 : 0; }
bool RigidBody::GetGravityEnable() const { return Impl(this)->gravityEnabled != 0; }
// Damping is a fraction of the velocity removed per step: kept within [0, 1].
void RigidBody::SetLinearDamping(float d) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetLinearDamping", std::isfinite(d));
  Impl(this)->linearDamping = Clamp01(std::fabs(d));
}
float RigidBody::GetLinearDamping() const { return Impl(this)->linearDamping; }
void RigidBody::SetAngularDamping(float d) {
  REFUSE_NONFINITE(Impl(this)->sim, "RigidBody::SetAngularDamping", std::isfinite(d));
  Impl(this)->angularDamping = Clamp01(std::fabs(d));
}
float RigidBody::GetAngularDamping() const { return Impl(this)->angularDamping; }
void RigidBody::SetSleepThreshold(float t) {
  StoreFinite(Impl(this)->sim, "RigidBody::SetSleepThreshold", &Impl(this)->sleepThreshold, t);
}
float RigidBody::GetSleepThreshold() const { return Impl(this)->sleepThreshold; }
Controller* RigidBody::AddController(ControllerCallback* cb, int period) { return Impl(this)->AddController(cb, period); }
bool RigidBody::RemoveController(Controller* c) { return Impl(this)->RemoveController(Impl(c)); }
void RigidBody::BeginIterateController() { Impl(this)->controllerIter = Impl(this)->controllers.head; }
Controller* RigidBody::GetNextController() {
  PoolNode<ControllerImpl>* n = Impl(this)->controllerIter;
  if (!n) return nullptr;
  Impl(this)->controllerIter = n->next;
  return &n->rec;
}
bool RigidBody::IsIdle() const { return Impl(this)->restState == 1; }

// Operations shared by both body kinds, written once for each facade.
static RigidBodyBase* Base(RigidBody* b) { return Impl(b); }
static const RigidBodyBase* Base(const RigidBody* b) { return Impl(b); }
static RigidBodyBase* Base(AnimatedBody* b) { return Impl(b); }
static const RigidBodyBase* Base(const AnimatedBody* b) { return Impl(b); }

#define SHARED_BODY_OPERATIONS(Facade)                                                                   \
  void Facade::SetCollisionID(int id) { Base(this)->SetCollisionID(id); }                               \
  int Facade::GetCollisionID() const { return Base(this)->collisionID; }                                \
  void Facade::SetUserData(int data) { Base(this)->userData = data; }                                   \
  int Facade::GetUserData() const { return Base(this)->userData; }                                      \
  void Facade::SetCollideConnected(bool on) { Base(this)->collideConnected = on ? 1 : 0; }              \
  bool Facade::GetCollideConnected() const { return Base(this)->collideConnected != 0; }                \
  void Facade::SetCollideJoined(bool on) { Base(this)->collideJoined = on ? 1 : 0; }                    \
  bool Facade::GetCollideJoined() const { return Base(this)->collideJoined != 0; }                      \
  Geometry* Facade::AddGeometry() { return Base(this)->AddGeometry(); }                                 \
  bool Facade::RemoveGeometry(Geometry* g) { return Base(this)->RemoveGeometry(Impl(g)); }              \
  int Facade::GetGeometryCount() const { return Base(this)->geometries.count; }                         \
  void Facade::BeginIterateGeometry() { Base(this)->BeginIterateGeometry(); }                           \
  Geometry* Facade::GetNextGeometry() { return Base(this)->GetNextGeometry(); }                         \
  RigidBody* Facade::BreakGeometry(Geometry* g) { return Base(this)->sim->BreakGeometry(Impl(g), Base(this)); } \
  void Facade::UpdateBoundingInfo() { Base(this)->UpdateBoundingInfo(); }                               \
  void Facade::UseCustomCollisionDetection(bool on, const Transform* box, float radius) {               \
    REFUSE_NONFINITE(Base(this)->sim, #Facade "::UseCustomCollisionDetection",                          \
                     !on || (std::isfinite(radius) && (!box || IsFiniteTransform(*box))));              \
    Base(this)->UseCustomCollisionDetection(on, box, radius);                                           \
  }                                                                                                     \
  bool Facade::UsingCustomCollisionDetection() const { return Base(this)->customCollision != 0; }       \
  Sensor* Facade::AddSensor() { return Base(this)->AddSensor(); }                                       \
  bool Facade::RemoveSensor(Sensor* s) { return Base(this)->RemoveSensor(Impl(s)); }                    \
  void Facade::BeginIterateSensor() { Base(this)->BeginIterateSensor(); }                               \
  Sensor* Facade::GetNextSensor() { return Base(this)->GetNextSensor(); }                               \
  void Facade::Active(bool on, RigidBody* hint) { Base(this)->Active(on, hint ? Impl(hint) : nullptr); } \
  void Facade::Active(bool on, AnimatedBody* hint) { Base(this)->Active(on, hint ? Impl(hint) : nullptr); } \
  bool Facade::IsActive() const { return Base(this)->active != 0; }

SHARED_BODY_OPERATIONS(RigidBody)
SHARED_BODY_OPERATIONS(AnimatedBody)

// ---- AnimatedBody ----

Vec3 AnimatedBody::GetPos() const {
  Vec3 p = Impl(this)->pose.position;
  p.w = 0.0f;
  return p;
}
void AnimatedBody::SetPos(const Vec3& pos) {
  AnimatedBodyImpl* b = Impl(this);
  REFUSE_NONFINITE(b->sim, "AnimatedBody::SetPos", IsFiniteVec(pos));
  b->pose.position = pos;
  b->pose.position.w = 1.0f;
  UpdateAnimatedBodyBoundingBox(b);
  b->moved = 1;
}
Mat3 AnimatedBody::GetRotationM3() const { return Impl(this)->pose.rotation; }
Quat AnimatedBody::GetRotationQ() const { return QuatFromMat3(Impl(this)->pose.rotation); }
void AnimatedBody::SetRotationM3(const Mat3& r) {
  REFUSE_NONFINITE(Impl(this)->sim, "AnimatedBody::SetRotationM3", IsFiniteMat3(r));
  Impl(this)->pose.rotation = r;
  Impl(this)->moved = 1;
}
void AnimatedBody::SetRotationQ(const Quat& q) {
  REFUSE_NONFINITE(Impl(this)->sim, "AnimatedBody::SetRotationQ",
                   std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w));
  Impl(this)->moved = 1;
  Impl(this)->pose.rotation = q.ToMat3();
}
Transform AnimatedBody::GetTransform() const { return Impl(this)->pose; }

// ---- Sensor ----

void Sensor::SetLineSensor(const Vec3& pos, const Vec3& line) {
  SensorImpl* s = Impl(this);
  REFUSE_NONFINITE(SimulatorImpl::OfSensor(s), "Sensor::SetLineSensor", IsFiniteVec(pos) && IsFiniteVec(line));
  s->linePos = pos;
  s->lineVector = line;
  s->lineUnit = line;
  s->lineUnit.Normalize();
  s->lineLength = line.Length();
}
Vec3 Sensor::GetLinePos() const { return Impl(this)->linePos; }
Vec3 Sensor::GetLineVector() const { return Impl(this)->lineVector; }
Vec3 Sensor::GetLineUnitVector() const { return Impl(this)->lineUnit; }
int Sensor::GetUserData() const { return Impl(this)->userData; }
float Sensor::GetDetectDepth() const { return Impl(this)->detectDepth; }
Vec3 Sensor::GetDetectNormal() const { return Impl(this)->detectNormal; }
Vec3 Sensor::GetDetectContactPoint() const { return Impl(this)->detectPoint; }
int Sensor::GetDetectMaterial() const { return Impl(this)->detectMaterial; }
RigidBody* Sensor::GetDetectRigidBody() const {
  RigidBodyBase* b = Impl(this)->detectBody;
  return (b && b->kind == 1) ? static_cast<RigidBodyImpl*>(b) : nullptr;
}
AnimatedBody* Sensor::GetDetectAnimatedBody() const {
  RigidBodyBase* b = Impl(this)->detectBody;
  return (b && b->kind == 0) ? static_cast<AnimatedBodyImpl*>(b) : nullptr;
}

// ---- Controller ----

RigidBody* Controller::GetRigidBody() const { return Impl(this)->body; }
void Controller::SetControllerForce(const Vec3& f) {
  REFUSE_NONFINITE(Impl(this)->OwnerSimulator(), "Controller::SetControllerForce", IsFiniteVec(f));
  Impl(this)->forceA = f;
}
Vec3 Controller::GetControllerForce() const { return Impl(this)->forceA; }
void Controller::SetControllerTorque(const Vec3& t) {
  REFUSE_NONFINITE(Impl(this)->OwnerSimulator(), "Controller::SetControllerTorque", IsFiniteVec(t));
  Impl(this)->torqueA = t;
}
Vec3 Controller::GetControllerTorque() const { return Impl(this)->torqueA; }
