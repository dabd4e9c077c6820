// Solver rows: the contact frame and the effective-mass matrices.
#include "physics/collision/constraint_item.h"

#include "physics/world/simulator.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace phys {

namespace {

Mat3 CrossMatrix(const Vec3& r) {
  Mat3 m;
  m.row[0].Set(0.0f, -r.z, r.y);
  m.row[1].Set(r.z, 0.0f, -r.x);
  m.row[2].Set(-r.y, r.x, 0.0f);
  return m;
}

// The body of a row side that counts: present, rigid and not ignored.
const RigidBodyImpl* Counted(RigidBodyBase* b, bool ignore) {
  if (ignore || !b || b->kind != 1) return nullptr;
  return static_cast<const RigidBodyImpl*>(b);
}

// Inverse, or zero when the matrix is singular (the row then applies no impulse).
Mat3 InverseOrZero(const Mat3& m) {
  Mat3 inv;
  if (!InvertMat3(m, &inv)) return Mat3();
  return inv;
}

#if defined(__SSE2__)
// Matrix products four lanes at a time. Each lane adds exactly as Mat3TransformRow does,
// (x * row0 + y * row1) + z * row2, so the results are those of Mat3Multiply to the bit; the
// fourth lane is cleared.
struct Rows {
  __m128 r[3];
};

Rows LoadRows(const Mat3& m) { return {{_mm_loadu_ps(&m.row[0].x), _mm_loadu_ps(&m.row[1].x), _mm_loadu_ps(&m.row[2].x)}}; }

// Row i of a * b, with row i of a given by its three scalars.
__m128 RowTimes(float x, float y, float z, const Rows& b) {
  return _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(x), b.r[0]), _mm_mul_ps(_mm_set1_ps(y), b.r[1])),
                    _mm_mul_ps(_mm_set1_ps(z), b.r[2]));
}

Mat3 StoreRows(const Rows& m) {
  alignas(16) float f[3][4];
  for (int i = 0; i < 3; ++i) _mm_store_ps(f[i], m.r[i]);
  Mat3 out;
  for (int i = 0; i < 3; ++i) out.row[i].Set(f[i][0], f[i][1], f[i][2]);
  return out;
}

Rows Multiply(const Mat3& a, const Rows& b) {
  Rows out;
  for (int i = 0; i < 3; ++i) out.r[i] = RowTimes(a.row[i].x, a.row[i].y, a.row[i].z, b);
  return out;
}
#endif

// rx * (I * rx) with rx the cross matrix of r: the angular part of a contact's mass matrix.
Mat3 AngularTerm(const Mat3& I, const Vec3& r) {
  const Mat3 rx = CrossMatrix(r);
#if defined(__SSE2__)
  const Rows rxRows = LoadRows(rx);
  const Mat3 inner = StoreRows(Multiply(I, rxRows));
  return StoreRows(Multiply(rx, LoadRows(inner)));
#else
  return Mat3Multiply(rx, Mat3Multiply(I, rx));
#endif
}

// frameT * (I * frame): the inertia in the contact frame.
Mat3 InFrame(const Mat3& frameT, const Mat3& I, const Mat3& frame) {
#if defined(__SSE2__)
  const Mat3 inner = StoreRows(Multiply(I, LoadRows(frame)));
  return StoreRows(Multiply(frameT, LoadRows(inner)));
#else
  return Mat3Multiply(frameT, Mat3Multiply(I, frame));
#endif
}

void AddMat(Mat3* a, const Mat3& b) {
  for (int i = 0; i < 3; ++i) a->row[i] += b.row[i];
}

}  // namespace

void BuildFrameFromNormal(Vec3* t1, Vec3* t2, const Vec3* normal) {
  const Vec3& n = *normal;
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  int k;
  if (ax <= ay) {
    k = az < ay ? 1 : 2;
  } else {
    k = az < ax ? 0 : 2;
  }
  if (n[k] == 0.0f || !std::isfinite(n[k])) {
    // No direction to build a frame around.
    t1->SetZero();
    t2->SetZero();
    return;
  }
  Vec3 t(1.0f, 1.0f, 1.0f);
  const int u = (k + 1) % 3, v = (k + 2) % 3;
  t[k] = -(n[u] + n[v]) / n[k];
  t.Normalize();
  *t1 = t;
  *t2 = Vec3Cross(n, t);
}

void ConstraintItem::Setup(bool ignoreA, bool ignoreB) {
  const RigidBodyImpl* A = Counted(bodyA, ignoreA);
  const RigidBodyImpl* B = Counted(bodyB, ignoreB);
  switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5: {
      const bool contact = kind <= 2;
      Mat3 frameT;  // rows: the frame axes
      if (contact) {
        BuildFrameFromNormal(&tangent1, &tangent2, &normal);
        contactFrame.row[0].Set(tangent1.x, tangent2.x, normal.x);
        contactFrame.row[1].Set(tangent1.y, tangent2.y, normal.y);
        contactFrame.row[2].Set(tangent1.z, tangent2.z, normal.z);
        frameT = Mat3Transpose(contactFrame);
      }
      const float inv = (A ? A->inverseMass : 0.0f) + (B ? B->inverseMass : 0.0f);
      Mat3 K = DiagonalMat3(Vec3(inv, inv, inv));
      auto subtract = [&](const RigidBodyImpl* body, const Vec3& arm) {
        Vec3 r = arm;
        Mat3 I = body->worldInverseInertia;
        if (contact) {
          r = Mat3TransformColumn(frameT, arm);
          I = InFrame(frameT, I, contactFrame);
        }
        const Mat3 term = AngularTerm(I, r);
        for (int i = 0; i < 3; ++i) K.row[i] -= term.row[i];
      };
      if (A) subtract(A, relPointA);
      if (B) subtract(B, relPointB);
      massMatrix = K;
      invMassMatrix = InverseOrZero(K);
      break;
    }
    case 6:
    case 8: {
      Mat3 sum;
      if (A) AddMat(&sum, A->worldInverseInertia);
      if (B) AddMat(&sum, B->worldInverseInertia);
      massMatrix = sum;
      invMassMatrix = InverseOrZero(sum);
      break;
    }
    case 7: {
      Mat3 sum;
      if (B || A) {
        const Mat3 W = B ? Mat3Multiply(massMatrix, B->pose.rotation) : massMatrix;
        if (A) sum = Mat3Multiply(Mat3Transpose(W), Mat3Multiply(A->worldInverseInertia, W));
        if (B) AddMat(&sum, B->worldInverseInertia);
      }
      invMassMatrix = InverseOrZero(sum);
      break;
    }
    case 10: {
      const float inv = (A ? A->inverseMass : 0.0f) + (B ? B->inverseMass : 0.0f);
      invMassMatrix = Mat3();
      // No counting body: no impulse.
      invMassMatrix.row[0].x = inv > 0.0f ? 1.0f / inv : 0.0f;
      break;
    }
    default:
      break;
  }
}

int32_t ConstraintItem::IsResting() {
  if (relSpeed > 1.0f) return 0;
  RigidBodyImpl* A = bodyA && bodyA->kind == 1 ? static_cast<RigidBodyImpl*>(bodyA) : nullptr;
  RigidBodyImpl* B = bodyB && bodyB->kind == 1 ? static_cast<RigidBodyImpl*>(bodyB) : nullptr;
  if (A && A->restState == 1) {
    if (!B || B->restState == 1) return 1;
    bodyA = nullptr;
    return 0;
  }
  if (B && B->restState == 1 && A) bodyB = nullptr;
  return 0;
}

}  // namespace phys
