// The time step: fixed and variable advance, the passes of one step, and the contact response.
#include <utility>

#include "physics/collision/narrow_phase.h"
#include "physics/collision/solver.h"
#include "physics/world/sensors.h"
#include "physics/world/simulator.h"

namespace phys {

namespace {

// The records the collision callback receives; the next contact overwrites them.
CollisionInfo pairInfo;
CollisionInfo terrainInfo;

template <class T, class F>
void ForEach(NodeList<T>& list, F f) {
  for (PoolNode<T>* n = list.head; n; n = n->next) f(&n->rec);
}

bool ValidNormal(const Vec3& n) {
  return IsFiniteVec(n) && (std::fabs(n.x) >= 1e-6f || std::fabs(n.y) >= 1e-6f || std::fabs(n.z) >= 1e-6f);
}

// The advance counter wraps to 0 instead of overflowing; the slots taken from it stay in range.
int32_t NextAdvanceCount(int32_t n) { return n >= INT32_MAX || n < 0 ? 0 : n + 1; }

bool Idle(const RigidBodyBase* b) { return b->kind == 1 && static_cast<const RigidBodyImpl*>(b)->restState == 1; }

void FillInfo(CollisionInfo* info, RigidBodyBase* a, int kindA, RigidBodyBase* b, int kindB, const ConstraintItem& row) {
  info->bodyA = a->kind == 1 ? static_cast<void*>(static_cast<RigidBody*>(static_cast<RigidBodyImpl*>(a)))
                             : static_cast<void*>(static_cast<AnimatedBody*>(static_cast<AnimatedBodyImpl*>(a)));
  if (kindB == 0) {
    info->bodyB = nullptr;
  } else {
    info->bodyB = b->kind == 1 ? static_cast<void*>(static_cast<RigidBody*>(static_cast<RigidBodyImpl*>(b)))
                               : static_cast<void*>(static_cast<AnimatedBody*>(static_cast<AnimatedBodyImpl*>(b)));
  }
  info->kindA = kindA;
  info->kindB = kindB;
  info->pointA = row.worldPointA;
  info->pointB = row.worldPointB;
  info->normal = row.normal;
  info->idA = row.materialA;
  info->idB = row.materialB;
}

}  // namespace

int SimulatorImpl::Advance(float seconds, int steps, PerformanceReport* rep) {
  report = rep;
  if (rep) {
    rep->result = 0.0f;
    for (float& f : rep->phases) f = 0.0f;
    timer->Reset();
  }
  // Nothing to step for a non-positive or non-finite time or step count.
  if (steps >= 1 && seconds > 0.0f && std::isfinite(seconds)) {
    stepTime = seconds / static_cast<float>(steps);
    inverseStepTime = 1.0f / stepTime;
    for (int i = 0; i < steps; ++i) Step();
  }
  ClearMoved();
  if (rep) FillPerformanceReport(rep, *timer);
  report = nullptr;
  advanceCount = NextAdvanceCount(advanceCount);
  return advanceCount;
}

void SimulatorImpl::AdvanceVariable(float seconds, float minTime, float maxStep, PerformanceReport* rep) {
  report = rep;
  if (rep) {
    rep->result = 0.0f;
    for (float& f : rep->phases) f = 0.0f;
    timer->Reset();
  }
  const bool valid = std::isfinite(seconds) && std::isfinite(minTime) && std::isfinite(maxStep) && minTime > 0.0f &&
                     minTime <= maxStep;
  if (valid) {
    float r = seconds + stepRemainder;
    if (!std::isfinite(r)) r = 0.0f;
    float s = maxStep;
    while (minTime <= r) {
      while (s <= r) {
        if (lastVariableStep > 0.0f && std::isfinite(lastVariableStep) &&
            std::fabs((s - lastVariableStep) / lastVariableStep) > 0.2f) {
          s = s > lastVariableStep ? lastVariableStep * 1.2f : lastVariableStep * 0.8f;
        }
        stepTime = s;
        inverseStepTime = 1.0f / s;
        Step();
        r -= s;
        advanceCount = NextAdvanceCount(advanceCount);
        lastVariableStep = s;
      }
      s = r < maxStep ? r : maxStep;
      if (!(s > 0.0f)) break;
    }
    stepRemainder = r;
  }
  ClearMoved();
  if (rep) FillPerformanceReport(rep, *timer);
  report = nullptr;
}

void SimulatorImpl::ClearMoved() {
  ForEach(animated, [](AnimatedBodyImpl* b) { b->moved = 0; });
  ForEach(inactiveAnimated, [](AnimatedBodyImpl* b) { b->moved = 0; });
}

void SimulatorImpl::ResetSensors() {
  auto clear = [](RigidBodyBase* b) {
    for (PoolNode<SensorImpl>* s = b->sensors.head; s; s = s->next) {
      s->rec.detectDepth = 0.0f;
      s->rec.detectBody = nullptr;
    }
  };
  ForEach(animated, clear);
  ForEach(particles, clear);
  ForEach(activeRigid, clear);
}

void SimulatorImpl::Step() {
  ResetSensors();
  ForEach(activeRigid, [](RigidBodyImpl* b) { UpdateBodyBoundingBox(b); });
  ForEach(particles, [](RigidBodyImpl* b) { UpdateBodyBoundingBox(b); });
  ForEach(animated, [](AnimatedBodyImpl* b) {
    if (b->moved) UpdateAnimatedBodyBoundingBox(b);
  });
  region.Update();
  Mark(kSlotBroadPhase);
  CollisionPass();
  Mark(kSlotCollision);
  TerrainPass();
  Mark(kSlotTerrain);
  auto clearSums = [](RigidBodyImpl* b) {
    b->totalForce.SetZero();
    b->totalTorque.SetZero();
  };
  ForEach(activeRigid, clearSums);
  ForEach(particles, clearSums);
  DampJoints();
  restContactCounter = 0;
  const float dt = stepTime;
  ForEach(activeRigid, [dt](RigidBodyImpl* b) { b->UpdateVelocity(dt); });
  ForEach(particles, [dt](RigidBodyImpl* b) { b->UpdateVelocity(dt); });
  Mark(kSlotVelocity);
  SolveJointGroups();
  SolverPasses();
  Mark(kSlotSolver);
  auto integrate = [this, dt](RigidBodyImpl* b) {
    b->stackSolveAllowed = 1;
    if (b->restState == 1) return;
    if (!b->constraintSet) {
      CheckForRest(b);
    } else {
      b->CountSlowStep();
    }
    if (b->restState != 1) b->UpdatePosition(dt);
  };
  ForEach(activeRigid, integrate);
  ForEach(particles, integrate);
  Mark(kSlotPosition);
  RunJointControllers();
  Mark(kSlotControllers);
}

namespace {

// The sensors of each rigid body of a pair against the other body.
void TestPairSensors(RigidBodyBase* a, RigidBodyBase* b) {
  if (a->kind == 1 && a->sensors.count > 0) TestSensors(*a, a->CurrentTransform(), *b, b->CurrentTransform(), b);
  if (b->kind == 1 && b->sensors.count > 0) TestSensors(*b, b->CurrentTransform(), *a, a->CurrentTransform(), a);
}

}  // namespace

void SimulatorImpl::CollisionPass() {
  for (PoolNode<OverlapPair>* p = region.pairs.head; p; p = p->next) {
    RigidBodyBase* a = p->rec.first;
    RigidBodyBase* b = p->rec.second;
    if (a->kind == 0 && b->kind == 0) continue;
    const int entry = collisionTable.Lookup(a->collisionID, b->collisionID);
    if (entry == 0) continue;
    bool still;  // nothing moved that could change the contact
    if (a->kind == 1 && b->kind == 1) {
      if (a->constraintSet && a->constraintSet == b->constraintSet) {
        if (!(a->collideConnected && b->collideConnected)) continue;
        still = Idle(a) && Idle(b);
      } else {
        still = Idle(a) && Idle(b) && !a->pushedLastStep && !b->pushedLastStep;
      }
    } else {
      RigidBodyBase* r = a->kind == 1 ? a : b;
      AnimatedBodyImpl* m = (a->kind == 0 ? a : b)->AsAnimated();
      still = Idle(r) && !r->pushedLastStep && !m->moved;
    }
    if (still) {
      // The contact needs no test, but the sensors were cleared at the start of the step: a
      // resting body's sensors go on reporting what they touch.
      if (!a->customCollision && !b->customCollision) TestPairSensors(a, b);
      continue;
    }

    ConstraintItem row;
    bool fromCustom = false;
    if (!a->customCollision && !b->customCollision) {
      CollisionTestBodies(&row, *a, a->CurrentTransform(), *b, b->CurrentTransform());
      TestPairSensors(a, b);
    } else {
      CustomCollisionRecord record;
      int hit = 0;
      if (a->kind == 1 && b->kind == 1) {
        if (!rigidCustomCallback) continue;
        hit = rigidCustomCallback(static_cast<RigidBody*>(a->AsRigid()), static_cast<RigidBody*>(b->AsRigid()), &record);
      } else {
        if (!animatedCustomCallback) continue;
        RigidBodyImpl* r = (a->kind == 1 ? a : b)->AsRigid();
        AnimatedBodyImpl* m = (a->kind == 0 ? a : b)->AsAnimated();
        hit = animatedCustomCallback(static_cast<RigidBody*>(r), static_cast<AnimatedBody*>(m), &record);
        if (a->kind == 0) {
          record.normal = -record.normal;
          std::swap(record.idA, record.idB);
          std::swap(record.pointA, record.pointB);
        }
      }
      if (!hit) continue;
      fromCustom = true;
      const Transform& ta = a->CurrentTransform();
      const Transform& tb = b->CurrentTransform();
      row.hasContact = 1;
      row.normal = record.normal;
      row.normal.w = 0.0f;
      row.depth = record.depth;
      row.materialA = record.idA;
      row.materialB = record.idB;
      row.worldPointA = record.pointA;
      row.worldPointB = record.pointB;
      row.relPointA = record.pointA - ta.position;
      row.relPointB = record.pointB - tb.position;
      row.localPointA = Mat3TransformColumn(ta.rotation, row.relPointA);
      row.localPointB = Mat3TransformColumn(tb.rotation, row.relPointB);
      BuildFrameFromNormal(&row.tangent1, &row.tangent2, &row.normal);
    }
    if (!row.hasContact) continue;
    row.bodyA = a;
    row.bodyB = b;
    if ((entry & 1) && ValidNormal(row.normal)) HandleContact(a, b, &row);
    if ((entry & 2) && collisionCallback && !fromCustom) {
      FillInfo(&pairInfo, a, a->kind == 1 ? 1 : 2, b, b->kind == 1 ? 1 : 2, row);
      collisionCallback(&pairInfo);
    }
  }
}

void SimulatorImpl::TestBodyAgainstTerrain(RigidBodyImpl* body, bool sensorsOnly) {
  TConvex& terrain = terrainGeometry.rec;
  if (terrainQueryCallback) {
    int32_t* indices = nullptr;
    Triangle* tris = nullptr;
    Vec3* verts = nullptr;
    int32_t indexCount = 0, triCount = 0;
    terrainQueryCallback(body->worldMin, body->worldMax, &indices, &tris, &verts, &indexCount, &triCount,
                         static_cast<RigidBody*>(body));
    Mark(kSlotTerrainQuery);
    if (!indices || !tris || !verts || indexCount <= 0) return;
    // The caller's arrays are used in place; indices outside its triangle array are dropped by the
    // triangle walk.
    terrain.SetTriangleList(indices, indexCount, tris, verts, triCount);
  } else {
    const TerrainTree& tree = region.tree;
    if (tree.triangleCount == 0) return;
    TerrainLeafCache* cache = FindTerrainLeaves(body);
    if (terrainNodeList.Count() == 0) return;
    // Each triangle once, in first-seen order: a per-triangle stamp marks the ones taken.
    if (++terrainStamp == 0) {
      for (size_t i = 0; i < terrainStamps.Count(); ++i) terrainStamps[i] = 0;
      terrainStamp = 1;
    }
    const bool stamps = terrainStamps.Count() == static_cast<size_t>(tree.triangleCount);
    // A lone sphere without sensors tests only the triangles whose bounds touch the box around it
    // and whose plane passes within its radius (the triangle walk and the sphere test drop the
    // others anyway), so those are left out here already; the reach is widened a little so that it
    // holds the walk's own tests whatever the rounding. Sensors look farther and see every triangle.
    Vec3 centre;
    float reach = 0.0f;
    const TConvex& g = body->geometries.head->rec;
    const bool filter =
        tree.HasLeafBounds() && body->geometries.count == 1 && g.type == kTypeSphere && body->sensors.count == 0;
    if (filter) {
      centre = body->pose.Apply(g.GetTransformOrIdentity().position);
      reach = g.radius * 1.001f + 1e-3f;
    }
    terrainTriangleList.Clear();
    const PreparedTriangle* prepared = tree.PreparedTriangles();
    bool full = false;
    // The few triangles near a sphere are checked against the list itself, which is cheaper than
    // reaching for their stamps; a list that grows long stamps what it holds and goes on by stamps.
    bool byStamp = stamps && !filter;
    auto take = [&](int32_t t) {
      if (full) return;
      if (!byStamp && stamps && terrainTriangleList.Count() >= 16) {
        for (size_t j = 0; j < terrainTriangleList.Count(); ++j) {
          terrainStamps[static_cast<size_t>(terrainTriangleList[j])] = terrainStamp;
        }
        byStamp = true;
      }
      if (byStamp) {
        if (terrainStamps[static_cast<size_t>(t)] == terrainStamp) return;
        terrainStamps[static_cast<size_t>(t)] = terrainStamp;
      } else {
        for (size_t j = 0; j < terrainTriangleList.Count(); ++j) {
          if (terrainTriangleList[j] == t) return;
        }
      }
      // A full list that cannot grow keeps the triangles it has.
      if (!terrainTriangleList.Push(t)) {
        full = true;
        return;
      }
      // The walk reads the triangle and its prepared record soon: start fetching them now.
      if (prepared) {
        const char* rec = reinterpret_cast<const char*>(prepared + t);
        __builtin_prefetch(tree.triangles + t);
        for (size_t b = 0; b < sizeof(PreparedTriangle); b += 64) __builtin_prefetch(rec + b);
      }
    };
    if (filter && cache) {
      // The kept leaves' entries near the centre, gathered with some room to spare, serve the next
      // steps as long as the centre has moved less than that room: with the leaves that touch the
      // body's box they give the same triangles in the same order as reading the leaves.
      const Vec3 d = centre - cache->near;
      const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
      const float moved = ax > ay ? (ax > az ? ax : az) : (ay > az ? ay : az);
      // 1.75 > sqrt(3): the most a plane's distance can change when the centre moves this far.
      if (cache->entryCount < 0 || !IsFiniteVec(d) || !(moved * 1.75f <= cache->nearReach - reach)) {
        cache->near = centre;
        cache->nearReach = reach * 1.25f;
        cache->entryCount = 0;
        for (int32_t k = 0; k < cache->count && cache->entryCount >= 0; ++k) {
          const TerrainTreeNode* node = cache->leaves[k];
          tree.ForEachEntryNear(*node, centre, cache->nearReach, [&](int i) {
            if (cache->entryCount < 0) return;
            if (cache->entryCount == kKeptEntries) {
              cache->entryCount = -1;
              return;
            }
            cache->entryLeaf[cache->entryCount] = static_cast<uint8_t>(k);
            cache->entryAt[cache->entryCount] = node->firstTriangle + i;
            ++cache->entryCount;
          });
        }
      }
    }
    if (filter && cache && cache->entryCount >= 0) {
      const int32_t* all = tree.leafIndices.Data();
      for (int32_t e = 0; e < cache->entryCount && !full; ++e) {
        if (!(cache->touching & (1u << cache->entryLeaf[e]))) continue;
        const size_t at = static_cast<size_t>(cache->entryAt[e]);
        if (tree.EntryNear(at, centre, reach)) take(all[at]);
      }
    }
    for (size_t k = 0; k < terrainNodeList.Count() && !full && !(filter && cache && cache->entryCount >= 0); ++k) {
      const TerrainTreeNode* node = terrainNodeList[k];
      const int32_t* list = tree.NodeTriangles(*node);
      if (filter) {
        tree.ForEachEntryNear(*node, centre, reach, [&](int i) { take(list[i]); });
      } else {
        for (int i = 0; i < node->triangleCount && !full; ++i) take(list[i]);
      }
    }
    Mark(kSlotTerrainQuery);
    terrain.SetTriangleList(terrainTriangleList.Data(), static_cast<int32_t>(terrainTriangleList.Count()),
                            tree.triangles, tree.vertices, tree.triangleCount);
    terrain.listPrepared = prepared;
  }

  ConstraintItem row;
  static const Transform identity = Transform::Identity();
  if (!sensorsOnly) CollisionTestBodies(&row, *body, body->pose, terrainBody, identity);
  if (body->sensors.count > 0) TestSensors(*body, body->pose, terrainBody, identity, nullptr);
  terrain.SetTriangleList(nullptr, 0, nullptr, nullptr);
  if (!row.hasContact) return;
  row.bodyA = body;
  row.bodyB = &terrainBody;
  const int entry = body->collisionID == -1 ? 0 : collisionTable.Lookup(-1, body->collisionID);
  if ((entry & 1) && ValidNormal(row.normal)) HandleContact(body, &terrainBody, &row);
  if ((entry & 2) && collisionCallback) {
    FillInfo(&terrainInfo, body, 1, &terrainBody, 0, row);
    collisionCallback(&terrainInfo);
  }
}

SimulatorImpl::TerrainLeafCache* SimulatorImpl::FindTerrainLeaves(RigidBodyImpl* body) {
  const TerrainTree& tree = region.tree;
  const Vec3& lo = body->worldMin;
  const Vec3& hi = body->worldMax;
  terrainNodeList.Clear();
  // Nothing to find off the terrain.
  if (!TerrainNodeTouches(tree.root, lo, hi)) return nullptr;
  TerrainLeafCache* cache = nullptr;
  // A box that is not finite touches everything and is not worth keeping.
  if (tree.nestedBoxes && body->id >= 0 && static_cast<size_t>(body->id) < terrainLeafCaches.Count() &&
      IsFiniteVec(lo) && IsFiniteVec(hi)) {
    cache = &terrainLeafCaches[static_cast<size_t>(body->id)];
  }
  if (!cache) {
    QueryTerrainTree(&tree.root, &terrainNodeList, &lo, &hi, 0);
    return nullptr;
  }
  // With nested boxes, the leaves touching a box are those of any larger box's leaves that touch it,
  // in the same order.
  const bool inside = cache->build == tree.buildCount && lo.x >= cache->lo.x && lo.y >= cache->lo.y &&
                      lo.z >= cache->lo.z && hi.x <= cache->hi.x && hi.y <= cache->hi.y && hi.z <= cache->hi.z;
  if (!inside) {
    cache->build = 0;
    cache->count = 0;
    cache->entryCount = -1;
    Vec3 margin = (hi - lo) * 0.15f;
    cache->lo = lo - margin;
    cache->hi = hi + margin;
    QueryTerrainTree(&tree.root, &terrainNodeList, &cache->lo, &cache->hi, 0);
    const size_t found = terrainNodeList.Count();
    if (found >= terrainNodeList.Capacity()) {
      // The list may have been cut short: ask again for the body's own box.
      terrainNodeList.Clear();
      QueryTerrainTree(&tree.root, &terrainNodeList, &lo, &hi, 0);
      return nullptr;
    }
    if (found > static_cast<size_t>(kKeptLeaves)) {
      // Too many to keep: the ones touching the body's box are the answer.
      size_t kept = 0;
      for (size_t i = 0; i < found; ++i) {
        if (TerrainNodeTouches(*terrainNodeList[i], lo, hi)) terrainNodeList[kept++] = terrainNodeList[i];
      }
      terrainNodeList.Resize(kept);
      return nullptr;
    }
    cache->build = tree.buildCount;
    cache->count = static_cast<int32_t>(found);
    for (size_t i = 0; i < found; ++i) cache->leaves[i] = terrainNodeList[i];
    terrainNodeList.Clear();
  }
  cache->touching = 0;
  for (int32_t i = 0; i < cache->count; ++i) {
    if (!TerrainNodeTouches(*cache->leaves[i], lo, hi)) continue;
    terrainNodeList.Push(cache->leaves[i]);
    cache->touching |= 1u << i;
  }
  return cache;
}

void SimulatorImpl::TerrainPass() {
  auto pass = [this](RigidBodyImpl* b) {
    // A resting body that was not pushed (on the last step, or by the collision pass of this one)
    // needs no contact test; its sensors are tested alone.
    const bool still = b->restState == 1 && !b->pushedLastStep && !b->pushedThisStep;
    if (still && b->sensors.count == 0) return;
    // A body with collision id -1 never touches the terrain.
    if (b->collisionID == -1) return;
    if (b->geometries.count == 0) return;
    // Nor does a body whose box is not finite (it would seem to touch every triangle).
    if (!IsFiniteVec(b->worldMin) || !IsFiniteVec(b->worldMax)) return;
    TestBodyAgainstTerrain(b, still);
  };
  ForEach(activeRigid, pass);
  ForEach(particles, pass);
  auto roll = [](RigidBodyImpl* b) {
    b->pushedLastStep = b->pushedThisStep != 0;
    b->pushedThisStep = 0;
  };
  ForEach(activeRigid, roll);
  ForEach(particles, roll);
}

void SimulatorImpl::HandleContact(RigidBodyBase* a, RigidBodyBase* b, ConstraintItem* row) {
  RigidBodyImpl* ra = a->AsRigid();
  RigidBodyImpl* rb = b->AsRigid();
  if ((ra || rb) && ListsShareEntry(a, b) && !(a->collideJoined && b->collideJoined)) return;
  if (ra && rb && rb->isParticle) {
    row->Setup(false, false);
    ApplyContactItemImpulse(this, a, b, *row, 1, 1.0f);
    rb->pose.position -= row->normal * row->depth;
    rb->pose.position.w = 1.0f;
    // A resting particle moved here is tested against the terrain by the pass that follows.
    if (rb->restState == 1) rb->pushedThisStep = 1;
    return;
  }
  Vec3 va, vb;
  if (ra) va = ra->velocity + Vec3Cross(ra->angularVelocity, row->relPointA);
  if (rb) vb = rb->velocity + Vec3Cross(rb->angularVelocity, row->relPointB);
  row->relVelocity = va - vb;

  const float g = row->normal.Dot(unitGravity);
  if (g < 0.0f) {
    if (ra) {
      row->Setup(false, false);
      ApplyContactItemImpulse(this, a, b, *row, 1, 1.0f);
      RestContact rest;
      rest.Set(*row);
      JoinStacks(ra, rest, row);
      return;
    }
    if (rb) SeparateBodies(row);
  } else {
    if (rb) {
      row->Setup(false, false);
      ApplyContactItemImpulse(this, a, b, *row, 1, 1.0f);
      RestContact rest;
      const Vec3 localNormal = Mat3TransformColumn(a->CurrentTransform().rotation, -row->normal);
      rest.Set(1, row->localPointB, row->localPointA, localNormal, row->materialB, row->materialA);
      rest.other = a;
      rest.depth = row->depth;
      ConstraintItem swapped = *row;
      swapped.normal = -row->normal;
      JoinStacks(rb, rest, &swapped);
      return;
    }
    if (ra) SeparateBodies(row);
  }
  row->Setup(false, false);
  ApplyContactItemImpulse(this, a, b, *row, 1, 1.0f);
}

void SimulatorImpl::SeparateBodies(ConstraintItem* row) {
  RigidBodyImpl* ra = row->bodyA ? row->bodyA->AsRigid() : nullptr;
  RigidBodyImpl* rb = row->bodyB ? row->bodyB->AsRigid() : nullptr;
  const Vec3 push = row->normal * row->depth;
  if (ra && rb) {
    const float sum = ra->mass + rb->mass;
    if (!(sum > 0.0f)) return;
    ra->pose.position += push * (rb->mass / sum);
    rb->pose.position -= push * (ra->mass / sum);
    ra->pushedThisStep = 1;
    rb->pushedThisStep = 1;
  } else if (ra) {
    ra->pose.position += push;
  } else if (rb) {
    rb->pose.position -= push;
  }
  if (ra) ra->pose.position.w = 1.0f;
  if (rb) rb->pose.position.w = 1.0f;
}

bool SimulatorImpl::HandleBreakage(RigidBodyBase* body, const TConvex* geometry, const Vec3* point, Vec3* impulse) {
  const Transform& pose = body->CurrentTransform();
  const Vec3 axis = Mat3TransformRow(Mat3TransformRow(geometry->breakPlane, geometry->transform.rotation), pose.rotation);
  const Vec3 along = axis * axis.Dot(*impulse);
  const Vec3 rest = *impulse - along;
  const float len = rest.Length();
  if (len < geometry->breakThreshold || len == 0.0f) return false;
  const float f = geometry->breakThreshold / len;
  const Vec3 share = rest * (f * geometry->breakAbsorption);
  *impulse = along + rest * (f * (1.0f - geometry->breakAbsorption));
  const int kindCode = body->kind == 1 ? 1 : 2;
  RigidBodyImpl* fresh = nullptr;
  if (geometry->breakMode == 1 || geometry->breakMode == 4) {
    PoolNode<TConvex>* node = geometryPool.UsedNodeAt(geometry);
    if (node) fresh = BreakGeometry(&node->rec, body);
    if (fresh) fresh->ApplyContactImpulse(share, *point - fresh->pose.position);
  }
  if (body->kind == 0) *impulse = share;
  if (fresh && breakageCallback) {
    void* facade = body->kind == 1 ? static_cast<void*>(static_cast<RigidBody*>(body->AsRigid()))
                                   : static_cast<void*>(static_cast<AnimatedBody*>(body->AsAnimated()));
    PoolNode<TConvex>* node = geometryPool.UsedNodeAt(geometry);
    breakageCallback(facade, kindCode, node ? static_cast<Geometry*>(&node->rec) : nullptr, fresh);
  }
  return fresh != nullptr;
}

StackHeader* SimulatorImpl::AllocStackHeader(StackInfo* first) {
  PoolNode<StackHeader>* n = stackHeaderPool.Take();
  if (!n) {
    Log("Stacking Buffer full Error. Please contact techincal support\n");
    return nullptr;
  }
  n->rec.sim = this;
  stackList.Append(n);
  if (first) {
    n->rec.first = n->rec.last = first;
    n->rec.count = 1;
    first->header = &n->rec;
  }
  return &n->rec;
}

ConstraintHeader* SimulatorImpl::AllocConstraintHeader() {
  PoolNode<ConstraintHeader>* n = constraintSetPool.Take();
  if (!n) {
    Log("Run out of Constraint Sets. Increase 'constraintSetsCount'.\n");
    return nullptr;
  }
  return &n->rec;
}

}  // namespace phys
