// The search structure behind a collision model: a bounding volume tree over the triangles, built
// with binned surface-area splits and flattened into one array in depth-first order, and the
// two-sided ray-triangle test it shares with a plain scan of all triangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshcollide {

// A triangle prepared for the ray test: first corner and the two edges from it.
struct PreparedTriangle {
  float v0[3];
  float e1[3];
  float e2[3];
  int32_t index;  // the triangle's number in the order it was added
};

// Interior node: children at this + 1 and `right`, split along `axis`. Leaf: triangles
// [first, first + count) of the reordered triangle array.
struct BvhNode {
  float lo[3];
  int32_t firstOrRight;
  float hi[3];
  int32_t count;  // > 0: leaf; <= 0: interior node split along axis -count
};
static_assert(sizeof(BvhNode) == 32, "two nodes per cache line");

struct RayHit {
  float t = 0.0f;
  int32_t triangle = -1;
};

// The ray-triangle test (Moller-Trumbore, no back-face culling). Writes the ray parameter of the
// crossing; false for a miss, a ray parallel to the plane or a degenerate triangle. Edges and
// corners count as inside.
inline bool IntersectTriangle(const float o[3], const float d[3], const PreparedTriangle& tri, float& t) {
  const float px = d[1] * tri.e2[2] - d[2] * tri.e2[1];
  const float py = d[2] * tri.e2[0] - d[0] * tri.e2[2];
  const float pz = d[0] * tri.e2[1] - d[1] * tri.e2[0];
  const float det = tri.e1[0] * px + tri.e1[1] * py + tri.e1[2] * pz;
  if (det == 0.0f) return false;
  const float inv = 1.0f / det;
  const float sx = o[0] - tri.v0[0], sy = o[1] - tri.v0[1], sz = o[2] - tri.v0[2];
  const float u = (sx * px + sy * py + sz * pz) * inv;
  if (!(u >= 0.0f && u <= 1.0f)) return false;
  const float qx = sy * tri.e1[2] - sz * tri.e1[1];
  const float qy = sz * tri.e1[0] - sx * tri.e1[2];
  const float qz = sx * tri.e1[1] - sy * tri.e1[0];
  const float v = (d[0] * qx + d[1] * qy + d[2] * qz) * inv;
  if (!(v >= 0.0f && u + v <= 1.0f)) return false;
  t = (tri.e2[0] * qx + tri.e2[1] * qy + tri.e2[2] * qz) * inv;
  return true;
}

void PrepareTriangle(const float corners[9], int32_t index, PreparedTriangle& out);

class MeshBvh {
 public:
  // Builds the tree over triangles given as nine floats each.
  void Build(const std::vector<float>& corners);
  bool Empty() const { return nodes_.empty(); }
  size_t NodeCount() const { return nodes_.size(); }
  int Depth() const { return depth_; }

  // Ray queries in the tree's coordinates. The caller guarantees finite input and segmin <= segmax.
  // A hit with segmin <= t <= segmax; with closest the smallest t, ties to the lowest triangle
  // number.
  bool Raycast(const float origin[3], const float direction[3], bool closest, float segmin, float segmax,
               RayHit& hit) const;
  // The same answer by testing every triangle in order (reference and fallback for checks).
  bool RaycastBruteForce(const float origin[3], const float direction[3], bool closest, float segmin,
                         float segmax, RayHit& hit) const;

 private:
  std::vector<BvhNode> nodes_;
  std::vector<PreparedTriangle> triangles_;  // in leaf order
  int depth_ = 0;
};

}  // namespace meshcollide
