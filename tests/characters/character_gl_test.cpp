// The generated characters loaded from the data set and drawn in every animation, as the game
// draws them (scale, origin offset and turn of the drawing code), with screenshots to look at.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/character_model.h"
#include "engine/formats/binary_io.h"
#include "engine/formats/bmp_file.h"
#include "engine/frame.h"
#include "engine/textures.h"
#include "gl_fixture.h"
#include "platform/dialog.h"

namespace {

class CharacterGlTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    ClearDialogHistory();
    static bool loaded = false;
    if (!loaded) {
      // The skins of the generated data set, read as the game reads them (from its folder).
      ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
      ASSERT_TRUE(LoadBmpTextures());
      loaded = true;
    }
  }

  // A floor and a camera a little above and in front of a row of figures.
  enum Camera { kWide, kClose, kFloor };
  void BeginScene(float floorY, Camera camera = kWide) {
    glClearColor(0.42f, 0.5f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, double(Width()) / Height(), 0.5, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (camera == kClose)
      gluLookAt(0.0, 2.0, 6.0, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0);
    else if (camera == kFloor)
      gluLookAt(0.5, 3.5, 7.5, 0.5, -1.0, -1.0, 0.0, 1.0, 0.0);
    else
      gluLookAt(0.5, 2.2, 16.0, 0.5, 0.3, 0.0, 0.0, 1.0, 0.0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.35f, 0.33f, 0.3f);
    glBegin(GL_QUADS);
    glVertex3f(-20.0f, floorY, 20.0f);
    glVertex3f(20.0f, floorY, 20.0f);
    glVertex3f(20.0f, floorY, -20.0f);
    glVertex3f(-20.0f, floorY, -20.0f);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }

  // Shows one frame of the legs (and torso) animation exactly.
  static void HoldFrame(ModelPart& part, const char* anim, int offset, bool legs, CharacterModel& m) {
    if (legs)
      m.SetLegsAnimation(anim);
    else
      m.SetTorsoAnimation(anim);
    part.currentFrame = part.animations[part.currentAnim].startFrame + offset;
    part.lastTime = gameClock;
    part.t = 0.0f;
  }
};

struct PlayerShot {
  const char* legs;
  const char* torso;
  int frame;
};

TEST_F(CharacterGlTest, PlayerDrawsEveryAnimation) {
  auto model = std::make_unique<CharacterModel>();
  const std::string dir = DataFile("base/player/");
  ASSERT_TRUE(model->LoadModel(dir.c_str(), "player", 0, 3));
  ASSERT_TRUE(model->LoadWeapons(dir.c_str()));
  EXPECT_TRUE(DialogHistory().empty());
  model->SelectWeapon(2);
  gameClock = 1000.0f;

  const PlayerShot shots[] = {{"LEGS_1", "TORSO_1", 0}, {"LEGS_2", "TORSO_1", 2}, {"LEGS_2", "TORSO_1", 7},
                              {"LEGS_3", "TORSO_1", 3}, {"LEGS_5", "TORSO_3", 5}, {"LEGS_5", "TORSO_3", 59}};
  for (int view = 0; view < 3; ++view) {
    const int skin = view == 2 ? 1 : 0;
    model->skin = skin;
    BeginScene(-1.25f);
    int i = 0;
    for (const PlayerShot& s : shots) {
      HoldFrame(model->lower, s.legs, s.frame, true, *model);
      HoldFrame(model->upper, s.torso, s.frame, false, *model);
      glPushMatrix();
      glTranslatef(-6.25f + 2.5f * i, 0.3f, i >= 4 ? -1.5f : 0.0f);
      // Front view turned a little (the model's +X towards the camera), or from the side.
      glRotatef(view == 1 ? 90.0f : -30.0f + 12.0f * i, 0, 1, 0);
      glRotatef(-90.0f, 0, 1, 0);
      glBindTexture(GL_TEXTURE_2D, bmpTextures[8 + skin]);
      glScalef(0.06666f, 0.06666f, 0.06666f);
      model->Draw(0.0f, 0.0f);
      glPopMatrix();
      ++i;
    }
    EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
    SaveScreenshot(std::string("characters_player_") + (view == 1 ? "side" : view == 0 ? "front" : "front_skin1"));
  }

  // Every weapon in the hand, and every animation frame drawn once.
  BeginScene(-1.25f);
  for (int w = 0; w < 6; ++w) {
    model->SelectWeapon(w);
    HoldFrame(model->lower, "LEGS_1", 0, true, *model);
    HoldFrame(model->upper, "TORSO_1", 0, false, *model);
    glPushMatrix();
    glTranslatef(-6.25f + 2.5f * w, 0.3f, 0.0f);
    glRotatef(-90.0f + 90.0f, 0, 1, 0);
    glBindTexture(GL_TEXTURE_2D, bmpTextures[8]);
    glScalef(0.06666f, 0.06666f, 0.06666f);
    model->Draw(0.0f, 0.0f);
    glPopMatrix();
  }
  SaveScreenshot("characters_player_weapons");
  // A closer look at the player character and two bandits from the front.
  BeginScene(-1.25f, kClose);
  model->SelectWeapon(3);
  HoldFrame(model->lower, "LEGS_1", 0, true, *model);
  HoldFrame(model->upper, "TORSO_1", 0, false, *model);
  glPushMatrix();
  glTranslatef(0.0f, 0.3f, 0.0f);
  glRotatef(-110.0f, 0, 1, 0);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[8]);
  glScalef(0.06666f, 0.06666f, 0.06666f);
  model->Draw(0.0f, 0.0f);
  glPopMatrix();
  SaveScreenshot("characters_player_close");
  // The player lying dead, seen from the side and from the feet.
  BeginScene(-1.25f, kFloor);
  for (int view = 0; view < 2; ++view) {
    HoldFrame(model->lower, "LEGS_5", 59, true, *model);
    HoldFrame(model->upper, "TORSO_3", 59, false, *model);
    glPushMatrix();
    glTranslatef(view == 0 ? 2.5f : -2.5f, 0.3f, view == 0 ? 0.5f : -3.5f);
    glRotatef(view == 0 ? 0.0f : 90.0f, 0, 1, 0);
    glBindTexture(GL_TEXTURE_2D, bmpTextures[8]);
    glScalef(0.06666f, 0.06666f, 0.06666f);
    model->Draw(0.0f, 0.0f);
    glPopMatrix();
  }
  SaveScreenshot("characters_player_dead_close");
  for (const char* legs : {"LEGS_1", "LEGS_2", "LEGS_3", "LEGS_5"}) {
    model->SetLegsAnimation(legs);
    const AnimationInfo& a = model->lower.animations[model->lower.currentAnim];
    for (int f = a.startFrame; f < a.endFrame; ++f) {
      model->lower.currentFrame = f;
      model->lower.lastTime = gameClock;
      model->Draw(0.0f, 0.0f);
    }
  }
  EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
  int mv, pr, tx;
  StackDepths(mv, pr, tx);
  EXPECT_EQ(mv, 1);
  // A loop of links (a part hung under itself) draws a bounded number of times.
  ModelPart looped;
  looped.numOfTags = 1;
  looped.numOfFrames = 1;
  looped.tags.resize(1);
  looped.links.assign(1, &looped);
  model->lower.links[0] = &looped;
  model->Draw(0.0f, 0.0f);
  EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
  StackDepths(mv, pr, tx);
  EXPECT_EQ(mv, 1);
}

TEST_F(CharacterGlTest, BanditsDrawEveryAnimation) {
  for (int k = 1; k <= 4; ++k) {
    auto model = std::make_unique<CharacterModel>();
    ASSERT_TRUE(model->LoadModel(DataFile("base/bandits/").c_str(), std::to_string(k).c_str(), 0, 1)) << k;
    EXPECT_TRUE(DialogHistory().empty());
    EXPECT_EQ(model->lower.numOfAnimations, 3);
    EXPECT_EQ(model->upper.numOfAnimations, 0);
    gameClock = 2000.0f;
    struct Shot {
      const char* legs;
      int frame;
    } shots[] = {{"LEGS_1", 0}, {"LEGS_1", 5}, {"LEGS_2", 4}, {"LEGS_2", 59}, {"LEGS_3", 5}, {"LEGS_3", 59}};
    for (int view = 0; view < 2; ++view) {
      const int skin = view;
      BeginScene(-1.25f);
      int i = 0;
      for (const Shot& s : shots) {
        HoldFrame(model->lower, s.legs, s.frame, true, *model);
        glPushMatrix();
        // As the bandits are drawn: origin one unit under the body centre, 1/16.5 scale.
        glTranslatef(-6.5f + 2.4f * i, -1.0f, i >= 2 ? -1.5f : 0.0f);
        glRotatef((view == 1 ? 90.0f : -30.0f + 12.0f * i) - 90.0f, 0, 1, 0);
        glBindTexture(GL_TEXTURE_2D, bmpTextures[50 + 2 * (k - 1) + skin]);
        glScalef(0.0606f, 0.0606f, 0.0606f);
        model->Draw(0.0f, 0.0f);
        glPopMatrix();
        ++i;
      }
      EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
      SaveScreenshot("characters_bandit" + std::to_string(k) + (view == 1 ? "_side_skin1" : "_front"));
    }
    for (const char* legs : {"LEGS_1", "LEGS_2", "LEGS_3"}) {
      model->SetLegsAnimation(legs);
      const AnimationInfo& a = model->lower.animations[model->lower.currentAnim];
      for (int f = a.startFrame; f < a.endFrame; ++f) {
        model->lower.currentFrame = f;
        model->lower.lastTime = gameClock;
        model->Draw(0.0f, 0.0f);
      }
    }
    EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
    if (k != 2) continue;
    // Strips of key frames from the side: the run cycle, then each death's fall.
    for (const char* legs : {"LEGS_1", "LEGS_2", "LEGS_3"}) {
      BeginScene(-1.25f);
      for (int f = 0; f < 10; ++f) {
        HoldFrame(model->lower, legs, f, true, *model);
        glPushMatrix();
        glTranslatef(-7.2f + 1.6f * f, -1.0f, f % 2 == 0 ? 0.0f : -2.0f);
        glBindTexture(GL_TEXTURE_2D, bmpTextures[52]);
        glScalef(0.0606f, 0.0606f, 0.0606f);
        model->Draw(0.0f, 0.0f);
        glPopMatrix();
      }
      SaveScreenshot(std::string("characters_bandit2_frames_") + legs);
    }
  }
}

// Skin and shader files read for a model fill its texture table: each file once, in the order
// met, each material pointing at its file's entry, and a textured mesh drawn with its own texture.
// A full table leaves the meshes past it untextured; the model deletes its textures when it goes.
TEST_F(CharacterGlTest, SkinsAndShadersFillTheModelsTextureTableOnceAndItReleasesThem) {
  const std::string dir = std::string(DUN_BINARY_DIR) + "/test-tmp/character-textures/";
  const auto picture = [&](const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
    EXPECT_TRUE(WriteWholeFile(dir + name, EncodeBmp(RgbImage{1, 1, {r, g, b}}), true));
    return dir + name;
  };
  const auto text = [&](const std::string& name, const std::string& body) {
    EXPECT_TRUE(WriteWholeFile(dir + name, std::vector<uint8_t>(body.begin(), body.end()), true));
    return dir + name;
  };
  // A square of side 6 in the part's x-z plane, facing the viewer once drawn, in both windings.
  const auto square = [](const std::string& name) {
    MeshObject m;
    m.name = name;
    m.numOfFrames = 1;
    m.numOfVerts = m.numTexVertex = 4;
    m.vertices = {{-3, 0, -3}, {3, 0, -3}, {3, 0, 3}, {-3, 0, 3}};
    m.texVerts = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& tri : {std::array<int, 3>{0, 1, 2}, {0, 2, 3}, {0, 2, 1}, {0, 3, 2}}) {
      MeshFace f;
      for (int k = 0; k < 3; ++k) f.vertIndex[k] = f.coordIndex[k] = tri[k];
      m.faces.push_back(f);
    }
    m.numOfFaces = static_cast<int>(m.faces.size());
    return m;
  };
  const auto part = [&](ModelPart& p, int meshes) {
    p.numOfFrames = 1;
    for (int i = 0; i < meshes; ++i) p.objects.push_back(square(std::string("m") + std::to_string(i)));
    p.numOfObjects = meshes;
  };
  const std::string red = picture("red.bmp", 255, 0, 0), blue = picture("blue.bmp", 0, 0, 255),
                    green = picture("green.bmp", 0, 255, 0);

  auto model = std::make_unique<CharacterModel>();
  BhmReader reader(model.get());
  part(model->lower, 3);
  ASSERT_TRUE(reader.LoadSkin(model->lower, text("lower.skin", "m0," + red + "\nm1," + blue + "\nm2," + red + "\n").c_str()));
  part(model->head, 2);
  ASSERT_TRUE(reader.LoadShader(model->head, text("head.shader", blue + "\n" + green + "\n").c_str()));
  EXPECT_EQ(model->textureNames, (std::vector<std::string>{red, blue, green}));
  const int lowerIds[3] = {0, 1, 0}, headIds[2] = {1, 2};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model->lower.materials[model->lower.objects[i].materialID].textureId, lowerIds[i]);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(model->head.materials[model->head.objects[i].materialID].textureId, headIds[i]);
  std::vector<GLuint> loaded(model->textures, model->textures + 3);
  for (GLuint name : loaded) EXPECT_TRUE(glIsTexture(name));
  EXPECT_NE(loaded[0], loaded[1]);
  EXPECT_EQ(model->textures[3], 0u);

  // A file that does not load gives no entry; 97 more files fill the table, and the mesh with the
  // 101st file stays untextured.
  ModelPart many;
  part(many, 99);
  std::string files = dir + "missing.bmp\n";
  for (int i = 0; i < 98; ++i) files += picture(std::string("many") + std::to_string(i) + ".bmp", 0, 0, 0) + "\n";
  ASSERT_TRUE(reader.LoadShader(many, text("many.shader", files).c_str()));
  EXPECT_EQ(model->textureNames.size(), 100u);
  EXPECT_EQ(model->MeshTextureEntry(many, many.objects[97]), 99);
  for (int i : {0, 98}) {
    EXPECT_EQ(many.materials[many.objects[i].materialID].textureId, -1);
    EXPECT_FALSE(many.objects[i].hasTexture);
    EXPECT_EQ(model->MeshTextureEntry(many, many.objects[i]), -1);
  }
  for (int i = 0; i < 100; ++i) loaded.push_back(model->textures[i]);

  // Left with its first mesh, the lower part shows that mesh's texture (red), not the one bound
  // before the drawing.
  model->lower.objects.resize(1);
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-10.0, 10.0, -7.5, 7.5, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, loaded[1]);  // blue
  model->Draw(0.0f, 0.0f);
  ExpectPixel(400, 300, 255, 0, 0);
  ExpectPixel(400, 500, 128, 128, 128);
  SaveScreenshot("character_mesh_texture");

  model.reset();
  for (GLuint name : loaded) EXPECT_FALSE(glIsTexture(name)) << name;
  EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

}  // namespace
