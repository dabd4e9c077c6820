// Bullet's side of the comparison: a discrete dynamics world with a triangle-mesh terrain.
#include <btBulletDynamicsCommon.h>

#include <chrono>
#include <memory>

#include "bench/physics_compare/scenes.h"

namespace compare {

namespace {

struct BulletWorld {
  btDefaultCollisionConfiguration config;
  btCollisionDispatcher dispatcher{&config};
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &config};
  std::vector<float> verts;
  std::vector<int> indices;
  std::unique_ptr<btTriangleIndexVertexArray> meshArray;
  std::unique_ptr<btBvhTriangleMeshShape> meshShape;
  std::unique_ptr<btCollisionShape> bodyShape;
  std::vector<std::unique_ptr<btDefaultMotionState>> states;
  std::vector<std::unique_ptr<btRigidBody>> bodies;
  std::unique_ptr<btRigidBody> ground;

  BulletWorld(const Mesh& mesh, float friction) : verts(mesh.xyz), indices(mesh.indices.begin(), mesh.indices.end()) {
    world.setGravity(btVector3(0, -kGravity, 0));
    world.getSolverInfo().m_numIterations = kIterations;
    meshArray = std::make_unique<btTriangleIndexVertexArray>(mesh.TriangleCount(), indices.data(), 3 * sizeof(int),
                                                             mesh.VertexCount(), verts.data(), 3 * sizeof(float));
    meshShape = std::make_unique<btBvhTriangleMeshShape>(meshArray.get(), true);
    btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, meshShape.get());
    // Bullet multiplies the two bodies' friction and restitution: the ground passes the body's on.
    info.m_friction = 1.0f;
    info.m_restitution = 1.0f;
    ground = std::make_unique<btRigidBody>(info);
    world.addRigidBody(ground.get());
    (void)friction;
  }
  ~BulletWorld() {
    for (auto& b : bodies) world.removeRigidBody(b.get());
    world.removeRigidBody(ground.get());
  }
  btRigidBody* Add(const Point& p, float friction) {
    btVector3 inertia(0, 0, 0);
    bodyShape->calculateLocalInertia(1.0f, inertia);
    btTransform t;
    t.setIdentity();
    t.setOrigin(btVector3(p.x, p.y, p.z));
    states.push_back(std::make_unique<btDefaultMotionState>(t));
    btRigidBody::btRigidBodyConstructionInfo info(1.0f, states.back().get(), bodyShape.get(), inertia);
    info.m_friction = friction;
    info.m_restitution = 0.1f;
    bodies.push_back(std::make_unique<btRigidBody>(info));
    world.addRigidBody(bodies.back().get());
    return bodies.back().get();
  }
};

bool Finite(const btVector3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }

SphereResult Spheres(const Mesh& ground, float half, const std::vector<Point>& starts, int frames,
                     const EngineSettings&) {
  BulletWorld w(ground, 0.0f);
  w.bodyShape = std::make_unique<btSphereShape>(kSphereRadius);
  for (const Point& p : starts) w.Add(p, 0.0f);
  const int n = static_cast<int>(starts.size());
  SphereResult r;
  using Clock = std::chrono::steady_clock;
  for (int f = 0; f < frames; ++f) {
    for (int s = 0; s < kStepsPerFrame; ++s) {
      // Forces last one step: the drive is applied before each.
      for (int k = 0; k < n; ++k) {
        const Point d = DriveForce(k, f);
        btRigidBody* b = w.bodies[k].get();
        if (s == 0) {
          b->setAngularVelocity(btVector3(0, 0, 0));
          b->activate();
        }
        b->applyCentralForce(btVector3(d.x, d.y, d.z));
      }
      const auto t0 = Clock::now();
      w.world.stepSimulation(kStepTime, 0);
      r.seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
  }
  r.bodySteps = static_cast<long>(n) * frames * kStepsPerFrame;
  for (auto& b : w.bodies) {
    const btVector3 p = b->getCenterOfMassPosition();
    if (!Finite(p)) {
      r.finite = false;
      ++r.lost;
    } else if (Lost(p.x(), p.y(), p.z(), half)) {
      ++r.lost;
    }
  }
  return r;
}

StackResult Stack(const Mesh& floor, const std::vector<Point>& boxes, int frames, const EngineSettings&) {
  BulletWorld w(floor, 0.5f);
  w.bodyShape = std::make_unique<btBoxShape>(btVector3(0.5f, 0.5f, 0.5f));
  for (const Point& p : boxes) w.Add(p, 0.5f);
  StackRecorder rec;
  using Clock = std::chrono::steady_clock;
  for (int f = 0; f < frames; ++f) {
    for (int s = 0; s < kStepsPerFrame; ++s) {
      const auto t0 = Clock::now();
      w.world.stepSimulation(kStepTime, 0);
      const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
      bool all = true;
      for (size_t k = 0; k < boxes.size(); ++k) {
        all = all && w.bodies[k]->getActivationState() == ISLAND_SLEEPING;
        const btVector3 p = w.bodies[k]->getCenterOfMassPosition();
        rec.Track(boxes[k], p.x(), p.z());
      }
      rec.Step(dt, all);
    }
  }
  for (size_t k = 0; k < boxes.size(); ++k) {
    const btVector3 p = w.bodies[k]->getCenterOfMassPosition();
    rec.Finish(boxes[k], p.x(), p.y(), p.z(), w.bodies[k]->getActivationState() == ISLAND_SLEEPING);
  }
  return rec.r;
}

}  // namespace

Engine BulletEngine() { return {"Bullet", Spheres, Stack, EngineSettings()}; }

}  // namespace compare
