#include "engine/formats/bhm_pose.h"

#include <algorithm>
#include <cmath>

void Quaternion::CreateMatrix(float m[16]) const {
  const double qx = x, qy = y, qz = z, qw = w;
  m[0] = static_cast<float>(1.0 - 2.0 * (qy * qy + qz * qz));
  m[1] = static_cast<float>(2.0 * (qx * qy - qw * qz));
  m[2] = static_cast<float>(2.0 * (qx * qz + qw * qy));
  m[3] = 0.0f;
  m[4] = static_cast<float>(2.0 * (qx * qy + qw * qz));
  m[5] = static_cast<float>(1.0 - 2.0 * (qx * qx + qz * qz));
  m[6] = static_cast<float>(2.0 * (qy * qz - qw * qx));
  m[7] = 0.0f;
  m[8] = static_cast<float>(2.0 * (qx * qz - qw * qy));
  m[9] = static_cast<float>(2.0 * (qy * qz + qw * qx));
  m[10] = static_cast<float>(1.0 - 2.0 * (qx * qx + qy * qy));
  m[11] = 0.0f;
  m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}

void Quaternion::CreateFromMatrix(const float* matrix, int size) {
  if (size != 3 && size != 4) return;
  double m[16] = {0};
  if (size == 3) {
    m[0] = matrix[0], m[1] = matrix[1], m[2] = matrix[2];
    m[4] = matrix[3], m[5] = matrix[4], m[6] = matrix[5];
    m[8] = matrix[6], m[9] = matrix[7], m[10] = matrix[8];
    m[15] = 1.0;
  } else {
    for (int i = 0; i < 16; ++i) m[i] = matrix[i];
  }
  const double trace = m[0] + m[5] + m[10] + 1.0;
  double qx, qy, qz, qw;
  if (trace > 1e-8) {
    const double s = 2.0 * std::sqrt(trace);
    qx = (m[9] - m[6]) / s;
    qy = (m[2] - m[8]) / s;
    qz = (m[4] - m[1]) / s;
    qw = s / 4.0;
  } else if (m[0] > m[5] && m[0] > m[10]) {
    const double s = 2.0 * std::sqrt(1.0 + m[0] - m[5] - m[10]);
    qx = s / 4.0;
    qy = (m[4] + m[1]) / s;
    qz = (m[2] + m[8]) / s;
    qw = (m[9] - m[6]) / s;
  } else if (m[5] > m[10]) {
    const double s = 2.0 * std::sqrt(1.0 + m[5] - m[0] - m[10]);
    qx = (m[4] + m[1]) / s;
    qy = s / 4.0;
    qz = (m[9] + m[6]) / s;
    qw = (m[2] - m[8]) / s;
  } else {
    const double s = 2.0 * std::sqrt(1.0 + m[10] - m[0] - m[5]);
    qx = (m[2] + m[8]) / s;
    qy = (m[9] + m[6]) / s;
    qz = s / 4.0;
    qw = (m[4] - m[1]) / s;
  }
  // Near a half turn S is tiny and the rounding of the trace scales x, y, z together; renormalising
  // keeps the rotation exact to float precision.
  const double norm = std::sqrt(qx * qx + qy * qy + qz * qz + qw * qw);
  if (norm > 0.0) qx /= norm, qy /= norm, qz /= norm, qw /= norm;
  x = static_cast<float>(qx);
  y = static_cast<float>(qy);
  z = static_cast<float>(qz);
  w = static_cast<float>(qw);
}

Quaternion Quaternion::Slerp(const Quaternion& q1, const Quaternion& in2, float t) {
  if (q1.x == in2.x && q1.y == in2.y && q1.z == in2.z && q1.w == in2.w) return q1;
  double q2[4] = {in2.x, in2.y, in2.z, in2.w};
  double d = double(q1.x) * q2[0] + double(q1.y) * q2[1] + double(q1.z) * q2[2] + double(q1.w) * q2[3];
  if (d < 0.0) {
    for (double& c : q2) c = -c;
    d = -d;
  }
  double w1 = 1.0 - t, w2 = t;
  if (1.0 - d > 0.1) {
    const double theta = std::acos(std::min(d, 1.0));
    const double st = std::sin(theta);
    w1 = std::sin((1.0 - t) * theta) / st;
    w2 = std::sin(t * theta) / st;
  }
  return Quaternion(static_cast<float>(w1 * q1.x + w2 * q2[0]), static_cast<float>(w1 * q1.y + w2 * q2[1]),
                    static_cast<float>(w1 * q1.z + w2 * q2[2]), static_cast<float>(w1 * q1.w + w2 * q2[3]));
}

void AnimationRange(const ModelPart& part, int& startFrame, int& endFrame) {
  startFrame = 0;
  endFrame = 1;
  if (part.currentAnim >= 0 && part.currentAnim < static_cast<int>(part.animations.size())) {
    startFrame = part.animations[part.currentAnim].startFrame;
    endFrame = part.animations[part.currentAnim].endFrame;
  }
  if (endFrame <= 0) endFrame = 1;  // never divide by zero below
}

int ClampFrame(int frame, int frames) {
  if (frames <= 0) return 0;
  return std::clamp(frame, 0, frames - 1);
}

void UpdatePartFrames(ModelPart& part, float clockMs) {
  int startFrame, endFrame;
  AnimationRange(part, startFrame, endFrame);
  part.nextFrame = (part.currentFrame + 1) % endFrame;
  if (part.nextFrame <= 0) part.nextFrame = startFrame;
  AdvancePartTime(part, clockMs);
}

void AdvancePartTime(ModelPart& part, float clockMs) {
  if (part.animations.empty() || part.currentAnim < 0 ||
      part.currentAnim >= static_cast<int>(part.animations.size()))
    return;
  const int fps = part.animations[part.currentAnim].framesPerSecond;
  if (fps <= 0) {
    part.t = 0.0f;
    return;
  }
  const double period = 1000.0 / fps;
  const double elapsed = double(clockMs) - part.lastTime;
  if (elapsed > 1000.0 + period || elapsed < -1000.0) {
    // Far behind (a paused or hidden actor) or a clock that went back: take the next frame and
    // count from now rather than stretching one interpolation over the gap.
    part.currentFrame = part.nextFrame;
    part.lastTime = clockMs;
    part.t = 0.0f;
    return;
  }
  double t = elapsed / period;
  if (elapsed >= period) {
    part.currentFrame = part.nextFrame;
    part.lastTime = static_cast<float>(part.lastTime + period);
    t -= 1.0;
  }
  part.t = static_cast<float>(std::clamp(t, 0.0, 1.0));
}

bool InterpolatedTagMatrix(const ModelPart& part, int tagIndex, float out[16]) {
  if (tagIndex < 0 || tagIndex >= part.numOfTags || part.numOfTags <= 0) return false;
  const int frames = static_cast<int>(part.tags.size() / static_cast<size_t>(part.numOfTags));
  if (frames <= 0) return false;
  const Tag& a = part.tags[static_cast<size_t>(ClampFrame(part.currentFrame, frames)) * part.numOfTags + tagIndex];
  const Tag& b = part.tags[static_cast<size_t>(ClampFrame(part.nextFrame, frames)) * part.numOfTags + tagIndex];
  const double t = part.t;
  Quaternion q1, q2;
  q1.CreateFromMatrix(a.axis, 3);
  q2.CreateFromMatrix(b.axis, 3);
  Quaternion::Slerp(q1, q2, part.t).CreateMatrix(out);
  out[12] = static_cast<float>(a.origin.x + t * (double(b.origin.x) - a.origin.x));
  out[13] = static_cast<float>(a.origin.y + t * (double(b.origin.y) - a.origin.y));
  out[14] = static_cast<float>(a.origin.z + t * (double(b.origin.z) - a.origin.z));
  return true;
}

BhmVec3 InterpolatedVertex(const MeshObject& mesh, int frameA, int frameB, float t, int v) {
  const int frames = std::max(mesh.numOfFrames, 1);
  const size_t n = static_cast<size_t>(mesh.numOfVerts);
  const size_t ia = static_cast<size_t>(ClampFrame(frameA, frames)) * n + v;
  const size_t ib = static_cast<size_t>(ClampFrame(frameB, frames)) * n + v;
  if (v < 0 || ia >= mesh.vertices.size() || ib >= mesh.vertices.size()) return BhmVec3{};
  const BhmVec3& a = mesh.vertices[ia];
  const BhmVec3& b = mesh.vertices[ib];
  const double s = t;
  return BhmVec3{static_cast<float>(a.x + s * (double(b.x) - a.x)), static_cast<float>(a.y + s * (double(b.y) - a.y)),
                 static_cast<float>(a.z + s * (double(b.z) - a.z))};
}
