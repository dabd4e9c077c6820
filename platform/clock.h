// A monotonic counter and its frequency; tests install a fake counter.
#pragma once

#include <cstdint>

// Counts per second of PlatformCounter (nanoseconds: 1e9).
int64_t PlatformFrequency();
// Monotonic count since an arbitrary start.
int64_t PlatformCounter();
// Makes PlatformCounter return *counter (read at each call); nullptr restores the real clock.
void InstallFakeClock(const int64_t* counter);
// Sleeps for a few milliseconds (used while the window is inactive).
void PlatformSleepMs(int ms);
