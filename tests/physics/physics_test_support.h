// Helpers shared by the physics tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

// A world as the game makes it: gravity (0, -4, 0), material 0 with friction 0 and restitution
// 0.1, sphere bodies of diameter 2.5, terrain meshes built from quads, one frame = Advance(0.028, 3).
struct GameWorld {
  Simulator* sim = nullptr;
  std::vector<Vec3> verts;
  std::vector<Triangle> tris;

  explicit GameWorld(const SimulatorSizeInfo& info = SimulatorSizeInfo()) {
    Vec3 g(0, -4, 0);
    sim = CreateSimulator(info, nullptr, &g);
    sim->SetMaterial(0, 0.0f, 0.1f);
  }
  ~GameWorld() { DestroySimulator(sim); }
  GameWorld(const GameWorld&) = delete;
  GameWorld& operator=(const GameWorld&) = delete;

  phys::SimulatorImpl* W() { return World(sim); }
  RigidBody* Sphere(const Vec3& at) {
    RigidBody* b = sim->CreateRigidBody();
    b->SetSleepThreshold(0.01f);
    b->SetCollideConnected(true);
    b->AddGeometry()->SetSphereDiameter(2.5f);
    b->UpdateBoundingInfo();
    b->SetPos(at);
    return b;
  }
  RigidBody* Box(const Vec3& at) {
    RigidBody* b = sim->CreateRigidBody();
    b->AddGeometry()->SetBoxSize3(1, 1, 1);
    b->UpdateMassProperties();
    b->UpdateBoundingInfo();
    b->SetPos(at);
    return b;
  }
  // Two triangles of a square floor at height 0; `reversed` flips their winding.
  void Floor(float half, bool reversed = false) {
    verts = {Vec3(-half, 0, -half), Vec3(half, 0, -half), Vec3(half, 0, half), Vec3(-half, 0, half)};
    tris.clear();
    AddQuad(0, 1, 2, 3, reversed);
    Mesh();
  }
  // A square pit: a floor at height 0 facing up and four walls of the given height facing in.
  void Pit(float half, float top) {
    const float h = half;
    verts = {Vec3(-h, 0, -h),   Vec3(h, 0, -h),   Vec3(h, 0, h),   Vec3(-h, 0, h),
             Vec3(-h, top, -h), Vec3(h, top, -h), Vec3(h, top, h), Vec3(-h, top, h)};
    tris.clear();
    AddQuad(0, 1, 2, 3);
    AddQuad(0, 4, 5, 1);
    AddQuad(1, 5, 6, 2);
    AddQuad(2, 6, 7, 3);
    AddQuad(3, 7, 4, 0);
    Mesh();
  }
  void AddQuad(int a, int b, int c, int d, bool reversed = false) {
    Triangle t1, t2;
    t1.v[0] = a, t1.v[1] = c, t1.v[2] = b;
    t2.v[0] = a, t2.v[1] = d, t2.v[2] = c;
    if (reversed) {
      std::swap(t1.v[1], t1.v[2]);
      std::swap(t2.v[1], t2.v[2]);
    }
    tris.push_back(t1);
    tris.push_back(t2);
  }
  void Mesh() {
    TerrainMesh mesh;
    mesh.vertices = verts.data();
    mesh.vertexCount = static_cast<int32_t>(verts.size());
    mesh.triangles = tris.data();
    mesh.triangleCount = static_cast<int32_t>(tris.size());
    sim->SetTerrainMesh(&mesh);
  }
  void Frame() { sim->Advance(0.028f, 3, nullptr); }
};
