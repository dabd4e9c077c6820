// Character models: reading parts (with the reader's message boxes), linking, weapons and
// animation selection.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/character_model.h"
#include "engine/formats/binary_io.h"
#include "engine/frame.h"
#include "platform/dialog.h"

namespace {

const std::string kDir = std::string(DUN_BINARY_DIR) + "/test-tmp/characters";

ModelPart SmallPart(int frames, std::vector<std::string> tagNames) {
  ModelPart p;
  p.numOfFrames = frames;
  p.numOfTags = static_cast<int>(tagNames.size());
  for (int f = 0; f < frames; ++f)
    for (const std::string& n : tagNames) {
      Tag t;
      t.name = n;
      t.origin = {0, 0, static_cast<float>(f)};
      p.tags.push_back(t);
    }
  MeshObject m;
  m.name = "m";
  m.numOfFrames = frames;
  m.numOfVerts = m.numTexVertex = 3;
  m.numOfFaces = 1;
  for (int f = 0; f < frames; ++f)
    for (int v = 0; v < 3; ++v) m.vertices.push_back({static_cast<float>(v), static_cast<float>(f), 0});
  m.texVerts = {{0, 0}, {1, 0}, {0, 1}};
  MeshFace face;
  face.vertIndex[1] = face.coordIndex[1] = 1;
  face.vertIndex[2] = face.coordIndex[2] = 2;
  m.faces = {face};
  p.objects = {m};
  p.numOfObjects = 1;
  return p;
}

void WriteText(const std::string& path, const std::string& text) {
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()), true));
}

class CharacterModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDialogHeadless(true);
    ClearDialogHistory();
    gameClock = 0.0f;
    ASSERT_TRUE(WriteWholeFile(kDir + "/hero_lower.bhm", SerializeBhm(SmallPart(12, {"TAG_Torso"}), "l"), true));
    ASSERT_TRUE(WriteWholeFile(kDir + "/hero_upper.bhm", SerializeBhm(SmallPart(8, {"tag_weapon", "tag_head"}), "u"), true));
    ASSERT_TRUE(WriteWholeFile(kDir + "/hero_head.bhm", SerializeBhm(SmallPart(1, {}), "h"), true));
    for (int k = 1; k <= 6; ++k)
      ASSERT_TRUE(WriteWholeFile(kDir + "/" + std::to_string(k) + ".bhm", SerializeBhm(SmallPart(1, {}), "w"), true));
    WriteText(kDir + "/hero_animation.cfg",
              "// test\r\n0 4 0 10 // TORSO_1\r\n4 4 0 10 // TORSO_2\r\n8 30 0 10 // TORSO_3\r\n"
              "8 5 0 10 // LEGS_1\r\n13 7 0 20 // LEGS_2\r\n");
  }
};

TEST_F(CharacterModelTest, ImportShowsTheMessagesOfAMissingOrBadFile) {
  BhmReader reader;
  ModelPart part;
  const std::string missing = kDir + "/none.bhm";
  EXPECT_FALSE(reader.Import(part, missing.c_str()));
  ASSERT_EQ(DialogHistory().size(), 1u);
  EXPECT_EQ(DialogHistory()[0].caption, "Error");
  EXPECT_EQ(DialogHistory()[0].text, "Unable to find the file: " + missing + "!");

  auto bytes = SerializeBhm(SmallPart(1, {}), "v");
  bytes[4] = 16;
  const std::string v16 = kDir + "/v16.bhm";
  ASSERT_TRUE(WriteWholeFile(v16, bytes, true));
  EXPECT_FALSE(reader.Import(part, v16.c_str()));
  ASSERT_EQ(DialogHistory().size(), 2u);
  EXPECT_EQ(DialogHistory()[1].text, "Invalid file format (Version not 15): " + v16 + "!");

  // Other refusals say what was wrong, in the same box.
  bytes[4] = 15;
  auto zeroFrames = bytes;
  zeroFrames[76] = 0;
  bytes.resize(bytes.size() - 3);
  ASSERT_TRUE(WriteWholeFile(v16, bytes, true));
  EXPECT_FALSE(reader.Import(part, v16.c_str()));
  ASSERT_TRUE(WriteWholeFile(v16, zeroFrames, true));
  EXPECT_FALSE(reader.Import(part, v16.c_str()));
  ASSERT_EQ(DialogHistory().size(), 4u);
  EXPECT_EQ(DialogHistory()[2].caption, "Error");
  EXPECT_EQ(DialogHistory()[2].text, "Invalid file format (mesh 1: blocks beyond the end of the file): " + v16 + "!");
  EXPECT_EQ(DialogHistory()[3].text, "Invalid file format (bad frame, tag or mesh count): " + v16 + "!");

  // The names of a character's files have one separator after the folder, with or without a
  // separator at the folder's end.
  ClearDialogHistory();
  CharacterModel m;
  EXPECT_FALSE(m.LoadModel((kDir + "/none").c_str(), "hero", 0, 3));
  EXPECT_TRUE(m.LoadWeapons((kDir + "/none/").c_str()));
  ASSERT_EQ(DialogHistory().size(), 7u);
  EXPECT_EQ(DialogHistory()[0].text, "Unable to find the file: " + kDir + "/none/hero_head.bhm!");
  EXPECT_EQ(DialogHistory()[3].text, "Unable to find the file: " + kDir + "/none/3.bhm!");

  // Backslash separators are accepted.
  const std::string slashed = kDir + "\\hero_head.bhm";
  EXPECT_TRUE(reader.Import(part, slashed.c_str()));
  EXPECT_EQ(part.numOfObjects, 1);
}

TEST_F(CharacterModelTest, SkinAndShaderReadersShowTheirMessages) {
  BhmReader reader;
  ModelPart part = SmallPart(1, {});
  WriteText(kDir + "/hero.skin", "m,textures/skin.bmp\n");
  WriteText(kDir + "/hero.shader", "one.bmp\ntwo.bmp\n");  // two files for one mesh
  EXPECT_TRUE(reader.LoadSkin(part, (kDir + "/hero.skin").c_str()));
  EXPECT_FALSE(reader.LoadShader(part, (kDir + "/hero.shader").c_str()));
  EXPECT_FALSE(reader.LoadSkin(part, (kDir + "/none.skin").c_str()));
  EXPECT_FALSE(reader.LoadShader(part, nullptr));
  ASSERT_EQ(DialogHistory().size(), 3u);
  EXPECT_EQ(DialogHistory()[0].caption, "Error");
  EXPECT_EQ(DialogHistory()[0].text, "Unable to load shader!");
  EXPECT_EQ(DialogHistory()[1].text, "Unable to load skin!");
  EXPECT_EQ(DialogHistory()[2].text, "Unable to load shader!");
  // The skin read before stays.
  ASSERT_EQ(part.numOfMaterials, 1);
  EXPECT_EQ(part.materials[0].file, "textures/skin.bmp");
}

TEST_F(CharacterModelTest, LoadsLinksAndAnimates) {
  CharacterModel m;
  ASSERT_TRUE(m.LoadModel(kDir.c_str(), "hero", 1, 3));
  EXPECT_TRUE(DialogHistory().empty());
  EXPECT_EQ(m.skin, 1);
  EXPECT_EQ(m.lower.links[0], &m.upper);  // tag names match ignoring case
  EXPECT_EQ(m.upper.links[1], &m.head);
  EXPECT_EQ(m.upper.links[0], nullptr);
  EXPECT_EQ(m.upper.numOfAnimations, 2);  // TORSO_3 runs past the upper part's 8 frames: dropped
  EXPECT_EQ(m.lower.numOfAnimations, 2);
  EXPECT_EQ(m.lower.animations[1].startFrame, 5);
  EXPECT_EQ(m.head.numOfAnimations, 0);

  ASSERT_TRUE(m.LoadWeapons(kDir.c_str()));
  EXPECT_EQ(m.upper.links[0], &m.weapons[0]);
  EXPECT_EQ(m.currentWeapon, 0);
  m.SelectWeapon(3);
  EXPECT_EQ(m.upper.links[0], &m.weapons[3]);
  EXPECT_EQ(m.currentWeapon, 3);
  m.upper.links[0] = &m.weapons[1];  // only a change of weapon relinks
  m.SelectWeapon(3);
  EXPECT_EQ(m.upper.links[0], &m.weapons[1]);
  m.SelectWeapon(6);
  m.SelectWeapon(-1);
  EXPECT_EQ(m.currentWeapon, 3);
  EXPECT_EQ(m.upper.links[0], &m.weapons[1]);

  gameClock = 500.0f;
  m.SetLegsAnimation("legs_2");
  EXPECT_EQ(m.lower.currentAnim, 1);
  EXPECT_EQ(m.lower.currentFrame, 5);
  EXPECT_FLOAT_EQ(m.lower.lastTime, 500.0f);
  m.upper.lastTime = 123.0f;
  m.SetTorsoAnimation("Torso_2");
  EXPECT_EQ(m.upper.currentAnim, 1);
  EXPECT_EQ(m.upper.currentFrame, 4);
  EXPECT_FLOAT_EQ(m.upper.lastTime, 123.0f);
  m.SetTorsoAnimation("TORSO_9");
  m.SetLegsAnimation(nullptr);
  EXPECT_EQ(m.upper.currentAnim, 1);
  EXPECT_EQ(m.lower.currentAnim, 1);

  // LEGS_2 runs local frames 5..11 at 20 frames a second and wraps to 5.
  for (int i = 0; i < 7; ++i) m.UpdateAnimation(500.0f + 50.0f * (i + 1));
  EXPECT_EQ(m.lower.currentFrame, 5);
}

TEST_F(CharacterModelTest, LinkPartAndFailures) {
  CharacterModel m;
  EXPECT_FALSE(m.LoadModel(nullptr, "hero", 0, 3));
  EXPECT_FALSE(m.LoadModel(kDir.c_str(), "nobody", 0, 1));
  EXPECT_EQ(DialogHistory().size(), 1u);
  EXPECT_FALSE(m.LoadWeapons(nullptr));
  EXPECT_FALSE(m.LoadAnimations((kDir + "/none.cfg").c_str()));
  EXPECT_EQ(DialogHistory().size(), 1u);  // no message for a missing animation file

  ModelPart a = SmallPart(1, {"tag_x", "TAG_X"});
  ModelPart b;
  a.links.assign(2, nullptr);
  m.LinkPart(&a, &b, "Tag_X");
  EXPECT_EQ(a.links[0], &b);
  EXPECT_EQ(a.links[1], nullptr);
  m.LinkPart(&a, &b, "tag_none");
  m.LinkPart(nullptr, &b, "tag_x");
  m.LinkPart(&a, nullptr, "tag_x");
  m.LinkPart(&a, &b, nullptr);
  EXPECT_EQ(a.links[1], nullptr);

  EXPECT_EQ(m.GetPart(0), &m.lower);
  EXPECT_EQ(m.GetPart(8), &m.weapons[5]);
  EXPECT_EQ(m.GetPart(9), nullptr);
}

}  // namespace

namespace {

// A generated bandit dies on the game clock as the drawing advances it every frame: once fallen,
// the body holds still until it has faded out (5 s), for either death.
TEST(GeneratedBandit, DeathHoldsStillOnTheGameClock) {
  SetDialogHeadless(true);
  for (const char* death : {"LEGS_2", "LEGS_3"}) {
    CharacterModel m;
    const std::string dir = std::string(DUN_DATA_DIR) + "/" + kBanditCharacterDir;
    ASSERT_TRUE(m.LoadModel(dir.c_str(), "1", 0, 1));
    gameClock = 20000.0f;
    m.SetLegsAnimation("LEGS_1");
    for (int i = 0; i < 100; ++i) m.UpdateAnimation(gameClock += 16.0f);
    m.SetLegsAnimation(death);
    const float diedAt = gameClock;
    const AnimationInfo a = m.lower.animations[m.lower.currentAnim];
    const MeshObject& mesh = m.lower.objects[0];
    while (gameClock < diedAt + 5500.0f) {
      gameClock += 16.0f;
      m.UpdateAnimation(gameClock);
      ASSERT_GE(m.lower.currentFrame, a.startFrame);
      ASSERT_LT(m.lower.currentFrame, a.endFrame);
      if (gameClock - diedAt < 1500.0f) continue;
      for (int v = 0; v < mesh.numOfVerts; v += 7) {
        const BhmVec3 p = InterpolatedVertex(mesh, m.lower.currentFrame, m.lower.nextFrame, m.lower.t, v);
        const BhmVec3 q = InterpolatedVertex(mesh, a.endFrame - 1, a.endFrame - 1, 0.0f, v);
        ASSERT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z) << death << " at " << gameClock - diedAt << " ms";
      }
    }
  }
}

}  // namespace

#include "engine/formats/ms3d_file.h"
#include "meshcollide/collision_model_3d.h"

namespace {

// The generated hit mesh, read and put into a collision model triangle by triangle, placed as the
// shooting code places it (origin 0.3 above the body centre): shots at the body hit, shots past
// it miss.
TEST(GeneratedPlayer, HitMeshStopsShotsAtTheBody) {
  Ms3dData model;
  ASSERT_TRUE(LoadMs3dFile(std::string(DUN_DATA_DIR) + "/" + kPlayerHitMeshFile, model));
  CollisionModel3D* hit = newCollisionModel3D(false);
  for (const Ms3dTriangle& t : model.triangles) {
    const float* a = model.vertices[t.vertexIndices[0]].location;
    const float* b = model.vertices[t.vertexIndices[1]].location;
    const float* c = model.vertices[t.vertexIndices[2]].location;
    hit->addTriangle(a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]);
  }
  hit->finalize();
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  hit->setTransform(identity);
  const float towardsBack[3] = {0, 0, -1}, sideways[3] = {-1, 0, 0};
  struct Shot {
    float origin[3];
    const float* direction;
    bool hits;
  } shots[] = {
      {{0.0f, 1.1f, 10.0f}, towardsBack, true},    // chest, from the front
      {{0.0f, 2.0f, 10.0f}, towardsBack, true},    // head
      {{0.24f, -0.9f, 10.0f}, towardsBack, true},  // a leg
      {{10.0f, 0.6f, 0.0f}, sideways, true},       // the side of the body
      {{0.0f, 2.9f, 10.0f}, towardsBack, false},   // over the head
      {{1.6f, 0.5f, 10.0f}, towardsBack, false},   // beside the body
      {{0.0f, -1.7f, 10.0f}, towardsBack, false},  // under the feet
  };
  for (const Shot& s : shots)
    EXPECT_EQ(hit->rayCollision(s.origin, s.direction, true, 0.0f, 70.0f), s.hits)
        << s.origin[0] << " " << s.origin[1] << " " << s.origin[2];
  delete hit;
}

}  // namespace
