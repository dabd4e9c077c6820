#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

#include "engine/formats/ms3d_file.h"
#include "app/gl_window.h"
#include "engine/gl_setup.h"
#include "engine/static_model.h"
#include "engine/textures.h"
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

GLuint Solid(uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t texels[12] = {r, g, b, r, g, b, r, g, b, r, g, b};
  return NearestTexture(2, 2, texels);
}

// Squares of half-size 1 facing +z, one mesh each, centred on the given points, each with a
// material of its own (transparency 1) whose texture coordinates are all (0.9, 0.9).
Ms3dData SquaresAt(std::initializer_list<std::array<float, 3>> centres) {
  Ms3dData m;
  int mesh = 0;
  for (const auto& c : centres) {
    const int first = static_cast<int>(m.vertices.size());
    for (const auto& d : {std::array<float, 2>{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
      Ms3dVertex v;
      v.location[0] = c[0] + d[0];
      v.location[1] = c[1] + d[1];
      v.location[2] = c[2];
      m.vertices.push_back(v);
    }
    Ms3dGroup g;
    for (const auto& i : {std::array<int, 3>{0, 1, 2}, {0, 2, 3}}) {
      Ms3dTriangle t;
      for (int k = 0; k < 3; ++k) {
        t.vertexIndices[k] = first + i[k];
        t.vertexNormals[k][2] = 1.0f;
        t.s[k] = t.t[k] = 0.9f;
      }
      g.triangleIndices.push_back(static_cast<int>(m.triangles.size()));
      m.triangles.push_back(t);
    }
    g.materialIndex = mesh++;
    m.groups.push_back(g);
    Ms3dMaterial mat;
    mat.transparency = 1.0f;
    m.materials.push_back(mat);
  }
  return m;
}

void PerspectiveView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(70.0, 800.0 / 600.0, 0.1, 400.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// The sphere map takes its coordinates from the view, not the model: looking straight at a square,
// the pixel just below and left of the centre reflects the picture's lower left quarter, the one
// above and right its upper right. Textured meshes show bmpTextures 49 and need transparency
// above 0.9.
TEST_F(StaticModelDraw, SphereMappedDrawingReflectsPicture49) {
  const uint8_t quarters[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  bmpTextures[49] = NearestTexture(2, 2, quarters);
  Ms3dModel model;
  model.SetContents(SquaresAt({{0, 0, -3}, {-2.5f, 0, -3}}));
  model.materials[0].texture = model.materials[1].texture = Solid(128, 128, 128);
  model.materials[1].transparency = 0.9f;
  PerspectiveView();
  glEnable(GL_TEXTURE_2D);
  int modelview = 0, projection = 0, texture = 0;
  StackDepths(modelview, projection, texture);

  model.Draw();
  uint8_t below[3], above[3], side[3];
  PixelAt(390, 290, below);
  PixelAt(160, 300, side);
  EXPECT_EQ(below[0], 128);  // the material's own picture
  EXPECT_EQ(side[0], 128);

  glClear(GL_COLOR_BUFFER_BIT);
  model.DrawSphereMapped();
  PixelAt(390, 290, below);
  PixelAt(410, 310, above);
  PixelAt(160, 300, side);
  SaveScreenshot("static_model_sphere_mapped");
  EXPECT_EQ(below[0], 255);
  EXPECT_EQ(below[1], 0);
  EXPECT_EQ(above[1], 255);
  EXPECT_EQ(above[2], 255);
  EXPECT_EQ(side[0], 0);  // transparency 0.9 hides the mesh
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  int modelviewAfter = 0;
  StackDepths(modelviewAfter, projection, texture);
  EXPECT_EQ(modelviewAfter, modelview);
  glDeleteTextures(1, &bmpTextures[49]);
  bmpTextures[49] = 0;
}

// The environment map reflects envCubeMap in red, fixed to the world. A square facing +z, moved 3
// units ahead of the eye, shows the +z face; a square facing -x, turned a quarter about y to face
// the eye in the same place, shows the -x face. The blend inverts what is behind: over white
// nothing is left.
TEST_F(StaticModelDraw, EnvironmentMappedDrawingReflectsTheCubeMapFixedToTheWorld) {
  // Grey faces, each of its own brightness: +x 40, -x 80, +y 120, -y 160, +z 200, -z 240.
  const GLuint previous = envCubeMap;
  BindNewCubeMap(envCubeMap, GL_NEAREST);
  for (int f = 0; f < 6; ++f) {
    std::vector<uint8_t> texels(4 * 4 * 3, static_cast<uint8_t>(40 * (f + 1)));
    glTexImage2D(kCubeMapFaces[f], 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  }
  Ms3dModel facingZ, facingMinusX;
  facingZ.SetContents(SquaresAt({{0, 0, 0}}));
  facingMinusX.SetContents(SquaresAt({{0, 0, 0}}));
  for (Ms3dVertex& v : facingMinusX.vertices) std::swap(v.location[0], v.location[2]);
  for (ModelTriangle& t : facingMinusX.triangles) {
    for (auto& n : t.vertexNormals) {
      n[0] = -1.0f;
      n[2] = 0.0f;
    }
  }
  PerspectiveView();
  int modelview = 0, projection = 0, texture = 0;
  StackDepths(modelview, projection, texture);
  uint8_t centre[3];
  for (const auto& [turn, background, red] : {std::tuple{0.0f, 0.0f, 200}, {90.0f, 0.0f, 80}, {90.0f, 1.0f, 0}}) {
    glClearColor(background, background, background, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -3);
    glRotatef(turn, 0, 1, 0);
    (turn == 0.0f ? facingZ : facingMinusX).DrawEnvironmentMapped();
    PixelAt(400, 300, centre);
    EXPECT_NEAR(centre[0], red, 2) << turn;
    EXPECT_EQ(centre[1], 0);
  }
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_R));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  int textureAfter = 0;
  StackDepths(modelview, projection, textureAfter);
  EXPECT_EQ(textureAfter, texture);
  glDisable(GL_TEXTURE_2D);
  glDeleteTextures(1, &envCubeMap);
  envCubeMap = previous;
}

// The face list drawn twice per face: the next material's picture multiplies what is there, then
// the face's own adds to it. Over grey 60: 60 x 0.5 + (0, 100, 0) on the first square; the second
// square's material has no next one, so only its own picture (128) is added.
TEST_F(StaticModelDraw, TwoPassFaceListMultipliesThenAdds) {
  Ms3dModel model;
  model.SetContents(SquaresAt({{-1.5f, 0, -3}, {1.5f, 0, -3}}));
  model.materials[0].texture = Solid(0, 100, 0);
  model.materials[1].texture = Solid(128, 128, 128);
  model.BuildFaceList();
  PerspectiveView();
  glClearColor(60 / 255.0f, 60 / 255.0f, 60 / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  model.DrawFaceListTwoPass();
  uint8_t first[3], second[3];
  PixelAt(400 - 160, 300, first);
  PixelAt(400 + 160, 300, second);
  EXPECT_NEAR(first[0], 30, 2);
  EXPECT_NEAR(first[1], 130, 2);
  EXPECT_NEAR(second[0], 188, 2);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

// 4 x 4 matrices: transposing twice gives the matrix back, and a matrix times its inverse is the
// identity. A singular matrix has no inverse: the identity comes back, with false.
TEST(Matrix4, TransposeAndInverse) {
  const float m[16] = {2, 0, 1, 0, 1, 3, 0, 0, 0, 1, 4, 0, 5, -2, 7, 1};
  float t[16], tt[16];
  TransposeMatrix4(m, t);
  EXPECT_EQ(t[1], m[4]);
  EXPECT_EQ(t[3], m[12]);
  TransposeMatrix4(t, tt);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(tt[i], m[i]);
  TransposeMatrix4(tt, tt);  // in place
  for (int i = 0; i < 16; ++i) EXPECT_EQ(tt[i], t[i]);

  float inv[16];
  ASSERT_TRUE(InvertMatrix4(m, inv));
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double sum = 0.0;  // column-major: element (r, c) at [4c + r]
      for (int k = 0; k < 4; ++k) sum += double(m[4 * k + r]) * inv[4 * c + k];
      EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-6) << r << "," << c;
    }
  const float singular[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 0, 0, 0, 1, 0};
  float out[16];
  std::fill(out, out + 16, 7.0f);
  EXPECT_FALSE(InvertMatrix4(singular, out));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], i % 5 == 0 ? 1.0f : 0.0f);
  const float huge[16] = {1e-39f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_FALSE(InvertMatrix4(huge, out));  // the inverse's entries do not fit in a float
  EXPECT_EQ(out[0], 1.0f);
}

}  // namespace
