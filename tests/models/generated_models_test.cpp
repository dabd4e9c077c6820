#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>

#include "engine/formats/ms3d_file.h"
#include "meshcollide/collision_model_3d.h"
#include "tools/makebase/makebase.h"

namespace {

const std::string kOut = std::string(DUN_TEST_OUTPUT_DIR) + "/generated_models";

struct Bounds {
  float lo[3] = {1e9f, 1e9f, 1e9f};
  float hi[3] = {-1e9f, -1e9f, -1e9f};
  float Size(int a) const { return hi[a] - lo[a]; }
};

Bounds BoundsOf(const Ms3dData& m) {
  Bounds b;
  for (const Ms3dVertex& v : m.vertices) {
    for (int a = 0; a < 3; ++a) {
      b.lo[a] = std::min(b.lo[a], v.location[a]);
      b.hi[a] = std::max(b.hi[a], v.location[a]);
    }
  }
  return b;
}

// base/textures/texNN.bmp
bool IsTablePicture(const std::string& path) {
  const std::string head = "base/textures/tex";
  return path.size() == head.size() + 6 && path.compare(0, head.size(), head) == 0 &&
         std::isdigit(static_cast<unsigned char>(path[head.size()])) &&
         std::isdigit(static_cast<unsigned char>(path[head.size() + 1])) && path.substr(head.size() + 2) == ".bmp";
}

// Every triangle of the model in a collision model, as the game builds its hit models.
std::unique_ptr<CollisionModel3D> CollisionModelOf(const Ms3dData& m) {
  std::unique_ptr<CollisionModel3D> hit(newCollisionModel3D(false));
  for (const Ms3dTriangle& t : m.triangles) {
    const float* p[3];
    for (int k = 0; k < 3; ++k) p[k] = m.vertices[t.vertexIndices[k]].location;
    hit->addTriangle(p[0][0], p[0][1], p[0][2], p[1][0], p[1][1], p[1][2], p[2][0], p[2][1], p[2][2]);
  }
  hit->finalize();
  return hit;
}

class GeneratedModels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(makebase::WriteModels(kOut)); }

  static Ms3dData Load(const std::string& relative) {
    Ms3dData m;
    EXPECT_TRUE(LoadMs3dFile(kOut + "/" + relative, m)) << relative;
    return m;
  }

  // Every mesh has a textured, opaque material naming a picture of the texture table.
  static void ExpectTexturedMaterials(const Ms3dData& m, const std::string& name) {
    ASSERT_FALSE(m.groups.empty()) << name;
    for (const Ms3dGroup& g : m.groups) {
      ASSERT_GE(g.materialIndex, 0) << name;
      const Ms3dMaterial& mat = m.materials[g.materialIndex];
      EXPECT_TRUE(IsTablePicture(mat.textureFile)) << name << ": " << mat.textureFile;
      EXPECT_EQ(mat.transparency, 1.0f) << name;
      EXPECT_FALSE(g.triangleIndices.empty()) << name;
    }
    // Normals are unit length.
    for (const Ms3dTriangle& t : m.triangles) {
      for (const auto& n : t.vertexNormals) {
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-4) << name;
      }
    }
  }
};

TEST_F(GeneratedModels, ViewWeaponsSitInTheLowerRightWithTheirMuzzlesAtTheFlash) {
  const float muzzle[6][3] = {{0.323f, -0.16f, -1.05f}, {0.38f, -0.183f, -1.05f}, {0.225f, -0.235f, -1.8f},
                              {0.178f, -0.15f, -1.65f}, {0.125f, -0.15f, -1.8f},  {0.109f, -0.19f, -1.8f}};
  for (int w = 0; w < 6; ++w) {
    const std::string name = "base/weapon/" + std::to_string(w + 1) + ".ms3d";
    const Ms3dData m = Load(name);
    ExpectTexturedMaterials(m, name);
    const Bounds b = BoundsOf(m);
    // In front of the near plane (0.1), below the eye, right of the view's centre.
    EXPECT_LT(b.hi[2], -0.15f) << name;
    EXPECT_LT(b.hi[1], 0.0f) << name;
    EXPECT_GT(b.lo[0], 0.0f) << name;
    // The barrel ends at the muzzle: the frontmost geometry is right at the flash's depth, and
    // a ray along the barrel's axis from behind meets it.
    EXPECT_NEAR(b.lo[2], muzzle[w][2], 0.01f) << name;
    const auto hit = CollisionModelOf(m);
    const float from[3] = {muzzle[w][0], muzzle[w][1], muzzle[w][2] - 0.5f}, back[3] = {0.0f, 0.0f, 1.0f};
    ASSERT_TRUE(hit->rayCollision(from, back, true, 0.0f, 10.0f)) << name;
    float p[3];
    ASSERT_TRUE(hit->getCollisionPoint(p, true));
    EXPECT_NEAR(p[2], muzzle[w][2], 0.01f) << name;
  }
}

TEST_F(GeneratedModels, PickupsHaveTheirScales) {
  const Ms3dData crate = Load("base/objects/1.ms3d");
  ExpectTexturedMaterials(crate, "crate");
  const Bounds c = BoundsOf(crate);
  EXPECT_NEAR(c.lo[1], 0.0f, 1e-6);  // stands on its origin
  EXPECT_GT(c.Size(0), 0.8f);
  EXPECT_LT(c.Size(0), 2.0f);
  for (const char* small : {"base/objects/2.ms3d", "base/objects/3.ms3d"}) {
    const Ms3dData m = Load(small);
    ExpectTexturedMaterials(m, small);
    const Bounds b = BoundsOf(m);
    const float across = std::max(b.Size(0), b.Size(1));
    EXPECT_GE(across, 0.1f) << small;
    EXPECT_LE(across, 0.2f) << small;
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(b.lo[a] + b.hi[a], 0.0f, 0.02f) << small;  // centred
  }
}

TEST_F(GeneratedModels, BanditHitMeshesAreUprightSymmetricPrismsThatStopShots) {
  for (int k = 1; k <= 4; ++k) {
    const std::string name = "base/bandits/" + std::to_string(k) + ".ms3d";
    const Ms3dData m = Load(name);
    ExpectTexturedMaterials(m, name);
    const Bounds b = BoundsOf(m);
    EXPECT_NEAR(b.lo[1], -0.25f, 1e-5) << name;
    EXPECT_NEAR(b.Size(1), 4.0f, 0.3f) << name;
    EXPECT_NEAR(b.lo[0] + b.hi[0], 0.0f, 1e-4) << name;

    const auto hit = CollisionModelOf(m);
    // Placed as the shooting code places it: one unit below a body centre at (10, 5, -3).
    const float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 4, -3, 1};
    hit->setTransform(matrix);
    // Shots at the body centre and at head height from all round meet the mesh.
    for (int i = 0; i < 16; ++i) {
      const float a = 6.2831853f * i / 16;
      for (float height : {5.0f, 7.3f}) {
        const float dir[3] = {std::cos(a), 0.0f, std::sin(a)};
        const float from[3] = {10.0f - 20.0f * dir[0], height, -3.0f - 20.0f * dir[2]};
        EXPECT_TRUE(hit->rayCollision(from, dir, true, 0.0f, 90.0f)) << name << " " << i << " " << height;
      }
    }
    // A shot over its head misses.
    const float over[3] = {-10.0f, 9.0f, -3.0f}, east[3] = {1.0f, 0.0f, 0.0f};
    EXPECT_FALSE(hit->rayCollision(over, east, true, 0.0f, 90.0f)) << name;
  }
}

}  // namespace
