// Broad-phase update cost per moving body.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics/world/simulator.h"

using namespace phys;

static void BM_BroadPhaseUpdate(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  SimulatorSizeInfo info;
  info.rigidBodiesCount = n;
  info.animatedBodiesCount = 0;
  info.rigidParticleCount = 0;
  info.geometriesCount = n;
  info.overlappedPairsCount = n * 20;
  Simulator* sim = CreateSimulator(info, nullptr, nullptr);
  SimulatorImpl* w = static_cast<SimulatorImpl*>(sim);
  std::mt19937 rng(42);
  // About four neighbours per body: spheres of diameter 2.5 spread over a square arena.
  const float side = std::sqrt(static_cast<float>(n)) * 3.0f;
  std::uniform_real_distribution<float> pos(-side * 0.5f, side * 0.5f);
  std::vector<RigidBodyImpl*> bodies;
  for (int i = 0; i < n; ++i) {
    RigidBody* b = sim->CreateRigidBody();
    b->AddGeometry()->SetSphereDiameter(2.5f);
    b->UpdateBoundingInfo();
    b->SetPos(Vec3(pos(rng), 1.25f + pos(rng) * 0.05f, pos(rng)));
    bodies.push_back(static_cast<RigidBodyImpl*>(b));
  }
  for (RigidBodyImpl* b : bodies) UpdateBodyBoundingBox(b);
  w->region.Update();
  std::vector<Vec3> velocity(bodies.size());
  std::uniform_real_distribution<float> v(-0.05f, 0.05f);
  for (Vec3& x : velocity) x = Vec3(v(rng), 0, v(rng));
  size_t frame = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < bodies.size(); ++i) {
      Vec3& p = bodies[i]->pose.position;
      p += velocity[i];
      if (std::fabs(p.x) > side * 0.5f) velocity[i].x = -velocity[i].x;
      if (std::fabs(p.z) > side * 0.5f) velocity[i].z = -velocity[i].z;
      UpdateBodyBoundingBox(bodies[i]);
    }
    w->region.Update();
    benchmark::DoNotOptimize(w->region.pairs.count);
    ++frame;
  }
  state.counters["pairs"] = static_cast<double>(w->region.pairs.count);
  state.counters["per_body"] = benchmark::Counter(static_cast<double>(n),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  DestroySimulator(sim);
}
BENCHMARK(BM_BroadPhaseUpdate)->Arg(50)->Arg(500)->Arg(2000);
