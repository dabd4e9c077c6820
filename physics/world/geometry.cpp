// Collision shapes, their extents and bounds, mass properties and the inertia helpers.
#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "physics/world/simulator.h"

namespace phys {

bool InvertMat3(const Mat3& m, Mat3* out) {
  const float a = m.row[0].x, b = m.row[0].y, c = m.row[0].z;
  const float d = m.row[1].x, e = m.row[1].y, f = m.row[1].z;
  const float g = m.row[2].x, h = m.row[2].y, i = m.row[2].z;
  const float c00 = e * i - f * h, c01 = f * g - d * i, c02 = d * h - e * g;
  const double det = static_cast<double>(a) * c00 + static_cast<double>(b) * c01 + static_cast<double>(c) * c02;
  if (!(std::fabs(det) >= 1e-17) || !std::isfinite(det)) return false;
  const float inv = static_cast<float>(1.0 / det);
  Mat3 r;
  r.row[0].Set(c00 * inv, (c * h - b * i) * inv, (b * f - c * e) * inv);
  r.row[1].Set(c01 * inv, (a * i - c * g) * inv, (c * d - a * f) * inv);
  r.row[2].Set(c02 * inv, (b * g - a * h) * inv, (a * e - b * d) * inv);
  *out = r;
  return true;
}

Mat3 DiagonalMat3(const Vec3& d) {
  Mat3 m;
  m.row[0].Set(d.x, 0, 0);
  m.row[1].Set(0, d.y, 0);
  m.row[2].Set(0, 0, d.z);
  return m;
}

Mat3 RotateTensor(const Mat3& rotation, const Mat3& tensor) {
  return Mat3Multiply(Mat3Transpose(rotation), Mat3Multiply(tensor, rotation));
}

Quat QuatMultiply(const Quat& a, const Quat& b) {
  return Quat(a.w * b.x + b.w * a.x + (a.y * b.z - a.z * b.y), a.w * b.y + b.w * a.y + (a.z * b.x - a.x * b.z),
              a.w * b.z + b.w * a.z + (a.x * b.y - a.y * b.x), a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z));
}

void QuatNormalize(Quat* q) {
  const float sq = q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
  if (!(sq > 0.0f) || !std::isfinite(sq)) {
    *q = Quat();
    return;
  }
  const float inv = 1.0f / std::sqrt(sq);
  q->x *= inv;
  q->y *= inv;
  q->z *= inv;
  q->w *= inv;
}

Quat QuatFromMat3(const Mat3& m) {
  const float m00 = m.row[0].x, m01 = m.row[0].y, m02 = m.row[0].z;
  const float m10 = m.row[1].x, m11 = m.row[1].y, m12 = m.row[1].z;
  const float m20 = m.row[2].x, m21 = m.row[2].y, m22 = m.row[2].z;
  const float t = (m00 + m11 + m22 + 1.0f) * 0.25f;
  const float xx = t - (m11 + m22) * 0.5f;
  const float yy = t - (m00 + m22) * 0.5f;
  const float zz = t - (m00 + m11) * 0.5f;
  int pick = 0;
  float best = t;
  if (xx >= best) {
    best = xx;
    pick = 1;
  }
  if (yy >= best) {
    best = yy;
    pick = 2;
  }
  if (zz >= best) {
    best = zz;
    pick = 3;
  }
  Quat q;
  if (pick == 0) {
    q.w = std::sqrt(t);
    const float f = 0.25f / q.w;
    q.x = (m12 - m21) * f;
    q.y = (m20 - m02) * f;
    q.z = (m01 - m10) * f;
  } else if (pick == 1) {
    q.x = std::sqrt(xx);
    const float f = 0.25f / q.x;
    q.w = (m12 - m21) * f;
    q.y = (m10 + m01) * f;
    q.z = (m02 + m20) * f;
  } else if (pick == 2) {
    q.y = std::sqrt(yy);
    const float f = 0.25f / q.y;
    q.w = (m20 - m02) * f;
    q.x = (m10 + m01) * f;
    q.z = (m21 + m12) * f;
  } else {
    q.z = std::sqrt(zz);
    const float f = 0.25f / q.z;
    q.w = (m01 - m10) * f;
    q.x = (m02 + m20) * f;
    q.y = (m21 + m12) * f;
  }
  if (q.w < 0.0f) {
    q.x = -q.x;
    q.y = -q.y;
    q.z = -q.z;
    q.w = -q.w;
  }
  return q;
}

// ---- TConvex ----

void TConvex::InitDefault() {
  *this = TConvex();
  boundingRadius = halfExtents.Length();
}

void TConvex::SetBoxSize(float x, float y, float z) {
  type = kTypeBox;
  halfExtents.Set(x * 0.5f, y * 0.5f, z * 0.5f);
  boundingRadius = halfExtents.Length();
  scale = 0.0f;
}

void TConvex::SetSphere(float diameter) {
  type = kTypeSphere;
  radius = diameter * 0.5f;
  radiusSquared = radius * radius;
}

void TConvex::SetCylinderShape(float diameter, float height) {
  type = kTypeCylinder;
  radius = diameter * 0.5f;
  radiusSquared = radius * radius;
  halfHeight = height * 0.5f;
}

MeshBlockCheck TConvex::SetConvexMesh(const void* block) {
  const MeshBlockCheck check = CheckConvexMeshBlock(block);
  if (check != MeshBlockCheck::kValid) return check;
  type = kTypeConvex;
  mesh = block;
  int32_t words[2];
  std::memcpy(words, block, sizeof(words));
  meshVertices = static_cast<const Vec3*>(static_cast<const void*>(static_cast<const uint8_t*>(block) + 16 * static_cast<size_t>(words[0])));
  meshVertexCount = words[1];
  return check;
}

void TConvex::SetTriangleList(const int32_t* indices, int32_t indexCount, const Triangle* triangles,
                              const Vec3* vertices, int32_t triangleCount) {
  listTriangleCount = triangleCount;
  type = kTypeTriangleList;
  listIndices = indices;
  listIndexCount = indexCount;
  listTriangles = triangles;
  listVertices = vertices;
  listPrepared = nullptr;
}

void TConvex::SetTriangle(const Vec3* a, const Vec3* b, const Vec3* c, int32_t userWord) {
  type = kTypeTriangle;
  corners[0] = a;
  corners[1] = b;
  corners[2] = c;
  triangleUserWord = userWord;
}

Transform TConvex::GetTransformOrIdentity() const {
  if (type == kTypeBox || type == kTypeSphere || type == kTypeCylinder) return transform;
  return Transform::Identity();
}

static float MaxVertexLength(const Vec3* v, int count) {
  float best = 0.0f;
  for (int i = 0; i < count; ++i) best = std::max(best, v[i].Length());
  return best;
}

float TConvex::GetExtend() const {
  const float p = transform.position.Length();
  switch (type) {
    case kTypeBox:
      return halfExtents.Length() + p;
    case kTypeSphere:
      return radius + p;
    case kTypeCylinder:
      return radius + halfHeight + p;
    case kTypeConvex:
      return meshVertices ? MaxVertexLength(meshVertices, meshVertexCount) : 0.0f;
    case kTypeVertexCloud:
      return meshVertices ? (scale + 1.0f) * MaxVertexLength(meshVertices, meshVertexCount) : 0.0f;
    default:
      std::fprintf(stderr, "TConvex::GetExtend - error: unrecongised primitive type\n");
      return 0.0f;
  }
}

void TConvex::GetLocalBounds(Vec3& min, Vec3& max) const {
  const Mat3& R = transform.rotation;
  const Vec3& p = transform.position;
  Vec3 e;
  switch (type) {
    case kTypeBox:
      for (int i = 0; i < 3; ++i) {
        e[i] = std::fabs(R.row[0][i]) * halfExtents.x + std::fabs(R.row[1][i]) * halfExtents.y +
               std::fabs(R.row[2][i]) * halfExtents.z;
      }
      break;
    case kTypeSphere:
      e.Set(radius, radius, radius);
      break;
    case kTypeCylinder:
      for (int i = 0; i < 3; ++i) {
        e[i] = (std::fabs(R.row[0][i]) + std::fabs(R.row[2][i])) * radius + std::fabs(R.row[1][i]) * (radius + halfHeight);
      }
      break;
    case kTypeConvex:
    case kTypeVertexCloud: {
      if (!meshVertices || meshVertexCount <= 0) return;
      Vec3 lo = meshVertices[0], hi = meshVertices[0];
      for (int k = 1; k < meshVertexCount; ++k) {
        for (int i = 0; i < 3; ++i) {
          lo[i] = std::min(lo[i], meshVertices[k][i]);
          hi[i] = std::max(hi[i], meshVertices[k][i]);
        }
      }
      const float f = type == kTypeConvex ? 2.0f : scale + 2.0f;
      min = lo * f;
      max = hi * f;
      return;
    }
    default:
      return;
  }
  min = p - e;
  max = p + e;
}

Mat3 GeometryMassProperties(const TConvex& g, float density, float& mass) {
  Mat3 zero;
  if (g.type != kTypeBox) {
    mass = 0.0f;
    return zero;
  }
  const float hx = g.halfExtents.x, hy = g.halfExtents.y, hz = g.halfExtents.z;
  mass = hx * hy * hz * 8.0f * density;
  const Vec3 d = Vec3(hy * hy + hz * hz, hx * hx + hz * hz, hx * hx + hy * hy) * (mass * 0.33333334f);
  Mat3 inertia = RotateTensor(g.transform.rotation, DiagonalMat3(d));
  ShiftInertia(inertia, g.transform.position, mass, 1.0f);
  return inertia;
}

void ShiftInertia(Mat3& inertia, const Vec3& offset, float mass, float sign) {
  const float sq = offset.x * offset.x + offset.y * offset.y + offset.z * offset.z;
  for (int i = 0; i < 3; ++i) {
    inertia.row[i][i] += sign * mass * (sq - offset[i] * offset[i]);
    for (int j = 0; j < 3; ++j) {
      if (j != i) inertia.row[i][j] += sign * mass * (-offset[i] * offset[j]);
    }
  }
}

}  // namespace phys

using namespace phys;

Vec3 BoxInertiaTensor(const Vec3& size, float mass) {
  float s = size.x;
  if (size.y > s) s = size.y;
  if (size.z > s) s = size.z;
  const float v = (s * s + s * s) * mass * 0.33333334f;
  return Vec3(v, v, v);
}

Vec3 BoxInertiaTensor(float x, float y, float z, float mass) { return BoxInertiaTensor(Vec3(x, y, z), mass); }

Vec3 SphereInertiaTensor(float diameter, float mass) {
  const float r = diameter * 0.5f;
  const float v = r * r * mass * 0.4f;
  return Vec3(v, v, v);
}

Vec3 CylinderInertiaTensor(float diameter, float height, float mass) {
  const float r = diameter * 0.5f;
  const float xz = height * height * mass * 0.083333336f + r * r * mass * 0.25f;
  return Vec3(xz, r * r * mass * 0.5f, xz);
}

// ---- Geometry facade ----

namespace {

SimulatorImpl* SimOf(const TConvex* g) { return g->body ? g->body->sim : nullptr; }

// A size that is not finite or is negative is refused (logged): the geometry keeps its shape.
bool RefusesSize(const TConvex* g, const char* operation, std::initializer_list<float> sizes) {
  bool finite = true, negative = false;
  for (float v : sizes) {
    finite = finite && std::isfinite(v);
    negative = negative || v < 0.0f;
  }
  return RefuseValue(SimOf(g), operation, finite, kNotFinite) ||
         RefuseValue(SimOf(g), operation, !negative, "a negative size");
}

void Reshaped(TConvex* g) {
  if (g->body) g->body->GeometryReshaped();
}

}  // namespace

void Geometry::SetBoxSize(const Vec3& size) { SetBoxSize3(size.x, size.y, size.z); }
void Geometry::SetBoxSize3(float x, float y, float z) {
  if (RefusesSize(Impl(this), "Geometry::SetBoxSize", {x, y, z})) return;
  Impl(this)->SetBoxSize(x, y, z);
  Reshaped(Impl(this));
}
bool Geometry::GetBoxSize(Vec3& size) const {
  if (Impl(this)->type != kTypeBox) return false;
  size = Impl(this)->halfExtents * 2.0f;
  return true;
}
void Geometry::SetSphereDiameter(float diameter) {
  if (RefusesSize(Impl(this), "Geometry::SetSphereDiameter", {diameter})) return;
  Impl(this)->SetSphere(diameter);
  Reshaped(Impl(this));
}
bool Geometry::GetSphereDiameter(float& diameter) const {
  if (Impl(this)->type != kTypeSphere) return false;
  diameter = Impl(this)->radius * 2.0f;
  return true;
}
void Geometry::SetCylinder(float diameter, float height) {
  if (RefusesSize(Impl(this), "Geometry::SetCylinder", {diameter, height})) return;
  Impl(this)->SetCylinderShape(diameter, height);
  Reshaped(Impl(this));
}
bool Geometry::GetCylinder(float& diameter, float& height) const {
  if (Impl(this)->type != kTypeCylinder) return false;
  diameter = Impl(this)->radius * 2.0f;
  height = Impl(this)->halfHeight * 2.0f;
  return true;
}
void Geometry::SetTransform(const Transform& t) {
  REFUSE_NONFINITE(SimOf(Impl(this)), "Geometry::SetTransform", IsFiniteTransform(t));
  Impl(this)->transform = t;
  Reshaped(Impl(this));
}
Transform Geometry::GetTransform() const { return Impl(this)->transform; }
void Geometry::SetMaterialIndex(int index) {
  if (index >= 0 && index < 256) Impl(this)->materialIndex = index;
}
int Geometry::GetMaterialIndex() const { return Impl(this)->materialIndex; }
void Geometry::SetUserData(int data) { Impl(this)->userData = data; }
int Geometry::GetUserData() const { return Impl(this)->userData; }
void Geometry::SetBreakMode(int mode) { Impl(this)->breakMode = mode; }
int Geometry::GetBreakMode() const { return Impl(this)->breakMode; }
// Break parameters that are not finite are refused (logged); a break mass must also be positive.
void Geometry::SetBreakMass(float mass) {
  REFUSE_NONFINITE(SimOf(Impl(this)), "Geometry::SetBreakMass", std::isfinite(mass));
  if (mass > 0.0f) Impl(this)->breakMass = mass;
}
float Geometry::GetBreakMass() const { return Impl(this)->breakMass; }
void Geometry::SetBreakInertia(const Vec3& inertia) {
  REFUSE_NONFINITE(SimOf(Impl(this)), "Geometry::SetBreakInertia", IsFiniteVec(inertia));
  Impl(this)->breakInertia = inertia;
}
void Geometry::SetBreakThreshold(float t) {
  StoreFinite(SimOf(Impl(this)), "Geometry::SetBreakThreshold", &Impl(this)->breakThreshold, t);
}
float Geometry::GetBreakThreshold() const { return Impl(this)->breakThreshold; }
void Geometry::SetBreakAbsorption(float a) {
  StoreFinite(SimOf(Impl(this)), "Geometry::SetBreakAbsorption", &Impl(this)->breakAbsorption, a);
}
float Geometry::GetBreakAbsorption() const { return Impl(this)->breakAbsorption; }
void Geometry::SetBreakPlane(const Vec3& p) {
  REFUSE_NONFINITE(SimOf(Impl(this)), "Geometry::SetBreakPlane", IsFiniteVec(p));
  Impl(this)->breakPlane = p;
}
void Geometry::SetBreakParameter(float p) {
  StoreFinite(SimOf(Impl(this)), "Geometry::SetBreakParameter", &Impl(this)->breakParameter, p);
}
float Geometry::GetBreakParameter() const { return Impl(this)->breakParameter; }
