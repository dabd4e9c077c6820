// Key-framed motions of the generated characters: stand, run, run backwards and the deaths.
#include <algorithm>
#include <cmath>

#include "tools/makebase/characters_motion.h"

namespace makebase::rig {

namespace {
constexpr double kPi = 3.14159265358979323846;

double Smooth(double u) {
  u = std::clamp(u, 0.0, 1.0);
  return u * u * (3.0 - 2.0 * u);
}
// Accelerating like a fall, with a small rebound at the end.
double FallCurve(double u) {
  u = std::clamp(u, 0.0, 1.0);
  if (u < 0.8) {
    const double k = u / 0.8;
    return k * k;
  }
  const double k = (u - 0.8) / 0.2;
  return 1.0 - 0.06 * std::sin(k * kPi);
}
double Mix(double a, double b, double u) { return a + (b - a) * u; }
V3 Mix(V3 a, V3 b, double u) { return a + (b - a) * u; }
}  // namespace

int FallFrames() { return 10; }

void LegsPose(const Build& b, Motion m, int frame, int frames, Pose& p) {
  const double phase = 2.0 * kPi * frame / std::max(frames, 1);
  switch (m) {
    case Motion::kStand: {
      const double breath = 0.5 - 0.5 * std::cos(phase);
      p.spread[0] = p.spread[1] = 4.0;
      p.thigh[0] = 3.0, p.thigh[1] = -2.0;
      p.knee[0] = p.knee[1] = 4.0 + 2.0 * breath;
      p.pelvisYaw = -4.0;
      break;
    }
    case Motion::kRun:
    case Motion::kRunBackwards: {
      const double dir = m == Motion::kRun ? 1.0 : -1.0;
      for (int s = 0; s < 2; ++s) {
        const double ph = dir * phase + (s == 0 ? 0.0 : kPi);
        const double swing = m == Motion::kRun ? 34.0 : 26.0;
        p.thigh[s] = swing * std::sin(ph);
        // The knee folds while the leg swings through and stays soft while it carries the body.
        const double folding = std::max(0.0, dir * std::cos(ph));
        p.knee[s] = 14.0 + (m == Motion::kRun ? 62.0 : 40.0) * folding;
        p.foot[s] = m == Motion::kRun ? 12.0 * std::sin(ph) - 6.0 * folding : 6.0 * std::sin(ph);
        p.spread[s] = 2.0;
      }
      p.pelvisPitch = m == Motion::kRun ? 9.0 : -6.0;
      p.pelvisYaw = 7.0 * std::sin(dir * phase);
      p.pelvisRoll = 2.5 * std::cos(2.0 * phase);
      break;
    }
    case Motion::kDieBackwards: {
      const double u = std::min(1.0, static_cast<double>(frame) / (FallFrames() - 1));
      const double f = FallCurve(u);
      p.fallAngle = -88.0 * f;
      p.fallPivot = {-3.0, 0, 0};
      const double bend = std::sin(std::min(u, 1.0) * kPi);  // most bent mid-fall
      for (int s = 0; s < 2; ++s) {
        p.thigh[s] = 26.0 * bend + (s == 0 ? 8.0 : 2.0) * f;
        p.knee[s] = 48.0 * bend + (s == 0 ? 22.0 : 6.0) * f;
        p.spread[s] = 3.0 + (s == 0 ? 9.0 : 5.0) * f;
        p.foot[s] = 20.0 * f;
      }
      p.pelvisPitch = 14.0 * bend;
      p.pelvisRoll = 6.0 * f;
      p.pelvisYaw = 10.0 * f;
      break;
    }
    case Motion::kDieForwards: {
      // Knees give way first, then the body pitches forward onto the ground.
      const double u = std::min(1.0, static_cast<double>(frame) / (FallFrames() + 1));
      const double kneel = Smooth(u / 0.45);
      const double fall = FallCurve((u - 0.4) / 0.6);
      for (int s = 0; s < 2; ++s) {
        p.thigh[s] = Mix(0.0, 12.0, kneel) - 8.0 * fall + (s == 0 ? 0.0 : -6.0 * fall);
        p.knee[s] = Mix(6.0, 95.0, kneel) - 60.0 * fall;
        p.foot[s] = Mix(0.0, 45.0, kneel) + 20.0 * fall;
        p.spread[s] = 3.0 + 6.0 * fall;
      }
      p.pelvisPitch = 18.0 * kneel * (1.0 - fall);
      p.fallAngle = 84.0 * fall;
      p.fallPivot = {3.0, 0, b.shinLength * 0.4};
      p.pelvisYaw = -12.0 * fall;
      p.pelvisRoll = -8.0 * fall;
      break;
    }
    case Motion::kRecoil:
      break;
  }
}

void TorsoPose(const Build& b, Motion m, int frame, int frames, Pose& p) {
  const double phase = 2.0 * kPi * frame / std::max(frames, 1);
  const double aimZ = b.torsoLength - 1.5;
  AimGun(b, p, aimZ, 5.0);
  switch (m) {
    case Motion::kStand:
      p.chestPitch = 1.2 * std::sin(phase);
      p.headPitch = -1.0 * std::sin(phase);
      p.chestYaw = 4.0;
      p.headYaw = -3.0;
      break;
    case Motion::kRun:
    case Motion::kRunBackwards: {
      const double dir = m == Motion::kRun ? 1.0 : -1.0;
      p.chestYaw = -6.0 * std::sin(dir * phase);  // shoulders against the hips
      p.chestPitch = m == Motion::kRun ? 5.0 : 0.0;
      p.headPitch = m == Motion::kRun ? -10.0 : 4.0;
      p.gunPitch = -(p.chestPitch + (m == Motion::kRun ? 9.0 : -6.0));
      p.gunPos.z += 0.5 * std::cos(2.0 * phase);
      break;
    }
    case Motion::kRecoil: {
      const double kick = std::max(0.0, std::cos(phase * 0.5)) * (frame == 0 ? 0.0 : 1.0);
      p.gunPitch = -12.0 * kick;
      p.gunPos.x -= 1.5 * kick;
      p.chestPitch = -3.0 * kick;
      break;
    }
    case Motion::kDieBackwards: {
      const double u = std::min(1.0, static_cast<double>(frame) / (FallFrames() - 1));
      const double f = Smooth(u * 1.2);
      const double shoulderZ = b.torsoLength - b.shoulderDrop;
      p.handOnGun[0] = false;
      const V3 flungL{-3.0, b.shoulderHalfWidth + 13.0, shoulderZ + 8.0};
      p.hand[0] = Mix(p.gunPos + V3{6.5, 0, -1.8}, flungL, f);
      p.elbowPole[0] = Mix(p.elbowPole[0], V3{-0.3, 1.0, -0.6}, f);
      p.gunPos = Mix(p.gunPos, V3{-1.0, -(b.shoulderHalfWidth + 12.0), shoulderZ + 3.0}, f);
      p.gunYaw = -75.0 * f;
      p.gunRoll = 80.0 * f;
      p.gunPitch = -20.0 * f;
      p.elbowPole[1] = Mix(p.elbowPole[1], V3{-0.3, -1.0, -0.6}, f);
      p.chestPitch = -12.0 * std::sin(u * kPi) + 4.0 * f;
      p.chestRoll = 5.0 * f;
      p.headPitch = -35.0 * std::sin(u * kPi) + 12.0 * f;
      p.headYaw = 35.0 * f;
      if (b.dropsGun) {
        // The gun slips out of the hand and lands to the right of the body.
        const V3 grip = p.gunPos + V3{0, 0, -1.0};
        p.gunPos = grip + V3{0, 0, 1.0};
        p.gunYaw = p.gunRoll = 0;
        p.gunPitch = -(p.chestPitch);
        p.handOnGun[1] = false;
        p.hand[1] = Mix(grip, V3{-3.0, -(b.shoulderHalfWidth + 13.0), shoulderZ + 8.0}, f);
        p.gunDrop = Smooth(u * 1.15);
        p.gunGround = {-22.0, -15.0, 0.0};
        p.gunGroundYaw = 65.0;
      }
      break;
    }
    case Motion::kDieForwards: {
      const double u = std::min(1.0, static_cast<double>(frame) / (FallFrames() + 1));
      const double k = Smooth(u / 0.5);
      const double f = Smooth((u - 0.4) / 0.6);
      const double shoulderZ = b.torsoLength - b.shoulderDrop;
      p.handOnGun[0] = false;
      p.hand[0] = Mix(p.gunPos + V3{6.5, 0, -1.8}, V3{9.0, b.shoulderHalfWidth + 4.0, shoulderZ - 14.0}, k);
      p.hand[0] = Mix(p.hand[0], V3{2.0, b.shoulderHalfWidth + 9.0, shoulderZ + 10.0}, f);
      p.elbowPole[0] = {-0.2, 1.0, -0.3};
      p.gunPos = Mix(p.gunPos, V3{10.0, -b.shoulderHalfWidth - 1.0, shoulderZ - 12.0}, k);
      p.gunPos = Mix(p.gunPos, V3{4.0, -b.shoulderHalfWidth - 10.0, shoulderZ + 6.0}, f);
      p.gunPitch = 25.0 * k - 40.0 * f;
      p.gunRoll = -85.0 * f;
      p.gunYaw = -30.0 * f;
      p.chestPitch = 24.0 * k - 14.0 * f;
      p.headPitch = 20.0 * k - 40.0 * f;
      p.headYaw = -50.0 * f;
      p.headRoll = 20.0 * f;
      if (b.dropsGun) {
        const V3 grip = V3{5.0, -b.shoulderHalfWidth * 0.9, b.torsoLength - 2.5};
        p.gunPos = grip + V3{0, 0, 1.0};
        p.gunYaw = p.gunRoll = 0;
        p.gunPitch = -p.chestPitch;
        p.handOnGun[1] = false;
        p.hand[1] = Mix(grip, V3{9.0, -(b.shoulderHalfWidth + 4.0), shoulderZ - 14.0}, k);
        p.hand[1] = Mix(p.hand[1], V3{2.0, -(b.shoulderHalfWidth + 9.0), shoulderZ + 10.0}, f);
        p.elbowPole[1] = {-0.2, -1.0, -0.3};
        p.gunDrop = Smooth(u * 1.3);
        p.gunGround = {12.0, -16.0, 0.0};
        p.gunGroundYaw = -35.0;
      }
      break;
    }
  }
}

}  // namespace makebase::rig
