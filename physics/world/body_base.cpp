// Operations shared by rigid and animated bodies: geometries, bounding information, sensors,
// activation, custom collision, and body creation and release.
#include <algorithm>

#include "physics/collision/joints.h"
#include "physics/world/simulator.h"

namespace phys {

bool RigidBodyBase::IsParticleBody() const {
  return kind == 1 && static_cast<const RigidBodyImpl*>(this)->isParticle != 0;
}
RigidBodyImpl* RigidBodyBase::AsRigid() { return kind == 1 ? static_cast<RigidBodyImpl*>(this) : nullptr; }
AnimatedBodyImpl* RigidBodyBase::AsAnimated() { return kind == 0 ? static_cast<AnimatedBodyImpl*>(this) : nullptr; }
const Transform& RigidBodyBase::CurrentTransform() const {
  if (kind == 1) return static_cast<const RigidBodyImpl*>(this)->pose;
  return static_cast<const AnimatedBodyImpl*>(this)->pose;
}

TConvex* RigidBodyBase::AddGeometry() {
  PoolNode<TConvex>* n = sim->geometryPool.Take();
  if (!n) {
    sim->Log("Run out of Geometries. Increase 'geometriesCount'.\n");
    return nullptr;
  }
  n->rec.InitDefault();
  n->rec.body = this;
  geometries.Append(n);
  if (active && !InRegion()) sim->region.AddBody(this, nullptr);
  ReleaseRestContacts();
  return &n->rec;
}

bool RigidBodyBase::RemoveGeometry(TConvex* geometry) {
  PoolNode<TConvex>* n = sim->geometryPool.UsedNodeAt(geometry);
  if (!n || !geometries.Contains(n)) return false;
  if (geometryIter == n) geometryIter = n->next;
  geometries.Remove(n);
  n->rec.body = nullptr;
  sim->geometryPool.Give(n);
  if (geometries.count == 0 && !customCollision && InRegion()) sim->region.RemoveBody(this);
  ReleaseRestContacts();
  return true;
}

TConvex* RigidBodyBase::GetNextGeometry() {
  PoolNode<TConvex>* n = geometryIter;
  if (!n) return nullptr;
  geometryIter = n->next;
  return &n->rec;
}

bool RigidBodyBase::HasCorners() const {
  for (const PoolNode<TConvex>* n = geometries.head; n; n = n->next) {
    if (n->rec.type != kTypeSphere) return true;
  }
  return false;
}

void RigidBodyBase::UpdateBoundingInfo() {
  float extent = 0.0f;
  for (PoolNode<TConvex>* n = geometries.head; n; n = n->next) extent = std::max(extent, n->rec.GetExtend());
  if (geometries.count == 1 && geometries.head->rec.type == kTypeBox) {
    holder = geometries.head->rec;
  } else if (geometries.count > 0) {
    Vec3 lo(1e6f, 1e6f, 1e6f), hi(-1e6f, -1e6f, -1e6f);
    for (PoolNode<TConvex>* n = geometries.head; n; n = n->next) {
      Vec3 gmin = lo, gmax = hi;
      n->rec.GetLocalBounds(gmin, gmax);
      for (int i = 0; i < 3; ++i) {
        lo[i] = std::min(lo[i], gmin[i]);
        hi[i] = std::max(hi[i], gmax[i]);
      }
    }
    holder.type = kTypeBox;
    holder.halfExtents = (hi - lo) * 0.5f;
    holder.transform = Transform::Identity();
    holder.transform.position = lo + holder.halfExtents;
    holder.transform.position.w = 1.0f;
  }
  holder.boundingRadius = extent;
  boundingRadius = extent;

  if (sensors.count > 0) {
    Vec3 lo, hi;
    holder.GetLocalBounds(lo, hi);
    for (PoolNode<SensorImpl>* s = sensors.head; s; s = s->next) {
      const Vec3 a = s->rec.linePos, b = s->rec.linePos + s->rec.lineVector;
      for (int i = 0; i < 3; ++i) {
        lo[i] = std::min(lo[i], std::min(a[i], b[i]));
        hi[i] = std::max(hi[i], std::max(a[i], b[i]));
      }
    }
    holder.halfExtents = (hi - lo) * 0.5f;
    holder.transform.rotation = Mat3::Identity();
    holder.transform.position = lo + holder.halfExtents;
  }

  for (int r = 0; r < 3; ++r) boundsTransform.rotation.row[r] = holder.transform.rotation.row[r] * holder.halfExtents[r];
  boundsTransform.position = holder.transform.position;
}

void UpdateBodyBoundingBox(RigidBodyBase* body) {
  if (body->geometries.count == 0 && !body->customCollision) return;
  const Transform& pose = body->CurrentTransform();
  const Transform& box = body->boundsTransform;
  const Vec3 centre = pose.Apply(box.position);
  Vec3 extent;
  for (int r = 0; r < 3; ++r) {
    const Vec3 axis = Mat3TransformRow(box.rotation.row[r], pose.rotation);
    extent.x += std::fabs(axis.x);
    extent.y += std::fabs(axis.y);
    extent.z += std::fabs(axis.z);
  }
  body->worldMin = centre - extent;
  body->worldMax = centre + extent;
  // A box that is not finite cannot be ordered among the others: its ends leave the sorted lists
  // until it is finite again, when they go back in as a new body's do.
  if (!IsFiniteVec(body->worldMin) || !IsFiniteVec(body->worldMax)) {
    if (body->regionState == 0 && body->bodyNode) body->sim->region.LeaveSort(body);
    return;
  }
  if (body->regionState == RigidBodyBase::kOutOfSort) body->sim->region.ReturnToSort(body);
  for (int i = 0; i < 3; ++i) {
    if (body->minEnd[i]) body->minEnd[i]->rec.value = body->worldMin[i];
    if (body->maxEnd[i]) body->maxEnd[i]->rec.value = body->worldMax[i];
  }
}

void RigidBodyBase::UseCustomCollisionDetection(bool on, const Transform* box, float radius) {
  if (on) {
    if (box) boundsTransform = *box;
    customCollision = 1;
    boundingRadius = radius;
    if (active && !InRegion()) sim->region.AddBody(this, nullptr);
  } else {
    customCollision = 0;
    UpdateBoundingInfo();
    if (geometries.count == 0) {
      if (InRegion()) sim->region.RemoveBody(this);
      ReleaseRestingBodies();
    }
  }
}

SensorImpl* RigidBodyBase::AddSensor() {
  PoolNode<SensorImpl>* n = sim->sensorPool.Take();
  if (!n) {
    sim->Log("Run out of Sensors. Increase 'sensorsCount'.\n");
    return nullptr;
  }
  sensors.Append(n);
  return &n->rec;
}

bool RigidBodyBase::RemoveSensor(SensorImpl* sensor) {
  PoolNode<SensorImpl>* n = sim->sensorPool.UsedNodeAt(sensor);
  if (!n || !sensors.Contains(n)) return false;
  if (sensorIter == n) sensorIter = n->next;
  sensors.Remove(n);
  sim->sensorPool.Give(n);
  return true;
}

SensorImpl* RigidBodyBase::GetNextSensor() {
  PoolNode<SensorImpl>* n = sensorIter;
  if (!n) return nullptr;
  sensorIter = n->next;
  return &n->rec;
}

void RigidBodyBase::Active(bool on, RigidBodyBase* hint) {
  if ((active != 0) == on) return;
  if (!on) {
    sim->MoveToInactive(this);
    if (InRegion()) sim->region.RemoveBody(this);
    ReleaseRestingBodies();
    active = 0;
  } else {
    sim->MoveToActive(this);
    if (geometries.count > 0 || customCollision) sim->region.AddBody(this, hint);
    active = 1;
  }
}

void RigidBodyBase::ReleaseRestingBodies() {
  while (RestContact* c = restingOnMe) {
    RigidBodyImpl* owner = c->owner;
    c->Unlink();
    if (owner) owner->WakeUp();
  }
}

void RigidBodyBase::ReleaseRestContacts() {
  ReleaseRestingBodies();
  if (RigidBodyImpl* r = AsRigid()) r->DropOwnRestContacts(false);
}

void RigidBodyBase::GeometryReshaped() {
  ReleaseRestContacts();
  if (!customCollision) UpdateBoundingInfo();
}

void RigidBodyBase::DropUnhandledRestContacts() {
  for (RestContact* c = restingOnMe; c;) {
    RestContact* next = c->listNext;
    RigidBodyImpl* owner = c->owner;
    if (owner && !sim->HandlesPair(owner, this)) {
      c->Unlink();
      owner->WakeUp();
    }
    c = next;
  }
  if (RigidBodyImpl* r = AsRigid()) r->DropOwnRestContacts(true);
}

void RigidBodyBase::SetCollisionID(int32_t id) {
  if (id == collisionID) return;
  collisionID = id;
  DropUnhandledRestContacts();
}

void RigidBodyImpl::DropOwnRestContacts(bool unhandledOnly) {
  bool dropped = false;
  for (RestContact& c : restContacts) {
    if (!c.IsUsed() || (unhandledOnly && c.other && sim->HandlesPair(this, c.other))) continue;
    c.Unlink();
    dropped = true;
  }
  if (!dropped) return;
  restContactCount = 0;
  WakeUp();
}

bool SimulatorImpl::HandlesPair(const RigidBodyBase* a, const RigidBodyBase* b) const {
  if (b == &terrainBody) std::swap(a, b);
  if (a == &terrainBody) return b->collisionID != -1 && (collisionTable.Lookup(-1, b->collisionID) & 1) != 0;
  return (collisionTable.Lookup(a->collisionID, b->collisionID) & 1) != 0;
}

void SimulatorImpl::DropUnhandledRestContacts() {
  NodeList<RigidBodyImpl>* lists[] = {&activeRigid, &inactiveRigid, &particles, &inactiveParticles};
  for (NodeList<RigidBodyImpl>* list : lists) {
    for (PoolNode<RigidBodyImpl>* n = list->head; n; n = n->next) n->rec.DropOwnRestContacts(true);
  }
}

void RigidBodyBase::ReleaseGeometriesAndSensors() {
  while (PoolNode<SensorImpl>* s = sensors.head) {
    sensors.Remove(s);
    sim->sensorPool.Give(s);
  }
  while (PoolNode<TConvex>* g = geometries.head) {
    geometries.Remove(g);
    sim->geometryPool.Give(g);
  }
  geometryIter = nullptr;
  sensorIter = nullptr;
  if (InRegion()) sim->region.RemoveBody(this);
}

// ---- creation and release ----

RigidBodyImpl* SimulatorImpl::CreateRigidBody(bool isParticle) {
  Pool<RigidBodyImpl>& pool = isParticle ? particlePool : rigidPool;
  PoolNode<RigidBodyImpl>* n = pool.Take();
  if (!n) {
    Log(isParticle ? "Run out of RigidBodies. Increase 'rigidParticleCount'.\n"
                   : "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n");
    return nullptr;
  }
  RigidBodyImpl* b = &n->rec;
  (isParticle ? particles : activeRigid).Append(n);
  b->isParticle = isParticle ? 1 : 0;
  b->id = pool.IndexOf(n) + (isParticle ? region.bodyCapacity : 0);
  b->holder.InitDefault();
  b->sim = this;
  b->WakeUp();
  return b;
}

AnimatedBodyImpl* SimulatorImpl::CreateAnimatedBody() {
  PoolNode<AnimatedBodyImpl>* n = animatedPool.Take();
  if (!n) return nullptr;
  AnimatedBodyImpl* b = &n->rec;
  animated.Append(n);
  b->id = animatedPool.IndexOf(n) + region.rigidCapacity;
  b->holder.InitDefault();
  b->sim = this;
  return b;
}

bool SimulatorImpl::IsBodyInUse(const RigidBodyBase* body) const {
  if (body == &terrainBody) return true;
  if (body->kind == 1) {
    const RigidBodyImpl* r = static_cast<const RigidBodyImpl*>(body);
    return rigidPool.UsedNodeAt(r) || particlePool.UsedNodeAt(r);
  }
  return animatedPool.UsedNodeAt(static_cast<const AnimatedBodyImpl*>(body)) != nullptr;
}

void SimulatorImpl::FreeRigid(RigidBodyImpl* body) {
  PoolNode<RigidBodyImpl>* n = rigidPool.UsedNodeAt(body);
  Pool<RigidBodyImpl>* pool = &rigidPool;
  if (!n) {
    n = particlePool.UsedNodeAt(body);
    pool = &particlePool;
  }
  if (!n) {
    Log(particlePool.NodeAt(body) ? "Trying to Free invalid RigidParticle.\n" : "Trying to Free invalid RigidBody.\n");
    return;
  }
  body->ReleaseLinks();
  if (body->isParticle) {
    (body->active ? particles : inactiveParticles).Remove(n);
  } else {
    (body->active ? activeRigid : inactiveRigid).Remove(n);
  }
  pool->Give(n);
}

void SimulatorImpl::FreeAnimated(AnimatedBodyImpl* body) {
  PoolNode<AnimatedBodyImpl>* n = animatedPool.UsedNodeAt(body);
  if (!n) {
    Log("Trying to Free invalid AnimatedBody.\n");
    return;
  }
  body->ReleaseRestingBodies();
  body->ReleaseGeometriesAndSensors();
  FreeJointsOfBody(body);
  body->LeaveConstraintSet();
  (body->active ? animated : inactiveAnimated).Remove(n);
  animatedPool.Give(n);
}

void SimulatorImpl::FreeAllBodies() {
  NodeList<RigidBodyImpl>* rigidLists[] = {&activeRigid, &inactiveRigid, &particles, &inactiveParticles};
  for (NodeList<RigidBodyImpl>* list : rigidLists) {
    while (PoolNode<RigidBodyImpl>* n = list->head) FreeRigid(&n->rec);
  }
  NodeList<AnimatedBodyImpl>* animLists[] = {&animated, &inactiveAnimated};
  for (NodeList<AnimatedBodyImpl>* list : animLists) {
    while (PoolNode<AnimatedBodyImpl>* n = list->head) FreeAnimated(&n->rec);
  }
}

void SimulatorImpl::MoveToInactive(RigidBodyBase* body) { MoveBetweenLists(body, false); }
void SimulatorImpl::MoveToActive(RigidBodyBase* body) { MoveBetweenLists(body, true); }

void SimulatorImpl::MoveBetweenLists(RigidBodyBase* body, bool toActive) {
  if (body->kind == 1) {
    RigidBodyImpl* r = static_cast<RigidBodyImpl*>(body);
    PoolNode<RigidBodyImpl>* n = (r->isParticle ? particlePool : rigidPool).UsedNodeAt(r);
    if (!n) return;
    NodeList<RigidBodyImpl>& active = r->isParticle ? particles : activeRigid;
    NodeList<RigidBodyImpl>& inactive = r->isParticle ? inactiveParticles : inactiveRigid;
    (toActive ? inactive : active).Remove(n);
    (toActive ? active : inactive).Append(n);
  } else {
    PoolNode<AnimatedBodyImpl>* n = animatedPool.UsedNodeAt(static_cast<AnimatedBodyImpl*>(body));
    if (!n) return;
    (toActive ? inactiveAnimated : animated).Remove(n);
    (toActive ? animated : inactiveAnimated).Append(n);
  }
}

RigidBodyImpl* SimulatorImpl::BreakGeometry(TConvex* geometry, RigidBodyBase* body) {
  PoolNode<TConvex>* gn = geometryPool.UsedNodeAt(geometry);
  if (!gn || !body->geometries.Contains(gn) || body->geometries.count <= 1) return nullptr;
  RigidBodyImpl* nb = CreateRigidBody(false);
  if (!nb) return nullptr;
  nb->SetMass(geometry->breakMass);
  Mat3 inertia = DiagonalMat3(geometry->breakInertia);
  nb->inertia = inertia;
  InvertMat3(inertia, &nb->inverseInertia);

  const Transform& bp = body->CurrentTransform();
  Mat3 rotation = Mat3Multiply(geometry->transform.rotation, bp.rotation);
  nb->pose.position = bp.Apply(geometry->transform.position);
  nb->pose.position.w = 1.0f;
  nb->SetRotation(rotation);

  if (body->geometryIter == gn) body->geometryIter = gn->next;
  body->geometries.Remove(gn);
  if (body->geometries.count == 0 && body->active && body->InRegion()) region.RemoveBody(body);
  if (body->geometries.count == 1) body->UpdateBoundingInfo();
  body->ReleaseRestContacts();
  geometry->transform = Transform::Identity();
  geometry->breakMode = 0;
  geometry->body = nb;
  nb->geometries.Append(gn);
  static_cast<RigidBodyBase*>(nb)->UpdateBoundingInfo();
  region.AddBody(nb, body);
  return nb;
}

}  // namespace phys
