// Resting contacts, stacks and the solver passes, driven through the internal records.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "physics_test_support.h"

using namespace phys;

namespace {

struct Records {
  Simulator* sim = nullptr;
  SimulatorImpl* w = nullptr;

  explicit Records(const SimulatorSizeInfo& info = SimulatorSizeInfo()) {
    Vec3 g(0, -4, 0);
    sim = CreateSimulator(info, nullptr, &g);
    w = World(sim);
    w->stepTime = 0.028f / 3.0f;
  }
  ~Records() { DestroySimulator(sim); }
  Records(const Records&) = delete;
  Records& operator=(const Records&) = delete;

  RigidBodyImpl* NewBox(const Vec3& at) {
    RigidBody* b = sim->CreateRigidBody();
    b->AddGeometry()->SetBoxSize3(1, 1, 1);
    b->UpdateMassProperties();
    b->UpdateBoundingInfo();
    b->SetPos(at);
    return Body(b);
  }
  // `body` rests on `other` (null: the terrain) with its point `local` (body frame) touching.
  static RestContact On(SimulatorImpl* w, RigidBodyImpl* other, const Vec3& local, const Vec3& otherLocal) {
    RestContact r;
    r.Set(other ? 1 : 3, local, otherLocal, Vec3(0, 1, 0), 0, 0);
    r.other = other ? static_cast<RigidBodyBase*>(other) : &w->terrainBody;
    r.depth = 0.001f;
    return r;
  }
  bool Rest(RigidBodyImpl* body, RigidBodyImpl* other, const Vec3& local = Vec3(0, -0.5f, 0)) {
    const Vec3 world = body->pose.Apply(local);
    const Vec3 otherLocal = other ? Mat3TransformColumn(other->pose.rotation, world - other->pose.position) : world;
    return body->JoinStacks(On(w, other, local, otherLocal));
  }
};

}  // namespace

TEST(RestChecks, PointInTriangleEitherWindingAndDegenerate) {
  const Vec3 a(-1, 0, -1), b(1, 0, -1), c(0, 0, 1);
  EXPECT_TRUE(PointInTriangleXZ(a, b, c));
  EXPECT_TRUE(PointInTriangleXZ(a, c, b));
  // Three corners of a unit square: the centre lies on the long side, inside once scaled by 1.1.
  EXPECT_TRUE(PointInTriangleXZ(Vec3(-0.5f, 0, -0.5f), Vec3(0.5f, 0, -0.5f), Vec3(0.5f, 0, 0.5f)));
  EXPECT_TRUE(PointInTriangleXZ(Vec3(0.5f, 0, 0.5f), Vec3(0.5f, 0, -0.5f), Vec3(-0.5f, 0, -0.5f)));
  // Outside, coincident and collinear points.
  EXPECT_FALSE(PointInTriangleXZ(Vec3(1, 0, 1), Vec3(2, 0, 1), Vec3(1, 0, 2)));
  EXPECT_FALSE(PointInTriangleXZ(Vec3(2, 0, 1), Vec3(1, 0, 1), Vec3(1, 0, 2)));
  EXPECT_FALSE(PointInTriangleXZ(Vec3(), Vec3(), Vec3()));
  EXPECT_FALSE(PointInTriangleXZ(Vec3(-1, 0, 0), Vec3(1, 0, 0), Vec3(2, 0, 0)));
}

TEST(RestChecks, SupportByContactCount) {
  Records r;
  RigidBodyImpl* b = r.NewBox(Vec3(0, 0.5f, 0));
  ASSERT_TRUE(r.Rest(b, nullptr, Vec3(-0.5f, -0.5f, -0.5f)));
  ASSERT_TRUE(r.Rest(b, nullptr, Vec3(0.5f, -0.5f, -0.5f)));
  ASSERT_TRUE(r.Rest(b, nullptr, Vec3(0.5f, -0.5f, 0.5f)));
  b->restContactIndices[0] = 0, b->restContactIndices[1] = 1, b->restContactIndices[2] = 2;
  // No net force: always supported.
  b->totalForce.SetZero();
  b->restContactCount = 0;
  EXPECT_EQ(b->TestRestingContacts(), 3);
  // Under gravity: three corners around the centre hold it; two along a line through it too.
  b->totalForce = Vec3(0, -4, 0);
  b->restContactCount = 3;
  EXPECT_EQ(b->TestRestingContacts(), 3);
  b->restContactIndices[0] = 0, b->restContactIndices[1] = 2;
  b->restContactCount = 2;
  EXPECT_EQ(b->TestRestingContacts(), 2);
  b->restContactIndices[0] = 0, b->restContactIndices[1] = 1;
  EXPECT_EQ(b->TestRestingContacts(), 0);
  b->restContactCount = 1;
  EXPECT_EQ(b->TestRestingContacts(), 0);
  // Force pulling sideways: the line of force through the centre misses the three points' triangle.
  b->totalForce = Vec3(-4, -1, 0);
  b->restContactCount = 3;
  b->restContactIndices[0] = 0, b->restContactIndices[1] = 1, b->restContactIndices[2] = 2;
  EXPECT_EQ(b->TestRestingContacts(), 0);
}

TEST(RestChecks, StackContactRowsAndTheirWeights) {
  Records r;
  RigidBodyImpl* b = r.NewBox(Vec3(0, 0.5f, 0));
  auto rowFor = [&](float height) {
    b->pose.position.y = 0.5f + height;
    for (RestContact& c : b->restContacts) c.Unlink();
    RestContact c = Records::On(r.w, nullptr, Vec3(0, -0.5f, 0), Vec3(0, 0, 0));
    b->StoreRestContact(c);
    r.w->stackContacts.Clear();
    return b->SolveStack(true);
  };
  // Penetrating by 0.01: one full row holding the box up, normal from the floor to the box.
  ASSERT_EQ(rowFor(-0.01f), 1);
  const ConstraintItem& row = r.w->stackContacts[0];
  EXPECT_EQ(row.kind, 2);
  EXPECT_NEAR(row.normal.y, 1.0f, 1e-6f);
  EXPECT_NEAR(row.depth, 0.01f, 1e-5f);
  const float fullInvMass = row.invMassMatrix.row[2].z;
  EXPECT_EQ(b->restContactCount, 0);  // a lone penetrating slot is not kept for the rest tests
  // 0.005 above: a row of weight ((0.01 - 0.005) x 100)^3 = 0.125.
  ASSERT_EQ(rowFor(0.005f), 1);
  EXPECT_NEAR(r.w->stackContacts[0].invMassMatrix.row[2].z / fullInvMass, 0.125f, 1e-3f);
  EXPECT_NEAR(r.w->stackContacts[0].depth, -0.005f, 1e-5f);
  EXPECT_EQ(b->restContactCount, 1);
  EXPECT_NEAR(b->supportNormal.y, -1.0f, 1e-6f);  // along gravity
  // 0.02 above: no row and no recorded slot, but the slot stays.
  EXPECT_EQ(rowFor(0.02f), 0);
  EXPECT_EQ(b->restContactCount, 0);
  EXPECT_NE(b->restContacts[0].kind + b->restContacts[1].kind + b->restContacts[2].kind, 0);
  // A point dragged sideways past the drift limit loses the slot.
  b->pose.position.y = 0.49f;
  b->pose.position.x = 0.3f;
  r.w->stackContacts.Clear();
  EXPECT_EQ(b->SolveStack(true), 0);
  EXPECT_EQ(b->restContacts[0].kind + b->restContacts[1].kind + b->restContacts[2].kind, 0);
}

TEST(RestChecks, ValidationDropsHangingAndStaleContacts) {
  Records r;
  RigidBodyImpl* lower = r.NewBox(Vec3(0, 0.5f, 0));
  RigidBodyImpl* upper = r.NewBox(Vec3(0, 1.5f, 0));
  ASSERT_TRUE(r.Rest(upper, lower));
  upper->pushedLastStep = 1;
  EXPECT_EQ(upper->ValidateRestContacts(), 1);
  EXPECT_EQ(upper->stackInfo->noContacts, 0);
  // The support moves away: separation above 0.01 drops the contact.
  lower->pose.position.y = 0.48f;
  EXPECT_EQ(upper->ValidateRestContacts(), 0);
  EXPECT_EQ(upper->stackInfo->noContacts, 1);
  EXPECT_EQ(lower->restingOnMeCount, 0);
  // A contact whose normal points along gravity (hanging below the other body) is dropped.
  lower->pose.position.y = 0.5f;
  RestContact hang = Records::On(r.w, lower, Vec3(0, -0.5f, 0), Vec3(0, 0.5f, 0));
  hang.normal = Vec3(0, -1, 0);
  upper->JoinStacks(hang);
  EXPECT_EQ(upper->ValidateRestContacts(), 0);
  // An idle body whose supporters are all still keeps them without a refresh; a freed supporter
  // leaves it with nothing.
  ASSERT_TRUE(r.Rest(upper, lower));
  upper->restState = 1, upper->pushedLastStep = 0;
  lower->restState = 1;
  EXPECT_EQ(upper->ValidateRestContacts(), 1);
  r.sim->FreeRigidBody(lower);
  EXPECT_EQ(upper->ValidateRestContacts(), 0);
}

TEST(RestChecks, SnapshotNeedsSixtyStillSteps) {
  Records r;
  RigidBodyImpl* b = r.NewBox(Vec3(0, 0.5f, 0));
  b->SaveRestSnapshot();
  b->stepsSinceSnapshot = 59;
  EXPECT_FALSE(b->CheckRestSnapshot());
  b->stepsSinceSnapshot = 60;
  EXPECT_TRUE(b->CheckRestSnapshot());
  // Moved 0.2 in 60 steps: an average speed of 0.36 is above the threshold of 0.2; a new snapshot.
  b->pose.position.x += 0.2f;
  EXPECT_FALSE(b->CheckRestSnapshot());
  EXPECT_EQ(b->stepsSinceSnapshot, 0);
  b->stepsSinceSnapshot = 60;
  EXPECT_TRUE(b->CheckRestSnapshot());
  // Turning: the limit is 10 radians per 60 steps' time; with 1 ms steps, 0.6 rad in 60 steps.
  r.w->stepTime = 0.001f;
  b->SaveRestSnapshot();
  b->stepsSinceSnapshot = 60;
  const float k = 1.0f / (60.0f * r.w->stepTime);
  const float angle = 9.0f / k;  // just below the limit of 10
  b->orientation = Quat(0, std::sin(angle * 0.5f), 0, std::cos(angle * 0.5f));
  EXPECT_TRUE(b->CheckRestSnapshot());
  const float over = 11.0f / k;
  b->orientation = Quat(0, std::sin(over * 0.5f), 0, std::cos(over * 0.5f));
  EXPECT_FALSE(b->CheckRestSnapshot());
}

TEST(Stacking, JoiningMergingAndTheDefaultList) {
  Records r;
  RigidBodyImpl* a = r.NewBox(Vec3(0, 0.5f, 0));
  RigidBodyImpl* b = r.NewBox(Vec3(0, 1.5f, 0));
  RigidBodyImpl* c = r.NewBox(Vec3(0, 2.5f, 0));
  // On the terrain alone: the default list, no stack.
  ASSERT_TRUE(r.Rest(a, nullptr));
  ASSERT_NE(a->stackInfo, nullptr);
  EXPECT_EQ(a->stackInfo->header, &r.w->defaultStackList);
  EXPECT_EQ(r.w->stackList.count, 0);
  // B on A: both in one new stack; C on B joins it.
  ASSERT_TRUE(r.Rest(b, a));
  StackHeader* s = a->stackInfo->header;
  EXPECT_EQ(s->isDefault, 0);
  EXPECT_EQ(b->stackInfo->header, s);
  EXPECT_EQ(s->count, 2);
  EXPECT_EQ(r.w->defaultStackList.count, 0);
  ASSERT_TRUE(r.Rest(c, b));
  EXPECT_EQ(c->stackInfo->header, s);
  EXPECT_EQ(s->count, 3);
  EXPECT_EQ(r.w->stackList.count, 1);

  // A second stack bridged by a box that rests on both merges into the resting box's stack.
  RigidBodyImpl* d = r.NewBox(Vec3(5, 0.5f, 0));
  RigidBodyImpl* e = r.NewBox(Vec3(5, 1.5f, 0));
  ASSERT_TRUE(r.Rest(e, d));
  StackHeader* t = e->stackInfo->header;
  ASSERT_NE(t, s);
  EXPECT_EQ(r.w->stackList.count, 2);
  RigidBodyImpl* bridge = r.NewBox(Vec3(2.5f, 3.5f, 0));
  ASSERT_TRUE(r.Rest(bridge, c));
  ASSERT_TRUE(r.Rest(bridge, e));
  EXPECT_EQ(r.w->stackList.count, 1);
  EXPECT_EQ(s->count, 6);
  for (RigidBodyImpl* m : {a, b, c, d, e, bridge}) EXPECT_EQ(m->stackInfo->header, s);

  // Freeing a member takes its record out of the stack's list first.
  r.sim->FreeRigidBody(static_cast<RigidBody*>(c));
  EXPECT_EQ(s->count, 5);
  int walked = 0;
  for (StackInfo* m = s->first; m; m = m->next) ++walked;
  EXPECT_EQ(walked, 5);
}

TEST(Stacking, EmptyPoolsFailQuietlyAtLevelZeroAndReportAtOne) {
  for (int level : {0, 1}) {
    SimulatorSizeInfo info;
    info.rigidBodiesCount = 3;
    info.rigidParticleCount = 0;
    Records r(info);
    LogLines().clear();
    r.sim->SetLogOutputCallback(CollectLog);
    r.sim->SetLogOutputLevel(level);
    RigidBodyImpl* a = r.NewBox(Vec3(0, 0.5f, 0));
    RigidBodyImpl* b = r.NewBox(Vec3(0, 1.5f, 0));
    while (r.w->stackHeaderPool.FreeCount() > 0) ASSERT_NE(r.w->AllocStackHeader(nullptr), nullptr);
    LogLines().clear();
    EXPECT_FALSE(r.Rest(b, a));
    if (level == 0) {
      EXPECT_TRUE(LogLines().empty());
    } else {
      ASSERT_EQ(LogLines().size(), 1u);
      EXPECT_EQ(LogLines()[0], "Stacking Buffer full Error. Please contact techincal support\n");
    }
    // The contact is kept and the body waits in the default list.
    ASSERT_NE(b->stackInfo, nullptr);
    EXPECT_EQ(b->stackInfo->header, &r.w->defaultStackList);
  }
}

TEST(Stacking, RegroupSplitsAStackOnItsTurnAndDropsLoneMembers) {
  Records r;
  RigidBodyImpl* a = r.NewBox(Vec3(0, 0.5f, 0));
  RigidBodyImpl* b = r.NewBox(Vec3(0, 1.5f, 0));
  RigidBodyImpl* c = r.NewBox(Vec3(0, 2.5f, 0));
  ASSERT_TRUE(r.Rest(a, nullptr));
  ASSERT_TRUE(r.Rest(b, a));
  ASSERT_TRUE(r.Rest(c, b));
  StackHeader* s = a->stackInfo->header;
  // C loses its contact on B: a regroup leaves A and B in a stack and C with no record at all.
  for (RestContact& k : c->restContacts) k.Unlink();
  const int headersBefore = r.w->stackHeaderPool.UsedCount();
  ASSERT_TRUE(s->Regroup());
  r.w->FreeStackHeader(s);
  EXPECT_EQ(c->stackInfo, nullptr);
  ASSERT_NE(a->stackInfo, nullptr);
  ASSERT_NE(b->stackInfo, nullptr);
  EXPECT_EQ(a->stackInfo->header, b->stackInfo->header);
  EXPECT_EQ(a->stackInfo->header->count, 2);
  EXPECT_EQ(r.w->stackHeaderPool.UsedCount(), headersBefore);
  // A's terrain contact does not count for regrouping but stays.
  EXPECT_EQ(a->restContacts[0].kind + a->restContacts[1].kind + a->restContacts[2].kind, 3);
}

TEST(Stacking, ProcessStacksRegroupsEachAwakeStackOneStepInFive) {
  Records r;
  // Seven two-box stacks, all awake.
  RigidBodyImpl* tops[7];
  for (int i = 0; i < 7; ++i) {
    RigidBodyImpl* low = r.NewBox(Vec3(3.0f * i, 0.5f, 0));
    tops[i] = r.NewBox(Vec3(3.0f * i, 1.5f, 0));
    ASSERT_TRUE(r.Rest(tops[i], low));
  }
  ASSERT_EQ(r.w->stackList.count, 7);
  // The top of the stack at position 2 has lost its contact; only a regroup can tell.
  for (RestContact& k : tops[2]->restContacts) k.Unlink();
  tops[2]->stackInfo->loose = 1;  // keep validation away from it
  // Turns 3 and 4 regroup the stacks at positions 3 and 4 (they move to the end of the list); the
  // stack at position 2 keeps its place.
  for (int count : {3, 4}) {
    r.w->advanceCount = count;
    r.w->ProcessStacks();
    EXPECT_EQ(r.w->stackList.count, 7) << count;
  }
  r.w->advanceCount = 7;  // 7 mod 5 = 2
  r.w->ProcessStacks();
  EXPECT_EQ(r.w->stackList.count, 6);
  EXPECT_EQ(tops[2]->stackInfo, nullptr);
}

TEST(Stacking, ResolvingPassDissolvesStacksOfOne) {
  Records r;
  RigidBodyImpl* a = r.NewBox(Vec3(0, 0.5f, 0));
  RigidBodyImpl* b = r.NewBox(Vec3(0, 1.5f, 0));
  ASSERT_TRUE(r.Rest(b, a));
  StackHeader* s = b->stackInfo->header;
  // B leaves; A alone in the stack (loose: never recorded a contact of its own) loses its record.
  s->RemoveMember(b->stackInfo);
  r.w->defaultStackList.AddMember(b->stackInfo);
  r.w->SolveRestingStacks();
  EXPECT_EQ(r.w->stackList.count, 0);
  EXPECT_EQ(a->stackInfo, nullptr);
  EXPECT_EQ(b->stackInfo->header, &r.w->defaultStackList);
}

TEST(Stacking, AdvanceCountWrapsWithoutLeavingItsRange) {
  Records r;
  RigidBodyImpl* a = r.NewBox(Vec3(0, 0.6f, 0));
  (void)a;
  r.w->advanceCount = INT_MAX - 1;
  for (int i = 0; i < 4; ++i) {
    const int n = r.sim->Advance(0.01f, 1, nullptr);
    EXPECT_GE(n, 0);
  }
  EXPECT_GE(r.w->advanceCount, 0);
  EXPECT_LT(r.w->advanceCount, 10);
}

TEST(SolverPasses, AJointOrStackGroupRestsWholeOrNotAtAll) {
  Records r;
  RigidBodyImpl* a = r.NewBox(Vec3(0, 0.5f, 0));
  RigidBodyImpl* b = r.NewBox(Vec3(0, 1.5f, 0));
  for (RigidBodyImpl* m : {a, b}) {
    m->SaveRestSnapshot();
    m->stepsSinceSnapshot = 60;
    r.w->activeStacks.members.Push(m);
  }
  // B has moved too far since its snapshot: neither rests, both are marked awake.
  b->pose.position.x += 0.5f;
  a->restState = 1;
  r.w->TryRestGroups();
  EXPECT_EQ(a->restState, 0);
  EXPECT_EQ(b->restState, 0);
  // Both still: both rest.
  b->stepsSinceSnapshot = 60;
  r.w->TryRestGroups();
  EXPECT_EQ(a->restState, 1);
  EXPECT_EQ(b->restState, 1);
  r.w->ClearActiveStacks();
}

TEST(SolverPasses, AnIdleStackIsNotSolvedAndAnAwakeOneIs) {
  Records r;
  RigidBodyImpl* a = r.NewBox(Vec3(0, 0.5f, 0));
  RigidBodyImpl* b = r.NewBox(Vec3(0, 1.49f, 0));
  ASSERT_TRUE(r.Rest(a, nullptr, Vec3(0, -0.5f, 0)));
  ASSERT_TRUE(r.Rest(b, a, Vec3(0, -0.5f, 0)));
  ASSERT_TRUE(r.Rest(b, a, Vec3(0.4f, -0.5f, 0.4f)));
  // Both asleep and unpushed: the passes leave the velocities alone.
  a->PutToRest();
  b->PutToRest();
  b->velocity = Vec3(0, -0.5f, 0);
  r.w->SolverPasses();
  EXPECT_NEAR(b->velocity.y, -0.5f, 1e-6f);
  // B awake and falling into A: its stack is solved and B stops; A is held by the terrain contact.
  b->WakeUp();
  r.w->SolverPasses();
  EXPECT_GT(b->velocity.y, -0.05f);
  EXPECT_EQ(r.w->activeStacks.members.Count(), 0u);
  EXPECT_EQ(b->inActiveStacks, 0);
  EXPECT_EQ(r.w->stackContacts.Count(), 0u);
}

namespace {

// Every stack's list agrees with its count and its members' links, and every record in use sits
// in exactly one list.
void ExpectConsistentStacks(SimulatorImpl* w, int frame) {
  int members = 0;
  auto walk = [&](StackHeader* h) {
    int n = 0;
    StackInfo* prev = nullptr;
    for (StackInfo* m = h->first; m; m = m->next) {
      ASSERT_EQ(m->header, h) << frame;
      ASSERT_EQ(m->prev, prev) << frame;
      ASSERT_NE(m->body, nullptr) << frame;
      ASSERT_EQ(m->body->stackInfo, m) << frame;
      prev = m;
      ++n;
    }
    ASSERT_EQ(h->last, prev) << frame;
    ASSERT_EQ(h->count, n) << frame;
    members += n;
  };
  walk(&w->defaultStackList);
  int headers = 0;
  for (PoolNode<StackHeader>* n = w->stackList.head; n; n = n->next) {
    walk(&n->rec);
    ++headers;
  }
  EXPECT_EQ(headers, w->stackHeaderPool.UsedCount()) << frame;
  EXPECT_EQ(members, w->stackInfoPool.UsedCount()) << frame;
}

}  // namespace

TEST(Stacking, ListsStayConsistentInAPileWhileBodiesComeAndGo) {
  SimulatorSizeInfo info;
  info.rigidBodiesCount = 40;
  info.geometriesCount = 40;
  info.overlappedPairsCount = 400;
  Records r(info);
  r.sim->SetMaterial(0, 0.4f, 0.1f);
  std::vector<Vec3> verts = {Vec3(-6, 0, -6), Vec3(6, 0, -6), Vec3(6, 0, 6), Vec3(-6, 0, 6),
                             Vec3(-6, 8, -6), Vec3(6, 8, -6), Vec3(6, 8, 6), Vec3(-6, 8, 6)};
  std::vector<Triangle> tris;
  auto quad = [&](int a, int b, int c, int d) {
    Triangle t1, t2;
    t1.v[0] = a, t1.v[1] = c, t1.v[2] = b;
    t2.v[0] = a, t2.v[1] = d, t2.v[2] = c;
    tris.push_back(t1);
    tris.push_back(t2);
  };
  quad(0, 1, 2, 3);
  quad(0, 4, 5, 1);
  quad(1, 5, 6, 2);
  quad(2, 6, 7, 3);
  quad(3, 7, 4, 0);
  TerrainMesh mesh;
  mesh.vertices = verts.data();
  mesh.vertexCount = static_cast<int32_t>(verts.size());
  mesh.triangles = tris.data();
  mesh.triangleCount = static_cast<int32_t>(tris.size());
  r.sim->SetTerrainMesh(&mesh);
  std::vector<RigidBody*> live;
  unsigned seed = 9;
  auto rnd = [&]() {
    seed = seed * 214013u + 2531011u;
    return ((seed >> 16) & 0x7fff) / 32767.0f;
  };
  auto add = [&](int k) {
    const Vec3 at(-3.0f + 6.0f * rnd(), 2.0f + 5.0f * rnd(), -3.0f + 6.0f * rnd());
    RigidBody* b = r.sim->CreateRigidBody();
    if (!b) return;
    if (k % 3 == 0) {
      b->AddGeometry()->SetSphereDiameter(1.2f);
    } else {
      b->AddGeometry()->SetBoxSize3(1.0f, 0.6f + 0.6f * rnd(), 1.0f);
      b->UpdateMassProperties();
    }
    b->UpdateBoundingInfo();
    b->SetPos(at);
    live.push_back(b);
  };
  for (int k = 0; k < 30; ++k) add(k);
  for (int frame = 0; frame < 600; ++frame) {
    r.sim->Advance(0.028f, 3, nullptr);
    if (frame % 40 == 39 && !live.empty()) {
      const size_t victim = static_cast<size_t>(rnd() * (live.size() - 1));
      r.sim->FreeRigidBody(live[victim]);
      live.erase(live.begin() + static_cast<long>(victim));
      add(frame);
    }
    ExpectConsistentStacks(r.w, frame);
    if (HasFatalFailure()) return;
    for (RigidBody* b : live) {
      const Vec3 p = b->GetPos();
      ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << frame;
      ASSERT_GT(p.y, 0.0f) << frame;
    }
  }
}

TEST(RestChecks, CheckForRestWaitsLongerOnTwoPointsAndNeverOnOne) {
  auto slowCalls = [](Records& r, RigidBodyImpl* b, int contacts) {
    const Vec3 points[3] = {Vec3(-0.5f, -0.5f, -0.5f), Vec3(0.5f, -0.5f, 0.5f), Vec3(0.5f, -0.5f, -0.5f)};
    for (int k = 0; k < contacts; ++k) EXPECT_TRUE(r.Rest(b, nullptr, points[k]));
    b->restContactCount = 0;
    for (int k = 0; k < 3; ++k) {
      if (b->restContacts[k].IsUsed()) b->restContactIndices[b->restContactCount++] = k;
    }
    b->velocity = Vec3(0.1f, 0, 0);
    for (int call = 1; call <= 150; ++call) {
      b->totalForce = Vec3(0, -4, 0);
      b->CheckForRest();
      if (b->restState == 1) return call;
    }
    return -1;
  };
  Records r;
  EXPECT_EQ(slowCalls(r, r.NewBox(Vec3(0, 0.5f, 0)), 3), 11);
  EXPECT_EQ(slowCalls(r, r.NewBox(Vec3(3, 0.5f, 0)), 2), 101);
  EXPECT_EQ(slowCalls(r, r.NewBox(Vec3(6, 0.5f, 0)), 1), -1);
  // Fast on average: the counter starts again.
  RigidBodyImpl* fast = r.NewBox(Vec3(9, 0.5f, 0));
  for (Vec3& v : fast->velocityHistory) v = Vec3(2, 0, 0);
  fast->velocity = Vec3(2, 0, 0);
  fast->restCounter = 50;
  fast->CheckForRest();
  EXPECT_EQ(fast->restCounter, 0);
  // Falling fast along gravity alone does not count as moving on average.
  for (Vec3& v : fast->velocityHistory) v = Vec3(0, -3, 0);
  fast->velocity = Vec3(0, -3, 0);
  fast->CheckForRest();
  EXPECT_EQ(fast->restCounter, 1);
}
