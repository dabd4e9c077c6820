#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics/collision/pair_tests.h"
#include "physics_test_support.h"

using namespace phys;

namespace {

Quat RandomQuat(std::mt19937& rng) {
  std::normal_distribution<float> g(0.0f, 1.0f);
  Quat q(g(rng), g(rng), g(rng), g(rng));
  QuatNormalize(&q);
  return q;
}

Transform At(const Vec3& p, const Quat& q = Quat()) {
  Transform t = Transform::Identity();
  t.rotation = q.ToMat3();
  t.position = p;
  t.position.w = 1.0f;
  return t;
}

TConvex Sphere(float r) {
  TConvex g;
  g.SetSphere(2.0f * r);
  return g;
}
TConvex Box(float hx, float hy, float hz) {
  TConvex g;
  g.SetBoxSize(2 * hx, 2 * hy, 2 * hz);
  return g;
}
TConvex Cylinder(float r, float halfHeight) {
  TConvex g;
  g.SetCylinderShape(2.0f * r, 2.0f * halfHeight);
  return g;
}

// The contact convention: a unit, finite normal from the second geometry towards the first, and the
// point on the second equal to the point on the first plus depth times the normal.
void ExpectConvention(const CollisionResult& r, const char* what) {
  ASSERT_TRUE(IsFiniteVec(r.normal)) << what;
  ASSERT_TRUE(IsFiniteVec(r.relPointA) && IsFiniteVec(r.relPointB)) << what;
  ASSERT_TRUE(std::isfinite(r.depth)) << what;
  EXPECT_NEAR(r.normal.Length(), 1.0f, 1e-4f) << what;
  const Vec3 expected = r.relPointA + r.normal * r.depth;
  EXPECT_NEAR((expected - r.relPointB).Length(), 0.0f, 2e-4f) << what;
}

void ExpectVec(const Vec3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

struct TriangleSoup {
  std::vector<Vec3> vertices;
  std::vector<Triangle> triangles;
  std::vector<int32_t> indices;
  TConvex list;

  int Add(const Vec3& a, const Vec3& b, const Vec3& c, int selector = 0, int material = 0) {
    Triangle t;
    const Vec3 corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
      t.v[k] = static_cast<int32_t>(vertices.size());
      vertices.push_back(corners[k]);
    }
    t.testSelector = selector;
    t.id0 = material;
    indices.push_back(static_cast<int32_t>(triangles.size()));
    triangles.push_back(t);
    return static_cast<int>(triangles.size()) - 1;
  }
  const TConvex& List() {
    list.SetTriangleList(indices.data(), static_cast<int32_t>(indices.size()), triangles.data(), vertices.data(),
                         static_cast<int32_t>(triangles.size()));
    return list;
  }
};

}  // namespace

TEST(PairTests, RandomPosesKeepTheConventionAndReverseCleanly) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> pos(-2.0f, 2.0f);
  std::uniform_real_distribution<float> size(0.2f, 1.5f);
  int contacts = 0;
  for (int iter = 0; iter < 4000; ++iter) {
    const int kindA = iter % 3, kindB = (iter / 3) % 3;
    auto make = [&](int kind) {
      if (kind == 0) return Sphere(size(rng));
      if (kind == 1) return Box(size(rng), size(rng), size(rng));
      return Cylinder(size(rng), size(rng));
    };
    const TConvex a = make(kindA), b = make(kindB);
    const Transform ta = At(Vec3(pos(rng), pos(rng), pos(rng)), RandomQuat(rng));
    const Transform tb = At(Vec3(pos(rng), pos(rng), pos(rng)), RandomQuat(rng));
    CollisionResult ab, ba;
    TestGeometryPair(&ab, a, ta, b, tb);
    TestGeometryPair(&ba, b, tb, a, ta);
    ASSERT_EQ(ab.hasContact, ba.hasContact) << iter;
    if (!ab.hasContact) continue;
    ++contacts;
    ExpectConvention(ab, "forward");
    ExpectConvention(ba, "reversed");
    EXPECT_GT(ab.depth, 0.0f);
    EXPECT_NEAR(ab.depth, ba.depth, 1e-4f) << iter;
    EXPECT_NEAR((ab.normal + ba.normal).Length(), 0.0f, 1e-4f) << iter;
    EXPECT_NEAR((ab.relPointA - ba.relPointB).Length(), 0.0f, 1e-4f) << iter;
    EXPECT_NEAR((ab.relPointB - ba.relPointA).Length(), 0.0f, 1e-4f) << iter;
  }
  EXPECT_GT(contacts, 800);
}

TEST(PairTests, DegeneratePlacementsGiveDirections) {
  CollisionResult r;
  // Sphere centre exactly on a box edge and on a corner.
  TestBoxSphere(&r, Box(1, 1, 1), At(Vec3()), Sphere(0.5f), At(Vec3(1, 1, 0)));
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "edge");
  TestBoxSphere(&r, Box(1, 1, 1), At(Vec3()), Sphere(0.5f), At(Vec3(1, 1, 1)));
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "corner");
  // A cylinder whose axis passes through a box.
  TestBoxCylinder(&r, Box(1, 1, 1), At(Vec3()), Cylinder(0.3f, 2.0f), At(Vec3(0.2f, 0, 0)));
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "axis inside box");
  // Crossing axes and coincident end points.
  const Quat quarter(0, 0, 0.7071068f, 0.7071068f);
  TestCylinderCylinder(&r, Cylinder(0.5f, 1), At(Vec3()), Cylinder(0.5f, 1), At(Vec3(), quarter));
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "crossing");
  TestCylinderCylinder(&r, Cylinder(0.5f, 1), At(Vec3(0, 1, 0)), Cylinder(0.5f, 1), At(Vec3(0, 3, 0)));
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "coincident ends");
  // Sphere centre on a cylinder's axis.
  TestSphereCylinder(&r, Cylinder(0.5f, 1), At(Vec3()), Sphere(0.5f), At(Vec3(0, 0.3f, 0)));
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "on axis");
}

TEST(PairTests, AnalyticSphereAndBoxCases) {
  CollisionResult r;
  TestSphereSphere(&r, Sphere(1), At(Vec3(1.5f, 0, 0)), Sphere(1), At(Vec3()));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.5f, 1e-6f);
  ExpectVec(r.normal, 1, 0, 0);
  TestSphereSphere(&r, Sphere(1), At(Vec3(2, 0, 0)), Sphere(1), At(Vec3()));
  EXPECT_FALSE(r.hasContact);
  TestSphereSphere(&r, Sphere(1), At(Vec3()), Sphere(1), At(Vec3()));
  EXPECT_FALSE(r.hasContact);

  const TConvex box = Box(1, 1, 1), ball = Sphere(0.5f);
  TestBoxSphere(&r, box, At(Vec3()), ball, At(Vec3(1.3f, 0, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.2f, 1e-6f);
  ExpectVec(r.normal, -1, 0, 0);
  ExpectVec(r.relPointA, 1, 0, 0);
  TestBoxSphere(&r, box, At(Vec3()), ball, At(Vec3(1.2f, 1.2f, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.5f - std::sqrt(0.08f), 1e-5f);
  ExpectVec(r.normal, -0.7071068f, -0.7071068f, 0);
  ExpectVec(r.relPointA, 1, 1, 0);
  TestBoxSphere(&r, box, At(Vec3()), ball, At(Vec3(1.2f, 1.2f, 1.2f)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.5f - std::sqrt(0.12f), 1e-5f);
  ExpectVec(r.relPointA, 1, 1, 1);
  TestBoxSphere(&r, box, At(Vec3()), ball, At(Vec3(0, 0.8f, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.7f, 1e-6f);
  ExpectVec(r.normal, 0, -1, 0);
  // Equally far from the x and y faces: y is chosen.
  TestBoxSphere(&r, box, At(Vec3()), ball, At(Vec3(0.8f, 0.8f, 0)));
  ExpectVec(r.normal, 0, -1, 0);
  // The sphere first: the swap gives the normal from the box towards the sphere.
  TestGeometryPair(&r, ball, At(Vec3(1.3f, 0, 0)), box, At(Vec3()));
  ExpectVec(r.normal, 1, 0, 0);
  ExpectVec(r.relPointA, 1.3f - 0.5f, 0, 0);
  // A rotated box: the face normal follows its rows.
  TestBoxSphere(&r, box, At(Vec3(), Quat(0, 0, 0.7071068f, 0.7071068f)), ball, At(Vec3(0, 1.3f, 0)));
  ASSERT_TRUE(r.hasContact);
  ExpectVec(r.normal, 0, -1, 0, 1e-5f);
}

TEST(PairTests, AnalyticCylinderCases) {
  CollisionResult r;
  const TConvex cyl = Cylinder(0.5f, 1.0f);
  // Beside the cylinder's side.
  TestSphereCylinder(&r, cyl, At(Vec3()), Sphere(0.5f), At(Vec3(0.8f, 0.2f, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.2f, 1e-6f);
  ExpectVec(r.normal, -1, 0, 0);
  // Near the rim of the flat end: the rounded end decides.
  TestSphereCylinder(&r, cyl, At(Vec3()), Sphere(0.5f), At(Vec3(0.4f, 1.6f, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 1.0f - std::sqrt(0.16f + 0.36f), 1e-5f);
  // Two parallel cylinders side by side.
  TestCylinderCylinder(&r, cyl, At(Vec3(0.8f, 0, 0)), cyl, At(Vec3()));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.2f, 1e-5f);
  ExpectVec(r.normal, 1, 0, 0);
  // Crossing cylinders of different lengths, ends near each other.
  const Quat lying(0, 0, 0.7071068f, 0.7071068f);  // axis along -x
  TestCylinderCylinder(&r, Cylinder(0.5f, 2.0f), At(Vec3(0, 0, 0), lying), Cylinder(0.3f, 0.5f), At(Vec3(0, 1.2f, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.5f + 0.3f - 0.7f, 1e-5f);
  ExpectVec(r.normal, 0, -1, 0);
  // A box below a standing cylinder.
  TestBoxCylinder(&r, Box(1, 1, 1), At(Vec3(0, -1.0f, 0)), cyl, At(Vec3(0, 1.3f, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.2f, 1e-5f);
  ExpectVec(r.normal, 0, -1, 0);
  // A lying cylinder beside a box.
  TestBoxCylinder(&r, Box(1, 1, 1), At(Vec3()), cyl, At(Vec3(1.4f, 0, 0), Quat(0.7071068f, 0, 0, 0.7071068f)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.1f, 1e-5f);
  ExpectVec(r.normal, -1, 0, 0);
}

TEST(TriangleTests, SphereAgainstOneTriangle) {
  TriangleSoup soup;
  soup.Add(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(1, 0, 0), 0, 7);
  const TConvex ball = Sphere(1.25f);
  CollisionResult r;
  TestSphereTriangle(&r, ball, At(Vec3(0.25f, 1.0f, 0.25f)), soup.List());
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.25f, 1e-6f);
  ExpectVec(r.normal, 0, 1, 0);
  ExpectVec(r.relPointB, 0.25f, 0, 0.25f);
  EXPECT_EQ(r.materialB, 7);
  TestSphereTriangle(&r, ball, At(Vec3(0.25f, -1.0f, 0.25f)), soup.List());
  ASSERT_TRUE(r.hasContact);
  ExpectVec(r.normal, 0, -1, 0);
  // Beyond the long edge: from the nearest edge point (0.5, 0, 0.5).
  TestSphereTriangle(&r, ball, At(Vec3(1, 0.5f, 1)), soup.List());
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 1.25f - std::sqrt(0.75f), 1e-5f);
  ExpectVec(r.normal, 0.57735f, 0.57735f, 0.57735f, 1e-4f);
  ExpectVec(r.relPointB, 0.5f, 0, 0.5f);
  // Beyond a vertex: from the vertex.
  TestSphereTriangle(&r, ball, At(Vec3(-0.5f, 0.5f, -0.5f)), soup.List());
  ASSERT_TRUE(r.hasContact);
  ExpectVec(r.normal, -0.57735f, 0.57735f, -0.57735f, 1e-4f);
  ExpectVec(r.relPointB, 0, 0, 0);
  // The centre on a vertex takes the face normal.
  TestSphereTriangle(&r, ball, At(Vec3(0, 0, 0)), soup.List());
  ASSERT_TRUE(r.hasContact);
  ExpectConvention(r, "centre on vertex");
  // Exactly touching the plane: no contact.
  TestSphereTriangle(&r, ball, At(Vec3(0.25f, 1.25f, 0.25f)), soup.List());
  EXPECT_FALSE(r.hasContact);
}

TEST(TriangleTests, SelectorsTiesDegenerateTrianglesAndAcuteCorners) {
  CollisionResult r;
  const TConvex ball = Sphere(1.25f);
  {
    TriangleSoup soup;
    soup.Add(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(1, 0, 0), 2);
    soup.Add(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(1, 0, 0), 1);
    TestSphereTriangle(&r, ball, At(Vec3(0.25f, 1.0f, 0.25f)), soup.List());
    EXPECT_FALSE(r.hasContact);
    TestCylinderTriangle(&r, Cylinder(0.5f, 1), At(Vec3(0.25f, 1.0f, 0.25f)), soup.List());
    EXPECT_FALSE(r.hasContact);
    // The floor test: only a corner below the triangle counts.
    TestBoxTriangle(&r, Box(0.1f, 0.1f, 0.1f), At(Vec3(0.25f, 0.05f, 0.25f)), soup.List());
    ASSERT_TRUE(r.hasContact);
    EXPECT_NEAR(r.depth, 0.05f, 1e-6f);
    ExpectVec(r.normal, 0, 1, 0);
    TestBoxTriangle(&r, Box(0.1f, 0.1f, 0.1f), At(Vec3(2.0f, 0.05f, 2.0f)), soup.List());
    EXPECT_FALSE(r.hasContact);
  }
  {
    TriangleSoup soup;
    soup.Add(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(1, 0, 0), 0, 1);
    soup.Add(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(1, 0, 0), 0, 2);
    soup.Add(Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(2, 0, 0), 0, 3);  // degenerate
    soup.Add(Vec3(0, 0, 0), Vec3(0, 0, 0), Vec3(0, 0, 0), 0, 4);  // degenerate
    TestSphereTriangle(&r, ball, At(Vec3(0.25f, 1.0f, 0.25f)), soup.List());
    ASSERT_TRUE(r.hasContact);
    EXPECT_EQ(r.materialB, 1);
    TestSphereTriangle(&r, ball, At(Vec3(1.0f, 0.0f, 0.0f)), soup.List());
    EXPECT_TRUE(r.hasContact);
    EXPECT_TRUE(std::isfinite(r.normal.x));
  }
  {
    // A sliver with an acute tip at the origin: a centre just behind the tip is nearest the tip.
    TriangleSoup soup;
    soup.Add(Vec3(0, 0, 0), Vec3(10, 0, 0.5f), Vec3(10, 0, -0.5f));
    const Vec3 c(-0.2f, 0.2f, 0.3f);
    TestSphereTriangle(&r, Sphere(0.5f), At(c), soup.List());
    ASSERT_TRUE(r.hasContact);
    EXPECT_NEAR(r.depth, 0.5f - c.Length(), 1e-5f);
    ExpectConvention(r, "acute corner");
  }
}

TEST(TriangleTests, RandomTerrainContactsKeepTheConvention) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(-1.5f, 1.5f);
  std::uniform_real_distribution<float> size(0.2f, 1.0f);
  int contacts = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    TriangleSoup soup;
    for (int k = 0; k < 3; ++k) {
      soup.Add(Vec3(coord(rng), coord(rng), coord(rng)), Vec3(coord(rng), coord(rng), coord(rng)),
               Vec3(coord(rng), coord(rng), coord(rng)), iter % 7 == 0 ? 1 : 0);
    }
    const Transform t = At(Vec3(coord(rng) * 0.5f, coord(rng) * 0.5f, coord(rng) * 0.5f), RandomQuat(rng));
    CollisionResult r;
    switch (iter % 3) {
      case 0:
        TestSphereTriangle(&r, Sphere(size(rng)), t, soup.List());
        break;
      case 1:
        TestBoxTriangle(&r, Box(size(rng), size(rng), size(rng)), t, soup.List());
        break;
      default:
        TestCylinderTriangle(&r, Cylinder(size(rng), size(rng)), t, soup.List());
        break;
    }
    if (!r.hasContact) continue;
    ++contacts;
    ExpectConvention(r, iter % 3 == 0 ? "sphere" : (iter % 3 == 1 ? "box" : "cylinder"));
    EXPECT_GT(r.depth, 0.0f);
  }
  EXPECT_GT(contacts, 1000);
}

TEST(TriangleTests, BoxAgainstASingleTriangleGeometry) {
  Vec3 corners[3] = {Vec3(-5, 0, -5), Vec3(-5, 0, 5), Vec3(5, 0, 0)};
  TConvex tri;
  tri.SetTriangle(&corners[0], &corners[1], &corners[2], 0);
  CollisionResult r;
  TestGeometryPair(&r, Box(1, 1, 1), At(Vec3(0, 0.8f, 0)), tri, At(Vec3(0, 0, 0)));
  ASSERT_TRUE(r.hasContact);
  EXPECT_NEAR(r.depth, 0.2f, 1e-5f);
  ExpectVec(r.normal, 0, 1, 0);
  ExpectConvention(r, "single triangle");
  TestGeometryPair(&r, Box(1, 1, 1), At(Vec3(0, 0.8f, 0)), tri, At(Vec3(0, -1, 0)));
  EXPECT_FALSE(r.hasContact);
}

TEST(ClosestPoints, SegmentAndBox) {
  Vec3 s, b;
  // A segment passing above a unit box.
  ClosestPointsSegmentBox(Vec3(-3, 2, 0), Vec3(3, 2, 0), Vec3(1, 1, 1), &s, &b);
  EXPECT_NEAR(s.y, 2.0f, 1e-6f);
  EXPECT_NEAR(b.y, 1.0f, 1e-6f);
  EXPECT_NEAR(s.x, b.x, 1e-5f);
  // A diagonal segment reaching nearest at a corner.
  ClosestPointsSegmentBox(Vec3(2, 3, 0.5f), Vec3(4, 1, 0.5f), Vec3(1, 1, 1), &s, &b);
  ExpectVec(b, 1, 1, 0.5f, 1e-5f);
  ExpectVec(s, 2.5f, 2.5f, 0.5f, 1e-5f);
  // Against brute force on random segments.
  std::mt19937 rng(8);
  std::uniform_real_distribution<float> c(-3, 3);
  for (int i = 0; i < 500; ++i) {
    const Vec3 p(c(rng), c(rng), c(rng)), q(c(rng), c(rng), c(rng)), e(1, 0.5f, 0.8f);
    ClosestPointsSegmentBox(p, q, e, &s, &b);
    float best = 1e30f;
    for (int k = 0; k <= 2000; ++k) {
      const Vec3 x = p + (q - p) * (k / 2000.0f);
      Vec3 y;
      for (int j = 0; j < 3; ++j) y[j] = std::fmin(e[j], std::fmax(-e[j], x[j]));
      best = std::fmin(best, (x - y).LengthSquared());
    }
    EXPECT_LE((s - b).LengthSquared(), best + 1e-3f) << i;
  }
}
