#include "meshcollide/mesh_bvh.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace meshcollide {

namespace {

constexpr int kBins = 16;
constexpr int kMaxLeafSize = 4;
// Beyond this depth the tree splits at the median, which bounds the depth (and the traversal
// stack) by this plus log2 of the triangle count whatever the triangles' layout.
constexpr int kSahDepthLimit = 40;
constexpr int kStackSize = 256;  // three postponed children per level at most
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
  wide_.clear();
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

  std::vector<BvhNode> binary;
  binary.reserve(size_t(count) * 2);
  Builder builder(tris, binary, padding);
  builder.Build(0, count, 0);
  depth_ = builder.MaxDepth();
  BuildWide(binary);

  triangles_.resize(count);
  for (int i = 0; i < count; ++i) {
    const int32_t index = tris[i].index;
    PrepareTriangle(&corners[size_t(index) * 9], index, triangles_[i]);
  }
}

void MeshBvh::BuildWide(const std::vector<BvhNode>& binary) {
  wide_.reserve(binary.size() / 2 + 1);
  // Each wide node takes a binary node's subtree down to four descendants: repeatedly open the
  // inner child with the largest box until four children or only leaves remain.
  struct Pending {
    int binaryNode;
    int wideNode;
  };
  std::vector<Pending> work;
  wide_.emplace_back();
  work.push_back({0, 0});
  auto area = [&binary](int n) {
    const BvhNode& b = binary[n];
    const float dx = b.hi[0] - b.lo[0], dy = b.hi[1] - b.lo[1], dz = b.hi[2] - b.lo[2];
    return dx * dy + dy * dz + dz * dx;
  };
  while (!work.empty()) {
    const Pending p = work.back();
    work.pop_back();
    int kids[4];
    int n = 0;
    if (binary[p.binaryNode].count > 0) {
      kids[n++] = p.binaryNode;  // a lone leaf at the root
    } else {
      kids[n++] = p.binaryNode + 1;
      kids[n++] = binary[p.binaryNode].firstOrRight;
    }
    while (n < 4) {
      int open = -1;
      for (int i = 0; i < n; ++i) {
        if (binary[kids[i]].count <= 0 && (open < 0 || area(kids[i]) > area(kids[open]))) open = i;
      }
      if (open < 0) break;
      const int inner = kids[open];
      kids[open] = inner + 1;
      kids[n++] = binary[inner].firstOrRight;
    }
    WideNode node{};
    node.children = n;
    for (int i = 0; i < 4; ++i) {
      const BvhNode& b = binary[kids[i < n ? i : 0]];
      for (int a = 0; a < 3; ++a) {
        node.lo[a][i] = b.lo[a];
        node.hi[a][i] = b.hi[a];
      }
      if (i >= n) continue;
      if (b.count > 0) {
        node.child[i] = b.firstOrRight;
        node.count[i] = b.count;
      } else {
        node.child[i] = static_cast<int32_t>(wide_.size());
        node.count[i] = 0;
        wide_.emplace_back();
        work.push_back({kids[i], node.child[i]});
      }
    }
    wide_[p.wideNode] = node;
  }
}

namespace {

// Entry distances of the ray into the four child boxes of a node, clipped to [tmin, tmax]; the
// returned bit i is set when child i is met.
#if defined(__SSE2__)
inline int RayBox4(const WideNode& n, const __m128 o[3], const __m128 inv[3], float tmin, float tmax,
                   float enter[4]) {
  __m128 near = _mm_set1_ps(tmin), far = _mm_set1_ps(tmax);
  for (int a = 0; a < 3; ++a) {
    const __m128 t1 = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(n.lo[a]), o[a]), inv[a]);
    const __m128 t2 = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(n.hi[a]), o[a]), inv[a]);
    near = _mm_max_ps(near, _mm_min_ps(t1, t2));
    far = _mm_min_ps(far, _mm_max_ps(t1, t2));
  }
  _mm_storeu_ps(enter, near);
  return _mm_movemask_ps(_mm_cmple_ps(near, far)) & ((1 << n.children) - 1);
}
#else
inline int RayBox4(const WideNode& n, const float o[3], const float inv[3], float tmin, float tmax,
                   float enter[4]) {
  int mask = 0;
  for (int i = 0; i < n.children; ++i) {
    float near = tmin, far = tmax;
    for (int a = 0; a < 3; ++a) {
      const float t1 = (n.lo[a][i] - o[a]) * inv[a], t2 = (n.hi[a][i] - o[a]) * inv[a];
      near = std::max(near, std::min(t1, t2));
      far = std::min(far, std::max(t1, t2));
    }
    enter[i] = near;
    if (near <= far) mask |= 1 << i;
  }
  return mask;
}
#endif

}  // namespace

bool MeshBvh::Raycast(const float o[3], const float d[3], bool closest, float segmin, float segmax,
                      RayHit& hit) const {
  if (wide_.empty()) return false;
  float invScalar[3];
  for (int a = 0; a < 3; ++a) {
    // A zero component becomes a tiny one of the same sign: the slab then spans everything or
    // nothing instead of producing 0 * infinity.
    const float c = std::fabs(d[a]) < 1e-30f ? std::copysign(1e-30f, d[a]) : d[a];
    invScalar[a] = 1.0f / c;
  }
#if defined(__SSE2__)
  const __m128 ov[3] = {_mm_set1_ps(o[0]), _mm_set1_ps(o[1]), _mm_set1_ps(o[2])};
  const __m128 inv[3] = {_mm_set1_ps(invScalar[0]), _mm_set1_ps(invScalar[1]), _mm_set1_ps(invScalar[2])};
#else
  const float* ov = o;
  const float* inv = invScalar;
#endif
  RayHit best;
  float limit = segmax;
  // Postponed children with the distance at which the ray enters them: (index, count) as in
  // WideNode.
  struct Entry {
    int32_t child;
    int32_t count;
    float enter;
  };
  Entry stack[kStackSize];
  int top = 0;
  Entry current{0, 0, segmin};
  for (;;) {
    if (current.count > 0) {
      const PreparedTriangle* tri = &triangles_[current.child];
      for (int i = 0; i < current.count; ++i) {
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
      const WideNode& n = wide_[current.child];
      float enter[4];
      int mask = RayBox4(n, ov, inv, segmin, limit, enter);
      if (mask) {
        // Children met, nearest first.
        Entry met[4];
        int count = 0;
        while (mask) {
          const int i = __builtin_ctz(mask);
          mask &= mask - 1;
          Entry e{n.child[i], n.count[i], enter[i]};
          int j = count++;
          while (j > 0 && met[j - 1].enter > e.enter) {
            met[j] = met[j - 1];
            --j;
          }
          met[j] = e;
        }
        for (int i = count - 1; i > 0; --i) stack[top++] = met[i];
        current = met[0];
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
      if (stack[top].enter <= limit) {
        current = stack[top];
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
