#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "physics_test_support.h"

using namespace phys;

namespace {

struct Mesh {
  std::vector<Vec3> vertices;
  std::vector<Triangle> triangles;
};

// A bumpy grid of n x n quads (two triangles each) over [-size, size]^2.
Mesh Grid(int n, float size, std::mt19937& rng) {
  Mesh m;
  std::uniform_real_distribution<float> bump(-1.0f, 1.0f);
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      m.vertices.emplace_back(-size + 2 * size * i / n, bump(rng), -size + 2 * size * j / n);
    }
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      Triangle t1, t2;
      t1.v[0] = a, t1.v[1] = c, t1.v[2] = b;
      t2.v[0] = b, t2.v[1] = c, t2.v[2] = d;
      m.triangles.push_back(t1);
      m.triangles.push_back(t2);
    }
  }
  return m;
}

// Random triangles of assorted sizes.
Mesh Scatter(int count, std::mt19937& rng) {
  Mesh m;
  std::uniform_real_distribution<float> centre(-30.0f, 30.0f);
  std::uniform_real_distribution<float> off(-3.0f, 3.0f);
  for (int i = 0; i < count; ++i) {
    const Vec3 c(centre(rng), centre(rng) * 0.2f, centre(rng));
    Triangle t;
    for (int k = 0; k < 3; ++k) {
      t.v[k] = static_cast<int32_t>(m.vertices.size());
      m.vertices.push_back(c + Vec3(off(rng), off(rng) * 0.3f, off(rng)));
    }
    m.triangles.push_back(t);
  }
  return m;
}

int Depth(const TerrainTree& tree, int index) {
  int d = 0;
  while (index != -1) {
    index = tree.GetNode(index)->parent;
    ++d;
  }
  return d;
}

std::set<int32_t> Query(const TerrainTree& tree, const Vec3& lo, const Vec3& hi) {
  DefaultAllocator heap;
  GrowArray<const TerrainTreeNode*> nodes;
  nodes.Init(4, -1, &heap);
  QueryTerrainTree(&tree.root, &nodes, &lo, &hi, 0);
  std::set<int32_t> found;
  for (size_t i = 0; i < nodes.Count(); ++i) {
    const int32_t* list = tree.NodeTriangles(*nodes[i]);
    for (int k = 0; k < nodes[i]->triangleCount; ++k) found.insert(list[k]);
  }
  return found;
}

}  // namespace

TEST(TerrainTree, EveryIntersectingTriangleIsFound) {
  std::mt19937 rng(77);
  for (int variant = 0; variant < 4; ++variant) {
    Mesh m = variant % 2 == 0 ? Grid(40 + variant * 10, 40.0f, rng) : Scatter(3000, rng);
    TerrainTree tree;
    ASSERT_TRUE(tree.Build(m.vertices.data(), static_cast<int>(m.vertices.size()), m.triangles.data(),
                           static_cast<int>(m.triangles.size()), nullptr));
    EXPECT_LE(tree.NodesInUse(), 1364);
    for (int i = 0; i < tree.NodesInUse(); ++i) EXPECT_LE(Depth(tree, i), 5);
    std::uniform_real_distribution<float> centre(-35.0f, 35.0f);
    std::uniform_real_distribution<float> half(0.05f, 4.0f);
    for (int q = 0; q < 300; ++q) {
      const Vec3 c(centre(rng), centre(rng) * 0.1f, centre(rng));
      const Vec3 h(half(rng), half(rng), half(rng));
      const Vec3 lo = c - h, hi = c + h;
      const std::set<int32_t> found = Query(tree, lo, hi);
      for (size_t t = 0; t < m.triangles.size(); ++t) {
        const Triangle& tri = m.triangles[t];
        if (TriBoxOverlap(c, h, m.vertices[tri.v[0]], m.vertices[tri.v[1]], m.vertices[tri.v[2]])) {
          ASSERT_TRUE(found.count(static_cast<int32_t>(t))) << "variant " << variant << " query " << q << " tri " << t;
        }
      }
    }
  }
}

TEST(TerrainTree, SmallMeshesFlatTrianglesAndBadIndices) {
  std::mt19937 rng(3);
  Mesh m = Scatter(9, rng);
  TerrainTree tree;
  ASSERT_TRUE(tree.Build(m.vertices.data(), static_cast<int>(m.vertices.size()), m.triangles.data(), 9, nullptr));
  EXPECT_EQ(tree.NodesInUse(), 0);
  EXPECT_EQ(tree.root.triangleCount, 9);

  // Corners outside the vertex array keep their place in the copied array but stay out of the tree.
  Mesh bad = Scatter(30, rng);
  bad.triangles[4].v[1] = static_cast<int32_t>(bad.vertices.size());
  bad.triangles[7].v[0] = -3;
  ASSERT_TRUE(tree.Build(bad.vertices.data(), static_cast<int>(bad.vertices.size()), bad.triangles.data(), 30, nullptr));
  EXPECT_EQ(tree.triangleCount, 30);
  EXPECT_EQ(tree.triangles[7].v[0], -3);
  const std::set<int32_t> all = Query(tree, Vec3(-1e5f, -1e5f, -1e5f), Vec3(1e5f, 1e5f, 1e5f));
  EXPECT_EQ(all.size(), 28u);
  EXPECT_FALSE(all.count(4));
  EXPECT_FALSE(all.count(7));

  // A flat triangle lying on the bottom face of a box is still selected.
  const Vec3 a(0, 0, 0), b(0, 0, 1), c(1, 0, 0);
  EXPECT_TRUE(TriangleOverlapsBox(Vec3(-1, 0, -1), Vec3(2, 1, 2), a, b, c));
  EXPECT_FALSE(TriangleOverlapsBox(Vec3(-1, 0.02f, -1), Vec3(2, 1, 2), a, b, c));

  // Refused input changes nothing.
  EXPECT_FALSE(tree.Build(nullptr, 3, bad.triangles.data(), 1, nullptr));
  EXPECT_FALSE(tree.Build(bad.vertices.data(), 0, bad.triangles.data(), 1, nullptr));
  EXPECT_EQ(tree.triangleCount, 30);
}

TEST(TerrainTree, NonFiniteAndOverflowingTrianglesStayOutAndTheRestStillCollides) {
  std::mt19937 rng(11);
  Mesh m = Grid(20, 40.0f, rng);
  const int floorTriangles = static_cast<int>(m.triangles.size());
  auto add = [&m](Vec3 a, Vec3 b, Vec3 c) {
    Triangle t;
    const Vec3 corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
      t.v[k] = static_cast<int32_t>(m.vertices.size());
      m.vertices.push_back(corners[k]);
    }
    m.triangles.push_back(t);
  };
  // Far from the floor: a triangle with a corner not a number, one with an infinite corner, and one
  // whose corners are finite but too far apart for its edges to be.
  add(Vec3(500, 0, 500), Vec3(501, NAN, 500), Vec3(502, 0, 500));
  add(Vec3(500, 0, 500), Vec3(501, INFINITY, 500), Vec3(502, 0, 500));
  add(Vec3(-3e38f, 0, 600), Vec3(3e38f, 0, 600), Vec3(0, 0, 700));
  // Finite but huge: sums of these corners overflow, and products of the second one's edges do, yet
  // both are terrain like any other.
  const int far = static_cast<int>(m.triangles.size());
  add(Vec3(2e38f, 0, 0), Vec3(3e38f, 0, 0), Vec3(2e38f, 0, 1e38f));
  add(Vec3(-1e20f, 0, 0), Vec3(-2e20f, 0, 0), Vec3(-1e20f, 1e20f, 1e20f));
  TerrainTree tree;
  ASSERT_TRUE(tree.Build(m.vertices.data(), static_cast<int>(m.vertices.size()), m.triangles.data(),
                         static_cast<int>(m.triangles.size()), nullptr));
  for (int a = 0; a < 3; ++a) {
    EXPECT_TRUE(std::isfinite(tree.root.min[a]) && std::isfinite(tree.root.max[a])) << a;
  }
  EXPECT_LE(tree.root.max.x, 3e38f);
  // Every floor triangle under a box is found, and only the three bad ones are missing overall.
  const std::set<int32_t> all = Query(tree, Vec3(-1e5f, -1e5f, -1e5f), Vec3(1e5f, 1e5f, 1e5f));
  EXPECT_EQ(all.size(), static_cast<size_t>(floorTriangles));
  for (int bad = floorTriangles; bad < far; ++bad) EXPECT_FALSE(all.count(bad)) << bad;
  EXPECT_FALSE(Query(tree, Vec3(-1, -1, 650), Vec3(1, 1, 651)).count(far - 1));
  EXPECT_TRUE(Query(tree, Vec3(2.1e38f, -1, 1e37f), Vec3(2.2e38f, 1, 2e37f)).count(far));
  EXPECT_TRUE(Query(tree, Vec3(-1.2e20f, 0.9e19f, 0.9e19f), Vec3(-1.1e20f, 1.1e19f, 1.1e19f)).count(far + 1));
  for (const Vec3& c : {Vec3(3.0f, 0.0f, -7.0f), Vec3(-31.0f, 0.0f, 22.0f), Vec3(17.0f, 0.5f, 35.0f)}) {
    const Vec3 h(1.5f, 2.0f, 1.5f);
    const std::set<int32_t> found = Query(tree, c - h, c + h);
    int expected = 0;
    for (int t = 0; t < floorTriangles; ++t) {
      const Triangle& tri = m.triangles[t];
      if (!TriBoxOverlap(c, h, m.vertices[tri.v[0]], m.vertices[tri.v[1]], m.vertices[tri.v[2]])) continue;
      ++expected;
      EXPECT_TRUE(found.count(t)) << t;
    }
    EXPECT_GT(expected, 0);
  }
}

TEST(TerrainTree, TouchingBoxFindsTheNode) {
  Vec3 verts[3] = {Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(1, 0, 0)};
  Triangle t;
  t.v[0] = 0, t.v[1] = 1, t.v[2] = 2;
  TerrainTree tree;
  ASSERT_TRUE(tree.Build(verts, 3, &t, 1, nullptr));
  EXPECT_EQ(Query(tree, Vec3(1, 0, 0), Vec3(2, 1, 1)).size(), 1u);
  EXPECT_EQ(Query(tree, Vec3(1.01f, 0, 0), Vec3(2, 1, 1)).size(), 0u);
}

TEST(TerrainTree, BuildTwiceAndFreeLeaveNoLiveBlocks) {
  std::mt19937 rng(5);
  Mesh m = Grid(30, 20.0f, rng);
  CountingAllocator alloc;
  SimulatorSizeInfo info;
  info.terrainNodesStartCount = 4;  // forces the node array to grow
  Simulator* sim = CreateSimulator(info, &alloc, nullptr);
  ASSERT_NE(sim, nullptr);
  const size_t base = alloc.live.size();
  TerrainMesh mesh;
  mesh.vertices = m.vertices.data();
  mesh.vertexCount = static_cast<int32_t>(m.vertices.size());
  mesh.triangles = m.triangles.data();
  mesh.triangleCount = static_cast<int32_t>(m.triangles.size());
  sim->SetTerrainMesh(&mesh);
  const int nodes = sim->GetCurrentSizeInfo().terrainNodesStartCount;
  EXPECT_GT(nodes, 4);
  sim->SetTerrainMesh(&mesh);
  EXPECT_EQ(sim->GetCurrentSizeInfo().terrainNodesStartCount, nodes);
  sim->FreeTerrainMesh();
  EXPECT_EQ(sim->GetCurrentSizeInfo().terrainNodesStartCount, 0);
  // Only the terrain pass's stamp array remains beside the world's own blocks.
  EXPECT_LE(alloc.live.size(), base + 1);
  sim->SetTerrainMesh(&mesh);
  DestroySimulator(sim);
  EXPECT_TRUE(alloc.live.empty());

  // A node array that cannot grow still builds a tree that finds everything.
  TerrainTree tree;
  SimulatorSizeInfo fixed;
  fixed.terrainNodesStartCount = 3;
  fixed.terrainNodesGrowByCount = 0;
  tree.sizeInfo = &fixed;
  ASSERT_TRUE(tree.Build(m.vertices.data(), static_cast<int>(m.vertices.size()), m.triangles.data(),
                         static_cast<int>(m.triangles.size()), nullptr));
  EXPECT_LE(tree.NodesInUse(), 3);
  EXPECT_EQ(Query(tree, Vec3(-100, -100, -100), Vec3(100, 100, 100)).size(), m.triangles.size());
}
