// Terrain triangle tree: a quadtree on x and z over a copy of the terrain mesh.
#include <algorithm>
#include <cmath>

#include "physics/world/simulator.h"

namespace phys {

namespace {

constexpr int kLeafTriangles = 10;
constexpr int kMaxDepth = 4;

bool FindMinMax(float a, float b, float c, float* lo, float* hi) {
  *lo = std::min(a, std::min(b, c));
  *hi = std::max(a, std::max(b, c));
  return true;
}

bool PlaneBoxOverlap(const Vec3& n, const Vec3& vertex, const Vec3& half) {
  Vec3 vmin, vmax;
  for (int i = 0; i < 3; ++i) {
    const float v = vertex[i];
    if (n[i] > 0.0f) {
      vmin[i] = -half[i] - v;
      vmax[i] = half[i] - v;
    } else {
      vmin[i] = half[i] - v;
      vmax[i] = -half[i] - v;
    }
  }
  if (n.Dot(vmin) > 0.0f) return false;
  return n.Dot(vmax) >= 0.0f;
}

}  // namespace

bool TriBoxOverlap(const Vec3& centre, const Vec3& h, const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 v0 = a - centre, v1 = b - centre, v2 = c - centre;
  const Vec3 e0 = v1 - v0, e1 = v2 - v1, e2 = v0 - v2;
  const Vec3 verts[3] = {v0, v1, v2};
  const Vec3 edges[3] = {e0, e1, e2};
  // Nine axes: each edge crossed with each box axis.
  for (const Vec3& e : edges) {
    const float fx = std::fabs(e.x), fy = std::fabs(e.y), fz = std::fabs(e.z);
    const Vec3 axes[3] = {Vec3(0, -e.z, e.y), Vec3(e.z, 0, -e.x), Vec3(-e.y, e.x, 0)};
    const float radii[3] = {fz * h.y + fy * h.z, fz * h.x + fx * h.z, fy * h.x + fx * h.y};
    for (int k = 0; k < 3; ++k) {
      const float p0 = axes[k].Dot(verts[0]), p1 = axes[k].Dot(verts[1]), p2 = axes[k].Dot(verts[2]);
      float lo, hi;
      FindMinMax(p0, p1, p2, &lo, &hi);
      if (lo > radii[k] || hi < -radii[k]) return false;
    }
  }
  // The box's own axes.
  for (int i = 0; i < 3; ++i) {
    float lo, hi;
    FindMinMax(v0[i], v1[i], v2[i], &lo, &hi);
    if (lo > h[i] || hi < -h[i]) return false;
  }
  // The triangle's plane.
  const Vec3 n = Vec3Cross(e0, e1);
  return PlaneBoxOverlap(n, v0, h);
}

bool TriangleOverlapsBox(const Vec3& boxMin, const Vec3& boxMax, const Vec3& a, const Vec3& b, const Vec3& c) {
  Vec3 n = Vec3Cross(b - a, c - b);
  n.Normalize();
  Vec3 h = (boxMax - boxMin) * 0.5f;
  if (std::fabs(std::fabs(n.x) - 1.0f) < 1e-6f) {
    h.x += 0.01f;
  } else if (std::fabs(std::fabs(n.y) - 1.0f) < 1e-6f) {
    h.y += 0.01f;
  } else if (std::fabs(std::fabs(n.z) - 1.0f) < 1e-6f) {
    h.z += 0.01f;
  }
  return TriBoxOverlap((boxMin + boxMax) * 0.5f, h, a, b, c);
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
  // node above it meaningless, and the whole terrain would stop colliding.
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
    if (ok) list.Push(i);
  }
  root = TerrainTreeNode();
  root.tree = this;
  root.parent = -2;
  if (list.Count() == 0) return true;

  Vec3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
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

bool TerrainTree::BuildNode(int nodeIndex, const int32_t* list, int count, int depth) {
  if (depth > kMaxDepth || count < kLeafTriangles) return MakeLeaf(nodeIndex, list, count);
  Vec3 c;
  for (int i = 0; i < count; ++i) {
    const Triangle& t = triangles[list[i]];
    for (int k = 0; k < 3; ++k) c += vertices[t.v[k]];
  }
  c *= 1.0f / (3.0f * static_cast<float>(count));

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
    float ylo = 1e30f, yhi = -1e30f;
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
