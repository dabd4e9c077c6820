// Vector math and the plain value records shared by the physics library and the game.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Index checks stay on in every build type: a bad component index is a caller's error that must
// not read a neighbouring field silently.
[[noreturn]] inline void Vec3AssertFailed(const char* expression, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, expression);
  std::abort();
}
#define VEC3_CHECK(expr, line) ((expr) ? (void)0 : Vec3AssertFailed(#expr, __FILE__, line))

inline bool IsConsideredZero(float x) { return std::fabs(x) < 1e-6f; }
inline float FloatSqrt(float x) { return std::sqrt(x); }
inline float FloatAbs(float x) { return std::fabs(x); }

// Four floats: x, y, z and a fourth word that carries no meaning. The fourth word is zeroed by
// every constructor, setter and arithmetic result so that copies of a vector (which go into LAN
// datagrams) never carry uninitialised bytes.
struct Vec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

  constexpr Vec3() = default;
  constexpr Vec3(float ax, float ay, float az) : x(ax), y(ay), z(az), w(0.0f) {}

  Vec3& Set(float ax, float ay, float az) {
    x = ax;
    y = ay;
    z = az;
    w = 0.0f;
    return *this;
  }
  void SetZero() { Set(0.0f, 0.0f, 0.0f); }

  float& operator[](int I) {
    VEC3_CHECK(I >= 0, 5);
    VEC3_CHECK(I <= 2, 6);
    return I == 0 ? x : (I == 1 ? y : z);
  }
  float operator[](int I) const {
    VEC3_CHECK(I >= 0, 5);
    VEC3_CHECK(I <= 2, 6);
    return I == 0 ? x : (I == 1 ? y : z);
  }

  float Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
  float LengthSquared() const { return x * x + y * y + z * z; }
  float Length() const {
    const float sq = LengthSquared();
    return IsConsideredZero(sq) ? 0.0f : FloatSqrt(sq);
  }
  void Normalize() {
    const float len = Length();
    if (len == 0.0f) {
      SetZero();
    } else {
      *this *= 1.0f / len;
    }
  }
  Vec3& operator*=(float s) {
    x *= s;
    y *= s;
    z *= s;
    w = 0.0f;
    return *this;
  }
  Vec3& operator+=(const Vec3& o) {
    x += o.x;
    y += o.y;
    z += o.z;
    w = 0.0f;
    return *this;
  }
  Vec3& operator-=(const Vec3& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    w = 0.0f;
    return *this;
  }
};
static_assert(sizeof(Vec3) == 16, "Vec3 is four floats");

inline Vec3 Vec3Negate(const Vec3& a) { return Vec3(-a.x, -a.y, -a.z); }
inline Vec3 Vec3Add(const Vec3& a, const Vec3& b) { return Vec3(a.x + b.x, a.y + b.y, a.z + b.z); }
inline Vec3 Vec3Sub(const Vec3& a, const Vec3& b) { return Vec3(a.x - b.x, a.y - b.y, a.z - b.z); }
inline Vec3 Vec3Scale(const Vec3& a, float s) { return Vec3(a.x * s, a.y * s, a.z * s); }
inline Vec3 Vec3ScaleLeft(float s, const Vec3& a) { return Vec3(s * a.x, s * a.y, s * a.z); }
inline Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
  return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline Vec3 operator-(const Vec3& a) { return Vec3Negate(a); }
inline Vec3 operator+(const Vec3& a, const Vec3& b) { return Vec3Add(a, b); }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return Vec3Sub(a, b); }
inline Vec3 operator*(const Vec3& a, float s) { return Vec3Scale(a, s); }
inline Vec3 operator*(float s, const Vec3& a) { return Vec3ScaleLeft(s, a); }

// 3x3 matrix of three row vectors. As a rotation, row r is the image of basis axis r: row 0 is the
// body's local x axis in world coordinates. Vectors are rows: v' = v * M.
struct Mat3 {
  Vec3 row[3];

  static Mat3 Identity() {
    Mat3 m;
    m.row[0].Set(1, 0, 0);
    m.row[1].Set(0, 1, 0);
    m.row[2].Set(0, 0, 1);
    return m;
  }
  Vec3& operator[](int r) { return row[r]; }
  const Vec3& operator[](int r) const { return row[r]; }
};

// Row vector times matrix: v.x * row0 + v.y * row1 + v.z * row2 (local to world for a rotation).
inline Vec3 Mat3TransformRow(const Vec3& v, const Mat3& m) {
  return Vec3(v.x * m.row[0].x + v.y * m.row[1].x + v.z * m.row[2].x,
              v.x * m.row[0].y + v.y * m.row[1].y + v.z * m.row[2].y,
              v.x * m.row[0].z + v.y * m.row[1].z + v.z * m.row[2].z);
}
// Matrix times column vector: (row0 . v, row1 . v, row2 . v) (world to local for a rotation).
inline Vec3 Mat3TransformColumn(const Mat3& m, const Vec3& v) {
  return Vec3(m.row[0].Dot(v), m.row[1].Dot(v), m.row[2].Dot(v));
}
inline Mat3 Mat3Transpose(const Mat3& m) {
  Mat3 t;
  t.row[0].Set(m.row[0].x, m.row[1].x, m.row[2].x);
  t.row[1].Set(m.row[0].y, m.row[1].y, m.row[2].y);
  t.row[2].Set(m.row[0].z, m.row[1].z, m.row[2].z);
  return t;
}
inline Mat3 Mat3Multiply(const Mat3& a, const Mat3& b) {
  Mat3 r;
  for (int i = 0; i < 3; ++i) r.row[i] = Mat3TransformRow(a.row[i], b);
  return r;
}

// Unit rotation quaternion, w last.
struct Quat {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

  constexpr Quat() = default;
  constexpr Quat(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}

  Mat3 ToMat3() const {
    const float xx = x * x, yy = y * y, zz = z * z;
    const float xy = x * y, xz = x * z, yz = y * z;
    const float xw = x * w, yw = y * w, zw = z * w;
    Mat3 m;
    m.row[0].Set(1.0f - (2.0f * zz + 2.0f * yy), 2.0f * xy + 2.0f * zw, 2.0f * xz - 2.0f * yw);
    m.row[1].Set(2.0f * xy - 2.0f * zw, 1.0f - (2.0f * zz + 2.0f * xx), 2.0f * yz + 2.0f * xw);
    m.row[2].Set(2.0f * xz + 2.0f * yw, 2.0f * yz - 2.0f * xw, 1.0f - (2.0f * yy + 2.0f * xx));
    return m;
  }
};

// Rotation followed by position; a point x of the frame lies at x * R + p in the parent frame.
// Written out as 16 floats it is a 4x4 matrix with the rotation's diagonal at 0, 5, 10 and the
// position at 12, 13, 14 (the fourth words of the rows and of the position hold 0, 0, 0, 1).
struct Transform {
  Mat3 rotation;
  Vec3 position;

  static Transform Identity() {
    Transform t;
    t.rotation = Mat3::Identity();
    t.position.SetZero();
    t.position.w = 1.0f;
    return t;
  }
  Vec3 Apply(const Vec3& local) const { return Mat3TransformRow(local, rotation) + position; }
  // Writes the 4x4 matrix form (column-major as OpenGL reads it).
  void ToMatrix16(float out[16]) const {
    for (int r = 0; r < 3; ++r) {
      out[r * 4 + 0] = rotation.row[r].x;
      out[r * 4 + 1] = rotation.row[r].y;
      out[r * 4 + 2] = rotation.row[r].z;
      out[r * 4 + 3] = 0.0f;
    }
    out[12] = position.x;
    out[13] = position.y;
    out[14] = position.z;
    out[15] = 1.0f;
  }
};
static_assert(sizeof(Transform) == 64, "Transform is 16 floats");

// The twelve capacities with which a physics world is created.
struct SimulatorSizeInfo {
  int32_t rigidBodiesCount = 50;
  int32_t animatedBodiesCount = 50;
  int32_t rigidParticleCount = 50;
  int32_t controllersCount = 50;
  int32_t overlappedPairsCount = 1225;
  int32_t geometriesCount = 50;
  int32_t constraintsCount = 100;
  int32_t constraintSetsCount = 100;
  int32_t reservedBufferSize = 2000;
  int32_t sensorsCount = 100;
  int32_t terrainNodesStartCount = 200;
  int32_t terrainNodesGrowByCount = -1;
};
static_assert(sizeof(SimulatorSizeInfo) == 48, "twelve 32-bit words");

// One terrain triangle: corner indices, a user id word, the test selector and a second id word.
struct Triangle {
  int32_t v[3] = {-1, -1, -1};
  int32_t id0 = 0;
  int32_t testSelector = 0;
  int32_t id1 = 0;
};
static_assert(sizeof(Triangle) == 24, "six 32-bit words");

// The caller's terrain arrays; the simulator copies them.
struct TerrainMesh {
  Vec3* vertices = nullptr;
  int32_t vertexCount = 0;
  Triangle* triangles = nullptr;
  int32_t triangleCount = 0;
};
