#include "tools/makebase/characters_rig.h"

#include "engine/formats/bhm_pose.h"

#include <algorithm>
#include <cmath>

namespace makebase::rig {

namespace {
constexpr double kPi = 3.14159265358979323846;
double Rad(double deg) { return deg * kPi / 180.0; }
}  // namespace

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Length(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Normalised(V3 a) {
  const double l = Length(a);
  return l > 1e-12 ? a * (1.0 / l) : V3{0, 0, 0};
}

V3 Xf::Apply(V3 v) const { return ApplyDir(v) + p; }
V3 Xf::ApplyDir(V3 v) const {
  return {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[3] * v.x + r[4] * v.y + r[5] * v.z,
          r[6] * v.x + r[7] * v.y + r[8] * v.z};
}
Xf Xf::Inverse() const {
  Xf inv;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) inv.r[i * 3 + j] = r[j * 3 + i];
  inv.p = inv.ApplyDir(p) * -1.0;
  return inv;
}
Xf operator*(const Xf& a, const Xf& b) {
  Xf c;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      c.r[i * 3 + j] = a.r[i * 3] * b.r[j] + a.r[i * 3 + 1] * b.r[3 + j] + a.r[i * 3 + 2] * b.r[6 + j];
  c.p = a.Apply(b.p);
  return c;
}
Xf Translate(V3 p) {
  Xf x;
  x.p = p;
  return x;
}
Xf RotX(double deg) {
  const double c = std::cos(Rad(deg)), s = std::sin(Rad(deg));
  Xf x;
  x.r[4] = c, x.r[5] = -s, x.r[7] = s, x.r[8] = c;
  return x;
}
Xf RotY(double deg) {
  const double c = std::cos(Rad(deg)), s = std::sin(Rad(deg));
  Xf x;
  x.r[0] = c, x.r[2] = s, x.r[6] = -s, x.r[8] = c;
  return x;
}
Xf RotZ(double deg) {
  const double c = std::cos(Rad(deg)), s = std::sin(Rad(deg));
  Xf x;
  x.r[0] = c, x.r[1] = -s, x.r[3] = s, x.r[4] = c;
  return x;
}

Xf LimbFrame(V3 start, V3 end, V3 hint) {
  V3 z = Normalised(start - end);
  if (Length(z) < 0.5) z = {0, 0, 1};
  V3 x = hint - z * Dot(hint, z);
  if (Length(x) < 1e-6) {
    const V3 other = std::fabs(z.x) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0};
    x = other - z * Dot(other, z);
  }
  x = Normalised(x);
  const V3 y = Cross(z, x);
  Xf f;
  f.r[0] = x.x, f.r[1] = y.x, f.r[2] = z.x;
  f.r[3] = x.y, f.r[4] = y.y, f.r[5] = z.y;
  f.r[6] = x.z, f.r[7] = y.z, f.r[8] = z.z;
  f.p = start;
  return f;
}

Tag ToTag(const char* name, const Xf& f) {
  Tag t;
  t.name = name;
  t.origin = {static_cast<float>(f.p.x), static_cast<float>(f.p.y), static_cast<float>(f.p.z)};
  // axis[0..2] is the frame's X axis, then Y, then Z: the columns of the rotation.
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) t.axis[c * 3 + r] = static_cast<float>(f.r[r * 3 + c]);
  return t;
}

UvMap RegionMap(Region r) {
  switch (r) {
    case kFace: return {0.0f, 0.5f, 0.80f, 0.97f, true, 0.5f, 1.0f};
    case kHat: return {0.55f, 0.95f, 0.965f, 0.995f};
    case kSkin: return {0.01f, 0.05f, 0.93f, 0.95f};
    case kShirt: return {0.0f, 0.5f, 0.50f, 0.80f, true, 0.5f, 1.0f};
    case kSleeve: return {0.55f, 0.95f, 0.51f, 0.79f};
    case kCoat: return {0.6f, 0.9f, 0.52f, 0.78f};
    case kBelt: return {0.0f, 0.5f, 0.455f, 0.495f, true, 0.5f, 1.0f};
    case kLeather: return {0.55f, 0.95f, 0.455f, 0.495f};
    case kTrousers: return {0.0f, 1.0f, 0.11f, 0.44f};
    case kBoots: return {0.0f, 1.0f, 0.01f, 0.09f};
    case kDark: return {0.3f, 0.7f, 0.03f, 0.08f};
    case kGunMetal: return {0.05f, 0.55f, 0.05f, 0.95f};
    case kGunWood: return {0.65f, 0.95f, 0.05f, 0.95f};
    default: return {0.0f, 1.0f, 0.0f, 1.0f};
  }
}

namespace {

// s of a wrapped part at u (0 at the back, 0.5 in front) as seen from the face on the given side
// of u: the two halves of a split map meet at u = 0.25 and 0.75 with different s.
double MapS(const UvMap& m, double u, bool leftOfU) {
  if (!m.split) return m.s0 + (m.s1 - m.s0) * u;
  const bool front = leftOfU ? (u > 0.25 && u <= 0.75) : (u >= 0.25 && u < 0.75);
  if (front) return m.s0 + (m.s1 - m.s0) * (u - 0.25) / 0.5;
  const double back = u >= 0.75 ? u - 0.75 : u + 0.25;
  return m.backS0 + (m.backS1 - m.backS0) * back / 0.5;
}

}  // namespace

namespace {

void AddTriangleOutward(RigMesh& mesh, int a, int b, int c, V3 pa, V3 pb, V3 pc, V3 inside) {
  const V3 n = Cross(pb - pa, pc - pa);
  const V3 centre = (pa + pb + pc) * (1.0 / 3.0);
  // Stored clockwise as seen from outside (the drawing culls the counter-clockwise side).
  if (Dot(n, centre - inside) > 0.0)
    mesh.triangles.push_back({a, c, b});
  else
    mesh.triangles.push_back({a, b, c});
}

}  // namespace

void AddLoft(RigMesh& mesh, int bone, const Xf& place, const std::vector<Ring>& rings, int sides, Region region) {
  if (rings.size() < 2 || sides < 3) return;
  const UvMap uv = RegionMap(region);
  const bool square = sides == 4;
  const double z0 = rings.front().z, z1 = rings.back().z;
  // Per ring and column, the vertex ending the face on its left and the one starting the face on
  // its right (the same vertex unless the texture map jumps there).
  std::vector<std::vector<int>> leftIndex(rings.size()), rightIndex(rings.size());
  std::vector<std::vector<V3>> pos(rings.size());
  for (size_t k = 0; k < rings.size(); ++k) {
    const Ring& rg = rings[k];
    const double v = z1 > z0 ? (rg.z - z0) / (z1 - z0) : 0.0;
    const float t = static_cast<float>(uv.t0 + (uv.t1 - uv.t0) * v);
    for (int i = 0; i <= sides; ++i) {
      const double a = kPi + (square ? kPi / 4 : 0.0) + 2.0 * kPi * i / sides;
      const double scale = square ? std::sqrt(2.0) : 1.0;
      const V3 p{rg.cx + rg.rx * scale * std::cos(a), rg.cy + rg.ry * scale * std::sin(a), rg.z};
      const double u = static_cast<double>(i) / sides;
      const double sl = MapS(uv, u, true), sr = MapS(uv, u, false);
      pos[k].push_back(p);
      leftIndex[k].push_back(static_cast<int>(mesh.vertices.size()));
      mesh.vertices.push_back(RigVertex{bone, place.Apply(p), static_cast<float>(sl), t});
      if (sr != sl) mesh.vertices.push_back(RigVertex{bone, place.Apply(p), static_cast<float>(sr), t});
      rightIndex[k].push_back(static_cast<int>(mesh.vertices.size()) - 1);
    }
  }
  for (size_t k = 0; k + 1 < rings.size(); ++k) {
    const double zm = 0.5 * (rings[k].z + rings[k + 1].z);
    const V3 axis{0.5 * (rings[k].cx + rings[k + 1].cx), 0.5 * (rings[k].cy + rings[k + 1].cy), zm};
    for (int i = 0; i < sides; ++i) {
      const int a = rightIndex[k][i], b = leftIndex[k][i + 1], c = leftIndex[k + 1][i + 1], d = rightIndex[k + 1][i];
      AddTriangleOutward(mesh, a, b, c, pos[k][i], pos[k][i + 1], pos[k + 1][i + 1], axis);
      AddTriangleOutward(mesh, a, c, d, pos[k][i], pos[k + 1][i + 1], pos[k + 1][i], axis);
    }
  }
  // Caps: a fan round the ring's centre.
  V3 centre{0, 0, 0};
  for (const Ring& rg : rings) centre = centre + V3{rg.cx, rg.cy, rg.z};
  centre = centre * (1.0 / rings.size());
  for (int end = 0; end < 2; ++end) {
    const size_t k = end == 0 ? 0 : rings.size() - 1;
    const Ring& rg = rings[k];
    if (rg.rx < 1e-6 && rg.ry < 1e-6) continue;
    const V3 c{rg.cx, rg.cy, rg.z};
    const float t = end == 0 ? uv.t0 : uv.t1;
    std::vector<int> ring(sides + 1);
    for (int i = 0; i <= sides; ++i) ring[i] = i < sides ? rightIndex[k][i] : leftIndex[k][i];
    float centreS = 0.5f * (uv.s0 + uv.s1);
    if (uv.split) {
      // A wrapped part's caps (top of the head, shoulders) take the back's texture throughout.
      centreS = 0.5f * (uv.backS0 + uv.backS1);
      for (int i = 0; i <= sides; ++i) {
        ring[i] = static_cast<int>(mesh.vertices.size());
        const float s = static_cast<float>(uv.backS0 + (uv.backS1 - uv.backS0) * i / sides);
        mesh.vertices.push_back(RigVertex{bone, place.Apply(pos[k][i]), s, t});
      }
    }
    const int ci = static_cast<int>(mesh.vertices.size());
    mesh.vertices.push_back(RigVertex{bone, place.Apply(c), centreS, t});
    for (int i = 0; i < sides; ++i) AddTriangleOutward(mesh, ci, ring[i], ring[i + 1], c, pos[k][i], pos[k][i + 1], centre);
  }
}

void AddBox(RigMesh& mesh, int bone, const Xf& place, V3 lo, V3 hi, Region region, double taperX, double taperY) {
  const double cx = 0.5 * (lo.x + hi.x), cy = 0.5 * (lo.y + hi.y);
  const double rx = 0.5 * (hi.x - lo.x), ry = 0.5 * (hi.y - lo.y);
  AddLoft(mesh, bone, place, {{lo.z, cx, cy, rx, ry}, {hi.z, cx, cy, rx * taperX, ry * taperY}}, 4, region);
}

Pose RestPose(const Build& b) {
  Pose p;
  for (int s = 0; s < 2; ++s) {
    const double side = s == 0 ? 1.0 : -1.0;
    const double shoulderZ = b.torsoLength - b.shoulderDrop;
    p.hand[s] = {0.5, side * (b.shoulderHalfWidth + 1.5), shoulderZ - (b.upperArmLength + b.foreArmLength) * 0.97};
    p.elbowPole[s] = {-1.0, side * 0.3, 0.0};
  }
  p.gunPos = {4.0, -b.shoulderHalfWidth, 2.0};
  p.gunPitch = 60;
  return p;
}

void AimGun(const Build& b, Pose& p, double z, double forward) {
  p.gunPos = {forward, -b.shoulderHalfWidth * 0.9, z};
  p.gunPitch = 0;
  p.gunYaw = 0;
  p.gunRoll = 0;
  p.handOnGun[0] = p.handOnGun[1] = true;
  p.elbowPole[0] = {0.0, 0.4, -1.0};
  p.elbowPole[1] = {0.0, -1.0, -0.8};
}

namespace {

// Elbow (or knee) of a two-segment limb from root to a target, bending towards pole.
void SolveLimb(V3 root, V3 target, double a, double b, V3 pole, V3& joint, V3& end) {
  V3 d = target - root;
  double len = Length(d);
  const V3 n = len > 1e-9 ? d * (1.0 / len) : V3{0, 0, -1};
  len = std::clamp(len, std::fabs(a - b) + 0.01, a + b - 0.01);
  end = root + n * len;
  const double cosA = std::clamp((a * a + len * len - b * b) / (2.0 * a * len), -1.0, 1.0);
  const double sinA = std::sqrt(std::max(0.0, 1.0 - cosA * cosA));
  V3 q = pole - n * Dot(pole, n);
  if (Length(q) < 1e-6) q = V3{-1, 0, 0} - n * Dot(V3{-1, 0, 0}, n);
  q = Normalised(q);
  joint = root + n * (a * cosA) + q * (a * sinA);
}

}  // namespace

std::array<Xf, kBoneCount> SolvePose(const Build& b, const Pose& p) {
  std::array<Xf, kBoneCount> f;
  const Xf fall = Translate(p.fallPivot) * RotY(p.fallAngle) * Translate(p.fallPivot * -1.0);
  f[kPelvis] = fall * Translate({p.pelvisX, 0, b.HipHeight() + p.pelvisZ}) * RotZ(p.pelvisYaw) *
               RotY(p.pelvisPitch) * RotX(p.pelvisRoll);
  f[kWaist] = f[kPelvis] * Translate({0, 0, b.waistUp});
  f[kChest] = f[kWaist] * RotZ(p.chestYaw) * RotY(p.chestPitch) * RotX(p.chestRoll);
  f[kHead] = f[kChest] * Translate({0, 0, b.torsoLength}) * RotZ(p.headYaw) * RotY(p.headPitch) * RotX(p.headRoll);

  for (int s = 0; s < 2; ++s) {
    const double side = s == 0 ? 1.0 : -1.0;
    const int thigh = s == 0 ? kThighL : kThighR, shin = s == 0 ? kShinL : kShinR, foot = s == 0 ? kFootL : kFootR;
    f[thigh] = f[kPelvis] * Translate({0, side * b.hipHalfWidth, 0}) * RotX(side * p.spread[s]) * RotY(-p.thigh[s]);
    f[shin] = f[thigh] * Translate({0, 0, -b.thighLength}) * RotY(p.knee[s]);
    // The foot stays level with the pelvis unless told otherwise.
    f[foot] = f[shin] * Translate({0, 0, -b.shinLength}) * RotY(p.thigh[s] - p.knee[s] + p.foot[s]);
  }

  f[kGun] = f[kChest] * Translate(p.gunPos) * RotZ(p.gunYaw) * RotY(p.gunPitch) * RotX(p.gunRoll);
  const double shoulderZ = b.torsoLength - b.shoulderDrop;
  for (int s = 0; s < 2; ++s) {
    const double side = s == 0 ? 1.0 : -1.0;
    const int upper = s == 0 ? kUpperArmL : kUpperArmR, fore = s == 0 ? kForeArmL : kForeArmR;
    const V3 shoulder = f[kChest].Apply({0, side * b.shoulderHalfWidth, shoulderZ});
    V3 target;
    if (p.handOnGun[s])
      target = f[kGun].Apply(s == 1 ? V3{0, 0, -1.0} : V3{6.5, 0, -1.8});
    else
      target = f[kChest].Apply(p.hand[s]);
    V3 elbow, hand;
    SolveLimb(shoulder, target, b.upperArmLength, b.foreArmLength, f[kChest].ApplyDir(p.elbowPole[s]), elbow, hand);
    const V3 hint = f[kChest].ApplyDir({1, 0, 0});
    f[upper] = LimbFrame(shoulder, elbow, hint);
    f[fore] = LimbFrame(elbow, hand, hint);
  }
  return f;
}

void AddBody(RigMesh& m, const Build& b) {
  const Xf id;
  // Pelvis and hips.
  const double hw = b.hipWidth / 2, ww = b.waistWidth / 2, wd = b.waistDepth / 2;
  AddLoft(m, kPelvis, id,
          {{-4.0, 0, 0, wd * 0.75, hw * 0.7}, {-1.5, 0, 0, wd, hw}, {b.waistUp + 0.5, 0.3 * b.belly, 0, wd + 0.5 * b.belly, ww}},
          8, kTrousers);
  AddLoft(m, kPelvis, id, {{b.waistUp - 1.6, 0.3 * b.belly, 0, wd + 0.45 + 0.5 * b.belly, ww + 0.45},
                           {b.waistUp + 0.6, 0.3 * b.belly, 0, wd + 0.55 + 0.5 * b.belly, ww + 0.5}},
          8, kBelt);
  // Chest.
  const double cw = b.chestWidth / 2, cd = b.chestDepth / 2, L = b.torsoLength;
  AddLoft(m, kChest, id,
          {{0.0, 0.3 * b.belly, 0, wd + 0.5 * b.belly, ww},
           {L * 0.35, 0.2 * b.belly, 0, cd + 0.4 * b.belly, (ww + cw) * 0.5},
           {L * 0.7, 0.2, 0, cd, cw},
           {L - 1.2, 0, 0, cd * 0.9, cw * 0.97},
           {L + 0.6, -0.3, 0, cd * 0.55, cw * 0.45}},
          8, kShirt);
  if (b.vest)
    AddLoft(m, kChest, id,
            {{1.5, 0.2 * b.belly, 0, wd + 0.6 + 0.4 * b.belly, ww + 0.5},
             {L * 0.7, 0.2, 0, cd + 0.6, cw + 0.4},
             {L - 2.0, 0.0, 0, cd * 0.92 + 0.6, cw * 0.9}},
            8, kCoat);
  if (b.backpack) {
    AddBox(m, kChest, id, {-cd - 5.0, -5.0, 3.0}, {-cd + 1.0, 5.0, L - 2.5}, kLeather, 0.85, 0.9);
    AddBox(m, kChest, id, {-cd - 4.0, -4.2, L - 2.5}, {-cd + 0.5, 4.2, L - 0.8}, kHat, 0.8, 0.9);
  }
  if (b.shoulderPads) {
    for (double side : {1.0, -1.0})
      AddLoft(m, kChest, Translate({0, side * (b.shoulderHalfWidth - 0.5), L - b.shoulderDrop}),
              {{-1.5, 0, 0, 3.4, 2.8}, {1.2, 0, 0, 3.2, 2.7}, {2.6, 0, 0, 2.0, 1.6}}, 6, kLeather);
  }
  // Neck and head.
  const double nz = b.neckLength, hh = b.headHeight, hd = b.headDepth / 2, hwid = b.headWidth / 2;
  AddLoft(m, kHead, id, {{-1.0, 0, 0, 2.0, 2.2}, {nz + 1.5, 0.2, 0, 1.9, 2.0}}, 6, kSkin);
  // The face and the sides of the head, then the crown in the hair (or hat) colour.
  AddLoft(m, kHead, id,
          {{nz, 0.8, 0, hd * 0.58, hwid * 0.62},
           {nz + hh * 0.25, 0.5, 0, hd * 0.92, hwid * 0.9},
           {nz + hh * 0.6, 0.2, 0, hd, hwid},
           {nz + hh * 0.8, 0.05, 0, hd * 0.96, hwid * 0.97}},
          8, kFace);
  AddLoft(m, kHead, id,
          {{nz + hh * 0.76, 0.0, 0, hd * 1.0, hwid * 1.0},
           {nz + hh * 0.92, -0.1, 0, hd * 0.85, hwid * 0.85},
           {nz + hh * 1.03, -0.2, 0, hd * 0.45, hwid * 0.45}},
          8, kHat);
  AddBox(m, kHead, id, {hd + 0.2, -0.6, nz + hh * 0.38}, {hd + 1.3, 0.6, nz + hh * 0.55}, kSkin, 0.5, 0.7);
  if (b.beard)
    AddLoft(m, kHead, id, {{nz - 0.8, 1.8, 0, hd * 0.5, hwid * 0.6}, {nz + hh * 0.32, 1.0, 0, hd * 0.75, hwid * 0.95}}, 6,
            kDark);
  if (b.goggles) AddBox(m, kHead, id, {hd - 1.5, -hwid - 0.3, nz + hh * 0.56}, {hd + 0.5, hwid + 0.3, nz + hh * 0.7}, kDark);
  if (b.helmet)
    AddLoft(m, kHead, id,
            {{nz + hh * 0.6, 0.0, 0, hd + 0.7, hwid + 0.7},
             {nz + hh * 0.85, -0.1, 0, hd + 0.5, hwid + 0.5},
             {nz + hh + 0.9, -0.2, 0, hd * 0.55, hwid * 0.55}},
            8, kHat);
  if (b.hat) {
    AddLoft(m, kHead, id, {{nz + hh * 0.78, 0.4, 0, hd + 3.0, hwid + 3.0}, {nz + hh * 0.84, 0.4, 0, hd + 3.0, hwid + 3.0}},
            8, kHat);
    AddLoft(m, kHead, id,
            {{nz + hh * 0.7, 0.0, 0, hd + 0.4, hwid + 0.4}, {nz + hh + 1.8, -0.2, 0, hd * 0.75, hwid * 0.7}}, 8, kHat);
  }
  if (b.bandana)
    AddLoft(m, kHead, id, {{nz + hh * 0.62, 0.2, 0, hd + 0.35, hwid + 0.35}, {nz + hh * 0.78, 0.1, 0, hd + 0.3, hwid + 0.3}},
            8, kHat);

  // Arms (along -Z from the shoulder).
  for (int s = 0; s < 2; ++s) {
    const int upper = s == 0 ? kUpperArmL : kUpperArmR, fore = s == 0 ? kForeArmL : kForeArmR;
    const double ar = b.armRadius, fr = b.foreArmRadius;
    AddLoft(m, upper, id,
            {{-b.upperArmLength - 0.5, 0, 0, fr * 1.1, fr * 1.1}, {-b.upperArmLength * 0.5, 0, 0, ar, ar},
             {0.5, 0, 0, ar * 1.15, ar * 1.1}, {2.2, 0, 0, ar * 0.6, ar * 0.6}},
            6, kSleeve);
    AddLoft(m, fore, id, {{-b.foreArmLength, 0, 0, fr * 0.8, fr * 0.75}, {-b.foreArmLength * 0.6, 0, 0, fr, fr}, {0.8, 0, 0, fr * 0.95, fr * 0.95}},
            6, kSleeve);
    AddBox(m, fore, id, {-1.1, -1.0, -b.foreArmLength - 3.2}, {1.3, 1.0, -b.foreArmLength + 0.2}, kSkin, 0.9, 0.9);
  }
  // Legs.
  for (int s = 0; s < 2; ++s) {
    const int thigh = s == 0 ? kThighL : kThighR, shin = s == 0 ? kShinL : kShinR, foot = s == 0 ? kFootL : kFootR;
    const double tr = b.thighRadius, sr = b.shinRadius;
    AddLoft(m, thigh, id,
            {{-b.thighLength - 0.5, 0, 0, sr * 1.15, sr * 1.1}, {-b.thighLength * 0.4, 0.2, 0, tr, tr * 0.95}, {1.5, 0, 0, tr * 0.95, tr * 0.9}},
            6, kTrousers);
    AddLoft(m, shin, id, {{-b.shinLength + 4.5, 0, 0, sr, sr}, {-b.shinLength * 0.45, 0.3, 0, sr * 1.05, sr}, {0.8, 0, 0, sr * 1.05, sr}}, 6,
            kTrousers);
    AddLoft(m, shin, id, {{-b.shinLength - 0.5, 0, 0, sr * 1.05, sr}, {-b.shinLength + 5.0, 0, 0, sr * 1.15, sr * 1.1}}, 6, kBoots);
    AddBox(m, foot, id, {-2.4, -2.1, -b.footHeight}, {6.8, 2.1, 1.0}, kBoots, 0.7, 0.9);
  }
}

void AddGun(RigMesh& m, int bone, int kind, Region metal, Region wood) {
  const Xf id;
  const Xf alongX = RotY(90);  // a loft along the shape's Z becomes one along X
  switch (kind) {
    case 2:  // short carbine
      AddBox(m, bone, id, {-6.0, -0.8, -2.2}, {-1.5, 0.8, 0.6}, wood);
      AddBox(m, bone, id, {-1.5, -1.0, -1.3}, {7.0, 1.0, 1.6}, metal);
      AddBox(m, bone, id, {-0.8, -0.7, -4.0}, {0.8, 0.7, -1.3}, wood);
      AddBox(m, bone, id, {2.0, -0.7, -4.8}, {3.8, 0.7, -1.3}, metal);
      AddLoft(m, bone, alongX, {{7.0, -0.8, 0, 0.55, 0.55}, {20.0, -0.8, 0, 0.55, 0.55}}, 6, metal);
      break;
    case 3:  // heavy gun
      AddBox(m, bone, id, {-7.0, -1.2, -2.6}, {-1.5, 1.2, 1.0}, wood);
      AddBox(m, bone, id, {-1.5, -1.5, -1.8}, {9.0, 1.5, 2.2}, metal);
      AddBox(m, bone, id, {-0.8, -0.8, -4.2}, {0.8, 0.8, -1.8}, wood);
      AddBox(m, bone, id, {2.5, -2.8, -3.5}, {6.5, -1.5, 1.2}, metal);
      AddLoft(m, bone, alongX, {{9.0, -0.9, 0, 1.3, 1.3}, {20.0, -0.9, 0, 1.1, 1.1}}, 8, metal);
      break;
    default:  // rifle
      AddBox(m, bone, id, {-9.0, -0.9, -2.8}, {-1.8, 0.9, 0.7}, wood, 1.0, 1.0);
      AddBox(m, bone, id, {-1.8, -1.0, -1.2}, {8.5, 1.0, 1.6}, metal);
      AddBox(m, bone, id, {-0.8, -0.7, -4.0}, {0.8, 0.7, -1.2}, wood);
      AddBox(m, bone, id, {2.2, -0.7, -4.8}, {4.2, 0.7, -1.2}, metal);
      AddLoft(m, bone, alongX, {{8.5, -0.8, 0, 0.6, 0.6}, {20.0, -0.8, 0, 0.55, 0.55}}, 6, metal);
      break;
  }
}

void PoseVertices(const RigMesh& mesh, const std::array<Xf, kBoneCount>& frames, const Xf& post,
                  std::vector<BhmVec3>& out) {
  for (const RigVertex& v : mesh.vertices) {
    const V3 p = post.Apply(frames[v.bone].Apply(v.local));
    out.push_back({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
  }
}

double LowestZ(const RigMesh& mesh, const std::array<Xf, kBoneCount>& frames, int skipBone) {
  double lo = 1e30;
  for (const RigVertex& v : mesh.vertices)
    if (v.bone != skipBone) lo = std::min(lo, frames[v.bone].Apply(v.local).z);
  return lo;
}

namespace {
Quaternion ToQuaternion(const Xf& f) {
  float axis[9];
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) axis[c * 3 + r] = static_cast<float>(f.r[r * 3 + c]);
  Quaternion q;
  q.CreateFromMatrix(axis, 3);
  return q;
}
}  // namespace

void DropGun(const RigMesh& mesh, const Pose& pose, double groundZ, std::array<Xf, kBoneCount>& frames) {
  if (pose.gunDrop <= 0.0) return;
  const double d = std::min(pose.gunDrop, 1.0);
  // On the ground, lying on its side: the gun's Y axis points up.
  double lowestY = 0.0;
  for (const RigVertex& v : mesh.vertices)
    if (v.bone == kGun) lowestY = std::min(lowestY, v.local.y);
  const Xf ground =
      Translate({pose.gunGround.x, pose.gunGround.y, groundZ - lowestY + 0.05}) * RotZ(pose.gunGroundYaw) * RotX(90);
  const Xf& held = frames[kGun];
  Quaternion q = Quaternion::Slerp(ToQuaternion(held), ToQuaternion(ground), static_cast<float>(d));
  const double n = std::sqrt(double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z + double(q.w) * q.w);
  q = Quaternion(static_cast<float>(q.x / n), static_cast<float>(q.y / n), static_cast<float>(q.z / n),
                 static_cast<float>(q.w / n));
  float m[16];
  q.CreateMatrix(m);
  Xf out;
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) out.r[r * 3 + c] = m[c * 4 + r];
  out.p = held.p + (ground.p - held.p) * d;
  frames[kGun] = out;
}

MeshObject MeshTopology(const RigMesh& mesh, const char* name) {
  MeshObject o;
  o.name = name;
  o.numOfVerts = static_cast<int>(mesh.vertices.size());
  o.numTexVertex = o.numOfVerts;
  o.numOfFaces = static_cast<int>(mesh.triangles.size());
  for (const RigVertex& v : mesh.vertices) o.texVerts.push_back({v.s, v.t});
  for (const auto& t : mesh.triangles) {
    MeshFace f;
    for (int k = 0; k < 3; ++k) f.vertIndex[k] = f.coordIndex[k] = t[k];
    o.faces.push_back(f);
  }
  return o;
}

}  // namespace makebase::rig
