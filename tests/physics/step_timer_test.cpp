#include <gtest/gtest.h>

#include "physics_test_support.h"

using namespace phys;

namespace {

uint64_t fakeNow = 0;
uint64_t fakeTick = 0;
// Every read advances the fake counter by `fakeTick`.
uint64_t FakeCounter() {
  const uint64_t now = fakeNow;
  fakeNow += fakeTick;
  return now;
}

struct TimerTest : ::testing::Test {
  void SetUp() override {
    fakeNow = 1000;
    fakeTick = 0;
    SetPhysicsClock(FakeCounter, 1000);
  }
  void TearDown() override { SetPhysicsClock(nullptr, 0); }
};

}  // namespace

TEST_F(TimerTest, SlotsAreChargedWithTheStretchEndingAtTheirMark) {
  StepTimer t;
  t.Init();
  EXPECT_EQ(t.overhead, 0);
  EXPECT_EQ(t.shift, 0);
  t.Reset();
  fakeNow += 250;
  t.Add(kSlotBroadPhase);
  fakeNow += 1500;
  t.Add(kSlotTerrain);
  fakeNow += 10;
  t.Add(kSlotBroadPhase);
  EXPECT_FLOAT_EQ(t.slots[kSlotBroadPhase], 0.26f);
  EXPECT_FLOAT_EQ(t.slots[kSlotTerrain], 1.5f);
  EXPECT_FLOAT_EQ(t.Total(), 1.76f);
  // A counter that goes backwards counts as no time, not as a wrapped difference.
  fakeNow -= 500;
  EXPECT_EQ(t.Elapsed(), 0.0);
  t.Reset();
  EXPECT_EQ(t.Total(), 0.0f);
}

TEST_F(TimerTest, CalibrationMeasuresTheReadOverhead) {
  fakeTick = 3;
  StepTimer t;
  t.Init();
  EXPECT_EQ(t.overhead, 3);
  t.Reset();
  fakeNow += 100;
  // 100 ticks plus the 3 of the read itself, less the overhead.
  EXPECT_NEAR(t.Elapsed(), 0.1, 1e-9);
  // Frequencies above 32 bits are shifted down.
  SetPhysicsClock(FakeCounter, 1ull << 33);
  StepTimer wide;
  wide.Init();
  EXPECT_EQ(wide.shift, 2);
}

TEST_F(TimerTest, ReportModes) {
  StepTimer t;
  t.slots[0] = 2.0f;
  t.slots[8] = 1.0f;
  PerformanceReport r;
  r.mode = 1;
  FillPerformanceReport(&r, t);
  EXPECT_FLOAT_EQ(r.result, 3.0f);
  EXPECT_EQ(r.sampleCount, 0);
  r = PerformanceReport();
  FillPerformanceReport(&r, t);
  t.slots[0] = 4.0f;
  FillPerformanceReport(&r, t);
  EXPECT_EQ(r.sampleCount, 2);
  EXPECT_FLOAT_EQ(r.result, 4.0f);  // mean of 3 and 5
  // A total of 100 s or more is not counted.
  t.slots[0] = 100.0f;
  r.result = 0.0f;
  FillPerformanceReport(&r, t);
  EXPECT_EQ(r.sampleCount, 2);
  EXPECT_EQ(r.result, 0.0f);
}

TEST_F(TimerTest, AdvanceWithAReportTimesItsPhases) {
  fakeTick = 7;  // the calibration sees 7 ticks per read pair
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, nullptr);
  fakeTick = 50;
  RigidBody* b = sim->CreateRigidBody();
  b->AddGeometry();
  b->UpdateBoundingInfo();
  PerformanceReport r;
  r.mode = 1;
  r.phases[3] = 9.0f;
  sim->Advance(0.02f, 2, &r);
  EXPECT_GT(r.result, 0.0f);
  EXPECT_EQ(r.phases[3], 0.0f);
  const float first = r.result;
  sim->Advance(0.02f, 2, &r);
  EXPECT_FLOAT_EQ(r.result, first);  // independent totals in mode 1
  // Without a report nothing is read from the clock.
  const uint64_t before = fakeNow;
  sim->Advance(0.02f, 2, nullptr);
  EXPECT_EQ(fakeNow, before);
  DestroySimulator(sim);
}
