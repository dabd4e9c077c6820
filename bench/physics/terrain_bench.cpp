// Terrain-tree query cost on a 20,000-triangle mesh.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/physics/grid_mesh.h"
#include "physics/world/simulator.h"

using namespace phys;

static void BM_TerrainQuery(benchmark::State& state) {
  // 100 x 100 quads, two triangles each, gently rolling, over 200 x 200 units.
  const int n = 100;
  std::vector<Vec3> verts;
  std::vector<Triangle> tris;
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> bump(-0.3f, 0.3f);
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) verts.emplace_back(-100.0f + 2.0f * i, bump(rng), -100.0f + 2.0f * j);
  }
  tris = GridTriangles(n);
  TerrainTree tree;
  tree.Build(verts.data(), static_cast<int>(verts.size()), tris.data(), static_cast<int>(tris.size()), nullptr);
  DefaultAllocator heap;
  GrowArray<const TerrainTreeNode*> out;
  out.Init(100, 100, &heap);
  std::uniform_real_distribution<float> pos(-95.0f, 95.0f);
  std::vector<Vec3> centres(1024);
  for (Vec3& c : centres) c = Vec3(pos(rng), 1.0f, pos(rng));
  size_t k = 0, found = 0;
  for (auto _ : state) {
    const Vec3& c = centres[k++ & 1023];
    const Vec3 lo = c - Vec3(1.25f, 1.25f, 1.25f), hi = c + Vec3(1.25f, 1.25f, 1.25f);
    out.Clear();
    QueryTerrainTree(&tree.root, &out, &lo, &hi, 0);
    found += out.Count();
    benchmark::DoNotOptimize(out.Data());
  }
  state.counters["leaves_per_query"] = static_cast<double>(found) / static_cast<double>(k ? k : 1);
  state.counters["nodes"] = tree.NodesInUse();
}
BENCHMARK(BM_TerrainQuery);
BENCHMARK_MAIN();
