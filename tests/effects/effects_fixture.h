// Every effect pool and flag back at its start-up value around each test, with a fixed random seed.
#pragma once

#include <gtest/gtest.h>

#include "engine/random.h"
#include "game/effects.h"

class Effects : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEffects();
    GameSrand(1234);
  }
  void TearDown() override { ResetEffects(); }
};
