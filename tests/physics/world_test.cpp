#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "physics_test_support.h"

using namespace phys;

namespace {

struct WorldFixture : ::testing::Test {
  void SetUp() override {
    Vec3 g(0, 0, 0);
    sim = CreateSimulator(SimulatorSizeInfo(), nullptr, &g);
    ASSERT_NE(sim, nullptr);
  }
  void TearDown() override { DestroySimulator(sim); }
  Simulator* sim = nullptr;
};

void ExpectVec(const Vec3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(PhysicsRecords, DefaultsAreExact) {
  SimulatorSizeInfo s;
  const int32_t expected[12] = {50, 50, 50, 50, 1225, 50, 100, 100, 2000, 100, 200, -1};
  const int32_t got[12] = {s.rigidBodiesCount, s.animatedBodiesCount, s.rigidParticleCount, s.controllersCount,
                           s.overlappedPairsCount, s.geometriesCount, s.constraintsCount, s.constraintSetsCount,
                           s.reservedBufferSize, s.sensorsCount, s.terrainNodesStartCount, s.terrainNodesGrowByCount};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(got[i], expected[i]) << i;
  Triangle t;
  EXPECT_EQ(t.v[0], -1);
  EXPECT_EQ(t.v[1], -1);
  EXPECT_EQ(t.v[2], -1);
  EXPECT_EQ(t.id0, 0);
  EXPECT_EQ(t.testSelector, 0);
  EXPECT_EQ(t.id1, 0);
  float m[16];
  Transform::Identity().ToMatrix16(m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i == 0 || i == 5 || i == 10 || i == 15) ? 1.0f : 0.0f) << i;
}

TEST(PhysicsRecords, InertiaHelpers) {
  ExpectVec(BoxInertiaTensor(Vec3(1, 2, 3), 1.0f), 6.0f, 6.0f, 6.0f);
  // Ties keep the earlier component; the largest side decides.
  ExpectVec(BoxInertiaTensor(2, 2, 1, 3.0f), 8.0f, 8.0f, 8.0f, 1e-4f);
  ExpectVec(SphereInertiaTensor(2.5f, 1.0f), 0.625f, 0.625f, 0.625f);
  const Vec3 c = CylinderInertiaTensor(2.0f, 3.0f, 2.0f);
  ExpectVec(c, 9.0f * 2.0f / 12.0f + 0.5f, 1.0f, 9.0f * 2.0f / 12.0f + 0.5f);
}

TEST(PhysicsRecords, QuaternionExtraction) {
  Quat q = QuatFromMat3(Mat3::Identity());
  EXPECT_EQ(q.x, 0.0f);
  EXPECT_EQ(q.w, 1.0f);
  Mat3 half;
  half.row[0].Set(-1, 0, 0);
  half.row[1].Set(0, 1, 0);
  half.row[2].Set(0, 0, -1);
  q = QuatFromMat3(half);
  EXPECT_NEAR(q.y, 1.0f, 1e-6f);
  EXPECT_NEAR(q.w, 0.0f, 1e-6f);
  // A round trip returns the quaternion, negated when its w was negative.
  Quat r(0.2f, -0.4f, 0.5f, -0.7416198f);
  const Quat back = QuatFromMat3(r.ToMat3());
  EXPECT_NEAR(back.x, -r.x, 1e-5f);
  EXPECT_NEAR(back.y, -r.y, 1e-5f);
  EXPECT_NEAR(back.z, -r.z, 1e-5f);
  EXPECT_NEAR(back.w, -r.w, 1e-5f);
}

TEST_F(WorldFixture, NewWorldDefaults) {
  float f = 0, r = 0;
  ASSERT_TRUE(sim->GetMaterial(0, f, r));
  EXPECT_FLOAT_EQ(f, 0.5f);
  EXPECT_FLOAT_EQ(r, 0.4f);
  EXPECT_FLOAT_EQ(World(sim)->materials[255].density, 1.0f);
  EXPECT_FALSE(sim->SetMaterial(256, 0, 0));
  EXPECT_FALSE(sim->SetMaterial(-1, 0, 0));
  EXPECT_TRUE(sim->SetMaterial(255, 0.1f, 0.2f));
  EXPECT_EQ(World(sim)->materials[255].density, 0.0f);
  EXPECT_FALSE(sim->GetMaterial(256, f, r));

  Simulator* noGravity = CreateSimulator(SimulatorSizeInfo(), nullptr, nullptr);
  ASSERT_NE(noGravity, nullptr);
  ExpectVec(noGravity->GetGravity(), 0, 0, 0);
  ExpectVec(World(noGravity)->unitGravity, 0, 0, 0);
  noGravity->SetGravity(Vec3(0, -4, 0));
  ExpectVec(World(noGravity)->unitGravity, 0, -1, 0);
  EXPECT_FLOAT_EQ(World(noGravity)->gravityMagnitude, 4.0f);
  EXPECT_FLOAT_EQ(World(noGravity)->gravityMagnitude03, 1.2f);
  noGravity->SetGravity(Vec3(INFINITY, 0, 0));  // refused: the world keeps its gravity
  EXPECT_EQ(World(noGravity)->gravityMagnitude, 4.0f);
  DestroySimulator(noGravity);
  DestroySimulator(nullptr);
}

TEST_F(WorldFixture, CollisionTableIdsAndWildcard) {
  CollisionTable* t = sim->GetCollisionTable();
  CollisionTableImpl* impl = &World(sim)->collisionTable;
  t->Set(3, 5, 0);
  EXPECT_EQ(t->Get(3, 5), 0);
  EXPECT_EQ(t->Get(5, 3), 0);
  t->Set(-1, 7, 2);
  EXPECT_EQ(t->Get(7, 7), 1);
  EXPECT_EQ(impl->Lookup(-1, 7), 2);
  EXPECT_EQ(impl->Lookup(7, -1), 2);
  EXPECT_EQ(impl->Lookup(-1, -1), 0);
  // Ids outside -1..63 are ignored by Set and read 0.
  t->Set(64, 0, 5);
  t->Set(-2, 0, 5);
  t->Set(0, 1000, 5);
  EXPECT_EQ(impl->Lookup(64, 0), 0);
  EXPECT_EQ(impl->Lookup(-1, 64), 0);
  EXPECT_EQ(impl->Lookup(-7, 3), 0);
  EXPECT_EQ(t->Get(64, 0), 0);
  EXPECT_EQ(t->Get(0, -1), 0);
  EXPECT_EQ(t->Get(0, 0), 1);
  EXPECT_EQ(t->GetMaxCollisionID(), 64);
}

TEST_F(WorldFixture, GeometryDefaultsExtentsAndHolder) {
  RigidBody* b = sim->CreateRigidBody();
  Geometry* g = b->AddGeometry();
  ASSERT_NE(g, nullptr);
  Vec3 size;
  ASSERT_TRUE(g->GetBoxSize(size));
  ExpectVec(size, 1, 1, 1);
  EXPECT_NEAR(static_cast<TConvex*>(g)->boundingRadius, std::sqrt(0.75f), 1e-6f);
  float d = 0;
  EXPECT_FALSE(g->GetSphereDiameter(d));

  g->SetSphereDiameter(2.5f);
  Vec3 untouched(7, 7, 7);
  EXPECT_FALSE(g->GetBoxSize(untouched));
  EXPECT_EQ(untouched.x, 7.0f);
  EXPECT_FLOAT_EQ(static_cast<TConvex*>(g)->GetExtend(), 1.25f);
  b->UpdateBoundingInfo();
  const TConvex& holder = Body(b)->holder;
  EXPECT_EQ(holder.type, kTypeBox);
  ExpectVec(holder.halfExtents, 1.25f, 1.25f, 1.25f);
  EXPECT_FLOAT_EQ(holder.boundingRadius, 1.25f);

  // One rotated box is kept as the holder, rotation included.
  RigidBody* c = sim->CreateRigidBody();
  Geometry* box = c->AddGeometry();
  box->SetBoxSize(Vec3(2, 4, 6));
  Transform t = Transform::Identity();
  t.rotation = Quat(0, 0.3826834f, 0, 0.9238795f).ToMat3();
  t.position.Set(1, 0, 0);
  box->SetTransform(t);
  c->UpdateBoundingInfo();
  ExpectVec(Body(c)->holder.halfExtents, 1, 2, 3);
  ExpectVec(Body(c)->holder.transform.rotation.row[0], t.rotation.row[0].x, t.rotation.row[0].y, t.rotation.row[0].z);

  // The triangle-list type has no extent.
  TConvex list;
  list.SetTriangleList(nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(list.GetExtend(), 0.0f);
}

TEST_F(WorldFixture, BoxMassAndInertia) {
  RigidBody* b = sim->CreateRigidBody();
  b->AddGeometry()->SetBoxSize(Vec3(2, 2, 2));
  b->UpdateBoundingInfo();
  b->UpdateMassProperties();
  EXPECT_FLOAT_EQ(b->GetMass(), 8.0f);
  const Mat3& I = Body(b)->inertia;
  EXPECT_NEAR(I.row[0].x, 16.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(I.row[1].y, 16.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(I.row[2].z, 16.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(Body(b)->inverseInertia.row[0].x, 3.0f / 16.0f, 1e-6f);

  // Two unit cubes at x = -1 and +1: about the common centre.
  RigidBody* two = sim->CreateRigidBody();
  for (float x : {-1.0f, 1.0f}) {
    Geometry* g = two->AddGeometry();
    Transform t = Transform::Identity();
    t.position.Set(x, 0, 0);
    g->SetTransform(t);
  }
  two->UpdateBoundingInfo();
  two->UpdateMassProperties();
  EXPECT_FLOAT_EQ(two->GetMass(), 2.0f);
  const Mat3& J = Body(two)->inertia;
  EXPECT_NEAR(J.row[0].x, 1.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(J.row[1].y, 7.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(J.row[2].z, 7.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(J.row[0].y, 0.0f, 1e-6f);

  // Shifting there and back restores the tensor.
  Mat3 m = DiagonalMat3(Vec3(1, 2, 3));
  ShiftInertia(m, Vec3(1, 2, -1), 2.0f, 1.0f);
  EXPECT_NEAR(m.row[0].y, -4.0f, 1e-6f);
  EXPECT_NEAR(m.row[1].x, -4.0f, 1e-6f);
  ShiftInertia(m, Vec3(1, 2, -1), 2.0f, -1.0f);
  EXPECT_NEAR(m.row[0].x, 1.0f, 1e-5f);
  EXPECT_NEAR(m.row[0].y, 0.0f, 1e-5f);
}

TEST_F(WorldFixture, MasslessMaterialsAndBadMassesKeepTheOldValues) {
  sim->SetMaterial(0, 0.0f, 0.1f);  // density 0, as the game sets it
  RigidBody* b = sim->CreateRigidBody();
  b->AddGeometry()->SetSphereDiameter(2.5f);
  b->UpdateBoundingInfo();
  b->UpdateMassProperties();
  EXPECT_FLOAT_EQ(b->GetMass(), 1.0f);
  EXPECT_FLOAT_EQ(Body(b)->inverseMass, 1.0f);
  EXPECT_FLOAT_EQ(Body(b)->inverseInertia.row[1].y, 1.0f);
  b->SetMass(0.0f);
  b->SetMass(-2.0f);
  b->SetMass(NAN);
  b->SetMass(INFINITY);
  EXPECT_FLOAT_EQ(b->GetMass(), 1.0f);
  b->SetMass(4.0f);
  EXPECT_FLOAT_EQ(Body(b)->inverseMass, 0.25f);
  Geometry* g = b->AddGeometry();
  g->SetBreakMass(0.0f);
  g->SetBreakMass(-1.0f);
  EXPECT_FLOAT_EQ(g->GetBreakMass(), 1.0f);
  g->SetMaterialIndex(300);
  EXPECT_EQ(g->GetMaterialIndex(), 0);
  b->SetLinearDamping(-3.0f);
  EXPECT_FLOAT_EQ(b->GetLinearDamping(), 1.0f);
  b->SetAngularDamping(-0.25f);
  EXPECT_FLOAT_EQ(b->GetAngularDamping(), 0.25f);
}

namespace {
struct IdleCallback : ControllerCallback {
  void Run(Controller*, float) override {}
};
}  // namespace

// Every public setter that takes a float refuses a value that is not finite (and a size or diameter
// below zero) with one log line, and keeps what it had: the world goes on as if the call had not
// been made. Two spheres pressed together on the floor, and a box beside them, stay apart and up.
TEST(PhysicsSetters, NonFiniteValuesAndNegativeSizesAreRefusedLoggedAndChangeNothing) {
  GameWorld world;
  world.Floor(20.0f);
  LogLines().clear();
  world.sim->SetLogOutputCallback(CollectLog);
  world.sim->SetLogOutputLevel(1);
  RigidBody* a = world.Sphere(Vec3(-1.5f, 1.25f, 0));
  RigidBody* b = world.Sphere(Vec3(1.5f, 1.25f, 0));
  RigidBody* box = world.Box(Vec3(5, 0.52f, 0));
  a->BeginIterateGeometry();
  Geometry* ball = a->GetNextGeometry();
  box->BeginIterateGeometry();
  Geometry* cube = box->GetNextGeometry();
  Sensor* sensor = a->AddSensor();
  sensor->SetLineSensor(Vec3(), Vec3(0, -2, 0));
  RigidBody* hanging = world.sim->CreateRigidBody();
  hanging->SetPos(Vec3(0, 20, 0));
  Joint* joint = world.sim->CreateJoint(hanging);
  IdleCallback idle;
  Controller* controller = joint->AddController(&idle, 0);
  ASSERT_NE(controller, nullptr);

  const float nan = std::nanf(""), inf = INFINITY;
  Transform badFrame = Transform::Identity();
  badFrame.position.x = inf;
  Mat3 badTensor = Mat3::Identity();
  badTensor.row[1].y = nan;
  const char* notFinite = "not a finite value";
  struct Refusal {
    std::string operation;
    const char* reason;
    std::function<void()> call;
  };
  const Refusal refusals[] = {
      {"Simulator::SetGravity", notFinite, [&] { world.sim->SetGravity(Vec3(nan, nan, nan)); }},
      {"Simulator::SetGravity", notFinite, [&] { world.sim->SetGravity(Vec3(0, -inf, 0)); }},
      {"Simulator::SetMaterial", notFinite, [&] { EXPECT_FALSE(world.sim->SetMaterial(0, nan, nan)); }},
      {"Geometry::SetSphereDiameter", notFinite, [&] { ball->SetSphereDiameter(nan); }},
      {"Geometry::SetSphereDiameter", "a negative size", [&] { ball->SetSphereDiameter(-2.5f); }},
      {"Geometry::SetBoxSize", notFinite, [&] { cube->SetBoxSize3(1, nan, 1); }},
      {"Geometry::SetBoxSize", notFinite, [&] { cube->SetBoxSize(Vec3(inf, 1, 1)); }},
      {"Geometry::SetBoxSize", "a negative size", [&] { cube->SetBoxSize3(1, -1, 1); }},
      {"Geometry::SetCylinder", notFinite, [&] { cube->SetCylinder(1, nan); }},
      {"Geometry::SetCylinder", "a negative size", [&] { cube->SetCylinder(-1, 1); }},
      {"Geometry::SetTransform", notFinite, [&] { cube->SetTransform(badFrame); }},
      {"Geometry::SetBreakMass", notFinite, [&] { cube->SetBreakMass(inf); }},
      {"Geometry::SetBreakInertia", notFinite, [&] { cube->SetBreakInertia(Vec3(nan, 1, 1)); }},
      {"Geometry::SetBreakThreshold", notFinite, [&] { cube->SetBreakThreshold(nan); }},
      {"Geometry::SetBreakAbsorption", notFinite, [&] { cube->SetBreakAbsorption(nan); }},
      {"Geometry::SetBreakPlane", notFinite, [&] { cube->SetBreakPlane(Vec3(0, inf, 0)); }},
      {"Geometry::SetBreakParameter", notFinite, [&] { cube->SetBreakParameter(nan); }},
      {"RigidBody::SetMass", notFinite, [&] { box->SetMass(nan); }},
      {"RigidBody::SetInertiaTensor", notFinite, [&] { box->SetInertiaTensor(Vec3(nan, 1, 1)); }},
      {"RigidBody::SetInertiaTensorM3", notFinite, [&] { box->SetInertiaTensorM3(badTensor); }},
      {"RigidBody::SetSleepThreshold", notFinite, [&] { a->SetSleepThreshold(nan); }},
      {"RigidBody::UseCustomCollisionDetection", notFinite, [&] { box->UseCustomCollisionDetection(true, nullptr, nan); }},
      {"Sensor::SetLineSensor", notFinite, [&] { sensor->SetLineSensor(Vec3(), Vec3(0, nan, 0)); }},
      {"Controller::SetJointForceA", notFinite, [&] { controller->SetJointForceA(Vec3(nan, 0, 0)); }},
      {"Controller::SetJointForceB", notFinite, [&] { controller->SetJointForceB(Vec3(nan, 0, 0)); }},
      {"Controller::SetJointForceBAtPos", notFinite, [&] { controller->SetJointForceBAtPos(Vec3(), Vec3(inf, 0, 0)); }},
      {"Joint::SetJointFrameA", notFinite, [&] { joint->SetJointFrameA(badFrame); }},
      {"Joint::SetJointFrameB", notFinite, [&] { joint->SetJointFrameB(badFrame); }},
      {"Joint::SetJointFrameWorld", notFinite, [&] { joint->SetJointFrameWorld(badFrame); }},
      {"Joint::SetJointLength", notFinite, [&] { joint->SetJointLength(inf); }},
      {"Joint::SetDampingFactor", notFinite, [&] { joint->SetDampingFactor(nan); }},
      {"Joint::SetEpsilon", notFinite, [&] { joint->SetEpsilon(nan); }},
      {"Joint::SetLowerLimit", notFinite, [&] { joint->SetLowerLimit(nan); }},
      {"Joint::SetUpperLimit", notFinite, [&] { joint->SetUpperLimit(inf); }},
      {"Joint::SetLowerLimit2", notFinite, [&] { joint->SetLowerLimit2(nan); }},
      {"Joint::SetUpperLimit2", notFinite, [&] { joint->SetUpperLimit2(-inf); }},
      {"Joint::SetMotor", notFinite, [&] { joint->SetMotor(3, nan, 1.0f); }},
      {"Joint::SetMotor2", notFinite, [&] { joint->SetMotor2(3, 1.0f, inf); }},
  };
  for (const Refusal& r : refusals) {
    LogLines().clear();
    r.call();
    ASSERT_EQ(LogLines().size(), 1u) << r.operation;
    EXPECT_EQ(LogLines()[0], r.operation + " refused: " + r.reason + ".\n");
  }

  // Everything kept its value.
  ExpectNear3(world.sim->GetGravity(), Vec3(0, -4, 0), 0.0f);
  float friction = -1, restitution = -1, size = -1;
  ASSERT_TRUE(world.sim->GetMaterial(0, friction, restitution));
  EXPECT_EQ(friction, 0.0f);
  EXPECT_EQ(restitution, 0.1f);
  ASSERT_TRUE(ball->GetSphereDiameter(size));
  EXPECT_EQ(size, 2.5f);
  Vec3 extent;
  ASSERT_TRUE(cube->GetBoxSize(extent));
  ExpectNear3(extent, Vec3(1, 1, 1), 0.0f);
  ExpectNear3(cube->GetTransform().position, Vec3(), 0.0f);
  EXPECT_EQ(cube->GetBreakMass(), 1.0f);
  EXPECT_EQ(cube->GetBreakThreshold(), 0.0f);
  EXPECT_EQ(cube->GetBreakAbsorption(), 0.5f);
  EXPECT_EQ(cube->GetBreakParameter(), 0.0f);
  EXPECT_EQ(Body(box)->inertia.row[1].y, 0.0f);
  EXPECT_FALSE(box->UsingCustomCollisionDetection());
  EXPECT_EQ(a->GetSleepThreshold(), 0.01f);
  ExpectNear3(sensor->GetLineVector(), Vec3(0, -2, 0), 0.0f);
  ExpectNear3(controller->GetJointForceA(), Vec3(), 0.0f);
  ExpectNear3(controller->GetJointForceB(), Vec3(), 0.0f);
  EXPECT_EQ(joint->GetJointLength(), 1.0f);
  EXPECT_EQ(joint->GetDampingFactor(), 0.0f);
  EXPECT_EQ(joint->GetEpsilon(), 0.001f);
  EXPECT_EQ(joint->GetLowerLimit(), 0.0f);
  EXPECT_EQ(joint->GetUpperLimit(), 0.0f);
  EXPECT_EQ(joint->GetLowerLimit2(), 0.0f);
  EXPECT_EQ(joint->GetUpperLimit2(), 0.0f);
  int mode = -1;
  float speed = -1, force = -1;
  joint->GetMotor(mode, speed, force);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(speed, 0.0f);
  joint->GetMotor2(mode, speed, force);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(force, 0.0f);

  // And the world goes on: the spheres pressed together stay 2.5 apart on the floor, the box
  // stands on it.
  for (int frame = 0; frame < 100; ++frame) {
    a->SetForce(Vec3(3, 0, 0));
    b->SetForce(Vec3(-3, 0, 0));
    world.Frame();
  }
  ASSERT_TRUE(IsFiniteVec(a->GetPos()) && IsFiniteVec(b->GetPos()) && IsFiniteVec(box->GetPos()));
  EXPECT_GT(b->GetPos().x - a->GetPos().x, 2.45f);
  EXPECT_NEAR(a->GetPos().y, 1.25f, 0.05f);
  EXPECT_NEAR(b->GetPos().y, 1.25f, 0.05f);
  EXPECT_NEAR(box->GetPos().y, 0.5f, 0.03f);
}

TEST_F(WorldFixture, OneIntegrationStepWithAKnownForce) {
  RigidBody* b = sim->CreateRigidBody();
  b->SetForce(Vec3(0, -1, 0));
  RigidBodyImpl* r = Body(b);
  World(sim)->stepTime = 0.01f;
  r->totalForce.SetZero();
  r->UpdateVelocity(0.01f);
  r->UpdatePosition(0.01f);
  EXPECT_NEAR(b->GetVelocity().y, -0.01f, 1e-7f);
  EXPECT_NEAR(b->GetPos().y, -0.00015f, 1e-8f);
  // The force is not cleared by the step.
  ExpectVec(b->GetForce(), 0, -1, 0);

  // Linear damping 1 stops the body at every velocity update.
  b->SetLinearDamping(1.0f);
  r->totalForce.SetZero();
  r->UpdateVelocity(0.01f);
  ExpectVec(b->GetVelocity(), 0, 0, 0);
}

TEST_F(WorldFixture, WorldInertiaOfARotatedAnisotropicBody) {
  RigidBody* b = sim->CreateRigidBody();
  b->SetInertiaTensor(Vec3(1, 4, 9));
  // 90 degrees about z: the body's x axis points along world y.
  Mat3 rot;
  rot.row[0].Set(0, 1, 0);
  rot.row[1].Set(-1, 0, 0);
  rot.row[2].Set(0, 0, 1);
  b->SetRotationM3(rot);
  ExpectVec(b->GetRotationM3().row[0], 0, 1, 0);
  // A momentum along world y is along the body's x axis, whose inverse inertia is 1.
  b->SetAngularMomentum(Vec3(0, 2, 0));
  ExpectVec(b->GetAngularVelocity(), 0, 2, 0);
  // Along world x it is the body's -y axis: inverse inertia 1/4.
  b->SetAngularMomentum(Vec3(4, 0, 0));
  ExpectVec(b->GetAngularVelocity(), 1, 0, 0);

  // A general rotation: omega = R^T I^-1 R L, checked through body coordinates.
  Quat q(0.1f, 0.3f, -0.2f, 0.9273618f);
  b->SetRotationM3(q.ToMat3());
  const Mat3 R = b->GetRotationM3();
  const Vec3 L(0.3f, -1.2f, 0.7f);
  b->SetAngularMomentum(L);
  const Vec3 local = Mat3TransformColumn(R, L);
  const Vec3 expected = Mat3TransformRow(Vec3(local.x / 1.0f, local.y / 4.0f, local.z / 9.0f), R);
  const Vec3 got = b->GetAngularVelocity();
  ExpectVec(got, expected.x, expected.y, expected.z);
}

TEST_F(WorldFixture, VelocityAtPointAndForces) {
  RigidBody* b = sim->CreateRigidBody();
  Body(b)->angularVelocity.Set(0, 1, 0);
  ExpectVec(b->GetVelocityAtPoint(Vec3(1, 0, 0)), 0, 0, -1);
  Body(b)->PutToRest();
  b->SetForce(Vec3(0, 5e-7f, 0));
  EXPECT_TRUE(b->IsIdle());
  b->SetForce(Vec3(0, 1e-6f, 0));
  EXPECT_FALSE(b->IsIdle());
}

namespace {
struct CountingController : ControllerCallback {
  void Run(Controller* c, float) override {
    ++calls;
    c->SetControllerForce(Vec3(0, 1, 0));
  }
  int calls = 0;
};
}  // namespace

TEST_F(WorldFixture, ControllersRunEveryPeriodAndWakeRestingBodies) {
  RigidBody* b = sim->CreateRigidBody();
  CountingController cb;
  Controller* c = b->AddController(&cb, 2);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetRigidBody(), b);
  RigidBodyImpl* r = Body(b);
  std::vector<int> callsAfter;
  for (int i = 0; i < 6; ++i) {
    r->ApplyForcesAndControllers();
    callsAfter.push_back(cb.calls);
  }
  EXPECT_EQ(callsAfter, (std::vector<int>{0, 0, 1, 1, 1, 2}));
  ExpectVec(r->controllerForce, 0, 1, 0);

  // A resting body whose controller pushes wakes at its next velocity update.
  r->PutToRest();
  r->UpdateVelocity(0.01f);
  EXPECT_FALSE(b->IsIdle());
  c->SetControllerForce(Vec3(0, 5e-7f, 0));
  r->ApplyForcesAndControllers();
  EXPECT_TRUE(b->RemoveController(c));
  EXPECT_FALSE(b->RemoveController(c));
  r->controllerForce.Set(0, 5e-7f, 0);
  r->PutToRest();
  r->UpdateVelocity(0.01f);
  EXPECT_TRUE(b->IsIdle());
}

TEST_F(WorldFixture, AnimatedBodies) {
  AnimatedBody* a = sim->CreateAnimatedBody();
  ASSERT_NE(a, nullptr);
  Geometry* g = a->AddGeometry();
  g->SetBoxSize(Vec3(2, 2, 2));
  a->UpdateBoundingInfo();
  a->SetPos(Vec3(10, 0, 0));
  AnimatedBodyImpl* impl = static_cast<AnimatedBodyImpl*>(a);
  // SetPos moves the world box at once; a rotation waits for the next step.
  EXPECT_FLOAT_EQ(impl->worldMin.x, 9.0f);
  EXPECT_EQ(impl->moved, 1);
  a->SetRotationQ(Quat(0, 0, 0.3826834f, 0.9238795f));
  EXPECT_FLOAT_EQ(impl->worldMin.x, 9.0f);
  const Quat q = a->GetRotationQ();
  EXPECT_NEAR(q.z, 0.3826834f, 1e-5f);
  EXPECT_NEAR(q.w, 0.9238795f, 1e-5f);
  sim->Advance(0.01f, 1, nullptr);
  EXPECT_EQ(impl->moved, 0);
  EXPECT_LT(impl->worldMin.x, 9.0f - 0.3f);
  sim->FreeAnimatedBody(a);
  EXPECT_EQ(sim->GetCurrentSizeInfo().animatedBodiesCount, 0);
  EXPECT_EQ(sim->GetCurrentSizeInfo().geometriesCount, 0);
}

TEST_F(WorldFixture, ActivationMovesBodiesOutOfAndBackIntoTheBroadPhase) {
  RigidBody* b = sim->CreateRigidBody();
  EXPECT_EQ(Body(b)->bodyNode, nullptr);
  Geometry* g = b->AddGeometry();
  EXPECT_NE(Body(b)->bodyNode, nullptr);
  b->Active(false, static_cast<RigidBody*>(nullptr));
  b->Active(false, static_cast<RigidBody*>(nullptr));
  EXPECT_FALSE(b->IsActive());
  EXPECT_EQ(Body(b)->bodyNode, nullptr);
  EXPECT_EQ(World(sim)->inactiveRigid.count, 1);
  EXPECT_EQ(World(sim)->activeRigid.count, 0);
  b->Active(true, static_cast<RigidBody*>(nullptr));
  b->Active(true, static_cast<RigidBody*>(nullptr));
  EXPECT_TRUE(b->IsActive());
  EXPECT_EQ(World(sim)->activeRigid.count, 1);
  EXPECT_NE(Body(b)->bodyNode, nullptr);
  // Removing the last geometry takes the body out of the broad phase.
  EXPECT_TRUE(b->RemoveGeometry(g));
  EXPECT_FALSE(b->RemoveGeometry(g));
  EXPECT_EQ(Body(b)->bodyNode, nullptr);
}

TEST_F(WorldFixture, BreakingOffAGeometryMakesANewBody) {
  RigidBody* b = sim->CreateRigidBody();
  Geometry* first = b->AddGeometry();
  Geometry* second = b->AddGeometry();
  Transform t = Transform::Identity();
  t.position.Set(2, 0, 0);
  second->SetTransform(t);
  second->SetBreakMass(3.0f);
  second->SetBreakMode(1);
  b->UpdateBoundingInfo();
  b->SetPos(Vec3(0, 5, 0));
  EXPECT_EQ(b->BreakGeometry(nullptr), nullptr);
  RigidBody* broken = b->BreakGeometry(second);
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(b->GetGeometryCount(), 1);
  EXPECT_EQ(broken->GetGeometryCount(), 1);
  EXPECT_FLOAT_EQ(broken->GetMass(), 3.0f);
  ExpectVec(broken->GetPos(), 2, 5, 0);
  EXPECT_EQ(second->GetBreakMode(), 0);
  // The last geometry cannot break off.
  EXPECT_EQ(b->BreakGeometry(first), nullptr);
}

TEST_F(WorldFixture, RestContactsAreUnlinkedBothWays) {
  RigidBody* lower = sim->CreateRigidBody();
  RigidBody* upper = sim->CreateRigidBody();
  RestContact c;
  c.Set(1, Vec3(0, -1, 0), Vec3(0, 1, 0), Vec3(0, 1, 0), 0, 0);
  c.other = Body(lower);
  Body(upper)->StoreRestContact(c);
  EXPECT_EQ(Body(lower)->restingOnMeCount, 1);
  // The same point reuses its slot without linking twice.
  Body(upper)->StoreRestContact(c);
  EXPECT_EQ(Body(lower)->restingOnMeCount, 1);
  // Three further points fill the slots; the fourth replaces one and leaves the list consistent.
  for (int i = 1; i <= 3; ++i) {
    RestContact d = c;
    d.pointOnThis.Set(static_cast<float>(i), -1, 0);
    d.depth = static_cast<float>(i);
    Body(upper)->StoreRestContact(d);
  }
  EXPECT_EQ(Body(lower)->restingOnMeCount, 3);
  sim->FreeRigidBody(lower);
  for (const RestContact& slot : Body(upper)->restContacts) {
    EXPECT_EQ(slot.kind, 0);
    EXPECT_EQ(slot.other, nullptr);
  }
  RigidBody* again = sim->CreateRigidBody();
  EXPECT_EQ(Body(again)->restingOnMe, nullptr);
  c.other = Body(again);
  Body(upper)->StoreRestContact(c);
  sim->FreeRigidBody(upper);
  EXPECT_EQ(Body(again)->restingOnMe, nullptr);
  EXPECT_EQ(Body(again)->restingOnMeCount, 0);
}

TEST_F(WorldFixture, RestContactValidity) {
  RigidBody* other = sim->CreateRigidBody();
  RestContact c;
  c.kind = 3;
  EXPECT_TRUE(c.IsOtherValid(World(sim)));
  EXPECT_TRUE(c.IsOtherResting());
  c.kind = 1;
  c.other = Body(other);
  EXPECT_TRUE(c.IsOtherValid(World(sim)));
  EXPECT_FALSE(c.IsOtherResting());
  other->Active(false, static_cast<RigidBody*>(nullptr));
  EXPECT_FALSE(c.IsOtherValid(World(sim)));
  other->Active(true, static_cast<RigidBody*>(nullptr));
  sim->FreeRigidBody(other);
  EXPECT_FALSE(c.IsOtherValid(World(sim)));
}

TEST_F(WorldFixture, SmallRecordOperations) {
  World(sim)->stepTime = 0.01f;
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* b = sim->CreateRigidBody();
  // A contact result of A resting on B, B turned a quarter about y: the record keeps the normal in
  // B's frame.
  Body(b)->SetRotation(Quat(0.0f, 0.70710677f, 0.0f, 0.70710677f).ToMat3());
  ConstraintItem row;
  row.localPointA.Set(0, -0.5f, 0);
  row.localPointB.Set(0.25f, 0.5f, 0);
  row.normal.Set(1, 0, 0);
  row.materialA = 4;
  row.materialB = 9;
  row.depth = 0.03f;
  row.bodyA = Body(a);
  row.bodyB = Body(b);
  RestContact c;
  c.Set(row);
  EXPECT_EQ(c.kind, 1);
  EXPECT_EQ(c.other, Body(b));
  ExpectNear3(c.pointOnThis, Vec3(0, -0.5f, 0));
  ExpectNear3(c.pointOnOther, Vec3(0.25f, 0.5f, 0));
  ExpectNear3(c.normal, Mat3TransformColumn(Body(b)->pose.rotation, row.normal));
  ExpectNear3(Mat3TransformRow(c.normal, Body(b)->pose.rotation), row.normal);  // back to world
  EXPECT_EQ(c.idA, 4);
  EXPECT_EQ(c.idB, 9);
  EXPECT_FLOAT_EQ(c.depth, 0.03f);
  row.bodyB = &World(sim)->terrainBody;
  c.Set(row);
  EXPECT_EQ(c.kind, 3);
  ExpectNear3(c.normal, row.normal);

  // The angular momentum loses its part along y and gains (0, 0, 1); the angular velocity follows
  // the body's inverse inertia.
  RigidBodyImpl* r = Body(a);
  r->SetInertiaTensor(DiagonalMat3(Vec3(1, 2, 4)));
  r->SetAngularMomentum(Vec3(1, 2, 3));
  r->RemoveAngularMomentumAlong(Vec3(0, 1, 0), Vec3(0, 0, 1));
  ExpectNear3(r->angularMomentum, Vec3(1, 0, 4));
  ExpectNear3(r->angularVelocity, Vec3(1, 0, 1));
  const Quat& q = r->quatRate;  // 0.5 (w, 0) x identity
  EXPECT_NEAR(q.x, 0.5f, 1e-6f);
  EXPECT_NEAR(q.z, 0.5f, 1e-6f);

  ExpectNear3(ProjectOntoPlane(Vec3(1, 2, 3), Vec3(0, 0.6f, 0.8f)), Vec3(1, 2, 3) - Vec3(0, 0.6f, 0.8f) * 3.6f);
  const Vec3 u(0, 0.6f, 0.8f);
  Vec3 tilted(0.002f, 0.6f, 0.8f);
  tilted.Normalize();
  EXPECT_TRUE(SameUnitVector(u, u));
  EXPECT_FALSE(SameUnitVector(u, tilted));  // 0.002 rad apart: dot 1 - 2e-6
  EXPECT_FALSE(SameUnitVector(u, -u));

  // Moving: the speed test that keeps an idle body asleep (squared speeds against 1.0).
  r->SetAngularMomentum(Vec3());
  r->velocity.Set(0.6f, 0, 0.79f);
  EXPECT_FALSE(r->IsMoving());
  r->velocity.Set(0.6f, 0, 0.81f);
  EXPECT_TRUE(r->IsMoving());
  r->angularVelocity.Set(0, 0.2f, 0);
  r->velocity.Set(0.6f, 0, 0.79f);
  EXPECT_TRUE(r->IsMoving());

  // The rest history: 50 slow calls in a row, then the averaged velocity history decides.
  r->sleepThreshold = 0.01f;
  r->angularVelocity.Set(0, 0.9f, 0);  // 0.009 per step: slow
  for (Vec3& v : r->velocityHistory) v.Set(0, 0, 0.5f);  // average 0.5: 0.005 per step
  for (int i = 1; i < 50; ++i) ASSERT_FALSE(r->CheckRestHistory()) << i;
  EXPECT_TRUE(r->CheckRestHistory());
  r->velocityHistory[0].Set(0, 0, 6.0f);  // average 1.05: 0.0105 per step
  EXPECT_FALSE(r->CheckRestHistory());
  r->velocityHistory[0].Set(0, 0, 0.5f);
  r->angularVelocity.Set(0, 1.1f, 0);  // a fast step starts the count again
  EXPECT_FALSE(r->CheckRestHistory());
  r->angularVelocity.Set(0, 0.9f, 0);
  for (int i = 1; i < 50; ++i) ASSERT_FALSE(r->CheckRestHistory()) << i;
  EXPECT_TRUE(r->CheckRestHistory());
}
