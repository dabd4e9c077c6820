// Convex hull bodies: two sphere-like hulls stacked on a flat terrain, kept awake, per step.
#include <benchmark/benchmark.h>

#include <vector>

#include "physics/convex_mesh.h"
#include "physics/physics.h"
#include "tests/physics/hull_shapes.h"

namespace {

void RunStackedHulls(benchmark::State& state) {
  const int rings = static_cast<int>(state.range(0));
  const int segments = 2 * rings - 2;
  const HullShape shape = SphereHull(0.5f, rings, segments);
  const int vertexCount = static_cast<int>(shape.vertices.size());
  const int faceCount = static_cast<int>(shape.triangles.size() / 3);
  std::vector<Vec3> block(ConvexMeshBlockSize(vertexCount, faceCount) / 16 + 1);
  if (!WriteConvexMeshBlock(shape.vertices.data(), vertexCount, shape.triangles.data(), faceCount, block.data(),
                            block.size() * 16)) {
    state.SkipWithError("hull block refused");
    return;
  }
  std::vector<Vec3> verts = {Vec3(-20, 0, -20), Vec3(20, 0, -20), Vec3(20, 0, 20), Vec3(-20, 0, 20)};
  std::vector<Triangle> tris(2);
  tris[0].v[0] = 0, tris[0].v[1] = 2, tris[0].v[2] = 1;
  tris[1].v[0] = 0, tris[1].v[1] = 3, tris[1].v[2] = 2;
  TerrainMesh mesh;
  mesh.vertices = verts.data();
  mesh.vertexCount = 4;
  mesh.triangles = tris.data();
  mesh.triangleCount = 2;
  const Vec3 gravity(0, -9.81f, 0);
  Simulator* sim = CreateSimulator(SimulatorSizeInfo(), nullptr, &gravity);
  sim->SetTerrainMesh(&mesh);
  RigidBody* bodies[2];
  for (int i = 0; i < 2; ++i) {
    RigidBody* b = bodies[i] = sim->CreateRigidBody();
    b->SetMass(1.0f);
    b->SetInertiaTensor(SphereInertiaTensor(1.0f, 1.0f));
    b->AddGeometry()->SetConvexMesh(block.data());
    b->UpdateBoundingInfo();
  }
  // The stack is put back every 50 steps (a sphere-like hull does not stay on another for long),
  // so that nearly every step tests both pairs in contact.
  auto restack = [&] {
    for (int i = 0; i < 2; ++i) {
      bodies[i]->SetRotationM3(Mat3::Identity());
      bodies[i]->SetVelocity(Vec3());
      bodies[i]->SetAngularMomentum(Vec3());
      bodies[i]->SetPos(Vec3(0.0f, 0.499f + 0.998f * static_cast<float>(i), 0.0f));
    }
  };
  int step = 0;
  for (auto _ : state) {
    if (step++ % 50 == 0) restack();
    // Kept awake, so that every step tests both pairs.
    for (RigidBody* b : bodies) b->SetVelocity(b->GetVelocity());
    sim->Advance(0.01f, 1, nullptr);
  }
  state.counters["vertices"] = vertexCount;
  state.counters["faces"] = faceCount;
  // The heights after the last step tell that the stack stood (about 0.5 and 1.5) rather than fell.
  state.counters["low_y"] = bodies[0]->GetPos().y;
  state.counters["top_y"] = bodies[1]->GetPos().y;
  DestroySimulator(sim);
}

}  // namespace

BENCHMARK(RunStackedHulls)->Name("BM_StackedHulls")->Arg(4)->Arg(6)->Arg(8)->Unit(benchmark::kMicrosecond);
