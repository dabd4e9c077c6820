#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics_test_support.h"

using namespace phys;

namespace {

void ExpectVec(const Vec3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

struct SolverFixture : ::testing::Test {
  void SetUp() override {
    sim = CreateSimulator(SimulatorSizeInfo(), nullptr, nullptr);
    w = World(sim);
  }
  void TearDown() override { DestroySimulator(sim); }

  // A contact of a unit-radius body on the terrain below it.
  ConstraintItem FloorContact(RigidBody* b) {
    ConstraintItem row;
    row.bodyA = Body(b);
    row.bodyB = &w->terrainBody;
    row.normal.Set(0, 1, 0);
    row.relPointA.Set(0, -1, 0);
    row.worldPointA = b->GetPos() + row.relPointA;
    row.depth = 0.01f;
    row.hasContact = 1;
    row.Setup(false, false);
    return row;
  }
  Simulator* sim = nullptr;
  SimulatorImpl* w = nullptr;
};

}  // namespace

TEST(Solver, FramesFromNormalsAreOrthonormalAndRightHanded) {
  std::mt19937 rng(5);
  std::normal_distribution<float> g(0.0f, 1.0f);
  for (int i = 0; i < 2000; ++i) {
    Vec3 n(g(rng), g(rng), g(rng));
    if (i % 100 == 0) n.Set(0, 0, g(rng));
    if (i % 100 == 1) n.Set(g(rng), g(rng), 0);
    n.Normalize();
    if (n.Length() == 0.0f) continue;
    Vec3 t1, t2;
    BuildFrameFromNormal(&t1, &t2, &n);
    EXPECT_NEAR(t1.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(t2.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(t1.Dot(n), 0.0f, 1e-5f);
    EXPECT_NEAR(t2.Dot(n), 0.0f, 1e-5f);
    EXPECT_NEAR(t1.Dot(t2), 0.0f, 1e-5f);
    const Vec3 c = Vec3Cross(t1, t2);
    EXPECT_NEAR((c - n).Length(), 0.0f, 1e-4f);
  }
  Vec3 up(0, 1, 0), t1, t2;
  BuildFrameFromNormal(&t1, &t2, &up);
  ExpectVec(t1, 0.7071068f, 0, 0.7071068f);
  Vec3 zero;
  BuildFrameFromNormal(&t1, &t2, &zero);
  ExpectVec(t1, 0, 0, 0);
  ExpectVec(t2, 0, 0, 0);
}

TEST_F(SolverFixture, EffectiveMassOfABodyOnTheTerrain) {
  RigidBody* b = sim->CreateRigidBody();
  ConstraintItem row = FloorContact(b);
  const Mat3& K = row.massMatrix;
  ExpectVec(K.row[0], 2, 0, 0);
  ExpectVec(K.row[1], 0, 2, 0);
  ExpectVec(K.row[2], 0, 0, 1);
  EXPECT_NEAR(row.invMassMatrix.row[0].x, 0.5f, 1e-6f);

  // A singular matrix leaves a zero inverse: the row applies nothing.
  ConstraintItem none;
  none.bodyA = &w->terrainBody;
  none.normal.Set(0, 1, 0);
  none.Setup(false, false);
  EXPECT_EQ(none.invMassMatrix.row[0].x, 0.0f);
  // A linear motor row with no counting body.
  ConstraintItem motor;
  motor.kind = 10;
  motor.Setup(false, false);
  EXPECT_EQ(motor.invMassMatrix.row[0].x, 0.0f);
  ConstraintItem pair;
  pair.kind = 10;
  pair.bodyA = Body(b);
  pair.bodyB = Body(sim->CreateRigidBody());
  pair.Setup(false, false);
  EXPECT_FLOAT_EQ(pair.invMassMatrix.row[0].x, 0.5f);
}

TEST_F(SolverFixture, HeadOnRestitutionAndFriction) {
  RigidBody* b = sim->CreateRigidBody();
  b->SetVelocity(Vec3(0, -1, 0));
  ConstraintItem row = FloorContact(b);
  ApplyContactItemImpulse(w, Body(b), &w->terrainBody, row, 1, 1.0f);
  ExpectVec(b->GetVelocity(), 0, 0.4f, 0);  // default restitution 0.4
  ExpectVec(b->GetAngularVelocity(), 0, 0, 0);
  // Separating: nothing happens.
  ApplyContactItemImpulse(w, Body(b), &w->terrainBody, row, 1, 1.0f);
  ExpectVec(b->GetVelocity(), 0, 0.4f, 0);

  // Friction 0 keeps the tangential speed.
  sim->SetMaterial(0, 0.0f, 0.1f);
  b->SetVelocity(Vec3(1, -1, 0));
  row = FloorContact(b);
  ApplyContactItemImpulse(w, Body(b), &w->terrainBody, row, 1, 1.0f);
  ExpectVec(b->GetVelocity(), 1, 0.1f, 0);
  ExpectVec(b->GetAngularVelocity(), 0, 0, 0);

  // ... and with a mere sliver of tangential speed it still stops the approach.
  b->SetVelocity(Vec3(1e-7f, -1, 0));
  row = FloorContact(b);
  ApplyContactItemImpulse(w, Body(b), &w->terrainBody, row, 1, 1.0f);
  ExpectVec(b->GetVelocity(), 1e-7f, 0.1f, 0);

  // Friction 0.5 with a small tangential speed sticks: the contact point stops sliding.
  sim->SetMaterial(0, 0.5f, 0.0f);
  b->SetVelocity(Vec3(0.1f, -1, 0));
  Body(b)->SetAngularMomentum(Vec3());
  row = FloorContact(b);
  ApplyContactItemImpulse(w, Body(b), &w->terrainBody, row, 1, 1.0f);
  const Vec3 pointVelocity = b->GetVelocity() + Vec3Cross(b->GetAngularVelocity(), row.relPointA);
  ExpectVec(pointVelocity, 0, 0, 0, 1e-5f);
  // A large tangential speed slides with the friction bound |Pt| = mu * Pn.
  b->SetVelocity(Vec3(5, -1, 0));
  Body(b)->SetAngularMomentum(Vec3());
  row = FloorContact(b);
  const Vec3 before = b->GetVelocity();
  ApplyContactItemImpulse(w, Body(b), &w->terrainBody, row, 1, 1.0f);
  const Vec3 dv = b->GetVelocity() - before;
  EXPECT_NEAR(std::fabs(dv.x), 0.5f * dv.y, 1e-5f);

  // A material index out of range takes material 0's values.
  row.materialB = 999;
  EXPECT_TRUE(IsFiniteVec(ComputeContactImpulse(w, row, false)));
}

TEST_F(SolverFixture, TwoFreeBodiesConserveMomentum) {
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* b = sim->CreateRigidBody();
  b->SetMass(3.0f);
  a->SetPos(Vec3(1, 0, 0));
  a->SetVelocity(Vec3(-2, 0.5f, 0));
  b->SetVelocity(Vec3(1, 0, 0.3f));
  ConstraintItem row;
  row.bodyA = Body(a);
  row.bodyB = Body(b);
  row.normal.Set(1, 0, 0);
  row.relPointA.Set(-0.5f, 0.1f, 0);
  row.relPointB.Set(0.5f, 0.1f, 0);
  row.Setup(false, false);
  const Vec3 before = a->GetVelocity() * 1.0f + b->GetVelocity() * 3.0f;
  const Vec3 angularBefore = a->GetAngularMomentum() + b->GetAngularMomentum() +
                             Vec3Cross(a->GetPos(), a->GetVelocity()) + Vec3Cross(b->GetPos(), b->GetVelocity() * 3.0f);
  ApplyContactItemImpulse(w, Body(a), Body(b), row, 1, 1.0f);
  const Vec3 after = a->GetVelocity() * 1.0f + b->GetVelocity() * 3.0f;
  ExpectVec(after, before.x, before.y, before.z, 1e-5f);
  EXPECT_GT(a->GetVelocity().x, -2.0f);
  const Vec3 angularAfter = a->GetAngularMomentum() + b->GetAngularMomentum() +
                            Vec3Cross(a->GetPos(), a->GetVelocity()) + Vec3Cross(b->GetPos(), b->GetVelocity() * 3.0f);
  ExpectVec(angularAfter, angularBefore.x, angularBefore.y, angularBefore.z, 1e-4f);
}

TEST_F(SolverFixture, SolveSetSweepsAndClearsItsRows) {
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* b = sim->CreateRigidBody();
  w->stepTime = 0.01f;
  ConstraintItem row;
  row.kind = 10;
  row.bodyA = Body(a);
  row.bodyB = Body(b);
  row.localPointA.Set(1, 0, 0);
  row.target = 2.0f;
  row.depth = 100.0f;
  row.Setup(false, false);
  ASSERT_TRUE(w->jointRows.Push(row));
  w->SolveSet(-1.0f, 1);
  // The first sweep brings the relative speed to the target; the rest change nothing.
  ExpectVec(a->GetVelocity(), 1, 0, 0);
  ExpectVec(b->GetVelocity(), -1, 0, 0);
  EXPECT_EQ(w->jointRows.Count(), 0u);
  // A motor with largest force 0 applies nothing.
  row.depth = 0.0f;
  row.target = 10.0f;
  w->jointRows.Push(row);
  w->SolveSet(-1.0f, -1);
  ExpectVec(a->GetVelocity(), 1, 0, 0);
}

namespace {
struct StepCounter : ControllerCallback {
  void Run(Controller*, float dt) override {
    ++calls;
    lastStep = dt;
  }
  int calls = 0;
  float lastStep = 0.0f;
};
}  // namespace

TEST(Step, AdvanceRunsFixedStepsAndGuardsItsInputs) {
  Vec3 g(0, -4, 0);
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, &g);
  SimulatorImpl* w = World(sim);
  RigidBody* b = sim->CreateRigidBody();
  StepCounter counter;
  b->AddController(&counter, 0);
  EXPECT_EQ(sim->Advance(0.0672f, 5, nullptr), 1);
  EXPECT_EQ(counter.calls, 5);
  EXPECT_FLOAT_EQ(counter.lastStep, 0.01344f);
  EXPECT_FLOAT_EQ(w->stepTime, 0.01344f);
  // Gravity acts from the step after the body's creation: four steps of it.
  EXPECT_NEAR(b->GetVelocity().y, -4.0f * 0.01344f * 4.0f, 1e-5f);
  const Vec3 v = b->GetVelocity();
  const Vec3 p = b->GetPos();
  EXPECT_EQ(sim->Advance(NAN, 3, nullptr), 2);
  EXPECT_EQ(sim->Advance(INFINITY, 3, nullptr), 3);
  EXPECT_EQ(sim->Advance(-1.0f, 3, nullptr), 4);
  EXPECT_EQ(sim->Advance(0.0f, 3, nullptr), 5);
  EXPECT_EQ(sim->Advance(0.1f, 0, nullptr), 6);
  EXPECT_EQ(sim->Advance(0.1f, -4, nullptr), 7);
  ExpectVec(b->GetVelocity(), v.x, v.y, v.z, 0.0f);
  ExpectVec(b->GetPos(), p.x, p.y, p.z, 0.0f);
  EXPECT_EQ(counter.calls, 5);
  DestroySimulator(sim);
}

TEST(Step, AdvanceVariableCarriesItsRemainder) {
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, nullptr);
  SimulatorImpl* w = World(sim);
  std::vector<float> steps;
  sim->AdvanceVariable(0.05f, 0.005f, 0.02f, nullptr);
  EXPECT_EQ(w->advanceCount, 3);
  EXPECT_NEAR(w->lastVariableStep, 0.016f, 1e-6f);
  EXPECT_NEAR(w->stepRemainder, -0.006f, 1e-6f);
  // Guarded inputs run no step and never make the remainder NaN.
  const float remainder = w->stepRemainder;
  sim->AdvanceVariable(NAN, 0.005f, 0.02f, nullptr);
  sim->AdvanceVariable(INFINITY, 0.005f, 0.02f, nullptr);
  sim->AdvanceVariable(0.05f, 0.0f, 0.02f, nullptr);
  sim->AdvanceVariable(0.05f, 0.03f, 0.02f, nullptr);
  sim->AdvanceVariable(0.05f, 0.005f, NAN, nullptr);
  EXPECT_EQ(w->advanceCount, 3);
  EXPECT_EQ(w->stepRemainder, remainder);
  DestroySimulator(sim);
}

namespace {
int contactsSeen = 0;
void CountContacts(CollisionInfo* info) {
  ++contactsSeen;
  EXPECT_EQ(info->kindA, 1);
}

}  // namespace

TEST(Step, ASphereDroppedOnTheFloorBouncesAndSettles) {
  GameWorld world;
  world.Floor(20.0f);
  RigidBody* b = world.Sphere(Vec3(0, 3, 0));
  float impact = 0.0f, rebound = 0.0f, lowest = 10.0f;
  for (int frame = 0; frame < 300; ++frame) {
    const float before = b->GetVelocity().y;
    world.Frame();
    const float after = b->GetVelocity().y;
    lowest = std::fmin(lowest, b->GetPos().y);
    if (impact == 0.0f && before < 0.0f && after > before + 0.1f) {
      impact = before;
      rebound = after;
    }
  }
  // The first impact reverses the speed with restitution 0.1 (less the gravity of the steps after it).
  ASSERT_LT(impact, -1.0f);
  EXPECT_GT(rebound, 0.0f);
  EXPECT_LT(rebound, -0.1f * impact + 0.05f);
  // It never sinks through and comes to lie on the floor.
  EXPECT_GT(lowest, 1.1f);
  EXPECT_NEAR(b->GetPos().y, 1.25f, 0.05f);
  EXPECT_NEAR(b->GetVelocity().y, 0.0f, 0.1f);
  ExpectVec(Vec3(b->GetPos().x, 0, b->GetPos().z), 0, 0, 0, 1e-3f);
}

TEST(Step, RollingSpheresCollideAndStayOnTheMap) {
  GameWorld world;
  world.Floor(30.0f);
  World(world.sim)->SetCollisionCallback(CountContacts);
  world.sim->GetCollisionTable()->Set(0, 0, 3);
  RigidBody* a = world.Sphere(Vec3(-4, 1.25f, 0));
  RigidBody* b = world.Sphere(Vec3(4, 1.25f, 0));
  contactsSeen = 0;
  for (int frame = 0; frame < 200; ++frame) {
    a->SetAngularMomentum(Vec3());
    b->SetAngularMomentum(Vec3());
    a->SetForce(Vec3(frame < 60 ? 3.0f : 0.0f, 0, 0));
    b->SetForce(Vec3(frame < 60 ? -3.0f : 0.0f, 0, 0));
    world.Frame();
    // The two never pass through each other.
    ASSERT_LT(a->GetPos().x, b->GetPos().x) << frame;
  }
  EXPECT_GT(contactsSeen, 0);
  EXPECT_GT(b->GetPos().x - a->GetPos().x, 2.3f);
  EXPECT_NEAR(a->GetPos().y, 1.25f, 0.05f);
  EXPECT_NEAR(b->GetPos().y, 1.25f, 0.05f);
}

TEST(Step, ANonFiniteBodyNeitherEntersNorBreaksTheBroadPhase) {
  GameWorld world;
  world.sim->SetGravity(Vec3());
  LogLines().clear();
  world.sim->SetLogOutputCallback(CollectLog);
  world.sim->SetLogOutputLevel(1);
  RigidBody* a = world.Sphere(Vec3(-5, 0, 0));
  RigidBody* b = world.Sphere(Vec3(5, 0, 0));
  RigidBody* c = world.Sphere(Vec3(0, 30, 0));  // its ends lie between a's and b's on x
  world.Frame();
  // The setters refuse what is not finite and keep the old values.
  const Vec3 nan(NAN, 0, 0);
  c->SetPos(nan);
  c->SetVelocity(nan);
  c->SetForce(nan);
  c->ApplyImpulse(nan);
  c->SetAngularMomentum(nan);
  c->SetLinearDamping(NAN);
  ExpectNear3(c->GetPos(), Vec3(0, 30, 0));
  ExpectNear3(c->GetVelocity(), Vec3());
  ExpectNear3(c->GetForce(), Vec3());
  ExpectNear3(c->GetAngularMomentum(), Vec3());
  EXPECT_EQ(c->GetLinearDamping(), 0.0f);
  ASSERT_EQ(LogLines().size(), 6u);
  EXPECT_EQ(LogLines()[0], "RigidBody::SetPos refused: not a finite value.\n");
  // A position that goes bad inside the step (as a blown-up integration leaves it): the body leaves
  // the sorted lists, and the two spheres driven at each other still meet.
  Body(c)->pose.position.x = NAN;
  Body(c)->velocity.x = NAN;
  for (int frame = 0; frame < 150; ++frame) {
    a->SetForce(Vec3(3, 0, 0));
    b->SetForce(Vec3(-3, 0, 0));
    world.Frame();
    ASSERT_LT(a->GetPos().x, b->GetPos().x) << frame;
  }
  EXPECT_NEAR(b->GetPos().x - a->GetPos().x, 2.5f, 0.01f);
  EXPECT_EQ(Body(c)->minEnd[0], nullptr);
  EXPECT_EQ(World(world.sim)->region.axes[0].sorted.count, 4);
  // Finite again, between them: it goes back into the sort and pushes them apart.
  c->SetPos(Vec3(0, 0, 0));
  c->SetVelocity(Vec3());
  for (int frame = 0; frame < 100; ++frame) world.Frame();
  EXPECT_EQ(World(world.sim)->region.axes[0].sorted.count, 6);
  EXPECT_GT(b->GetPos().x - a->GetPos().x, 4.9f);
  EXPECT_LT(a->GetPos().x, c->GetPos().x);
  EXPECT_LT(c->GetPos().x, b->GetPos().x);
}

TEST(Step, IdleBodiesIdBelowZeroAndParticles) {
  GameWorld world;
  world.Floor(10.0f);
  RigidBody* ghost = world.Sphere(Vec3(0, 1.0f, 0));
  ghost->SetCollisionID(-1);  // never touches the terrain
  for (int i = 0; i < 60; ++i) world.Frame();
  EXPECT_LT(ghost->GetPos().y, -3.0f);

  // A rigid body and a particle: the particle alone is pushed out.
  GameWorld other;
  RigidBody* body = other.Sphere(Vec3(0, 0, 0));
  RigidBody* particle = other.sim->CreateRigidParticle();
  particle->AddGeometry()->SetSphereDiameter(1.0f);
  particle->UpdateBoundingInfo();
  particle->SetPos(Vec3(1.5f, 0, 0));
  body->GravityEnable(false);
  particle->GravityEnable(false);
  other.sim->Advance(0.01f, 1, nullptr);
  EXPECT_NEAR(body->GetPos().x, 0.0f, 1e-6f);
  EXPECT_GE(particle->GetPos().x, 1.75f - 1e-4f);
}

namespace {

int terrainReports = 0;
void CountTerrain(CollisionInfo* info) {
  if (info->kindB == 0) ++terrainReports;
}

std::vector<Vec3>* queryVertices = nullptr;
std::vector<Triangle>* queryTriangles = nullptr;
std::vector<int32_t> queryIndices;
int queries = 0;
void ServeTerrain(const Vec3&, const Vec3&, int32_t** indices, Triangle** triangles, Vec3** vertices, int32_t* indexCount,
                  int32_t* triangleCount, RigidBody*) {
  ++queries;
  queryIndices = {0, 1, 7};  // 7 is outside the array and is ignored
  *indices = queryIndices.data();
  *triangles = queryTriangles->data();
  *vertices = queryVertices->data();
  *indexCount = 3;
  *triangleCount = static_cast<int32_t>(queryTriangles->size());
}

int customCalls = 0;
int TouchAlongX(void* a, void* b, CustomCollisionRecord* record) {
  ++customCalls;
  const Vec3 pa = static_cast<RigidBody*>(a)->GetPos();
  const Vec3 pb = static_cast<RigidBody*>(b)->GetPos();
  const float gap = std::fabs(pa.x - pb.x);
  if (gap >= 2.0f) return 0;
  record->normal.Set(pa.x > pb.x ? 1.0f : -1.0f, 0, 0);
  record->depth = 2.0f - gap;
  record->pointA = pa - record->normal;
  record->pointB = record->pointA + record->normal * record->depth;
  return 1;
}

int breaks = 0;
void CountBreak(void*, int kind, Geometry*, RigidBody* fresh) {
  ++breaks;
  EXPECT_EQ(kind, 1);
  EXPECT_NE(fresh, nullptr);
}

}  // namespace

TEST(Step, ReportOnlyContactsAndTheTerrainQueryCallback) {
  {
    GameWorld world;
    world.Floor(10.0f);
    EXPECT_EQ(World(world.sim)->SetCollisionCallback(CountTerrain), nullptr);
    EXPECT_EQ(world.sim->GetCollisionCallback(), CountTerrain);
    world.sim->GetCollisionTable()->Set(-1, 0, 2);  // report, no response
    RigidBody* b = world.Sphere(Vec3(0, 1.2f, 0));
    terrainReports = 0;
    for (int i = 0; i < 30; ++i) world.Frame();
    EXPECT_GT(terrainReports, 0);
    EXPECT_LT(b->GetPos().y, 0.5f);
  }
  {
    GameWorld world;
    world.verts = {Vec3(-10, 0, -10), Vec3(10, 0, -10), Vec3(10, 0, 10), Vec3(-10, 0, 10)};
    Triangle a, c;
    a.v[0] = 0, a.v[1] = 2, a.v[2] = 1;
    c.v[0] = 0, c.v[1] = 3, c.v[2] = 2;
    world.tris = {a, c};
    queryVertices = &world.verts;
    queryTriangles = &world.tris;
    world.sim->SetTerrainQueryCallback(ServeTerrain);
    EXPECT_EQ(world.sim->GetTerrainQueryCallback(), ServeTerrain);
    RigidBody* b = world.Sphere(Vec3(2, 3, 1));
    queries = 0;
    for (int i = 0; i < 150; ++i) world.Frame();
    EXPECT_GT(queries, 0);
    EXPECT_NEAR(b->GetPos().y, 1.25f, 0.05f);
  }
}

TEST(Step, CustomCollisionDecidesContact) {
  GameWorld world;
  world.sim->SetRigidCustomCollisionCallback(TouchAlongX);
  Transform box = Transform::Identity();
  RigidBody* a = world.sim->CreateRigidBody();
  RigidBody* b = world.sim->CreateRigidBody();
  for (RigidBody* r : {a, b}) {
    r->GravityEnable(false);
    r->UseCustomCollisionDetection(true, &box, 1.0f);
    EXPECT_TRUE(r->UsingCustomCollisionDetection());
  }
  a->SetPos(Vec3(-0.8f, 0, 0));
  b->SetPos(Vec3(0.8f, 0, 0));
  a->SetVelocity(Vec3(1, 0, 0));
  b->SetVelocity(Vec3(-1, 0, 0));
  customCalls = 0;
  world.sim->Advance(0.01f, 1, nullptr);
  EXPECT_GT(customCalls, 0);
  EXPECT_LT(a->GetVelocity().x, 0.0f);
  EXPECT_GT(b->GetVelocity().x, 0.0f);
  EXPECT_NEAR(a->GetVelocity().x + b->GetVelocity().x, 0.0f, 1e-5f);
}

TEST(Step, AHardHitBreaksOffABreakableGeometry) {
  GameWorld world;
  world.Floor(10.0f);
  world.sim->SetBreakageCallback(CountBreak);
  RigidBody* b = world.sim->CreateRigidBody();
  Geometry* core = b->AddGeometry();
  core->SetBoxSize(Vec3(1, 1, 1));
  Geometry* part = b->AddGeometry();
  Transform t = Transform::Identity();
  t.position.Set(0, -0.75f, 0);
  part->SetTransform(t);
  part->SetBoxSize(Vec3(1, 0.5f, 1));
  part->SetBreakMode(1);
  part->SetBreakThreshold(0.1f);
  part->SetBreakPlane(Vec3(1, 0, 0));  // an impulse across this axis breaks it
  b->UpdateBoundingInfo();
  b->SetPos(Vec3(0, 1.05f, 0));
  b->SetVelocity(Vec3(3, -5, 0));
  breaks = 0;
  for (int i = 0; i < 5 && breaks == 0; ++i) world.Frame();
  EXPECT_EQ(breaks, 1);
  EXPECT_EQ(b->GetGeometryCount(), 1);
  EXPECT_EQ(world.sim->GetCurrentSizeInfo().rigidBodiesCount, 2);
}

TEST(Step, MixedWorldFuzzStaysFinite) {
  SimulatorSizeInfo info;
  info.rigidBodiesCount = 40;
  info.rigidParticleCount = 10;
  info.animatedBodiesCount = 4;
  info.geometriesCount = 120;
  GameWorld world(info);
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  // A bumpy 20 x 20 floor with a rim.
  const int n = 20;
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const bool rim = i == 0 || j == 0 || i == n || j == n;
      world.verts.emplace_back(-20.0f + 2.0f * i, rim ? 5.0f : 0.5f * u(rng), -20.0f + 2.0f * j);
    }
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      Triangle t1, t2;
      t1.v[0] = a, t1.v[1] = c, t1.v[2] = b;
      t2.v[0] = b, t2.v[1] = c, t2.v[2] = d;
      t1.testSelector = (i + j) % 5 == 0 ? 1 : 0;
      world.tris.push_back(t1);
      world.tris.push_back(t2);
    }
  }
  world.Mesh();
  std::vector<RigidBody*> bodies;
  auto make = [&](int k) {
    RigidBody* b = k % 5 == 4 ? world.sim->CreateRigidParticle() : world.sim->CreateRigidBody();
    if (!b) return b;
    const int shapes = 1 + k % 3;
    for (int s = 0; s < shapes; ++s) {
      Geometry* g = b->AddGeometry();
      if (!g) break;
      Transform t = Transform::Identity();
      t.position.Set(0.5f * s, 0, 0);
      g->SetTransform(t);
      switch ((k + s) % 3) {
        case 0:
          g->SetSphereDiameter(1.0f + 0.5f * (1 + u(rng)));
          break;
        case 1:
          g->SetBoxSize(Vec3(1.0f + u(rng) * 0.5f, 1.0f, 1.0f + u(rng) * 0.5f));
          break;
        default:
          g->SetCylinder(1.0f, 1.5f);
          break;
      }
    }
    b->UpdateBoundingInfo();
    b->SetPos(Vec3(15.0f * u(rng), 2.0f + 3.0f * (1 + u(rng)), 15.0f * u(rng)));
    b->SetRotationM3(Quat(u(rng), u(rng), u(rng), 1.0f).ToMat3());
    return b;
  };
  for (int k = 0; k < 45; ++k) bodies.push_back(make(k));
  AnimatedBody* mover = world.sim->CreateAnimatedBody();
  mover->AddGeometry()->SetBoxSize(Vec3(3, 1, 3));
  mover->UpdateBoundingInfo();
  for (int frame = 0; frame < 300; ++frame) {
    mover->SetPos(Vec3(10.0f * std::sin(frame * 0.05f), 1.0f, 0));
    mover->SetRotationQ(Quat(0, std::sin(frame * 0.02f), 0, std::cos(frame * 0.02f)));
    for (size_t k = 0; k < bodies.size(); ++k) {
      RigidBody* b = bodies[k];
      if (!b) continue;
      const float r = 0.5f * (1 + u(rng));
      if (r < 0.01f) {
        world.sim->FreeRigidBody(b);
        bodies[k] = make(static_cast<int>(k));
        continue;
      }
      if (r < 0.02f) b->Active(!b->IsActive(), static_cast<RigidBody*>(nullptr));
      if (r < 0.2f) b->SetForce(Vec3(5 * u(rng), 0, 5 * u(rng)));
      if (r > 0.995f) b->SetPos(Vec3(15.0f * u(rng), 4.0f, 15.0f * u(rng)));
    }
    world.sim->Advance(0.028f * (1.0f + u(rng) * 0.5f), 3, nullptr);
    for (RigidBody* b : bodies) {
      if (!b) continue;
      ASSERT_TRUE(IsFiniteVec(b->GetPos())) << frame;
      ASSERT_TRUE(IsFiniteVec(b->GetVelocity())) << frame;
      ASSERT_TRUE(IsFiniteVec(b->GetAngularVelocity())) << frame;
    }
  }
}
