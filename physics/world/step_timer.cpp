// Step timer: per-phase times of the step on a monotonic counter, and the performance report.
#include <chrono>
#include <new>

#include "physics/world/simulator.h"

namespace {

uint64_t SteadyCounter() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

PhysicsClockFunction clockCounter = SteadyCounter;
uint64_t clockFrequency = 1000000000ull;
// The process-wide last mark.
uint64_t lastMark = 0;

// An empty routine whose call the calibration times; kept out of line and opaque to the optimiser.
__attribute__((noinline)) void TimerCalibrationProbe() { __asm__ __volatile__("" ::: "memory"); }

}  // namespace

void SetPhysicsClock(PhysicsClockFunction counter, uint64_t frequency) {
  if (counter) {
    clockCounter = counter;
    clockFrequency = frequency;
  } else {
    clockCounter = SteadyCounter;
    clockFrequency = 1000000000ull;
  }
}

namespace phys {

StepTimer* NewStepTimer() { return new (std::nothrow) StepTimer(); }

void StepTimer::Init() {
  for (float& s : slots) s = 0.0f;
  shift = 0;
  overhead = 0;
  if (clockFrequency == 0) return;
  overhead = 200;
  for (int i = 0; i < 20; ++i) {
    const uint64_t a = clockCounter();
    TimerCalibrationProbe();
    const uint64_t b = clockCounter();
    const int64_t d = b >= a ? static_cast<int64_t>(b - a) : -1;
    if (d >= 0 && d < overhead) overhead = static_cast<int32_t>(d);
  }
  uint32_t high = static_cast<uint32_t>(clockFrequency >> 32);
  while (high) {
    high >>= 1;
    ++shift;
  }
}

void StepTimer::Reset() {
  for (float& s : slots) s = 0.0f;
  lastMark = clockCounter();
}

double StepTimer::Elapsed() {
  const uint64_t now = clockCounter();
  uint64_t before = lastMark;
  lastMark = now;
  uint64_t frequency = clockFrequency;
  uint64_t over = static_cast<uint64_t>(overhead);
  uint64_t current = now;
  if (shift > 0) {
    before >>= shift;
    current >>= shift;
    frequency >>= shift;
    over >>= shift;
  }
  if (frequency == 0) return 0.0;
  // A 64-bit difference; a counter that went backwards, or a stretch shorter than the read
  // overhead, counts as 0.
  if (current < before) return 0.0;
  const uint64_t ticks = current - before;
  if (ticks <= over) return 0.0;
  return static_cast<double>(ticks - over) / static_cast<double>(frequency);
}

float StepTimer::Total() const {
  float t = 0.0f;
  for (int i = 8; i >= 0; --i) t += slots[i];
  return t;
}

void FillPerformanceReport(PerformanceReport* report, const StepTimer& timer) {
  const float t = timer.Total();
  if (report->mode == 1) {
    report->result = t;
    return;
  }
  if (t < 100.0f) {
    report->sampleCount += 1;
    report->total += t;
    report->result = report->total / static_cast<float>(report->sampleCount);
  }
}

}  // namespace phys
