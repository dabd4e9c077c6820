#include "engine/formats/lightmap_uv.h"

#include <cmath>

namespace {

float Length3(const float a[3]) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
float Dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
void Sub3(const float* a, const float* b, float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}

// n / d, or 0 when d is 0 (a corner of a degenerate triangle has no direction to measure).
float Ratio(float n, float d) { return d == 0.0f ? 0.0f : n / d; }

// The angle between two vectors: acos(a.b / (|a| |b|)), 0 when that is not a number (a zero vector
// included).
float CornerAngle(const float a[3], const float b[3]) {
  const float lengths = Length3(a) * Length3(b);
  if (lengths == 0.0f) return 0.0f;
  const float angle = std::acos(Dot3(a, b) / lengths);
  return std::isnan(angle) ? 0.0f : angle;
}

}  // namespace

void ComputeLightMapUVs(const float corners[9], float u[3], float v[3]) {
  const float* a = corners;
  const float* b = corners + 3;
  const float* c = corners + 6;
  float ca[3], ba[3], cb[3], ab[3];
  Sub3(c, a, ca);
  Sub3(b, a, ba);
  Sub3(c, b, cb);
  Sub3(a, b, ab);
  const float alpha = CornerAngle(ca, ba);
  const float beta = CornerAngle(cb, ab);
  const float lenAB = Length3(ba);
  const float lenAC = Length3(ca);
  const float lenBC = Length3(cb);
  const bool alphaAcute = alpha <= kLightMapAcuteLimit;
  const bool betaAcute = beta <= kLightMapAcuteLimit;
  if (alphaAcute && betaAcute) {
    // C projects inside AB.
    u[0] = 0.0f;
    u[1] = 1.0f;
    u[2] = Ratio(std::cos(alpha) * lenAC, lenAB);
  } else if (alphaAcute) {
    // C projects beyond B: the map spans A to the foot of C.
    u[0] = 0.0f;
    u[1] = Ratio(lenAB, std::cos(alpha) * lenAC);
    u[2] = 1.0f;
  } else {
    // C projects beyond A (or, for a degenerate triangle, both angles count as obtuse): the map
    // spans the foot of C to B.
    const float p = std::cos(beta) * lenBC;
    u[0] = Ratio(p - lenAB, p);
    u[1] = 1.0f;
    u[2] = 0.0f;
  }
  v[0] = 0.0f;
  v[1] = 0.0f;
  v[2] = 1.0f;
  for (int k = 0; k < 3; ++k) {
    if (!std::isfinite(u[k])) u[k] = 0.0f;
  }
}

bool LightMapPoint(const float corners[9], const float u[3], const float v[3], float s, float t, float out[3]) {
  // A point with coordinates (s, t) is A + x (B - A) + y (C - A) where x and y solve
  // u(A) + x (u(B) - u(A)) + y (u(C) - u(A)) = s and the same for v.
  const float du1 = u[1] - u[0], du2 = u[2] - u[0];
  const float dv1 = v[1] - v[0], dv2 = v[2] - v[0];
  const float det = du1 * dv2 - du2 * dv1;
  if (!(std::fabs(det) > 1e-12f)) return false;
  const float ds = s - u[0], dt = t - v[0];
  const float x = (ds * dv2 - du2 * dt) / det;
  const float y = (du1 * dt - ds * dv1) / det;
  for (int i = 0; i < 3; ++i) {
    out[i] = corners[i] + x * (corners[3 + i] - corners[i]) + y * (corners[6 + i] - corners[i]);
  }
  return true;
}
