// Solver rows: the contact frame and the effective-mass matrices.
#include "physics/collision/constraint_item.h"

#include "physics/world/simulator.h"

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
          I = Mat3Multiply(frameT, Mat3Multiply(I, contactFrame));
        }
        const Mat3 rx = CrossMatrix(r);
        const Mat3 term = Mat3Multiply(rx, Mat3Multiply(I, rx));
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
