// Convex hulls against hulls, boxes and terrain triangles.
//
// Every shape is seen as a hull view: face planes, vertices, and the adjacency of faces, vertices
// and edges (a hull from its mesh block, a box from fixed tables, a terrain triangle as a flat hull
// with a front and a back face). The search climbs from face to neighbouring face of each hull
// towards the face plane that scores best, then tries the edge pairs around the best face; the
// best-scored feature gives the one contact.
//
// The score of a plane with outward normal n of the walking hull: with d the start direction (the
// walking hull's centre minus the other's, slightly offset) and delta the signed distance of the
// other hull's deepest point beyond the plane, delta + n.d is minus the two hulls' combined reach
// along n, so
//     score = -delta / ((delta + n.d) |d|)
// has the sign of delta (>= 0: the plane separates the hulls) and grows with the share of the
// combined reach by which the hulls clear each other along n. The greatest score marks the feature
// that the line between the centres crosses on the hulls' Minkowski difference. Turning a plane
// round (negating delta and n) leaves the score unchanged.
#include <algorithm>
#include <cstring>

#include "physics/collision/convex_hull.h"
#include "physics/collision/pair_tests.h"
#include "physics/collision/triangle_walk.h"
#include "physics/convex_mesh.h"
#include "physics/world/simulator.h"

namespace {

constexpr int kMaxHullCount = 256;  // vertices or faces of one hull: indices fit one byte
constexpr int kMaxPerFace = 4;
constexpr int kMaxCorners = kMaxHullCount * kMaxPerFace;

uint32_t ReadWord(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, sizeof(w));
  return w;
}

void WriteWord(uint8_t* p, uint32_t w) { std::memcpy(p, &w, sizeof(w)); }

size_t EdgeCountOf(int faceCount) { return static_cast<size_t>(faceCount) * 3 / 2; }

// The adjacency of a closed polyhedron whose faces list their corners counter-clockwise seen from
// outside, `perFace` corners each:
//   face word (one per corner k): corner vertex (bits 0..7), the face across the edge from
//     corner k to corner k + 1 (bits 8..15), that edge's index (bits 16..31);
//   vertex word: a face holding the vertex (bits 0..7), the vertex's corner in it (bits 8..15),
//     the number of edges meeting there (bits 16..31);
//   edge record, four bytes: the face it runs counter-clockwise in, the face beyond it, its start
//     and end vertex.
// False when a corner index is out of range, an edge is missing its twin or appears twice, or a
// vertex is unused or joins two separate fans of faces.
bool BuildAdjacency(const int32_t* corners, int faceCount, int perFace, int vertexCount, uint8_t* faceWords,
                    uint8_t* vertexWords, uint8_t* edges, int* edgeCount) {
  const int n = faceCount * perFace;
  if (faceCount < 2 || faceCount > kMaxHullCount || vertexCount < 3 || vertexCount > kMaxHullCount ||
      perFace < 3 || perFace > kMaxPerFace) {
    return false;
  }
  auto next = [&](int i) { return (i / perFace) * perFace + (i % perFace + 1) % perFace; };
  for (int i = 0; i < n; ++i) {
    if (corners[i] < 0 || corners[i] >= vertexCount) return false;
  }
  int16_t twin[kMaxCorners];
  for (int i = 0; i < n; ++i) {
    const int a = corners[i], b = corners[next(i)];
    if (a == b) return false;
    twin[i] = -1;
    for (int j = 0; j < n; ++j) {
      if (j == i) continue;
      if (corners[j] == a && corners[next(j)] == b) return false;  // the same edge twice one way
      if (corners[j] == b && corners[next(j)] == a) {
        if (twin[i] >= 0) return false;
        twin[i] = static_cast<int16_t>(j);
      }
    }
    if (twin[i] < 0) return false;  // an open edge
  }
  int16_t edgeOf[kMaxCorners];
  for (int i = 0; i < n; ++i) edgeOf[i] = -1;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (edgeOf[i] < 0) {
      edgeOf[i] = edgeOf[twin[i]] = static_cast<int16_t>(count);
      uint8_t* e = edges + 4 * static_cast<size_t>(count);
      e[0] = static_cast<uint8_t>(i / perFace);
      e[1] = static_cast<uint8_t>(twin[i] / perFace);
      e[2] = static_cast<uint8_t>(corners[i]);
      e[3] = static_cast<uint8_t>(corners[next(i)]);
      ++count;
    }
    WriteWord(faceWords + 4 * static_cast<size_t>(i),
              static_cast<uint32_t>(corners[i]) | static_cast<uint32_t>(twin[i] / perFace) << 8 |
                  static_cast<uint32_t>(edgeOf[i]) << 16);
  }
  *edgeCount = count;
  for (int v = 0; v < vertexCount; ++v) {
    int first = -1, valence = 0;
    for (int i = 0; i < n; ++i) {
      if (corners[i] != v) continue;
      if (first < 0) first = i;
      ++valence;
    }
    if (first < 0) return false;
    // Round the vertex face by face: every corner of the vertex must be met before the walk closes.
    int i = first, steps = 0;
    do {
      const int prev = (i / perFace) * perFace + (i % perFace + perFace - 1) % perFace;
      i = twin[prev];  // the corner beyond the edge entering the vertex starts at the vertex
      ++steps;
    } while (i != first && steps <= valence);
    if (steps != valence) return false;
    WriteWord(vertexWords + 4 * static_cast<size_t>(v), static_cast<uint32_t>(first / perFace) |
                                                            static_cast<uint32_t>(first % perFace) << 8 |
                                                            static_cast<uint32_t>(valence) << 16);
  }
  return true;
}

struct Header {
  int32_t vertexOffset;
  int32_t vertexCount;
  int32_t faceCount;
  int32_t edgeCount;
};

// Byte offsets of the parts of a block.
struct BlockLayout {
  size_t planes, vertices, faceWords, vertexWords, edges, end;
};

BlockLayout LayoutOf(int vertexCount, int faceCount) {
  BlockLayout l;
  l.planes = 16;
  l.vertices = l.planes + 16 * static_cast<size_t>(faceCount);
  l.faceWords = l.vertices + 16 * static_cast<size_t>(vertexCount);
  l.vertexWords = l.faceWords + 12 * static_cast<size_t>(faceCount);
  l.edges = l.vertexWords + 4 * static_cast<size_t>(vertexCount);
  l.end = l.edges + 4 * EdgeCountOf(faceCount);
  return l;
}

}  // namespace

size_t ConvexMeshBlockSize(int vertexCount, int faceCount) {
  if (vertexCount < 0 || faceCount < 0 || vertexCount > kMaxHullCount || faceCount > kMaxHullCount ||
      faceCount % 2 != 0) {
    return 0;
  }
  return LayoutOf(vertexCount, faceCount).end;
}

bool WriteConvexMeshBlock(const Vec3* vertices, int vertexCount, const int32_t* triangles, int faceCount, void* block,
                          size_t blockSize) {
  const size_t need = ConvexMeshBlockSize(vertexCount, faceCount);
  if ((vertexCount > kMaxHullCount || faceCount > kMaxHullCount) && block && blockSize >= sizeof(Header)) {
    // No hull, but the counts stay readable: a geometry handed this block says why it refuses it.
    const Header h{0, vertexCount, faceCount, 0};
    std::memcpy(block, &h, sizeof(h));
    return false;
  }
  if (need == 0 || vertexCount < 4 || faceCount < 4 || !vertices || !triangles || !block || blockSize < need) {
    return false;
  }
  uint8_t* out = static_cast<uint8_t*>(block);
  std::memset(out, 0, sizeof(Header));  // no usable header until the whole block is written
  const BlockLayout l = LayoutOf(vertexCount, faceCount);
  int edgeCount = 0;
  if (!BuildAdjacency(triangles, faceCount, 3, vertexCount, out + l.faceWords, out + l.vertexWords, out + l.edges,
                      &edgeCount)) {
    return false;
  }
  const Header h{1 + faceCount, vertexCount, faceCount, edgeCount};
  std::memcpy(out, &h, sizeof(h));
  for (int f = 0; f < faceCount; ++f) {
    const Vec3& a = vertices[triangles[3 * f]];
    const Vec3& b = vertices[triangles[3 * f + 1]];
    const Vec3& c = vertices[triangles[3 * f + 2]];
    Vec3 n = Vec3Cross(b - a, c - a);
    const float len = n.Length();
    n = len > 0.0f ? n * (1.0f / len) : Vec3();
    const float plane[4] = {n.x, n.y, n.z, -n.Dot(a)};
    std::memcpy(out + l.planes + 16 * static_cast<size_t>(f), plane, sizeof(plane));
  }
  for (int v = 0; v < vertexCount; ++v) {
    const float xyz1[4] = {vertices[v].x, vertices[v].y, vertices[v].z, 1.0f};
    std::memcpy(out + l.vertices + 16 * static_cast<size_t>(v), xyz1, sizeof(xyz1));
  }
  return true;
}

namespace phys {

MeshBlockCheck CheckConvexMeshBlock(const void* block) {
  if (!block) return MeshBlockCheck::kInvalid;
  Header h;
  std::memcpy(&h, block, sizeof(h));
  if (h.vertexCount > kMaxHullCount || h.faceCount > kMaxHullCount) return MeshBlockCheck::kTooLarge;
  if (h.vertexCount < 4 || h.faceCount < 4 || h.faceCount % 2 != 0 || h.vertexOffset != 1 + h.faceCount ||
      h.edgeCount != static_cast<int32_t>(EdgeCountOf(h.faceCount))) {
    return MeshBlockCheck::kInvalid;
  }
  const uint8_t* base = static_cast<const uint8_t*>(block);
  const BlockLayout l = LayoutOf(h.vertexCount, h.faceCount);
  const uint32_t vertices = static_cast<uint32_t>(h.vertexCount), faces = static_cast<uint32_t>(h.faceCount),
                 edges = static_cast<uint32_t>(h.edgeCount);
  for (int i = 0; i < 3 * h.faceCount; ++i) {
    const uint32_t w = ReadWord(base + l.faceWords + 4 * static_cast<size_t>(i));
    if ((w & 0xff) >= vertices || (w >> 8 & 0xff) >= faces || (w >> 16) >= edges) return MeshBlockCheck::kInvalid;
  }
  for (int v = 0; v < h.vertexCount; ++v) {
    const uint32_t w = ReadWord(base + l.vertexWords + 4 * static_cast<size_t>(v));
    if ((w & 0xff) >= faces || (w >> 8 & 0xff) >= 3) return MeshBlockCheck::kInvalid;
  }
  for (int e = 0; e < h.edgeCount; ++e) {
    const uint8_t* r = base + l.edges + 4 * static_cast<size_t>(e);
    if (r[0] >= faces || r[1] >= faces || r[2] >= vertices || r[3] >= vertices) return MeshBlockCheck::kInvalid;
  }
  return MeshBlockCheck::kValid;
}

namespace {

// A shape as the hull search sees it; the tables live in the mesh block, in the library's fixed
// tables or in the static arrays of the current test.
struct HullView {
  int faceCount = 0;
  int vertexCount = 0;
  int perFace = 3;
  const uint8_t* planes = nullptr;       // 16 bytes a face: unit normal x, y, z and offset
  const uint8_t* vertices = nullptr;     // 16 bytes a vertex: x, y, z and a spare word
  const uint8_t* faceWords = nullptr;    // perFace words a face
  const uint8_t* vertexWords = nullptr;  // one word a vertex
  const uint8_t* edges = nullptr;        // four bytes an edge
  Transform t = Transform::Identity();
  bool box = false;       // support by the sign pattern of the direction
  bool triangle = false;  // a flat terrain triangle: its edges' faces are tilted apart for the arc test
};

Vec3 Read3(const uint8_t* p) {
  float f[3];
  std::memcpy(f, p, sizeof(f));
  return Vec3(f[0], f[1], f[2]);
}

uint32_t FaceWord(const HullView& h, int face, int corner) {
  return ReadWord(h.faceWords + 4 * static_cast<size_t>(face * h.perFace + corner));
}
int WordVertex(uint32_t w) { return static_cast<int>(w & 0xff); }
int WordNeighbour(uint32_t w) { return static_cast<int>(w >> 8 & 0xff); }
int WordEdge(uint32_t w) { return static_cast<int>(w >> 16); }

Vec3 WorldVertex(const HullView& h, int i) { return h.t.Apply(Read3(h.vertices + 16 * static_cast<size_t>(i))); }
Vec3 WorldNormal(const HullView& h, int f) {
  return Mat3TransformRow(Read3(h.planes + 16 * static_cast<size_t>(f)), h.t.rotation);
}

struct EdgeRecord {
  int faceA, faceB, start, end;
};
EdgeRecord ReadEdge(const HullView& h, int e) {
  const uint8_t* r = h.edges + 4 * static_cast<size_t>(e);
  return {r[0], r[1], r[2], r[3]};
}

// Calls visit(edge) for every edge meeting at the vertex, going round it face by face.
template <class Visit>
void ForEachEdgeAt(const HullView& h, int vertex, Visit visit) {
  const uint32_t vw = ReadWord(h.vertexWords + 4 * static_cast<size_t>(vertex));
  int face = static_cast<int>(vw & 0xff), corner = static_cast<int>(vw >> 8 & 0xff);
  const int start = face;
  for (int step = 0; step < kMaxHullCount; ++step) {
    visit(WordEdge(FaceWord(h, face, corner)));
    const int beyond = WordNeighbour(FaceWord(h, face, (corner + h.perFace - 1) % h.perFace));
    if (beyond == start) return;
    int k = 0;
    while (k < h.perFace && WordVertex(FaceWord(h, beyond, k)) != vertex) ++k;
    if (k == h.perFace) return;
    face = beyond;
    corner = k;
  }
}

// The vertex furthest along a world direction: a box's corner by the signs of the direction in the
// box frame, a hull's by a walk from vertex to better neighbouring vertex, starting at `from`.
int SupportVertex(const HullView& h, const Vec3& worldDir, int from) {
  const Vec3 dir = Mat3TransformColumn(h.t.rotation, worldDir);
  if (h.box) return (dir.x > 0.0f ? 4 : 0) | (dir.y > 0.0f ? 2 : 0) | (dir.z > 0.0f ? 1 : 0);
  int current = from;
  float best = -1000000.0f;
  const float here = dir.Dot(Read3(h.vertices + 16 * static_cast<size_t>(current)));
  if (here > best) best = here;
  for (int step = 0; step < h.vertexCount; ++step) {
    int next = current;
    ForEachEdgeAt(h, current, [&](int e) {
      const EdgeRecord r = ReadEdge(h, e);
      const int other = r.start == current ? r.end : r.start;
      const float value = dir.Dot(Read3(h.vertices + 16 * static_cast<size_t>(other)));
      if (value > best) {
        best = value;
        next = other;
      }
    });
    if (next == current) break;
    current = next;
  }
  return current;
}

// ---- Fixed tables: the box and the triangle ----

struct FixedTables {
  uint8_t faceWords[4 * kMaxPerFace * 6];
  uint8_t vertexWords[4 * 8];
  uint8_t edges[4 * 12];
  float planes[6][4];
};

const FixedTables& BoxTables() {
  static const FixedTables tables = [] {
    FixedTables t{};
    // Corners are the sign patterns (x: 4, y: 2, z: 1; a set bit is +); faces +y, -y, +x, -x, +z, -z,
    // corners counter-clockwise seen from outside.
    const int32_t corners[6 * 4] = {2, 3, 7, 6, 0, 4, 5, 1, 4, 6, 7, 5, 0, 1, 3, 2, 1, 5, 7, 3, 0, 2, 6, 4};
    const float normals[6][3] = {{0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f) {
      for (int i = 0; i < 3; ++i) t.planes[f][i] = normals[f][i];
      t.planes[f][3] = 0.0f;  // recomputed from the half extents for every face scored
    }
    int edgeCount = 0;
    BuildAdjacency(corners, 6, 4, 8, t.faceWords, t.vertexWords, t.edges, &edgeCount);
    return t;
  }();
  return tables;
}

const FixedTables& TriangleTables() {
  static const FixedTables tables = [] {
    FixedTables t{};
    const int32_t corners[2 * 3] = {0, 1, 2, 0, 2, 1};  // the front face and the back face
    int edgeCount = 0;
    BuildAdjacency(corners, 2, 3, 3, t.faceWords, t.vertexWords, t.edges, &edgeCount);
    return t;
  }();
  return tables;
}

// Static per-test arrays: a box's corners for each side and the current terrain triangle.
// The narrow phase runs on one thread and is not re-entrant.
float boxCorners[2][8][4];
float triangleVertices[3][4];
float trianglePlanes[2][4];
Vec3 triangleEdgeNormals[3][2];  // per edge, its two faces' normals tilted towards the edge

// Fills the view of a box or hull geometry at its world transform; false for other types and for
// a mesh block whose counts are out of range.
bool BuildHullView(HullView* v, const TConvex& g, const Transform& t, float (*boxVertices)[4]) {
  *v = HullView();
  v->t = t;
  if (g.type == kTypeBox) {
    const FixedTables& tables = BoxTables();
    const Vec3& h = g.halfExtents;
    for (int i = 0; i < 8; ++i) {
      boxVertices[i][0] = (i & 4) ? h.x : -h.x;
      boxVertices[i][1] = (i & 2) ? h.y : -h.y;
      boxVertices[i][2] = (i & 1) ? h.z : -h.z;
      boxVertices[i][3] = 1.0f;
    }
    v->faceCount = 6;
    v->vertexCount = 8;
    v->perFace = 4;
    v->planes = reinterpret_cast<const uint8_t*>(tables.planes);
    v->vertices = reinterpret_cast<const uint8_t*>(boxVertices);
    v->faceWords = tables.faceWords;
    v->vertexWords = tables.vertexWords;
    v->edges = tables.edges;
    v->box = true;
    return true;
  }
  if (g.type != kTypeConvex || !g.mesh) return false;
  Header h;
  std::memcpy(&h, g.mesh, sizeof(h));
  if (h.vertexCount < 4 || h.vertexCount > kMaxHullCount || h.faceCount < 4 || h.faceCount > kMaxHullCount ||
      h.vertexOffset != 1 + h.faceCount) {
    return false;
  }
  const uint8_t* base = static_cast<const uint8_t*>(g.mesh);
  const BlockLayout l = LayoutOf(h.vertexCount, h.faceCount);
  v->faceCount = h.faceCount;
  v->vertexCount = h.vertexCount;
  v->planes = base + l.planes;
  v->vertices = base + l.vertices;
  v->faceWords = base + l.faceWords;
  v->vertexWords = base + l.vertexWords;
  v->edges = base + l.edges;
  return true;
}

// The view of one terrain triangle (world coordinates): its plane as the front face, the reverse
// as the back face.
void BuildTriangleView(HullView* v, const TriangleRecord& tri) {
  const FixedTables& tables = TriangleTables();
  for (int i = 0; i < 3; ++i) {
    triangleVertices[i][0] = tri.p[i].x;
    triangleVertices[i][1] = tri.p[i].y;
    triangleVertices[i][2] = tri.p[i].z;
    triangleVertices[i][3] = 1.0f;
  }
  const float front[4] = {tri.n.x, tri.n.y, tri.n.z, -tri.d};
  for (int i = 0; i < 4; ++i) {
    trianglePlanes[0][i] = front[i];
    trianglePlanes[1][i] = -front[i];
  }
  *v = HullView();
  v->faceCount = 2;
  v->vertexCount = 3;
  v->perFace = 3;
  v->planes = reinterpret_cast<const uint8_t*>(trianglePlanes);
  v->vertices = reinterpret_cast<const uint8_t*>(triangleVertices);
  v->faceWords = tables.faceWords;
  v->vertexWords = tables.vertexWords;
  v->edges = tables.edges;
  v->triangle = true;
  // The two faces of the flat triangle are tilted towards each edge's in-plane outward normal, so
  // that the edge still spans an arc on the unit sphere.
  for (int e = 0; e < 3; ++e) {
    const EdgeRecord r = ReadEdge(*v, e);
    Vec3 out = Vec3Cross(tri.p[r.end] - tri.p[r.start], tri.n);
    out.Normalize();
    triangleEdgeNormals[e][0] = tri.n + out * 0.01f;
    triangleEdgeNormals[e][1] = tri.n * -1.0f + out * 0.01f;
  }
}

// ---- The search ----

constexpr int kMaxEdgePairs = 200;
constexpr int kMaxRefineRounds = 4;
constexpr int kPairSlotBits = 9;  // the listed pairs' lookup table: 512 slots, over twice kMaxEdgePairs

enum FeatureKind { kNoFeature, kFaceOfA, kFaceOfB, kEdgePair };

struct Feature {
  FeatureKind kind = kNoFeature;
  float score = -1000000.0f;
  float delta = 0.0f;  // signed distance beyond the feature's plane (< 0: overlapping)
  Vec3 normal;         // face: the walking hull's outward normal; edge pair: outward from A
  int face = -1;
  int support = -1;  // the other hull's vertex deepest into the face
  int edgeA = -1;
  int edgeB = -1;
};

// Search state of one test; reset at its start.
struct SearchState {
  Vec3 start;               // start direction: first centre minus second, offset
  float startLength = 0.0f;  // its length, 0 when tiny
  uint8_t visited[kMaxHullCount];
  int improvements = 0;
  int edgePairsTested = 0;
  int pairCount = 0;
  int pairsScored = 0;               // pairs before this one have been through the arc test and scored
  int16_t pairs[kMaxEdgePairs][2];  // edge of A, edge of B
  int supportHint[2] = {0, 0};      // where the next vertex walk on A (0) or B (1) starts
  Feature best;
  // Entries of the tables below count for the current test only when they carry its stamp, so
  // that no table is cleared between tests.
  uint32_t stamp = 0;
  // The listed pairs by an open-addressed table of keys (edge of A << 16 | edge of B).
  uint32_t pairSlotStamp[1 << kPairSlotBits] = {};
  uint32_t pairSlotKey[1 << kPairSlotBits] = {};
  // The score each face of A (0) or B (1) has had in this test, once scored.
  uint32_t faceStamp[2][kMaxHullCount] = {};
  float faceScore[2][kMaxHullCount] = {};
};
SearchState search;

HullView viewA;
HullView viewB;

float Score(float delta, const Vec3& n, const Vec3& d) {
  float reach = delta + n.Dot(d);
  // A reference point outside its hull can leave no reach along n: the sign of delta still decides.
  if (!(reach < -1e-6f)) reach = -1e-6f;
  const float length = search.startLength > 0.0f ? search.startLength : 1.0f;
  return -delta / (reach * length);
}

// Scores face f of the walking hull w against the other hull o; d points from o towards w.
Feature ScoreFace(const HullView& w, int f, const HullView& o, int otherSide, const Vec3& d) {
  Feature s;
  s.face = f;
  s.normal = WorldNormal(w, f);
  const float offset = -s.normal.Dot(WorldVertex(w, WordVertex(FaceWord(w, f, 0))));
  s.support = SupportVertex(o, -s.normal, search.supportHint[otherSide]);
  search.supportHint[otherSide] = s.support;
  s.delta = s.normal.Dot(WorldVertex(o, s.support)) + offset;
  s.score = Score(s.delta, s.normal, d);
  search.faceStamp[1 - otherSide][f] = search.stamp;
  search.faceScore[1 - otherSide][f] = s.score;
  return s;
}

// Whether two faces of one hull lie in one plane (a flat side made of several triangles).
bool SamePlane(const HullView& h, int f, int g) {
  return Read3(h.planes + 16 * static_cast<size_t>(f)).Dot(Read3(h.planes + 16 * static_cast<size_t>(g))) >
         1.0f - 1e-5f;
}

// Hill climb over the faces of w from `startFace`: each pass scores the unvisited neighbours of
// the current face and moves to the best of them while that improves the best score. A flat side
// made of several triangles scores alike on all of them, so when a pass improves nothing the walk
// goes on from a face it met in the best face's plane, if any. False as soon as a face separates
// the hulls.
bool WalkHullFaces(const HullView& w, const HullView& o, int otherSide, const Vec3& d, int startFace, Feature* out) {
  std::memset(search.visited, 0, sizeof(search.visited));
  search.visited[startFace] = 1;
  Feature best = ScoreFace(w, startFace, o, otherSide, d);
  if (best.score >= 0.0f) return false;
  int level[kMaxHullCount];  // faces met in the best face's plane, not yet walked from
  int levelCount = 0;
  int current = startFace;
  for (;;) {
    int next = -1;
    for (int k = 0; k < w.perFace; ++k) {
      const int g = WordNeighbour(FaceWord(w, current, k));
      if (search.visited[g]) continue;
      search.visited[g] = 1;
      const Feature s = ScoreFace(w, g, o, otherSide, d);
      if (s.score >= 0.0f) return false;
      if (s.score > best.score) {
        best = s;
        next = g;
        levelCount = 0;
        ++search.improvements;
      } else if (SamePlane(w, g, best.face)) {
        level[levelCount++] = g;
      }
    }
    if (next < 0) {
      if (levelCount == 0) break;
      next = level[--levelCount];
    }
    current = next;
  }
  *out = best;
  return true;
}

// Whether the arcs of two edges on the unit sphere cross: a, b the normals beside the edge of A,
// c, d the negated normals beside the edge of B. The signs alone decide, with no margin: the two
// tilted faces of a terrain triangle are nearly opposite, so their cross product is only about
// 0.02 long and the triple products with it are tiny even for arcs that plainly cross; any fixed
// margin on them would turn such pairs away.
bool ArcsCross(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
  const Vec3 ba = Vec3Cross(b, a), dc = Vec3Cross(d, c);
  const float cba = c.Dot(ba), dba = d.Dot(ba), adc = a.Dot(dc), bdc = b.Dot(dc);
  return cba * dba < 0.0f && adc * bdc < 0.0f && cba * bdc > 0.0f;
}

// The normal of face f beside edge e of B, a terrain triangle's tilted towards the edge.
Vec3 EdgeFaceNormal(const HullView& h, int f, int e) {
  return h.triangle ? triangleEdgeNormals[e][f] : WorldNormal(h, f);
}

// Appends an edge pair (edge of A, edge of B) to the candidates unless it is there already or the
// list is full.
void AddEdgePair(int ea, int eb) {
  const uint32_t key = static_cast<uint32_t>(ea) << 16 | static_cast<uint32_t>(eb);
  constexpr uint32_t kMask = (1u << kPairSlotBits) - 1;
  uint32_t slot = (key * 2654435761u) >> (32 - kPairSlotBits);
  for (; search.pairSlotStamp[slot] == search.stamp; slot = (slot + 1) & kMask) {
    if (search.pairSlotKey[slot] == key) return;
  }
  if (search.pairCount >= kMaxEdgePairs) return;
  search.pairSlotStamp[slot] = search.stamp;
  search.pairSlotKey[slot] = key;
  search.pairs[search.pairCount][0] = static_cast<int16_t>(ea);
  search.pairs[search.pairCount][1] = static_cast<int16_t>(eb);
  ++search.pairCount;
}

// The supports of hull h along the negated tilted normals of face `face` of a terrain triangle, one
// for each triangle edge, found as SupportVertex would find them from `from`, the support along the
// untilted normal. The tilt is slight, so mostly `from` stays the support for all three: one pass
// round it decides that, and only a direction for which a neighbour does better walks on.
void TiltedSupports(const HullView& h, const HullView& triangle, int face, int from, int out[3]) {
  if (h.box) {
    for (int e = 0; e < 3; ++e) out[e] = SupportVertex(h, EdgeFaceNormal(triangle, face, e) * -1.0f, from);
    return;
  }
  Vec3 dir[3];
  float best[3];
  bool moves[3] = {false, false, false};
  for (int e = 0; e < 3; ++e) {
    out[e] = from;
    dir[e] = Mat3TransformColumn(h.t.rotation, EdgeFaceNormal(triangle, face, e) * -1.0f);
    best[e] = dir[e].Dot(Read3(h.vertices + 16 * static_cast<size_t>(from)));
  }
  ForEachEdgeAt(h, from, [&](int edge) {
    const EdgeRecord r = ReadEdge(h, edge);
    const Vec3 p = Read3(h.vertices + 16 * static_cast<size_t>(r.start == from ? r.end : r.start));
    for (int e = 0; e < 3; ++e) moves[e] = moves[e] || dir[e].Dot(p) > best[e];
  });
  for (int e = 0; e < 3; ++e) {
    if (moves[e]) out[e] = SupportVertex(h, EdgeFaceNormal(triangle, face, e) * -1.0f, from);
  }
}

// Collects the edge pairs round a face found by a walk: the edges round the face's side (its own
// edges and, for a side made of several triangles in one plane, the outer edges of those
// triangles) against the edges meeting at the other hull's support vertex. Each pair once, at most
// kMaxEdgePairs in all. A terrain triangle's edge arc starts at its face normal tilted towards the
// edge, which can lie beyond the region of the support vertex along the untilted normal: there
// the other hull's edges are taken at its support vertex along the tilted normal, the one whose
// edges the arc leaves by.
void CollectEdgePairs(const HullView& a, const HullView& b, const Feature& f) {
  const bool faceOfA = f.kind == kFaceOfA;
  const HullView& walker = faceOfA ? a : b;
  const HullView& other = faceOfA ? b : a;
  int side[kMaxHullCount];
  int sideCount = 1;
  side[0] = f.face;
  std::memset(search.visited, 0, sizeof(search.visited));
  search.visited[f.face] = 1;
  int tilted[3];
  if (walker.triangle) TiltedSupports(other, walker, f.face, f.support, tilted);
  for (int i = 0; i < sideCount; ++i) {
    for (int k = 0; k < walker.perFace; ++k) {
      const uint32_t word = FaceWord(walker, side[i], k);
      const int beyond = WordNeighbour(word);
      if (SamePlane(walker, beyond, f.face)) {
        if (!search.visited[beyond]) {
          search.visited[beyond] = 1;
          side[sideCount++] = beyond;
        }
        continue;
      }
      const int faceEdge = WordEdge(word);
      const int support = walker.triangle ? tilted[faceEdge] : f.support;
      ForEachEdgeAt(other, support, [&](int e) { AddEdgePair(faceOfA ? faceEdge : e, faceOfA ? e : faceEdge); });
    }
  }
}

// Scores the collected edge pairs not scored yet whose arcs cross, last collected first; a better
// score than the best feature's makes the pair the best feature. When a pair improves the best, the
// pairs of the edges meeting at its ends are collected and scored in turn, while the list has room.
// False when a pair's axis separates the hulls.
bool RefineWithEdges(const HullView& a, const HullView& b, const Vec3& d) {
  int& done = search.pairsScored;
  while (done < search.pairCount) {
    const int end = search.pairCount;
    int improved = -1;
    for (int i = end - 1; i >= done; --i) {
      const EdgeRecord ea = ReadEdge(a, search.pairs[i][0]);
      const EdgeRecord eb = ReadEdge(b, search.pairs[i][1]);
      const Vec3 na = WorldNormal(a, ea.faceA), nb = WorldNormal(a, ea.faceB);
      const Vec3 nc = EdgeFaceNormal(b, eb.faceA, search.pairs[i][1]) * -1.0f;
      const Vec3 nd = EdgeFaceNormal(b, eb.faceB, search.pairs[i][1]) * -1.0f;
      if (!ArcsCross(na, nb, nc, nd)) continue;
      ++search.edgePairsTested;
      const Vec3 pa = WorldVertex(a, ea.start), pb = WorldVertex(b, eb.start);
      Vec3 axis = Vec3Cross(WorldVertex(a, ea.end) - pa, WorldVertex(b, eb.end) - pb);
      const float len2 = axis.LengthSquared();
      if (len2 < 1e-12f) continue;
      axis = axis * (1.0f / std::sqrt(len2));
      if (axis.Dot(na + nb) < 0.0f) axis = axis * -1.0f;  // outward from A
      const float delta = axis.Dot(pb - pa);
      const float score = Score(delta, axis, d);
      if (score >= 0.0f) return false;
      if (score > search.best.score) {
        search.best.kind = kEdgePair;
        search.best.score = score;
        search.best.delta = delta;
        search.best.normal = axis;
        search.best.edgeA = search.pairs[i][0];
        search.best.edgeB = search.pairs[i][1];
        improved = i;
      }
    }
    done = end;
    if (improved < 0) break;
    const EdgeRecord ea = ReadEdge(a, search.best.edgeA), eb = ReadEdge(b, search.best.edgeB);
    for (const int va : {ea.start, ea.end}) {
      ForEachEdgeAt(a, va, [&](int e) {
        for (const int vb : {eb.start, eb.end}) ForEachEdgeAt(b, vb, [&](int f) { AddEdgePair(e, f); });
      });
    }
  }
  return true;
}

// The search between two views; `d` is the start direction from B towards A.
bool SearchHulls(const HullView& a, const HullView& b, const Vec3& d, HullResult* r) {
  r->hit = false;
  search.start = d;
  const float len2 = d.LengthSquared();
  search.startLength = len2 < 1e-6f ? 0.0f : std::sqrt(len2);
  search.improvements = 0;
  search.edgePairsTested = 0;
  search.pairCount = 0;
  search.supportHint[0] = search.supportHint[1] = 0;
  search.best = Feature();
  if (++search.stamp == 0) {  // the stamps wrapped round: old entries could pass for new ones
    std::memset(search.pairSlotStamp, 0, sizeof(search.pairSlotStamp));
    std::memset(search.faceStamp, 0, sizeof(search.faceStamp));
    search.stamp = 1;
  }
  Feature onA, onB;
  if (!WalkHullFaces(a, b, 1, d, 0, &onA)) return false;
  if (!WalkHullFaces(b, a, 0, d * -1.0f, 0, &onB)) return false;
  onA.kind = kFaceOfA;
  onB.kind = kFaceOfB;
  // Of two faces that score alike (a flat side resting on a flat side), the second hull's face
  // gives the contact: its point is then a vertex of the first hull, whereas a flat second hull (a
  // terrain triangle) has its vertices anywhere in its plane, possibly far beside the first.
  search.best = onB.score >= onA.score - 1e-4f * std::fabs(onA.score) ? onB : onA;
  CollectEdgePairs(a, b, onA);
  CollectEdgePairs(a, b, onB);
  search.pairsScored = 0;
  // An edge pair that beats both walks' faces can still have a better face beside it (a walk can
  // stop on a face whose better neighbours lie beyond an edge pair): the four faces beside the best
  // pair's edges are scored, and from one that wins the walk goes on over its hull and the edge
  // pairs round the face it ends on are refined in turn, a few rounds at most.
  for (int round = 0;; ++round) {
    if (!RefineWithEdges(a, b, d)) return false;
    if (search.best.kind != kEdgePair || round == kMaxRefineRounds) break;
    const EdgeRecord ea = ReadEdge(a, search.best.edgeA), eb = ReadEdge(b, search.best.edgeB);
    const int beside[4] = {ea.faceA, ea.faceB, eb.faceA, eb.faceB};
    Feature better = search.best;
    for (int k = 0; k < 4; ++k) {
      // A face scored before in this test (by a walk, say) scores the same again: it is scored
      // anew only if that score could beat the best.
      const int side = k < 2 ? 0 : 1;
      if (search.faceStamp[side][beside[k]] == search.stamp && !(search.faceScore[side][beside[k]] > better.score)) {
        continue;
      }
      const Feature s = k < 2 ? ScoreFace(a, beside[k], b, 1, d) : ScoreFace(b, beside[k], a, 0, d * -1.0f);
      if (s.score >= 0.0f) return false;
      if (s.score > better.score) {
        better = s;
        better.kind = k < 2 ? kFaceOfA : kFaceOfB;
      }
    }
    if (better.kind == kEdgePair) break;
    const bool ofA = better.kind == kFaceOfA;
    if (!WalkHullFaces(ofA ? a : b, ofA ? b : a, ofA ? 1 : 0, ofA ? d : d * -1.0f, better.face, &better)) return false;
    better.kind = ofA ? kFaceOfA : kFaceOfB;
    search.best = better;
    CollectEdgePairs(a, b, better);
  }

  const Feature& f = search.best;
  r->hit = true;
  r->depth = -f.delta;
  r->feature = f.kind;
  if (f.kind == kFaceOfA) {
    r->normal = f.normal * -1.0f;
    r->pointB = WorldVertex(b, f.support);
    r->pointA = r->pointB - r->normal * r->depth;
  } else if (f.kind == kFaceOfB) {
    r->normal = f.normal;
    r->pointA = WorldVertex(a, f.support);
    r->pointB = r->pointA + r->normal * r->depth;
  } else {
    r->normal = f.normal * -1.0f;
    const EdgeRecord ea = ReadEdge(a, f.edgeA), eb = ReadEdge(b, f.edgeB);
    const Vec3 a0 = WorldVertex(a, ea.start), a1 = WorldVertex(a, ea.end);
    const Vec3 b0 = WorldVertex(b, eb.start), b1 = WorldVertex(b, eb.end);
    Vec3 ca, cb;
    float s, t;
    bool inside = false;
    if (!ClosestPointsSegments(a0, a1, b0, b1, &ca, &cb, &s, &t, &inside) || !inside) {
      ClosestPointsClampedSegments(a0, a1, b0, b1, &ca, &cb);
    }
    // The midpoint of the two closest points, half the depth to each side.
    const Vec3 mid = (ca + cb) * 0.5f;
    r->pointA = mid - r->normal * (r->depth * 0.5f);
    r->pointB = mid + r->normal * (r->depth * 0.5f);
  }
  r->normal.w = 0.0f;
  r->pointA.w = r->pointB.w = 1.0f;
  return true;
}

// The offsets of the start direction keep it from vanishing for coincident centres.
const Vec3 kFirstOffset(0.1f, 0.1f, 0.1f);
const Vec3 kSecondOffset(0.2f, 0.2f, 0.2f);

// The point of the triangle nearest to p.
Vec3 NearestPointOfTriangle(const TriangleRecord& tri, const Vec3& p) {
  const Vec3 inPlane = p - tri.n * (tri.n.Dot(p) - tri.d);
  if (ClassifyPointInTriangle(tri, inPlane) < 0) return inPlane;
  Vec3 best = tri.p[0];
  float bestDistance = 1e30f;
  for (int i = 0; i < 3; ++i) {
    const float length2 = tri.e[i].LengthSquared();
    float t = length2 > 0.0f ? (p - tri.p[i]).Dot(tri.e[i]) / length2 : 0.0f;
    t = std::min(1.0f, std::max(0.0f, t));
    const Vec3 q = tri.p[i] + tri.e[i] * t;
    const float distance = (p - q).LengthSquared();
    if (distance < bestDistance) {
      bestDistance = distance;
      best = q;
    }
  }
  return best;
}

// The triangle's reference point for a hull centred at c; the start direction runs from it to the
// offset centre c + kFirstOffset. A hull round c overlaps the triangle least along the line from the
// triangle's point nearest to c towards c (a large triangle's centre can lie far to the side of a
// hull resting on it, and a start direction towards it would tilt the contact towards the
// triangle's edges). Over the triangle's face that nearest point is the reference. Beside the face
// (the nearest point on an edge or a corner) the offset would turn the start direction away from
// that line towards a neighbouring feature, so the reference is where the parallel line through the
// offset centre meets the triangle, or, when it passes beside the triangle, the triangle's point
// nearest to the offset centre.
Vec3 TriangleReference(const TriangleRecord& tri, const Vec3& c) {
  const Vec3 inPlane = c - tri.n * (tri.n.Dot(c) - tri.d);
  if (ClassifyPointInTriangle(tri, inPlane) < 0) return inPlane;
  const Vec3 centre = c + kFirstOffset;
  const Vec3 toHull = c - NearestPointOfTriangle(tri, c);
  const float across = tri.n.Dot(toHull);
  if (std::fabs(across) > 1e-6f) {
    const float t = (tri.n.Dot(centre) - tri.d) / across;
    const Vec3 p = centre - toHull * t;
    if (t > 0.0f && ClassifyPointInTriangle(tri, p) < 0) return p;
  }
  return NearestPointOfTriangle(tri, centre);
}

// A hull (already in viewA) against one terrain triangle, the triangle as the second hull.
bool TestConvexOneTriangle(HullResult* r, const HullView& hull, const TriangleRecord& tri) {
  BuildTriangleView(&viewB, tri);
  return SearchHulls(hull, viewB, hull.t.position + kFirstOffset - TriangleReference(tri, hull.t.position), r);
}

}  // namespace

void TestConvexConvex(HullResult* r, const TConvex& a, const Transform& ta, const TConvex& b, const Transform& tb) {
  r->hit = false;
  if (!BuildHullView(&viewA, a, ta, boxCorners[0]) || !BuildHullView(&viewB, b, tb, boxCorners[1])) return;
  SearchHulls(viewA, viewB, (ta.position + kFirstOffset) - (tb.position + kSecondOffset), r);
}

void ConvertHullResult(const HullResult& h, CollisionResult* r) {
  if (!h.hit) {
    r->hasContact = 0;
    return;
  }
  r->hasContact = 1;
  r->depth = h.depth;
  r->normal = h.normal;
  r->relPointA = h.pointA;
  r->relPointB = h.pointB;
}

void TestConvexTriangle(CollisionResult* r, const TConvex& hull, const Transform& t, const TConvex& list) {
  r->hasContact = 0;
  if (!BuildHullView(&viewA, hull, t, boxCorners[0])) return;
  // The hull's world box picks the triangles worth a test.
  Vec3 lo = WorldVertex(viewA, 0), hi = lo;
  for (int i = 1; i < viewA.vertexCount; ++i) {
    const Vec3 p = WorldVertex(viewA, i);
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  WalkTriangles(r, list, kAnySelector, lo, hi, [&](const TriangleRecord& tri, int32_t, TriangleContact* out) {
    HullResult h;
    if (!TestConvexOneTriangle(&h, viewA, tri)) return false;
    out->depth = h.depth;
    out->normal = h.normal;
    out->pointOnGeometry = h.pointA;
    out->pointOnTriangle = h.pointB;
    out->hit = true;
    return true;
  });
}

}  // namespace phys

bool Geometry::SetConvexMesh(const void* block) {
  phys::TConvex* g = phys::Impl(this);
  const phys::MeshBlockCheck check = g->SetConvexMesh(block);
  if (check == phys::MeshBlockCheck::kValid) {
    if (g->body) g->body->GeometryReshaped();
    return true;
  }
  phys::SimulatorImpl::LogForGeometry(g, check == phys::MeshBlockCheck::kTooLarge
                                             ? "Convex mesh refused: more than 256 faces or vertices.\n"
                                             : "Convex mesh refused: not a valid mesh block.\n");
  return false;
}

bool Geometry::GetConvexMesh(const void*& block) const {
  const phys::TConvex* g = phys::Impl(this);
  if (g->type != phys::kTypeConvex) return false;
  block = g->mesh;
  return true;
}
