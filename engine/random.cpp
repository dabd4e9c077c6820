#include "engine/random.h"

namespace {
uint32_t randomState = 1;
}

void GameSrand(uint32_t seed) { randomState = seed; }

int GameRand() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7fff);
}

uint32_t GameRandState() { return randomState; }
