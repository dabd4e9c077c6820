#include "meshcollide/mesh_bvh.h"

#include <algorithm>
#include <cmath>

namespace meshcollide {

namespace {

constexpr int kBins = 16;
constexpr int kMaxLeafSize = 4;
// Beyond this depth the tree splits at the median, which bounds the depth (and the traversal
// stack) by this plus log2 of the triangle count whatever the triangles' layout.
constexpr int kSahDepthLimit = 40;
constexpr int kStackSize = 128;
// The cost of visiting a node relative to one ray-triangle test.
constexpr float kTraversalCost = 1.0f;

struct Box {
  float lo[3] = {INFINITY, INFINITY, INFINITY};
  float hi[3] = {-INFINITY, -INFINITY, -INFINITY};

  void Grow(const float p[3]) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], p[a]);
      hi[a] = std::max(hi[a], p[a]);
    }
  }
  void Grow(const Box& b) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], b.lo[a]);
      hi[a] = std::max(hi[a], b.hi[a]);
    }
  }
  float HalfArea() const {
    if (lo[0] > hi[0]) return 0.0f;
    const float dx = hi[0] - lo[0], dy = hi[1] - lo[1], dz = hi[2] - lo[2];
    return dx * dy + dy * dz + dz * dx;
  }
};

struct BuildTriangle {
  Box box;
  float centre[3];
  int32_t index;
};

class Builder {
 public:
  Builder(std::vector<BuildTriangle>& tris, std::vector<BvhNode>& nodes, float padding)
      : tris_(tris), nodes_(nodes), padding_(padding) {}

  int Build(int begin, int end, int depth) {
    maxDepth_ = std::max(maxDepth_, depth);
    const int nodeIndex = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
    Box bounds, centres;
    for (int i = begin; i < end; ++i) {
      bounds.Grow(tris_[i].box);
      centres.Grow(tris_[i].centre);
    }
    SetBounds(nodeIndex, bounds);

    const int n = end - begin;
    if (n <= 1) return MakeLeaf(nodeIndex, begin, n);

    int axis = 0;
    for (int a = 1; a < 3; ++a) {
      if (centres.hi[a] - centres.lo[a] > centres.hi[axis] - centres.lo[axis]) axis = a;
    }
    const float extent = centres.hi[axis] - centres.lo[axis];

    int mid = -1;
    if (extent > 0.0f && depth < kSahDepthLimit) {
      mid = SahSplit(begin, end, bounds, centres, axis);
      if (mid == end) return MakeLeaf(nodeIndex, begin, n);  // a leaf is cheaper
    }
    if (mid <= begin || mid >= end) {
      if (n <= kMaxLeafSize) return MakeLeaf(nodeIndex, begin, n);
      // Median split: along the widest centre spread, or by position in the list when all
      // centres coincide.
      mid = begin + n / 2;
      if (extent > 0.0f) {
        std::nth_element(tris_.begin() + begin, tris_.begin() + mid, tris_.begin() + end,
                         [axis](const BuildTriangle& a, const BuildTriangle& b) {
                           return a.centre[axis] < b.centre[axis];
                         });
      }
    }
    Build(begin, mid, depth + 1);
    const int right = Build(mid, end, depth + 1);
    nodes_[nodeIndex].firstOrRight = right;
    nodes_[nodeIndex].count = -axis;
    return nodeIndex;
  }

  int MaxDepth() const { return maxDepth_; }

 private:
  int MakeLeaf(int nodeIndex, int begin, int n) {
    nodes_[nodeIndex].firstOrRight = begin;
    nodes_[nodeIndex].count = n;
    return nodeIndex;
  }

  void SetBounds(int nodeIndex, const Box& b) {
    BvhNode& node = nodes_[nodeIndex];
    for (int a = 0; a < 3; ++a) {
      node.lo[a] = b.lo[a] - padding_;
      node.hi[a] = b.hi[a] + padding_;
    }
  }

  // Chooses the cheapest binned split over the three axes. Returns the partition point, `end`
  // when keeping a leaf is cheaper (only for small sets), or -1 when no split separates anything.
  int SahSplit(int begin, int end, const Box& bounds, const Box& centres, int widestAxis) {
    const int n = end - begin;
    float bestCost = INFINITY;
    int bestAxis = -1, bestBin = -1;
    for (int axis = 0; axis < 3; ++axis) {
      const float extent = centres.hi[axis] - centres.lo[axis];
      if (!(extent > 0.0f)) continue;
      const float scale = kBins / extent;
      Box binBox[kBins];
      int binCount[kBins] = {};
      for (int i = begin; i < end; ++i) {
        const int b = BinOf(tris_[i].centre[axis], centres.lo[axis], scale);
        binCount[b]++;
        binBox[b].Grow(tris_[i].box);
      }
      float rightArea[kBins];
      int rightCount[kBins];
      Box acc;
      int count = 0;
      for (int b = kBins - 1; b > 0; --b) {
        acc.Grow(binBox[b]);
        count += binCount[b];
        rightArea[b] = acc.HalfArea();
        rightCount[b] = count;
      }
      acc = Box();
      count = 0;
      for (int b = 0; b < kBins - 1; ++b) {
        acc.Grow(binBox[b]);
        count += binCount[b];
        if (count == 0 || rightCount[b + 1] == 0) continue;
        const float cost = acc.HalfArea() * count + rightArea[b + 1] * rightCount[b + 1];
        if (cost < bestCost) {
          bestCost = cost;
          bestAxis = axis;
          bestBin = b;
        }
      }
    }
    (void)widestAxis;
    if (bestAxis < 0) return -1;
    const float parentArea = bounds.HalfArea();
    if (n <= kMaxLeafSize && parentArea > 0.0f &&
        kTraversalCost + bestCost / parentArea >= static_cast<float>(n)) {
      return end;
    }
    const float lo = centres.lo[bestAxis];
    const float scale = kBins / (centres.hi[bestAxis] - lo);
    auto it = std::partition(tris_.begin() + begin, tris_.begin() + end, [&](const BuildTriangle& t) {
      return BinOf(t.centre[bestAxis], lo, scale) <= bestBin;
    });
    return static_cast<int>(it - tris_.begin());
  }

  static int BinOf(float c, float lo, float scale) {
    const float b = (c - lo) * scale;
    if (!(b > 0.0f)) return 0;  // also a NaN from an overflowing extent
    if (b >= static_cast<float>(kBins - 1)) return kBins - 1;
    return static_cast<int>(b);
  }

  std::vector<BuildTriangle>& tris_;
  std::vector<BvhNode>& nodes_;
  float padding_;
  int maxDepth_ = 0;
};

// Entry and exit of the ray in a node's box, clipped to [tmin, tmax]; false when they do not meet.
inline bool RayBox(const BvhNode& n, const float o[3], const float inv[3], float tmin, float tmax, float& enter) {
  const float x1 = (n.lo[0] - o[0]) * inv[0], x2 = (n.hi[0] - o[0]) * inv[0];
  const float y1 = (n.lo[1] - o[1]) * inv[1], y2 = (n.hi[1] - o[1]) * inv[1];
  const float z1 = (n.lo[2] - o[2]) * inv[2], z2 = (n.hi[2] - o[2]) * inv[2];
  const float near = std::max(std::max(std::min(x1, x2), std::min(y1, y2)), std::max(std::min(z1, z2), tmin));
  const float far = std::min(std::min(std::max(x1, x2), std::max(y1, y2)), std::min(std::max(z1, z2), tmax));
  enter = near;
  return near <= far;
}

// Keeps the better of two hits: smaller t, then lower triangle number.
inline bool Better(float t, int32_t tri, const RayHit& best) {
  return best.triangle < 0 || t < best.t || (t == best.t && tri < best.triangle);
}

}  // namespace

void PrepareTriangle(const float c[9], int32_t index, PreparedTriangle& out) {
  for (int a = 0; a < 3; ++a) {
    out.v0[a] = c[a];
    out.e1[a] = double(c[3 + a]) - c[a];
    out.e2[a] = double(c[6 + a]) - c[a];
  }
  out.index = index;
}

void MeshBvh::Build(const std::vector<float>& corners) {
  nodes_.clear();
  triangles_.clear();
  depth_ = 0;
  const int total = static_cast<int>(corners.size() / 9);
  // A triangle with a non-finite corner can never be met by a finite ray; it stays out of the tree.
  std::vector<BuildTriangle> tris;
  tris.reserve(total);
  float largest = 0.0f;
  for (int i = 0; i < total; ++i) {
    const float* c = &corners[size_t(i) * 9];
    if (!std::all_of(c, c + 9, [](float v) { return std::isfinite(v); })) continue;
    BuildTriangle& t = tris.emplace_back();
    for (int k = 0; k < 3; ++k) t.box.Grow(c + 3 * k);
    for (int a = 0; a < 3; ++a) {
      t.centre[a] = (t.box.lo[a] + t.box.hi[a]) * 0.5f;
      largest = std::max(largest, std::max(std::fabs(t.box.lo[a]), std::fabs(t.box.hi[a])));
    }
    t.index = i;
  }
  const int count = static_cast<int>(tris.size());
  if (count == 0) return;
  // Boxes grow by a few parts per million of the scene's size so that a crossing the triangle
  // test finds on a box face is never lost to the rounding of the box test.
  const float padding = 4e-6f * (largest + 1.0f);

  nodes_.reserve(size_t(count) * 2);
  Builder builder(tris, nodes_, padding);
  builder.Build(0, count, 0);
  depth_ = builder.MaxDepth();

  triangles_.resize(count);
  for (int i = 0; i < count; ++i) {
    const int32_t index = tris[i].index;
    PrepareTriangle(&corners[size_t(index) * 9], index, triangles_[i]);
  }
}

bool MeshBvh::Raycast(const float o[3], const float d[3], bool closest, float segmin, float segmax,
                      RayHit& hit) const {
  if (nodes_.empty()) return false;
  float inv[3];
  for (int a = 0; a < 3; ++a) {
    // A zero component becomes a tiny one of the same sign: the slab then spans everything or
    // nothing instead of producing 0 * infinity.
    const float c = std::fabs(d[a]) < 1e-30f ? std::copysign(1e-30f, d[a]) : d[a];
    inv[a] = 1.0f / c;
  }
  RayHit best;
  float limit = segmax;
  // Postponed subtrees with the distance at which the ray enters them.
  int stack[kStackSize];
  float stackEnter[kStackSize];
  int top = 0;
  int node = 0;
  float enter;
  if (!RayBox(nodes_[0], o, inv, segmin, limit, enter)) return false;
  for (;;) {
    const BvhNode& n = nodes_[node];
    if (n.count > 0) {
      const PreparedTriangle* tri = &triangles_[n.firstOrRight];
      for (int i = 0; i < n.count; ++i) {
        float t;
        if (IntersectTriangle(o, d, tri[i], t) && t >= segmin && t <= limit && Better(t, tri[i].index, best)) {
          best.t = t;
          best.triangle = tri[i].index;
          limit = t;
          if (!closest) {
            hit = best;
            return true;
          }
        }
      }
    } else {
      int first = node + 1, second = n.firstOrRight;
      float enterFirst, enterSecond;
      const bool hitFirst = RayBox(nodes_[first], o, inv, segmin, limit, enterFirst);
      const bool hitSecond = RayBox(nodes_[second], o, inv, segmin, limit, enterSecond);
      if (hitFirst && hitSecond) {
        if (enterSecond < enterFirst) {
          std::swap(first, second);
          std::swap(enterFirst, enterSecond);
        }
        stack[top] = second;
        stackEnter[top] = enterSecond;
        ++top;
        node = first;
        continue;
      }
      if (hitFirst) {
        node = first;
        continue;
      }
      if (hitSecond) {
        node = second;
        continue;
      }
    }
    // Pop the next subtree that the ray enters no farther than the best hit so far.
    for (;;) {
      if (top == 0) {
        if (best.triangle < 0) return false;
        hit = best;
        return true;
      }
      --top;
      if (stackEnter[top] <= limit) {
        node = stack[top];
        break;
      }
    }
  }
}

bool MeshBvh::RaycastBruteForce(const float o[3], const float d[3], bool closest, float segmin, float segmax,
                                RayHit& hit) const {
  RayHit best;
  for (const PreparedTriangle& tri : triangles_) {
    float t;
    if (IntersectTriangle(o, d, tri, t) && t >= segmin && t <= segmax && Better(t, tri.index, best)) {
      best.t = t;
      best.triangle = tri.index;
      if (!closest) break;
    }
  }
  if (best.triangle < 0) return false;
  hit = best;
  return true;
}

}  // namespace meshcollide
