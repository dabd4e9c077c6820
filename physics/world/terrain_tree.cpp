// Terrain triangle tree: a quadtree on x and z over a copy of the terrain mesh.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "physics/world/simulator.h"

namespace phys {

namespace {

constexpr int kLeafTriangles = 10;
constexpr int kMaxDepth = 4;

// A point or vector of the overlap test. The test runs in float for ordinary coordinates and in
// double when they are so large that its products and differences would overflow a float.
template <typename T>
struct P3 {
  T v[3];
  T operator[](int i) const { return v[i]; }
  T& operator[](int i) { return v[i]; }
};

template <typename T>
P3<T> Sub(const P3<T>& a, const P3<T>& b) {
  return {{a[0] - b[0], a[1] - b[1], a[2] - b[2]}};
}

template <typename T>
T Dot(const P3<T>& a, const P3<T>& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

template <typename T>
P3<T> Cross(const P3<T>& a, const P3<T>& b) {
  return {{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}};
}

template <typename T>
P3<T> Widen(const Vec3& v) {
  return {{static_cast<T>(v.x), static_cast<T>(v.y), static_cast<T>(v.z)}};
}

template <typename T>
void FindMinMax(T a, T b, T c, T* lo, T* hi) {
  *lo = std::min(a, std::min(b, c));
  *hi = std::max(a, std::max(b, c));
}

template <typename T>
bool PlaneBoxOverlap(const P3<T>& n, const P3<T>& vertex, const P3<T>& half) {
  P3<T> vmin, vmax;
  for (int i = 0; i < 3; ++i) {
    const T v = vertex[i];
    if (n[i] > 0) {
      vmin[i] = -half[i] - v;
      vmax[i] = half[i] - v;
    } else {
      vmin[i] = half[i] - v;
      vmax[i] = -half[i] - v;
    }
  }
  if (Dot(n, vmin) > 0) return false;
  return Dot(n, vmax) >= 0;
}

template <typename T>
bool TriBoxOverlapT(const P3<T>& centre, const P3<T>& h, const P3<T>& a, const P3<T>& b, const P3<T>& c) {
  const P3<T> v0 = Sub(a, centre), v1 = Sub(b, centre), v2 = Sub(c, centre);
  const P3<T> e0 = Sub(v1, v0), e1 = Sub(v2, v1), e2 = Sub(v0, v2);
  const P3<T> verts[3] = {v0, v1, v2};
  const P3<T> edges[3] = {e0, e1, e2};
  // Nine axes: each edge crossed with each box axis.
  for (const P3<T>& e : edges) {
    const T fx = std::fabs(e[0]), fy = std::fabs(e[1]), fz = std::fabs(e[2]);
    const P3<T> axes[3] = {{{0, -e[2], e[1]}}, {{e[2], 0, -e[0]}}, {{-e[1], e[0], 0}}};
    const T radii[3] = {fz * h[1] + fy * h[2], fz * h[0] + fx * h[2], fy * h[0] + fx * h[1]};
    for (int k = 0; k < 3; ++k) {
      T lo, hi;
      FindMinMax(Dot(axes[k], verts[0]), Dot(axes[k], verts[1]), Dot(axes[k], verts[2]), &lo, &hi);
      if (lo > radii[k] || hi < -radii[k]) return false;
    }
  }
  // The box's own axes.
  for (int i = 0; i < 3; ++i) {
    T lo, hi;
    FindMinMax(v0[i], v1[i], v2[i], &lo, &hi);
    if (lo > h[i] || hi < -h[i]) return false;
  }
  // The triangle's plane.
  return PlaneBoxOverlap(Cross(e0, e1), v0, h);
}

template <typename T>
bool TriangleOverlapsBoxT(const Vec3& boxMin, const Vec3& boxMax, const Vec3& a, const Vec3& b, const Vec3& c) {
  const P3<T> pa = Widen<T>(a), pb = Widen<T>(b), pc = Widen<T>(c), lo = Widen<T>(boxMin), hi = Widen<T>(boxMax);
  P3<T> n = Cross(Sub(pb, pa), Sub(pc, pb));
  const T sq = Dot(n, n);
  const T len = std::fabs(sq) < T(1e-6f) ? T(0) : std::sqrt(sq);
  for (int i = 0; i < 3; ++i) n[i] = len == T(0) ? T(0) : n[i] * (T(1) / len);
  P3<T> h, centre;
  for (int i = 0; i < 3; ++i) {
    h[i] = (hi[i] - lo[i]) * T(0.5f);
    centre[i] = (lo[i] + hi[i]) * T(0.5f);
  }
  // A flat, axis-aligned triangle gets a box of some thickness.
  if (std::fabs(std::fabs(n[0]) - T(1)) < T(1e-6f)) {
    h[0] += T(0.01f);
  } else if (std::fabs(std::fabs(n[1]) - T(1)) < T(1e-6f)) {
    h[1] += T(0.01f);
  } else if (std::fabs(std::fabs(n[2]) - T(1)) < T(1e-6f)) {
    h[2] += T(0.01f);
  }
  return TriBoxOverlapT(centre, h, pa, pb, pc);
}

// Coordinates within this size keep every intermediate of the float overlap test finite.
constexpr float kPlainRange = 1.0e12f;

bool WithinPlainRange(const Vec3& v) {
  return std::fabs(v.x) <= kPlainRange && std::fabs(v.y) <= kPlainRange && std::fabs(v.z) <= kPlainRange;
}

}  // namespace

bool TriBoxOverlap(const Vec3& centre, const Vec3& h, const Vec3& a, const Vec3& b, const Vec3& c) {
  return TriBoxOverlapT(Widen<float>(centre), Widen<float>(h), Widen<float>(a), Widen<float>(b), Widen<float>(c));
}

bool TriangleOverlapsBox(const Vec3& boxMin, const Vec3& boxMax, const Vec3& a, const Vec3& b, const Vec3& c) {
  if (WithinPlainRange(boxMin) && WithinPlainRange(boxMax) && WithinPlainRange(a) && WithinPlainRange(b) &&
      WithinPlainRange(c)) {
    return TriangleOverlapsBoxT<float>(boxMin, boxMax, a, b, c);
  }
  return TriangleOverlapsBoxT<double>(boxMin, boxMax, a, b, c);
}

void TerrainTree::FreeMesh() {
  Allocator* a = allocator;
  if (a) {
    if (vertices) a->Free(vertices);
    if (triangles) a->Free(triangles);
  }
  vertices = nullptr;
  triangles = nullptr;
  vertexCount = 0;
  triangleCount = 0;
  nodes.Release();
  leafIndices.Release();
  prepared.Release();
  leafBounds.Release();
  boundsStride = 0;
  nestedBoxes = false;
  ++buildCount;
  root = TerrainTreeNode();
  root.tree = nullptr;
  root.parent = 0;
}

bool TerrainTree::MakeLeaf(int nodeIndex, const int32_t* list, int count) {
  const size_t first = leafIndices.Count();
  for (int i = 0; i < count; ++i) {
    if (!leafIndices.Push(list[i])) {
      leafIndices.Resize(first);
      return false;
    }
  }
  TerrainTreeNode& n = Node(nodeIndex);
  n.firstTriangle = static_cast<int32_t>(first);
  n.triangleCount = count;
  return true;
}

bool TerrainTree::Build(const Vec3* verts, int vcount, const Triangle* tris, int tcount, Allocator* alloc) {
  if (!verts || !tris || vcount < 1 || tcount < 1) return false;
  FreeMesh();
  allocator = alloc ? alloc : &ownAllocator;
  size_t vbytes = 0, tbytes = 0;
  if (!BlockSize(static_cast<size_t>(vcount), sizeof(Vec3), 0, &vbytes) ||
      !BlockSize(static_cast<size_t>(tcount), sizeof(Triangle), 0, &tbytes)) {
    return false;
  }
  void* vraw = allocator->Alloc(vbytes, 0);
  void* traw = vraw ? allocator->Alloc(tbytes, 0) : nullptr;
  if (!vraw || !traw) {
    if (vraw) allocator->Free(vraw);
    return false;
  }
  vertices = static_cast<Vec3*>(vraw);
  triangles = static_cast<Triangle*>(traw);
  for (int i = 0; i < vcount; ++i) new (&vertices[i]) Vec3(verts[i]);
  for (int i = 0; i < tcount; ++i) new (&triangles[i]) Triangle(tris[i]);
  vertexCount = vcount;
  triangleCount = tcount;
  if (prepared.Init(tcount, 0, allocator)) {
    prepared.Resize(static_cast<size_t>(tcount));
    for (int i = 0; i < tcount; ++i) {
      const Triangle& t = triangles[i];
      PreparedTriangle& p = prepared[static_cast<size_t>(i)];
      p = PreparedTriangle();
      if (t.v[0] >= 0 && t.v[0] < vcount && t.v[1] >= 0 && t.v[1] < vcount && t.v[2] >= 0 && t.v[2] < vcount) {
        PrepareTriangle(vertices[t.v[0]], vertices[t.v[1]], vertices[t.v[2]], &p);
      }
    }
  }

  const int startCount = sizeInfo ? sizeInfo->terrainNodesStartCount : 200;
  const int growBy = sizeInfo ? sizeInfo->terrainNodesGrowByCount : -1;
  GrowArray<int32_t> list;
  if (!nodes.Init(startCount, growBy, allocator) || !leafIndices.Init(tcount, -1, allocator) ||
      !list.Init(tcount, 0, allocator)) {
    FreeMesh();
    return false;
  }
  // Triangles with a corner outside the vertex array, or a corner that is not a finite point, are
  // left out of the tree: one such corner would make the centroids and quadrant boxes of every
  // node above it meaningless, and the whole terrain would stop colliding. So are triangles whose
  // corners lie so far apart that their edges are not finite floats: no contact test can use them.
  for (int i = 0; i < tcount; ++i) {
    const Triangle& t = triangles[i];
    bool ok = true;
    for (int k = 0; k < 3 && ok; ++k) {
      ok = t.v[k] >= 0 && t.v[k] < vcount;
      if (ok) {
        const Vec3& v = vertices[t.v[k]];
        ok = std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
      }
    }
    for (int k = 0; k < 3 && ok; ++k) {
      const Vec3 e = vertices[t.v[(k + 1) % 3]] - vertices[t.v[k]];
      ok = std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z);
    }
    if (ok) list.Push(i);
  }
  root = TerrainTreeNode();
  root.tree = this;
  root.parent = -2;
  if (list.Count() == 0) return true;

  Vec3 lo(FLT_MAX, FLT_MAX, FLT_MAX), hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
  for (size_t i = 0; i < list.Count(); ++i) {
    const Triangle& t = triangles[list[i]];
    for (int k = 0; k < 3; ++k) {
      const Vec3& v = vertices[t.v[k]];
      for (int j = 0; j < 3; ++j) {
        lo[j] = std::min(lo[j], v[j]);
        hi[j] = std::max(hi[j], v[j]);
      }
    }
  }
  root.min = lo;
  root.max = hi;
  const bool ok = BuildNode(-1, list.Data(), static_cast<int>(list.Count()), 0);
  if (!ok) {
    FreeMesh();
    return false;
  }
  // Padded by four never-touching entries for the four-wide reads at the end of the last leaf.
  const size_t stride = leafIndices.Count() + 4;
  if (PreparedTriangles() && stride <= static_cast<size_t>(INT32_MAX) / kEntryArrays &&
      leafBounds.Init(static_cast<int>(kEntryArrays * stride), 0, allocator)) {
    leafBounds.Resize(kEntryArrays * stride);
    for (size_t i = 0; i < stride; ++i) {
      const PreparedTriangle* p = i < leafIndices.Count() ? &prepared[static_cast<size_t>(leafIndices[i])] : nullptr;
      for (int k = 0; k < 3; ++k) {
        leafBounds[k * stride + i] = p ? p->lo[k] : INFINITY;
        leafBounds[(3 + k) * stride + i] = p ? p->hi[k] : -INFINITY;
        // A degenerate triangle has no plane: offset and normal 0 keep it (the walk drops it).
        leafBounds[(6 + k) * stride + i] = p && p->valid ? p->rec.n[k] : 0.0f;
      }
      leafBounds[9 * stride + i] = p && p->valid ? p->rec.d : 0.0f;
    }
    boundsStride = stride;
  }
  nestedBoxes = true;
  for (size_t i = 0; i < nodes.Count() && nestedBoxes; ++i) {
    const TerrainTreeNode& n = nodes[i];
    const TerrainTreeNode& p = *GetNode(n.parent);
    for (int a = 0; a < 3; ++a) {
      if (!(n.min[a] >= p.min[a] && n.max[a] <= p.max[a])) nestedBoxes = false;
    }
  }
  ++buildCount;
  return true;
}

Vec3 TerrainTree::Centroid(const int32_t* list, int count) const {
  Vec3 c;
  for (int i = 0; i < count; ++i) {
    const Triangle& t = triangles[list[i]];
    for (int k = 0; k < 3; ++k) c += vertices[t.v[k]];
  }
  c *= 1.0f / (3.0f * static_cast<float>(count));
  if (std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z)) return c;
  // Corners far out overflow the float sum; their mean, which lies within their bounds, does not.
  double sum[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < count; ++i) {
    const Triangle& t = triangles[list[i]];
    for (int k = 0; k < 3; ++k) {
      for (int j = 0; j < 3; ++j) sum[j] += vertices[t.v[k]][j];
    }
  }
  const double n = 3.0 * static_cast<double>(count);
  return Vec3(static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n), static_cast<float>(sum[2] / n));
}

bool TerrainTree::BuildNode(int nodeIndex, const int32_t* list, int count, int depth) {
  if (depth > kMaxDepth || count < kLeafTriangles) return MakeLeaf(nodeIndex, list, count);
  const Vec3 c = Centroid(list, count);

  GrowArray<int32_t> child;
  if (!child.Init(count, 0, allocator)) return false;
  for (int k = 0; k < 4; ++k) {
    const TerrainTreeNode& parent = Node(nodeIndex);
    Vec3 bmin = parent.min, bmax = parent.max;
    if (k == 0 || k == 3) {
      bmax.x = c.x;
    } else {
      bmin.x = c.x;
    }
    if (k == 0 || k == 1) {
      bmax.z = c.z;
    } else {
      bmin.z = c.z;
    }
    child.Clear();
    for (int i = 0; i < count; ++i) {
      const Triangle& t = triangles[list[i]];
      if (TriangleOverlapsBox(bmin, bmax, vertices[t.v[0]], vertices[t.v[1]], vertices[t.v[2]])) child.Push(list[i]);
    }
    if (child.Count() == 0) {
      Node(nodeIndex).children[k] = -1;
      continue;
    }
    if (static_cast<int>(child.Count()) == count) return MakeLeaf(nodeIndex, list, count);
    float ylo = FLT_MAX, yhi = -FLT_MAX;
    for (size_t i = 0; i < child.Count(); ++i) {
      const Triangle& t = triangles[child[i]];
      for (int j = 0; j < 3; ++j) {
        ylo = std::min(ylo, vertices[t.v[j]].y);
        yhi = std::max(yhi, vertices[t.v[j]].y);
      }
    }
    TerrainTreeNode fresh;
    fresh.tree = this;
    fresh.parent = nodeIndex;
    fresh.min = Vec3(bmin.x, ylo, bmin.z);
    fresh.max = Vec3(bmax.x, yhi, bmax.z);
    if (!nodes.Push(fresh)) {
      // The node array is full and cannot grow: this node keeps its triangles itself.
      for (int j = 0; j < 4; ++j) Node(nodeIndex).children[j] = -1;
      return MakeLeaf(nodeIndex, list, count);
    }
    const int index = static_cast<int>(nodes.Count()) - 1;
    Node(nodeIndex).children[k] = index;
    if (!BuildNode(index, child.Data(), static_cast<int>(child.Count()), depth + 1)) return false;
  }
  return true;
}

void QueryTerrainTree(const TerrainTreeNode* node, GrowArray<const TerrainTreeNode*>* out, const Vec3* boxMin,
                      const Vec3* boxMax, int depth) {
  const Vec3 lo = *boxMin, hi = *boxMax;
  // Depth first, children in order, on a stack of the nodes still to visit (each already known to
  // touch the box). A tree deeper than the stack allows continues by recursion.
  constexpr int kStack = 64;
  const TerrainTreeNode* stack[kStack];
  int top = 0;
  if (!TerrainNodeTouches(*node, lo, hi)) return;
  stack[top++] = node;
  while (top > 0) {
    const TerrainTreeNode* n = stack[--top];
    if (n->triangleCount != 0) {
      out->Push(n);
      continue;
    }
    const TerrainTree* tree = n->tree;
    if (!tree) continue;
    if (top + 4 > kStack) {
      for (int k = 0; k < 4; ++k) {
        if (n->children[k] != -1) QueryTerrainTree(tree->GetNode(n->children[k]), out, boxMin, boxMax, depth + 1);
      }
      continue;
    }
    for (int k = 3; k >= 0; --k) {
      if (n->children[k] == -1) continue;
      const TerrainTreeNode* child = tree->GetNode(n->children[k]);
      if (TerrainNodeTouches(*child, lo, hi)) stack[top++] = child;
    }
  }
}

}  // namespace phys
