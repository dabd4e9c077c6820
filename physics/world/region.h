// Broad phase (sweep and prune on three axes) and the terrain triangle tree it owns.
#pragma once

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "physics/collision/pair_tests.h"
#include "physics/world/world.h"

namespace phys {

struct TerrainTree;

struct TerrainTreeNode {
  const TerrainTree* tree = nullptr;
  int32_t parent = -2;
  int32_t children[4] = {-1, -1, -1, -1};
  Vec3 min, max;
  // Leaf triangles: a range of the tree's leaf index array.
  int32_t firstTriangle = 0;
  int32_t triangleCount = 0;
};

struct TerrainTree {
  Vec3* vertices = nullptr;
  int32_t vertexCount = 0;
  Triangle* triangles = nullptr;
  int32_t triangleCount = 0;
  GrowArray<TerrainTreeNode> nodes;
  // Triangle indices of every leaf, one range per leaf.
  GrowArray<int32_t> leafIndices;
  // Every triangle prepared for the collision tests, indexed like `triangles`; empty when the
  // block could not be had (the tests then prepare each triangle as they meet it).
  GrowArray<PreparedTriangle> prepared;
  // For every leaf entry, parallel to `leafIndices`, the corner bounds of its triangle (low x, y,
  // z, high x, y, z) and its plane (normal x, y, z, offset) as ten arrays of `boundsStride` floats,
  // so that a query can drop far triangles four at a time while reading the leaves in order; empty
  // without `prepared`.
  GrowArray<float> leafBounds;
  size_t boundsStride = 0;
  // Counts the builds, so that what was learnt from one tree is not used with the next.
  uint32_t buildCount = 0;
  // Whether every node's box lies inside its parent's: then the leaves a query finds are just the
  // leaves whose boxes touch the query box, in tree order, whatever the box.
  bool nestedBoxes = false;
  Allocator* allocator = nullptr;
  DefaultAllocator ownAllocator;
  TerrainTreeNode root;
  const SimulatorSizeInfo* sizeInfo = nullptr;

  TerrainTree() { root.tree = this; }
  TerrainTree(const TerrainTree&) = delete;
  TerrainTree& operator=(const TerrainTree&) = delete;
  ~TerrainTree() { Free(); }

  bool Build(const Vec3* vertices, int vertexCount, const Triangle* triangles, int triangleCount, Allocator* allocator);
  void FreeMesh();
  void Free() { FreeMesh(); }
  const TerrainTreeNode* GetNode(int index) const { return index == -1 ? &root : &nodes[static_cast<size_t>(index)]; }
  const int32_t* NodeTriangles(const TerrainTreeNode& node) const { return leafIndices.Data() + node.firstTriangle; }
  bool HasLeafBounds() const { return boundsStride > 0 && leafBounds.Count() == kEntryArrays * boundsStride; }
  // Calls f(i), in order, for every entry i of the leaf whose triangle's bounds touch the box
  // centre +- reach and whose plane lies within reach of the centre; needs HasLeafBounds().
  template <class F>
  void ForEachEntryNear(const TerrainTreeNode& node, const Vec3& centre, float reach, F f) const;
  static constexpr int kEntryArrays = 10;
  // The test of ForEachEntryNear for one entry, by its place in the leaf index array.
  bool EntryNear(size_t at, const Vec3& centre, float reach) const {
    const float* a = leafBounds.Data() + at;
    const size_t n = boundsStride;
    const float s = a[6 * n] * centre.x + a[7 * n] * centre.y + a[8 * n] * centre.z - a[9 * n];
    return !(a[0] > centre.x + reach || a[3 * n] < centre.x - reach || a[n] > centre.y + reach ||
             a[4 * n] < centre.y - reach || a[2 * n] > centre.z + reach || a[5 * n] < centre.z - reach ||
             s > reach || s < -reach ||
             BoundsDistanceSquared(a[0], a[n], a[2 * n], a[3 * n], a[4 * n], a[5 * n], centre) > reach * reach);
  }
  // Squared distance from a point to the box [lo, hi]; a triangle inside the box is never nearer.
  static float BoundsDistanceSquared(float lx, float ly, float lz, float hx, float hy, float hz, const Vec3& c) {
    auto gap = [](float lo, float hi, float v) {
      const float below = lo - v, above = v - hi;
      const float g = below > above ? below : above;
      return g > 0.0f ? g : 0.0f;
    };
    const float dx = gap(lx, hx, c.x), dy = gap(ly, hy, c.y), dz = gap(lz, hz, c.z);
    return dx * dx + dy * dy + dz * dz;
  }
  const PreparedTriangle* PreparedTriangles() const {
    return prepared.Count() == static_cast<size_t>(triangleCount) ? prepared.Data() : nullptr;
  }
  int NodesInUse() const { return static_cast<int>(nodes.Count()); }

 private:
  bool BuildNode(int nodeIndex, const int32_t* list, int count, int depth);
  // The mean of all corners of the listed triangles (each counts its three corners).
  Vec3 Centroid(const int32_t* list, int count) const;
  TerrainTreeNode& Node(int index) { return index == -1 ? root : nodes[static_cast<size_t>(index)]; }
  bool MakeLeaf(int nodeIndex, const int32_t* list, int count);
};

template <class F>
void TerrainTree::ForEachEntryNear(const TerrainTreeNode& node, const Vec3& centre, float reach, F f) const {
  const float* a[kEntryArrays];
  for (int k = 0; k < kEntryArrays; ++k) a[k] = leafBounds.Data() + k * boundsStride + node.firstTriangle;
  const int count = node.triangleCount;
#if defined(__SSE2__)
  // Four entries per round; the arrays are padded so that the last round may read past the leaf.
  // "Not greater" and "not less" let a NaN pass, as the scalar test does.
  const __m128 cx = _mm_set1_ps(centre.x), cy = _mm_set1_ps(centre.y), cz = _mm_set1_ps(centre.z);
  const __m128 r = _mm_set1_ps(reach), nr = _mm_set1_ps(-reach);
  const __m128 lx = _mm_sub_ps(cx, r), ly = _mm_sub_ps(cy, r), lz = _mm_sub_ps(cz, r);
  const __m128 hx = _mm_add_ps(cx, r), hy = _mm_add_ps(cy, r), hz = _mm_add_ps(cz, r);
  for (int i = 0; i < count; i += 4) {
    __m128 m = _mm_and_ps(_mm_cmpngt_ps(_mm_loadu_ps(a[0] + i), hx), _mm_cmpnlt_ps(_mm_loadu_ps(a[3] + i), lx));
    m = _mm_and_ps(m, _mm_and_ps(_mm_cmpngt_ps(_mm_loadu_ps(a[2] + i), hz), _mm_cmpnlt_ps(_mm_loadu_ps(a[5] + i), lz)));
    m = _mm_and_ps(m, _mm_and_ps(_mm_cmpngt_ps(_mm_loadu_ps(a[1] + i), hy), _mm_cmpnlt_ps(_mm_loadu_ps(a[4] + i), ly)));
    // Distance from the centre to the triangle's bounds, squared: no farther than reach.
    const __m128 zero = _mm_setzero_ps();
    const __m128 dx = _mm_max_ps(_mm_max_ps(_mm_sub_ps(_mm_loadu_ps(a[0] + i), cx), _mm_sub_ps(cx, _mm_loadu_ps(a[3] + i))), zero);
    const __m128 dy = _mm_max_ps(_mm_max_ps(_mm_sub_ps(_mm_loadu_ps(a[1] + i), cy), _mm_sub_ps(cy, _mm_loadu_ps(a[4] + i))), zero);
    const __m128 dz = _mm_max_ps(_mm_max_ps(_mm_sub_ps(_mm_loadu_ps(a[2] + i), cz), _mm_sub_ps(cz, _mm_loadu_ps(a[5] + i))), zero);
    const __m128 d2 = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
    m = _mm_and_ps(m, _mm_cmpngt_ps(d2, _mm_mul_ps(r, r)));
    __m128 s = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(a[6] + i), cx), _mm_mul_ps(_mm_loadu_ps(a[7] + i), cy));
    s = _mm_sub_ps(_mm_add_ps(s, _mm_mul_ps(_mm_loadu_ps(a[8] + i), cz)), _mm_loadu_ps(a[9] + i));
    m = _mm_and_ps(m, _mm_and_ps(_mm_cmpngt_ps(s, r), _mm_cmpnlt_ps(s, nr)));
    unsigned bits = static_cast<unsigned>(_mm_movemask_ps(m));
    if (count - i < 4) bits &= (1u << (count - i)) - 1u;
    while (bits) {
      const int k = __builtin_ctz(bits);
      bits &= bits - 1u;
      f(i + k);
    }
  }
#else
  for (int i = 0; i < count; ++i) {
    if (a[0][i] > centre.x + reach || a[3][i] < centre.x - reach || a[1][i] > centre.y + reach ||
        a[4][i] < centre.y - reach || a[2][i] > centre.z + reach || a[5][i] < centre.z - reach) {
      continue;
    }
    const float s = a[6][i] * centre.x + a[7][i] * centre.y + a[8][i] * centre.z - a[9][i];
    if (s > reach || s < -reach) continue;
    if (BoundsDistanceSquared(a[0][i], a[1][i], a[2][i], a[3][i], a[4][i], a[5][i], centre) > reach * reach) continue;
    f(i);
  }
#endif
}

// Whether the node's box touches [lo, hi] (a NaN side touches).
inline bool TerrainNodeTouches(const TerrainTreeNode& node, const Vec3& lo, const Vec3& hi) {
  return !(lo.y > node.max.y || hi.y < node.min.y || lo.x > node.max.x || hi.x < node.min.x || lo.z > node.max.z ||
           hi.z < node.min.z);
}

// Appends every leaf under `node` whose bounds touch the box.
void QueryTerrainTree(const TerrainTreeNode* node, GrowArray<const TerrainTreeNode*>* out, const Vec3* boxMin,
                      const Vec3* boxMax, int depth);
// Separating-axis test of a triangle against an axis-aligned box; touching counts as overlap.
bool TriBoxOverlap(const Vec3& centre, const Vec3& halfExtents, const Vec3& a, const Vec3& b, const Vec3& c);
bool TriangleOverlapsBox(const Vec3& boxMin, const Vec3& boxMax, const Vec3& a, const Vec3& b, const Vec3& c);

struct OverlapPair {
  RigidBodyBase* first = nullptr;
  RigidBodyBase* second = nullptr;
};

struct PairSlot {
  uint8_t mask = 0;
  PoolNode<OverlapPair>* pair = nullptr;
};

struct BodyNode {
  RigidBodyBase* body = nullptr;
};

struct EndPoint {
  uint8_t kind = 0;  // 0 min, 1 max
  float value = 0.0f;
  RigidBodyBase* body = nullptr;
};

struct PendingInsertion {
  RigidBodyBase* body = nullptr;
  RigidBodyBase* hint = nullptr;
};

struct Region;

struct RegionAxis {
  Pool<EndPoint> pool;
  NodeList<EndPoint> sorted;
  int index = 0;
  uint8_t bit = 0;
  Region* region = nullptr;

  void Sort(bool quiet);
  void InsertBody(RigidBodyBase* body, RigidBodyBase* hint);
  void Unlink(PoolNode<EndPoint>* e) { sorted.Remove(e); }
  // Takes the body's two ends out of the sorted list and gives them back to the pool.
  void RemoveEnds(RigidBodyBase* body);
};

struct Region {
  int32_t axisMask = 7;
  SimulatorImpl* sim = nullptr;
  int32_t rigidCapacity = 0;
  int32_t animatedCapacity = 0;
  int32_t bodyCapacity = 0;  // rigid + animated
  int32_t particleCapacity = 0;
  PairSlot* bodyPairs = nullptr;
  size_t bodyPairCount = 0;
  PairSlot* particlePairs = nullptr;
  size_t particlePairCount = 0;
  GrowArray<PendingInsertion> pending;
  Pool<BodyNode> bodyNodes;
  NodeList<BodyNode> bodiesInRegion;
  Pool<OverlapPair> pairPool;
  NodeList<OverlapPair> pairs;
  RegionAxis axes[3];
  TerrainTree tree;
  Allocator* allocator = nullptr;

  Region() = default;
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  ~Region() { Free(); }

  bool Init(SimulatorImpl* sim, int axisMask);
  void Free();
  bool AddBody(RigidBodyBase* body, RigidBodyBase* hint);
  void RemoveBody(RigidBodyBase* body);
  void Update();
  // Puts a body's two ends into the sorted list of every sorted axis (and clears them on the others);
  // false, with the body left out of the sort, when its box is not finite.
  bool InsertBody(RigidBodyBase* body, RigidBodyBase* hint);
  // A body whose box is no longer finite: its ends leave the sorted lists and its pairs end, while
  // it stays in the broad phase; ReturnToSort queues it to go back in once its box is finite.
  void LeaveSort(RigidBodyBase* body);
  void ReturnToSort(RigidBodyBase* body);
  // Sorts every axis without toggling pairs, then works out every pair afresh from the bodies' boxes.
  void Rebuild();
  bool SetTerrainMesh(const TerrainMesh* mesh);

  PairSlot* GetPairSlot(const RigidBodyBase* a, const RigidBodyBase* b);
  void ToggleAxis(RigidBodyBase* a, RigidBodyBase* b, uint8_t bit);
  // The toggles of a sort, queued so that their pair slots are fetched while the sort goes on, and
  // then applied in the order they were queued.
  void QueueToggle(RigidBodyBase* a, RigidBodyBase* b, uint8_t bit);
  void FlushToggles();
  void ToggleSlot(PairSlot* slot, RigidBodyBase* a, RigidBodyBase* b, uint8_t bit);
  struct QueuedToggle {
    PairSlot* slot;
    RigidBodyBase* a;
    RigidBodyBase* b;
    uint8_t bit;
  };
  QueuedToggle toggleQueue[64];
  int toggleCount = 0;
  void ResetPair(RigidBodyBase* a, RigidBodyBase* b);
  // Takes the body's ends out of every sorted list and ends every pair it is in.
  void RemoveEndsAndPairs(RigidBodyBase* body);
  void FreePair(PoolNode<OverlapPair>* pair);
  bool RecordPair(PairSlot* slot, RigidBodyBase* a, RigidBodyBase* b);
  size_t BytesTaken() const;
};

}  // namespace phys
