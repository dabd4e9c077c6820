#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "physics/collision/joints.h"
#include "physics_test_support.h"

using namespace phys;

namespace {

Transform FrameAt(const Vec3& pos, const Vec3& x, const Vec3& y, const Vec3& z) {
  Transform t = Transform::Identity();
  t.rotation.row[0] = x;
  t.rotation.row[1] = y;
  t.rotation.row[2] = z;
  t.position = pos;
  t.position.w = 1.0f;
  return t;
}

// A frame at `pos` whose joint axis (y) is world z.
Transform AxisZFrame(const Vec3& pos) { return FrameAt(pos, Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, -1, 0)); }

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

struct JointWorld : ::testing::Test {
  void SetUp() override { Make(SimulatorSizeInfo(), Vec3(0, -4, 0)); }
  void Make(const SimulatorSizeInfo& info, const Vec3& g) {
    if (sim) DestroySimulator(sim);
    sim = CreateSimulator(info, nullptr, &g);
    w = World(sim);
  }
  void TearDown() override {
    DestroySimulator(sim);
    LogLines().clear();
  }
  RigidBody* Box(const Vec3& pos) {
    RigidBody* b = sim->CreateRigidBody();
    b->SetMass(1.0f);
    b->SetInertiaTensor(BoxInertiaTensor(0.5f, 0.5f, 0.5f, 1.0f));
    b->SetPos(pos);
    return b;
  }
  AnimatedBody* Fixed(const Vec3& pos) {
    AnimatedBody* m = sim->CreateAnimatedBody();
    m->SetPos(pos);
    return m;
  }
  void Run(int steps) {
    for (int i = 0; i < steps; ++i) sim->Advance(0.01f, 1, nullptr);
  }
  static JointImpl* J(Joint* j) { return static_cast<JointImpl*>(j); }

  Simulator* sim = nullptr;
  SimulatorImpl* w = nullptr;
};

// Counts its calls and leaves a force on body A.
struct CountingController : ControllerCallback {
  void Run(Controller* c, float) override {
    ++calls;
    order.push_back(id);
    c->SetJointForceA(force);
  }
  int calls = 0;
  int id = 0;
  Vec3 force;
  static std::string order;
};
std::string CountingController::order;

}  // namespace

TEST_F(JointWorld, FreshJointDefaultsAndTypes) {
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(1, 0, 0));
  Joint* j = sim->CreateJoint(a, b);
  ASSERT_NE(j, nullptr);
  EXPECT_FLOAT_EQ(j->GetEpsilon(), 0.001f);
  EXPECT_EQ(j->GetIterations(), -1);
  EXPECT_FLOAT_EQ(j->GetJointLength(), 1.0f);
  EXPECT_EQ(j->GetType(), 0);
  EXPECT_EQ(j->GetRigidBodyA(), a);
  EXPECT_EQ(j->GetRigidBodyB(), b);
  EXPECT_EQ(j->GetAnimatedBodyB(), nullptr);
  j->SetType(1);
  EXPECT_EQ(j->GetType(), 0);
  EXPECT_EQ(J(j)->rowCount, 1);
  j->SetType(2);
  EXPECT_EQ(J(j)->rowCount, 2);
  j->SetEpsilon(-5.0f);
  EXPECT_FLOAT_EQ(j->GetEpsilon(), 0.001f);

  // A hinge of length 1 with identity frames has its anchors at (0, +-0.5, 0) in each body.
  j->Enable(true);
  EXPECT_TRUE(j->IsEnabled());
  ExpectNear3(J(j)->anchorsA[0].local, Vec3(0, 0.5f, 0));
  ExpectNear3(J(j)->anchorsA[1].local, Vec3(0, -0.5f, 0));
  ExpectNear3(J(j)->anchorsB[1].local, Vec3(0, -0.5f, 0));

  // Null or identical bodies make no joint and leave the pool alone.
  const int used = w->jointPool.UsedCount();
  EXPECT_EQ(sim->CreateJoint(a, static_cast<RigidBody*>(nullptr)), nullptr);
  EXPECT_EQ(sim->CreateJoint(static_cast<RigidBody*>(nullptr), b), nullptr);
  EXPECT_EQ(sim->CreateJoint(a, a), nullptr);
  EXPECT_EQ(sim->CreateJoint(static_cast<RigidBody*>(nullptr)), nullptr);
  EXPECT_EQ(w->jointPool.UsedCount(), used);
}

TEST_F(JointWorld, EnablingTwiceDoesNotWakeButDisablingDoes) {
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(1, 0, 0));
  Joint* j = sim->CreateJoint(a, b);
  j->Enable(true);
  Body(a)->PutToRest();
  Body(b)->PutToRest();
  j->Enable(true);
  EXPECT_TRUE(a->IsIdle());
  j->Enable(false);
  EXPECT_FALSE(a->IsIdle());
  EXPECT_FALSE(b->IsIdle());
  EXPECT_FALSE(j->IsEnabled());
  // The joint keeps its set while disabled.
  EXPECT_NE(Body(a)->constraintSet, nullptr);
}

TEST_F(JointWorld, RunningOutOfJointsIsLoggedAtLevelOne) {
  SimulatorSizeInfo info;
  info.constraintsCount = 1;
  Make(info, Vec3(0, -4, 0));
  sim->SetLogOutputCallback(CollectLog);
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(1, 0, 0));
  ASSERT_NE(sim->CreateJoint(a, b), nullptr);
  EXPECT_EQ(sim->CreateJoint(a, b), nullptr);
  EXPECT_TRUE(LogLines().empty());  // level 0 delivers nothing
  sim->SetLogOutputLevel(1);
  EXPECT_EQ(sim->CreateJoint(a, b), nullptr);
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(LogLines()[0], "Run out of Constraints. Increase 'constraintsCount'.\n");
}

TEST_F(JointWorld, RunningOutOfSetsAndControllersIsLogged) {
  SimulatorSizeInfo info;
  info.constraintSetsCount = 1;
  info.controllersCount = 1;
  Make(info, Vec3(0, -4, 0));
  sim->SetLogOutputCallback(CollectLog);
  sim->SetLogOutputLevel(1);
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(1, 0, 0));
  RigidBody* c = Box(Vec3(3, 0, 0));
  RigidBody* d = Box(Vec3(4, 0, 0));
  Joint* ab = sim->CreateJoint(a, b);
  Joint* cd = sim->CreateJoint(c, d);
  ab->Enable(true);
  cd->Enable(true);
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(LogLines()[0], "Run out of Constraint Sets. Increase 'constraintSetsCount'.\n");
  // Enabled but in no set: it emits no rows, and the step survives it.
  EXPECT_TRUE(cd->IsEnabled());
  EXPECT_EQ(Body(c)->constraintSet, nullptr);
  Run(3);

  CountingController one, two;
  EXPECT_NE(ab->AddController(&one, 0), nullptr);
  EXPECT_EQ(ab->AddController(&two, 0), nullptr);
  EXPECT_EQ(ab->AddController(nullptr, 0), nullptr);
  ASSERT_EQ(LogLines().size(), 2u);
  EXPECT_EQ(LogLines()[1], "Run out of Controllers. Increase 'constraintSetsCount'.\n");
}

TEST_F(JointWorld, SetsMergeInJointOrderAndFoldTolerances) {
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(1, 0, 0));
  RigidBody* c = Box(Vec3(2, 0, 0));
  RigidBody* d = Box(Vec3(3, 0, 0));
  Joint* ab = sim->CreateJoint(a, b);
  Joint* cd = sim->CreateJoint(c, d);
  Joint* bc = sim->CreateJoint(b, c);
  ab->Enable(true);
  cd->Enable(true);
  EXPECT_NE(Body(a)->constraintSet, Body(c)->constraintSet);
  EXPECT_EQ(w->constraintSets.count, 2);
  bc->Enable(true);
  ConstraintHeader* set = Body(a)->constraintSet;
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(w->constraintSets.count, 1);
  EXPECT_EQ(set->bodyCount, 4);
  for (RigidBody* r : {a, b, c, d}) EXPECT_EQ(Body(r)->constraintSet, set);
  ASSERT_EQ(set->firstJoint, J(ab));
  ASSERT_EQ(set->firstJoint->setNext, J(bc));
  ASSERT_EQ(set->firstJoint->setNext->setNext, J(cd));
  EXPECT_EQ(set->lastJoint, J(cd));
  EXPECT_EQ(set->flags & 1, 1);

  ab->SetEpsilon(0.01f);
  cd->SetEpsilon(0.005f);
  ab->SetIterations(3);
  cd->SetIterations(6);
  float tolerance = -1.0f;
  int32_t iterations = -1;
  PrepareConstraintSet(*set, &tolerance, &iterations);
  EXPECT_FLOAT_EQ(tolerance, 0.005f);
  EXPECT_EQ(iterations, 6);
  EXPECT_EQ(set->prepared, 1);
  // Three ball joints: three point-to-point rows.
  EXPECT_EQ(w->jointRows.Count(), 3u);
  w->jointRows.Clear();

  // Freeing the middle joint splits the chain: each half keeps a set with its own joint, and is
  // still solved.
  sim->FreeJoint(bc);
  ConstraintHeader* left = Body(a)->constraintSet;
  ConstraintHeader* right = Body(d)->constraintSet;
  ASSERT_TRUE(left && right);
  EXPECT_NE(left, right);
  EXPECT_EQ(Body(b)->constraintSet, left);
  EXPECT_EQ(Body(c)->constraintSet, right);
  EXPECT_EQ(left->bodyCount, 2);
  EXPECT_EQ(left->firstJoint, J(ab));
  EXPECT_EQ(left->lastJoint, J(ab));
  EXPECT_EQ(right->firstJoint, J(cd));
  EXPECT_EQ(right->lastJoint, J(cd));
  tolerance = -1.0f;
  PrepareConstraintSet(*left, &tolerance, &iterations);
  EXPECT_EQ(w->jointRows.Count(), 1u);
  w->jointRows.Clear();
  // A body whose last joint goes leaves its set; freeing bodies frees their joints.
  sim->FreeJoint(cd);
  EXPECT_EQ(Body(c)->constraintSet, nullptr);
  EXPECT_EQ(Body(d)->constraintSet, nullptr);
  EXPECT_EQ(w->constraintSets.count, 1);
  sim->FreeRigidBody(a);
  sim->FreeRigidBody(d);
  EXPECT_EQ(w->jointPool.UsedCount(), 0);
  EXPECT_EQ(w->constraintSetPool.UsedCount(), 0);
  Run(2);
}

TEST_F(JointWorld, BallJointHoldsAPendulumOnItsPivot) {
  AnimatedBody* pivot = Fixed(Vec3(0, 5, 0));
  RigidBody* bob = Box(Vec3(1, 5, 0));
  Joint* j = sim->CreateJoint(bob, pivot);
  j->SetJointFrameWorld(FrameAt(Vec3(0, 5, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)));
  j->Enable(true);
  float lowest = 5.0f;
  for (int i = 0; i < 300; ++i) {
    Run(1);
    const Vec3 anchor = j->GetJointFrameA().position;
    ASSERT_LT((anchor - Vec3(0, 5, 0)).Length(), 0.05f) << "step " << i;
    lowest = std::min(lowest, bob->GetPos().y);
  }
  // It swings on a radius of 1 about the pivot.
  EXPECT_LT(lowest, 4.5f);
  EXPECT_NEAR((bob->GetPos() - Vec3(0, 5, 0)).Length(), 1.0f, 0.05f);
}

// A chain world - A - B - C of ball joints, swinging; then A is deactivated. A keeps its place and
// the velocity it had, and its joints hold B at the point where A stopped, as a joint to the world
// would: B hangs from it and does not fall away. Active again, A swings on from the world pivot
// with the chain.
TEST_F(JointWorld, AJointToADeactivatedBodyHoldsAtThePointWhereItStopped) {
  const Transform unit = FrameAt(Vec3(), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1));
  auto at = [&](const Vec3& p) {
    Transform t = unit;
    t.position = p;
    t.position.w = 1.0f;
    return t;
  };
  RigidBody* chain[3];
  for (int i = 0; i < 3; ++i) chain[i] = Box(Vec3(1.0f + i, 10, 0));
  Joint* joints[3];
  joints[0] = sim->CreateJoint(chain[0]);
  joints[0]->SetJointFrameWorld(at(Vec3(0, 10, 0)));
  for (int i = 0; i < 2; ++i) {
    joints[i + 1] = sim->CreateJoint(chain[i], chain[i + 1]);
    joints[i + 1]->SetJointFrameWorld(at(Vec3(1.5f + i, 10, 0)));
  }
  for (Joint* j : joints) j->Enable(true);
  auto gap = [](Joint* j) { return (j->GetJointFrameA().position - j->GetJointFrameB().position).Length(); };
  Run(60);
  chain[0]->Active(false, static_cast<RigidBody*>(nullptr));
  const Vec3 stoppedAt = chain[0]->GetPos();
  const Vec3 stoppedVelocity = chain[0]->GetVelocity();
  ASSERT_GT(stoppedVelocity.Length(), 0.5f);
  float lowest = stoppedAt.y;
  for (int i = 0; i < 280; ++i) {
    Run(1);
    ASSERT_LT(gap(joints[1]), 0.01f) << "step " << i;
    ASSERT_LT(gap(joints[2]), 0.01f) << "step " << i;
    lowest = std::min(lowest, chain[1]->GetPos().y);
  }
  EXPECT_EQ(chain[0]->GetPos().x, stoppedAt.x);
  EXPECT_EQ(chain[0]->GetPos().y, stoppedAt.y);
  EXPECT_EQ(chain[0]->GetVelocity().x, stoppedVelocity.x);
  EXPECT_EQ(chain[0]->GetVelocity().y, stoppedVelocity.y);
  // B swings within its reach of A's anchor (1 from A's centre).
  EXPECT_GT(lowest, stoppedAt.y - 1.05f);
  EXPECT_LT(lowest, stoppedAt.y - 0.5f);

  chain[0]->Active(true, static_cast<RigidBody*>(nullptr));
  Run(200);
  EXPECT_NEAR((chain[0]->GetPos() - Vec3(0, 10, 0)).Length(), 1.0f, 0.02f);
  for (Joint* j : joints) EXPECT_LT(gap(j), 0.01f);
  for (RigidBody* b : chain) EXPECT_TRUE(Finite(b->GetVelocity()));
}

TEST_F(JointWorld, HingeKeepsItsAxisAndSliderItsLine) {
  Make(SimulatorSizeInfo(), Vec3(0, -4, 0));
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  RigidBody* door = Box(Vec3(1, 0, 0));
  Joint* hinge = sim->CreateJoint(door, base);
  hinge->SetType(2);
  hinge->SetJointFrameWorld(AxisZFrame(Vec3(0, 0, 0)));
  hinge->Enable(true);
  // A spin about a foreign axis is taken out by the hinge.
  door->SetAngularMomentum(Vec3(0.05f, 0.05f, 0));

  RigidBody* carriage = Box(Vec3(0, 3, 0));
  Joint* slider = sim->CreateJoint(carriage, base);
  slider->SetType(3);
  slider->SetJointFrameWorld(FrameAt(Vec3(0, 3, 0), Vec3(0, 1, 0), Vec3(1, 0, 0), Vec3(0, 0, -1)));
  slider->Enable(true);
  carriage->SetVelocity(Vec3(1, 0, 0.5f));

  float lowest = 0.0f;
  for (int i = 0; i < 200; ++i) {
    Run(1);
    lowest = std::min(lowest, door->GetPos().y);
    const Vec3 axis = door->GetRotationM3().row[1];
    ASSERT_TRUE(Finite(axis));
    ASSERT_NEAR(std::fabs(hinge->GetJointFrameA().rotation.row[1].z), 1.0f, 0.01f) << "step " << i;
    ASSERT_LT(std::fabs(hinge->GetJointFrameA().position.z), 0.03f);
    ASSERT_LT((hinge->GetJointFrameA().position - Vec3(0, 0, 0)).Length(), 0.05f);
    const Vec3 p = carriage->GetPos();
    ASSERT_NEAR(p.y, 3.0f, 0.05f) << "step " << i;
    ASSERT_NEAR(p.z, 0.0f, 0.05f) << "step " << i;
  }
  // The door swung down round its hinge, on its radius; the carriage slid along x.
  EXPECT_LT(lowest, -0.9f);
  EXPECT_NEAR(std::hypot(door->GetPos().x, door->GetPos().y), 1.0f, 0.05f);
  EXPECT_GT(carriage->GetPos().x, 1.0f);
}

// Joint groups sleep only when they have stopped: a free pendulum hung from the world keeps
// swinging, a motor keeps its wheel turning, and a hinge swings on until it lies on its stop.
TEST_F(JointWorld, JointGroupsRestOnlyWhenStill) {
  // Under a weak gravity the moving bodies are slow enough to pass for still at the ends of a
  // rest window.
  Make(SimulatorSizeInfo(), Vec3(0, -1, 0));
  // A pendulum on a world joint, released horizontal.
  RigidBody* bob = Box(Vec3(1, 5, 0));
  Joint* pendulum = sim->CreateJoint(bob);
  ASSERT_NE(pendulum, nullptr);
  EXPECT_EQ(pendulum->GetRigidBodyB(), nullptr);
  EXPECT_EQ(pendulum->GetAnimatedBodyB(), nullptr);
  pendulum->SetJointFrameWorld(FrameAt(Vec3(0, 5, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)));
  pendulum->Enable(true);

  // A wheel driven about a world axis, slowly enough to pass for still but for its motor.
  RigidBody* wheel = Box(Vec3(10, 0, 0));
  Joint* axle = sim->CreateJoint(wheel);
  axle->SetType(2);
  axle->SetJointFrameWorld(AxisZFrame(Vec3(10, 0, 0)));
  axle->SetMotor(0, 0.5f, 100.0f);
  axle->EnableMotor(true);
  axle->Enable(true);

  // A door released level on a hinge whose lower stop is at -1 rad.
  AnimatedBody* frame = Fixed(Vec3(-10, 0, 0));
  RigidBody* door = Box(Vec3(-9, 0, 0));
  Joint* hinge = sim->CreateJoint(door, frame);
  hinge->SetType(2);
  hinge->SetJointFrameWorld(AxisZFrame(Vec3(-10, 0, 0)));
  hinge->SetLowerLimit(-1.0f);
  hinge->SetUpperLimit(0.5f);
  hinge->EnableLimit(true);
  hinge->Enable(true);

  // 20 s of the game's frames; the bob's highest and lowest points over the last four seconds.
  float highest = 0.0f, lowest = 5.0f;
  for (int f = 0; f < 715; ++f) {
    sim->Advance(0.028f, 3, nullptr);
    ASSERT_NEAR((bob->GetPos() - Vec3(0, 5, 0)).Length(), 1.0f, 0.05f) << "frame " << f;
    if (f >= 572) {
      highest = std::max(highest, bob->GetPos().y);
      lowest = std::min(lowest, bob->GetPos().y);
    }
    if (f == 357) {
      EXPECT_FALSE(wheel->IsIdle());
      EXPECT_NEAR(wheel->GetAngularVelocity().z, 0.5f, 0.02f);
    }
  }
  // Still swinging after 20 s, through the bottom and up to near the height it was let go from.
  EXPECT_GT(highest, 4.7f);
  EXPECT_LT(lowest, 4.1f);
  // The door lies on its stop, and there it may sleep.
  EXPECT_NEAR(J(hinge)->signedAngle, -1.0f, 0.02f);
  EXPECT_TRUE(door->IsIdle());
}

TEST_F(JointWorld, HingeLimitStopsTheSwing) {
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  RigidBody* door = Box(Vec3(1, 0, 0));
  Joint* hinge = sim->CreateJoint(door, base);
  hinge->SetType(2);
  hinge->SetJointFrameWorld(AxisZFrame(Vec3(0, 0, 0)));
  hinge->SetLowerLimit(-0.5f);
  hinge->SetUpperLimit(0.5f);
  hinge->EnableLimit(true);
  hinge->Enable(true);
  float extreme = 0.0f;
  for (int i = 0; i < 300; ++i) {
    Run(1);
    extreme = std::max(extreme, std::fabs(J(hinge)->signedAngle));
  }
  EXPECT_LT(extreme, 0.6f);
  EXPECT_GT(extreme, 0.4f);  // it did reach the stop
  EXPECT_TRUE(Finite(door->GetPos()));
}

TEST_F(JointWorld, LimitRowsReportTheirViolation) {
  RigidBody* a = Box(Vec3(0, 0, 0));
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  Joint* hinge = sim->CreateJoint(a, base);
  hinge->SetType(2);
  hinge->SetLowerLimit(-0.5f);
  hinge->SetUpperLimit(0.5f);
  hinge->EnableLimit(true);
  hinge->Enable(true);
  JointImpl* j = J(hinge);
  for (float turn : {0.7f, -0.7f}) {
    // Turn body A about the hinge axis (y) by `turn`.
    Mat3 r = Quat(0, std::sin(turn * 0.5f), 0, std::cos(turn * 0.5f)).ToMat3();
    a->SetRotationM3(r);
    j->UpdateWorldFrames();
    w->jointRows.Clear();
    j->limit1.EmitAngularRow();
    ASSERT_EQ(w->jointRows.Count(), 1u);
    EXPECT_EQ(w->jointRows[0].kind, 6);
    EXPECT_NEAR(std::fabs(j->limit1.violation), 0.2f, 1e-4f);
    EXPECT_EQ(j->limit1.violatedSide, j->signedAngle > 0 ? 0 : 1);
    EXPECT_EQ(j->limit1.violation > 0, j->signedAngle > 0);
  }
  // A motor pressing on into the violated side emits nothing; driving out of it does.
  hinge->EnableMotor(true);
  const int side = j->limit1.violatedSide;
  hinge->SetMotor(0, side == 0 ? 1.0f : -1.0f, 5.0f);
  w->jointRows.Clear();
  j->motor1.EmitRow(*j);
  EXPECT_EQ(w->jointRows.Count(), 0u);
  hinge->SetMotor(0, side == 0 ? -1.0f : 1.0f, -5.0f);
  j->motor1.EmitRow(*j);
  ASSERT_EQ(w->jointRows.Count(), 1u);
  EXPECT_EQ(w->jointRows[0].kind, 8);
  EXPECT_FLOAT_EQ(w->jointRows[0].depth, 5.0f);  // the absolute value of the largest force
  // The second motor never emits.
  hinge->EnableMotor2(true);
  hinge->SetMotor2(0, 3.0f, 3.0f);
  j->motor2.EmitRow(*j);
  EXPECT_EQ(w->jointRows.Count(), 1u);
  w->jointRows.Clear();
}

TEST_F(JointWorld, SliderLimitStopsTravel) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  RigidBody* carriage = Box(Vec3(0, 0, 0));
  Joint* slider = sim->CreateJoint(carriage, base);
  slider->SetType(3);
  slider->SetJointFrameWorld(FrameAt(Vec3(0, 0, 0), Vec3(0, 1, 0), Vec3(1, 0, 0), Vec3(0, 0, -1)));
  slider->SetLowerLimit(-0.25f);
  slider->SetUpperLimit(0.5f);
  slider->EnableLimit(true);
  slider->Enable(true);
  carriage->SetVelocity(Vec3(2, 0, 0));
  float furthest = 0.0f;
  for (int i = 0; i < 150; ++i) {
    Run(1);
    furthest = std::max(furthest, carriage->GetPos().x);
  }
  EXPECT_LT(furthest, 0.58f);
  EXPECT_GT(furthest, 0.45f);
  carriage->SetVelocity(Vec3(-2, 0, 0));
  float least = 1.0f;
  for (int i = 0; i < 150; ++i) {
    Run(1);
    least = std::min(least, carriage->GetPos().x);
  }
  EXPECT_GT(least, -0.33f);
  // A slide 0.3 beyond the upper bound gives a row of depth 0.05.
  carriage->SetPos(Vec3(0.8f, 0, 0));
  JointImpl* j = J(slider);
  j->UpdateWorldFrames();
  w->jointRows.Clear();
  j->limit1.EmitSliderRow();
  ASSERT_EQ(w->jointRows.Count(), 1u);
  EXPECT_EQ(w->jointRows[0].kind, 5);
  EXPECT_FLOAT_EQ(w->jointRows[0].depth, 0.05f);
  EXPECT_NEAR(j->limit1.violation, 0.3f, 1e-5f);
  w->jointRows.Clear();
}

TEST_F(JointWorld, MotorsReachTheirTargetSpeed) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  RigidBody* wheel = Box(Vec3(0, 0, 0));
  Joint* hinge = sim->CreateJoint(wheel, base);
  hinge->SetType(2);
  hinge->SetJointFrameWorld(AxisZFrame(Vec3(0, 0, 0)));
  hinge->SetMotor(0, 2.0f, 100.0f);
  hinge->EnableMotor(true);
  hinge->Enable(true);

  RigidBody* cart = Box(Vec3(0, 4, 0));
  Joint* slider = sim->CreateJoint(cart, base);
  slider->SetType(3);
  slider->SetJointFrameWorld(FrameAt(Vec3(0, 4, 0), Vec3(0, 1, 0), Vec3(1, 0, 0), Vec3(0, 0, -1)));
  slider->SetMotor(0, 1.5f, 100.0f);
  slider->EnableMotor(true);
  slider->Enable(true);

  Run(100);
  EXPECT_NEAR(wheel->GetAngularVelocity().z, 2.0f, 0.1f);
  EXPECT_NEAR(cart->GetVelocity().x, 1.5f, 0.05f);
  EXPECT_NEAR(cart->GetPos().y, 4.0f, 0.02f);

  // A weak motor gives an impulse of maxForce x step time per step, however many sweeps the solve
  // makes: a slider force of 1 on mass 1 for 0.5 s gives 0.5, a hinge torque of 0.1 on inertia
  // 1/6 for 0.1 s gives 0.06.
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  base = Fixed(Vec3(0, 0, 0));
  cart = Box(Vec3(0, 0, 0));
  slider = sim->CreateJoint(cart, base);
  slider->SetType(3);
  slider->SetJointFrameWorld(FrameAt(Vec3(0, 0, 0), Vec3(0, 1, 0), Vec3(1, 0, 0), Vec3(0, 0, -1)));
  slider->SetMotor(0, 10.0f, 1.0f);
  slider->EnableMotor(true);
  slider->Enable(true);
  wheel = Box(Vec3(5, 0, 0));
  hinge = sim->CreateJoint(wheel);
  hinge->SetType(2);
  hinge->SetJointFrameWorld(AxisZFrame(Vec3(5, 0, 0)));
  hinge->SetMotor(0, 10.0f, 0.1f);
  hinge->EnableMotor(true);
  hinge->Enable(true);
  Run(10);
  EXPECT_NEAR(wheel->GetAngularVelocity().z, 0.1f * 0.1f * 6.0f, 0.002f);
  Run(40);
  EXPECT_NEAR(cart->GetVelocity().x, 0.5f, 0.005f);
}

TEST_F(JointWorld, DampingSlowsTheRelativeSpin) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  float spins[2];
  for (int k = 0; k < 2; ++k) {
    Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
    AnimatedBody* base = Fixed(Vec3(0, 0, 0));
    RigidBody* wheel = Box(Vec3(0, 0, 0));
    Joint* hinge = sim->CreateJoint(wheel, base);
    hinge->SetType(2);
    hinge->SetJointFrameWorld(AxisZFrame(Vec3(0, 0, 0)));
    hinge->SetDampingFactor(k == 0 ? 0.0f : 0.5f);
    hinge->Enable(true);
    wheel->SetAngularMomentum(Vec3(0, 0, 0.2f));
    // Fewer steps than the rest snapshot needs.
    Run(40);
    spins[k] = wheel->GetAngularVelocity().z;
  }
  EXPECT_GT(spins[0], 0.0f);
  EXPECT_LT(spins[1], spins[0] * 0.9f);
}

TEST_F(JointWorld, ControllersRunOnTheirPeriodInListOrder) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(2, 0, 0));
  Joint* j = sim->CreateJoint(a, b);
  j->Enable(true);
  CountingController::order.clear();
  CountingController c1, c2, c3;
  c1.id = '1';
  c2.id = '2';
  c3.id = '3';
  Controller* k1 = j->AddController(&c1, 0);
  Controller* k2 = j->AddController(&c2, 2);
  Controller* k3 = j->AddController(&c3, 0);
  ASSERT_TRUE(k1 && k2 && k3);
  j->BeginIterateController();
  EXPECT_EQ(j->GetNextController(), k1);
  EXPECT_EQ(j->GetNextController(), k3);
  EXPECT_EQ(j->GetNextController(), k2);
  EXPECT_EQ(j->GetNextController(), nullptr);
  Run(9);
  EXPECT_EQ(c1.calls, 9);
  EXPECT_EQ(c3.calls, 9);
  EXPECT_EQ(c2.calls, 3);  // steps 3, 6 and 9
  EXPECT_EQ(CountingController::order.substr(0, 2), "13");
  EXPECT_TRUE(j->RemoveController(k3));
  EXPECT_FALSE(j->RemoveController(k3));
  EXPECT_TRUE(j->RemoveController(k2));
  EXPECT_TRUE(j->RemoveController(k1));
  EXPECT_EQ(w->controllerPool.UsedCount(), 0);
}

TEST_F(JointWorld, ControllerForceActsOncePerStep) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(0, 0, 3));
  Joint* j = sim->CreateJoint(a, b);
  j->SetType(3);
  j->SetJointFrameA(FrameAt(Vec3(0, 0, 0), Vec3(0, 0, -1), Vec3(0, 1, 0), Vec3(1, 0, 0)));
  j->SetJointFrameB(FrameAt(Vec3(0, 0, -3), Vec3(0, 0, -1), Vec3(0, 1, 0), Vec3(1, 0, 0)));
  j->Enable(true);
  CountingController push;
  push.force = Vec3(0, 1, 0);
  Controller* c = j->AddController(&push, 0);
  ASSERT_NE(c, nullptr);
  Run(101);
  // A constant force of 1 on mass 1 along the slide for about one second: a speed near 1, not a
  // force that grows step by step. Body B is pulled along by the slider.
  const float relative = a->GetVelocity().y - b->GetVelocity().y;
  EXPECT_NEAR(a->GetVelocity().y + b->GetVelocity().y, 1.0f, 0.05f);
  EXPECT_NEAR(relative, 1.0f, 0.1f);
  c->SetJointForceBAtPos(Vec3(0, 0, 1), b->GetPos() + Vec3(1, 0, 0));
  EXPECT_NEAR(c->GetJointTorqueB().y, -1.0f, 1e-5f);
}

TEST_F(JointWorld, JoinedBodiesCollideOnlyWhenBothAllowIt) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(0.8f, 0, 0));
  RigidBody* c = Box(Vec3(-3, 0, 0));
  for (RigidBody* r : {a, b}) r->AddGeometry()->SetSphereDiameter(1.0f);
  for (RigidBody* r : {a, b}) r->UpdateBoundingInfo();
  Joint* j = sim->CreateJoint(a, b);
  EXPECT_TRUE(ListsShareEntry(Body(a), Body(b)));
  EXPECT_FALSE(ListsShareEntry(Body(a), Body(c)));
  Run(5);
  EXPECT_NEAR(b->GetPos().x - a->GetPos().x, 0.8f, 1e-4f);  // the overlap is ignored
  a->SetCollideJoined(true);
  b->SetCollideJoined(true);
  Run(5);
  EXPECT_GT(b->GetPos().x - a->GetPos().x, 0.95f);  // now they push apart
  sim->FreeJoint(j);
  EXPECT_FALSE(ListsShareEntry(Body(a), Body(b)));
}

TEST_F(JointWorld, WakingAJointedBodyWakesItsGroup) {
  RigidBody* a = Box(Vec3(0, 0, 0));
  RigidBody* b = Box(Vec3(1, 0, 0));
  RigidBody* c = Box(Vec3(5, 0, 0));
  sim->CreateJoint(a, b)->Enable(true);
  for (RigidBody* r : {a, b, c}) Body(r)->PutToRest();
  a->SetVelocity(Vec3(0, 1, 0));
  EXPECT_FALSE(a->IsIdle());
  EXPECT_FALSE(b->IsIdle());
  EXPECT_TRUE(c->IsIdle());
}

TEST_F(JointWorld, NonFiniteSettingsNeverReachTheBodies) {
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  RigidBody* a = Box(Vec3(1, 0, 0));
  Joint* j = sim->CreateJoint(a, base);
  const float nan = std::nanf("");
  const float inf = INFINITY;
  j->SetType(2);
  j->SetJointFrameWorld(AxisZFrame(Vec3(0, 0, 0)));
  j->SetLowerLimit(nan);
  j->SetUpperLimit(inf);
  j->EnableLimit(true);
  j->SetMotor(0, nan, inf);
  j->EnableMotor(true);
  j->SetDampingFactor(nan);
  j->SetJointLength(inf);
  j->Enable(true);
  CountingController bad;
  bad.force = Vec3(nan, 0, 0);
  j->AddController(&bad, 0);
  Run(50);
  EXPECT_TRUE(Finite(a->GetPos()));
  EXPECT_TRUE(Finite(a->GetVelocity()));
  EXPECT_TRUE(Finite(a->GetAngularVelocity()));
}

TEST_F(JointWorld, AStillGroupRestsAsAWholeAndIsNotSolved) {
  AnimatedBody* pivot = Fixed(Vec3(0, 5, 0));
  RigidBody* upper = Box(Vec3(0, 4, 0));
  RigidBody* lower = Box(Vec3(0, 3, 0));
  Joint* top = sim->CreateJoint(upper, pivot);
  top->SetJointFrameWorld(FrameAt(Vec3(0, 5, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)));
  Joint* link = sim->CreateJoint(lower, upper);
  link->SetJointFrameWorld(FrameAt(Vec3(0, 3.5f, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)));
  top->Enable(true);
  link->Enable(true);
  ASSERT_EQ(Body(upper)->constraintSet, Body(lower)->constraintSet);
  Run(300);
  EXPECT_TRUE(upper->IsIdle());
  EXPECT_TRUE(lower->IsIdle());
  const Vec3 before = lower->GetPos();
  Run(50);
  ExpectNear3(lower->GetPos(), before, 1e-6f);
  EXPECT_NEAR(lower->GetPos().y, 3.0f, 0.05f);
  // A push on one member wakes the whole chain.
  lower->ApplyImpulse(Vec3(0.5f, 0, 0));
  upper->SetVelocity(Vec3(0, 0, 0));
  EXPECT_FALSE(upper->IsIdle());
  Run(20);
  EXPECT_GT(lower->GetPos().x, 0.01f);
}



TEST_F(JointWorld, AJointOnAStackedBodySolvesWithTheStack) {
  std::vector<Vec3> verts = {Vec3(-10, 0, -10), Vec3(10, 0, -10), Vec3(10, 0, 10), Vec3(-10, 0, 10)};
  Triangle t0, t1;
  t0.v[0] = 0, t0.v[1] = 2, t0.v[2] = 1;
  t1.v[0] = 0, t1.v[1] = 3, t1.v[2] = 2;
  std::vector<Triangle> tris = {t0, t1};
  TerrainMesh mesh;
  mesh.vertices = verts.data();
  mesh.vertexCount = 4;
  mesh.triangles = tris.data();
  mesh.triangleCount = 2;
  sim->SetTerrainMesh(&mesh);
  auto crate = [&](const Vec3& at) {
    RigidBody* b = Box(at);
    b->AddGeometry()->SetBoxSize3(1, 1, 1);
    b->UpdateBoundingInfo();
    return b;
  };
  RigidBody* bottom = crate(Vec3(0, 0.5f, 0));
  RigidBody* top = crate(Vec3(0, 1.5f, 0));
  RigidBody* weight = Box(Vec3(1.0f, 1.5f, 0));
  Joint* j = sim->CreateJoint(weight, top);
  j->SetJointFrameWorld(FrameAt(Vec3(0.5f, 1.5f, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)));
  j->Enable(true);
  for (int i = 0; i < 300; ++i) {
    Run(1);
    for (RigidBody* r : {bottom, top, weight}) {
      ASSERT_TRUE(Finite(r->GetPos())) << i;
      ASSERT_LT(r->GetPos().Length(), 20.0f) << i;
    }
  }
  EXPECT_GT(bottom->GetPos().y, 0.3f);
  EXPECT_LT((j->GetJointFrameA().position - j->GetJointFrameB().position).Length(), 0.1f);
}

TEST_F(JointWorld, BallJointSwingAndTwistLimits) {
  Make(SimulatorSizeInfo(), Vec3(0, 0, 0));
  AnimatedBody* base = Fixed(Vec3(0, 0, 0));
  RigidBody* a = Box(Vec3(0, 0, 0));
  Joint* ball = sim->CreateJoint(a, base);
  ball->SetLowerLimit2(0.2f);
  ball->EnableLimit2(true);
  ball->Enable(true);
  JointImpl* j = J(ball);
  // Aligned x axes: no swing, the swing axis is y of frame A.
  j->UpdateWorldFrames();
  EXPECT_FLOAT_EQ(j->angle, 0.0f);
  ExpectNear3(j->limit1.axis, Vec3(0, 1, 0));
  // A twist of 0.3 about x passes the bound by 0.1.
  a->SetRotationM3(Quat(std::sin(0.15f), 0, 0, std::cos(0.15f)).ToMat3());
  j->UpdateWorldFrames();
  w->jointRows.Clear();
  j->limit2.EmitTwistRow();
  ASSERT_EQ(w->jointRows.Count(), 1u);
  EXPECT_EQ(w->jointRows[0].kind, 7);
  EXPECT_NEAR(std::fabs(j->limit2.violation), 0.1f, 1e-4f);
  w->jointRows.Clear();

  // Spun about x, the twist stops near its bound; spun about z, the swing stops near its bound.
  a->SetRotationM3(Mat3::Identity());
  a->SetAngularMomentum(Vec3(0.1f, 0, 0));
  float twist = 0.0f;
  for (int i = 0; i < 50; ++i) {
    Run(1);
    const Vec3 zA = ball->GetJointFrameA().rotation.row[2];
    twist = std::max(twist, std::acos(std::min(1.0f, std::max(-1.0f, zA.z))));
  }
  EXPECT_LT(twist, 0.3f);
  EXPECT_GT(twist, 0.15f);

  ball->EnableLimit2(false);
  ball->SetLowerLimit(-1.0f);
  ball->SetUpperLimit(0.4f);
  ball->EnableLimit(true);
  a->SetRotationM3(Mat3::Identity());
  a->SetAngularMomentum(Vec3(0, 0, 0.5f));
  float swing = 0.0f;
  for (int i = 0; i < 50; ++i) {
    Run(1);
    swing = std::max(swing, j->angle);
  }
  EXPECT_LT(swing, 0.5f);
  EXPECT_GT(swing, 0.3f);
}
