// The search structure behind a collision model: a bounding volume tree over the triangles, built
// with binned surface-area splits, collapsed into a flat array of four-wide nodes, and the
// two-sided ray-triangle test it shares with a plain scan of all triangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshcollide {

// A triangle prepared for the ray test: first corner and the two edges from it. The edges are
// differences of floats, exact in double precision, so two triangles sharing an edge describe it
// identically and the test below leaves no crack between them.
struct PreparedTriangle {
  double e1[3];
  double e2[3];
  float v0[3];
  int32_t index;  // the triangle's number in the order it was added
};
static_assert(sizeof(PreparedTriangle) == 64, "one cache line per triangle");

struct BvhNode {
  float lo[3];
  int32_t firstOrRight;
  float hi[3];
  int32_t count;  // > 0: leaf with triangles [firstOrRight, +count); <= 0: interior node split
                  // along axis -count, children at this + 1 and firstOrRight
};
static_assert(sizeof(BvhNode) == 32, "two nodes per cache line");

// A node of the four-wide tree the queries walk: up to four children's boxes side by side (lane
// i of each row is child i), so one ray meets all four with a few vector operations. A child is
// an inner node (count 0, index into the node array) or a leaf (count > 0 triangles from first).
struct alignas(16) WideNode {
  float lo[3][4];
  float hi[3][4];
  int32_t child[4];  // inner node index, or the first triangle of a leaf
  int32_t count[4];  // 0: inner node; > 0: leaf size
  int32_t children;  // lanes in use
  int32_t pad[3];
};

struct RayHit {
  float t = 0.0f;
  int32_t triangle = -1;
};

// Barycentric slack of the ray-triangle test: a crossing on a shared edge is found by both
// triangles whatever the rounding, at the cost of reaching out by a ten-millionth of a triangle.
inline constexpr double kEdgeSlack = 1e-7;

// The ray-triangle test (Moller-Trumbore in double precision, no back-face culling). Writes the
// ray parameter of the crossing; false for a miss, a ray parallel to the plane or a degenerate
// triangle. Edges and corners count as inside.
inline bool IntersectTriangle(const float o[3], const float d[3], const PreparedTriangle& tri, float& t) {
  const double dx = d[0], dy = d[1], dz = d[2];
  const double px = dy * tri.e2[2] - dz * tri.e2[1];
  const double py = dz * tri.e2[0] - dx * tri.e2[2];
  const double pz = dx * tri.e2[1] - dy * tri.e2[0];
  const double det = tri.e1[0] * px + tri.e1[1] * py + tri.e1[2] * pz;
  if (det == 0.0) return false;
  const double inv = 1.0 / det;
  const double sx = double(o[0]) - tri.v0[0], sy = double(o[1]) - tri.v0[1], sz = double(o[2]) - tri.v0[2];
  const double u = (sx * px + sy * py + sz * pz) * inv;
  if (!(u >= -kEdgeSlack && u <= 1.0 + kEdgeSlack)) return false;
  const double qx = sy * tri.e1[2] - sz * tri.e1[1];
  const double qy = sz * tri.e1[0] - sx * tri.e1[2];
  const double qz = sx * tri.e1[1] - sy * tri.e1[0];
  const double v = (dx * qx + dy * qy + dz * qz) * inv;
  if (!(v >= -kEdgeSlack && u + v <= 1.0 + kEdgeSlack)) return false;
  t = static_cast<float>((tri.e2[0] * qx + tri.e2[1] * qy + tri.e2[2] * qz) * inv);
  return true;
}

void PrepareTriangle(const float corners[9], int32_t index, PreparedTriangle& out);

class MeshBvh {
 public:
  // Builds the tree over triangles given as nine floats each.
  void Build(const std::vector<float>& corners);
  bool Empty() const { return wide_.empty(); }
  size_t NodeCount() const { return wide_.size(); }
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
  // Collapses the binary tree into the four-wide one.
  void BuildWide(const std::vector<BvhNode>& binary);
  std::vector<WideNode> wide_;
  std::vector<PreparedTriangle> triangles_;  // in leaf order
  int depth_ = 0;
};

}  // namespace meshcollide
