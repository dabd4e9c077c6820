#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace {
const int64_t* fakeCounter = nullptr;
}

int64_t PlatformFrequency() { return 1000000000; }

int64_t PlatformCounter() {
  if (fakeCounter) return *fakeCounter;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void InstallFakeClock(const int64_t* counter) { fakeCounter = counter; }

void PlatformSleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
