// Broad phase: bounding-box end points sorted on three axes; an incremental insertion sort finds
// the crossings that start and end overlaps.
#include "physics/world/simulator.h"

namespace phys {

namespace {

// Order of two end points in a sorted list: by value; of equal values a max comes before a min, so
// that touching boxes (one's max equal to the other's min) never count as overlapping.
inline bool Before(const EndPoint& e, const EndPoint& s) {
  return e.value < s.value || (e.value == s.value && e.kind == 1 && s.kind == 0);
}

inline bool BothParticles(const RigidBodyBase* a, const RigidBodyBase* b) {
  return a->IsParticleBody() && b->IsParticleBody();
}

// Rigid bodies first, then particles, then animated bodies.
inline void OrderPair(RigidBodyBase*& a, RigidBodyBase*& b) {
  const bool aFirst = (a->kind == 1 && !a->IsParticleBody()) || (a->IsParticleBody() && b->kind == 0);
  if (!aFirst) std::swap(a, b);
}

}  // namespace

bool Region::Init(SimulatorImpl* s, int mask) {
  Free();
  sim = s;
  allocator = s->allocator;
  axisMask = mask & 7;
  const SimulatorSizeInfo& info = s->sizeInfo;
  const long long r = info.rigidBodiesCount > 0 ? info.rigidBodiesCount : 0;
  const long long a = info.animatedBodiesCount > 0 ? info.animatedBodiesCount : 0;
  const long long p = info.rigidParticleCount > 0 ? info.rigidParticleCount : 0;
  // Body ids and end-point pools must fit in an int.
  if (r + a + p > (1LL << 28)) return false;
  rigidCapacity = static_cast<int32_t>(r);
  animatedCapacity = static_cast<int32_t>(a);
  bodyCapacity = static_cast<int32_t>(r + a);
  particleCapacity = static_cast<int32_t>(p);
  const size_t n = static_cast<size_t>(bodyCapacity);
  const size_t np = static_cast<size_t>(particleCapacity);

  bodyPairCount = n > 1 ? n * (n - 1) / 2 : 0;
  if (np != 0 && n > std::numeric_limits<size_t>::max() / np) return false;
  particlePairCount = n * np;
  size_t bytes = 0;
  if (!BlockSize(bodyPairCount, sizeof(PairSlot), 0, &bytes)) return false;
  if (bodyPairCount > 0) {
    void* raw = allocator->Alloc(bytes, 0);
    if (!raw) return false;
    bodyPairs = static_cast<PairSlot*>(raw);
    for (size_t i = 0; i < bodyPairCount; ++i) new (&bodyPairs[i]) PairSlot();
  }
  if (!BlockSize(particlePairCount, sizeof(PairSlot), 0, &bytes)) return false;
  if (particlePairCount > 0) {
    void* raw = allocator->Alloc(bytes, 0);
    if (!raw) return false;
    particlePairs = static_cast<PairSlot*>(raw);
    for (size_t i = 0; i < particlePairCount; ++i) new (&particlePairs[i]) PairSlot();
  }
  const int total = bodyCapacity + particleCapacity;
  if (!pending.Init(total, 0, allocator)) return false;
  if (!bodyNodes.Init(total, allocator)) return false;
  if (!pairPool.Init(info.overlappedPairsCount, allocator)) return false;
  for (int i = 0; i < 3; ++i) {
    axes[i].index = i;
    axes[i].bit = static_cast<uint8_t>(1 << i);
    axes[i].region = this;
    axes[i].sorted = NodeList<EndPoint>();
    if ((axisMask & (1 << i)) && !axes[i].pool.Init(2 * total, allocator)) return false;
  }
  tree.sizeInfo = &s->sizeInfo;
  return true;
}

void Region::Free() {
  tree.Free();
  for (RegionAxis& axis : axes) {
    axis.pool.Release();
    axis.sorted = NodeList<EndPoint>();
  }
  pairPool.Release();
  pairs = NodeList<OverlapPair>();
  bodyNodes.Release();
  bodiesInRegion = NodeList<BodyNode>();
  pending.Release();
  if (bodyPairs) allocator->Free(bodyPairs);
  if (particlePairs) allocator->Free(particlePairs);
  bodyPairs = nullptr;
  particlePairs = nullptr;
  bodyPairCount = particlePairCount = 0;
}

size_t Region::BytesTaken() const {
  size_t b = bodyPairCount * sizeof(PairSlot) + particlePairCount * sizeof(PairSlot) + pending.BytesTaken() +
             bodyNodes.BytesTaken() + pairPool.BytesTaken();
  for (const RegionAxis& axis : axes) b += axis.pool.BytesTaken();
  return b + tree.nodes.BytesTaken() + tree.prepared.BytesTaken() + tree.leafBounds.BytesTaken() + static_cast<size_t>(tree.triangleCount) * sizeof(Triangle);
}

bool Region::AddBody(RigidBodyBase* body, RigidBodyBase* hint) {
  if (body->bodyNode) return true;
  PoolNode<BodyNode>* n = bodyNodes.Take();
  if (!n) return false;
  if (!pending.Push(PendingInsertion{body, hint})) {
    bodyNodes.Give(n);
    return false;
  }
  n->rec.body = body;
  bodiesInRegion.Append(n);
  body->bodyNode = n;
  body->regionState = 1;
  return true;
}

void Region::RemoveBody(RigidBodyBase* body) {
  if (!body->bodyNode) return;
  if (body->regionState == 1) {
    // Still waiting: its pending entry goes, so a body is queued at most once.
    for (size_t i = 0; i < pending.Count(); ++i) {
      if (pending[i].body == body) {
        pending.Erase(i);
        break;
      }
    }
  }
  // Entries that name this body as their hint lose it.
  for (size_t i = 0; i < pending.Count(); ++i) {
    if (pending[i].hint == body) pending[i].hint = nullptr;
  }
  body->regionState = 0;
  RemoveEndsAndPairs(body);
  bodiesInRegion.Remove(body->bodyNode);
  bodyNodes.Give(body->bodyNode);
  body->bodyNode = nullptr;
}

void Region::RemoveEndsAndPairs(RigidBodyBase* body) {
  for (RegionAxis& axis : axes) axis.RemoveEnds(body);
  for (PoolNode<OverlapPair>* p = pairs.head; p;) {
    PoolNode<OverlapPair>* next = p->next;
    if (p->rec.first == body || p->rec.second == body) FreePair(p);
    p = next;
  }
}

void Region::LeaveSort(RigidBodyBase* body) {
  RemoveEndsAndPairs(body);
  body->regionState = RigidBodyBase::kOutOfSort;
}

void Region::ReturnToSort(RigidBodyBase* body) {
  // Each body in the broad phase holds at most one pending entry, so there is room; the next update
  // puts the ends back and works out the body's pairs.
  if (!pending.Push(PendingInsertion{body, nullptr})) return;
  body->regionState = 1;
}

void Region::FreePair(PoolNode<OverlapPair>* p) {
  PairSlot* slot = GetPairSlot(p->rec.first, p->rec.second);
  if (slot && slot->pair == p) {
    slot->pair = nullptr;
    slot->mask = 0;
  }
  pairs.Remove(p);
  pairPool.Give(p);
}

PairSlot* Region::GetPairSlot(const RigidBodyBase* a, const RigidBodyBase* b) {
  int lo = a->id, hi = b->id;
  if (lo > hi) std::swap(lo, hi);
  if (lo < 0 || lo == hi) return nullptr;
  if (hi < bodyCapacity) {
    const size_t index = static_cast<size_t>(hi - 1) * static_cast<size_t>(hi) / 2 + static_cast<size_t>(lo);
    return index < bodyPairCount ? &bodyPairs[index] : nullptr;
  }
  if (lo >= bodyCapacity) return nullptr;  // two particles
  const size_t index = static_cast<size_t>(particleCapacity) * static_cast<size_t>(lo) + static_cast<size_t>(hi - bodyCapacity);
  return index < particlePairCount ? &particlePairs[index] : nullptr;
}

bool Region::RecordPair(PairSlot* slot, RigidBodyBase* a, RigidBodyBase* b) {
  if (slot->pair) return true;
  if (sim->collisionTable.Lookup(a->collisionID, b->collisionID) == 0) return false;
  PoolNode<OverlapPair>* p = pairPool.Take();
  if (!p) {
    sim->Log("Overlap Pair buffer full. Increase buffer size.\n");
    return false;
  }
  OrderPair(a, b);
  p->rec.first = a;
  p->rec.second = b;
  pairs.Append(p);
  slot->pair = p;
  return true;
}

void Region::QueueToggle(RigidBodyBase* a, RigidBodyBase* b, uint8_t bit) {
  PairSlot* slot = GetPairSlot(a, b);
  if (!slot) return;
  if (toggleCount == static_cast<int>(sizeof(toggleQueue) / sizeof(toggleQueue[0]))) FlushToggles();
  __builtin_prefetch(slot, 1);
  toggleQueue[toggleCount++] = {slot, a, b, bit};
}

void Region::FlushToggles() {
  const int n = toggleCount;
  toggleCount = 0;
  for (int i = 0; i < n; ++i) ToggleSlot(toggleQueue[i].slot, toggleQueue[i].a, toggleQueue[i].b, toggleQueue[i].bit);
}

void Region::ToggleAxis(RigidBodyBase* a, RigidBodyBase* b, uint8_t bit) {
  PairSlot* slot = GetPairSlot(a, b);
  if (!slot) return;
  ToggleSlot(slot, a, b, bit);
}

void Region::ToggleSlot(PairSlot* slot, RigidBodyBase* a, RigidBodyBase* b, uint8_t bit) {
  const uint8_t old = slot->mask;
  const uint8_t now = static_cast<uint8_t>(old ^ bit);
  slot->mask = now;
  if (now == axisMask) {
    RecordPair(slot, a, b);
  } else if (old == axisMask && slot->pair) {
    PoolNode<OverlapPair>* p = slot->pair;
    slot->pair = nullptr;
    pairs.Remove(p);
    pairPool.Give(p);
  }
}

void Region::ResetPair(RigidBodyBase* a, RigidBodyBase* b) {
  PairSlot* slot = GetPairSlot(a, b);
  if (!slot) return;
  uint8_t mask = 0;
  for (int i = 0; i < 3; ++i) {
    if (!(axisMask & (1 << i))) continue;
    if (a->worldMin[i] < b->worldMax[i] && a->worldMax[i] > b->worldMin[i]) mask |= static_cast<uint8_t>(1 << i);
  }
  slot->mask = mask;
  if (slot->pair) {
    // A stale pair of an earlier life of one of the bodies.
    PoolNode<OverlapPair>* p = slot->pair;
    slot->pair = nullptr;
    pairs.Remove(p);
    pairPool.Give(p);
  }
  if (mask == axisMask) RecordPair(slot, a, b);
}

void Region::Update() {
  for (RegionAxis& axis : axes) {
    if (axisMask & axis.bit) axis.Sort(false);
  }
  for (size_t k = 0; k < pending.Count(); ++k) {
    RigidBodyBase* body = pending[k].body;
    if (body->regionState != 1 || !sim->IsBodyInUse(body)) continue;
    RigidBodyBase* hint = pending[k].hint;
    if (hint && (hint == body || !hint->bodyNode || hint->regionState != 0)) hint = nullptr;
    if (!InsertBody(body, hint)) continue;
    for (PoolNode<BodyNode>* n = bodiesInRegion.head; n; n = n->next) {
      RigidBodyBase* other = n->rec.body;
      if (other == body || other->regionState != 0 || BothParticles(body, other)) continue;
      ResetPair(body, other);
    }
  }
  pending.Clear();
}

bool Region::InsertBody(RigidBodyBase* body, RigidBodyBase* hint) {
  // The body has no ends yet: this brings its box up to date and nothing else.
  UpdateBodyBoundingBox(body);
  if (!IsFiniteVec(body->worldMin) || !IsFiniteVec(body->worldMax)) {
    body->regionState = RigidBodyBase::kOutOfSort;
    return false;
  }
  body->regionState = 0;
  for (RegionAxis& axis : axes) {
    if (axisMask & axis.bit) {
      axis.InsertBody(body, hint);
    } else {
      body->minEnd[axis.index] = body->maxEnd[axis.index] = nullptr;
    }
  }
  return true;
}

void Region::Rebuild() {
  for (RegionAxis& axis : axes) {
    if (axisMask & axis.bit) axis.Sort(true);
  }
  while (PoolNode<OverlapPair>* p = pairs.head) FreePair(p);
  // Every two bodies whose ends are in the sorted lists, as an insertion pairs them: particles with
  // every other body but one another.
  for (PoolNode<BodyNode>* n = bodiesInRegion.head; n; n = n->next) {
    RigidBodyBase* a = n->rec.body;
    if (a->regionState != 0) continue;
    for (PoolNode<BodyNode>* m = n->next; m; m = m->next) {
      RigidBodyBase* b = m->rec.body;
      if (b->regionState != 0 || BothParticles(a, b)) continue;
      ResetPair(a, b);
    }
  }
}

bool Region::SetTerrainMesh(const TerrainMesh* mesh) {
  return tree.Build(mesh->vertices, mesh->vertexCount, mesh->triangles, mesh->triangleCount, allocator);
}

// ---- axis ----

void RegionAxis::Sort(bool quiet) {
  PoolNode<EndPoint>* e = sorted.head;
  if (!e) return;
  // The list before e is sorted; e moves backwards past every node of another body that must follow
  // it. A body's own min always precedes its max, so the walk stops at its own nodes.
  e = e->next;
  while (e) {
    PoolNode<EndPoint>* next = e->next;
    PoolNode<EndPoint>* s = e->prev;
    while (s && s->rec.body != e->rec.body && Before(e->rec, s->rec)) {
      if (!quiet && s->rec.kind != e->rec.kind && !BothParticles(s->rec.body, e->rec.body)) {
        region->QueueToggle(s->rec.body, e->rec.body, bit);
      }
      s = s->prev;
    }
    if (s != e->prev) {
      sorted.Remove(e);
      if (s) {
        e->prev = s;
        e->next = s->next;
        s->next->prev = e;
        s->next = e;
        ++sorted.count;
      } else {
        sorted.PushFront(e);
      }
    }
    e = next;
  }
  region->FlushToggles();
}

void RegionAxis::RemoveEnds(RigidBodyBase* body) {
  for (PoolNode<EndPoint>* e : {body->minEnd[index], body->maxEnd[index]}) {
    if (!e) continue;
    sorted.Remove(e);
    pool.Give(e);
  }
  body->minEnd[index] = body->maxEnd[index] = nullptr;
}

void RegionAxis::InsertBody(RigidBodyBase* body, RigidBodyBase* hint) {
  PoolNode<EndPoint>* oldTail = sorted.tail;
  PoolNode<EndPoint>* mn = pool.Take();
  PoolNode<EndPoint>* mx = pool.Take();
  if (!mn || !mx) {
    if (mn) pool.Give(mn);
    if (mx) pool.Give(mx);
    return;
  }
  mn->rec.kind = 0;
  mn->rec.body = body;
  mx->rec.kind = 1;
  mx->rec.body = body;
  body->minEnd[index] = mn;
  body->maxEnd[index] = mx;
  mn->rec.value = body->worldMin[index];
  mx->rec.value = body->worldMax[index];
  if (!oldTail) {
    sorted.Append(mn);
    sorted.Append(mx);
    return;
  }
  // Places end point e: walks from `start` to the first node it must follow.
  auto place = [&](PoolNode<EndPoint>* e, PoolNode<EndPoint>* start) {
    PoolNode<EndPoint>* s = start;
    if (s && !Before(e->rec, s->rec)) {
      while (s->next && !Before(e->rec, s->next->rec)) s = s->next;
    } else {
      while (s && s->rec.body != e->rec.body && Before(e->rec, s->rec)) s = s->prev;
    }
    if (!s) {
      sorted.PushFront(e);
    } else if (s == sorted.tail) {
      sorted.Append(e);
    } else {
      e->prev = s;
      e->next = s->next;
      s->next->prev = e;
      s->next = e;
      ++sorted.count;
    }
  };
  PoolNode<EndPoint>* start = oldTail;
  if (hint && hint->minEnd[index] && hint->worldMin[index] != 0.0f) start = hint->minEnd[index];
  place(mn, start);
  place(mx, mn);
}

}  // namespace phys
