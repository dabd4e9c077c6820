// Convex hulls against convex hulls, boxes and terrain triangles, by separating axes: the face
// normals of both shapes and the cross products of their edges. The axis of least penetration
// gives the contact normal (from the second shape towards the first) and the depth; the points
// are the deepest point of the shape whose feature was not the face, or the closest points of the
// two edges.
#include <cstring>

#include "physics/collision/convex_hull.h"
#include "physics/collision/pair_tests.h"
#include "physics/convex_mesh.h"
#include "physics/world/simulator.h"

namespace {

constexpr int kMaxHullCount = 256;  // vertices or faces of one hull

struct Header {
  int32_t vertexOffset;
  int32_t vertexCount;
  int32_t faceCount;
  int32_t reserved;
};

}  // namespace

size_t ConvexMeshBlockSize(int vertexCount, int faceCount) {
  if (vertexCount < 0 || faceCount < 0 || vertexCount > kMaxHullCount || faceCount > kMaxHullCount) return 0;
  return 16 + 16 * static_cast<size_t>(faceCount) + 16 * static_cast<size_t>(vertexCount) +
         12 * static_cast<size_t>(faceCount);
}

bool WriteConvexMeshBlock(const Vec3* vertices, int vertexCount, const int32_t* triangles, int faceCount, void* block,
                          size_t blockSize) {
  const size_t need = ConvexMeshBlockSize(vertexCount, faceCount);
  if (need == 0 || vertexCount < 4 || faceCount < 4 || !vertices || !triangles || !block || blockSize < need) {
    return false;
  }
  for (int i = 0; i < faceCount * 3; ++i) {
    if (triangles[i] < 0 || triangles[i] >= vertexCount) return false;
  }
  uint8_t* out = static_cast<uint8_t*>(block);
  const Header h{1 + faceCount, vertexCount, faceCount, 0};
  std::memcpy(out, &h, sizeof(h));
  for (int f = 0; f < faceCount; ++f) {
    const Vec3& a = vertices[triangles[3 * f]];
    const Vec3& b = vertices[triangles[3 * f + 1]];
    const Vec3& c = vertices[triangles[3 * f + 2]];
    Vec3 n = Vec3Cross(b - a, c - a);
    const float len = n.Length();
    n = len > 0.0f ? n * (1.0f / len) : Vec3();
    const float plane[4] = {n.x, n.y, n.z, -n.Dot(a)};
    std::memcpy(out + 16 + 16 * static_cast<size_t>(f), plane, sizeof(plane));
  }
  uint8_t* verts = out + 16 * static_cast<size_t>(h.vertexOffset);
  for (int v = 0; v < vertexCount; ++v) {
    const float xyz1[4] = {vertices[v].x, vertices[v].y, vertices[v].z, 1.0f};
    std::memcpy(verts + 16 * static_cast<size_t>(v), xyz1, sizeof(xyz1));
  }
  std::memcpy(verts + 16 * static_cast<size_t>(vertexCount), triangles, 12 * static_cast<size_t>(faceCount));
  return true;
}

namespace phys {

namespace {

// A shape in world space as the axis search sees it.
struct HullView {
  Vec3 vertices[kMaxHullCount];
  int vertexCount = 0;
  Vec3 normals[kMaxHullCount];  // outward face normals
  int faceCount = 0;
  // Edges as vertex index pairs.
  int edges[3 * kMaxHullCount][2];
  int edgeCount = 0;
};

// Static per-side views: the narrow phase runs on one thread and is not re-entrant.
HullView viewA;
HullView viewB;

void AddEdge(HullView* v, int a, int b) {
  if (v->edgeCount >= 3 * kMaxHullCount) return;
  // Each undirected edge once.
  for (int i = 0; i < v->edgeCount; ++i) {
    if ((v->edges[i][0] == a && v->edges[i][1] == b) || (v->edges[i][0] == b && v->edges[i][1] == a)) return;
  }
  v->edges[v->edgeCount][0] = a;
  v->edges[v->edgeCount][1] = b;
  ++v->edgeCount;
}

bool BuildBoxView(HullView* v, const TConvex& box, const Transform& t) {
  const Vec3& h = box.halfExtents;
  v->vertexCount = 8;
  for (int i = 0; i < 8; ++i) {
    const Vec3 local((i & 4) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 1) ? h.z : -h.z);
    v->vertices[i] = t.Apply(local);
  }
  static const float kNormals[6][3] = {{0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
  v->faceCount = 6;
  for (int f = 0; f < 6; ++f) {
    v->normals[f] = Mat3TransformRow(Vec3(kNormals[f][0], kNormals[f][1], kNormals[f][2]), t.rotation);
  }
  v->edgeCount = 0;
  for (int i = 0; i < 8; ++i) {
    for (int bit = 1; bit <= 4; bit <<= 1) {
      if (!(i & bit)) AddEdge(v, i, i | bit);
    }
  }
  return true;
}

// A mesh hull from its block; false when the block is missing or out of range.
bool BuildMeshView(HullView* v, const TConvex& hull, const Transform& t) {
  if (!hull.mesh) return false;
  Header h;
  std::memcpy(&h, hull.mesh, sizeof(h));
  if (h.vertexCount < 4 || h.vertexCount > kMaxHullCount || h.faceCount < 4 || h.faceCount > kMaxHullCount ||
      h.vertexOffset < 1) {
    return false;
  }
  const uint8_t* base = static_cast<const uint8_t*>(hull.mesh);
  const uint8_t* verts = base + 16 * static_cast<size_t>(h.vertexOffset);
  const uint8_t* faces = verts + 16 * static_cast<size_t>(h.vertexCount);
  v->vertexCount = h.vertexCount;
  for (int i = 0; i < h.vertexCount; ++i) {
    float xyz[3];
    std::memcpy(xyz, verts + 16 * static_cast<size_t>(i), sizeof(xyz));
    v->vertices[i] = t.Apply(Vec3(xyz[0], xyz[1], xyz[2]));
  }
  v->faceCount = 0;
  v->edgeCount = 0;
  for (int f = 0; f < h.faceCount; ++f) {
    int32_t idx[3];
    std::memcpy(idx, faces + 12 * static_cast<size_t>(f), sizeof(idx));
    if (idx[0] < 0 || idx[1] < 0 || idx[2] < 0 || idx[0] >= h.vertexCount || idx[1] >= h.vertexCount ||
        idx[2] >= h.vertexCount) {
      return false;
    }
    const Vec3& a = v->vertices[idx[0]];
    Vec3 n = Vec3Cross(v->vertices[idx[1]] - a, v->vertices[idx[2]] - a);
    const float len2 = n.LengthSquared();
    if (len2 >= 1e-12f) v->normals[v->faceCount++] = n * (1.0f / std::sqrt(len2));
    AddEdge(v, idx[0], idx[1]);
    AddEdge(v, idx[1], idx[2]);
    AddEdge(v, idx[2], idx[0]);
  }
  return v->faceCount > 0;
}

bool BuildTriangleView(HullView* v, const TriangleRecord& tri) {
  v->vertexCount = 3;
  for (int i = 0; i < 3; ++i) v->vertices[i] = tri.p[i];
  v->faceCount = 2;
  v->normals[0] = tri.n;
  v->normals[1] = -tri.n;
  v->edgeCount = 0;
  AddEdge(v, 0, 1);
  AddEdge(v, 1, 2);
  AddEdge(v, 2, 0);
  return true;
}

bool BuildView(HullView* v, const TConvex& g, const Transform& t) {
  if (g.type == kTypeBox) return BuildBoxView(v, g, t);
  if (g.type == kTypeConvex) return BuildMeshView(v, g, t);
  return false;
}

void Project(const HullView& v, const Vec3& axis, float* lo, float* hi) {
  float mn = axis.Dot(v.vertices[0]);
  float mx = mn;
  for (int i = 1; i < v.vertexCount; ++i) {
    const float d = axis.Dot(v.vertices[i]);
    if (d < mn) mn = d;
    if (d > mx) mx = d;
  }
  *lo = mn;
  *hi = mx;
}

// The vertex of the view furthest along the direction (the first of equals).
Vec3 Support(const HullView& v, const Vec3& dir) {
  int best = 0;
  float bestValue = dir.Dot(v.vertices[0]);
  for (int i = 1; i < v.vertexCount; ++i) {
    const float d = dir.Dot(v.vertices[i]);
    if (d > bestValue) {
      bestValue = d;
      best = i;
    }
  }
  return v.vertices[best];
}

enum Feature { kNone, kFaceA, kFaceB, kEdges };

struct Best {
  float depth = 1e30f;
  Vec3 normal;  // from B towards A
  Feature feature = kNone;
  int edgeA = -1;
  int edgeB = -1;
};

// Penetration along one unit axis; false when the axis separates the shapes.
bool TestAxis(const HullView& a, const HullView& b, const Vec3& axis, Feature feature, int edgeA, int edgeB,
              Best* best) {
  float loA, hiA, loB, hiB;
  Project(a, axis, &loA, &hiA);
  Project(b, axis, &loB, &hiB);
  if (hiA < loB || hiB < loA) return false;
  // Moving A along +axis by (hiB - loA) or along -axis by (hiA - loB) separates the shapes.
  const float up = hiB - loA;
  const float down = hiA - loB;
  const float depth = up < down ? up : down;
  if (!std::isfinite(depth)) return false;
  if (depth < best->depth) {
    best->depth = depth;
    best->normal = up < down ? axis : -axis;
    best->feature = feature;
    best->edgeA = edgeA;
    best->edgeB = edgeB;
  }
  return true;
}

// The least-penetration axis of two views; false when they are apart.
bool SearchAxes(const HullView& a, const HullView& b, Best* best) {
  for (int f = 0; f < a.faceCount; ++f) {
    if (!TestAxis(a, b, a.normals[f], kFaceA, -1, -1, best)) return false;
  }
  for (int f = 0; f < b.faceCount; ++f) {
    if (!TestAxis(a, b, b.normals[f], kFaceB, -1, -1, best)) return false;
  }
  for (int i = 0; i < a.edgeCount; ++i) {
    const Vec3 ea = a.vertices[a.edges[i][1]] - a.vertices[a.edges[i][0]];
    for (int j = 0; j < b.edgeCount; ++j) {
      const Vec3 eb = b.vertices[b.edges[j][1]] - b.vertices[b.edges[j][0]];
      Vec3 axis = Vec3Cross(ea, eb);
      const float len2 = axis.LengthSquared();
      // Parallel edges give no axis of their own; the face axes cover them.
      if (len2 < 1e-6f * (ea.LengthSquared() * eb.LengthSquared()) || len2 < 1e-12f) continue;
      axis = axis * (1.0f / std::sqrt(len2));
      if (!TestAxis(a, b, axis, kEdges, i, j, best)) return false;
    }
  }
  return best->feature != kNone;
}

// Fills the result from the best axis: normal from B towards A, relPointB = relPointA + depth * normal.
void WriteContact(CollisionResult* r, const HullView& a, const HullView& b, const Best& best) {
  const Vec3 n = best.normal;
  Vec3 pointA;
  if (best.feature == kFaceA) {
    // B's deepest vertex into A's face.
    const Vec3 pointB = Support(b, n);
    pointA = pointB - n * best.depth;
  } else if (best.feature == kFaceB) {
    pointA = Support(a, -n);
  } else {
    Vec3 ca, cb;
    ClosestPointsClampedSegments(a.vertices[a.edges[best.edgeA][0]], a.vertices[a.edges[best.edgeA][1]],
                                 b.vertices[b.edges[best.edgeB][0]], b.vertices[b.edges[best.edgeB][1]], &ca, &cb);
    // The midpoint of the two closest points, moved half the depth to A's side.
    pointA = (ca + cb) * 0.5f - n * (best.depth * 0.5f);
  }
  pointA.w = 1.0f;
  r->hasContact = 1;
  r->depth = best.depth;
  r->normal = n;
  r->normal.w = 0.0f;
  r->relPointA = pointA;
  r->relPointB = pointA + n * best.depth;
  r->relPointB.w = 1.0f;
}

}  // namespace

void TestConvexConvex(CollisionResult* r, const TConvex& a, const Transform& ta, const TConvex& b,
                      const Transform& tb) {
  r->hasContact = 0;
  if (!BuildView(&viewA, a, ta) || !BuildView(&viewB, b, tb)) return;
  Best best;
  if (!SearchAxes(viewA, viewB, &best)) return;
  WriteContact(r, viewA, viewB, best);
}

void TestConvexTriangle(CollisionResult* r, const TConvex& hull, const Transform& t, const TConvex& list) {
  r->hasContact = 0;
  if (!BuildView(&viewA, hull, t)) return;
  const Vec3* verts = list.listVertices;
  const Triangle* tris = list.listTriangles;
  if (!verts || !tris || !list.listIndices) return;
  Vec3 lo, hi;
  Project(viewA, Vec3(1, 0, 0), &lo.x, &hi.x);
  Project(viewA, Vec3(0, 1, 0), &lo.y, &hi.y);
  Project(viewA, Vec3(0, 0, 1), &lo.z, &hi.z);
  float bestDepth = -1000000.0f;
  for (int32_t k = 0; k < list.listIndexCount; ++k) {
    const int32_t index = list.listIndices[k];
    if (index < 0 || (list.listTriangleCount > 0 && index >= list.listTriangleCount)) continue;
    const Triangle& tri = tris[index];
    if (tri.v[0] < 0 || tri.v[1] < 0 || tri.v[2] < 0) continue;
    const Vec3& p0 = verts[tri.v[0]];
    const Vec3& p1 = verts[tri.v[1]];
    const Vec3& p2 = verts[tri.v[2]];
    bool outside = false;
    for (int i = 0; i < 3 && !outside; ++i) {
      outside = (p0[i] > hi[i] && p1[i] > hi[i] && p2[i] > hi[i]) || (p0[i] < lo[i] && p1[i] < lo[i] && p2[i] < lo[i]);
    }
    if (outside) continue;
    TriangleRecord rec;
    if (!MakeTriangleRecord(p0, p1, p2, &rec)) continue;
    BuildTriangleView(&viewB, rec);
    Best best;
    if (!SearchAxes(viewA, viewB, &best)) continue;
    if (best.depth > bestDepth) {
      bestDepth = best.depth;
      WriteContact(r, viewA, viewB, best);
      r->materialB = tri.id0;
    }
  }
}

}  // namespace phys

void Geometry::SetConvexMesh(const void* block) { phys::Impl(this)->SetConvexMesh(block); }
bool Geometry::GetConvexMesh(const void*& block) const {
  const phys::TConvex* g = phys::Impl(this);
  if (g->type != phys::kTypeConvex) return false;
  block = g->mesh;
  return true;
}
