#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "meshcollide/collision_model_3d.h"
#include "meshcollide/mesh_bvh.h"

namespace {

using meshcollide::MeshBvh;
using meshcollide::RayHit;

std::unique_ptr<CollisionModel3D> MakeModel(const std::vector<float>& corners) {
  std::unique_ptr<CollisionModel3D> m(newCollisionModel3D(false));
  for (size_t i = 0; i + 9 <= corners.size(); i += 9) {
    const float* c = &corners[i];
    m->addTriangle(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
  }
  m->finalize();
  return m;
}

// Random triangles of mixed sizes scattered through a cube.
std::vector<float> RandomSoup(std::mt19937& rng, int count, float size) {
  std::uniform_real_distribution<float> pos(-size, size), edge(-1.0f, 1.0f), scale(0.01f, 1.0f);
  std::vector<float> c;
  for (int i = 0; i < count; ++i) {
    const float cx = pos(rng), cy = pos(rng), cz = pos(rng);
    const float s = scale(rng) * scale(rng) * size * 0.3f;
    for (int k = 0; k < 3; ++k) c.insert(c.end(), {cx + s * edge(rng), cy + s * edge(rng), cz + s * edge(rng)});
  }
  return c;
}

// A closed box room of n x n quads per face (two triangles each): shared edges and corners,
// axis-aligned faces, flat node boxes.
std::vector<float> GridRoom(int n, float half) {
  std::vector<float> c;
  auto quad = [&c](const float p[4][3]) {
    c.insert(c.end(), {p[0][0], p[0][1], p[0][2], p[1][0], p[1][1], p[1][2], p[2][0], p[2][1], p[2][2]});
    c.insert(c.end(), {p[0][0], p[0][1], p[0][2], p[2][0], p[2][1], p[2][2], p[3][0], p[3][1], p[3][2]});
  };
  const float step = 2.0f * half / n;
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const float w = side ? half : -half;
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
          const float a0 = -half + i * step, a1 = a0 + step, b0 = -half + j * step, b1 = b0 + step;
          float p[4][3];
          const float uv[4][2] = {{a0, b0}, {a1, b0}, {a1, b1}, {a0, b1}};
          for (int k = 0; k < 4; ++k) {
            p[k][axis] = w;
            p[k][(axis + 1) % 3] = uv[k][0];
            p[k][(axis + 2) % 3] = uv[k][1];
          }
          quad(p);
        }
      }
    }
  }
  return c;
}

// Whether p lies on the triangle (in its plane, inside its edges), checked in double precision
// independently of the library's ray test.
bool PointOnTriangle(const float* c, const float p[3], double tolerance) {
  double e1[3], e2[3], w[3];
  for (int a = 0; a < 3; ++a) {
    e1[a] = double(c[3 + a]) - c[a];
    e2[a] = double(c[6 + a]) - c[a];
    w[a] = double(p[a]) - c[a];
  }
  const double d11 = e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2];
  const double d12 = e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2];
  const double d22 = e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2];
  const double w1 = w[0] * e1[0] + w[1] * e1[1] + w[2] * e1[2];
  const double w2 = w[0] * e2[0] + w[1] * e2[1] + w[2] * e2[2];
  const double den = d11 * d22 - d12 * d12;
  if (den <= 0.0) return false;
  const double u = (d22 * w1 - d12 * w2) / den, v = (d11 * w2 - d12 * w1) / den;
  double off = 0.0;
  for (int a = 0; a < 3; ++a) {
    const double q = w[a] - u * e1[a] - v * e2[a];
    off += q * q;
  }
  return u >= -tolerance && v >= -tolerance && u + v <= 1.0 + tolerance && std::sqrt(off) <= tolerance * 10.0;
}

struct AgreementStats {
  int hits = 0;
  int rays = 0;
};

// Casts random rays through the tree and the plain scan and requires the same answer.
void CheckAgreement(const std::vector<float>& corners, std::mt19937& rng, int rays, float spread, bool axisRays,
                    AgreementStats& stats) {
  MeshBvh bvh;
  bvh.Build(corners);
  ASSERT_FALSE(bvh.Empty());
  EXPECT_LE(bvh.Depth(), 100);
  auto model = MakeModel(corners);
  std::uniform_real_distribution<float> pos(-spread, spread), dir(-1.0f, 1.0f), seg(0.0f, 2.0f * spread);
  std::uniform_int_distribution<int> pick(0, 5);
  for (int i = 0; i < rays; ++i) {
    float o[3] = {pos(rng), pos(rng), pos(rng)};
    float d[3] = {dir(rng), dir(rng), dir(rng)};
    if (axisRays && i % 3 == 0) {
      const int axis = pick(rng) % 3;
      d[0] = d[1] = d[2] = 0.0f;
      d[axis] = pick(rng) < 3 ? 1.0f : -1.0f;
    }
    if (d[0] == 0.0f && d[1] == 0.0f && d[2] == 0.0f) d[1] = 1.0f;
    float segmin = 0.0f, segmax = std::numeric_limits<float>::max();
    if (i % 4 == 1) {
      segmin = seg(rng);
      segmax = segmin + seg(rng);
    }
    RayHit tree, brute;
    const bool treeHit = bvh.Raycast(o, d, true, segmin, segmax, tree);
    const bool bruteHit = bvh.RaycastBruteForce(o, d, true, segmin, segmax, brute);
    ++stats.rays;
    ASSERT_EQ(treeHit, bruteHit) << "ray " << i;
    if (!treeHit) {
      EXPECT_FALSE(model->rayCollision(o, d, true, segmin, segmax));
      RayHit any;
      EXPECT_FALSE(bvh.Raycast(o, d, false, segmin, segmax, any));
      continue;
    }
    ++stats.hits;
    ASSERT_EQ(tree.t, brute.t) << "ray " << i;
    ASSERT_EQ(tree.triangle, brute.triangle) << "ray " << i;
    EXPECT_GE(tree.t, segmin);
    EXPECT_LE(tree.t, segmax);

    // The public model reports the same triangle and point.
    ASSERT_TRUE(model->rayCollision(o, d, true, segmin, segmax));
    float point[3], t1[9], t2[9];
    ASSERT_TRUE(model->getCollisionPoint(point, false));
    ASSERT_TRUE(model->getCollidingTriangles(t1, t2, false));
    const float* c = &corners[size_t(tree.triangle) * 9];
    for (int k = 0; k < 9; ++k) ASSERT_EQ(t1[k], c[k]);
    for (int a = 0; a < 3; ++a) ASSERT_EQ(point[a], o[a] + tree.t * d[a]);
    EXPECT_TRUE(PointOnTriangle(c, point, 1e-3)) << "ray " << i;

    // Without `closest` any hit in the range will do, but it must be a real one.
    RayHit any;
    ASSERT_TRUE(bvh.Raycast(o, d, false, segmin, segmax, any));
    EXPECT_GE(any.t, segmin);
    EXPECT_LE(any.t, segmax);
    EXPECT_GE(any.t, tree.t);
  }
}

TEST(MeshCollideAgreement, TreeAndScanAgreeOnRandomSoups) {
  std::mt19937 rng(1234);
  AgreementStats stats;
  for (int mesh = 0; mesh < 6; ++mesh) {
    const int count = 50 + mesh * 700;
    const auto corners = RandomSoup(rng, count, 10.0f);
    CheckAgreement(corners, rng, 1500, 14.0f, mesh % 2 == 1, stats);
  }
  EXPECT_EQ(stats.rays, 9000);
  EXPECT_GT(stats.hits, 1000);  // the comparison is not vacuous
}

TEST(MeshCollideAgreement, TreeAndScanAgreeInsideAGridRoom) {
  std::mt19937 rng(99);
  AgreementStats stats;
  CheckAgreement(GridRoom(12, 20.0f), rng, 4000, 19.0f, true, stats);
  // From inside a closed room every ray with an open range meets a wall.
  EXPECT_GT(stats.hits, 2500);
}

TEST(MeshCollideAgreement, CoincidentAndHugeTrianglesStillBuildABoundedTree) {
  std::vector<float> same;
  for (int i = 0; i < 3000; ++i) same.insert(same.end(), {0, 0, 0, 1, 0, 0, 0, 1, 0});
  MeshBvh bvh;
  bvh.Build(same);
  EXPECT_LE(bvh.Depth(), 20);
  const float o[3] = {0.25f, 0.25f, 5.0f}, d[3] = {0.0f, 0.0f, -1.0f};
  RayHit hit;
  ASSERT_TRUE(bvh.Raycast(o, d, true, 0.0f, 100.0f, hit));
  EXPECT_EQ(hit.triangle, 0);  // equal distances go to the first triangle added
  EXPECT_FLOAT_EQ(hit.t, 5.0f);

  std::vector<float> huge = {-1e18f, 0, -1e18f, 1e18f, 0, -1e18f, 0, 0, 1e18f,
                             std::nanf(""), 0, 0, 1, 1, 1, 2, 2, 2};
  MeshBvh big;
  big.Build(huge);
  const float down[3] = {0.0f, -1.0f, 0.0f}, above[3] = {1.0f, 10.0f, 1.0f};
  ASSERT_TRUE(big.Raycast(above, down, true, 0.0f, 100.0f, hit));
  EXPECT_EQ(hit.triangle, 0);
}

TEST(MeshCollide, RaysThroughSharedEdgesNeverSlipThrough) {
  // One face of a grid room: quads split along their diagonals, seen from far away at a slant.
  const auto corners = GridRoom(10, 7.3f);
  auto m = MakeModel(corners);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> along(0.0f, 1.0f), spread(-60.0f, 60.0f);
  std::uniform_int_distribution<int> pickTriangle(0, static_cast<int>(corners.size() / 9) - 1);
  int misses = 0, tried = 0;
  for (int i = 0; i < 3000; ++i) {
    // A point on an edge of a random triangle (every edge inside a wall is shared), aimed at from
    // a random far point outside the room.
    const float* c = &corners[size_t(pickTriangle(rng)) * 9];
    const int e = i % 3;
    const float* a = c + 3 * e;
    const float* b = c + 3 * ((e + 1) % 3);
    const float f = along(rng);
    const float target[3] = {a[0] + f * (b[0] - a[0]), a[1] + f * (b[1] - a[1]), a[2] + f * (b[2] - a[2])};
    // The room's own corners and edges are a silhouette where a ray may rightly pass by.
    int onWalls = 0;
    for (float x : target) onWalls += std::fabs(std::fabs(x) - 7.3f) < 0.01f;
    if (onWalls > 1) continue;
    ++tried;
    float from[3] = {spread(rng), spread(rng), spread(rng)};
    from[i % 3] = (i & 4) ? 80.0f : -80.0f;
    float dir[3] = {target[0] - from[0], target[1] - from[1], target[2] - from[2]};
    const float len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    for (float& x : dir) x /= len;
    if (!m->rayCollision(from, dir, true, 0.0f, 1000.0f)) ++misses;
  }
  EXPECT_EQ(misses, 0);
  EXPECT_GT(tried, 2000);
}

TEST(MeshCollide, BothSidesOfATriangleAreHit) {
  auto m = MakeModel({-1, -1, 0, 1, -1, 0, 0, 1, 0});
  const float front[3] = {0, 0, 3}, back[3] = {0, 0, -3};
  const float toBack[3] = {0, 0, -1}, toFront[3] = {0, 0, 1};
  float p[3];
  ASSERT_TRUE(m->rayCollision(front, toBack, true, 0.0f, 10.0f));
  ASSERT_TRUE(m->getCollisionPoint(p, true));
  EXPECT_FLOAT_EQ(p[2], 0.0f);
  ASSERT_TRUE(m->rayCollision(back, toFront, true, 0.0f, 10.0f));
  // Pointing away finds nothing: the range starts at the origin.
  EXPECT_FALSE(m->rayCollision(front, toFront, true, 0.0f, 10.0f));
}

TEST(MeshCollide, SegmentBoundsAreInclusive) {
  auto m = MakeModel({-1, -1, -5, 1, -1, -5, 0, 1, -5});
  const float o[3] = {0, 0, 0}, d[3] = {0, 0, -1};
  EXPECT_TRUE(m->rayCollision(o, d, true, 0.0f, 5.0f));
  EXPECT_FALSE(m->rayCollision(o, d, true, 0.0f, 4.999f));
  EXPECT_TRUE(m->rayCollision(o, d, true, 5.0f, 5.0f));
  EXPECT_FALSE(m->rayCollision(o, d, true, 5.001f, 9.0f));
  // Corners and edges belong to the triangle.
  const float corner[3] = {-1, -1, 0}, edge[3] = {0, -1, 0};
  EXPECT_TRUE(m->rayCollision(corner, d, true, 0.0f, 10.0f));
  EXPECT_TRUE(m->rayCollision(edge, d, true, 0.0f, 10.0f));
}

TEST(MeshCollide, ClosestPicksTheNearestAndTiesGoToTheFirstAdded) {
  // Three parallel triangles at z = -2, -6 and -2 again (a duplicate of the first, added last).
  auto m = MakeModel({-1, -1, -6, 1, -1, -6, 0, 1, -6,
                      -1, -1, -2, 1, -1, -2, 0, 1, -2,
                      -1, -1, -2, 1, -1, -2, 0, 1, -2});
  const float o[3] = {0, 0, 0}, d[3] = {0, 0, -1};
  float p[3], t1[9], t2[9];
  ASSERT_TRUE(m->rayCollision(o, d, true, 0.0f, 100.0f));
  ASSERT_TRUE(m->getCollisionPoint(p, false));
  EXPECT_FLOAT_EQ(p[2], -2.0f);
  ASSERT_TRUE(m->getCollidingTriangles(t1, t2, true));
  EXPECT_EQ(t1[2], -2.0f);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(t2[k], 0.0f);
  // Starting the range beyond the near pair leaves the far triangle.
  ASSERT_TRUE(m->rayCollision(o, d, true, 3.0f, 100.0f));
  ASSERT_TRUE(m->getCollisionPoint(p, true));
  EXPECT_FLOAT_EQ(p[2], -6.0f);
}

TEST(MeshCollide, RotationAboutTheVerticalAndTranslationGiveWorldResults) {
  // A triangle in the model's z = -1 plane, facing the model's +z.
  auto m = MakeModel({0, 0, -1, 1, 0, -1, 0, 1, -1});
  // Rotate 90 degrees about +y (model -z becomes world -x), then move by (10, 2, 3).
  const float matrix[16] = {0, 0, -1, 0,  0, 1, 0, 0,  1, 0, 0, 0,  10, 2, 3, 1};
  m->setTransform(matrix);
  // The model point (0.25, 0.25, -1) lies at world (10 - 1, 2.25, 3 - 0.25) = (9, 2.25, 2.75).
  const float o[3] = {20.0f, 2.25f, 2.75f}, d[3] = {-1.0f, 0.0f, 0.0f};
  ASSERT_TRUE(m->rayCollision(o, d, true, 0.0f, 90.0f));
  float p[3];
  ASSERT_TRUE(m->getCollisionPoint(p, false));
  EXPECT_NEAR(p[0], 9.0f, 1e-5);
  EXPECT_NEAR(p[1], 2.25f, 1e-5);
  EXPECT_NEAR(p[2], 2.75f, 1e-5);
  ASSERT_TRUE(m->getCollisionPoint(p, true));
  EXPECT_NEAR(p[0], 0.25f, 1e-5);
  EXPECT_NEAR(p[1], 0.25f, 1e-5);
  EXPECT_NEAR(p[2], -1.0f, 1e-5);

  float world[9], model[9], other[9];
  ASSERT_TRUE(m->getCollidingTriangles(world, other, false));
  const float expected[9] = {9, 2, 3, 9, 2, 2, 9, 3, 3};  // corners in the order added
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(world[k], expected[k], 1e-5) << k;
  ASSERT_TRUE(m->getCollidingTriangles(model, other, true));
  EXPECT_EQ(model[3], 1.0f);
  EXPECT_EQ(model[7], 1.0f);

  // The segment bound is a world distance along a unit direction.
  EXPECT_FALSE(m->rayCollision(o, d, true, 0.0f, 10.9f));
  EXPECT_TRUE(m->rayCollision(o, d, true, 0.0f, 11.0f));
}

TEST(MeshCollide, BadInputAndEarlyQueriesFailWithoutTouchingOutputs) {
  std::unique_ptr<CollisionModel3D> m(newCollisionModel3D(false));
  m->addTriangle(-1, -1, 0, 1, -1, 0, 0, 1, 0);
  const float o[3] = {0, 0, 5}, d[3] = {0, 0, -1};
  EXPECT_FALSE(m->rayCollision(o, d, true, 0.0f, 10.0f));  // before finalize
  m->finalize();
  ASSERT_TRUE(m->rayCollision(o, d, true, 0.0f, 10.0f));

  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float badO[3] = {0, nan, 5}, badD[3] = {0, 0, nan}, infD[3] = {inf, 0, -1}, zero[3] = {0, 0, 0};
  EXPECT_FALSE(m->rayCollision(badO, d, true, 0.0f, 10.0f));
  EXPECT_FALSE(m->rayCollision(o, badD, true, 0.0f, 10.0f));
  EXPECT_FALSE(m->rayCollision(o, infD, true, 0.0f, 10.0f));
  EXPECT_FALSE(m->rayCollision(o, zero, true, 0.0f, 10.0f));
  EXPECT_FALSE(m->rayCollision(o, d, true, nan, 10.0f));
  EXPECT_FALSE(m->rayCollision(o, d, true, 0.0f, nan));
  EXPECT_FALSE(m->rayCollision(o, d, true, 6.0f, 4.0f));

  float p[3] = {7, 7, 7}, t1[9] = {}, t2[9] = {};
  EXPECT_FALSE(m->getCollisionPoint(p, false));
  EXPECT_FALSE(m->getCollidingTriangles(t1, t2, false));
  EXPECT_EQ(p[0], 7.0f);

  // A matrix with a NaN or without an inverse stops queries until a good one comes.
  float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  matrix[13] = nan;
  m->setTransform(matrix);
  EXPECT_FALSE(m->rayCollision(o, d, true, 0.0f, 10.0f));
  matrix[13] = 0.0f;
  matrix[0] = 0.0f;
  m->setTransform(matrix);
  EXPECT_FALSE(m->rayCollision(o, d, true, 0.0f, 10.0f));
  matrix[0] = 1.0f;
  m->setTransform(matrix);
  EXPECT_TRUE(m->rayCollision(o, d, true, 0.0f, 10.0f));

  // Triangles added after finalize are ignored; an empty model never hits.
  m->addTriangle(-1, -1, 3, 1, -1, 3, 0, 1, 3);
  ASSERT_TRUE(m->rayCollision(o, d, true, 0.0f, 10.0f));
  ASSERT_TRUE(m->getCollisionPoint(p, true));
  EXPECT_FLOAT_EQ(p[2], 0.0f);
  std::unique_ptr<CollisionModel3D> empty(newCollisionModel3D(true));
  empty->finalize();
  EXPECT_FALSE(empty->rayCollision(o, d, true, 0.0f, 10.0f));
}

}  // namespace
