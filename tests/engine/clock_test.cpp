#include <gtest/gtest.h>

#include <cmath>

#include "engine/frame.h"
#include "platform/clock.h"

namespace {

// A fake counter in nanoseconds driving the frame timer.
class FrameClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    counter = 1'000'000'000;
    InstallFakeClock(&counter);
    ResetFrameClock();
    TimerInit();
    AdvanceFrameClock();  // first frame: previous readings were 0
  }
  void TearDown() override {
    InstallFakeClock(nullptr);
    InstallFakeFrequency(nullptr);
    InstallFakeMilliseconds(nullptr);
  }
  void Frame(double ms) {
    counter += static_cast<int64_t>(ms * 1e6);
    AdvanceFrameClock();
  }
  int64_t counter = 0;
};

}  // namespace

TEST_F(FrameClockTest, FrameStepIsHundredthsOfASecondCappedAtFiftyMilliseconds) {
  Frame(10.0);
  EXPECT_NEAR(frameStep, 1.0f, 1e-5f);
  EXPECT_NEAR(frameDelta, 0.1f, 1e-6f);
  Frame(49.0);
  EXPECT_NEAR(frameStep, 4.9f, 1e-4f);
  Frame(50.0);
  EXPECT_NEAR(frameStep, 5.0f, 1e-4f);
  // A single stall of two seconds advances the game by 50 ms, not by two seconds.
  const float before = gameClock;
  Frame(2000.0);
  EXPECT_FLOAT_EQ(frameStep, 5.0f);
  EXPECT_NEAR(gameClock - before, 50.0f, 1e-3f);
}

TEST_F(FrameClockTest, BackwardsClockTakesTheAbsoluteDifferenceCapped) {
  Frame(10.0);
  counter -= 20'000'000;  // 20 ms backwards
  AdvanceFrameClock();
  EXPECT_NEAR(frameStep, 2.0f, 1e-4f);
  EXPECT_LT(framesPerSecond, 0.0f);

  // The first frame after the timer restarts (window re-created) sees a large negative difference.
  counter += 3'000'000'000;  // three seconds in
  AdvanceFrameClock();
  TimerInit();
  counter += 10'000'000;
  AdvanceFrameClock();
  EXPECT_FLOAT_EQ(frameStep, 5.0f);
}

TEST_F(FrameClockTest, IncrementsSurviveHoursOfRunning) {
  counter += int64_t(30) * 3600 * 1'000'000'000;  // 30 hours
  AdvanceFrameClock();
  Frame(1.0);
  EXPECT_NEAR(frameStep, 0.1f, 1e-4f);
  Frame(0.25);
  EXPECT_NEAR(frameStep, 0.025f, 1e-4f);
  EXPECT_NEAR(framesPerSecond, 4000.0f, 1.0f);
}

// A platform whose counter reports no frequency: the timer runs on the millisecond count, also
// across its wrap at 2^32, and ignores the counter.
TEST_F(FrameClockTest, WithoutTheCounterTheMillisecondCountDrivesTheClockAcrossItsWrap) {
  const int64_t noFrequency = 0;
  uint32_t milliseconds = 0xFFFFFFF0u;  // 16 ms before the count wraps
  InstallFakeFrequency(&noFrequency);
  InstallFakeMilliseconds(&milliseconds);
  TimerInit();
  InstallFakeFrequency(nullptr);
  EXPECT_FALSE(frameTimer.performanceCounter);
  EXPECT_EQ(frameTimer.frequency, 1000);
  EXPECT_EQ(frameTimer.resolution, 0.001);
  EXPECT_EQ(frameTimer.mmStart, 0xFFFFFFF0u);
  EXPECT_EQ(frameTimer.mmElapsed, frameTimer.mmStart);

  ResetFrameClock();
  AdvanceFrameClock();
  counter += 5'000'000'000;  // the counter moves on; the timer does not read it
  milliseconds += 10;
  EXPECT_NEAR(TimerGetTime(), 10.0, 1e-9);
  AdvanceFrameClock();
  EXPECT_NEAR(frameStep, 1.0f, 1e-5f);
  milliseconds += 12;  // across the wrap
  EXPECT_NEAR(TimerGetTime(), 22.0, 1e-9);
  AdvanceFrameClock();
  EXPECT_NEAR(frameStep, 1.2f, 1e-5f);
}

TEST(LoadingPhase, PictureAndLoadThresholds) {
  ResetFrameClock();
  bool loadNow = false;
  frameStep = 0.0f;
  loadProgress = 6.99f;
  EXPECT_EQ(LoadingPhaseStep(loadNow), 0);
  loadProgress = 7.0f;
  EXPECT_EQ(LoadingPhaseStep(loadNow), 1);
  EXPECT_FALSE(loadNow);
  loadProgress = 8.0f;
  EXPECT_EQ(LoadingPhaseStep(loadNow), 1);
  EXPECT_FALSE(loadNow);  // exactly 8 s does not load yet
  frameStep = 1.0f;       // 10 ms more
  EXPECT_EQ(LoadingPhaseStep(loadNow), 1);
  EXPECT_TRUE(loadNow);
  EXPECT_NEAR(loadProgress, 8.01f, 1e-5f);
}

TEST(FpsText, NonFiniteAndOutOfRangeValues) {
  EXPECT_EQ(FpsDisplayValue(INFINITY), 0);
  EXPECT_EQ(FpsDisplayValue(-INFINITY), 0);
  EXPECT_EQ(FpsDisplayValue(NAN), 0);
  EXPECT_EQ(FpsDisplayValue(-35.0f), 0);
  EXPECT_EQ(FpsDisplayValue(59.9f), 59);
  EXPECT_EQ(FpsDisplayValue(1e9f), 9999);
}
