// The characters the data generator makes: they read back, fit the drawing code's scale, animate
// as the game names them, and their deaths lie still.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/formats/bhm_file.h"
#include "engine/formats/bhm_pose.h"
#include "tools/makebase/characters.h"

namespace {

using makebase::BanditParts;
using makebase::PlayerParts;

const AnimationInfo* Find(const std::vector<AnimationInfo>& list, const std::string& name) {
  for (const AnimationInfo& a : list)
    if (a.name == name) return &a;
  return nullptr;
}

// Twice the signed volume of a closed mesh in one frame; negative when every triangle is
// clockwise seen from outside.
double SignedVolume(const MeshObject& m, int frame) {
  double v = 0;
  for (const MeshFace& f : m.faces) {
    const BhmVec3& a = m.vertices[static_cast<size_t>(frame) * m.numOfVerts + f.vertIndex[0]];
    const BhmVec3& b = m.vertices[static_cast<size_t>(frame) * m.numOfVerts + f.vertIndex[1]];
    const BhmVec3& c = m.vertices[static_cast<size_t>(frame) * m.numOfVerts + f.vertIndex[2]];
    v += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
         double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
  }
  return v / 6.0;
}

double LowestZ(const MeshObject& m, int frame) {
  double lo = 1e9;
  for (int v = 0; v < m.numOfVerts; ++v) lo = std::min<double>(lo, m.vertices[static_cast<size_t>(frame) * m.numOfVerts + v].z);
  return lo;
}

void ExpectPartSound(const ModelPart& part) {
  ModelPart back;
  ASSERT_TRUE(ParseBhm(SerializeBhm(part, "x"), back));
  EXPECT_EQ(back.numOfFrames, part.numOfFrames);
  for (const MeshObject& m : part.objects) {
    EXPECT_EQ(m.numOfFrames, part.numOfFrames);
    for (const BhmVec3& v : m.vertices) {
      EXPECT_LT(std::fabs(v.x), 511.0f);
      EXPECT_LT(std::fabs(v.y), 511.0f);
      EXPECT_LT(std::fabs(v.z), 511.0f);
    }
    EXPECT_LT(SignedVolume(m, 0), 0.0) << m.name;
  }
}

// The death animation: a fall, then at least 4.5 s of identical frames, 5 s or more in all.
void ExpectDeathLiesStill(const MeshObject& m, const AnimationInfo& a, bool liesDown = true) {
  ASSERT_GT(a.framesPerSecond, 0);
  const int frames = a.endFrame - a.startFrame;
  EXPECT_GE(frames * 1000 / a.framesPerSecond, 5000) << a.name;
  const int last = a.endFrame - 1;
  const int stillFrom = last - a.framesPerSecond * 45 / 10;
  for (int f = stillFrom; f < last; ++f)
    for (int v = 0; v < m.numOfVerts; ++v) {
      const BhmVec3& p = m.vertices[static_cast<size_t>(f) * m.numOfVerts + v];
      const BhmVec3& q = m.vertices[static_cast<size_t>(last) * m.numOfVerts + v];
      ASSERT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z) << a.name << " frame " << f;
    }
  if (!liesDown) return;
  // Lying down: the figure is much lower at the end than at the start.
  double topStart = -1e9, topEnd = -1e9;
  for (int v = 0; v < m.numOfVerts; ++v) {
    topStart = std::max<double>(topStart, m.vertices[static_cast<size_t>(a.startFrame) * m.numOfVerts + v].z);
    topEnd = std::max<double>(topEnd, m.vertices[static_cast<size_t>(last) * m.numOfVerts + v].z);
  }
  EXPECT_LT(topEnd - LowestZ(m, last), 0.5 * (topStart - LowestZ(m, a.startFrame))) << a.name;
}

TEST(GeneratedCharacters, PlayerPartsTagsAndAnimations) {
  PlayerParts p;
  makebase::BuildPlayer(p);
  ExpectPartSound(p.lower);
  ExpectPartSound(p.upper);
  ExpectPartSound(p.head);
  for (const ModelPart& w : p.weapons) ExpectPartSound(w);

  ASSERT_EQ(p.lower.numOfTags, 1);
  EXPECT_EQ(p.lower.tags[0].name, "tag_torso");
  ASSERT_EQ(p.upper.numOfTags, 2);
  EXPECT_EQ(p.upper.tags[0].name, "tag_weapon");
  EXPECT_EQ(p.upper.tags[1].name, "tag_head");
  EXPECT_EQ(p.head.numOfTags, 0);

  // Animation file: three torso lines first, at most eight lines, every frame inside its part.
  std::vector<AnimationInfo> upper, lower;
  ParseAnimationConfig(p.animationConfig, upper, lower);
  for (const char* n : {"TORSO_1", "TORSO_2", "TORSO_3"}) EXPECT_NE(Find(upper, n), nullptr) << n;
  for (const char* n : {"LEGS_1", "LEGS_2", "LEGS_3", "LEGS_5"}) EXPECT_NE(Find(lower, n), nullptr) << n;
  EXPECT_LE(upper.size() + lower.size(), 8u);
  EXPECT_EQ(lower.front().startFrame, 0);
  for (const AnimationInfo& a : upper) EXPECT_LE(a.endFrame, p.upper.numOfFrames);
  for (const AnimationInfo& a : lower) EXPECT_LE(a.endFrame, p.lower.numOfFrames);
  EXPECT_EQ(lower.back().endFrame, p.lower.numOfFrames);
  EXPECT_EQ(upper.back().endFrame, p.upper.numOfFrames);

  // Standing and running frames keep a foot on the ground, 1.55 world units under the origin.
  const MeshObject& legs = p.lower.objects[0];
  const AnimationInfo* run = Find(lower, "LEGS_2");
  for (int f = 0; f < run->endFrame; ++f) EXPECT_NEAR(LowestZ(legs, f), makebase::kPlayerFeetZ, 0.05) << f;
  ExpectDeathLiesStill(legs, *Find(lower, "LEGS_5"));
  ExpectDeathLiesStill(p.upper.objects[0], *Find(upper, "TORSO_3"), false);
  // The run moves the legs from frame to frame.
  double moved = 0;
  for (int v = 0; v < legs.numOfVerts; ++v) {
    const BhmVec3& a = legs.vertices[static_cast<size_t>(run->startFrame) * legs.numOfVerts + v];
    const BhmVec3& b = legs.vertices[static_cast<size_t>(run->startFrame + 5) * legs.numOfVerts + v];
    moved = std::max(moved, std::hypot(double(a.x) - b.x, double(a.z) - b.z));
  }
  EXPECT_GT(moved, 10.0);
}

TEST(GeneratedCharacters, PlayerHitMeshStandsWhereTheFigureIsDrawn) {
  PlayerParts p;
  makebase::BuildPlayer(p);
  const makebase::HitMesh& hit = p.hitMesh;
  ASSERT_FALSE(hit.triangles.empty());
  ASSERT_EQ(hit.texCoords.size(), hit.vertices.size());
  double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
  for (const BhmVec3& v : hit.vertices) {
    const double c[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
  }
  EXPECT_NEAR(lo[1], -1.55, 0.01);  // feet on the floor under the body sphere
  EXPECT_GT(hi[1], 2.0);            // the head above the eye height (centre + 2.5)
  EXPECT_LT(hi[1], 2.6);
  EXPECT_LT(hi[0] - lo[0], 2.0);  // about a shoulder's width across
  EXPECT_GT(hi[2], 0.5);          // the arms and gun reach forward (+Z)
  // Counter-clockwise seen from outside: positive signed volume.
  double volume = 0;
  for (const auto& t : hit.triangles) {
    const BhmVec3 &a = hit.vertices[t[0]], &b = hit.vertices[t[1]], &c = hit.vertices[t[2]];
    volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
              double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
  }
  EXPECT_GT(volume, 0.0);

  // As a static model file it reads back whole, with the player skin as its texture.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(WriteMs3d(makebase::HitMeshModel(hit), bytes));
  Ms3dData model;
  ASSERT_TRUE(ParseMs3d(bytes, model));
  EXPECT_EQ(model.vertices.size(), hit.vertices.size());
  EXPECT_EQ(model.triangles.size(), hit.triangles.size());
  ASSERT_EQ(model.groups.size(), 1u);
  EXPECT_EQ(model.groups[0].triangleIndices.size(), hit.triangles.size());
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_EQ(model.materials[0].textureFile, "base/textures/tex08.bmp");
  EXPECT_FLOAT_EQ(model.vertices[5].location[1], hit.vertices[5].y);
}

TEST(GeneratedCharacters, BanditsDifferAndCarryTheirGunsToTheFlash) {
  double heights[4];
  for (int k = 1; k <= 4; ++k) {
    BanditParts b;
    makebase::BuildBandit(k, b);
    ExpectPartSound(b.lower);
    EXPECT_EQ(b.lower.numOfTags, 0);
    std::vector<AnimationInfo> upper, lower;
    ParseAnimationConfig(b.animationConfig, upper, lower);
    EXPECT_EQ(upper.size(), 3u);
    ASSERT_EQ(lower.size(), 3u);
    EXPECT_EQ(lower[0].name, "LEGS_1");
    EXPECT_EQ(lower[0].startFrame, 0);
    const MeshObject& m = b.lower.objects[0];
    ExpectDeathLiesStill(m, lower[1]);
    ExpectDeathLiesStill(m, lower[2]);
    EXPECT_EQ(lower[2].endFrame, b.lower.numOfFrames);
    double top = -1e9;
    for (int v = 0; v < m.numOfVerts; ++v) top = std::max<double>(top, m.vertices[v].z);
    heights[k - 1] = top - LowestZ(m, 0);
    // Every frame rests on the floor: nothing sinks under it, nothing floats.
    for (int f = 0; f < b.lower.numOfFrames; ++f) EXPECT_NEAR(LowestZ(m, f), makebase::kBanditFeetZ, 0.05) << f;
    // Something (the muzzle) lies close to where the drawing puts the flash.
    double best = 1e9;
    for (int v = 0; v < m.numOfVerts; ++v) {
      const BhmVec3& p = m.vertices[v];
      best = std::min(best, std::hypot(p.x - 1.6 * 16.5, p.y + 0.4 * 16.5, p.z - 2.8 * 16.5));
    }
    EXPECT_LT(best, 3.0) << "bandit " << k;
  }
  // Built differently: the tallest and the shortest differ by a tenth or more.
  const auto [lo, hi] = std::minmax_element(heights, heights + 4);
  EXPECT_GT(*hi, *lo * 1.1);
}

TEST(GeneratedCharacters, GenerationIsDeterministic) {
  BanditParts a, b;
  makebase::BuildBandit(3, a);
  makebase::BuildBandit(3, b);
  EXPECT_EQ(SerializeBhm(a.lower, "3"), SerializeBhm(b.lower, "3"));
  EXPECT_EQ(a.animationConfig, b.animationConfig);
}

}  // namespace
