#include <gtest/gtest.h>

#include <cstdint>

#include "physics_test_support.h"

using namespace phys;

namespace {

SimulatorSizeInfo Tiny() {
  SimulatorSizeInfo s;
  s.rigidBodiesCount = 2;
  s.animatedBodiesCount = 1;
  s.rigidParticleCount = 1;
  s.controllersCount = 1;
  s.overlappedPairsCount = 1;
  s.geometriesCount = 3;
  s.sensorsCount = 1;
  s.constraintSetsCount = 1;
  return s;
}

struct NullController : ControllerCallback {
  void Run(Controller*, float) override {}
};

}  // namespace

TEST(PhysicsPools, ExhaustionMessagesAtLevelOneAndNoneAtZero) {
  for (int level : {0, 1}) {
    LogLines().clear();
    Simulator* sim = CreateSimulator(Tiny(), nullptr, nullptr);
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->SetLogOutputCallback(CollectLog), nullptr);
    EXPECT_EQ(sim->GetLogOutputCallback(), CollectLog);
    sim->SetLogOutputLevel(level);
    RigidBody* a = sim->CreateRigidBody();
    RigidBody* b = sim->CreateRigidBody();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(sim->CreateRigidBody(), nullptr);
    RigidBody* p = sim->CreateRigidParticle();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(sim->CreateRigidParticle(), nullptr);
    ASSERT_NE(sim->CreateAnimatedBody(), nullptr);
    EXPECT_EQ(sim->CreateAnimatedBody(), nullptr);  // silent
    // Three overlapping bodies at the origin take the three geometries.
    for (RigidBody* body : {a, b, p}) {
      ASSERT_NE(body->AddGeometry(), nullptr);
      body->UpdateBoundingInfo();
    }
    EXPECT_EQ(a->AddGeometry(), nullptr);
    ASSERT_NE(a->AddSensor(), nullptr);
    EXPECT_EQ(b->AddSensor(), nullptr);
    NullController cb;
    ASSERT_NE(a->AddController(&cb, 0), nullptr);
    EXPECT_EQ(b->AddController(&cb, 0), nullptr);
    // Three overlapping pairs and room for one.
    sim->Advance(0.01f, 1, nullptr);
    EXPECT_EQ(sim->GetCurrentSizeInfo().overlappedPairsCount, 1);
    SimulatorImpl* w = World(sim);
    ASSERT_NE(w->AllocConstraintHeader(), nullptr);
    EXPECT_EQ(w->AllocConstraintHeader(), nullptr);
    EXPECT_EQ(sim->GetCurrentSizeInfo().constraintSetsCount, 1);
    StackInfo info;
    StackHeader* first = w->AllocStackHeader(&info);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(info.header, first);
    EXPECT_EQ(first->count, 1);
    // The step's resting contacts may hold stacks already; the rest of the pool can be taken.
    while (w->stackHeaderPool.FreeCount() > 0) ASSERT_NE(w->AllocStackHeader(nullptr), nullptr);
    EXPECT_EQ(w->AllocStackHeader(nullptr), nullptr);

    const std::vector<std::string> expected = {
        "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n",
        "Run out of RigidBodies. Increase 'rigidParticleCount'.\n",
        "Run out of Geometries. Increase 'geometriesCount'.\n",
        "Run out of Sensors. Increase 'sensorsCount'.\n",
        "Run out of Controllers. Increase 'constraintSetsCount'.\n",
        "Overlap Pair buffer full. Increase buffer size.\n",
        "Overlap Pair buffer full. Increase buffer size.\n",
        "Run out of Constraint Sets. Increase 'constraintSetsCount'.\n",
        "Stacking Buffer full Error. Please contact techincal support\n",
    };
    if (level == 0) {
      EXPECT_TRUE(LogLines().empty());
    } else {
      ASSERT_EQ(LogLines().size(), expected.size());
      for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(LogLines()[i], expected[i]) << i;
      EXPECT_EQ(std::string(physicsMessageBuffer), expected.back());
    }
    DestroySimulator(sim);
  }
}

TEST(PhysicsPools, FreedNodesAreReusedFirstAndSizesReported) {
  SimulatorSizeInfo info;
  info.terrainNodesGrowByCount = 7;
  Simulator* sim = CreateSimulator(info, nullptr, nullptr);
  SimulatorSizeInfo now = sim->GetCurrentSizeInfo();
  EXPECT_EQ(now.rigidBodiesCount, 0);
  EXPECT_EQ(now.overlappedPairsCount, 0);
  EXPECT_EQ(now.reservedBufferSize, 2000);
  EXPECT_EQ(now.terrainNodesStartCount, 0);
  EXPECT_EQ(now.terrainNodesGrowByCount, 7);
  EXPECT_EQ(sim->GetStartSizeInfo().terrainNodesGrowByCount, 7);
  EXPECT_EQ(sim->GetStartSizeInfo().overlappedPairsCount, 1225);

  RigidBody* a = sim->CreateRigidBody();
  RigidBody* b = sim->CreateRigidBody();
  RigidBody* c = sim->CreateRigidBody();
  EXPECT_EQ(Body(a)->id, 0);
  EXPECT_EQ(Body(c)->id, 2);
  a->AddGeometry();
  EXPECT_EQ(sim->GetCurrentSizeInfo().rigidBodiesCount, 3);
  EXPECT_EQ(sim->GetCurrentSizeInfo().geometriesCount, 1);
  sim->FreeRigidBody(c);
  sim->FreeRigidBody(a);
  EXPECT_EQ(sim->GetCurrentSizeInfo().geometriesCount, 0);
  EXPECT_EQ(sim->CreateRigidBody(), a);
  EXPECT_EQ(sim->CreateRigidBody(), c);
  RigidBody* particle = sim->CreateRigidParticle();
  EXPECT_EQ(Body(particle)->id, 100);  // after 50 rigid and 50 animated ids
  EXPECT_EQ(static_cast<AnimatedBodyImpl*>(sim->CreateAnimatedBody())->id, 50);
  (void)b;

  int bytes = 0;
  sim->GetMemoryAllocated(bytes);
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(static_cast<size_t>(bytes), World(sim)->MemoryAllocated());
  DestroySimulator(sim);
}

TEST(PhysicsPools, InvalidAndDoubleFreesChangeNothing) {
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, nullptr);
  sim->SetLogOutputCallback(CollectLog);
  sim->SetLogOutputLevel(1);
  LogLines().clear();
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* p = sim->CreateRigidParticle();
  AnimatedBody* m = sim->CreateAnimatedBody();
  sim->FreeRigidBody(nullptr);
  sim->FreeAnimatedBody(nullptr);
  // An address inside the pool block that is not on a node boundary.
  RigidBodyImpl* inside = Body(a);
  RigidBody* misaligned = static_cast<RigidBody*>(static_cast<RigidBodyImpl*>(
      static_cast<void*>(static_cast<char*>(static_cast<void*>(inside)) + 16)));
  sim->FreeRigidBody(misaligned);
  sim->FreeRigidBody(p);
  sim->FreeRigidBody(p);
  sim->FreeAnimatedBody(m);
  sim->FreeAnimatedBody(m);
  const std::vector<std::string> expected = {
      "Trying to Free invalid RigidBody.\n",     "Trying to Free invalid AnimatedBody.\n",
      "Trying to Free invalid RigidBody.\n",     "Trying to Free invalid RigidParticle.\n",
      "Trying to Free invalid AnimatedBody.\n",
  };
  EXPECT_EQ(LogLines(), expected);
  SimulatorSizeInfo now = sim->GetCurrentSizeInfo();
  EXPECT_EQ(now.rigidBodiesCount, 1);
  EXPECT_EQ(now.rigidParticleCount, 0);
  EXPECT_EQ(now.animatedBodiesCount, 0);
  EXPECT_EQ(World(sim)->particlePool.FreeCount(), 50);
  DestroySimulator(sim);
}

TEST(PhysicsPools, EveryBlockReturnedAndNoneTakenDuringAStep) {
  CountingAllocator alloc;
  Vec3 g(0, -4, 0);
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), &alloc, &g);
  ASSERT_NE(sim, nullptr);
  for (int i = 0; i < 6; ++i) {
    RigidBody* b = sim->CreateRigidBody();
    b->AddGeometry()->SetSphereDiameter(2.5f);
    b->UpdateBoundingInfo();
    b->SetPos(Vec3(static_cast<float>(i) * 2.0f, 3, 0));
  }
  Vec3 verts[4] = {Vec3(-20, 0, -20), Vec3(20, 0, -20), Vec3(20, 0, 20), Vec3(-20, 0, 20)};
  Triangle tris[2];
  tris[0].v[0] = 0, tris[0].v[1] = 2, tris[0].v[2] = 1;
  tris[1].v[0] = 0, tris[1].v[1] = 3, tris[1].v[2] = 2;
  TerrainMesh mesh;
  mesh.vertices = verts;
  mesh.vertexCount = 4;
  mesh.triangles = tris;
  mesh.triangleCount = 2;
  sim->SetTerrainMesh(&mesh);
  const int before = alloc.calls;
  for (int i = 0; i < 30; ++i) sim->Advance(0.028f, 3, nullptr);
  EXPECT_EQ(alloc.calls, before);
  EXPECT_FALSE(alloc.live.empty());
  DestroySimulator(sim);
  EXPECT_TRUE(alloc.live.empty());
  EXPECT_EQ(alloc.badFrees, 0);
}

TEST(PhysicsPools, FailedAllocationAtCreationReturnsNullWithoutLeaks) {
  CountingAllocator probe;
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), &probe, nullptr);
  ASSERT_NE(sim, nullptr);
  DestroySimulator(sim);
  const int total = probe.calls;
  ASSERT_GT(total, 10);
  for (int k = 1; k <= total; ++k) {
    CountingAllocator alloc;
    alloc.failAt = k;
    EXPECT_EQ(CreateSimulator(SimulatorSizeInfo(), &alloc, nullptr), nullptr) << k;
    EXPECT_TRUE(alloc.live.empty()) << k;
    EXPECT_EQ(alloc.badFrees, 0);
  }
}

TEST(PhysicsPools, CapacitiesAreCheckedAndOddCountsHandled) {
  SimulatorSizeInfo s;
  s.rigidBodiesCount = -5;
  s.geometriesCount = 0;
  s.sensorsCount = -1;
  s.overlappedPairsCount = 0;
  Simulator* sim = CreateSimulator(s, nullptr, nullptr);
  ASSERT_NE(sim, nullptr);
  EXPECT_EQ(sim->CreateRigidBody(), nullptr);
  RigidBody* p = sim->CreateRigidParticle();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->AddGeometry(), nullptr);
  DestroySimulator(sim);

  s = SimulatorSizeInfo();
  s.rigidBodiesCount = 2000000000;
  s.rigidParticleCount = 2000000000;
  EXPECT_EQ(CreateSimulator(s, nullptr, nullptr), nullptr);

  // Growth rules of the growable arrays.
  DefaultAllocator heap;
  GrowArray<int> a;
  ASSERT_TRUE(a.Init(0, -1, &heap));
  EXPECT_TRUE(a.Push(1));
  EXPECT_EQ(a.Capacity(), 1u);
  EXPECT_TRUE(a.Push(2));
  EXPECT_EQ(a.Capacity(), 2u);
  GrowArray<int> fixed;
  ASSERT_TRUE(fixed.Init(1, -5, &heap));
  EXPECT_EQ(fixed.GrowBy(), 0);
  EXPECT_TRUE(fixed.Push(1));
  EXPECT_FALSE(fixed.Push(2));
  GrowArray<int> steps;
  ASSERT_TRUE(steps.Init(2, 3, &heap));
  for (int i = 0; i < 3; ++i) steps.Push(i);
  EXPECT_EQ(steps.Capacity(), 5u);
  EXPECT_EQ(steps[2], 2);
}
