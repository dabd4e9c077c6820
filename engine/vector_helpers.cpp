#include "engine/vector_helpers.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr double kFullTurnShare = 0.99 * 6.283185307179586;

double Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

// The angle whose cosine is dot / lengths, or 0 when a length is 0 (a zero-length input) or the
// cosine is not a number. Rounding can put the cosine of two opposite or equal directions just
// beyond -1 or 1; it is clamped so that such an angle is pi or 0 rather than lost (a point on a
// polygon's edge must see a full turn).
double SafeAcos(double dot, double lengths) {
  if (lengths == 0.0) return 0.0;
  const double cosine = dot / lengths;
  if (std::isnan(cosine)) return 0.0;
  return std::acos(std::clamp(cosine, -1.0, 1.0));
}

// The angle of v about the vertical, from +x (negative toward +z). A zero vector points nowhere;
// its heading is 0, so that callers with a body standing still get a number, not 0 / 0.
double Heading(Vec3 v) {
  const double len = Length(v.x, v.y, v.z);
  if (len == 0.0) return 0.0;
  const double a = std::acos(double(v.x) / len);
  return v.z > 0.0f ? -a : a;
}

}  // namespace

Vector3 Vector3::operator+(const Vector3& o) const {
  return Vector3(float(double(x) + o.x), float(double(y) + o.y), float(double(z) + o.z));
}
Vector3 Vector3::operator-(const Vector3& o) const {
  return Vector3(float(double(x) - o.x), float(double(y) - o.y), float(double(z) - o.z));
}
Vector3 Vector3::operator*(float s) const {
  return Vector3(float(double(x) * s), float(double(y) * s), float(double(z) * s));
}

float Absolute(float v) { return std::fabs(v); }
float Fabs(float v) { return std::fabs(v); }

int FloatToInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0f) return INT_MAX;
  if (v <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(v);
}

Vector3 Cross(const Vector3& a, const Vector3& b) {
  return Vector3(float(double(a.y) * b.z - double(a.z) * b.y), float(double(a.z) * b.x - double(a.x) * b.z),
                 float(double(a.x) * b.y - double(a.y) * b.x));
}

float Magnitude(const Vector3& v) { return float(Length(v.x, v.y, v.z)); }

Vector3 Normalize(const Vector3& v) {
  const double m = Magnitude(v);
  if (m == 0.0) return Vector3(0.0f, 0.0f, 0.0f);
  return Vector3(float(v.x / m), float(v.y / m), float(v.z / m));
}

Vector3 Normal(const Vector3 polygon[]) {
  return Normalize(Cross(polygon[2] - polygon[0], polygon[1] - polygon[0]));
}

float Distance(const Vector3& a, const Vector3& b) { return Magnitude(b - a); }

float Dot(const Vector3& a, const Vector3& b) {
  return float(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z);
}

float PlaneDistance(const Vector3& normal, const Vector3& point) {
  return float(-(double(normal.x) * point.x + double(normal.y) * point.y + double(normal.z) * point.z));
}

double AngleBetweenVectors(const Vector3& a, const Vector3& b) {
  return SafeAcos(Dot(a, b), double(Magnitude(a)) * Magnitude(b));
}

bool IntersectedPlane(const Vector3 polygon[], const Vector3 line[], Vector3& normal, float& distance) {
  normal = Normal(polygon);
  distance = PlaneDistance(normal, polygon[0]);
  const double d1 = double(normal.x) * line[0].x + double(normal.y) * line[0].y + double(normal.z) * line[0].z + distance;
  const double d2 = double(normal.x) * line[1].x + double(normal.y) * line[1].y + double(normal.z) * line[1].z + distance;
  return d1 * d2 < 0.0;
}

Vector3 IntersectionPoint(const Vector3& normal, const Vector3 line[], double distance) {
  const Vector3 dir = Normalize(line[1] - line[0]);
  const double den = double(normal.x) * dir.x + double(normal.y) * dir.y + double(normal.z) * dir.z;
  if (den == 0.0) return line[0];
  const double num = -(double(normal.x) * line[0].x + double(normal.y) * line[0].y + double(normal.z) * line[0].z + distance);
  const double along = num / den;
  return Vector3(float(line[0].x + dir.x * along), float(line[0].y + dir.y * along), float(line[0].z + dir.z * along));
}

bool InsidePolygon(const Vector3& point, const Vector3 polygon[], int count) {
  double angle = 0.0;
  for (int i = 0; i < count; ++i) {
    angle += AngleBetweenVectors(polygon[i] - point, polygon[(i + 1) % count] - point);
  }
  return angle >= kFullTurnShare;
}

bool IntersectedPolygon(const Vector3 polygon[], const Vector3 line[], int count, Vector3& point) {
  Vector3 normal;
  float distance = 0.0f;
  if (!IntersectedPlane(polygon, line, normal, distance)) return false;
  point = IntersectionPoint(normal, line, distance);
  return InsidePolygon(point, polygon, count);
}

Vector3 ClosestPointOnLine(const Vector3& a, const Vector3& b, const Vector3& p) {
  const Vector3 direction = Normalize(b - a);
  const float along = Dot(direction, p - a);
  if (along <= 0.0f) return a;
  if (along >= Distance(a, b)) return b;
  return a + direction * along;
}

int ClassifySphere(const Vector3& centre, const Vector3& normal, const Vector3& point, float radius, float& distance) {
  distance = float(double(Dot(normal, centre)) + PlaneDistance(normal, point));
  if (std::fabs(distance) < radius) return 1;
  if (distance >= radius) return 2;
  return 0;
}

bool EdgeSphereCollision(const Vector3& centre, const Vector3 polygon[], int count, float radius) {
  for (int i = 0; i < count; ++i) {
    const Vector3 nearest = ClosestPointOnLine(polygon[i], polygon[(i + 1) % count], centre);
    if (Distance(nearest, centre) < radius) return true;
  }
  return false;
}

bool SpherePolygonCollision(const Vector3 polygon[], const Vector3& centre, int count, float radius) {
  // A polygon needs three corners for its plane.
  if (count < 3) return false;
  const Vector3 normal = Normal(polygon);
  float distance = 0.0f;
  if (ClassifySphere(centre, normal, polygon[0], radius, distance) != 1) return false;
  const Vector3 onPlane = centre - normal * distance;
  return InsidePolygon(onPlane, polygon, count) || EdgeSphereCollision(centre, polygon, count, radius);
}

Vector3 GetCollisionOffset(const Vector3& normal, float radius, float distance) {
  if (distance > 0.0f) return normal * float(double(radius) - distance);
  return normal * float(-(double(radius) + distance));
}

Vec3 CrossProduct(Vec3 a, Vec3 b) {
  return Vec3(float(double(a.y) * b.z - double(a.z) * b.y), float(double(a.z) * b.x - double(a.x) * b.z),
              float(double(a.x) * b.y - double(a.y) * b.x));
}

float VectorLength(Vec3 v) { return float(Length(v.x, v.y, v.z)); }

Vec3 NormalizeVector(Vec3 v) {
  const double len = VectorLength(v);
  if (len == 0.0) return Vec3(0.0f, 0.0f, 0.0f);
  return Vec3(float(v.x / len), float(v.y / len), float(v.z / len));
}

Vec3 TriangleNormal(const Vec3 p[3]) {
  const Vec3 a(float(double(p[2].x) - p[0].x), float(double(p[2].y) - p[0].y), float(double(p[2].z) - p[0].z));
  const Vec3 b(float(double(p[1].x) - p[0].x), float(double(p[1].y) - p[0].y), float(double(p[1].z) - p[0].z));
  return NormalizeVector(CrossProduct(a, b));
}

float VectorDistance(Vec3 a, Vec3 b) {
  return float(Length(double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z));
}

float DotProduct(Vec3 a, Vec3 b) { return float(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z); }

float AngleBetween(Vec3 a, Vec3 b) {
  return float(SafeAcos(DotProduct(a, b), double(VectorLength(a)) * VectorLength(b)));
}

float HeadingDifference(Vec3 a, Vec3 b) {
  const double d = Heading(b) - Heading(a);
  return std::isnan(d) ? 0.0f : float(d);
}

// Folds the difference into [-1.570795, 1.570795]: first into about (-pi, pi), then a difference
// beyond a quarter turn is mirrored about it. The constants are these decimals, not full pi.
float HeadingDifferenceFolded(Vec3 a, Vec3 b) {
  double d = Heading(b) - Heading(a);
  if (d >= 3.14159) d = -std::fabs(6.28318 - d);
  if (d <= -3.14159) d = std::fabs(6.28318 + d);
  if (d >= 1.570795) d = 3.14159 - d;
  if (d <= -1.570795) d = -3.14159 - d;
  return std::isnan(d) ? 0.0f : float(d);
}

float Length3(const float v[3]) { return float(Length(v[0], v[1], v[2])); }

float Dot3(const float a[3], const float b[3]) {
  return float(double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2]);
}

float AngleBetween3(const float a[3], const float b[3]) {
  return float(SafeAcos(Dot3(a, b), double(Length3(a)) * Length3(b)));
}

void Normalize3(float v[3]) {
  const double len = Length3(v);
  if (len == 0.0) return;
  const double inv = 1.0 / len;
  for (int i = 0; i < 3; ++i) v[i] = float(v[i] * inv);
}

void Cross3(const float a[3], const float b[3], float out[3]) {
  const float x = float(double(a[1]) * b[2] - double(a[2]) * b[1]);
  const float y = float(double(a[2]) * b[0] - double(a[0]) * b[2]);
  const float z = float(double(a[0]) * b[1] - double(a[1]) * b[0]);
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

double VecLengthD(const Vector3d& v) { return Length(v.x, v.y, v.z); }

Vector3d VecNormalizeD(const Vector3d& v) {
  const double len = VecLengthD(v);
  if (len == 0.0) return Vector3d{};
  return Vector3d{v.x / len, v.y / len, v.z / len};
}

Vector3d VecCrossD(const Vector3d& a, const Vector3d& b) {
  return Vector3d{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3d VecSubD(const Vector3d& a, const Vector3d& b) { return Vector3d{a.x - b.x, a.y - b.y, a.z - b.z}; }
