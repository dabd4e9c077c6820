// Joint angles, the limit rows (angle, twist and slide limits) and the motor rows of joints.
#include <cmath>

#include "physics/collision/joints.h"
#include "physics/world/simulator.h"

namespace phys {

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

Vec3 UnitOrZero(const Vec3& v) {
  const float len2 = v.LengthSquared();
  if (len2 < kZeroSquared || !std::isfinite(len2)) return Vec3();
  return v * (1.0f / std::sqrt(len2));
}

// acos of a cosine that rounding may have pushed just outside [-1, 1].
float SafeAcos(float c) { return std::acos(c < -1.0f ? -1.0f : (c > 1.0f ? 1.0f : c)); }

// A row of a joint with its bodies filled in.
ConstraintItem JointRow(const JointImpl& j, int32_t kind) {
  ConstraintItem item;
  item.bodyA = JointSide(j.bodyA);
  item.bodyB = JointSide(j.bodyB);
  item.kind = kind;
  return item;
}

void Append(JointImpl& j, ConstraintItem& item) {
  item.Setup(false, false);
  j.ownerSimulator->jointRows.Push(item);
}

}  // namespace

void JointImpl::MeasureAngles() {
  const Vec3& xA = worldFrameA.rotation.row[0];
  const Vec3& yA = worldFrameA.rotation.row[1];
  const Vec3& xB = worldFrameB.rotation.row[0];
  const Vec3& yB = worldFrameB.rotation.row[1];
  switch (type) {
    case 2: {
      limit1.axis = UnitOrZero(yA + yB);
      const float c = xA.Dot(xB);
      if (std::fabs(c - 1.0f) < 1e-6f) {
        angle = signedAngle = 0.0f;
      } else if (std::fabs(c + 1.0f) < 1e-6f) {
        angle = kPi;
        signedAngle = -kPi;
      } else {
        const Vec3 n = UnitOrZero(Vec3Cross(xB, xA));
        const float a = SafeAcos(c);
        if (n.Dot(limit1.axis) <= 0.0f) {
          angle = kTwoPi - a;
          signedAngle = -a;
        } else {
          angle = signedAngle = a;
        }
      }
      break;
    }
    case 0: {
      const float c = xA.Dot(xB);
      if (std::fabs(c - 1.0f) < 1e-6f) {
        angle = 0.0f;
        limit1.axis = yA;
      } else if (std::fabs(c + 1.0f) < 1e-6f) {
        angle = kPi;
        limit1.axis = yA;
      } else {
        limit1.axis = UnitOrZero(Vec3Cross(xB, xA));
        angle = SafeAcos(c);
      }
      break;
    }
    case 3:
      limit1.axis = UnitOrZero(yA + yB);
      angle = (worldFrameA.position - worldFrameB.position).Dot(yB);
      break;
    default:
      break;
  }
  limit1.axis.w = 0.0f;
}

void JointLimit::EmitAngularRow() {
  isActive = 0;
  JointImpl& j = *joint;
  const float value = (lower > 0.0f || j.type == 0) ? j.angle : j.signedAngle;
  if (value < lower) {
    violatedSide = 1;
    violation = value - lower;
  } else if (value > upper) {
    violatedSide = 0;
    violation = value - upper;
  } else {
    return;
  }
  if (!std::isfinite(violation)) return;
  isActive = 1;
  ConstraintItem item = JointRow(j, 6);
  item.localPointB = axis;
  item.depth = violation;
  Append(j, item);
}

void JointLimit::EmitTwistRow() {
  isActive = 0;
  JointImpl& j = *joint;
  const Vec3& swingAxis = j.limit1.axis;
  const float half = -j.angle * 0.5f;
  const float s = std::sin(half);
  const Quat q(swingAxis.x * s, swingAxis.y * s, swingAxis.z * s, std::cos(half));
  const Mat3 rotation = q.ToMat3();
  const Vec3& xA = j.worldFrameA.rotation.row[0];
  const Vec3& xB = j.worldFrameB.rotation.row[0];
  const Vec3 zA = Mat3TransformRow(j.worldFrameA.rotation.row[2], rotation);
  const Vec3& zB = j.worldFrameB.rotation.row[2];
  const float c = zA.Dot(zB);
  float twist;
  if (std::fabs(c - 1.0f) < 1e-6f) {
    twist = 0.0f;
  } else if (std::fabs(c + 1.0f) < 1e-6f) {
    twist = kPi;
  } else {
    twist = SafeAcos(c);
    if (UnitOrZero(Vec3Cross(zB, zA)).Dot(xB) < 0.0f) twist = -twist;
  }
  if (twist > lower) {
    violation = twist - lower;
  } else if (twist < -lower) {
    violation = twist + lower;
  } else {
    return;
  }
  if (!std::isfinite(violation)) return;
  violationCopy = violation;
  isActive = 1;
  ConstraintItem item = JointRow(j, 7);
  item.localPointB = xB;
  item.localPointA = xA;
  item.depth = violation;
  item.violationCopy = violation;
  item.massMatrix = rotation;
  Append(j, item);
}

void JointLimit::EmitSliderRow() {
  JointImpl& j = *joint;
  const Vec3& yB = j.worldFrameB.rotation.row[1];
  const Vec3& originA = j.worldFrameA.position;
  const Vec3& originB = j.worldFrameB.position;
  const float d = (originA - originB).Dot(yB);
  float s;
  if (d > upper) {
    violation = d - upper;
    s = 1.0f;
    violatedSide = 0;
  } else if (d < lower) {
    violation = lower - d;
    s = -1.0f;
    violatedSide = 1;
  } else {
    isActive = 0;
    return;
  }
  if (!std::isfinite(violation)) {
    isActive = 0;
    return;
  }
  isActive = 1;
  ConstraintItem item = JointRow(j, 5);
  item.depth = violation < 0.05f ? violation : 0.05f;
  item.relPointA = originA - j.bodyA->CurrentTransform().position;
  RigidBodyImpl* b = j.bodyB ? j.bodyB->AsRigid() : nullptr;
  item.relPointB = b ? originB - b->pose.position : originB;
  item.relPointA.w = item.relPointB.w = 0.0f;
  item.worldPointB = yB * s;
  item.worldPointB.w = 0.0f;
  Append(j, item);
}

void JointMotor::EmitRow(JointImpl& j) {
  if (this != &j.motor1) return;
  if (j.limit1.enabled && j.limit1.isActive) {
    if (j.limit1.violatedSide == 0 && desiredSpeed > 0.0f) return;
    if (j.limit1.violatedSide == 1 && desiredSpeed < 0.0f) return;
  }
  int32_t kind;
  if (j.type == 2) {
    kind = 8;
  } else if (j.type == 3) {
    kind = 10;
  } else {
    return;
  }
  ConstraintItem item = JointRow(j, kind);
  item.target = desiredSpeed;
  item.depth = maxForce;
  item.localPointB = j.worldFrameB.rotation.row[1];
  item.localPointA = j.worldFrameA.rotation.row[1];
  Append(j, item);
  if (desiredSpeed != 0.0f) j.ownerSimulator->motorDriving = true;
}

}  // namespace phys

// ---- public interface: limits and motors ----

namespace {

phys::JointImpl* J(Joint* j) { return static_cast<phys::JointImpl*>(j); }
const phys::JointImpl* J(const Joint* j) { return static_cast<const phys::JointImpl*>(j); }

// Non-finite values are refused (logged): a limit or motor keeps its previous values.
void Store(Joint* j, const char* operation, float* field, float value) {
  phys::StoreFinite(J(j)->ownerSimulator, operation, field, value);
}

void SetMotorFields(Joint* j, const char* operation, phys::JointMotor& m, int mode, float desired, float maxForce) {
  REFUSE_NONFINITE(J(j)->ownerSimulator, operation, std::isfinite(desired) && std::isfinite(maxForce));
  m.mode = mode;
  m.desiredSpeed = desired;
  m.maxForce = std::fabs(maxForce);
}

}  // namespace

void Joint::EnableLimit(bool on) { J(this)->limit1.enabled = on ? 1 : 0; }
bool Joint::IsLimitEnabled() const { return J(this)->limit1.enabled != 0; }
void Joint::SetLowerLimit(float value) { Store(this, "Joint::SetLowerLimit", &J(this)->limit1.lower, value); }
float Joint::GetLowerLimit() const { return J(this)->limit1.lower; }
void Joint::SetUpperLimit(float value) { Store(this, "Joint::SetUpperLimit", &J(this)->limit1.upper, value); }
float Joint::GetUpperLimit() const { return J(this)->limit1.upper; }
void Joint::EnableLimit2(bool on) { J(this)->limit2.enabled = on ? 1 : 0; }
bool Joint::IsLimit2Enabled() const { return J(this)->limit2.enabled != 0; }
void Joint::SetLowerLimit2(float value) { Store(this, "Joint::SetLowerLimit2", &J(this)->limit2.lower, value); }
float Joint::GetLowerLimit2() const { return J(this)->limit2.lower; }
void Joint::SetUpperLimit2(float value) { Store(this, "Joint::SetUpperLimit2", &J(this)->limit2.upper, value); }
float Joint::GetUpperLimit2() const { return J(this)->limit2.upper; }

void Joint::EnableMotor(bool on) { J(this)->motor1.enabled = on ? 1 : 0; }
bool Joint::IsMotorEnabled() const { return J(this)->motor1.enabled != 0; }
void Joint::SetMotor(int mode, float desiredValue, float maxForce) {
  SetMotorFields(this, "Joint::SetMotor", J(this)->motor1, mode, desiredValue, maxForce);
}
void Joint::GetMotor(int& mode, float& desiredValue, float& maxForce) const {
  const phys::JointMotor& m = J(this)->motor1;
  mode = m.mode;
  desiredValue = m.desiredSpeed;
  maxForce = m.maxForce;
}
void Joint::EnableMotor2(bool on) { J(this)->motor2.enabled = on ? 1 : 0; }
bool Joint::IsMotor2Enabled() const { return J(this)->motor2.enabled != 0; }
void Joint::SetMotor2(int mode, float desiredValue, float maxForce) {
  SetMotorFields(this, "Joint::SetMotor2", J(this)->motor2, mode, desiredValue, maxForce);
}
void Joint::GetMotor2(int& mode, float& desiredValue, float& maxForce) const {
  const phys::JointMotor& m = J(this)->motor2;
  mode = m.mode;
  desiredValue = m.desiredSpeed;
  maxForce = m.maxForce;
}
