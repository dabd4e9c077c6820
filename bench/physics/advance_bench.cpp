// The game's hot path: one Advance of sphere bodies on a terrain mesh, per body and step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "bench/physics/grid_mesh.h"
#include "physics/physics.h"

namespace {

struct Arena {
  std::vector<Vec3> verts;
  std::vector<Triangle> tris;
  // An n x n grid of quads over [-size, size]^2 with gentle bumps and a low wall around it.
  Arena(int n, float size) {
    for (int j = 0; j <= n; ++j) {
      for (int i = 0; i <= n; ++i) {
        const float x = -size + 2.0f * size * i / n, z = -size + 2.0f * size * j / n;
        const bool rim = i == 0 || j == 0 || i == n || j == n;
        verts.emplace_back(x, rim ? 4.0f : 0.3f * std::sin(x * 0.4f) * std::cos(z * 0.3f), z);
      }
    }
    tris = GridTriangles(n);
  }
};

void RunAdvance(benchmark::State& state, int bodies, int grid, float size) {
  Arena arena(grid, size);
  SimulatorSizeInfo info;
  info.rigidBodiesCount = bodies;
  info.geometriesCount = bodies;
  info.overlappedPairsCount = bodies * 8;
  info.terrainNodesStartCount = 400;
  Vec3 g(0, -4, 0);
  Simulator* sim = CreateSimulator(info, nullptr, &g);
  sim->SetMaterial(0, 0.0f, 0.1f);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> pos(-size * 0.8f, size * 0.8f);
  std::vector<RigidBody*> spheres;
  for (int i = 0; i < bodies; ++i) {
    RigidBody* b = sim->CreateRigidBody();
    b->SetSleepThreshold(0.01f);
    b->SetCollideConnected(true);
    b->AddGeometry()->SetSphereDiameter(2.5f);
    b->UpdateBoundingInfo();
    b->SetPos(Vec3(pos(rng), 1.5f, pos(rng)));
    spheres.push_back(b);
  }
  TerrainMesh mesh;
  mesh.vertices = arena.verts.data();
  mesh.vertexCount = static_cast<int32_t>(arena.verts.size());
  mesh.triangles = arena.tris.data();
  mesh.triangleCount = static_cast<int32_t>(arena.tris.size());
  sim->SetTerrainMesh(&mesh);
  for (int i = 0; i < 50; ++i) sim->Advance(0.028f, 3, nullptr);  // settle
  std::uniform_real_distribution<float> push(-3.0f, 3.0f);
  size_t frame = 0;
  for (auto _ : state) {
    for (RigidBody* b : spheres) {
      b->SetAngularMomentum(Vec3());
      if ((frame & 31) == 0) b->SetForce(Vec3(push(rng), 0, push(rng)));
    }
    sim->Advance(0.028f, 3, nullptr);
    ++frame;
  }
  state.counters["per_body_step"] = benchmark::Counter(static_cast<double>(bodies) * 3.0,
                                                       benchmark::Counter::kIsIterationInvariantRate |
                                                           benchmark::Counter::kInvert);
  state.counters["triangles"] = static_cast<double>(arena.tris.size());
  DestroySimulator(sim);
}

void BM_Advance6SpheresOn3kTriangles(benchmark::State& state) { RunAdvance(state, 6, 39, 60.0f); }
void BM_Advance500SpheresOn20kTriangles(benchmark::State& state) { RunAdvance(state, 500, 100, 150.0f); }

}  // namespace

BENCHMARK(BM_Advance6SpheresOn3kTriangles);
BENCHMARK(BM_Advance500SpheresOn20kTriangles);
