// This library's side of the comparison.
#include <chrono>
#include <cmath>

#include "bench/physics_compare/scenes.h"
#include "physics/physics.h"

namespace compare {

namespace {

struct World {
  Simulator* sim = nullptr;
  std::vector<Vec3> verts;
  std::vector<Triangle> tris;

  World(int bodies, const Mesh& mesh, float friction) {
    SimulatorSizeInfo info;
    info.rigidBodiesCount = bodies;
    info.geometriesCount = bodies;
    info.overlappedPairsCount = bodies * 8 + 64;
    info.terrainNodesStartCount = 400;
    Vec3 g(0, -kGravity, 0);
    sim = CreateSimulator(info, nullptr, &g);
    sim->SetMaterial(0, friction, 0.1f);
    for (int i = 0; i < mesh.VertexCount(); ++i) verts.emplace_back(mesh.xyz[3 * i], mesh.xyz[3 * i + 1], mesh.xyz[3 * i + 2]);
    for (int t = 0; t < mesh.TriangleCount(); ++t) {
      Triangle tri;
      for (int k = 0; k < 3; ++k) tri.v[k] = mesh.indices[3 * t + k];
      tris.push_back(tri);
    }
  }
  ~World() { DestroySimulator(sim); }
  void SetTerrain() {
    TerrainMesh m;
    m.vertices = verts.data();
    m.vertexCount = static_cast<int32_t>(verts.size());
    m.triangles = tris.data();
    m.triangleCount = static_cast<int32_t>(tris.size());
    sim->SetTerrainMesh(&m);
  }
};

// Every body of the comparison has the mass the other engines give theirs, and a solid body's own
// inertia for its shape, as theirs have. (The material of the game's world has density 0, so the
// geometry would not give the box its mass properties.)
constexpr float kBodyMass = 1.0f;
Vec3 SolidBoxInertia(float x, float y, float z, float mass) {
  const float k = mass / 12.0f;
  return Vec3(k * (y * y + z * z), k * (x * x + z * z), k * (x * x + y * y));
}

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

SphereResult Spheres(const Mesh& ground, float half, const std::vector<Point>& starts, int frames,
                     const EngineSettings&) {
  const int n = static_cast<int>(starts.size());
  World w(n, ground, 0.0f);
  std::vector<RigidBody*> bodies;
  for (const Point& p : starts) {
    RigidBody* b = w.sim->CreateRigidBody();
    b->SetSleepThreshold(0.01f);
    b->SetCollideConnected(true);
    b->AddGeometry()->SetSphereDiameter(2.0f * kSphereRadius);
    b->UpdateBoundingInfo();
    b->SetMass(kBodyMass);
    b->SetInertiaTensor(SphereInertiaTensor(2.0f * kSphereRadius, kBodyMass));
    b->SetPos(Vec3(p.x, p.y, p.z));
    bodies.push_back(b);
  }
  w.SetTerrain();
  SphereResult r;
  using Clock = std::chrono::steady_clock;
  for (int f = 0; f < frames; ++f) {
    for (int k = 0; k < n; ++k) {
      const Point d = DriveForce(k, f);
      bodies[k]->SetAngularMomentum(Vec3());
      bodies[k]->SetForce(Vec3(d.x, d.y, d.z));
    }
    const auto t0 = Clock::now();
    w.sim->Advance(kFrameTime, kStepsPerFrame, nullptr);
    r.seconds += std::chrono::duration<double>(Clock::now() - t0).count();
  }
  r.bodySteps = static_cast<long>(n) * frames * kStepsPerFrame;
  for (RigidBody* b : bodies) {
    const Vec3 p = b->GetPos();
    if (!Finite(p)) {
      r.finite = false;
      ++r.lost;
    } else if (Lost(p.x, p.y, p.z, half)) {
      ++r.lost;
    }
  }
  return r;
}

StackResult Stack(const Mesh& floor, const std::vector<Point>& boxes, int frames, const EngineSettings&) {
  const int n = static_cast<int>(boxes.size());
  World w(n, floor, 0.5f);
  std::vector<RigidBody*> bodies;
  for (const Point& p : boxes) {
    RigidBody* b = w.sim->CreateRigidBody();
    b->AddGeometry()->SetBoxSize3(1, 1, 1);
    b->UpdateBoundingInfo();
    b->SetMass(kBodyMass);
    b->SetInertiaTensor(SolidBoxInertia(1, 1, 1, kBodyMass));
    b->SetPos(Vec3(p.x, p.y, p.z));
    bodies.push_back(b);
  }
  w.SetTerrain();
  StackRecorder rec;
  using Clock = std::chrono::steady_clock;
  for (int f = 0; f < frames; ++f) {
    for (int s = 0; s < kStepsPerFrame; ++s) {
      const auto t0 = Clock::now();
      w.sim->Advance(kStepTime, 1, nullptr);
      const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
      bool all = true;
      for (int k = 0; k < n; ++k) {
        all = all && bodies[k]->IsIdle();
        const Vec3 p = bodies[k]->GetPos();
        rec.Track(boxes[k], p.x, p.z);
      }
      rec.Step(dt, all);
    }
  }
  for (int k = 0; k < n; ++k) {
    const Vec3 p = bodies[k]->GetPos();
    rec.Finish(boxes[k], p.x, p.y, p.z, bodies[k]->IsIdle());
  }
  return rec.r;
}

}  // namespace

Engine OurEngine() { return {"this library", Spheres, Stack, EngineSettings()}; }

}  // namespace compare
