#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "physics/collision/pair_tests.h"
#include "physics_test_support.h"

using namespace phys;

namespace {

Transform Pose(const Vec3& p, const Quat& q = Quat()) {
  Transform t = Transform::Identity();
  t.rotation = q.ToMat3();
  t.position = p;
  t.position.w = 1.0f;
  return t;
}

TConvex Cuboid(float hx, float hy, float hz) {
  TConvex g;
  g.SetBoxSize(2 * hx, 2 * hy, 2 * hz);
  return g;
}

Quat AboutAxis(const Vec3& axis, float angle) {
  const float s = std::sin(0.5f * angle);
  return Quat(axis.x * s, axis.y * s, axis.z * s, std::cos(0.5f * angle));
}

void ExpectNear(const Vec3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(BoxBox, FaceContactsTouchingBoxesAndTies) {
  const TConvex unit = Cuboid(0.5f, 0.5f, 0.5f);
  CollisionResult r;
  TestBoxBox(&r, unit, Pose(Vec3()), unit, Pose(Vec3(0.9f, 0, 0)));
  ASSERT_EQ(r.hasContact, 1);
  EXPECT_NEAR(r.depth, 0.1f, 1e-5f);
  ExpectNear(r.normal, -1, 0, 0);
  ExpectNear(r.relPointA, 0.5f, 0.5f, 0.5f);
  ExpectNear(r.relPointB, 0.4f, 0.5f, 0.5f);

  // Touching along a face, an edge or a corner, and apart.
  TestBoxBox(&r, unit, Pose(Vec3()), unit, Pose(Vec3(1.0f, 0, 0)));
  EXPECT_EQ(r.hasContact, 0);
  TestBoxBox(&r, unit, Pose(Vec3()), unit, Pose(Vec3(1.0f, 1.0f, 0.3f)));
  EXPECT_EQ(r.hasContact, 0);
  TestBoxBox(&r, unit, Pose(Vec3()), unit, Pose(Vec3(0, -3.0f, 0)));
  EXPECT_EQ(r.hasContact, 0);

  // A small box sunk 0.1 into a large slab: both face axes tie, and the slab's face, which holds the
  // small box's deepest corner, gives the contact.
  const TConvex slab = Cuboid(2.0f, 0.5f, 2.0f);
  TestBoxBox(&r, unit, Pose(Vec3(0.1f, 0.9f, -0.2f)), slab, Pose(Vec3()));
  ASSERT_EQ(r.hasContact, 1);
  EXPECT_NEAR(r.depth, 0.1f, 1e-5f);
  ExpectNear(r.normal, 0, 1, 0);
  EXPECT_NEAR(r.relPointA.y, 0.4f, 1e-5f);
  EXPECT_NEAR(std::fabs(r.relPointA.x - 0.1f), 0.5f, 1e-5f);
  EXPECT_NEAR(std::fabs(r.relPointA.z + 0.2f), 0.5f, 1e-5f);
  EXPECT_NEAR(r.relPointB.y, 0.5f, 1e-5f);

  // Swapped: the small box is the second geometry; the contact mirrors.
  CollisionResult s;
  TestBoxBox(&s, slab, Pose(Vec3()), unit, Pose(Vec3(0.1f, 0.9f, -0.2f)));
  ASSERT_EQ(s.hasContact, 1);
  ExpectNear(s.normal, 0, -1, 0);
  EXPECT_NEAR(s.depth, 0.1f, 1e-5f);
  EXPECT_NEAR(s.relPointA.y, 0.5f, 1e-5f);
  EXPECT_NEAR(s.relPointB.y, 0.4f, 1e-5f);
}

TEST(BoxBox, CrossedEdgesGiveTheEdgeAxisAndClosestPoints) {
  const TConvex unit = Cuboid(0.5f, 0.5f, 0.5f);
  const float ridge = 0.5f * std::sqrt(2.0f);
  // A turned 45 degrees about z has a ridge along z at y = ridge; B turned about x has a ridge along
  // x at its centre's height minus ridge. They cross with 0.1 of overlap.
  const Transform ta = Pose(Vec3(), AboutAxis(Vec3(0, 0, 1), 0.78539816f));
  const Transform tb = Pose(Vec3(0.2f, 2.0f * ridge - 0.1f, -0.1f), AboutAxis(Vec3(1, 0, 0), 0.78539816f));
  CollisionResult r;
  TestBoxBox(&r, unit, ta, unit, tb);
  ASSERT_EQ(r.hasContact, 1);
  EXPECT_NEAR(r.depth, 0.1f, 1e-4f);
  ExpectNear(r.normal, 0, -1, 0);
  ExpectNear(r.relPointA, 0, ridge, -0.1f);
  ExpectNear(r.relPointB, 0, ridge - 0.1f, -0.1f);

  // The same crossing seen from B.
  CollisionResult s;
  TestBoxBox(&s, unit, tb, unit, ta);
  ASSERT_EQ(s.hasContact, 1);
  EXPECT_NEAR(s.depth, 0.1f, 1e-4f);
  ExpectNear(s.normal, 0, 1, 0);
  ExpectNear(s.relPointA, 0, ridge - 0.1f, -0.1f);
}

// In random poses the contact keeps the convention, both orders agree on contact and depth, and
// moving the first box out along the normal by the depth separates the pair (the normal is the
// axis of least penetration).
TEST(BoxBox, RandomPosesSeparateAlongTheNormal) {
  std::mt19937 rng(77);
  std::uniform_real_distribution<float> pos(-1.5f, 1.5f);
  std::uniform_real_distribution<float> size(0.2f, 1.2f);
  std::normal_distribution<float> g(0.0f, 1.0f);
  auto randomQuat = [&]() {
    Quat q(g(rng), g(rng), g(rng), g(rng));
    QuatNormalize(&q);
    return q;
  };
  int contacts = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    const TConvex a = Cuboid(size(rng), size(rng), size(rng));
    const TConvex b = Cuboid(size(rng), size(rng), size(rng));
    Transform ta = Pose(Vec3(pos(rng), pos(rng), pos(rng)), randomQuat());
    const Transform tb = Pose(Vec3(pos(rng), pos(rng), pos(rng)), randomQuat());
    CollisionResult ab, ba;
    TestBoxBox(&ab, a, ta, b, tb);
    TestBoxBox(&ba, b, tb, a, ta);
    ASSERT_EQ(ab.hasContact, ba.hasContact) << iter;
    if (!ab.hasContact) continue;
    ++contacts;
    ASSERT_TRUE(IsFiniteVec(ab.relPointA) && IsFiniteVec(ab.relPointB) && std::isfinite(ab.depth)) << iter;
    EXPECT_GT(ab.depth, 0.0f);
    EXPECT_NEAR(ab.normal.Length(), 1.0f, 1e-4f);
    EXPECT_NEAR((ab.relPointA + ab.normal * ab.depth - ab.relPointB).Length(), 0.0f, 2e-4f) << iter;
    EXPECT_NEAR(ab.depth, ba.depth, 2e-4f) << iter;
    ta.position += ab.normal * (ab.depth + 2e-3f);
    ta.position.w = 1.0f;
    CollisionResult moved;
    TestBoxBox(&moved, a, ta, b, tb);
    EXPECT_EQ(moved.hasContact, 0) << iter;
  }
  EXPECT_GT(contacts, 800);
}
