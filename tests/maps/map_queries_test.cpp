// The map model's queries: face list and its sort, the segment test, the collision-model
// builders, the light-map numbering and the light-map reader's fallbacks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/formats/binary_io.h"
#include "engine/formats/ms3d_file.h"
#include "engine/light_map.h"
#include "engine/map_queries.h"
#include "engine/static_model.h"
#include "meshcollide/collision_model_3d.h"

namespace {

// Triangles in the x-y plane at the given depths z (one per depth), each facing +z, all in one
// mesh with material 0; extra meshes can be added by the caller.
Ms3dData Triangles(std::initializer_list<float> depths) {
  Ms3dData m;
  for (float z : depths) {
    const float pos[3][3] = {{-1, -1, z}, {1, -1, z}, {0, 1, z}};
    Ms3dTriangle t;
    for (int k = 0; k < 3; ++k) {
      Ms3dVertex v;
      std::memcpy(v.location, pos[k], sizeof pos[k]);
      t.vertexIndices[k] = static_cast<int>(m.vertices.size());
      t.vertexNormals[k][2] = 1.0f;
      t.s[k] = static_cast<float>(k);
      t.t[k] = 0.5f * k;
      m.vertices.push_back(v);
    }
    m.triangles.push_back(t);
  }
  Ms3dGroup g;
  g.materialIndex = 0;
  for (size_t i = 0; i < m.triangles.size(); ++i) g.triangleIndices.push_back(static_cast<int>(i));
  m.groups.push_back(g);
  m.materials.push_back(Ms3dMaterial{});
  return m;
}

std::unique_ptr<StaticModel> Model(Ms3dData data) {
  auto m = std::make_unique<Ms3dModel>();
  m->SetContents(std::move(data));
  return m;
}

TEST(IntersectSegment, NearestOfTwoHitsWins) {
  auto m = Model(Triangles({-5, -3}));
  Vector3 point(9, 9, 9), normal(9, 9, 9);
  ASSERT_TRUE(m->IntersectSegment(Vector3(0, 0, 0), Vector3(0, 0, -10), point, normal));
  EXPECT_NEAR(point.z, -3.0f, 1e-5f);
  EXPECT_NEAR(std::fabs(normal.z), 1.0f, 1e-5f);
  // From the other side the far one of before is the nearer.
  ASSERT_TRUE(m->IntersectSegment(Vector3(0, 0, -10), Vector3(0, 0, 0), point, normal));
  EXPECT_NEAR(point.z, -5.0f, 1e-5f);
}

TEST(IntersectSegment, MissesLeaveTheOutputsUntouched) {
  auto m = Model(Triangles({-5}));
  Vector3 point(7, 8, 9), normal(1, 2, 3);
  // Ends exactly on the plane: not a crossing.
  EXPECT_FALSE(m->IntersectSegment(Vector3(0, 0, 0), Vector3(0, 0, -5), point, normal));
  // In the triangle's plane.
  EXPECT_FALSE(m->IntersectSegment(Vector3(-3, 0, -5), Vector3(3, 0, -5), point, normal));
  // Crossing the plane outside the triangle.
  EXPECT_FALSE(m->IntersectSegment(Vector3(5, 5, 0), Vector3(5, 5, -10), point, normal));
  EXPECT_EQ(point.x, 7.0f);
  EXPECT_EQ(point.z, 9.0f);
  EXPECT_EQ(normal.x, 1.0f);
  EXPECT_EQ(normal.z, 3.0f);
}

TEST(IntersectSegment, HitsAHundredUnitsAwayAreNotReported) {
  auto m = Model(Triangles({-100}));
  Vector3 point(0, 0, 0), normal(0, 0, 0);
  EXPECT_FALSE(m->IntersectSegment(Vector3(0, 0, 0), Vector3(0, 0, -150), point, normal));
  auto near = Model(Triangles({-99.5f}));
  EXPECT_TRUE(near->IntersectSegment(Vector3(0, 0, 0), Vector3(0, 0, -150), point, normal));
}

TEST(FaceList, CentroidsMaterialsAndCorners) {
  Ms3dData d = Triangles({-5, -3});
  d.groups[0].materialIndex = 0;
  // A second mesh naming a material that does not exist (the reader would clear it; a model
  // filled otherwise may still carry it) and reusing triangle 0.
  Ms3dGroup other;
  other.materialIndex = 5;
  other.triangleIndices = {0};
  d.groups.push_back(other);
  auto m = Model(std::move(d));
  m->meshes[1].materialIndex = 5;
  m->BuildFaceList();
  ASSERT_EQ(m->faces.size(), 3u);
  EXPECT_EQ(m->faces[0].material, 0);
  EXPECT_EQ(m->faces[2].material, -1);
  EXPECT_NEAR(m->faces[0].centroid[0], 0.0f, 1e-6f);
  EXPECT_NEAR(m->faces[0].centroid[1], -1.0f / 3.0f, 1e-6f);
  EXPECT_NEAR(m->faces[1].centroid[2], -3.0f, 1e-6f);
  EXPECT_EQ(m->faces[1].corners[2].s, 2.0f);
  EXPECT_EQ(m->faces[1].corners[2].t, 1.0f);
  EXPECT_EQ(m->faces[1].corners[0].nz, 1.0f);
}

TEST(FaceList, SortLeavesDistancesNonIncreasing) {
  auto m = Model(Triangles({-1, -9, -4, -4, 3, -20, 0}));
  m->BuildFaceList();
  m->SortFacesByDistance(Vec3(0, 0, 0));
  ASSERT_EQ(m->faces.size(), 7u);
  for (size_t i = 1; i < m->faces.size(); ++i) EXPECT_GE(m->faces[i - 1].distance, m->faces[i].distance);
  EXPECT_NEAR(m->faces.front().centroid[2], -20.0f, 1e-6f);
  // An empty face list sorts without touching anything.
  auto empty = Model(Ms3dData{});
  empty->SortFacesByDistance(Vec3(1, 2, 3));
  EXPECT_TRUE(empty->faces.empty());
}

TEST(FaceList, HoldsAtMostItsCapacity) {
  Ms3dData d = Triangles({0});
  d.groups[0].triangleIndices.assign(StaticModel::kMaxFaces + 10, 0);
  auto m = Model(std::move(d));
  m->BuildFaceList();
  EXPECT_EQ(static_cast<int>(m->faces.size()), StaticModel::kMaxFaces);
}

TEST(CollisionBuilders, FillAndFinaliseTheTarget) {
  auto m = Model(Triangles({-5}));
  std::unique_ptr<CollisionModel3D> target(newCollisionModel3D(false));
  mapCollisionModel = target.get();
  m->BuildCollisionMap();
  const float origin[3] = {0, 0, 0}, dir[3] = {0, 0, -1};
  ASSERT_TRUE(target->rayCollision(origin, dir, true, 0, 11));
  float p[3];
  ASSERT_TRUE(target->getCollisionPoint(p, false));
  EXPECT_NEAR(p[2], -5.0f, 1e-5f);
  mapCollisionModel = nullptr;
  m->BuildCollisionMap();  // no target: nothing happens
  m->BuildCollisionBandit5();
}

TEST(LightMapNumbering, MeshOrderWithRepeatsAndTheCapacity) {
  ResetLightMaps();
  Ms3dData d = Triangles({-5, -3});
  Ms3dGroup again;
  again.materialIndex = 0;
  again.triangleIndices = {1, 0};
  d.groups.push_back(again);
  auto m = Model(std::move(d));
  m->ComputeLightMaps(0);
  EXPECT_EQ(lightMapTriangleCount, 4);
  EXPECT_EQ(triangleCorners[2][0][2], -3.0f);  // the second mesh starts with triangle 1
  EXPECT_EQ(triangleCorners[3][0][2], -5.0f);
  // Triangle (-1,-1) (1,-1) (0,1): both base angles acute, C over the middle of AB.
  EXPECT_FLOAT_EQ(lightMapU[3 * 3 + 1], 1.0f);
  EXPECT_NEAR(lightMapU[3 * 3 + 2], 0.5f, 1e-5f);
  EXPECT_FLOAT_EQ(lightMapV[3 * 3 + 2], 1.0f);

  Ms3dData big = Triangles({0});
  big.groups[0].triangleIndices.assign(kLightMapCapacity + 5, 0);
  auto huge = Model(std::move(big));
  huge->ComputeLightMaps(0);
  EXPECT_EQ(lightMapTriangleCount, kLightMapCapacity);
}

TEST(ReadLightMapFallbacks, MissingFilesAndBadNumbersGiveWhite) {
  std::memset(lightMaps, 3, sizeof lightMaps);
  ReadLightMap(0);
  EXPECT_EQ(lightMaps[0][0], 255);
  EXPECT_EQ(lightMaps[kLightMapCapacity - 1][kLightMapBytes - 1], 255);
  std::memset(lightMaps, 3, sizeof lightMaps);
  ReadLightMap(21);
  EXPECT_EQ(lightMaps[17][5], 255);
  // Map 20 exists in no data set: the working directory of the test has no such file.
  std::memset(lightMaps, 3, sizeof lightMaps);
  ReadLightMap(20);
  EXPECT_EQ(lightMaps[0][0], 255);
  EXPECT_EQ(lightMaps[9999][767], 255);
}

TEST(ReadLightMapFallbacks, AShortFileFillsItsEntriesAndLeavesTheRestWhite) {
  // A folder of its own as the working directory, holding base/maps/3/light.map with one and a
  // half entries of the value 300.
  const std::string dir = std::string(DUN_TEST_OUTPUT_DIR) + "/read_light_map";
  ByteWriter w;
  for (int i = 0; i < kLightMapBytes * 3 / 2; ++i) w.U32(300);
  ASSERT_TRUE(WriteWholeFile(dir + "/base/maps/3/light.map", w.bytes(), true));
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  std::memset(lightMaps, 3, sizeof lightMaps);
  ReadLightMap(3);
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_EQ(lightMaps[0][0], 44);
  EXPECT_EQ(lightMaps[0][kLightMapBytes - 1], 44);
  EXPECT_EQ(lightMaps[1][0], 255);  // the entry cut short
  EXPECT_EQ(lightMaps[2][0], 255);
}

// One triangle per model, corners as given, in a mesh with material 0.
std::unique_ptr<StaticModel> OneTriangle(const float corners[3][3]) {
  Ms3dData d = Triangles({0});
  for (int k = 0; k < 3; ++k) std::memcpy(d.vertices[k].location, corners[k], sizeof corners[k]);
  return Model(std::move(d));
}

// Texel (row, column) of light map n.
const uint8_t* Texel(int n, int row, int column) { return &lightMaps[n][48 * row + 3 * column]; }

// The baker by hand. Lamp: one triangle whose centroid is (5.5, 3.5, 20), diffuse (1, 0.5, 0.25).
// Map triangle A (0,0,0), B (16,0,0), C (8,16,0): u runs 16 units along x, v 16 units along y,
// so texel (row 3, column 5) covers (5.5, 3.5, 0), 20 units below the lamp: 0.005 x 400 = 2 and
// the texel is 255 x (1, 0.5, 0.25) / 2 = (127, 63, 31), raised only where that is brighter.
TEST(LightBaker, LampLightOnOneTriangleMatchesTheHandWorkedTexels) {
  ResetLightMaps();
  const float lampCorners[3][3] = {{4.5f, 2.5f, 20}, {6.5f, 2.5f, 20}, {5.5f, 5.5f, 20}};
  auto lamp = OneTriangle(lampCorners);
  lamp->materials[0].diffuse[0] = 1.0f;
  lamp->materials[0].diffuse[1] = 0.5f;
  lamp->materials[0].diffuse[2] = 0.25f;
  lamp->BuildFaceList();
  lamp->CollectLampLights();
  ASSERT_EQ(bakeLightCount, 1);
  EXPECT_FLOAT_EQ(bakeLights[0][0], 5.5f);
  EXPECT_FLOAT_EQ(bakeLights[0][1], 3.5f);
  // A row beyond the count, left by an earlier lamp model, is no light.
  const float stale[6] = {5.5f, 3.5f, 0, 1, 1, 1};
  std::copy_n(stale, 6, bakeLights[1]);

  const float acute[3][3] = {{0, 0, 0}, {16, 0, 0}, {8, 16, 0}};
  auto map = OneTriangle(acute);
  std::memset(lightMaps, 100, sizeof lightMaps);
  map->ComputeLightMaps(1);
  EXPECT_EQ(lightMapTriangleCount, 1);
  EXPECT_NEAR(lightMapU[2], 0.5f, 1e-6f);
  EXPECT_EQ(Texel(0, 3, 5)[0], 127);
  EXPECT_EQ(Texel(0, 3, 5)[1], 100);  // 63 is darker than what was there
  EXPECT_EQ(Texel(0, 3, 5)[2], 100);
  EXPECT_EQ(lightMaps[1][0], 100);  // only the model's own triangle

  // C beyond A (obtuse at A): the map spans from C's foot (-16, 0, 0) to B, u(A) = 0.5, so
  // texel (row 0, column 0) covers (-15, 0.5, 0), not a point measured from A.
  std::memset(lightMaps, 0, sizeof lightMaps);
  bakeLights[0][0] = -15.0f;
  bakeLights[0][1] = 0.5f;
  bakeLights[0][3] = 1.0f;
  const float obtuse[9] = {0, 0, 0, 16, 0, 0, -16, 16, 0};
  BakeTriangleLightMap(obtuse, 0, 0, 0);
  EXPECT_NEAR(lightMapU[0], 0.5f, 1e-5f);
  EXPECT_EQ(Texel(0, 0, 0)[0], 127);
  // A light close enough to pass full brightness stays at full brightness.
  bakeLights[0][2] = 0.0f;
  bakeLights[0][3] = 1.5f;
  BakeTriangleLightMap(obtuse, 0, 0, 0);
  EXPECT_EQ(Texel(0, 0, 0)[0], 255);
  // A triangle without area gets no light (and no not-a-number texels), nor does a light or a
  // triangle number out of range.
  std::memset(lightMaps, 0, sizeof lightMaps);
  const float flat[9] = {0, 0, 0, 16, 0, 0, 32, 0, 0};
  BakeTriangleLightMap(flat, 0, 0, 0);
  BakeTriangleLightMap(obtuse, 0, 1, 0);
  BakeTriangleLightMap(obtuse, 0, 0, kLightMapCapacity);
  EXPECT_EQ(std::count(&lightMaps[0][0], &lightMaps[0][0] + sizeof lightMaps, 0), long(sizeof lightMaps));

  // The baked maps write out in the file layout and read back the same.
  lightMaps[9999][767] = 7;
  lightMaps[0][1] = 200;
  const std::string dir = std::string(DUN_TEST_OUTPUT_DIR) + "/write_light_map";
  ASSERT_TRUE(MakeDirectories(dir + "/base/maps/1"));
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  const bool written = WriteLightMap();
  std::memset(lightMaps, 3, sizeof lightMaps);
  ReadLightMap(1);
  ASSERT_EQ(chdir(cwd), 0);
  ASSERT_TRUE(written);
  EXPECT_EQ(lightMaps[0][1], 200);
  EXPECT_EQ(lightMaps[9999][767], 7);
  EXPECT_EQ(lightMaps[5000][0], 0);
}

TEST(VisibilitySweep, FiveHundredTrianglesACallWithinOneHundredAndFiftyUnits) {
  ResetLightMaps();
  for (auto& corners : triangleCorners)
    for (auto& c : corners) c[0] = 1000.0f;
  triangleCorners[0][2][0] = 149.9f;  // one corner near enough
  triangleCorners[1][0][0] = 150.0f;  // exactly 150 units is not
  triangleCorners[500][0][0] = 0.0f;
  Ms3dModel m;
  m.SweepVisibility(Vec3(0, 0, 0));
  EXPECT_TRUE(triangleVisible[0]);
  EXPECT_FALSE(triangleVisible[1]);
  EXPECT_FALSE(triangleVisible[500]);  // the next call's share
  m.SweepVisibility(Vec3(0, 0, 0));
  EXPECT_TRUE(triangleVisible[500]);
  // Twenty calls cover the capacity and the sweep starts over.
  for (int i = 2; i < 20; ++i) m.SweepVisibility(Vec3(0, 0, 0));
  EXPECT_EQ(visibilitySweepStart, 0);
  triangleCorners[0][2][0] = 1000.0f;
  m.SweepVisibility(Vec3(0, 0, 0));
  EXPECT_FALSE(triangleVisible[0]);
}

}  // namespace
