#include <gtest/gtest.h>

#include <cstring>

#include "math/vec3_inline.h"

TEST(Vec3, LengthTreatsTinySquaresAsZero) {
  EXPECT_EQ(Vec3(0.0005f, 0, 0).Length(), 0.0f);
  EXPECT_FLOAT_EQ(Vec3(3, 4, 0).Length(), 5.0f);
  // |x| = 1e-3 gives a square of exactly the threshold: not zero.
  EXPECT_GT(Vec3(0.0011f, 0, 0).Length(), 0.0f);
}

TEST(Vec3, NormalizeOfZeroAndTinyVectorsIsZero) {
  Vec3 z;
  z.Normalize();
  EXPECT_EQ(z.x, 0.0f);
  EXPECT_EQ(z.y, 0.0f);
  EXPECT_EQ(z.z, 0.0f);
  Vec3 tiny(0.0005f, 0, 0);
  tiny.Normalize();
  EXPECT_EQ(tiny.x, 0.0f);
  Vec3 v(0, 0, -2);
  v.Normalize();
  EXPECT_FLOAT_EQ(v.z, -1.0f);
}

TEST(Vec3, FourthWordIsAlwaysZeroed) {
  // Results of every operation must carry a zero fourth word: vectors are copied byte for byte
  // into datagrams.
  Vec3 a(1, 2, 3), b(4, 5, 6);
  a.w = 7.0f;
  b.w = 9.0f;
  const Vec3 results[] = {a + b, a - b, -a, a * 2.0f, 2.0f * a, Vec3Cross(a, b)};
  for (const Vec3& r : results) EXPECT_EQ(r.w, 0.0f);
  a.Set(1, 1, 1);
  EXPECT_EQ(a.w, 0.0f);
  b *= 3.0f;
  EXPECT_EQ(b.w, 0.0f);
}

TEST(Vec3, IndexReturnsComponents) {
  Vec3 v(1, 2, 3);
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(v[1], 2.0f);
  EXPECT_EQ(v[2], 3.0f);
  v[1] = 5.0f;
  EXPECT_EQ(v.y, 5.0f);
}

TEST(Vec3DeathTest, IndexOutOfRangeAsserts) {
  Vec3 v(1, 2, 3);
  EXPECT_DEATH((void)v[3], "I <= 2");
  EXPECT_DEATH((void)v[-1], "I >= 0");
}

TEST(Records, Defaults) {
  Triangle t;
  const int32_t want[6] = {-1, -1, -1, 0, 0, 0};
  EXPECT_EQ(std::memcmp(&t, want, sizeof want), 0);
  SimulatorSizeInfo s;
  const int32_t sizes[12] = {50, 50, 50, 50, 1225, 50, 100, 100, 2000, 100, 200, -1};
  EXPECT_EQ(std::memcmp(&s, sizes, sizeof sizes), 0);
}

TEST(Records, IdentityTransformAndQuaternion) {
  float m[16];
  Transform::Identity().ToMatrix16(m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i == 0 || i == 5 || i == 10 || i == 15) ? 1.0f : 0.0f) << i;
  const Mat3 r = Quat(0, 0, 0, 1).ToMat3();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(r.row[i][j], i == j ? 1.0f : 0.0f);
}

TEST(Records, QuaternionRowsAreAxisImages) {
  // A quarter turn about +y maps local x to world -z: row 0 is (0, 0, -1).
  const float s = std::sqrt(0.5f);
  const Mat3 r = Quat(0, s, 0, s).ToMat3();
  EXPECT_NEAR(r.row[0].x, 0.0f, 1e-6f);
  EXPECT_NEAR(r.row[0].z, -1.0f, 1e-6f);
  const Vec3 p = Transform{r, Vec3(1, 2, 3)}.Apply(Vec3(1, 0, 0));
  EXPECT_NEAR(p.x, 1.0f, 1e-6f);
  EXPECT_NEAR(p.z, 2.0f, 1e-6f);
}
