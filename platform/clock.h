// A monotonic counter and its frequency, and a coarser millisecond count for when the counter
// cannot be used; tests install fakes of all three.
#pragma once

#include <cstdint>

// Counts per second of PlatformCounter (nanoseconds: 1e9); 0 or less when the counter cannot be
// used.
int64_t PlatformFrequency();
// Monotonic count since an arbitrary start.
int64_t PlatformCounter();
// Milliseconds since an arbitrary start, wrapping around at 2^32 (about every 49.7 days).
uint32_t PlatformMilliseconds();
// Makes PlatformCounter return *counter (read at each call); nullptr restores the real clock.
void InstallFakeClock(const int64_t* counter);
// Makes PlatformFrequency return *frequency (read at each call); nullptr restores the real one.
void InstallFakeFrequency(const int64_t* frequency);
// Makes PlatformMilliseconds return *milliseconds (read at each call); nullptr restores the real one.
void InstallFakeMilliseconds(const uint32_t* milliseconds);
// Sleeps for a few milliseconds (used while the window is inactive).
void PlatformSleepMs(int ms);
