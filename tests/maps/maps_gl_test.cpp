// Light-mapped drawing under a real GL context: the combination of the two texture units, and
// every generated map drawn from its start point (screenshots in test-output/).
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <memory>
#include <string>

#include "engine/formats/ms3d_file.h"
#include "engine/gl_setup.h"
#include "engine/light_map.h"
#include "engine/static_model.h"
#include "gl_fixture.h"
#include "map_start_points.h"

namespace {

class LightMapGlTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    InitMultitexture();
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  }
};

// A square filling the view (two triangles in one mesh) with the given material texture.
std::unique_ptr<StaticModel> Square(GLuint texture) {
  Ms3dData d;
  const float pos[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const auto& p : pos) {
    Ms3dVertex v;
    v.location[0] = p[0];
    v.location[1] = p[1];
    d.vertices.push_back(v);
  }
  const int idx[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (const auto& i : idx) {
    Ms3dTriangle t;
    for (int k = 0; k < 3; ++k) {
      t.vertexIndices[k] = i[k];
      t.vertexNormals[k][2] = 1;
      t.s[k] = (d.vertices[i[k]].location[0] + 1) / 2;
      t.t[k] = (d.vertices[i[k]].location[1] + 1) / 2;
    }
    d.triangles.push_back(t);
  }
  Ms3dGroup g;
  g.materialIndex = 0;
  g.triangleIndices = {0, 1};
  d.groups.push_back(g);
  d.materials.push_back(Ms3dMaterial{});
  auto m = std::make_unique<Ms3dModel>();
  m->SetContents(std::move(d));
  m->materials[0].texture = texture;
  return m;
}

GLuint SolidTexture(uint8_t r, uint8_t g, uint8_t b) {
  uint8_t texels[4 * 4 * 3];
  for (int i = 0; i < 16; ++i) {
    texels[3 * i] = r;
    texels[3 * i + 1] = g;
    texels[3 * i + 2] = b;
  }
  return NearestTexture(4, 4, texels);
}

void FlatView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1, 1, -1, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

TEST_F(LightMapGlTest, RedLightMapTimesWhiteTextureGivesRed) {
  ResetLightMaps();
  for (int n = 0; n < 2; ++n) {
    for (int i = 0; i < kLightMapBytes; i += 3) {
      lightMaps[n][i] = 255;
      lightMaps[n][i + 1] = 0;
      lightMaps[n][i + 2] = 0;
    }
  }
  auto m = Square(SolidTexture(255, 255, 255));
  m->ComputeLightMaps(0);
  m->CreateLightMapTextures();
  EXPECT_EQ(lightMapTextureCount, 2);
  EXPECT_NE(lightMapPages[0], 0u);
  FlatView();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  m->DrawLightmapped();
  uint8_t rgb[3];
  for (const auto& at : {std::pair{400, 300}, std::pair{100, 100}, std::pair{700, 500}}) {
    PixelAt(at.first, at.second, rgb);
    EXPECT_GE(rgb[0], 250);
    EXPECT_LE(rgb[1], 5);
    EXPECT_LE(rgb[2], 5);
  }
  // The drawing leaves unit 1 off, unit 0 active, culling on.
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE0);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  glDisable(GL_CULL_FACE);
  m->DeleteLightMapTextures();
  EXPECT_EQ(lightMapPages[0], 0u);
  EXPECT_EQ(lightMapTextureCount, 0);
}

TEST_F(LightMapGlTest, SurfaceTextureModulatesTheLightMap) {
  ResetLightMaps();  // white light maps
  auto m = Square(SolidTexture(40, 200, 90));
  m->ComputeLightMaps(0);
  m->CreateLightMapTextures();
  FlatView();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  m->DrawLightmapped();
  glDisable(GL_CULL_FACE);
  uint8_t rgb[3];
  PixelAt(400, 300, rgb);
  EXPECT_NEAR(rgb[0], 40, 3);
  EXPECT_NEAR(rgb[1], 200, 3);
  EXPECT_NEAR(rgb[2], 90, 3);
  m->DeleteLightMapTextures();
}

TEST_F(LightMapGlTest, TrianglesBeyondTheCapacityDrawWithoutLightMaps) {
  ResetLightMaps();
  auto m = Square(SolidTexture(255, 255, 255));
  // The two triangles listed again and again: more triangle numbers than there are light maps.
  m->meshes[0].triangleIndices.clear();
  for (int i = 0; i < kLightMapCapacity + 6; ++i) m->meshes[0].triangleIndices.push_back(i % 2);
  m->meshes[0].numTriangles = kLightMapCapacity + 6;
  m->ComputeLightMaps(0);
  EXPECT_EQ(lightMapTriangleCount, kLightMapCapacity);
  m->CreateLightMapTextures();
  EXPECT_EQ(lightMapTextureCount, kLightMapCapacity);
  FlatView();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  m->DrawLightmapped();
  glDisable(GL_CULL_FACE);
  EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
  uint8_t rgb[3];
  PixelAt(400, 300, rgb);
  EXPECT_GE(rgb[0], 250);  // white light maps times a white texture
  m->DeleteLightMapTextures();
  EXPECT_EQ(lightMapPages[kLightMapPageCount - 1], 0u);
}

// The light maps are drawn from pages of many light maps: near, far and at a slant (every mip
// level), the picture is that of each triangle's own clamped, mipmapped 16 x 16 light map.
TEST_F(LightMapGlTest, PagesSampleLikeEachTrianglesOwnLightMap) {
  ResetLightMaps();
  for (int n = 0; n < 2; ++n) {
    for (int i = 0; i < kLightMapBytes; ++i) lightMaps[n][i] = static_cast<uint8_t>((i * 37 + n * 101 + (i / 48) * 59) & 255);
  }
  auto m = Square(SolidTexture(255, 255, 255));
  m->ComputeLightMaps(0);
  m->CreateLightMapTextures();
  GLuint own[2] = {};
  glGenTextures(2, own);
  for (int n = 0; n < 2; ++n) {
    glBindTexture(GL_TEXTURE_2D, own[n]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, kLightMapSide, kLightMapSide, GL_RGB, GL_UNSIGNED_BYTE, lightMaps[n]);
  }
  // Each triangle with its own light map on unit 0 and the white surface on unit 1.
  auto drawOwn = [&] {
    activeTextureARB(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m->materials[0].texture);
    activeTextureARB(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    for (int n = 0; n < 2; ++n) {
      glBindTexture(GL_TEXTURE_2D, own[n]);
      const ModelTriangle& t = m->triangles[n];
      glBegin(GL_TRIANGLES);
      for (int k = 0; k < 3; ++k) {
        multiTexCoord2fARB(GL_TEXTURE0, lightMapU[3 * n + k], lightMapV[3 * n + k]);
        multiTexCoord2fARB(GL_TEXTURE1, t.s[k], t.t[k]);
        glVertex3fv(m->vertices[t.vertexIndices[k]].location);
      }
      glEnd();
    }
    activeTextureARB(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    activeTextureARB(GL_TEXTURE0);
  };
  struct View {
    float distance, tilt, scale;
  };
  for (const View& v : {View{2.5f, 0.0f, 1.0f}, View{40.0f, 0.0f, 0.5f}, View{3.0f, -84.0f, 4.0f}}) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, double(Width()) / Height(), 0.1, 400.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, -0.5f, -v.distance);
    glRotatef(v.tilt, 1, 0, 0);
    glScalef(v.scale, v.scale, 1);
    std::vector<uint8_t> pictures[2];
    for (int way = 0; way < 2; ++way) {
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      if (way == 0) m->DrawLightmapped();
      else drawOwn();
      pictures[way] = ReadPixels();
    }
    glDisable(GL_CULL_FACE);
    int worst = 0;
    size_t covered = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) {
      worst = std::max(worst, std::abs(pictures[0][i] - pictures[1][i]));
      covered += pictures[1][i] != 0;
    }
    EXPECT_LE(worst, 2) << "view at " << v.distance;
    EXPECT_GT(covered, 300u) << "view at " << v.distance;
  }
  glDeleteTextures(2, own);
  m->DeleteLightMapTextures();
}

// With the texture units swapped (light map on unit 1, surface on unit 0) the picture is the same:
// each unit keeps its own coordinates, and the two modulations commute.
TEST_F(LightMapGlTest, SwappedUnitsDrawTheSamePicture) {
  ResetLightMaps();
  for (int n = 0; n < 2; ++n)
    for (int i = 0; i < kLightMapBytes; ++i) lightMaps[n][i] = static_cast<uint8_t>((i * 29 + n * 77) & 255);
  uint8_t texels[4 * 4 * 3];
  for (int i = 0; i < 48; ++i) texels[i] = static_cast<uint8_t>(60 + (i * 53) % 190);
  const GLuint surface = NearestTexture(4, 4, texels);
  auto m = Square(surface);
  m->ComputeLightMaps(0);
  m->CreateLightMapTextures();
  FlatView();
  std::vector<uint8_t> pictures[2];
  for (int way = 0; way < 2; ++way) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (way == 0) m->DrawLightmapped();
    else m->DrawLightmappedSwapped();
    pictures[way] = ReadPixels();
  }
  SaveScreenshot("light_map_units_swapped");
  int worst = 0;
  for (size_t i = 0; i < pictures[0].size(); ++i) worst = std::max(worst, std::abs(pictures[0][i] - pictures[1][i]));
  EXPECT_LE(worst, 1);
  EXPECT_GT(std::count_if(pictures[1].begin(), pictures[1].end(), [](uint8_t v) { return v > 40; }), 100000);
  // Unit 0 is left active with its texturing as before, unit 1 off.
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE0);
  activeTextureARB(GL_TEXTURE1);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  activeTextureARB(GL_TEXTURE0);
  glDisable(GL_CULL_FACE);
  m->DeleteLightMapTextures();
  glDeleteTextures(1, &surface);
}

// The data set's textures are read relative to the data folder, like the game does.
class GeneratedMapGlTest : public LightMapGlTest, public ::testing::WithParamInterface<int> {};

TEST_P(GeneratedMapGlTest, RendersLitFromItsStartPoint) {
  const int map = GetParam();
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
  auto model = std::make_unique<Ms3dModel>();
  const std::string name = "base/maps/" + std::to_string(map) + "/map.ms3d";
  ASSERT_TRUE(model->Load(name.c_str()));
  model->LoadTextures();
  for (const ModelMaterial& mat : model->materials) EXPECT_NE(mat.texture, 0u) << mat.textureFile;
  model->ComputeLightMaps(0);
  ReadLightMap(map);
  model->CreateLightMapTextures();
  ASSERT_EQ(chdir(cwd), 0);

  // The game's projection and fog; the eye of a player standing at the start, looking along +x.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(70.0, double(Width()) / Height(), 0.1, 400.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const GLfloat fogColor[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  glFogi(GL_FOG_MODE, GL_EXP2);
  glFogfv(GL_FOG_COLOR, fogColor);
  glFogf(GL_FOG_DENSITY, 0.0045f);
  glEnable(GL_FOG);
  const Vec3 s = StartPoint(map);
  const Vec3 eye(s.x, 1.25f + 2.5f, s.z);
  gluLookAt(eye.x, eye.y, eye.z, eye.x + 1, eye.y, eye.z, 0, 1, 0);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  model->DrawLightmapped();
  glDisable(GL_FOG);
  glDisable(GL_CULL_FACE);
  EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
  SaveScreenshot("map" + std::to_string(map) + "_start");

  // A lit room: nothing left at the clear colour, a fair share of bright pixels, not washed out.
  const std::vector<uint8_t> px = ReadPixels();
  size_t black = 0, lit = 0, white = 0;
  for (size_t i = 0; i < px.size(); i += 3) {
    const int sum = px[i] + px[i + 1] + px[i + 2];
    if (sum == 0) ++black;
    if (sum > 180) ++lit;
    if (sum > 750) ++white;
  }
  const size_t pixels = px.size() / 3;
  EXPECT_LT(black, pixels / 100) << "holes in the map";
  EXPECT_GT(lit, pixels / 4) << "too dark";
  EXPECT_LT(white, pixels / 10) << "washed out";
  model->DeleteLightMapTextures();
}

INSTANTIATE_TEST_SUITE_P(AllMaps, GeneratedMapGlTest, ::testing::Range(1, 11));

}  // namespace
