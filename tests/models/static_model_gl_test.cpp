#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/formats/ms3d_file.h"
#include "app/gl_window.h"
#include "engine/static_model.h"
#include "gl_fixture.h"
#include "platform/window.h"

namespace {

// A square from (-0.5, -0.5) to (0.5, 0.5) in the z = 0 plane as two triangles of one mesh, and
// a second square at x + 2 (drawn when the model is seen with the wider projection).
Ms3dData Squares(float transparency, int materialOfFirst) {
  Ms3dData m;
  const float pos[8][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f},
                           {1.5f, -0.5f},  {2.5f, -0.5f}, {2.5f, 0.5f}, {1.5f, 0.5f}};
  for (const auto& p : pos) {
    Ms3dVertex v;
    v.location[0] = p[0];
    v.location[1] = p[1];
    m.vertices.push_back(v);
  }
  const int idx[4][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
  for (const auto& i : idx) {
    Ms3dTriangle t;
    for (int k = 0; k < 3; ++k) {
      t.vertexIndices[k] = i[k];
      t.vertexNormals[k][2] = 1.0f;
      t.s[k] = m.vertices[i[k]].location[0] + 0.5f;
      t.t[k] = m.vertices[i[k]].location[1] + 0.5f;
    }
    m.triangles.push_back(t);
  }
  Ms3dGroup first, second;
  first.materialIndex = materialOfFirst;
  first.triangleIndices = {0, 1};
  second.materialIndex = -1;
  second.triangleIndices = {2, 3};
  m.groups = {first, second};
  Ms3dMaterial mat;
  mat.transparency = transparency;
  m.materials = {mat};
  return m;
}

class StaticModelDraw : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 3.0, -1.5, 1.5, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
  }
  // Centre of the first square (x = 0) and of the second (x = 2) in window pixels.
  static void FirstCentre(uint8_t rgb[3]) { PixelAt(Width() / 4, Height() / 2, rgb); }
  static void SecondCentre(uint8_t rgb[3]) { PixelAt(3 * Width() / 4, Height() / 2, rgb); }
};

TEST_F(StaticModelDraw, TransparencyAtOrBelowPointFourHidesAMesh) {
  for (float transparency : {0.4f, 0.41f, 1.0f, 0.0f}) {
    glClear(GL_COLOR_BUFFER_BIT);
    Ms3dModel model;
    model.SetContents(Squares(transparency, 0));
    model.Draw();
    uint8_t first[3], second[3];
    FirstCentre(first);
    SecondCentre(second);
    const bool shown = transparency > 0.4f;
    EXPECT_EQ(first[0], shown ? 255 : 0) << transparency;
    // The mesh without a material is drawn whatever the other mesh's material says.
    EXPECT_EQ(second[0], 255) << transparency;
  }
  SaveScreenshot("static_model_transparency");
}

TEST_F(StaticModelDraw, MaterialTextureIsBoundAndTexturingRestored) {
  Ms3dModel model;
  model.SetContents(Squares(1.0f, 0));
  // A red texture stands in for a loaded picture.
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  const uint8_t red[4 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  model.materials[0].texture = tex;

  model.Draw();
  uint8_t first[3], second[3];
  FirstCentre(first);
  SecondCentre(second);
  EXPECT_EQ(first[0], 255);
  EXPECT_EQ(first[1], 0);  // textured red
  EXPECT_EQ(second[1], 255);  // the mesh without a material is untextured
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  GLint twoSided = 0;
  glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
  EXPECT_EQ(twoSided, GL_TRUE);

  glEnable(GL_TEXTURE_2D);
  model.Draw();
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glDisable(GL_TEXTURE_2D);

  // Clearing the model deletes its textures.
  model.Clear();
  EXPECT_FALSE(glIsTexture(tex));
  EXPECT_EQ(model.numMaterials, 0);
}

TEST_F(StaticModelDraw, LoadReadsTheFileAndKeepsTheModelOnFailure) {
  const std::string path = std::string(DUN_TEST_OUTPUT_DIR) + "/static_model/squares.ms3d";
  Ms3dData data = Squares(1.0f, 0);
  data.materials[0].textureFile = "no/such/picture.bmp";
  ASSERT_TRUE(SaveMs3dFile(path, data));
  Ms3dModel model;
  ASSERT_TRUE(model.Load(path.c_str()));
  EXPECT_EQ(model.numVertices, 8);
  EXPECT_EQ(model.numTriangles, 4);
  EXPECT_EQ(model.numMeshes, 2);
  EXPECT_EQ(model.meshes[0].numTriangles, 2);
  EXPECT_EQ(model.numMaterials, 1);
  EXPECT_EQ(model.materials[0].textureFile, "no/such/picture.bmp");
  EXPECT_FLOAT_EQ(model.triangles[0].t[0], 0.0f);
  EXPECT_EQ(model.LoadTextures(), 1);
  EXPECT_EQ(model.materials[0].texture, 0u);  // a missing picture draws untextured

  EXPECT_FALSE(model.Load((path + ".missing").c_str()));
  EXPECT_FALSE(model.Load(nullptr));
  EXPECT_EQ(model.numTriangles, 4);
  model.Draw();
  uint8_t first[3];
  FirstCentre(first);
  EXPECT_EQ(first[0], 255);
}

// Window re-creation: a model's texture names belong to the context that goes with the old window.
// The same numbers are handed out again in the new context, so clearing or reloading the model
// there must not delete whatever now carries them.
TEST_F(StaticModelDraw, TexturesOfAnEarlierWindowAreNotDeletedInTheNextOne) {
  Ms3dModel model;
  model.SetContents(Squares(1.0f, 0));
  GLuint stale = 0;
  glGenTextures(1, &stale);
  glBindTexture(GL_TEXTURE_2D, stale);
  glBindTexture(GL_TEXTURE_2D, 0);
  model.materials[0].texture = stale;

  DestroyGameWindow();
  ASSERT_FALSE(PlatformWindowExists());
  WindowStep failed;
  ASSERT_TRUE(PlatformCreateWindow("test", Width(), Height(), 32, 24, false, failed));

  // Hand out names in the new context until the old number is live again.
  std::vector<GLuint> fresh;
  for (int i = 0; i < 4096 && (fresh.empty() || fresh.back() < stale); ++i) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    fresh.push_back(name);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  ASSERT_TRUE(glIsTexture(stale));

  model.Clear();
  EXPECT_TRUE(glIsTexture(stale));
  model.SetContents(Squares(1.0f, 0));
  model.materials[0].textureFile = "no/such/picture.bmp";
  model.LoadTextures();
  EXPECT_TRUE(glIsTexture(stale));
  glDeleteTextures(static_cast<GLsizei>(fresh.size()), fresh.data());
}

}  // namespace
