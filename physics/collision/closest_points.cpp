// Closest points between segments, lines and boxes.
#include <algorithm>

#include "physics/collision/pair_tests.h"

namespace phys {

void ClosestPointsSegmentBox(const Vec3& start, const Vec3& end, const Vec3& e, Vec3* segmentPoint, Vec3* boxPoint) {
  Vec3 P = start, D = end - start;
  float sigma[3];
  int state[3];
  float brk[3];
  for (int i = 0; i < 3; ++i) {
    sigma[i] = 1.0f;
    if (D[i] < 0.0f) {
      D[i] = -D[i];
      P[i] = -P[i];
      sigma[i] = -1.0f;
    }
    if (D[i] <= 0.0f) {
      state[i] = 0;
      brk[i] = 2.0f;
    } else if (P[i] >= -e[i]) {
      state[i] = P[i] >= e[i] ? 1 : 0;
      brk[i] = (e[i] - P[i]) / D[i];
    } else {
      state[i] = -1;
      brk[i] = (-e[i] - P[i]) / D[i];
    }
  }
  // Half the derivative of the squared distance along the segment: piecewise linear in t.
  auto slopeAt = [&](float t) {
    float s = 0.0f;
    for (int i = 0; i < 3; ++i) {
      if (state[i] != 0) s += (t - brk[i]) * D[i] * D[i];
    }
    return s;
  };
  float t = 0.0f;
  float slope = slopeAt(0.0f);
  if (slope < 0.0f) {
    for (;;) {
      float next = 1.0f;
      for (int i = 0; i < 3; ++i) {
        if (brk[i] > t && brk[i] < next) next = brk[i];
      }
      const float slopeNext = slopeAt(next);
      if (slopeNext >= 0.0f) {
        const float rate = (slopeNext - slope) / (next - t);
        if (rate > 0.0f) t = t - slope / rate;
        break;
      }
      if (next >= 1.0f) {
        t = 1.0f;
        break;
      }
      for (int i = 0; i < 3; ++i) {
        if (brk[i] == next) {
          state[i] += 1;
          brk[i] = (e[i] - P[i]) / D[i];
        }
      }
      t = next;
      slope = slopeAt(t);
    }
  }
  t = std::min(1.0f, std::max(0.0f, t));
  *segmentPoint = start + (end - start) * t;
  for (int i = 0; i < 3; ++i) {
    const float x = (t * D[i] + P[i]) * sigma[i];
    (*boxPoint)[i] = std::min(e[i], std::max(-e[i], x));
  }
  boxPoint->w = 0.0f;
}

bool ClosestPointsSegments(const Vec3& p1, const Vec3& q1, const Vec3& p2, const Vec3& q2, Vec3* c1, Vec3* c2, float* s,
                           float* t, bool* inside) {
  const Vec3 d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
  auto tiny = [](const Vec3& v) { return std::fabs(v.x) < 1e-6f && std::fabs(v.y) < 1e-6f && std::fabs(v.z) < 1e-6f; };
  if (tiny(d1) || tiny(d2)) return false;
  const float a = d1.Dot(d1), e = d2.Dot(d2), b = d1.Dot(d2), f = d2.Dot(r), c = d1.Dot(r);
  const float denom = a * e - b * b;
  if (std::fabs(denom) < 1e-6f) return false;
  *s = (b * f - e * c) / denom;
  *t = (*s * b + f) / e;
  *inside = *s >= 0.0f && *s < 1.0f && *t >= 0.0f && *t < 1.0f;
  *c1 = p1 + d1 * *s;
  *c2 = p2 + d2 * *t;
  return true;
}

void ClosestPointsClampedSegments(const Vec3& p1, const Vec3& q1, const Vec3& p2, const Vec3& q2, Vec3* c1, Vec3* c2) {
  const Vec3 d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
  const float a = d1.Dot(d1), e = d2.Dot(d2), f = d2.Dot(r);
  float s = 0.0f, t = 0.0f;
  if (a < 1e-12f && e < 1e-12f) {
    *c1 = p1;
    *c2 = p2;
    return;
  }
  if (a < 1e-12f) {
    t = std::min(1.0f, std::max(0.0f, f / e));
  } else {
    const float c = d1.Dot(r);
    if (e < 1e-12f) {
      s = std::min(1.0f, std::max(0.0f, -c / a));
    } else {
      const float b = d1.Dot(d2);
      const float denom = a * e - b * b;
      s = denom > 1e-12f ? std::min(1.0f, std::max(0.0f, (b * f - c * e) / denom)) : 0.0f;
      t = (b * s + f) / e;
      if (t < 0.0f) {
        t = 0.0f;
        s = std::min(1.0f, std::max(0.0f, -c / a));
      } else if (t > 1.0f) {
        t = 1.0f;
        s = std::min(1.0f, std::max(0.0f, (b - c) / a));
      }
    }
  }
  *c1 = p1 + d1 * s;
  *c2 = p2 + d2 * t;
}

}  // namespace phys
