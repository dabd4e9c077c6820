#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "engine/vector_helpers.h"

namespace {

const Vector3 kSquare[4] = {{0, 0, 0}, {0, 0, 2}, {2, 0, 2}, {2, 0, 0}};  // in y = 0, normal -y

TEST(VectorHelpers, FloatHelpers) {
  EXPECT_EQ(FloatToInt(-2.7f), -2);
  EXPECT_EQ(FloatToInt(2.7f), 2);
  EXPECT_EQ(FloatToInt(NAN), 0);
  EXPECT_EQ(FloatToInt(1e20f), INT_MAX);
  EXPECT_EQ(FloatToInt(-1e20f), INT_MIN);
  EXPECT_EQ(Absolute(-3.5f), 3.5f);
  EXPECT_EQ(Fabs(-0.0f), 0.0f);
}

TEST(VectorHelpers, BasicsAndZeroVectors) {
  const Vector3 a(1, 2, 3), b(4, 5, 6);
  const Vector3 c = Cross(a, b);
  EXPECT_EQ(c.x, -3.0f);
  EXPECT_EQ(c.y, 6.0f);
  EXPECT_EQ(c.z, -3.0f);
  EXPECT_EQ(Dot(a, b), 32.0f);
  EXPECT_FLOAT_EQ(Distance(a, b), std::sqrt(27.0f));
  EXPECT_EQ((a * 2.0f).z, 6.0f);
  const Vector3 zero(0, 0, 0);
  const Vector3 n = Normalize(zero);
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(AngleBetweenVectors(zero, a), 0.0);
  EXPECT_NEAR(AngleBetweenVectors(Vector3(1, 0, 0), Vector3(0, 0, 1)), M_PI / 2, 1e-7);
  const Vec3 z3 = NormalizeVector(Vec3(0, 0, 0));
  EXPECT_EQ(z3.x, 0.0f);
  float f0[3] = {0, 0, 0}, f1[3] = {0, 3, 4};
  Normalize3(f0);
  EXPECT_EQ(f0[1], 0.0f);
  EXPECT_EQ(AngleBetween3(f0, f1), 0.0f);
  EXPECT_EQ(Length3(f1), 5.0f);
  Normalize3(f1);
  EXPECT_FLOAT_EQ(f1[2], 0.8f);
  float cross[3];
  const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
  Cross3(x, y, cross);
  EXPECT_EQ(cross[2], 1.0f);
  const Vector3d d = VecNormalizeD(VecCrossD(Vector3d{1, 0, 0}, VecSubD(Vector3d{0, 3, 0}, Vector3d{})));
  EXPECT_DOUBLE_EQ(d.z, 1.0);
  EXPECT_EQ(VecNormalizeD(Vector3d{}).x, 0.0);
  EXPECT_DOUBLE_EQ(VecLengthD(Vector3d{3, 4, 12}), 13.0);
}

TEST(VectorHelpers, PolygonNormalUsesTheGivenWinding) {
  const Vector3 n = Normal(kSquare);
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, -1.0f);  // (p2 - p0) x (p1 - p0)
  EXPECT_EQ(PlaneDistance(n, Vector3(5, 3, 1)), 3.0f);
  const Vec3 tri[3] = {Vec3(0, 0, 0), Vec3(0, 0, 2), Vec3(2, 0, 2)};
  EXPECT_EQ(TriangleNormal(tri).y, -1.0f);
}

TEST(VectorHelpers, PlaneCrossingNeedsEndsStrictlyOnOppositeSides) {
  Vector3 normal;
  float distance;
  const Vector3 crossing[2] = {{1, 1, 1}, {1, -1, 1}};
  EXPECT_TRUE(IntersectedPlane(kSquare, crossing, normal, distance));
  const Vector3 touching[2] = {{1, 0, 1}, {1, -1, 1}};  // start exactly in the plane
  EXPECT_FALSE(IntersectedPlane(kSquare, touching, normal, distance));
  const Vector3 inPlane[2] = {{0.5f, 0, 0.5f}, {1.5f, 0, 1.5f}};
  EXPECT_FALSE(IntersectedPlane(kSquare, inPlane, normal, distance));
  const Vector3 above[2] = {{1, 1, 1}, {1, 2, 1}};
  EXPECT_FALSE(IntersectedPlane(kSquare, above, normal, distance));
}

TEST(VectorHelpers, IntersectionPointAndParallelSegments) {
  const Vector3 n(0, 1, 0);
  const Vector3 slanted[2] = {{0, 2, 0}, {2, -2, 0}};
  const Vector3 p = IntersectionPoint(n, slanted, 0.0);
  EXPECT_NEAR(p.x, 1.0f, 1e-6);
  EXPECT_NEAR(p.y, 0.0f, 1e-6);
  const Vector3 parallel[2] = {{0, 2, 0}, {5, 2, 0}};
  const Vector3 q = IntersectionPoint(n, parallel, 0.0);
  EXPECT_EQ(q.x, 0.0f);
  EXPECT_EQ(q.y, 2.0f);
}

TEST(VectorHelpers, PointsInsideOnEdgesAndOutsideAPolygon) {
  EXPECT_TRUE(InsidePolygon(Vector3(1, 0, 1), kSquare, 4));
  EXPECT_TRUE(InsidePolygon(Vector3(1, 0, 0), kSquare, 4));    // on an edge
  EXPECT_TRUE(InsidePolygon(Vector3(2, 0, 1), kSquare, 4));    // on another edge
  EXPECT_FALSE(InsidePolygon(Vector3(3, 0, 1), kSquare, 4));
  EXPECT_FALSE(InsidePolygon(Vector3(-0.1f, 0, 1), kSquare, 4));
  // On the diagonal the two corners lie in exactly opposite directions; rounding must not lose
  // that half turn.
  EXPECT_TRUE(InsidePolygon(Vector3(0.5f, 0, 0.5f), kSquare, 3));
  EXPECT_TRUE(InsidePolygon(Vector3(0.7f, 0, 0.7f), kSquare, 3));

  Vector3 point(9, 9, 9);
  const Vector3 through[2] = {{0.5f, 1, 0.5f}, {0.5f, -1, 0.5f}};
  EXPECT_TRUE(IntersectedPolygon(kSquare, through, 3, point));
  EXPECT_NEAR(point.y, 0.0f, 1e-6);
  const Vector3 beside[2] = {{1.5f, 1, 0.5f}, {1.5f, -1, 0.5f}};  // inside the square, outside its first triangle
  EXPECT_FALSE(IntersectedPolygon(kSquare, beside, 3, point));
  EXPECT_TRUE(IntersectedPolygon(kSquare, beside, 4, point));
}

TEST(VectorHelpers, HeadingsAlongTheAxes) {
  const Vec3 px(1, 0, 0), nx(-1, 0, 0), pz(0, 0, 1), nz(0, 0, -1);
  EXPECT_NEAR(HeadingDifference(px, nz), M_PI / 2, 1e-6);   // heading(-z) = +pi/2
  EXPECT_NEAR(HeadingDifference(px, pz), -M_PI / 2, 1e-6);  // heading(+z) = -pi/2
  EXPECT_NEAR(HeadingDifference(px, nx), M_PI, 1e-6);
  EXPECT_EQ(HeadingDifference(px, px), 0.0f);
  // A zero vector (a body standing still) has heading 0, like +x: the other side's heading stands.
  const Vec3 zero(0, 0, 0);
  EXPECT_EQ(HeadingDifference(zero, px), 0.0f);
  EXPECT_NEAR(HeadingDifference(zero, pz), -M_PI / 2, 1e-6);
  EXPECT_NEAR(HeadingDifference(nx, zero), -M_PI, 1e-6);
  EXPECT_NEAR(HeadingDifference(Vec3(0, 1, 0), zero), -M_PI / 2, 1e-6);  // straight up: acos(0)
  EXPECT_EQ(HeadingDifference(Vec3(NAN, 0, 0), px), 0.0f);  // not a number becomes 0

  EXPECT_NEAR(HeadingDifferenceFolded(px, nz), 1.570795f, 1e-5);
  EXPECT_NEAR(HeadingDifferenceFolded(px, nx), 3.14159 - M_PI, 1e-5);  // a half turn folds to about 0
  EXPECT_EQ(HeadingDifferenceFolded(zero, px), 0.0f);
  EXPECT_NEAR(HeadingDifferenceFolded(zero, nz), 1.570795f, 1e-5);
}

TEST(VectorHelpers, FoldedHeadingIsSymmetric) {
  // Headings 3.5 apart either way: a vector at heading h is (cos h, 0, -sin h).
  auto at = [](double h) { return Vec3(float(std::cos(h)), 0.0f, float(-std::sin(h))); };
  const float plus = HeadingDifferenceFolded(at(-1.75), at(1.75));
  const float minus = HeadingDifferenceFolded(at(1.75), at(-1.75));
  EXPECT_NEAR(plus, -0.35841f, 1e-4);
  EXPECT_NEAR(minus, 0.35841f, 1e-4);
  EXPECT_NEAR(plus, -minus, 1e-6);
  for (double h = -3.0; h <= 3.0; h += 0.25) {
    const float f = HeadingDifferenceFolded(at(0.1), at(h));
    EXPECT_LE(std::fabs(f), 1.570795f + 1e-6f) << h;
  }
}

// kSquare lies in y = 0 with its normal along -y, so a centre at y = -d is d in front of it.
TEST(VectorHelpers, SphereAgainstPolygonByHand) {
  const Vector3 a(0, 0, 0), b(4, 0, 0);
  const Vector3 mid = ClosestPointOnLine(a, b, Vector3(1, 3, 0));
  EXPECT_EQ(mid.x, 1.0f);
  EXPECT_EQ(mid.y, 0.0f);
  EXPECT_EQ(ClosestPointOnLine(a, b, Vector3(-2, 1, 0)).x, 0.0f);
  EXPECT_EQ(ClosestPointOnLine(a, b, Vector3(9, 0, 0)).x, 4.0f);
  EXPECT_EQ(ClosestPointOnLine(b, b, Vector3(9, 0, 0)).x, 4.0f);  // a point, not a segment

  const Vector3 normal(0, -1, 0);
  float distance = 0.0f;
  EXPECT_EQ(ClassifySphere(Vector3(1, -0.5f, 1), normal, a, 1.0f, distance), 1);
  EXPECT_FLOAT_EQ(distance, 0.5f);
  EXPECT_EQ(ClassifySphere(Vector3(1, -1, 1), normal, a, 1.0f, distance), 2);  // touching: in front
  EXPECT_EQ(ClassifySphere(Vector3(1, 3, 1), normal, a, 1.0f, distance), 0);
  EXPECT_FLOAT_EQ(distance, -3.0f);

  // Cutting the plane over the square's far half (outside the triangle of its first three
  // corners) and 0.707 from the nearest edges.
  EXPECT_TRUE(SpherePolygonCollision(kSquare, Vector3(1.5f, -0.5f, 0.5f), 4, 0.6f));
  // Over no point of the square: only an edge within the radius counts.
  EXPECT_TRUE(SpherePolygonCollision(kSquare, Vector3(-0.5f, -0.5f, 1), 4, 0.75f));
  EXPECT_FALSE(SpherePolygonCollision(kSquare, Vector3(-0.5f, -0.5f, 1), 4, 0.7f));
  EXPECT_TRUE(EdgeSphereCollision(Vector3(-0.5f, -0.5f, 1), kSquare, 4, 0.75f));
  EXPECT_FALSE(SpherePolygonCollision(kSquare, Vector3(1, -3, 1), 4, 1.0f));  // wholly in front
  EXPECT_FALSE(SpherePolygonCollision(kSquare, Vector3(1, 0, 1), 2, 1.0f));   // no plane
  EXPECT_FALSE(EdgeSphereCollision(Vector3(1, 0, 1), kSquare, 0, 1.0f));

  const Vector3 out = GetCollisionOffset(normal, 1.0f, 0.5f);
  EXPECT_FLOAT_EQ(out.y, -0.5f);  // 0.5 further out along the normal
  EXPECT_FLOAT_EQ(GetCollisionOffset(normal, 1.0f, -0.25f).y, 0.75f);

  EXPECT_FLOAT_EQ(AngleBetween(Vec3(1, 0, 0), Vec3(0, 2, 0)), 1.5707964f);
  EXPECT_FLOAT_EQ(AngleBetween(Vec3(1, 1, 0), Vec3(-2, -2, 0)), 3.1415927f);
  EXPECT_EQ(AngleBetween(Vec3(0, 0, 0), Vec3(0, 2, 0)), 0.0f);
}

}  // namespace
