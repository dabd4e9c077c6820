#include "meshcollide/collision_model_3d.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "meshcollide/mesh_bvh.h"

namespace meshcollide {
namespace {

bool AllFinite(const float* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

class MeshModel final : public CollisionModel3D {
 public:
  MeshModel() { SetIdentity(); }

  void addTriangle(float x1, float y1, float z1, float x2, float y2, float z2, float x3, float y3,
                   float z3) override {
    if (finalized_) return;
    corners_.insert(corners_.end(), {x1, y1, z1, x2, y2, z2, x3, y3, z3});
  }

  void finalize() override {
    if (finalized_) return;
    bvh_.Build(corners_);
    finalized_ = true;
  }

  void setTransform(const float m[16]) override {
    std::memcpy(matrix_, m, sizeof matrix_);
    transformValid_ = AllFinite(m, 16) && Invert();
  }

  bool rayCollision(const float origin[3], const float direction[3], bool closest, float segmin,
                    float segmax) override {
    hitValid_ = false;
    if (!finalized_ || bvh_.Empty() || !transformValid_) return false;
    if (!AllFinite(origin, 3) || !AllFinite(direction, 3) || std::isnan(segmin) || std::isnan(segmax) ||
        segmin > segmax) {
      return false;
    }
    if (direction[0] == 0.0f && direction[1] == 0.0f && direction[2] == 0.0f) return false;

    // The ray in model coordinates: the same parameter t reaches the same point in both.
    float o[3], d[3];
    const float rel[3] = {origin[0] - matrix_[12], origin[1] - matrix_[13], origin[2] - matrix_[14]};
    for (int r = 0; r < 3; ++r) {
      o[r] = inverse_[r][0] * rel[0] + inverse_[r][1] * rel[1] + inverse_[r][2] * rel[2];
      d[r] = inverse_[r][0] * direction[0] + inverse_[r][1] * direction[1] + inverse_[r][2] * direction[2];
    }
    if (!AllFinite(o, 3) || !AllFinite(d, 3)) return false;

    RayHit hit;
    if (!bvh_.Raycast(o, d, closest, segmin, segmax, hit)) return false;
    for (int a = 0; a < 3; ++a) {
      modelPoint_[a] = o[a] + hit.t * d[a];
      worldPoint_[a] = origin[a] + hit.t * direction[a];
    }
    std::memcpy(hitMatrix_, matrix_, sizeof hitMatrix_);
    hitTriangle_ = hit.triangle;
    hitValid_ = true;
    return true;
  }

  bool getCollidingTriangles(float t1[9], float t2[9], bool modelSpace) override {
    if (!hitValid_) return false;
    const float* c = &corners_[size_t(hitTriangle_) * 9];
    for (int k = 0; k < 3; ++k) {
      if (modelSpace) {
        for (int a = 0; a < 3; ++a) t1[3 * k + a] = c[3 * k + a];
      } else {
        ToWorld(c + 3 * k, t1 + 3 * k);
      }
    }
    if (t2) std::memset(t2, 0, 9 * sizeof(float));
    return true;
  }

  bool getCollisionPoint(float point[3], bool modelSpace) override {
    if (!hitValid_) return false;
    std::memcpy(point, modelSpace ? modelPoint_ : worldPoint_, 3 * sizeof(float));
    return true;
  }

 private:
  void SetIdentity() {
    std::memset(matrix_, 0, sizeof matrix_);
    matrix_[0] = matrix_[5] = matrix_[10] = matrix_[15] = 1.0f;
    transformValid_ = Invert();
  }

  // Inverts the 3x3 part of the matrix (element (r, c) at m[c * 4 + r]).
  bool Invert() {
    double a[3][3];
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) a[r][c] = matrix_[c * 4 + r];
    }
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (!std::isfinite(det) || std::fabs(det) < 1e-30) return false;
    const double inv = 1.0 / det;
    const double out[3][3] = {
        {(a[1][1] * a[2][2] - a[1][2] * a[2][1]) * inv, (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * inv,
         (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * inv},
        {(a[1][2] * a[2][0] - a[1][0] * a[2][2]) * inv, (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * inv,
         (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * inv},
        {(a[1][0] * a[2][1] - a[1][1] * a[2][0]) * inv, (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * inv,
         (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * inv}};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) inverse_[r][c] = static_cast<float>(out[r][c]);
    }
    return AllFinite(&inverse_[0][0], 9);
  }

  // A model point in world coordinates under the matrix of the last successful query.
  void ToWorld(const float p[3], float out[3]) const {
    const float* m = hitMatrix_;
    for (int r = 0; r < 3; ++r) out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
  }

  std::vector<float> corners_;  // nine floats per triangle, in the order added
  MeshBvh bvh_;
  bool finalized_ = false;
  float matrix_[16];
  float inverse_[3][3];
  bool transformValid_ = false;

  bool hitValid_ = false;
  int hitTriangle_ = -1;
  float hitMatrix_[16];
  float modelPoint_[3];
  float worldPoint_[3];
};

}  // namespace
}  // namespace meshcollide

CollisionModel3D* newCollisionModel3D(bool) { return new meshcollide::MeshModel(); }
