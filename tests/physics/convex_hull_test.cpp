#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics/collision/convex_hull.h"
#include "physics/collision/pair_tests.h"
#include "physics/convex_mesh.h"
#include "physics_test_support.h"
#include "tests/physics/hull_oracle.h"
#include "tests/physics/hull_shapes.h"

using namespace phys;

namespace {

// A mesh block kept 16-byte aligned.
struct MeshBlock {
  std::vector<Vec3> storage;
  const void* data() const { return storage.data(); }
};

MeshBlock MakeBlock(const std::vector<Vec3>& v, const std::vector<int32_t>& tris) {
  MeshBlock b;
  const int faces = static_cast<int>(tris.size() / 3);
  const size_t bytes = ConvexMeshBlockSize(static_cast<int>(v.size()), faces);
  b.storage.resize(bytes / 16 + 1);
  EXPECT_TRUE(WriteConvexMeshBlock(v.data(), static_cast<int>(v.size()), tris.data(), faces, b.storage.data(),
                                   b.storage.size() * 16));
  return b;
}

// A box of half extents h as a hull: 8 corners, 12 outward triangles.
MeshBlock BoxHull(const Vec3& h) {
  std::vector<Vec3> v;
  for (int i = 0; i < 8; ++i) v.emplace_back((i & 4) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 1) ? h.z : -h.z);
  const std::vector<int32_t> t = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                  2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
  return MakeBlock(v, t);
}

HullShape BoxShape(const Vec3& h) {
  HullShape s;
  for (int i = 0; i < 8; ++i) s.vertices.emplace_back((i & 4) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 1) ? h.z : -h.z);
  s.triangles = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1, 2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
  return s;
}

// A regular octahedron of radius r.
MeshBlock Octahedron(float r) {
  const std::vector<Vec3> v = {Vec3(r, 0, 0), Vec3(-r, 0, 0), Vec3(0, r, 0), Vec3(0, -r, 0), Vec3(0, 0, r), Vec3(0, 0, -r)};
  const std::vector<int32_t> t = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
  return MakeBlock(v, t);
}

TConvex Hull(const MeshBlock& block) {
  TConvex g;
  g.InitDefault();
  g.SetConvexMesh(block.data());
  return g;
}

TConvex Box(const Vec3& size) {
  TConvex g;
  g.InitDefault();
  g.SetBoxSize(size.x, size.y, size.z);
  return g;
}

Transform Pose(const Vec3& p, const Quat& q = Quat()) {
  Transform t = Transform::Identity();
  t.rotation = q.ToMat3();
  t.position = p;
  t.position.w = 1.0f;
  return t;
}

Quat RandomQuat(std::mt19937& rng) {
  std::normal_distribution<float> g(0.0f, 1.0f);
  Quat q(g(rng), g(rng), g(rng), g(rng));
  const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  return Quat(q.x / n, q.y / n, q.z / n, q.w / n);
}

CollisionResult Pair(const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb) {
  CollisionResult r;
  r.hasContact = 0;
  TestGeometryPair(&r, a, ta, b, tb);
  return r;
}

// The contact convention: unit normal from B to A, point on B = point on A + depth * normal.
void ExpectConvention(const CollisionResult& r) {
  ASSERT_EQ(r.hasContact, 1);
  EXPECT_NEAR(r.normal.Length(), 1.0f, 1e-4f);
  EXPECT_GE(r.depth, 0.0f);
  const Vec3 expected = r.relPointA + r.normal * r.depth;
  EXPECT_NEAR((r.relPointB - expected).Length(), 0.0f, 1e-4f);
}

}  // namespace

TEST(ConvexHull, MeshBlockWriterRefusesBadInput) {
  const std::vector<Vec3> v = {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)};
  std::vector<int32_t> t = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
  std::vector<Vec3> out(64);
  EXPECT_TRUE(WriteConvexMeshBlock(v.data(), 4, t.data(), 4, out.data(), out.size() * 16));
  EXPECT_FALSE(WriteConvexMeshBlock(v.data(), 4, t.data(), 4, out.data(), 16));
  t[5] = 9;
  EXPECT_FALSE(WriteConvexMeshBlock(v.data(), 4, t.data(), 4, out.data(), out.size() * 16));
  // Triangles that do not close a hull: one face twice, so that an edge runs the same way twice.
  t = {0, 2, 1, 0, 2, 1, 0, 3, 2, 1, 2, 3};
  EXPECT_FALSE(WriteConvexMeshBlock(v.data(), 4, t.data(), 4, out.data(), out.size() * 16));
  EXPECT_EQ(ConvexMeshBlockSize(-1, 4), 0u);
  EXPECT_EQ(ConvexMeshBlockSize(100000, 4), 0u);
  // A geometry refuses a block whose counts are out of range and stays what it was.
  int32_t bad[8] = {5, 100, 4, 6, 0, 0, 0, 0};
  TConvex g;
  g.InitDefault();
  EXPECT_EQ(g.SetConvexMesh(bad), MeshBlockCheck::kInvalid);
  EXPECT_EQ(g.type, kTypeBox);
}

TEST(ConvexHull, AxisAlignedHullsAgainstBoxesAndHulls) {
  const MeshBlock cube = BoxHull(Vec3(0.5f, 0.5f, 0.5f));
  const TConvex hull = Hull(cube);
  const TConvex box = Box(Vec3(1, 1, 1));
  // Hull A at x = 0.8, box B at the origin: 0.2 deep along +x.
  CollisionResult r = Pair(hull, Pose(Vec3(0.8f, 0.1f, 0.05f)), box, Pose(Vec3(0, 0, 0)));
  ExpectConvention(r);
  EXPECT_NEAR(r.depth, 0.2f, 1e-4f);
  ExpectNear3(r.normal, Vec3(1, 0, 0), 1e-4f);
  // Box first: the same contact seen from the other side.
  r = Pair(box, Pose(Vec3(0, 0, 0)), hull, Pose(Vec3(0.8f, 0.1f, 0.05f)));
  ExpectConvention(r);
  EXPECT_NEAR(r.depth, 0.2f, 1e-4f);
  ExpectNear3(r.normal, Vec3(-1, 0, 0), 1e-4f);
  // Hull against hull, apart and touching.
  EXPECT_EQ(Pair(hull, Pose(Vec3(1.2f, 0, 0)), hull, Pose(Vec3(0, 0, 0))).hasContact, 0);
  r = Pair(hull, Pose(Vec3(0, 0.9f, 0)), hull, Pose(Vec3(0, 0, 0)));
  ExpectConvention(r);
  EXPECT_NEAR(r.depth, 0.1f, 1e-4f);
  ExpectNear3(r.normal, Vec3(0, 1, 0), 1e-4f);
  // Coincident centres still give a finite contact.
  r = Pair(hull, Pose(Vec3(0, 0, 0)), hull, Pose(Vec3(0, 0, 0)));
  ExpectConvention(r);
  EXPECT_NEAR(r.depth, 1.0f, 1e-4f);
  // Spheres and cylinders have no hull test.
  TConvex sphere;
  sphere.InitDefault();
  sphere.SetSphere(1.0f);
  EXPECT_EQ(Pair(sphere, Pose(Vec3(0, 0, 0)), hull, Pose(Vec3(0, 0, 0))).hasContact, 0);
  EXPECT_EQ(Pair(hull, Pose(Vec3(0, 0, 0)), sphere, Pose(Vec3(0, 0, 0))).hasContact, 0);
}

TEST(ConvexHull, OctahedronTipIntoABoxFace) {
  const MeshBlock oct = Octahedron(1.0f);
  const TConvex hull = Hull(oct);
  const TConvex box = Box(Vec3(4, 2, 4));
  // Tip at y = 0.9, box top at y = 1: depth 0.1, the tip is the point on the hull.
  CollisionResult r = Pair(hull, Pose(Vec3(0.3f, 1.9f, -0.2f)), box, Pose(Vec3(0, 0, 0)));
  ExpectConvention(r);
  EXPECT_NEAR(r.depth, 0.1f, 1e-4f);
  ExpectNear3(r.normal, Vec3(0, 1, 0), 1e-4f);
  ExpectNear3(r.relPointA, Vec3(0.3f, 0.9f, -0.2f), 1e-4f);
  ExpectNear3(r.relPointB, Vec3(0.3f, 1.0f, -0.2f), 1e-4f);
}

TEST(ConvexHull, BoxGivesTheSameContactAsItsHullMesh) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-1.2f, 1.2f);
  const MeshBlock cube = BoxHull(Vec3(0.6f, 0.4f, 0.5f));
  const TConvex asHull = Hull(cube);
  const TConvex asBox = Box(Vec3(1.2f, 0.8f, 1.0f));
  const MeshBlock oct = Octahedron(0.8f);
  const TConvex other = Hull(oct);
  int contacts = 0;
  for (int i = 0; i < 300; ++i) {
    const Transform ta = Pose(Vec3(u(rng), u(rng), u(rng)), RandomQuat(rng));
    const Transform tb = Pose(Vec3(u(rng), u(rng), u(rng)), RandomQuat(rng));
    const CollisionResult h = Pair(asHull, ta, other, tb);
    const CollisionResult b = Pair(asBox, ta, other, tb);
    ASSERT_EQ(h.hasContact, b.hasContact) << i;
    if (!h.hasContact) continue;
    ++contacts;
    EXPECT_NEAR(h.depth, b.depth, 1e-3f) << i;
    EXPECT_NEAR(h.normal.Dot(b.normal), 1.0f, 1e-3f) << i;
  }
  EXPECT_GT(contacts, 50);
}

TEST(ConvexHull, RandomPosesKeepTheConventionAndSeparateByTheDepth) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-1.5f, 1.5f);
  const MeshBlock oct = Octahedron(1.0f);
  const MeshBlock cube = BoxHull(Vec3(0.7f, 0.3f, 0.5f));
  const TConvex shapes[3] = {Hull(oct), Hull(cube), Box(Vec3(1.0f, 0.6f, 1.4f))};
  int contacts = 0;
  for (int i = 0; i < 600; ++i) {
    const TConvex& a = shapes[i % 2];
    const TConvex& b = shapes[(i / 2) % 3];
    Transform ta = Pose(Vec3(u(rng), u(rng), u(rng)), RandomQuat(rng));
    const Transform tb = Pose(Vec3(u(rng), u(rng), u(rng)), RandomQuat(rng));
    const CollisionResult r = Pair(a, ta, b, tb);
    if (!r.hasContact) continue;
    ++contacts;
    ExpectConvention(r);
    // Moving A out along the normal by a little more than the depth separates the two.
    ta.position += r.normal * (r.depth + 1e-3f);
    EXPECT_EQ(Pair(a, ta, b, tb).hasContact, 0) << i;
  }
  EXPECT_GT(contacts, 100);
}

TEST(ConvexHull, HullOnTerrainTriangles) {
  std::vector<Vec3> verts = {Vec3(-5, 0, -5), Vec3(5, 0, -5), Vec3(5, 0, 5), Vec3(-5, 0, 5)};
  Triangle a, b;
  a.v[0] = 0, a.v[1] = 2, a.v[2] = 1, a.id0 = 9, a.testSelector = 2;
  b.v[0] = 0, b.v[1] = 3, b.v[2] = 2, b.id0 = 9, b.testSelector = 2;
  std::vector<Triangle> tris = {a, b};
  std::vector<int32_t> indices = {0, 1};
  TConvex list;
  list.InitDefault();
  list.SetTriangleList(indices.data(), 2, tris.data(), verts.data(), 2);
  const MeshBlock cube = BoxHull(Vec3(0.5f, 0.5f, 0.5f));
  const TConvex hull = Hull(cube);
  // Resting 0.1 deep: the selector word 2 does not keep the hull from colliding.
  CollisionResult r = Pair(hull, Pose(Vec3(1, 0.4f, 1)), list, Transform::Identity());
  ExpectConvention(r);
  EXPECT_NEAR(r.depth, 0.1f, 1e-4f);
  ExpectNear3(r.normal, Vec3(0, 1, 0), 1e-4f);
  EXPECT_EQ(r.materialB, 9);
  EXPECT_NEAR(r.relPointB.y, 0.0f, 1e-4f);
  // Above the ground: nothing.
  EXPECT_EQ(Pair(hull, Pose(Vec3(1, 0.6f, 1)), list, Transform::Identity()).hasContact, 0);
  // Random tilts well inside one large triangle keep the convention, and the normal is the
  // ground's for shallow contacts.
  verts = {Vec3(-50, 0, -50), Vec3(50, 0, -50), Vec3(0, 0, 50)};
  indices = {0};
  tris[0].v[0] = 0, tris[0].v[1] = 2, tris[0].v[2] = 1;
  list.SetTriangleList(indices.data(), 1, tris.data(), verts.data(), 2);
  std::mt19937 rng(8);
  std::uniform_real_distribution<float> u(-2.0f, 2.0f);
  int contacts = 0;
  for (int i = 0; i < 200; ++i) {
    const Transform t = Pose(Vec3(u(rng), 0.5f + 0.2f * u(rng), u(rng)), RandomQuat(rng));
    r = Pair(hull, t, list, Transform::Identity());
    if (!r.hasContact) continue;
    ++contacts;
    ExpectConvention(r);
    if (r.depth < 0.3f) {
      EXPECT_NEAR(r.normal.y, 1.0f, 1e-3f) << i;
    }
  }
  EXPECT_GT(contacts, 50);
}

TEST(ConvexHull, AHullBodyRestsOnTheTerrain) {
  const Vec3 gravity(0, -4, 0);
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, &gravity);
  std::vector<Vec3> verts = {Vec3(-10, 0, -10), Vec3(10, 0, -10), Vec3(10, 0, 10), Vec3(-10, 0, 10)};
  Triangle a, b;
  a.v[0] = 0, a.v[1] = 2, a.v[2] = 1;
  b.v[0] = 0, b.v[1] = 3, b.v[2] = 2;
  std::vector<Triangle> tris = {a, b};
  TerrainMesh mesh;
  mesh.vertices = verts.data();
  mesh.vertexCount = 4;
  mesh.triangles = tris.data();
  mesh.triangleCount = 2;
  sim->SetTerrainMesh(&mesh);
  const MeshBlock oct = Octahedron(0.5f);
  RigidBody* body = sim->CreateRigidBody();
  body->SetMass(1.0f);
  body->SetInertiaTensor(SphereInertiaTensor(1.0f, 1.0f));
  body->AddGeometry()->SetConvexMesh(oct.data());
  body->UpdateBoundingInfo();
  body->SetPos(Vec3(0, 2, 0));
  const void* back = nullptr;
  body->BeginIterateGeometry();
  EXPECT_TRUE(body->GetNextGeometry()->GetConvexMesh(back));
  EXPECT_EQ(back, oct.data());
  for (int i = 0; i < 300; ++i) sim->Advance(0.01f, 1, nullptr);
  const Vec3 p = body->GetPos();
  EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
  EXPECT_GT(p.y, 0.2f);
  EXPECT_LT(p.y, 1.0f);
  DestroySimulator(sim);
}

// Random touching poses (A moved along a random direction until it just touches B, then pushed in
// by up to 0.05) of hulls, boxes and terrain triangles, small ones and ones as large as a floor
// tile, against the exhaustive separating-axis test. Every contact is found, and every reported
// normal is an axis of the pair with the depth along it. The search reports the feature that the
// line between the centres crosses, which is the least-penetrating one (normal within 1 degree,
// depth within 1e-3) except where two features come close: in at least 96 % of the contacts,
// counted apart for hulls and for terrain triangles, the finely faceted hull included, and on
// triangles at least as often as on hulls. From the finely faceted hull to a triangle or a
// sphere-like hull that line never points far from the least penetration, so no contact is more
// than 0.01 deeper; from coarser or flat-sided shapes it can cross a deeper feature.
TEST(ConvexHull, AgreesWithTheExhaustiveTestOnTouchingPoses) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f), push(0.0f, 0.05f);
  const HullShape cubeShape = BoxShape(Vec3(0.5f, 0.3f, 0.4f));  // flat sides of two triangles each
  const HullShape hulls[4] = {SphereHull(0.5f, 4, 6), SphereHull(0.7f, 4, 6), cubeShape, SphereHull(0.5f, 8, 14)};
  std::vector<MeshBlock> blocks;
  for (const HullShape& s : hulls) blocks.push_back(MakeBlock(s.vertices, s.triangles));
  const Vec3 boxHalf(0.6f, 0.25f, 0.45f);
  const TConvex box = Box(boxHalf * 2.0f);
  std::vector<Vec3> triangle(3);
  std::vector<Triangle> tris(1);
  tris[0].v[0] = 0, tris[0].v[1] = 1, tris[0].v[2] = 2, tris[0].testSelector = 2;
  std::vector<int32_t> indices = {0};
  TConvex list;
  list.InitDefault();
  list.SetTriangleList(indices.data(), 1, tris.data(), triangle.data(), 1);
  int contacts[2] = {0, 0}, agreeing[2] = {0, 0};  // against hulls, against a triangle
  for (int i = 0; i < 4000; ++i) {
    // B: the first three hulls in 3 of 16 runs of five poses, else a terrain triangle (3), small and
    // large in turn. A: the four hulls or the box (4); on a triangle the finely faceted hull takes
    // the box's turn (the box on a triangle is the box's own test).
    const int ib = std::min((i / 5) % 16, 3);
    const int ia = ib == 3 && i % 5 == 4 ? 3 : i % 5;
    const float size = (i / 60) % 2 ? 3.0f : 1.2f;
    const Transform tb = Pose(Vec3(0, 0, 0), RandomQuat(rng));
    for (Vec3& p : triangle) p = Vec3(size * unit(rng), 0.3f * unit(rng), size * unit(rng));
    Transform ta = Pose(Vec3(0, 0, 0), RandomQuat(rng));
    Vec3 u(unit(rng), unit(rng), unit(rng));
    u.Normalize();
    if (u.Length() == 0.0f) continue;
    auto oracleA = [&](const Transform& t) { return ia == 4 ? OracleFromBox(boxHalf, t) : OracleFromHull(hulls[ia], t); };
    const OracleShape ob = ib == 3 ? OracleFromTriangle(triangle[0], triangle[1], triangle[2]) : OracleFromHull(hulls[ib], tb);
    ta.position = u * (OracleTouchDistance(oracleA(ta), ob, u) - push(rng));
    ta.position.w = 1.0f;
    const OracleShape oa = oracleA(ta);
    const OracleContact o = OracleSearch(oa, ob);
    const TConvex a = ia == 4 ? box : Hull(blocks[ia]);
    const CollisionResult r = ib == 3 ? Pair(a, ta, list, Transform::Identity()) : Pair(a, ta, Hull(blocks[ib]), tb);
    ASSERT_EQ(r.hasContact, o.hit ? 1 : 0) << i;
    if (!o.hit) continue;
    const int onTriangle = ib == 3 ? 1 : 0;
    ++contacts[onTriangle];
    ExpectConvention(r);
    EXPECT_NEAR(r.depth, OracleDepthAlong(oa, ob, r.normal), 1e-4f) << i;
    if (ia == 3 && ib != 2) {
      EXPECT_LE(r.depth, o.depth + 0.01f) << i;
    }
    if (r.normal.Dot(o.normal) >= std::cos(1.0f / 57.29578f) && std::fabs(r.depth - o.depth) <= 1e-3f) {
      ++agreeing[onTriangle];
    }
  }
  EXPECT_GT(contacts[0], 700);
  EXPECT_GT(contacts[1], 2500);
  for (int k = 0; k < 2; ++k) EXPECT_GE(agreeing[k], contacts[k] * 96 / 100) << k;
  EXPECT_GE(agreeing[1] * contacts[0], agreeing[0] * contacts[1])
      << "triangles " << agreeing[1] << " of " << contacts[1] << ", hulls " << agreeing[0] << " of " << contacts[0];
}

// Two poses of a finely faceted hull on a triangle where the walk over the hull's faces stops short
// of its least-penetrating face, and the edge pairs lead to a pair beside that face: the face is
// still found.
TEST(ConvexHull, AFaceBesideTheBestEdgePairIsFound) {
  struct Case {
    Vec3 triangle[3];
    Vec3 position;
    Quat rotation;
  };
  const Case cases[] = {
      {{Vec3(-0.416272283f, -0.139628187f, -0.583558798f), Vec3(0.702204645f, -0.0859558582f, -0.711904049f),
        Vec3(-0.0254955068f, -0.19403553f, -0.728986681f)},
       Vec3(0.7725631f, 0.583879888f, -0.689191937f),
       Quat(0.55538559f, 0.187513694f, 0.392569244f, 0.708713472f)},
      {{Vec3(-0.34618172f, -0.13828285f, 0.411666453f), Vec3(0.740715027f, -0.236407995f, 0.968393922f),
        Vec3(-0.865021586f, -0.0496523567f, 0.352736682f)},
       Vec3(-0.148337156f, 0.0588750876f, -0.192866489f),
       Quat(0.405344725f, 0.126454964f, 0.902582824f, 0.0710568503f)},
  };
  const HullShape shape = SphereHull(0.7f, 8, 14);
  const MeshBlock block = MakeBlock(shape.vertices, shape.triangles);
  const TConvex hull = Hull(block);
  for (const Case& c : cases) {
    std::vector<Vec3> verts(c.triangle, c.triangle + 3);
    std::vector<Triangle> tris(1);
    tris[0].v[0] = 0, tris[0].v[1] = 1, tris[0].v[2] = 2;
    std::vector<int32_t> indices = {0};
    TConvex list;
    list.InitDefault();
    list.SetTriangleList(indices.data(), 1, tris.data(), verts.data(), 1);
    const Transform t = Pose(c.position, c.rotation);
    const CollisionResult r = Pair(hull, t, list, Transform::Identity());
    const OracleContact o = OracleSearch(OracleFromHull(shape, t), OracleFromTriangle(verts[0], verts[1], verts[2]));
    ASSERT_TRUE(o.hit);
    ExpectConvention(r);
    EXPECT_NEAR(r.depth, o.depth, 1e-4f);
    EXPECT_GT(r.normal.Dot(o.normal), 0.9999f);
  }
}

namespace {

// A simulator over a flat 40 x 40 ground of two triangles whose shared edge runs through the
// origin.
struct FlatGround {
  std::vector<Vec3> verts = {Vec3(-20, 0, -20), Vec3(20, 0, -20), Vec3(20, 0, 20), Vec3(-20, 0, 20)};
  std::vector<Triangle> tris = std::vector<Triangle>(2);
  TerrainMesh mesh;
  Simulator* sim = nullptr;
  explicit FlatGround(float gravityY) {
    tris[0].v[0] = 0, tris[0].v[1] = 2, tris[0].v[2] = 1;
    tris[1].v[0] = 0, tris[1].v[1] = 3, tris[1].v[2] = 2;
    mesh.vertices = verts.data();
    mesh.vertexCount = 4;
    mesh.triangles = tris.data();
    mesh.triangleCount = 2;
    const Vec3 gravity(0, gravityY, 0);
    sim = CreateSimulator(SimulatorSizeInfo(), nullptr, &gravity);
    sim->SetTerrainMesh(&mesh);
  }
  ~FlatGround() { DestroySimulator(sim); }
  RigidBody* Drop(const Vec3& at, const MeshBlock* hull) {
    RigidBody* b = sim->CreateRigidBody();
    b->SetMass(1.0f);
    b->SetInertiaTensor(BoxInertiaTensor(Vec3(1, 1, 1), 1.0f));
    if (hull) {
      b->AddGeometry()->SetConvexMesh(hull->data());
    } else {
      b->AddGeometry()->SetBoxSize(Vec3(1, 1, 1));
    }
    b->UpdateBoundingInfo();
    b->SetPos(at);
    return b;
  }
};

float Tilt(RigidBody* b) { return std::acos(std::min(1.0f, b->GetRotationM3().row[1].y)); }

}  // namespace

// A unit cube hull dropped flat lands and rests flat as the unit box primitive does; two
// sphere-like hulls stacked across the edge between two large ground triangles stay down.
TEST(ConvexHull, HullBodiesRestOnTheGroundLikeBoxes) {
  {
    FlatGround ground(-4.0f);
    const MeshBlock cube = BoxHull(Vec3(0.5f, 0.5f, 0.5f));
    RigidBody* hull = ground.Drop(Vec3(3, 2, 1), &cube);
    RigidBody* box = ground.Drop(Vec3(6, 2, 1), nullptr);
    for (int i = 0; i < 400; ++i) ground.sim->Advance(0.01f, 1, nullptr);
    EXPECT_LT(Tilt(hull), 0.01f);
    EXPECT_NEAR(hull->GetPos().y, box->GetPos().y, 0.005f);
    EXPECT_TRUE(hull->IsIdle());
  }
  {
    FlatGround ground(-9.81f);
    const HullShape round = SphereHull(0.5f, 8, 14);
    const MeshBlock block = MakeBlock(round.vertices, round.triangles);
    RigidBody* low = ground.Drop(Vec3(0, 0.499f, 0), &block);
    RigidBody* top = ground.Drop(Vec3(0, 1.497f, 0), &block);
    float highest = 0.0f;
    for (int i = 0; i < 60; ++i) {
      ground.sim->Advance(0.01f, 1, nullptr);
      highest = std::max(highest, low->GetPos().y);
    }
    EXPECT_LT(highest, 0.5f);
    EXPECT_GT(top->GetPos().y, 1.45f);
  }
}

// A hull of more than 256 faces (here 484) is refused where the geometry is set, with a log
// message: the geometry keeps no hull. A hull of 256 faces is taken.
TEST(ConvexHull, HullsBeyondTheLimitAreRefusedWithALogMessage) {
  LogLines().clear();
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, nullptr);
  sim->SetLogOutputCallback(CollectLog);
  sim->SetLogOutputLevel(1);
  RigidBody* body = sim->CreateRigidBody();
  Geometry* g = body->AddGeometry();
  const HullShape large = SphereHull(0.5f, 11, 22);
  ASSERT_EQ(large.triangles.size(), 3u * 484u);
  std::vector<Vec3> block(4096);
  // The writer refuses; a caller that goes on regardless hands the geometry the unwritten block.
  EXPECT_FALSE(WriteConvexMeshBlock(large.vertices.data(), static_cast<int>(large.vertices.size()),
                                    large.triangles.data(), 484, block.data(), block.size() * 16));
  EXPECT_FALSE(g->SetConvexMesh(block.data()));
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(LogLines()[0], "Convex mesh refused: more than 256 faces or vertices.\n");
  const void* kept = nullptr;
  EXPECT_FALSE(g->GetConvexMesh(kept));
  const HullShape limit = SphereHull(0.5f, 8, 16);
  const MeshBlock taken = MakeBlock(limit.vertices, limit.triangles);
  EXPECT_TRUE(g->SetConvexMesh(taken.data()));
  EXPECT_TRUE(g->GetConvexMesh(kept));
  EXPECT_EQ(LogLines().size(), 1u);
  DestroySimulator(sim);
}
