#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/world/sensors.h"
#include "physics_test_support.h"

using namespace phys;

namespace {

// A unit box geometry (half extents 0.5) at `pos`, material 7.
TConvex UnitBox(const Vec3& pos) {
  TConvex g;
  g.InitDefault();
  g.SetBoxSize(1, 1, 1);
  g.materialIndex = 7;
  g.transform.position = pos;
  g.transform.position.w = 1.0f;
  return g;
}

SensorHit Cast(const TConvex& g, const Vec3& start, const Vec3& vector) {
  SensorHit hit;
  Transform world = g.GetTransformOrIdentity();
  SensorVsGeometry(&hit, g, world, start, vector, vector.Length());
  return hit;
}

struct SensorWorld : ::testing::Test {
  void SetUp() override {
    const Vec3 g(0, 0, 0);
    sim = CreateSimulator(SimulatorSizeInfo(), nullptr, &g);
  }
  void TearDown() override { DestroySimulator(sim); }
  // A body carrying a small sphere and one sensor from its centre along `line`.
  RigidBody* Prober(const Vec3& at, const Vec3& line, Sensor** sensor) {
    RigidBody* b = sim->CreateRigidBody();
    b->AddGeometry()->SetSphereDiameter(0.2f);
    *sensor = b->AddSensor();
    (*sensor)->SetLineSensor(Vec3(0, 0, 0), line);
    b->UpdateBoundingInfo();
    b->SetPos(at);
    return b;
  }
  Simulator* sim = nullptr;
  std::vector<Vec3> verts;
  std::vector<Triangle> tris;
};

}  // namespace

TEST(SensorSegments, BoxSlabTest) {
  const TConvex box = UnitBox(Vec3(0, 0, 0));
  // Straight down onto the top face: entry at t = 0.5, the rest of the segment is the depth.
  SensorHit h = Cast(box, Vec3(0.1f, 2, 0), Vec3(0, -3, 0));
  EXPECT_NEAR(h.depth, 1.5f, 1e-5f);
  ExpectNear3(h.normal, Vec3(0, 1, 0));
  ExpectNear3(h.point, Vec3(0.1f, 0.5f, 0));
  EXPECT_EQ(h.material, 7);
  // Starting inside: the entry point lies behind the start, the depth is measured from it.
  h = Cast(box, Vec3(0, 0, 0), Vec3(1, 0, 0));
  EXPECT_NEAR(h.depth, 1.5f, 1e-5f);
  ExpectNear3(h.normal, Vec3(-1, 0, 0));
  // Parallel to a face and outside its slab: never a hit.
  EXPECT_EQ(Cast(box, Vec3(-2, 0.6f, 0), Vec3(4, 0, 0)).depth, 0.0f);
  // Too short to reach, or pointing away.
  EXPECT_EQ(Cast(box, Vec3(0, 2, 0), Vec3(0, -1, 0)).depth, 0.0f);
  EXPECT_EQ(Cast(box, Vec3(0, 2, 0), Vec3(0, 3, 0)).depth, 0.0f);
  // A zero-length segment has no entry face.
  EXPECT_EQ(Cast(box, Vec3(0, 0, 0), Vec3(0, 0, 0)).depth, 0.0f);
}

TEST(SensorSegments, RotatedBoxNormalIsTheWorldFaceAxis) {
  TConvex box = UnitBox(Vec3(0, 0, 0));
  const float s = std::sqrt(0.5f);
  box.transform.rotation = Quat(0, 0, std::sin(0.3926991f), std::cos(0.3926991f)).ToMat3();  // 45 deg about z
  SensorHit h = Cast(box, Vec3(0, 3, 0), Vec3(0, -3, 0));
  ASSERT_GT(h.depth, 0.0f);
  EXPECT_NEAR(h.point.y, s, 1e-4f);  // the top corner of the turned square
  EXPECT_NEAR(h.normal.Length(), 1.0f, 1e-5f);
  EXPECT_GT(h.normal.y, 0.0f);
}

TEST(SensorSegments, OtherShapesAreNotSensed) {
  TConvex g;
  g.InitDefault();
  g.SetSphere(2.0f);
  EXPECT_EQ(Cast(g, Vec3(0, 3, 0), Vec3(0, -6, 0)).depth, 0.0f);
  g.SetCylinderShape(2.0f, 2.0f);
  EXPECT_EQ(Cast(g, Vec3(0, 3, 0), Vec3(0, -6, 0)).depth, 0.0f);
}

TEST(SensorSegments, TerrainTrianglesGiveTheirWordAndTheLastHitWins) {
  std::vector<Vec3> v = {Vec3(-5, 0, -5), Vec3(5, 0, -5), Vec3(0, 0, 5), Vec3(-5, 1, -5), Vec3(5, 1, -5),
                         Vec3(0, 1, 5)};
  Triangle t0, t1;
  t0.v[0] = 0, t0.v[1] = 2, t0.v[2] = 1, t0.id0 = 11;
  t1.v[0] = 3, t1.v[1] = 5, t1.v[2] = 4, t1.id0 = 22;
  std::vector<Triangle> tris = {t0, t1};
  std::vector<int32_t> indices = {1, 0};
  TConvex list;
  list.InitDefault();
  list.SetTriangleList(indices.data(), 2, tris.data(), v.data(), 2);
  SensorHit h = Cast(list, Vec3(0, 3, 0), Vec3(0, -4, 0));
  // Both planes are crossed; the last listed triangle (the floor at y = 0) is kept.
  EXPECT_EQ(h.material, 11);
  EXPECT_NEAR(h.depth, 0.25f * 4.0f, 1e-5f);
  ExpectNear3(h.point, Vec3(0, 0, 0));
  ExpectNear3(h.normal, Vec3(0, 1, 0));
  // From below the normal faces the segment; with the floor first in the list the upper plane wins.
  indices = {0, 1};
  h = Cast(list, Vec3(0, -1, 0), Vec3(0, 4, 0));
  EXPECT_EQ(h.material, 22);
  EXPECT_NEAR(h.depth, 2.0f, 1e-5f);
  ExpectNear3(h.normal, Vec3(0, -1, 0));
  indices = {1, 0};
  // Outside every triangle: nothing; a bad index is skipped.
  EXPECT_EQ(Cast(list, Vec3(9, 3, 9), Vec3(0, -4, 0)).depth, 0.0f);
  indices[0] = 57;
  EXPECT_EQ(Cast(list, Vec3(0, 3, 0), Vec3(0, -4, 0)).material, 11);
}

TEST_F(SensorWorld, ReportsTheDeeperOfTwoBoxesAndTheBodyItTouched) {
  AnimatedBody* low = sim->CreateAnimatedBody();
  low->AddGeometry()->SetBoxSize3(4, 1, 4);
  low->UpdateBoundingInfo();
  low->SetPos(Vec3(0, -0.5f, 0));
  AnimatedBody* high = sim->CreateAnimatedBody();
  Geometry* hg = high->AddGeometry();
  hg->SetBoxSize3(0.5f, 0.5f, 0.5f);
  hg->SetMaterialIndex(3);
  high->UpdateBoundingInfo();
  high->SetPos(Vec3(0, 1.0f, 0));
  Sensor* s = nullptr;
  RigidBody* probe = Prober(Vec3(0, 2, 0), Vec3(0, -3, 0), &s);
  sim->Advance(0.01f, 1, nullptr);
  // The small box's top (y = 1.25) is met first, so more of the segment lies beyond it.
  EXPECT_NEAR(s->GetDetectDepth(), 2.25f, 1e-3f);
  EXPECT_EQ(s->GetDetectMaterial(), 3);
  EXPECT_EQ(s->GetDetectAnimatedBody(), high);
  EXPECT_EQ(s->GetDetectRigidBody(), nullptr);
  ExpectNear3(s->GetDetectNormal(), Vec3(0, 1, 0), 1e-4f);
  ExpectNear3(s->GetDetectContactPoint(), Vec3(0, 1.25f, 0), 1e-3f);

  // Moved clear of both: the next step clears the detection.
  probe->SetPos(Vec3(20, 2, 0));
  sim->Advance(0.01f, 1, nullptr);
  EXPECT_EQ(s->GetDetectDepth(), 0.0f);
  EXPECT_EQ(s->GetDetectAnimatedBody(), nullptr);
}

TEST_F(SensorWorld, SeesRigidBodiesAndTheTerrainWhileMoving) {
  verts = {Vec3(-10, 0, -10), Vec3(10, 0, -10), Vec3(10, 0, 10), Vec3(-10, 0, 10)};
  Triangle a, b;
  a.v[0] = 0, a.v[1] = 2, a.v[2] = 1, a.id0 = 5;
  b.v[0] = 0, b.v[1] = 3, b.v[2] = 2, b.id0 = 5;
  tris = {a, b};
  TerrainMesh mesh;
  mesh.vertices = verts.data();
  mesh.vertexCount = 4;
  mesh.triangles = tris.data();
  mesh.triangleCount = 2;
  sim->SetTerrainMesh(&mesh);

  Sensor* down = nullptr;
  RigidBody* probe = Prober(Vec3(0, 1, 0), Vec3(0, -2, 0), &down);
  probe->SetVelocity(Vec3(1, 0, 0));  // a moving body keeps its detections readable
  sim->Advance(0.01f, 1, nullptr);
  EXPECT_NEAR(down->GetDetectDepth(), 1.0f, 0.02f);
  EXPECT_EQ(down->GetDetectMaterial(), 5);
  EXPECT_EQ(down->GetDetectRigidBody(), nullptr);
  EXPECT_EQ(down->GetDetectAnimatedBody(), nullptr);

  // A rigid box beside the probe, seen by a second sensor pointing at it.
  RigidBody* crate = sim->CreateRigidBody();
  crate->AddGeometry()->SetBoxSize3(1, 1, 1);
  crate->UpdateBoundingInfo();
  crate->SetPos(Vec3(3, 1, 0));
  crate->GravityEnable(false);
  Sensor* side = probe->AddSensor();
  side->SetLineSensor(Vec3(0, 0, 0), Vec3(4, 0, 0));
  probe->UpdateBoundingInfo();
  sim->Advance(0.01f, 1, nullptr);
  EXPECT_GT(side->GetDetectDepth(), 1.0f);
  EXPECT_EQ(side->GetDetectRigidBody(), crate);
  ExpectNear3(side->GetDetectNormal(), Vec3(-1, 0, 0), 1e-3f);
}

// A resting body is not tested for contacts, but its sensors still report what they touch: the
// terrain below and a resting neighbour.
TEST(RestingSensors, KeepReportingWhatTheyTouch) {
  GameWorld g;
  g.Floor(10.0f);
  RigidBody* crate = g.Box(Vec3(0, 0.5f, 0));
  RigidBody* neighbour = g.Box(Vec3(1.6f, 0.5f, 0));
  Sensor* down = crate->AddSensor();
  down->SetLineSensor(Vec3(0, 0, 0), Vec3(0, -1, 0));
  Sensor* side = crate->AddSensor();
  side->SetLineSensor(Vec3(0, 0, 0), Vec3(1.5f, 0, 0));
  crate->UpdateBoundingInfo();
  for (int f = 0; f < 100 && !(crate->IsIdle() && neighbour->IsIdle()); ++f) g.Frame();
  ASSERT_TRUE(crate->IsIdle());
  ASSERT_TRUE(neighbour->IsIdle());
  for (int f = 0; f < 3; ++f) {
    g.Frame();
    EXPECT_NEAR(down->GetDetectDepth(), 0.5f, 0.02f) << f;
    EXPECT_NEAR(side->GetDetectDepth(), 0.4f, 0.02f) << f;
    EXPECT_EQ(side->GetDetectRigidBody(), neighbour);
  }
}
