#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "engine/static_model.h"
#include "gl_fixture.h"

namespace {

// Draws the generated models as the game does (its perspective, one light, the data folder as the
// working directory so the material textures resolve) and saves pictures to look at.
class GeneratedModelsDraw : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, double(Width()) / Height(), 0.1, 400.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT1);
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f}, diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[4] = {0.3f, 1.0f, 0.6f, 0.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.25f, 0.3f, 0.4f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    GlTest::TearDown();
  }
  // Whether the pixel at window (x, y) of a read-back differs from the clear colour.
  static bool IsCovered(const std::vector<uint8_t>& px, int x, int y) {
    const uint8_t* p = &px[(size_t(Height() - 1 - y) * Width() + x) * 3];  // rows top to bottom
    return std::abs(p[0] - 64) > 3 || std::abs(p[1] - 77) > 3 || std::abs(p[2] - 102) > 3;
  }
  // Share of the pixels in a window rectangle that differ from the clear colour.
  static double Covered(int x0, int y0, int x1, int y1) {
    const std::vector<uint8_t> px = ReadPixels();
    int covered = 0, total = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        covered += IsCovered(px, x, y);
        ++total;
      }
    }
    return double(covered) / total;
  }
};

// The view weapons stay in the lower right, clear of the HUD's health icon in the lower centre
// (the HUD draws its icons in the depth the weapon has already filled, so a weapon there would
// cover it).
TEST_F(GeneratedModelsDraw, ViewWeaponsFillTheLowerRightOnly) {
  // The screen box of the health icon through its whole spin (sin of the clock: -20 to 20 degrees).
  Ms3dModel kit;
  ASSERT_TRUE(kit.Load("base/objects/2.ms3d")) << "generate the data set first (target sample_data)";
  for (float spin : {-20.0f, -10.0f, 0.0f, 10.0f, 20.0f}) {
    glPushMatrix();
    glTranslatef(0.0f, -0.315f, -0.5f);
    glRotatef(-40.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(spin, 0.0f, 1.0f, 0.0f);
    kit.Draw();
    glPopMatrix();
  }
  const std::vector<uint8_t> icon = ReadPixels();
  int x0 = Width(), y0 = Height(), x1 = 0, y1 = 0;
  for (int y = 0; y < Height(); ++y) {
    for (int x = 0; x < Width(); ++x) {
      if (!IsCovered(icon, x, y)) continue;
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
    }
  }
  ASSERT_LT(x0, x1);

  for (int w = 1; w <= 6; ++w) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Ms3dModel model;
    const std::string file = "base/weapon/" + std::to_string(w) + ".ms3d";
    ASSERT_TRUE(model.Load(file.c_str()));
    model.LoadTextures();
    model.Draw();
    SaveScreenshot("view_weapon_" + std::to_string(w));
    EXPECT_GT(Covered(Width() / 2, 0, Width(), Height() / 2), 0.03) << file;
    EXPECT_EQ(Covered(0, Height() / 2, Width() / 2, Height()), 0.0) << file;
    EXPECT_EQ(Covered(x0, y0, x1, y1), 0.0) << file << " covers the health icon";
  }
}

TEST_F(GeneratedModelsDraw, PickupsAtWorldScaleAndAsHudIcons) {
  Ms3dModel crate, kit, badge;
  ASSERT_TRUE(crate.Load("base/objects/1.ms3d"));
  ASSERT_TRUE(kit.Load("base/objects/2.ms3d"));
  ASSERT_TRUE(badge.Load("base/objects/3.ms3d"));
  for (StaticModel* m : {static_cast<StaticModel*>(&crate), static_cast<StaticModel*>(&kit),
                         static_cast<StaticModel*>(&badge)}) {
    m->LoadTextures();
  }
  // The crate four units ahead and a little below the eye, turned as it spins.
  glPushMatrix();
  glTranslatef(0.0f, -1.0f, -4.0f);
  glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
  crate.Draw();
  glPopMatrix();
  EXPECT_GT(Covered(Width() / 3, Height() / 4, 2 * Width() / 3, Height() / 2), 0.3);
  // The HUD icons where the HUD puts them.
  glPushMatrix();
  glTranslatef(-0.425f, -0.31f, -0.5f);
  glRotatef(-20.0f, 1.0f, 0.0f, 0.0f);
  glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
  badge.Draw();
  glPopMatrix();
  glPushMatrix();
  glTranslatef(0.0f, -0.315f, -0.5f);
  glRotatef(-40.0f, 1.0f, 0.0f, 0.0f);
  kit.Draw();
  glPopMatrix();
  SaveScreenshot("pickups");
  EXPECT_GT(Covered(0, 0, Width() / 4, Height() / 4), 0.02);                      // badge, lower left
  EXPECT_GT(Covered(3 * Width() / 8, 0, 5 * Width() / 8, Height() / 5), 0.05);  // kit, lower centre
}

}  // namespace
