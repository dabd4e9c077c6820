// ODE's side of the comparison: quick-step world, hash space, triangle-mesh terrain.
#include <ode/ode.h>

#include <chrono>

#include "bench/physics_compare/scenes.h"

namespace compare {

namespace {

// The most contact points one pair can give; the settings ask for at most this many.
constexpr int kContactCapacity = 16;

struct OdeWorld {
  dWorldID world;
  dSpaceID space;
  dJointGroupID contacts;
  dTriMeshDataID meshData;
  dGeomID ground;
  std::vector<float> verts;
  std::vector<dTriIndex> indices;
  std::vector<dBodyID> bodies;
  std::vector<dGeomID> geoms;
  float friction;
  int maxContacts;

  OdeWorld(const Mesh& mesh, float mu, const EngineSettings& settings)
      : verts(mesh.xyz),
        indices(mesh.indices.begin(), mesh.indices.end()),
        friction(mu),
        maxContacts(settings.maxContacts < kContactCapacity ? settings.maxContacts : kContactCapacity) {
    world = dWorldCreate();
    space = dHashSpaceCreate(nullptr);
    dHashSpaceSetLevels(space, 0, 5);
    contacts = dJointGroupCreate(0);
    dWorldSetGravity(world, 0, -kGravity, 0);
    dWorldSetQuickStepNumIterations(world, settings.iterations);
    dWorldSetAutoDisableFlag(world, 1);
    meshData = dGeomTriMeshDataCreate();
    dGeomTriMeshDataBuildSingle(meshData, verts.data(), 3 * sizeof(float), mesh.VertexCount(), indices.data(),
                                static_cast<int>(indices.size()), 3 * sizeof(dTriIndex));
    ground = dCreateTriMesh(space, meshData, nullptr, nullptr, nullptr);
  }
  ~OdeWorld() {
    dJointGroupDestroy(contacts);
    dSpaceDestroy(space);  // destroys the geometries in it
    dGeomTriMeshDataDestroy(meshData);
    dWorldDestroy(world);
  }
  dBodyID Add(const Point& p, bool sphere) {
    dBodyID b = dBodyCreate(world);
    dMass m;
    dGeomID g;
    if (sphere) {
      dMassSetSphereTotal(&m, 1.0, kSphereRadius);
      g = dCreateSphere(space, kSphereRadius);
    } else {
      dMassSetBoxTotal(&m, 1.0, 1.0, 1.0, 1.0);
      g = dCreateBox(space, 1.0, 1.0, 1.0);
    }
    dBodySetMass(b, &m);
    dGeomSetBody(g, b);
    dBodySetPosition(b, p.x, p.y, p.z);
    bodies.push_back(b);
    geoms.push_back(g);
    return b;
  }

  static void Near(void* data, dGeomID o1, dGeomID o2) {
    OdeWorld* w = static_cast<OdeWorld*>(data);
    dBodyID b1 = dGeomGetBody(o1), b2 = dGeomGetBody(o2);
    if (b1 && b2 && !dBodyIsEnabled(b1) && !dBodyIsEnabled(b2)) return;
    dContact c[kContactCapacity];
    const int n = dCollide(o1, o2, w->maxContacts, &c[0].geom, sizeof(dContact));
    for (int i = 0; i < n; ++i) {
      c[i].surface.mode = dContactBounce | dContactApprox1;
      c[i].surface.mu = w->friction;
      c[i].surface.bounce = 0.1;
      c[i].surface.bounce_vel = 0.1;
      dJointID j = dJointCreateContact(w->world, w->contacts, &c[i]);
      dJointAttach(j, b1, b2);
    }
  }
  void Step() {
    dSpaceCollide(space, this, &OdeWorld::Near);
    dWorldQuickStep(world, kStepTime);
    dJointGroupEmpty(contacts);
  }
};

bool Finite(const dReal* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

SphereResult Spheres(const Mesh& ground, float half, const std::vector<Point>& starts, int frames,
                     const EngineSettings& settings) {
  OdeWorld w(ground, 0.0f, settings);
  for (const Point& p : starts) w.Add(p, true);
  const int n = static_cast<int>(starts.size());
  SphereResult r;
  using Clock = std::chrono::steady_clock;
  for (int f = 0; f < frames; ++f) {
    for (int s = 0; s < kStepsPerFrame; ++s) {
      for (int k = 0; k < n; ++k) {
        const Point d = DriveForce(k, f);
        dBodyID b = w.bodies[k];
        if (s == 0) {
          dBodySetAngularVel(b, 0, 0, 0);
          dBodyEnable(b);
        }
        dBodyAddForce(b, d.x, d.y, d.z);
      }
      const auto t0 = Clock::now();
      w.Step();
      r.seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
  }
  r.bodySteps = static_cast<long>(n) * frames * kStepsPerFrame;
  for (dBodyID b : w.bodies) {
    const dReal* p = dBodyGetPosition(b);
    if (!Finite(p)) {
      r.finite = false;
      ++r.lost;
    } else if (Lost(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]), half)) {
      ++r.lost;
    }
  }
  return r;
}

StackResult Stack(const Mesh& floor, const std::vector<Point>& boxes, int frames, const EngineSettings& settings) {
  OdeWorld w(floor, 0.5f, settings);
  for (const Point& p : boxes) w.Add(p, false);
  StackRecorder rec;
  using Clock = std::chrono::steady_clock;
  for (int f = 0; f < frames; ++f) {
    for (int s = 0; s < kStepsPerFrame; ++s) {
      const auto t0 = Clock::now();
      w.Step();
      const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
      bool all = true;
      for (size_t k = 0; k < boxes.size(); ++k) {
        all = all && !dBodyIsEnabled(w.bodies[k]);
        const dReal* p = dBodyGetPosition(w.bodies[k]);
        rec.Track(boxes[k], static_cast<float>(p[0]), static_cast<float>(p[2]));
      }
      rec.Step(dt, all);
    }
  }
  for (size_t k = 0; k < boxes.size(); ++k) {
    const dReal* p = dBodyGetPosition(w.bodies[k]);
    rec.Finish(boxes[k], static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
               !dBodyIsEnabled(w.bodies[k]));
  }
  return rec.r;
}

}  // namespace

Engine OdeEngine(const char* name, int iterations, int maxContacts) {
  EngineSettings settings;
  settings.iterations = iterations;
  settings.maxContacts = maxContacts;
  return {name, Spheres, Stack, settings};
}

}  // namespace compare
