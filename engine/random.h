// The process-wide pseudo-random generator: a 32-bit linear congruential state, seeded at every
// window creation. Never the C library's rand, so sequences are the same on every platform.
#pragma once

#include <cstdint>

void GameSrand(uint32_t seed);
// Next value, 0..32767.
int GameRand();
uint32_t GameRandState();
