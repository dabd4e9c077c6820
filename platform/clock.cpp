#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace {
const int64_t* fakeCounter = nullptr;
const int64_t* fakeFrequency = nullptr;
const uint32_t* fakeMilliseconds = nullptr;
}  // namespace

int64_t PlatformFrequency() {
  if (fakeFrequency) return *fakeFrequency;
  return 1000000000;
}

int64_t PlatformCounter() {
  if (fakeCounter) return *fakeCounter;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t PlatformMilliseconds() {
  if (fakeMilliseconds) return *fakeMilliseconds;
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(ms);
}

void InstallFakeClock(const int64_t* counter) { fakeCounter = counter; }
void InstallFakeFrequency(const int64_t* frequency) { fakeFrequency = frequency; }
void InstallFakeMilliseconds(const uint32_t* milliseconds) { fakeMilliseconds = milliseconds; }

void PlatformSleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
