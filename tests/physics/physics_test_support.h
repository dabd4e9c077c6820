// Helpers shared by the physics tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "physics/physics.h"
#include "physics/world/simulator.h"

// Counts live blocks and can fail the k-th allocation.
class CountingAllocator : public Allocator {
 public:
  void* Alloc(size_t size, int) override {
    ++calls;
    if (failAt > 0 && calls == failAt) return nullptr;
    void* p = std::malloc(size > 0 ? size : 1);
    live.insert(p);
    return p;
  }
  void Free(void* block) override {
    if (live.erase(block) == 0) ++badFrees;
    std::free(block);
  }
  ~CountingAllocator() override {
    for (void* p : live) std::free(p);
  }
  int calls = 0;
  int failAt = 0;
  int badFrees = 0;
  std::set<void*> live;
};

// Collects log messages.
inline std::vector<std::string>& LogLines() {
  static std::vector<std::string> lines;
  return lines;
}
inline void CollectLog(char* message) { LogLines().push_back(message); }

inline phys::SimulatorImpl* World(Simulator* s) { return static_cast<phys::SimulatorImpl*>(s); }
inline phys::RigidBodyImpl* Body(RigidBody* b) { return static_cast<phys::RigidBodyImpl*>(b); }

inline void ExpectNear3(const Vec3& v, const Vec3& want, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, want.x, tol);
  EXPECT_NEAR(v.y, want.y, tol);
  EXPECT_NEAR(v.z, want.z, tol);
}
