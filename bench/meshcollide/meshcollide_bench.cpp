// Closest-hit ray queries on a 100k-triangle scene (a closed room full of clutter, random rays
// from inside it): the collision library's tree, a reference ray tracer's single-ray query, and a
// scan of every triangle, on the same triangles and the same rays.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "meshcollide/collision_model_3d.h"
#include "meshcollide/mesh_bvh.h"

#ifdef DUN_HAVE_EMBREE
#include <embree3/rtcore.h>
#endif

namespace {

constexpr float kRoomHalf = 50.0f;
constexpr int kTargetTriangles = 100000;
constexpr int kRayCount = 1 << 16;

struct Scene {
  std::vector<float> corners;  // nine floats per triangle
  std::vector<float> rays;     // origin and direction, six floats per ray
};

void AddTriangle(std::vector<float>& c, const float a[3], const float b[3], const float d[3]) {
  c.insert(c.end(), {a[0], a[1], a[2], b[0], b[1], b[2], d[0], d[1], d[2]});
}

// The room's six walls as grids of quads, then small random boxes (12 triangles each) standing
// in for clutter until the scene holds the target count.
Scene MakeScene() {
  Scene s;
  std::mt19937 rng(2026);
  const int n = 40;
  const float step = 2.0f * kRoomHalf / n;
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
          float p[4][3];
          const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
          for (int k = 0; k < 4; ++k) {
            p[k][axis] = side ? kRoomHalf : -kRoomHalf;
            p[k][(axis + 1) % 3] = -kRoomHalf + (i + uv[k][0]) * step;
            p[k][(axis + 2) % 3] = -kRoomHalf + (j + uv[k][1]) * step;
          }
          AddTriangle(s.corners, p[0], p[1], p[2]);
          AddTriangle(s.corners, p[0], p[2], p[3]);
        }
      }
    }
  }
  std::uniform_real_distribution<float> pos(-kRoomHalf * 0.9f, kRoomHalf * 0.9f), size(0.1f, 1.2f);
  while (s.corners.size() / 9 + 12 <= kTargetTriangles) {
    const float c[3] = {pos(rng), pos(rng), pos(rng)};
    const float h[3] = {size(rng), size(rng), size(rng)};
    float v[8][3];
    for (int k = 0; k < 8; ++k) {
      for (int a = 0; a < 3; ++a) v[k][a] = c[a] + ((k >> a) & 1 ? h[a] : -h[a]);
    }
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
      AddTriangle(s.corners, v[f[0]], v[f[1]], v[f[2]]);
      AddTriangle(s.corners, v[f[0]], v[f[2]], v[f[3]]);
    }
  }
  std::uniform_real_distribution<float> dir(-1.0f, 1.0f);
  for (int i = 0; i < kRayCount; ++i) {
    float d[3];
    float len;
    do {
      for (float& x : d) x = dir(rng);
      len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    } while (len < 0.1f || len > 1.0f);
    s.rays.insert(s.rays.end(), {pos(rng), pos(rng), pos(rng), d[0] / len, d[1] / len, d[2] / len});
  }
  return s;
}

const Scene& TheScene() {
  static const Scene scene = MakeScene();
  return scene;
}

void BM_MeshCollideTree(benchmark::State& state) {
  const Scene& s = TheScene();
  std::unique_ptr<CollisionModel3D> model(newCollisionModel3D(true));
  for (size_t i = 0; i < s.corners.size(); i += 9) {
    const float* c = &s.corners[i];
    model->addTriangle(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
  }
  model->finalize();
  size_t ray = 0;
  int64_t hits = 0;
  for (auto _ : state) {
    const float* r = &s.rays[6 * ray];
    hits += model->rayCollision(r, r + 3, true, 0.0f, 1000.0f);
    ray = (ray + 1) % kRayCount;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["triangles"] = static_cast<double>(s.corners.size() / 9);
  state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MeshCollideTree);

void BM_BruteForceScan(benchmark::State& state) {
  const Scene& s = TheScene();
  meshcollide::MeshBvh bvh;
  bvh.Build(s.corners);
  size_t ray = 0;
  for (auto _ : state) {
    const float* r = &s.rays[6 * ray];
    meshcollide::RayHit hit;
    benchmark::DoNotOptimize(bvh.RaycastBruteForce(r, r + 3, true, 0.0f, 1000.0f, hit));
    ray = (ray + 1) % kRayCount;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BruteForceScan)->MinTime(2.0);

#ifdef DUN_HAVE_EMBREE
void BM_EmbreeIntersect1(benchmark::State& state) {
  const Scene& s = TheScene();
  RTCDevice device = rtcNewDevice(nullptr);
  RTCScene scene = rtcNewScene(device);
  RTCGeometry geom = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
  const size_t count = s.corners.size() / 9;
  float* vertices = static_cast<float*>(
      rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), count * 3));
  unsigned* indices = static_cast<unsigned*>(
      rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), count));
  for (size_t i = 0; i < count * 9; ++i) vertices[i] = s.corners[i];
  for (size_t i = 0; i < count * 3; ++i) indices[i] = static_cast<unsigned>(i);
  rtcCommitGeometry(geom);
  rtcAttachGeometry(scene, geom);
  rtcReleaseGeometry(geom);
  rtcCommitScene(scene);

  RTCIntersectContext context;
  rtcInitIntersectContext(&context);
  auto cast = [&](const float* r) {
    RTCRayHit rh{};
    rh.ray.org_x = r[0];
    rh.ray.org_y = r[1];
    rh.ray.org_z = r[2];
    rh.ray.dir_x = r[3];
    rh.ray.dir_y = r[4];
    rh.ray.dir_z = r[5];
    rh.ray.tnear = 0.0f;
    rh.ray.tfar = 1000.0f;
    rh.ray.mask = 0xFFFFFFFFu;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(scene, &context, &rh);
    return rh;
  };

  // Both tracers must see the same nearest walls and clutter on every ray.
  meshcollide::MeshBvh bvh;
  bvh.Build(s.corners);
  int disagreements = 0;
  for (int i = 0; i < kRayCount; ++i) {
    const float* r = &s.rays[6 * i];
    const RTCRayHit rh = cast(r);
    meshcollide::RayHit ours;
    const bool hitOurs = bvh.Raycast(r, r + 3, true, 0.0f, 1000.0f, ours);
    const bool hitTheirs = rh.hit.geomID != RTC_INVALID_GEOMETRY_ID;
    if (hitOurs != hitTheirs || (hitOurs && std::fabs(ours.t - rh.ray.tfar) > 1e-3f * (1.0f + ours.t))) {
      ++disagreements;
    }
  }

  size_t ray = 0;
  int64_t hits = 0;
  for (auto _ : state) {
    const RTCRayHit rh = cast(&s.rays[6 * ray]);
    hits += rh.hit.geomID != RTC_INVALID_GEOMETRY_ID;
    ray = (ray + 1) % kRayCount;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
  state.counters["disagreements"] = disagreements;
  rtcReleaseScene(scene);
  rtcReleaseDevice(device);
}
BENCHMARK(BM_EmbreeIntersect1);
#endif

}  // namespace

BENCHMARK_MAIN();
