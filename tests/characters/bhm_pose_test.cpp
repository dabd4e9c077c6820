// Frame stepping, quaternions and interpolation of tags and vertices.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/formats/bhm_pose.h"

namespace {

ModelPart AnimatedPart(int start, int end, int fps) {
  ModelPart p;
  p.numOfFrames = 40;
  p.animations = {{"LEGS_RUN", start, end, 0, fps}};
  p.numOfAnimations = 1;
  p.currentFrame = start;
  return p;
}

TEST(PartFrames, FramesRunStartToEndAndWrap) {
  ModelPart p = AnimatedPart(10, 20, 10);
  std::vector<int> seen;
  float clock = 0.0f;
  for (int i = 0; i < 12; ++i) {
    clock += 100.0f;
    UpdatePartFrames(p, clock);
    seen.push_back(p.currentFrame);
  }
  const std::vector<int> expected = {11, 12, 13, 14, 15, 16, 17, 18, 19, 10, 11, 12};
  EXPECT_EQ(seen, expected);
  p.currentFrame = 19;
  p.lastTime = clock;
  UpdatePartFrames(p, clock);
  EXPECT_EQ(p.nextFrame, 10);
}

TEST(PartFrames, OneFramePerCallAndTClamped) {
  ModelPart p = AnimatedPart(0, 10, 20);  // 50 ms a frame
  p.lastTime = 1000.0f;
  UpdatePartFrames(p, 1120.0f);
  EXPECT_EQ(p.currentFrame, 1);
  EXPECT_FLOAT_EQ(p.lastTime, 1050.0f);
  EXPECT_FLOAT_EQ(p.t, 1.0f);  // 1.4 would extrapolate past the next frame
  UpdatePartFrames(p, 1120.0f);
  EXPECT_EQ(p.currentFrame, 2);
  EXPECT_FLOAT_EQ(p.lastTime, 1100.0f);
  EXPECT_NEAR(p.t, 0.4f, 1e-5);
  UpdatePartFrames(p, 1125.0f);
  EXPECT_EQ(p.currentFrame, 2);
  EXPECT_NEAR(p.t, 0.5f, 1e-5);
}

TEST(PartFrames, ResynchronisesAfterALongGapOrAClockJump) {
  ModelPart p = AnimatedPart(0, 10, 20);
  p.lastTime = 0.0f;
  UpdatePartFrames(p, 60000.0f);
  EXPECT_EQ(p.currentFrame, 1);
  EXPECT_FLOAT_EQ(p.lastTime, 60000.0f);
  EXPECT_FLOAT_EQ(p.t, 0.0f);
  UpdatePartFrames(p, 100.0f);  // the clock went back
  EXPECT_FLOAT_EQ(p.lastTime, 100.0f);
  EXPECT_GE(p.t, 0.0f);
  EXPECT_LE(p.t, 1.0f);
}

TEST(PartFrames, ZeroRatesAndEmptyRangesNeverDivideByZero) {
  ModelPart p = AnimatedPart(3, 8, 0);
  p.currentFrame = 3;
  UpdatePartFrames(p, 5000.0f);
  EXPECT_EQ(p.currentFrame, 3);
  EXPECT_EQ(p.nextFrame, 4);
  EXPECT_FLOAT_EQ(p.t, 0.0f);
  p.animations[0].framesPerSecond = -5;
  UpdatePartFrames(p, 9000.0f);
  EXPECT_EQ(p.currentFrame, 3);
  ModelPart q = AnimatedPart(0, 0, 10);
  UpdatePartFrames(q, 10.0f);
  EXPECT_EQ(q.nextFrame, 0);
  ModelPart still;  // no animations: frame 0 for ever
  UpdatePartFrames(still, 123456.0f);
  EXPECT_EQ(still.currentFrame, 0);
  EXPECT_EQ(still.nextFrame, 0);
  still.currentAnim = 7;  // an index beyond the list is ignored
  UpdatePartFrames(still, 1.0f);
  EXPECT_EQ(still.nextFrame, 0);
}

void RotationMatrix(double axisX, double axisY, double axisZ, double degrees, float out3[9]) {
  const double len = std::sqrt(axisX * axisX + axisY * axisY + axisZ * axisZ);
  const double x = axisX / len, y = axisY / len, z = axisZ / len;
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), C = 1 - c;
  // Columns of the rotation (OpenGL order).
  const double r[3][3] = {{x * x * C + c, x * y * C - z * s, x * z * C + y * s},
                          {y * x * C + z * s, y * y * C + c, y * z * C - x * s},
                          {z * x * C - y * s, z * y * C + x * s, z * z * C + c}};
  for (int col = 0; col < 3; ++col)
    for (int row = 0; row < 3; ++row) out3[col * 3 + row] = static_cast<float>(r[row][col]);
}

TEST(Quaternions, MatrixRoundTripInEveryBranch) {
  struct Rot {
    double x, y, z, deg;
  } rots[] = {{0, 0, 1, 0},    {0, 0, 1, 37},    {1, 2, 3, 120},  {1, 0, 0, 180}, {0, 1, 0, 180},
              {0, 0, 1, 180},  {1, 1, 0, 180},   {1, 0.2, 0.1, 179}, {0.1, 1, 0.3, 178}, {0.2, 0.1, 1, 179.5},
              {-1, 1, 1, 250}};
  for (const Rot& r : rots) {
    float in[9];
    RotationMatrix(r.x, r.y, r.z, r.deg, in);
    Quaternion q;
    q.CreateFromMatrix(in, 3);
    float m[16];
    q.CreateMatrix(m);
    for (int col = 0; col < 3; ++col)
      for (int row = 0; row < 3; ++row)
        EXPECT_NEAR(m[col * 4 + row], in[col * 3 + row], 2e-5) << r.deg << " col " << col << " row " << row;
    EXPECT_FLOAT_EQ(m[15], 1.0f);
    EXPECT_FLOAT_EQ(m[12], 0.0f);
  }
  Quaternion unchanged(0.1f, 0.2f, 0.3f, 0.4f);
  float any[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  unchanged.CreateFromMatrix(any, 2);
  EXPECT_FLOAT_EQ(unchanged.w, 0.4f);
  unchanged.CreateFromMatrix(any, 4);
  EXPECT_FLOAT_EQ(unchanged.w, 1.0f);
}

TEST(Quaternions, SlerpTakesTheShortArc) {
  const Quaternion q(0.0f, 0.0f, std::sin(0.3f), std::cos(0.3f));
  const Quaternion minus(-q.x, -q.y, -q.z, -q.w);
  const Quaternion r = Quaternion::Slerp(q, minus, 0.7f);
  EXPECT_NEAR(r.z, q.z, 1e-6);
  EXPECT_NEAR(r.w, q.w, 1e-6);
  const Quaternion same = Quaternion::Slerp(q, q, 0.3f);
  EXPECT_EQ(same.z, q.z);
  // Halfway between no turn and a quarter turn about Z is an eighth of a turn.
  const Quaternion id;
  const Quaternion quarter(0.0f, 0.0f, std::sqrt(0.5f), std::sqrt(0.5f));
  const Quaternion half = Quaternion::Slerp(id, quarter, 0.5f);
  EXPECT_NEAR(half.z, std::sin(M_PI / 8), 1e-6);
  EXPECT_NEAR(half.w, std::cos(M_PI / 8), 1e-6);
  // Close quaternions blend linearly.
  const Quaternion near(0.0f, 0.0f, std::sin(0.01f), std::cos(0.01f));
  const Quaternion lin = Quaternion::Slerp(id, near, 0.5f);
  EXPECT_NEAR(lin.z, 0.5 * std::sin(0.01), 1e-7);
}

TEST(Interpolation, TagsBlendOriginAndRotation) {
  ModelPart p;
  p.numOfFrames = 2;
  p.numOfTags = 1;
  Tag a, b;
  a.name = b.name = "tag_torso";
  a.origin = {0, 0, 0};
  b.origin = {10, -4, 2};
  RotationMatrix(0, 0, 1, 90, b.axis);
  p.tags = {a, b};
  p.links = {nullptr};
  p.currentFrame = 0;
  p.nextFrame = 1;
  p.t = 0.5f;
  float m[16];
  ASSERT_TRUE(InterpolatedTagMatrix(p, 0, m));
  EXPECT_FLOAT_EQ(m[12], 5.0f);
  EXPECT_FLOAT_EQ(m[13], -2.0f);
  EXPECT_FLOAT_EQ(m[14], 1.0f);
  EXPECT_NEAR(m[0], std::cos(M_PI / 4), 1e-6);  // the X axis turned by 45 degrees
  EXPECT_NEAR(m[1], std::sin(M_PI / 4), 1e-6);
  EXPECT_FALSE(InterpolatedTagMatrix(p, 1, m));
  p.currentFrame = 9;  // a frame beyond the tags uses the last one
  p.nextFrame = 9;
  ASSERT_TRUE(InterpolatedTagMatrix(p, 0, m));
  EXPECT_FLOAT_EQ(m[12], 10.0f);
}

TEST(Interpolation, VerticesBlendAndStayInsideTheMesh) {
  MeshObject m;
  m.numOfVerts = 2;
  m.numOfFrames = 2;
  m.vertices = {{0, 0, 0}, {1, 1, 1}, {4, 0, -2}, {1, 3, 1}};
  BhmVec3 v = InterpolatedVertex(m, 0, 1, 0.25f, 0);
  EXPECT_FLOAT_EQ(v.x, 1.0f);
  EXPECT_FLOAT_EQ(v.z, -0.5f);
  v = InterpolatedVertex(m, 0, 1, 1.0f, 1);
  EXPECT_FLOAT_EQ(v.y, 3.0f);
  v = InterpolatedVertex(m, 5, -3, 0.0f, 0);  // frames clamped to the mesh's own
  EXPECT_FLOAT_EQ(v.x, 4.0f);
  v = InterpolatedVertex(m, 0, 1, 0.5f, 7);
  EXPECT_FLOAT_EQ(v.x, 0.0f);
}

}  // namespace
