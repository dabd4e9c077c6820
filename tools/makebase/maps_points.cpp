#include "tools/makebase/maps_points.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>

#include "meshcollide/collision_model_3d.h"
#include "tools/makebase/maps_bake.h"

namespace makebase {

namespace {

constexpr int kStep = 2;              // grid spacing in world units (cells at even coordinates)
constexpr float kPlayerRadius = 1.25f;
constexpr float kMaxStepUp = 0.75f;   // height difference between neighbouring cells still walked

struct Cell {
  bool walkable = false;
  bool roomy = false;   // far enough from walls for a spawn point
  bool flat = false;    // level floor at a whole-number height
  float height = 0.0f;
};

class Probe {
 public:
  explicit Probe(const Ms3dData& m) : model_(MakeCollisionModel(m)) {}

  // Casts a ray; on a hit gives the distance and the hit triangle's (counter-clockwise) normal.
  bool Cast(const Vec3& from, const Vec3& dir, float range, float& dist, Vec3& normal) {
    const float o[3] = {from.x, from.y, from.z}, d[3] = {dir.x, dir.y, dir.z};
    if (!model_->rayCollision(o, d, true, 0.0f, range)) return false;
    float tri[9], other[9], p[3];
    model_->getCollidingTriangles(tri, other, false);
    model_->getCollisionPoint(p, false);
    const Vec3 a(tri[0], tri[1], tri[2]), b(tri[3], tri[4], tri[5]), c(tri[6], tri[7], tri[8]);
    normal = Vec3Cross(b - a, c - a);
    const float len = normal.Length();
    normal = len > 0 ? normal * (1.0f / len) : Vec3(0, 1, 0);
    dist = (Vec3(p[0], p[1], p[2]) - from).Length();
    return true;
  }
  bool Blocked(const Vec3& from, const Vec3& dir, float range) {
    float d;
    Vec3 n;
    return Cast(from, dir, range, d, n);
  }

 private:
  std::unique_ptr<CollisionModel3D> model_;
};

// The floor under (x, z) below height `top`: the first upward-facing surface a falling ray meets.
bool FloorAt(Probe& probe, float x, float z, float top, float& height, float& normalY) {
  Vec3 from(x, top, z);
  for (int tries = 0; tries < 6; ++tries) {
    float d;
    Vec3 n;
    if (!probe.Cast(from, Vec3(0, -1, 0), 200.0f, d, n)) return false;
    const float y = from.y - d;
    if (n.y > 0.85f) {
      height = y;
      normalY = n.y;
      return true;
    }
    from.y = y - 0.01f;
  }
  return false;
}

Cell Examine(Probe& probe, float x, float z, float top) {
  Cell c;
  float h, ny;
  if (!FloorAt(probe, x, z, top, h, ny)) return c;
  c.height = h;
  if (probe.Blocked(Vec3(x, h + 0.1f, z), Vec3(0, 1, 0), 3.2f)) return c;
  const Vec3 centre(x, h + kPlayerRadius + 0.1f, z);
  static const float kDirs[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {0.7071f, 0.7071f}, {0.7071f, -0.7071f},
                                    {-0.7071f, 0.7071f}, {-0.7071f, -0.7071f}};
  float nearest = 1e9f;
  for (const auto& dv : kDirs) {
    const Vec3 dir(dv[0], 0, dv[1]);
    float d;
    Vec3 n;
    if (probe.Cast(centre, dir, 12.0f, d, n)) {
      // A surface seen from behind: the point is inside a solid.
      if (n.Dot(dir) > 0.0f) return c;
      nearest = std::min(nearest, d);
    }
  }
  if (nearest < kPlayerRadius + 0.6f) return c;
  c.walkable = true;
  c.roomy = nearest >= 4.0f;
  c.flat = ny > 0.999f && std::fabs(h - std::round(h)) < 0.01f;
  return c;
}

}  // namespace

bool ChooseMapPoints(const Ms3dData& model, const Vec3& start, int spawnCount, int prizeCount, MapPoints& out) {
  out = MapPoints{};
  if (model.vertices.empty()) return false;
  Probe probe(model);
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (const Ms3dVertex& v : model.vertices) {
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], v.location[k]);
      hi[k] = std::max(hi[k], v.location[k]);
    }
  }
  // Rays fall from just under the ceiling over the start point.
  float ceilingDist;
  Vec3 ceilingNormal;
  if (!probe.Cast(start, Vec3(0, 1, 0), 500.0f, ceilingDist, ceilingNormal)) return false;
  const float top = start.y + ceilingDist - 0.05f;

  const int gx0 = static_cast<int>(std::ceil(lo[0] / kStep)), gx1 = static_cast<int>(std::floor(hi[0] / kStep));
  const int gz0 = static_cast<int>(std::ceil(lo[2] / kStep)), gz1 = static_cast<int>(std::floor(hi[2] / kStep));
  const int w = gx1 - gx0 + 1, d = gz1 - gz0 + 1;
  if (w <= 0 || d <= 0) return false;
  std::vector<Cell> cells(size_t(w) * d);
  auto index = [&](int i, int j) { return size_t(j) * w + i; };
  auto worldX = [&](int i) { return static_cast<float>((gx0 + i) * kStep); };
  auto worldZ = [&](int j) { return static_cast<float>((gz0 + j) * kStep); };
  for (int j = 0; j < d; ++j) {
    for (int i = 0; i < w; ++i) cells[index(i, j)] = Examine(probe, worldX(i), worldZ(j), top);
  }

  // Flood fill from the start over walkable cells joined by small steps and clear of walls.
  const int si = static_cast<int>(std::lround(start.x / kStep)) - gx0;
  const int sj = static_cast<int>(std::lround(start.z / kStep)) - gz0;
  if (si < 0 || sj < 0 || si >= w || sj >= d || !cells[index(si, sj)].walkable) return false;
  std::vector<char> reached(cells.size(), 0);
  std::deque<std::pair<int, int>> queue{{si, sj}};
  reached[index(si, sj)] = 1;
  while (!queue.empty()) {
    const auto [i, j] = queue.front();
    queue.pop_front();
    const Cell& c = cells[index(i, j)];
    const int di[4] = {1, -1, 0, 0}, dj[4] = {0, 0, 1, -1};
    for (int k = 0; k < 4; ++k) {
      const int ni = i + di[k], nj = j + dj[k];
      if (ni < 0 || nj < 0 || ni >= w || nj >= d || reached[index(ni, nj)]) continue;
      const Cell& n = cells[index(ni, nj)];
      if (!n.walkable || std::fabs(n.height - c.height) > kMaxStepUp) continue;
      const Vec3 from(worldX(i), std::max(c.height, n.height) + 1.0f, worldZ(j));
      if (probe.Blocked(from, Vec3(static_cast<float>(di[k]), 0, static_cast<float>(dj[k])), float(kStep))) continue;
      reached[index(ni, nj)] = 1;
      queue.emplace_back(ni, nj);
    }
  }

  // Candidates: reached, roomy, level floor. Farthest-point sampling spreads the points, starting
  // from the start point so that nothing appears on top of the player.
  std::vector<size_t> candidates;
  for (size_t k = 0; k < cells.size(); ++k) {
    if (reached[k]) ++out.reachableCells;
    if (reached[k] && cells[k].roomy && cells[k].flat) candidates.push_back(k);
  }
  if (static_cast<int>(candidates.size()) < spawnCount + prizeCount) return false;
  auto pos = [&](size_t k) {
    return Vec3(worldX(static_cast<int>(k % w)), cells[k].height, worldZ(static_cast<int>(k / w)));
  };
  std::vector<float> nearest(candidates.size());
  for (size_t c = 0; c < candidates.size(); ++c) {
    const Vec3 p = pos(candidates[c]);
    nearest[c] = (Vec3(p.x, 0, p.z) - Vec3(start.x, 0, start.z)).LengthSquared();
  }
  auto pick = [&]() {
    size_t best = 0;
    for (size_t c = 1; c < candidates.size(); ++c) {
      if (nearest[c] > nearest[best]) best = c;
    }
    const Vec3 p = pos(candidates[best]);
    for (size_t c = 0; c < candidates.size(); ++c) {
      const Vec3 q = pos(candidates[c]);
      nearest[c] = std::min(nearest[c], (Vec3(q.x, 0, q.z) - Vec3(p.x, 0, p.z)).LengthSquared());
    }
    return p;
  };
  for (int s = 0; s < spawnCount; ++s) {
    const Vec3 p = pick();
    out.spawns.push_back({static_cast<int32_t>(p.x), static_cast<int32_t>(std::lround(p.y)) + 3,
                          static_cast<int32_t>(p.z), 0});
  }
  for (int s = 0; s < prizeCount; ++s) {
    const Vec3 p = pick();
    // Mostly ammunition; every fourth a health pick-up, every sixth the third kind.
    const int32_t type = (s % 6 == 5) ? 2 : (s % 4 == 3) ? 1 : 0;
    out.prizes.push_back({static_cast<int32_t>(p.x), static_cast<int32_t>(std::lround(p.y)) + 1,
                          static_cast<int32_t>(p.z), type});
  }
  return true;
}

}  // namespace makebase
