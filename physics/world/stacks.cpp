// Stacks: bodies that rest on one another are kept in one member list so that they are solved, put
// to sleep and woken together. A resting body that rests on no other rigid body sits in the
// simulator's default list instead.
#include "physics/world/simulator.h"

namespace phys {

namespace {

bool IsRealStack(const StackHeader* h) { return h && !h->isDefault; }

// The rigid body on the other side of a resting contact, or null (terrain, animated, free slot).
RigidBodyImpl* RigidOther(const RestContact& c) {
  if (c.kind != 1 || !c.other || c.other->kind != 1) return nullptr;
  return static_cast<RigidBodyImpl*>(c.other);
}

void LinkIntoActiveStacks(SimulatorImpl* sim, RigidBodyImpl* body) {
  if (body->inActiveStacks || !body->active) return;
  if (sim->activeStacks.members.Push(body)) body->inActiveStacks = 1;
}

void MarkStackActive(StackInfo* info, bool add) {
  info->mark = 1;
  RigidBodyImpl* body = info->body;
  SimulatorImpl* sim = body->sim;
  for (RestContact& c : body->restContacts) {
    RigidBodyImpl* other = RigidOther(c);
    if (!other || !other->stackInfo || other->stackInfo->mark) continue;
    if (add && !other->constraintSet) LinkIntoActiveStacks(sim, other);
    if (other->stackInfo->loose) {
      other->stackInfo->mark = 1;
    } else {
      MarkStackActive(other->stackInfo, add);
    }
  }
  // A body taken out of the world keeps its place in the stack but is not solved.
  if (body->active) body->SolveStack(add);
}

}  // namespace

// ---- member lists ----

void StackHeader::AddMember(StackInfo* info) {
  info->next = nullptr;
  info->prev = last;
  if (last) {
    last->next = info;
  } else {
    first = info;
  }
  last = info;
  info->header = this;
  ++count;
}

void StackHeader::RemoveMember(StackInfo* info) {
  if (info->header != this) return;
  if (info->prev) {
    info->prev->next = info->next;
  } else {
    first = info->next;
  }
  if (info->next) {
    info->next->prev = info->prev;
  } else {
    last = info->prev;
  }
  info->next = info->prev = nullptr;
  info->header = nullptr;
  --count;
}

void StackHeader::Concat(StackHeader* target) {
  if (target == this || !first) return;
  for (StackInfo* m = first; m; m = m->next) m->header = target;
  first->prev = target->last;
  if (target->last) {
    target->last->next = first;
  } else {
    target->first = first;
  }
  target->last = last;
  target->count += count;
  first = last = nullptr;
  count = 0;
}

// ---- pools ----

StackInfo* SimulatorImpl::AllocStackInfo(RigidBodyImpl* body) {
  PoolNode<StackInfo>* n = stackInfoPool.Take();
  if (!n) {
    Log("Stacking Buffer full Error. Please contact techincal support\n");
    return nullptr;
  }
  n->rec.body = body;
  n->rec.loose = 1;
  body->stackInfo = &n->rec;
  return &n->rec;
}

void SimulatorImpl::FreeStackInfo(StackInfo* info) {
  if (!info) return;
  if (info->header) info->header->RemoveMember(info);
  if (info->body && info->body->stackInfo == info) info->body->stackInfo = nullptr;
  if (PoolNode<StackInfo>* n = stackInfoPool.UsedNodeAt(info)) stackInfoPool.Give(n);
}

void SimulatorImpl::FreeStackHeader(StackHeader* header) {
  if (!header || header->isDefault) return;
  PoolNode<StackHeader>* n = stackHeaderPool.UsedNodeAt(header);
  if (!n) return;
  while (StackInfo* m = header->first) header->RemoveMember(m);
  if (header->queued) {
    for (size_t i = stacksToSolve.Count(); i-- > 0;) {
      if (stacksToSolve[i] == header) stacksToSolve.Erase(i);
    }
  }
  stackList.Remove(n);
  stackHeaderPool.Give(n);
}

void RigidBodyImpl::ReleaseStackInfo() {
  if (!stackInfo) return;
  // The member leaves its list before its node goes back to the pool.
  sim->FreeStackInfo(stackInfo);
  stackInfo = nullptr;
}

// ---- joining ----

bool RigidBodyImpl::JoinStacks(const RestContact& record) {
  if (!stackInfo) return MergeStacks(record);
  StackInfo* a = stackInfo;
  a->loose = 0;
  StoreRestContact(record);
  RigidBodyImpl* B = (record.kind == 1 && record.other) ? record.other->AsRigid() : nullptr;
  if (!B || B == this) return true;

  StackHeader* ha = a->header;
  if (!B->stackInfo) {
    StackInfo* b = sim->AllocStackInfo(B);
    if (!b) return false;
    if (IsRealStack(ha)) {
      ha->AddMember(b);
      return true;
    }
    StackHeader* h = sim->AllocStackHeader(nullptr);
    if (!h) {
      sim->FreeStackInfo(b);
      return false;
    }
    if (ha) ha->RemoveMember(a);
    h->AddMember(a);
    h->AddMember(b);
    return true;
  }
  StackInfo* b = B->stackInfo;
  StackHeader* hb = b->header;
  if (IsRealStack(ha)) {
    if (!IsRealStack(hb)) {
      if (hb) hb->RemoveMember(b);
      ha->AddMember(b);
    } else if (ha != hb) {
      hb->Concat(ha);
      sim->FreeStackHeader(hb);
    }
    return true;
  }
  if (IsRealStack(hb)) {
    if (ha) ha->RemoveMember(a);
    hb->AddMember(a);
    return true;
  }
  StackHeader* h = sim->AllocStackHeader(nullptr);
  if (!h) return false;
  if (ha) ha->RemoveMember(a);
  if (hb) hb->RemoveMember(b);
  h->AddMember(a);
  h->AddMember(b);
  return true;
}

bool RigidBodyImpl::MergeStacks(const RestContact& record) {
  StackInfo* a = sim->AllocStackInfo(this);
  if (!a) return false;
  a->loose = 0;
  StoreRestContact(record);
  RigidBodyImpl* B = (record.kind == 1 && record.other) ? record.other->AsRigid() : nullptr;
  if (!B || B == this) {
    sim->defaultStackList.AddMember(a);
    return true;
  }
  StackInfo* b = B->stackInfo;
  if (b && IsRealStack(b->header)) {
    b->header->AddMember(a);
    return true;
  }
  StackHeader* h = sim->AllocStackHeader(nullptr);
  if (!h) {
    // No stack to open: the body waits in the default list and its contact is kept.
    sim->defaultStackList.AddMember(a);
    return false;
  }
  if (!b) {
    b = sim->AllocStackInfo(B);
    if (!b) {
      sim->FreeStackHeader(h);
      sim->defaultStackList.AddMember(a);
      return false;
    }
  } else if (b->header) {
    b->header->RemoveMember(b);
  }
  h->AddMember(a);
  h->AddMember(b);
  return true;
}

// ---- regrouping and activation ----

bool StackHeader::Regroup() {
  // The pending-stack array serves as scratch; stacks waiting in it lose their place.
  GrowArray<void*>& scratch = sim->stacksToSolve;
  for (size_t i = 0; i < scratch.Count(); ++i) static_cast<StackHeader*>(scratch[i])->queued = 0;
  scratch.Clear();
  bool ok = true;
  while (StackInfo* m = first) {
    RemoveMember(m);
    if (!scratch.Push(m)) {
      // Without room to regroup it the member stays a resting body outside any stack.
      sim->defaultStackList.AddMember(m);
      ok = false;
    }
  }
  for (size_t i = 0; i < scratch.Count(); ++i) {
    StackInfo* m = static_cast<StackInfo*>(scratch[i]);
    if (m->noContacts) continue;
    for (RestContact& c : m->body->restContacts) {
      RigidBodyImpl* other = RigidOther(c);
      if (!other || !other->stackInfo) continue;
      StackInfo* o = other->stackInfo;
      StackHeader* s = o->header;
      if (IsRealStack(s)) {
        if (!m->header) {
          s->AddMember(m);
        } else if (m->header != s) {
          s->Concat(m->header);
          sim->FreeStackHeader(s);
        }
        continue;
      }
      if (!m->header) {
        StackHeader* h = sim->AllocStackHeader(nullptr);
        if (!h) {
          ok = false;
          break;
        }
        h->checked = checked;
        h->AddMember(m);
      }
      if (s) s->RemoveMember(o);  // a body of the default list joins the stack that rests on it
      m->header->AddMember(o);
    }
  }
  for (size_t i = 0; i < scratch.Count(); ++i) {
    StackInfo* m = static_cast<StackInfo*>(scratch[i]);
    if (m->header) continue;
    RigidBodyImpl* body = m->body;
    for (RestContact& c : body->restContacts) c.Unlink();
    body->restContactCount = 0;
    sim->FreeStackInfo(m);
  }
  scratch.Clear();
  return ok;
}

void StackHeader::ActivateMembers() {
  for (StackInfo* m = first; m; m = m->next) m->mark = 0;
  for (StackInfo* m = first; m; m = m->next) {
    if (m->mark || m->body->constraintSet) continue;
    LinkIntoActiveStacks(sim, m->body);
    if (!m->loose) MarkStackActive(m, true);
  }
}

void SimulatorImpl::ClearActiveStacks() {
  for (size_t i = 0; i < activeStacks.members.Count(); ++i) activeStacks.members[i]->inActiveStacks = 0;
  activeStacks.Clear();
}

// A resting contact found by a contact pass. Beyond the slop that the stack contacts leave alone,
// the body is moved out of its support at once: corrected by the stack contact's push alone, a deep
// landing would turn its penetration into speed and leave the support again. A body with corners
// is moved out further, to a little under half the slop: moved out only to the slop, a body that
// still sinks (the few sweeps of a stack leave the upper boxes of a tower slowly falling) sat at
// the slop on every step, and a tower of solid boxes settled up to the slop into each box below,
// tilted by whichever corner had been reported last. With room to sink into before the slop is
// reached, towers and pyramids of unit boxes stand straighter and sink less (measured over slightly
// moved starts, shares from 0.35 to 0.45 do). Spheres, which rest on one point, keep the slop.
constexpr float kCornerSlopShare = 0.45f;

void SimulatorImpl::JoinStacks(RigidBodyImpl* body, const RestContact& contact, ConstraintItem* row) {
  const float share = body->HasCorners() ? kCornerSlopShare : 1.0f;
  const float slop = share * solverSettings.contactSlopFactor * gravityMagnitude;
  if (row && std::isfinite(row->depth) && row->depth > slop && IsFiniteVec(row->normal)) {
    body->pose.position += row->normal * (row->depth - slop);
    body->pose.position.w = 1.0f;
    // A resting body moved by a neighbour counts as pushed: the terrain pass that follows tests it
    // (a resting body is otherwise left out), so that it is not pushed into a wall unseen.
    if (body->restState == 1) body->pushedThisStep = 1;
  }
  body->JoinStacks(contact);
}

}  // namespace phys
