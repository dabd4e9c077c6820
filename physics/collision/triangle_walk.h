// The walk over a triangle-list geometry shared by the terrain tests.
#pragma once

#include <utility>

#include "physics/collision/pair_tests.h"

namespace phys {

// Whether a triangle's bounding box misses the box [lo, hi].
inline bool TriangleOutsideBox(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& lo, const Vec3& hi) {
  for (int i = 0; i < 3; ++i) {
    if (a[i] > hi[i] && b[i] > hi[i] && c[i] > hi[i]) return true;
    if (a[i] < lo[i] && b[i] < lo[i] && c[i] < lo[i]) return true;
  }
  return false;
}

// A selector mask that takes every triangle whatever its selector word.
constexpr int kAnySelector = -1;

// Tests every listed triangle whose selector the test takes and whose bounding box touches the
// geometry's box [lo, hi] (`test` returns true on contact), and reports the deepest contact; of
// equal depths the earlier triangle stays.
template <class Test>
void WalkTriangles(CollisionResult* r, const TConvex& list, int selectorMask, const Vec3& lo, const Vec3& hi,
                   Test test) {
  r->hasContact = 0;
  TriangleContact scratch[2];
  TriangleContact* best = &scratch[0];
  TriangleContact* current = &scratch[1];
  best->depth = -1000000.0f;
  best->hit = false;
  int32_t material = 0;
  const Vec3* verts = list.listVertices;
  const Triangle* tris = list.listTriangles;
  if (!verts || !tris || !list.listIndices) return;
  const PreparedTriangle* prepared = list.listPrepared;
  for (int32_t k = 0; k < list.listIndexCount; ++k) {
    const int32_t index = list.listIndices[k];
    if (index < 0 || (list.listTriangleCount > 0 && index >= list.listTriangleCount)) continue;
    const Triangle& t = tris[index];
    if (selectorMask != kAnySelector &&
        (t.testSelector < 0 || t.testSelector > 1 || !(selectorMask & (1 << t.testSelector)))) {
      continue;
    }
    if (t.v[0] < 0 || t.v[1] < 0 || t.v[2] < 0) continue;
    TriangleRecord made;
    const TriangleRecord* rec = &made;
    if (prepared) {
      const PreparedTriangle& p = prepared[index];
      if (p.lo[0] > hi.x || p.hi[0] < lo.x || p.lo[1] > hi.y || p.hi[1] < lo.y || p.lo[2] > hi.z || p.hi[2] < lo.z) {
        continue;
      }
      if (!p.valid) continue;
      rec = &p.rec;
    } else {
      if (TriangleOutsideBox(verts[t.v[0]], verts[t.v[1]], verts[t.v[2]], lo, hi)) continue;
      // Degenerate triangles have no normal and are skipped.
      if (!MakeTriangleRecord(verts[t.v[0]], verts[t.v[1]], verts[t.v[2]], &made)) continue;
    }
    current->hit = false;
    if (test(*rec, t.testSelector, current) && current->hit && current->depth > best->depth) {
      std::swap(best, current);
      material = t.id0;
    }
  }
  if (!best->hit) return;
  r->depth = best->depth;
  r->normal = best->normal;
  r->relPointA = best->pointOnGeometry;
  r->relPointB = best->pointOnTriangle;
  r->materialB = material;
  r->hasContact = 1;
}

}  // namespace phys
