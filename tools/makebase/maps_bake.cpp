#include "tools/makebase/maps_bake.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>

#include "engine/formats/lightmap_file.h"
#include "meshcollide/collision_model_3d.h"

namespace makebase {

namespace {

struct BakeTriangle {
  float corners[9];
};

Vec3 Corner(const float* c, int k) { return Vec3(c[3 * k], c[3 * k + 1], c[3 * k + 2]); }

// The point of triangle abc nearest to p.
Vec3 ClosestOnTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 ab = b - a, ac = c - a, ap = p - a;
  const float d1 = ab.Dot(ap), d2 = ac.Dot(ap);
  if (d1 <= 0 && d2 <= 0) return a;
  const Vec3 bp = p - b;
  const float d3 = ab.Dot(bp), d4 = ac.Dot(bp);
  if (d3 >= 0 && d4 <= d3) return b;
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
  const Vec3 cp = p - c;
  const float d5 = ab.Dot(cp), d6 = ac.Dot(cp);
  if (d6 >= 0 && d5 <= d6) return c;
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
  const float va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  const float denom = 1.0f / (va + vb + vc);
  return a + ab * (vb * denom) + ac * (vc * denom);
}

// Whether p lies inside a solid: looking along any of the directions, the first surface met is
// seen from behind.
bool InsideSolid(CollisionModel3D* rays, const Vec3& p, const Vec3 dirs[4]) {
  for (int k = 0; k < 4; ++k) {
    const float origin[3] = {p.x, p.y, p.z}, dir[3] = {dirs[k].x, dirs[k].y, dirs[k].z};
    if (!rays->rayCollision(origin, dir, true, 0.0f, 40.0f)) continue;
    float t[9], other[9];
    if (!rays->getCollidingTriangles(t, other, false)) continue;
    const Vec3 normal = Vec3Cross(Vec3(t[3] - t[0], t[4] - t[1], t[5] - t[2]), Vec3(t[6] - t[0], t[7] - t[1], t[8] - t[2]));
    if (normal.Dot(dirs[k]) > 0.0f) return true;
  }
  return false;
}

void BakeOne(const BakeTriangle& tri, const std::vector<MapLamp>& lamps, CollisionModel3D* rays, uint8_t* out) {
  const Vec3 a = Corner(tri.corners, 0), b = Corner(tri.corners, 1), c = Corner(tri.corners, 2);
  Vec3 n = Vec3Cross(b - a, c - a);
  const float area2 = n.Length();
  if (area2 <= 0.0f) {
    std::fill(out, out + kLightMapBytes, static_cast<uint8_t>(kAmbientLight));
    return;
  }
  n = n * (1.0f / area2);
  const Vec3 centroid = (a + b + c) * (1.0f / 3.0f);
  const float radius = std::max({(a - centroid).Length(), (b - centroid).Length(), (c - centroid).Length()});

  // Lamps that can reach this triangle noticeably, and from its front side.
  std::vector<const MapLamp*> near;
  for (const MapLamp& l : lamps) {
    const Vec3 toLamp = l.position - centroid;
    if (n.Dot(toLamp) < -radius) continue;
    const float dMin = std::max(0.0f, toLamp.Length() - radius);
    const float peak = kLampScale * l.intensity / std::max(1.0f, kFalloff * dMin * dMin);
    if (peak >= 1.5f) near.push_back(&l);
  }

  float u[3], v[3];
  ComputeLightMapUVs(tri.corners, u, v);
  // The surface point each texel lights: texels outside the triangle take its nearest point,
  // pulled a little in from the edges (where other surfaces meet it) and lifted off the surface.
  auto surfacePoint = [&](float s, float t, Vec3& out) {
    float plane[3];
    if (!LightMapPoint(tri.corners, u, v, s, t, plane)) return false;
    const Vec3 p = ClosestOnTriangle(Vec3(plane[0], plane[1], plane[2]), a, b, c);
    out = p + (centroid - p) * 0.02f + n * 0.05f;
    return true;
  };
  // Shadows are traced on a coarser grid and blended between its samples, which softens their
  // edges and keeps the number of rays down.
  constexpr int kShadowSide = kLightMapSide / 2;
  constexpr int kSamples = kShadowSide * kShadowSide;
  std::vector<float> visible(near.size() * kSamples, 1.0f);
  // A sample inside another solid (where a wall stands on a floor cell, say) borrows the shadows
  // of the nearest open sample, so that the covered part does not bleed darkness into the
  // visible one.
  std::vector<char> open(kSamples, 1);
  Vec3 along = b - a;
  along.Normalize();
  const Vec3 across = Vec3Cross(n, along);
  const Vec3 inPlane[4] = {along, -along, across, -across};
  for (int row = 0; row < kShadowSide; ++row) {
    for (int col = 0; col < kShadowSide; ++col) {
      Vec3 p;
      if (!surfacePoint((col + 0.5f) / kShadowSide, (row + 0.5f) / kShadowSide, p)) continue;
      if (InsideSolid(rays, p, inPlane)) {
        open[row * kShadowSide + col] = 0;
        continue;
      }
      for (size_t li = 0; li < near.size(); ++li) {
        Vec3 toLamp = near[li]->position - p;
        const float d = toLamp.Length();
        if (d <= 0.6f || n.Dot(toLamp) <= 0.0f) continue;
        toLamp = toLamp * (1.0f / d);
        const float origin[3] = {p.x, p.y, p.z}, dir[3] = {toLamp.x, toLamp.y, toLamp.z};
        if (rays->rayCollision(origin, dir, false, 0.0f, d - 0.55f)) {
          visible[li * kSamples + row * kShadowSide + col] = 0.0f;
        }
      }
    }
  }
  for (int k = 0; k < kSamples; ++k) {
    if (open[k]) continue;
    int best = -1, bestDist = 1 << 30;
    for (int m = 0; m < kSamples; ++m) {
      if (!open[m]) continue;
      const int dr = m / kShadowSide - k / kShadowSide, dc = m % kShadowSide - k % kShadowSide;
      if (dr * dr + dc * dc < bestDist) {
        bestDist = dr * dr + dc * dc;
        best = m;
      }
    }
    for (size_t li = 0; li < near.size(); ++li) {
      visible[li * kSamples + k] = best >= 0 ? visible[li * kSamples + best] : 0.0f;
    }
  }
  auto visibility = [&](size_t li, int row, int col) {
    const float fy = std::clamp((row + 0.5f) * kShadowSide / kLightMapSide - 0.5f, 0.0f, kShadowSide - 1.0f);
    const float fx = std::clamp((col + 0.5f) * kShadowSide / kLightMapSide - 0.5f, 0.0f, kShadowSide - 1.0f);
    const int y0 = static_cast<int>(fy), x0 = static_cast<int>(fx);
    const int y1 = std::min(y0 + 1, kShadowSide - 1), x1 = std::min(x0 + 1, kShadowSide - 1);
    const float ty = fy - y0, tx = fx - x0;
    const float* g = visible.data() + li * kSamples;
    const float top = g[y0 * kShadowSide + x0] * (1 - tx) + g[y0 * kShadowSide + x1] * tx;
    const float bottom = g[y1 * kShadowSide + x0] * (1 - tx) + g[y1 * kShadowSide + x1] * tx;
    return top * (1 - ty) + bottom * ty;
  };
  for (int row = 0; row < kLightMapSide; ++row) {
    for (int col = 0; col < kLightMapSide; ++col) {
      float light[3] = {kAmbientLight, kAmbientLight, kAmbientLight};
      Vec3 p;
      if (surfacePoint((col + 0.5f) / kLightMapSide, (row + 0.5f) / kLightMapSide, p)) {
        for (size_t li = 0; li < near.size(); ++li) {
          const MapLamp* l = near[li];
          Vec3 toLamp = l->position - p;
          const float d2 = toLamp.LengthSquared();
          const float d = std::sqrt(d2);
          if (d < 1e-4f) continue;
          const float cosine = n.Dot(toLamp) / d;
          if (cosine <= 0.0f) continue;
          const float vis = visibility(li, row, col);
          if (vis <= 0.0f) continue;
          const float strength =
              vis * kLampScale * l->intensity * (0.15f + 0.85f * cosine) / std::max(1.0f, kFalloff * d2);
          light[0] += strength * l->colour.x;
          light[1] += strength * l->colour.y;
          light[2] += strength * l->colour.z;
        }
      }
      uint8_t* texel = out + 3 * (row * kLightMapSide + col);
      for (int k = 0; k < 3; ++k) texel[k] = static_cast<uint8_t>(std::clamp(light[k], 0.0f, 255.0f));
    }
  }
}

}  // namespace

std::unique_ptr<CollisionModel3D> MakeCollisionModel(const Ms3dData& model) {
  std::unique_ptr<CollisionModel3D> c(newCollisionModel3D(true));
  for (const Ms3dTriangle& t : model.triangles) {
    const float* a = model.vertices[t.vertexIndices[0]].location;
    const float* b = model.vertices[t.vertexIndices[1]].location;
    const float* d = model.vertices[t.vertexIndices[2]].location;
    c->addTriangle(a[0], a[1], a[2], b[0], b[1], b[2], d[0], d[1], d[2]);
  }
  c->finalize();
  return c;
}

std::vector<uint8_t> BakeLightMaps(const Ms3dData& model, const std::vector<MapLamp>& lamps, int threads) {
  std::vector<BakeTriangle> tris;
  for (const Ms3dGroup& g : model.groups) {
    for (int ti : g.triangleIndices) {
      if (static_cast<int>(tris.size()) >= kLightMapCapacity) break;
      BakeTriangle bt;
      const Ms3dTriangle& t = model.triangles[ti];
      for (int k = 0; k < 3; ++k) {
        const float* loc = model.vertices[t.vertexIndices[k]].location;
        std::copy(loc, loc + 3, bt.corners + 3 * k);
      }
      tris.push_back(bt);
    }
  }
  std::vector<uint8_t> maps(tris.size() * kLightMapBytes);
  threads = std::max(1, threads);
  std::vector<std::thread> workers;
  for (int w = 0; w < threads; ++w) {
    workers.emplace_back([&, w] {
      // Queries remember their last hit, so every worker casts through its own model.
      const std::unique_ptr<CollisionModel3D> occluders = MakeCollisionModel(model);
      for (size_t i = w; i < tris.size(); i += threads) {
        BakeOne(tris[i], lamps, occluders.get(), maps.data() + i * kLightMapBytes);
      }
    });
  }
  for (std::thread& t : workers) t.join();
  return maps;
}

}  // namespace makebase
