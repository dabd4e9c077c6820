// The pick-ups (base/objects/1..3.ms3d) and the bandits' hit meshes (base/bandits/1..4.ms3d).
//
// Pick-up 1 is an ammunition crate at world scale standing on its origin. Pick-ups 2 and 3 are
// small (about 0.1 units across) because the HUD also draws them half a unit before the eye: 2 a
// first-aid kit (beside the health count), 3 a star badge (beside the kill count); both centred
// on their origin.
//
// The hit meshes are in world units, upright, with the origin one unit below the body's centre:
// a body prism from the floor (0.25 below the origin) to the shoulders and a narrower head prism,
// about four units tall. Being rotationally symmetric, they fit the drawn figure whichever way it
// faces.
#include <cmath>
#include <string>

#include "tools/makebase/models_mesh.h"

namespace makebase {

namespace {

constexpr UvRect kWhole{0.0f, 0.0f, 1.0f, 1.0f};

bool AmmunitionCrate(const std::string& outDir) {
  ModelBuilder b;
  const int planks = b.AddMaterial("crate", TextureFile(17), {1.0f, 0.95f, 0.85f}, 5.0f);
  const int steel = b.AddMaterial("bands", TextureFile(60), {0.8f, 0.8f, 0.8f}, 40.0f);
  const int brass = b.AddMaterial("cartridges", TextureFile(49), {1.0f, 0.75f, 0.3f}, 60.0f);
  b.Use(planks);
  b.Box(At({0.0f, 0.35f, 0.0f}), {0.6f, 0.35f, 0.4f}, kWhole);
  b.Use(steel);
  for (float x : {-0.4f, 0.4f}) b.Box(At({x, 0.355f, 0.0f}), {0.05f, 0.355f, 0.41f}, kWhole);
  for (float x : {-0.63f, 0.63f}) b.Box(At({x, 0.5f, 0.0f}), {0.03f, 0.03f, 0.15f}, kWhole);  // handles
  // A clip of cartridges lying on the lid.
  b.Use(brass);
  for (int i = 0; i < 5; ++i) {
    const float x = -0.16f + 0.08f * i;
    b.Cylinder(At({x, 0.735f, 0.0f}), 0.03f, -0.15f, 0.12f, 8, true, {0.02f, 0.05f, 0.58f, 0.95f});
  }
  return b.Save(outDir, "base/objects/1.ms3d");
}

bool FirstAidKit(const std::string& outDir) {
  ModelBuilder b;
  const int white = b.AddMaterial("case", TextureFile(49), {1.0f, 1.0f, 1.0f}, 30.0f);
  const int red = b.AddMaterial("cross", TextureFile(49), {0.95f, 0.12f, 0.1f}, 30.0f);
  b.Use(white);
  b.Box(At({0.0f, 0.0f, 0.0f}), {0.05f, 0.034f, 0.02f}, kWhole);
  b.Box(At({0.0f, 0.04f, 0.0f}), {0.016f, 0.006f, 0.005f}, kWhole);  // handle
  b.Use(red);
  b.Box(At({0.0f, 0.0f, 0.0f}), {0.022f, 0.007f, 0.021f}, kWhole);
  b.Box(At({0.0f, 0.0f, 0.0f}), {0.007f, 0.022f, 0.021f}, kWhole);
  return b.Save(outDir, "base/objects/2.ms3d");
}

bool StarBadge(const std::string& outDir) {
  ModelBuilder b;
  const int gold = b.AddMaterial("badge", TextureFile(49), {1.0f, 0.78f, 0.25f}, 80.0f, 0.3f);
  b.Use(gold);
  constexpr int kPoints = 6;
  constexpr float kOuter = 0.052f, kInner = 0.028f, kHalfDepth = 0.007f;
  const float pi = 3.14159265f;
  P3 rim[2 * kPoints];
  for (int i = 0; i < 2 * kPoints; ++i) {
    const float a = pi / 2 + pi * i / kPoints;
    const float r = i % 2 ? kInner : kOuter;
    rim[i] = {r * std::cos(a), r * std::sin(a), 0.0f};
  }
  auto uv = [](P3 p, float& s, float& t) {
    s = 0.02f + 0.56f * (p.x / (2 * kOuter) + 0.5f);
    t = 0.05f + 0.9f * (p.y / (2 * kOuter) + 0.5f);
  };
  for (int side = 0; side < 2; ++side) {
    const float z = side ? kHalfDepth : -kHalfDepth;
    const P3 n{0.0f, 0.0f, side ? 1.0f : -1.0f};
    // The face bulges a little at the centre, like a stamped badge.
    const P3 centre{0.0f, 0.0f, z * 1.6f};
    for (int i = 0; i < 2 * kPoints; ++i) {
      P3 a = rim[i], c = rim[(i + 1) % (2 * kPoints)];
      a.z = c.z = z;
      float s[3], t[3];
      uv(centre, s[0], t[0]);
      uv(a, s[1], t[1]);
      uv(c, s[2], t[2]);
      if (side) {
        b.Triangle(centre, a, c, s, t, n, n, n);
      } else {
        const float s2[3] = {s[0], s[2], s[1]}, t2[3] = {t[0], t[2], t[1]};
        b.Triangle(centre, c, a, s2, t2, n, n, n);
      }
    }
  }
  for (int i = 0; i < 2 * kPoints; ++i) {
    const P3 a = rim[i], c = rim[(i + 1) % (2 * kPoints)];
    b.Quad({a.x, a.y, kHalfDepth}, {a.x, a.y, -kHalfDepth}, {c.x, c.y, -kHalfDepth}, {c.x, c.y, kHalfDepth},
           {0.1f, 0.1f, 0.2f, 0.2f});
  }
  return b.Save(outDir, "base/objects/3.ms3d");
}

struct BanditBuild {
  int sides;
  float bodyRadius;
  float shoulders;  // top of the body prism
  float top;        // top of the head
};

bool BanditHitMeshes(const std::string& outDir) {
  const BanditBuild builds[4] = {
      {8, 0.8f, 2.95f, 3.75f}, {10, 0.9f, 3.0f, 3.85f}, {12, 0.75f, 2.9f, 3.7f}, {8, 0.95f, 3.05f, 3.9f}};
  for (int k = 0; k < 4; ++k) {
    const BanditBuild& bb = builds[k];
    ModelBuilder b;
    b.Use(b.AddMaterial("bandit", TextureFile(50 + 2 * k), {1.0f, 1.0f, 1.0f}, 5.0f));
    b.Prism({0.0f, 0.0f, 0.0f}, bb.bodyRadius, -0.25f, bb.shoulders, bb.sides, false, {0.0f, 0.0f, 1.0f, 0.8f});
    b.Prism({0.0f, 0.0f, 0.0f}, 0.42f, bb.shoulders, bb.top, bb.sides, false, {0.0f, 0.8f, 1.0f, 1.0f});
    if (!b.Save(outDir, "base/bandits/" + std::to_string(k + 1) + ".ms3d")) return false;
  }
  return true;
}

}  // namespace

bool WritePickups(const std::string& outDir) {
  return AmmunitionCrate(outDir) && FirstAidKit(outDir) && StarBadge(outDir);
}

bool WriteBanditHitMeshes(const std::string& outDir) { return BanditHitMeshes(outDir); }

}  // namespace makebase
