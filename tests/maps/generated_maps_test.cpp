// Checks over the generated maps, written by the generator's own map writer into the test's
// folder: geometry limits and shape, lamps, light maps, and spawn and pick-up points that stand
// on reachable floor.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/formats/lightmap_file.h"
#include "engine/formats/ms3d_file.h"
#include "math/vec3_inline.h"
#include "meshcollide/collision_model_3d.h"
#include "tools/makebase/maps_textures.h"
#include "tools/makebase/maps_write.h"
#include "map_start_points.h"

namespace {

// Each test writes its map into a folder of its own, so that tests run in parallel processes
// never share files.
std::string OutDir() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return std::string(DUN_TEST_OUTPUT_DIR) + "/generated_maps/" + name;
}

std::string MapFile(int map, const std::string& name) {
  return OutDir() + "/base/maps/" + std::to_string(map) + "/" + name;
}

bool ReadPoints(const std::string& path, std::vector<PointRow>& rows) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  rows = ParsePointTable(bytes, 1000);
  return bytes.size() == 4 + rows.size() * 16;
}

Vec3 Corner(const Ms3dData& m, const Ms3dTriangle& t, int k) {
  const float* p = m.vertices[t.vertexIndices[k]].location;
  return Vec3(p[0], p[1], p[2]);
}

class GeneratedMap : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(makebase::WriteMapTextures(OutDir()));
    ASSERT_TRUE(makebase::WriteMap(OutDir(), GetParam()));
    ASSERT_TRUE(LoadMs3dFile(MapFile(GetParam(), "map.ms3d"), model_));
    collide_.reset(newCollisionModel3D(true));
    for (const Ms3dTriangle& t : model_.triangles) {
      const Vec3 a = Corner(model_, t, 0), b = Corner(model_, t, 1), c = Corner(model_, t, 2);
      collide_->addTriangle(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z);
    }
    collide_->finalize();
  }

  // Casts a ray; gives the distance and the counter-clockwise normal of the triangle hit.
  bool Cast(const Vec3& from, const Vec3& dir, float range, float& dist, Vec3& normal) {
    const float o[3] = {from.x, from.y, from.z}, d[3] = {dir.x, dir.y, dir.z};
    if (!collide_->rayCollision(o, d, true, 0.0f, range)) return false;
    float tri[9], other[9], p[3];
    collide_->getCollidingTriangles(tri, other, false);
    collide_->getCollisionPoint(p, false);
    normal = Vec3Cross(Vec3(tri[3] - tri[0], tri[4] - tri[1], tri[5] - tri[2]),
                       Vec3(tri[6] - tri[0], tri[7] - tri[1], tri[8] - tri[2]));
    normal.Normalize();
    dist = (Vec3(p[0], p[1], p[2]) - from).Length();
    return true;
  }

  // The height of the floor under a point: a downward ray within 11 units meets a surface that
  // faces up. False when there is none.
  bool FloorUnder(const Vec3& p, float& height) {
    float d;
    Vec3 n;
    if (!Cast(p, Vec3(0, -1, 0), 11.0f, d, n) || n.y < 0.7f) return false;
    height = p.y - d;
    return true;
  }

  Ms3dData model_;
  std::unique_ptr<CollisionModel3D> collide_;
};

TEST_P(GeneratedMap, GeometryWithinLimitsAndWellShaped) {
  const size_t n = model_.triangles.size();
  EXPECT_GE(n, 1000u);
  EXPECT_LE(n, 3000u);
  for (const Ms3dGroup& g : model_.groups) {
    ASSERT_GE(g.materialIndex, 0);
    ASSERT_LT(g.materialIndex, static_cast<int>(model_.materials.size()));
    const std::string& tex = model_.materials[g.materialIndex].textureFile;
    ASSERT_FALSE(tex.empty());
    EXPECT_EQ(tex.find('\\'), std::string::npos);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(OutDir() + "/" + tex, bytes)) << tex;
    EXPECT_GT(model_.materials[g.materialIndex].transparency, 0.4f);
  }
  int slivers = 0;
  for (const Ms3dTriangle& t : model_.triangles) {
    const Vec3 p[3] = {Corner(model_, t, 0), Corner(model_, t, 1), Corner(model_, t, 2)};
    for (const Vec3& q : p) {
      ASSERT_LT(std::fabs(q.x), 5000.0f);
      ASSERT_LT(std::fabs(q.z), 5000.0f);
    }
    // The smallest angle of the triangle.
    float smallest = 180.0f;
    for (int k = 0; k < 3; ++k) {
      Vec3 e1 = p[(k + 1) % 3] - p[k], e2 = p[(k + 2) % 3] - p[k];
      const float c = e1.Dot(e2) / (e1.Length() * e2.Length());
      smallest = std::min(smallest, std::acos(std::clamp(c, -1.0f, 1.0f)) * 57.29578f);
    }
    if (!(smallest >= 10.0f)) ++slivers;
    // The stored normal agrees with the counter-clockwise winding.
    const Vec3 face = Vec3Cross(p[1] - p[0], p[2] - p[0]);
    const Vec3 stored(t.vertexNormals[0][0], t.vertexNormals[0][1], t.vertexNormals[0][2]);
    EXPECT_GT(face.Dot(stored), 0.0f);
  }
  EXPECT_EQ(slivers, 0);
}

TEST_P(GeneratedMap, LampsAndLightMaps) {
  Ms3dData lamps;
  ASSERT_TRUE(LoadMs3dFile(MapFile(GetParam(), "light.ms3d"), lamps));
  EXPECT_GE(lamps.triangles.size(), 4u);
  EXPECT_LE(lamps.triangles.size(), 100u);
  for (const Ms3dGroup& g : lamps.groups) {
    ASSERT_GE(g.materialIndex, 0);
    const Ms3dMaterial& m = lamps.materials[g.materialIndex];
    EXPECT_GT(m.diffuse[0] + m.diffuse[1] + m.diffuse[2], 1.0f);
    EXPECT_GT(m.emissive[0] * 0.7f, 0.2f);  // the halo size
    EXPECT_LT(m.emissive[0] * 0.7f, 2.0f);
  }
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(MapFile(GetParam(), "light.map"), bytes, size_t(40) << 20));
  ASSERT_EQ(bytes.size(), model_.triangles.size() * kLightMapFileEntryBytes);
  // Every component is a byte value; lit and shaded texels both occur.
  std::vector<uint8_t> maps(model_.triangles.size() * kLightMapBytes);
  ASSERT_EQ(DecodeLightMap(bytes.data(), bytes.size(), maps.data(), static_cast<int>(model_.triangles.size())),
            static_cast<int>(model_.triangles.size()));
  ByteReader r(bytes);
  while (r.remaining()) ASSERT_LT(r.U32(), 256u);
  int bright = 0, dark = 0;
  for (size_t i = 0; i < maps.size(); i += 3) {
    const int sum = maps[i] + maps[i + 1] + maps[i + 2];
    bright += sum > 450;
    dark += sum < 200;
  }
  EXPECT_GT(bright, 1000);
  EXPECT_GT(dark, 1000);
}

TEST_P(GeneratedMap, PointsStandOnFloorReachableFromTheStart) {
  const int map = GetParam();
  std::vector<PointRow> spawns, prizes;
  ASSERT_TRUE(ReadPoints(MapFile(map, "points/mon.ai"), spawns));
  ASSERT_TRUE(ReadPoints(MapFile(map, "points/prize.ai"), prizes));
  EXPECT_GE(spawns.size(), 10u);
  EXPECT_LE(spawns.size(), 30u);
  EXPECT_GE(prizes.size(), 1u);
  EXPECT_LE(prizes.size(), 200u);
  int ammo = 0;
  for (const PointRow& p : prizes) {
    EXPECT_GE(p.value, 0);
    EXPECT_LE(p.value, 2);
    ammo += p.value == 0;
  }
  EXPECT_GT(ammo * 2, static_cast<int>(prizes.size()));

  const Vec3 start = StartPoint(map);
  float h;
  ASSERT_TRUE(FloorUnder(start, h));
  EXPECT_GE(start.y - h, 1.25f);
  // The second player of a LAN match starts 5 units along x; a joining client at the default
  // start point.
  for (const Vec3& other : {start + Vec3(5, 0, 0), Vec3(-70, 3, -107), Vec3(-65, 3, -107)}) {
    ASSERT_TRUE(FloorUnder(other, h)) << other.x << "," << other.z;
    EXPECT_GE(other.y - h, 1.25f);
  }
  for (const PointRow& s : spawns) {
    ASSERT_TRUE(FloorUnder(Vec3(float(s.x), float(s.y), float(s.z)), h)) << s.x << "," << s.z;
    EXPECT_GE(s.y - h, 1.25f);
  }
  for (const PointRow& p : prizes) {
    ASSERT_TRUE(FloorUnder(Vec3(float(p.x), float(p.y), float(p.z)), h)) << p.x << "," << p.z;
    EXPECT_NEAR(p.y - h, 1.0f, 0.5f);
  }

  // Flood fill over a one-unit grid from the start: a cell is floor when a downward ray from
  // just above the start's level range meets an upward face; neighbours join when the step is
  // small and nothing blocks the way at waist height.
  // The grid covers the start's surroundings as far as any map reaches.
  constexpr int kHalf = 260;
  const int cx = static_cast<int>(std::lround(start.x)), cz = static_cast<int>(std::lround(start.z));
  const int side = 2 * kHalf + 1;
  std::vector<float> floor(size_t(side) * side, NAN);
  auto at = [&](int i, int j) { return size_t(j) * side + i; };
  auto floorAt = [&](int i, int j) {
    float& f = floor[at(i, j)];
    if (!std::isnan(f)) return f;
    f = -1e9f;
    float d;
    Vec3 n;
    const Vec3 from(float(cx - kHalf + i), 9.5f, float(cz - kHalf + j));
    if (Cast(from, Vec3(0, -1, 0), 20.0f, d, n) && n.y > 0.7f) f = from.y - d;
    return f;
  };
  std::vector<char> seen(floor.size(), 0);
  std::deque<std::pair<int, int>> queue{{kHalf, kHalf}};
  seen[at(kHalf, kHalf)] = 1;
  ASSERT_GT(floorAt(kHalf, kHalf), -1e8f);
  while (!queue.empty()) {
    const auto [i, j] = queue.front();
    queue.pop_front();
    const float hi = floorAt(i, j);
    const int di[4] = {1, -1, 0, 0}, dj[4] = {0, 0, 1, -1};
    for (int k = 0; k < 4; ++k) {
      const int ni = i + di[k], nj = j + dj[k];
      if (ni < 0 || nj < 0 || ni >= side || nj >= side || seen[at(ni, nj)]) continue;
      const float hn = floorAt(ni, nj);
      if (hn < -1e8f || std::fabs(hn - hi) > 0.6f) continue;
      float d;
      Vec3 n;
      const Vec3 from(float(cx - kHalf + i), std::max(hi, hn) + 1.25f, float(cz - kHalf + j));
      if (Cast(from, Vec3(float(di[k]), 0, float(dj[k])), 1.0f, d, n)) continue;
      seen[at(ni, nj)] = 1;
      queue.emplace_back(ni, nj);
    }
  }
  for (const PointRow& s : spawns) {
    const int i = s.x - cx + kHalf, j = s.z - cz + kHalf;
    ASSERT_TRUE(i >= 0 && j >= 0 && i < side && j < side);
    EXPECT_TRUE(seen[at(i, j)]) << "spawn point " << s.x << "," << s.y << "," << s.z << " not reachable";
  }
}

INSTANTIATE_TEST_SUITE_P(AllMaps, GeneratedMap, ::testing::Range(1, 11));

}  // namespace
