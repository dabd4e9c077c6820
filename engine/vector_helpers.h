// Small vector helpers on the engine's four vector forms: Vector3 (segment and polygon tests,
// character models), the physics library's Vec3, float[3] arrays (light maps) and double triples
// (billboards). Arithmetic runs in double precision; results that are floats are stored as floats.
// Normalising a zero-length vector gives the zero vector rather than not-a-number components.
#pragma once

#include "math/vec3_inline.h"

struct Vector3 {
  float x, y, z;

  Vector3() = default;  // leaves the components unset, like a plain array
  Vector3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

  Vector3 operator+(const Vector3& o) const;
  Vector3 operator-(const Vector3& o) const;
  Vector3 operator*(float s) const;
};

// Plain float helpers.
float Absolute(float v);
float Fabs(float v);
// Truncation toward zero; NaN gives 0 and values beyond the int range saturate.
int FloatToInt(float v);

// Vector3 helpers. A polygon is an array of points; a line is two points, start and end.
Vector3 Cross(const Vector3& a, const Vector3& b);
float Magnitude(const Vector3& v);
Vector3 Normalize(const Vector3& v);
// Unit normal of the first three points: (p2 - p0) x (p1 - p0), normalised.
Vector3 Normal(const Vector3 polygon[]);
float Distance(const Vector3& a, const Vector3& b);
float Dot(const Vector3& a, const Vector3& b);
// The plane constant d of the plane n . x + d = 0 through point.
float PlaneDistance(const Vector3& normal, const Vector3& point);
// Angle between two vectors in radians; 0 when it is not a number (a zero vector).
double AngleBetweenVectors(const Vector3& a, const Vector3& b);
// Whether the segment's two ends lie strictly on opposite sides of the polygon's plane; writes the
// plane's unit normal and constant either way.
bool IntersectedPlane(const Vector3 polygon[], const Vector3 line[], Vector3& normal, float& distance);
// Where the segment's line meets the plane; the segment's start when it runs parallel to it.
Vector3 IntersectionPoint(const Vector3& normal, const Vector3 line[], double distance);
// Whether point, taken to lie in the polygon's plane, is inside the convex polygon (edges count
// as inside): the angles it sees the edges under add up to a full turn.
bool InsidePolygon(const Vector3& point, const Vector3 polygon[], int count);
// Whether the segment crosses the polygon; when it crosses the plane, point receives the crossing.
bool IntersectedPolygon(const Vector3 polygon[], const Vector3 line[], int count, Vector3& point);
// The point of segment a-b nearest to p.
Vector3 ClosestPointOnLine(const Vector3& a, const Vector3& b, const Vector3& p);
// Where a sphere lies against the plane through point with the given unit normal: 1 when it cuts
// the plane, 2 in front of it, 0 behind it. distance receives the centre's signed distance.
int ClassifySphere(const Vector3& centre, const Vector3& normal, const Vector3& point, float radius, float& distance);
// Whether some edge of the polygon passes closer than radius to the centre.
bool EdgeSphereCollision(const Vector3& centre, const Vector3 polygon[], int count, float radius);
// Whether a sphere touches the convex polygon: it cuts the polygon's plane, and the centre pushed
// onto the plane lies inside the polygon or an edge passes within the radius.
bool SpherePolygonCollision(const Vector3 polygon[], const Vector3& centre, int count, float radius);
// How far to move a sphere along the plane's normal so that it no longer cuts the plane, given
// the centre's signed distance from it.
Vector3 GetCollisionOffset(const Vector3& normal, float radius, float distance);

// Vec3 helpers (by value).
Vec3 CrossProduct(Vec3 a, Vec3 b);
float VectorLength(Vec3 v);
Vec3 NormalizeVector(Vec3 v);
Vec3 TriangleNormal(const Vec3 points[3]);
float VectorDistance(Vec3 a, Vec3 b);
float DotProduct(Vec3 a, Vec3 b);
// Angle between two vectors in radians; 0 when it is not a number (a zero vector).
float AngleBetween(Vec3 a, Vec3 b);
// Heading of b minus heading of a, where heading(v) = acos(v.x / |v|), negative when v.z > 0;
// 0 when not a number.
float HeadingDifference(Vec3 a, Vec3 b);
// The heading difference folded into a signed angle within about +-pi/2 (see the .cpp).
float HeadingDifferenceFolded(Vec3 a, Vec3 b);

// float[3] helpers.
float Length3(const float v[3]);
float Dot3(const float a[3], const float b[3]);
float AngleBetween3(const float a[3], const float b[3]);  // 0 when not a number
void Normalize3(float v[3]);
void Cross3(const float a[3], const float b[3], float out[3]);

// Double triples.
struct Vector3d {
  double x = 0.0, y = 0.0, z = 0.0;
};
double VecLengthD(const Vector3d& v);
Vector3d VecNormalizeD(const Vector3d& v);
Vector3d VecCrossD(const Vector3d& a, const Vector3d& b);
Vector3d VecSubD(const Vector3d& a, const Vector3d& b);
