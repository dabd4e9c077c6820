// The character animation file and the animation clamping.
#include <gtest/gtest.h>

#include "engine/formats/bhm_file.h"

namespace {

TEST(AnimationConfig, SkipsHeaderAndCommentLinesAndSortsByName) {
  const std::string text =
      "// animation config file\r\n"
      "sex m\r\n"
      "headoffset 0 0 0\r\n"
      "footsteps normal\r\n"
      "\r\n"
      "30\t10\t10\t20\t\t// BOTH_DEATH1\r\n"
      "40 5 0 15 // TORSO_GESTURE\r\n"
      "45 4 4 10 // TORSO_ATTACK\r\n"
      "120 8 8 20 // LEGS_WALKCR\r\n"
      "150 10 10 20 // LEGS_RUN\r\n"
      "160 1 0 10 // SOMETHING_ELSE\r\n";
  std::vector<AnimationInfo> upper, lower;
  ParseAnimationConfig(text, upper, lower);
  ASSERT_EQ(upper.size(), 3u);
  ASSERT_EQ(lower.size(), 3u);
  EXPECT_EQ(upper[0].name, "BOTH_DEATH1");
  EXPECT_EQ(upper[0].startFrame, 30);
  EXPECT_EQ(upper[0].endFrame, 40);
  EXPECT_EQ(upper[0].loopingFrames, 10);
  EXPECT_EQ(upper[0].framesPerSecond, 20);
  EXPECT_EQ(lower[0].name, "BOTH_DEATH1");
  EXPECT_EQ(lower[0].startFrame, 30);
  EXPECT_EQ(lower[0].endFrame, 40);
  EXPECT_EQ(upper[1].name, "TORSO_GESTURE");
  EXPECT_EQ(upper[2].endFrame, 49);
  // The legs offset: the fourth line's first frame minus the first line's (120 - 30).
  EXPECT_EQ(lower[1].name, "LEGS_WALKCR");
  EXPECT_EQ(lower[1].startFrame, 30);
  EXPECT_EQ(lower[1].endFrame, 38);
  EXPECT_EQ(lower[2].startFrame, 60);
  for (const auto& a : upper) EXPECT_EQ(a.name.find('\r'), std::string::npos);
}

TEST(AnimationConfig, LegsOffsetFromTheFourthLine) {
  const std::string text =
      "0 10 0 10 // TORSO_A\n10 10 0 10 // TORSO_B\n20 100 0 10 // TORSO_C\n"
      "120 30 0 10 // LEGS_A\n150 10 0 20 // LEGS_B\n";
  std::vector<AnimationInfo> upper, lower;
  ParseAnimationConfig(text, upper, lower);
  ASSERT_EQ(lower.size(), 2u);
  EXPECT_EQ(lower[0].startFrame, 0);
  EXPECT_EQ(lower[1].startFrame, 30);
  EXPECT_EQ(lower[1].endFrame, 40);
}

TEST(AnimationConfig, LegsLineBeforeTheFourthTakesNoOffset) {
  const std::string text = "5 10 0 10 // LEGS_A\n20 10 0 10 // TORSO_B\n30 10 0 10 // TORSO_C\n"
                           "40 10 0 10 // LEGS_D\n";
  std::vector<AnimationInfo> upper, lower;
  ParseAnimationConfig(text, upper, lower);
  ASSERT_EQ(lower.size(), 2u);
  EXPECT_EQ(lower[0].startFrame, 5);
  EXPECT_EQ(lower[1].startFrame, 40);  // the offset stays what the first legs line fixed
}

TEST(AnimationConfig, ReadsAtMostEightLines) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += std::to_string(i * 10) + " 10 0 10 // TORSO_" + std::to_string(i) + "\n";
  std::vector<AnimationInfo> upper, lower;
  ParseAnimationConfig(text, upper, lower);
  ASSERT_EQ(upper.size(), 8u);
  EXPECT_EQ(upper.back().name, "TORSO_7");
}

TEST(AnimationConfig, BoundsNamesAndStopsAtACutOffLine) {
  const std::string longName(600, 'L');
  std::vector<AnimationInfo> upper, lower;
  ParseAnimationConfig("0 1 0 10 // TORSO_" + longName + "\n1 2 0", upper, lower);
  ASSERT_EQ(upper.size(), 1u);
  EXPECT_LE(upper[0].name.size(), 254u);
  ParseAnimationConfig("", upper, lower);
  EXPECT_TRUE(upper.empty());
  EXPECT_TRUE(lower.empty());
  ParseAnimationConfig("99999999999999999999 99999999999 0 10 // TORSO_HUGE\n", upper, lower);
  ASSERT_EQ(upper.size(), 1u);
  EXPECT_GE(upper[0].endFrame, upper[0].startFrame);
}

TEST(AnimationConfig, IsInString) {
  EXPECT_TRUE(IsInString("LEGS_RUN", "LEGS"));
  EXPECT_TRUE(IsInString("X_BOTH", "BOTH"));
  EXPECT_FALSE(IsInString("legs_run", "LEGS"));
  EXPECT_FALSE(IsInString("", "LEGS"));
  EXPECT_FALSE(IsInString("LEGS", ""));
}

TEST(AnimationConfig, ClampsAnimationsToThePartsFrames) {
  ModelPart part;
  part.numOfFrames = 20;
  part.animations = {{"A", 0, 10, 0, 10}, {"B", 15, 40, 0, 10}, {"C", 25, 30, 0, 10},
                     {"D", 5, 0, 0, 10},  {"E", -5, 3, 0, 0}};
  part.currentAnim = 4;
  ClampAnimationsToFrames(part);
  ASSERT_EQ(part.numOfAnimations, 3);
  EXPECT_EQ(part.animations[0].name, "A");
  EXPECT_EQ(part.animations[1].name, "B");
  EXPECT_EQ(part.animations[1].endFrame, 20);
  EXPECT_EQ(part.animations[2].name, "E");
  EXPECT_EQ(part.animations[2].startFrame, 0);
  EXPECT_EQ(part.currentAnim, 0);
  ModelPart empty;
  empty.animations = {{"A", 0, 10, 0, 10}};
  ClampAnimationsToFrames(empty);
  EXPECT_EQ(empty.numOfAnimations, 0);
}

}  // namespace
