// Line sensors: segments fixed to a body that report the deepest hit of the step against the
// geometries of the bodies it touches and against the terrain.
#include "physics/world/sensors.h"

#include "physics/world/simulator.h"

namespace phys {

namespace {

// The part of a box's world transform that a segment test needs.
Transform GeometryWorldTransform(const TConvex& g, const Transform& body) {
  if (g.type == kTypeTriangleList) return Transform::Identity();
  const Transform local = g.GetTransformOrIdentity();
  Transform t;
  t.rotation = Mat3Multiply(local.rotation, body.rotation);
  t.position = body.Apply(local.position);
  t.position.w = 1.0f;
  return t;
}

void SensorVsBox(SensorHit* hit, const TConvex& box, const Transform& world, const Vec3& p, const Vec3& d) {
  const Vec3& h = box.halfExtents;
  float tNear = -1000000.0f;
  float tFar = 1000000.0f;
  int axis = -1;
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(d[i]) < 1e-6f) {
      if (p[i] < -h[i] || p[i] > h[i]) return;
      continue;
    }
    float t1 = (-h[i] - p[i]) / d[i];
    float t2 = (h[i] - p[i]) / d[i];
    if (t1 > t2) std::swap(t1, t2);
    if (t1 > tNear) {
      tNear = t1;
      axis = i;
    }
    if (t2 < tFar) tFar = t2;
    if (tFar < tNear || tFar < 0.0f) return;
  }
  // A segment too short to enter any slab (all components below 1e-6) has no entry face.
  if (axis < 0 || tNear > 1.0f) return;
  const Vec3 q = p + d * tNear;
  hit->depth = (p + d - q).Length();
  const float sign = d[axis] < 0.0f ? 1.0f : -1.0f;
  hit->normal = world.rotation.row[axis] * sign;
  hit->normal.w = 0.0f;
  hit->point = q;
  hit->material = box.materialIndex;
}

// Whether q lies inside triangle abc of normal n (a zero cross product counts as inside).
bool InsideTriangle(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& q) {
  const Vec3* v[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    const Vec3& s = *v[i];
    const Vec3& e = *v[(i + 1) % 3];
    const Vec3& third = *v[(i + 2) % 3];
    const Vec3 edge = e - s;
    const Vec3 c1 = Vec3Cross(edge, third - s);
    const Vec3 c2 = Vec3Cross(edge, q - s);
    if (c1.Dot(c2) < 0.0f) return false;
  }
  return true;
}

void SensorVsTriangles(SensorHit* hit, const TConvex& list, const Vec3& p, const Vec3& d, float length) {
  if (!list.listIndices || !list.listTriangles || !list.listVertices) return;
  for (int32_t k = 0; k < list.listIndexCount; ++k) {
    const int32_t index = list.listIndices[k];
    if (index < 0 || (list.listTriangleCount > 0 && index >= list.listTriangleCount)) continue;
    const Triangle& t = list.listTriangles[index];
    if (t.v[0] < 0 || t.v[1] < 0 || t.v[2] < 0) continue;
    const Vec3& a = list.listVertices[t.v[0]];
    const Vec3& b = list.listVertices[t.v[1]];
    const Vec3& c = list.listVertices[t.v[2]];
    Vec3 n = Vec3Cross(b - a, c - b);
    const float len2 = n.LengthSquared();
    if (len2 < kZeroSquared) continue;  // degenerate: no normal
    n = n * (1.0f / std::sqrt(len2));
    const float nd = n.Dot(d);
    if (std::fabs(nd) < 1e-12f) continue;  // parallel to the plane
    const float tt = (n.Dot(a) - n.Dot(p)) / nd;
    if (!(tt >= 0.0f && tt <= 1.0f)) continue;
    const Vec3 q = p + d * tt;
    if (!InsideTriangle(a, b, c, q)) continue;
    hit->depth = (1.0f - tt) * length;
    hit->normal = nd <= 0.0f ? n : -n;
    hit->normal.w = 0.0f;
    hit->point = q;
    hit->material = t.id0;
  }
}

}  // namespace

void SensorVsGeometry(SensorHit* hit, const TConvex& geometry, const Transform& world, const Vec3& start,
                      const Vec3& vector, float length) {
  switch (geometry.type) {
    case kTypeBox: {
      // The segment in the box's frame.
      const Vec3 p = Mat3TransformColumn(world.rotation, start - world.position);
      const Vec3 d = Mat3TransformColumn(world.rotation, vector);
      SensorHit local = *hit;
      local.depth = 0.0f;
      SensorVsBox(&local, geometry, world, p, d);
      if (local.depth > 0.0f) {
        *hit = local;
        hit->point = world.Apply(local.point);
        hit->point.w = 1.0f;
      }
      return;
    }
    case kTypeTriangleList:
      // Terrain vertices are world coordinates.
      SensorVsTriangles(hit, geometry, start, vector, length);
      return;
    default:
      return;  // spheres, cylinders and hulls are not sensed
  }
}

void TestSensors(RigidBodyBase& a, const Transform& ta, const RigidBodyBase& b, const Transform& tb,
                 RigidBodyBase* detected) {
  for (PoolNode<SensorImpl>* n = a.sensors.head; n; n = n->next) {
    SensorImpl& s = n->rec;
    const Vec3 start = ta.Apply(s.linePos);
    const Vec3 vector = Mat3TransformRow(s.lineVector, ta.rotation);
    if (!IsFiniteVec(start) || !IsFiniteVec(vector)) continue;
    SensorHit best;
    for (const PoolNode<TConvex>* g = b.geometries.head; g; g = g->next) {
      const Transform world = GeometryWorldTransform(g->rec, tb);
      SensorHit hit;
      SensorVsGeometry(&hit, g->rec, world, start, vector, s.lineLength);
      if (hit.depth > best.depth) best = hit;
    }
    if (best.depth > 0.0f && best.depth > s.detectDepth && std::isfinite(best.depth)) {
      s.detectDepth = best.depth;
      s.detectMaterial = best.material;
      s.detectNormal = best.normal;
      s.detectPoint = best.point;
      s.detectBody = detected;
    }
  }
}

}  // namespace phys
