// Every effect, the HUD, the drawn actors and the pick-ups drawn over a generated map as the frame
// draws them: no GL errors, balanced matrix stacks, the GL state each leaves behind, and
// screenshots to look at.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <memory>

#include "engine/formats/bhm_file.h"
#include "engine/frame.h"
#include "app/gl_window.h"
#include "engine/static_model.h"
#include "engine/textures.h"
#include "game/bandits.h"
#include "game/data_files.h"
#include "game/draw_characters.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/map_intro.h"
#include "game/player.h"
#include "game/prizes.h"
#include "game/view_weapon.h"
#include "game/world.h"
#include "gl_fixture.h"
#include "game/lan/net.h"
#include "game/menu_draw.h"

namespace {

std::unique_ptr<Ms3dModel> sceneMap;
std::unique_ptr<Ms3dModel> sceneLamps;
std::unique_ptr<Ms3dModel> loadedWeapons[6];
std::unique_ptr<Ms3dModel> loadedPrizes[3];

// The camera of the scene: standing at the first map's first spawn point, looking along +x a
// little downwards.
Vec3 kEye;
Vec3 kForward;  // flat unit direction from the spawn point towards the middle of the map

// A point ahead of the eye: dist along the view, up above the spawn point, side to the right.
Vec3 Ahead(float dist, float up, float side) {
  const Vec3 right(-kForward.z, 0.0f, kForward.x);
  return Vec3(kEye.x + dist * kForward.x + side * right.x, kEye.y + up, kEye.z + dist * kForward.z + side * right.z);
}

class EffectsGl : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    static bool loaded = false;
    if (!loaded) {
      ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
      ResizeGLScene(Width(), Height());
      InitGL();
      ASSERT_TRUE(LoadBmpTextures());
      ReadBanditPoints(1);
      ASSERT_GE(lastSpawnPointIndex, 0);
      kEye = Vec3(spawnPoints[0].x, spawnPoints[0].y, spawnPoints[0].z);
      const float dx = -10.0f - kEye.x, dz = -110.0f - kEye.z;
      const float len = std::sqrt(dx * dx + dz * dz);
      kForward = len > 0.0f ? Vec3(dx / len, 0.0f, dz / len) : Vec3(1.0f, 0.0f, 0.0f);
      sceneMap = std::make_unique<Ms3dModel>();
      ASSERT_TRUE(sceneMap->Load("base/maps/1/map.ms3d"));
      sceneMap->LoadTextures();
      sceneLamps = std::make_unique<Ms3dModel>();
      ASSERT_TRUE(sceneLamps->Load("base/maps/1/light.ms3d"));
      sceneLamps->LoadTextures();
      sceneLamps->BuildFaceList();
      for (int i = 0; i < 6; ++i) {
        loadedWeapons[i] = std::make_unique<Ms3dModel>();
        const std::string name = "base/weapon/" + std::to_string(i + 1) + ".ms3d";
        ASSERT_TRUE(loadedWeapons[i]->Load(name.c_str()));
        loadedWeapons[i]->LoadTextures();
      }
      for (int i = 0; i < 3; ++i) {
        loadedPrizes[i] = std::make_unique<Ms3dModel>();
        const std::string name = "base/objects/" + std::to_string(i + 1) + ".ms3d";
        ASSERT_TRUE(loadedPrizes[i]->Load(name.c_str()));
        loadedPrizes[i]->LoadTextures();
      }
      loaded = true;
    }
    for (int i = 0; i < 6; ++i) weaponModels[i] = loadedWeapons[i].get();
    for (int i = 0; i < 3; ++i) prizeModels[i] = loadedPrizes[i].get();
    mapModel = sceneMap.get();
    lightModel = sceneLamps.get();
    ResetEffects();
    frameStep = 1.0f;
    gameMode = 0;
    mapNumber = 3;
    scores[0] = scores[1] = 0;
    PlayerRecord& p = players[0];
    p.position = kEye;
    p.health = 75.0f;
    p.kills = 12;
    p.bobPhase = 0.0f;
    p.weaponRaise = 1.0f;
    p.shotTimer = 5.0f;
    p.currentWeapon = 1;
    p.shownWeapon = 1;
    p.weaponLower = 0.0f;
    p.hurtFlash = 0.0f;
    p.ammo[1] = 42;
    p.viewDirection = Vec3(kForward.x, -0.1f, kForward.z);
    eyePosition = kEye;
    lookDirection = p.viewDirection;
    pickupMessageAlpha = 0.0f;
    healthMessageTimer = 0.0f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, double(Width()) / Height(), 0.1, 400.0);
    glMatrixMode(GL_MODELVIEW);
  }

  // The start of a play frame up to the map, as the frame draws it.
  void DrawMapView() {
    glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    SetCamera();
    glDisable(GL_LIGHTING);
    sceneMap->Draw();
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
  }

  static void SetCamera() {
    glLoadIdentity();
    gluLookAt(kEye.x, kEye.y + 2.5, kEye.z, kEye.x + lookDirection.x, kEye.y + 2.5 + lookDirection.y,
              kEye.z + lookDirection.z, 0.0, 1.0, 0.0);
  }

  static void ExpectBalanced() {
    int modelview = 0, projection = 0, texture = 0;
    StackDepths(modelview, projection, texture);
    EXPECT_EQ(modelview, 1);
    EXPECT_EQ(projection, 1);
    EXPECT_EQ(texture, 1);
    EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR));
  }

  static bool On(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }
  static bool DepthWrites() {
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    return mask == GL_TRUE;
  }
  static void ModelView(float m[16]) { glGetFloatv(GL_MODELVIEW_MATRIX, m); }

  // How many pixels differ from a snapshot by more than a little.
  static int ChangedPixels(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after) {
    int changed = 0;
    for (size_t i = 0; i + 2 < before.size(); i += 3) {
      const int d = std::abs(before[i] - after[i]) + std::abs(before[i + 1] - after[i + 1]) +
                    std::abs(before[i + 2] - after[i + 2]);
      if (d > 24) ++changed;
    }
    return changed;
  }
};

TEST_F(EffectsGl, HudOverTheMapView) {
  DrawMapView();
  players[0].weaponRaise = 0.3f;  // the bar fades out as the weapon comes up
  players[0].hurtFlash = 0.35f;
  ammoPickupLastWeapon = 2;
  pickupMessageAlpha = 1.0f;
  glLoadIdentity();
  DrawHud();
  ExpectBalanced();
  EXPECT_TRUE(On(GL_LIGHTING));
  EXPECT_TRUE(On(GL_DEPTH_TEST));
  EXPECT_FALSE(On(GL_BLEND));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  float m[16];
  ModelView(m);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_EQ(m[12], 0.0f);
  EXPECT_LT(pickupMessageAlpha, 1.0f);  // the message fades
  uint8_t rgb[3];
  PixelAt(400, 300, rgb);  // the crosshair is added over the scene
  EXPECT_GT(rgb[0] + rgb[1] + rgb[2], 200);
  SaveScreenshot("hud_over_map");
}

TEST_F(EffectsGl, HudDeathScreensAndLanResult) {
  DrawMapView();
  players[0].health = 0.5f;
  DrawHud();
  ExpectBalanced();
  SaveScreenshot("hud_killed_single_player");

  DrawMapView();
  gameMode = 1;
  players[0].deathTimer = 0.6f;
  scores[0] = 10;
  scores[1] = 4;
  DrawHud();
  ExpectBalanced();
  EXPECT_TRUE(On(GL_DEPTH_TEST));
  SaveScreenshot("hud_lan_death_and_win");
  players[0].deathTimer = 0.0f;
}

TEST_F(EffectsGl, HitBurstSpawnsInFrontOfTheViewer) {
  DrawMapView();
  const std::vector<uint8_t> before = ReadPixels();
  for (Particle& p : hitParticles) p.life = -1.0f;  // all spent: free for a new burst
  hitFlag = true;
  hitPoint = Ahead(8.0f, 2.0f, 0.0f);
  for (int frame = 0; frame < 8; ++frame) {
    SetCamera();
    DrawHitBurst();
  }
  EXPECT_FALSE(hitFlag);
  ExpectBalanced();
  EXPECT_TRUE(On(GL_DEPTH_TEST));
  EXPECT_TRUE(DepthWrites());
  EXPECT_TRUE(On(GL_CULL_FACE));
  EXPECT_FALSE(On(GL_BLEND));
  EXPECT_FALSE(On(GL_LIGHTING));
  EXPECT_GT(ChangedPixels(before, ReadPixels()), 500);
  SaveScreenshot("hit_burst");
}

TEST_F(EffectsGl, ImpactMarksSmokeAndBloodDecals) {
  DrawMapView();
  const std::vector<uint8_t> before = ReadPixels();
  // Marks on a plane in front of the viewer, facing it, and blood on the floor below.
  for (int i = 0; i < 4; ++i) {
    ImpactMark& m = impactMarks[i];
    m.position = Ahead(6.0f, 1.5f + 0.6f * i, -1.5f + i);
    m.aimPoint = Vec3(m.position.x - kForward.x, m.position.y, m.position.z - kForward.z);
    m.variant = i;
    m.size = 2.0f;
    m.life = 1.0f;
  }
  BloodDecal& d = bloodDecals[0];
  d.position = Ahead(5.0f, -0.95f, 1.5f);
  d.aimPoint = Vec3(d.position.x, d.position.y + 1.0f, d.position.z);
  d.life = 0.98f;  // fully spread
  d.variant = 1;
  impactFlag = true;
  impactSmokePoint = Ahead(6.0f, 3.0f, 0.0f);
  impactSmokeScale = 7.0f;

  SetCamera();
  DrawBloodDecals();
  EXPECT_TRUE(DepthWrites());
  EXPECT_TRUE(On(GL_CULL_FACE));
  EXPECT_FALSE(On(GL_BLEND));
  SetCamera();
  DrawImpactMarks();
  DrawImpactBurst();
  ExpectBalanced();
  EXPECT_FALSE(impactFlag);
  EXPECT_TRUE(DepthWrites());
  EXPECT_FALSE(On(GL_BLEND));
  EXPECT_TRUE(On(GL_DEPTH_TEST));
  EXPECT_LT(impactMarks[0].life, 1.0f);  // aged as drawn
  EXPECT_EQ(impactMarks[10].life, 0.0f);
  EXPECT_GT(ChangedPixels(before, ReadPixels()), 1000);
  SaveScreenshot("impact_marks_and_blood");
}

TEST_F(EffectsGl, ViewWeaponAndMuzzleFlash) {
  for (int weapon : {1, 4}) {
    DrawMapView();
    players[0].currentWeapon = weapon;
    players[0].shownWeapon = weapon;
    players[0].shotTimer = 0.01f;
    glLoadIdentity();
    float before[16], after[16];
    ModelView(before);
    DrawViewWeapon();
    ModelView(after);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(before[k], after[k]);
    EXPECT_GT(players[0].recoilPhase, 0.0f);
    glLoadIdentity();
    DrawMuzzleFlash();
    ModelView(after);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(before[k], after[k]);
    ExpectBalanced();
    EXPECT_TRUE(On(GL_LIGHTING));
    EXPECT_TRUE(DepthWrites());
    EXPECT_TRUE(On(GL_CULL_FACE));
    EXPECT_FALSE(On(GL_BLEND));
    SaveScreenshot(weapon == 1 ? "view_weapon_flash_1" : "view_weapon_flash_4");
  }
}

TEST_F(EffectsGl, LampHalosGlowNearTheEye) {
  // Look at the nearest lamp.
  float best = 1e30f;
  for (const FaceRecord& f : lightModel->faces) {
    const Vec3 d(f.centroid[0] - kEye.x, f.centroid[1] - kEye.y - 2.5f, f.centroid[2] - kEye.z);
    const float d2 = d.x * d.x + d.y * d.y + d.z * d.z;
    if (d2 < best) {
      best = d2;
      const float len = std::sqrt(d2);
      lookDirection = Vec3(d.x / len, d.y / len, d.z / len);
    }
  }
  ASSERT_LT(best, 12500.0f);
  DrawMapView();
  const std::vector<uint8_t> plain = ReadPixels();
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  lightModel->SortFacesByDistance(Vec3(eyePosition.x, eyePosition.y + 2.5f, eyePosition.z));
  lightModel->DrawLampHalos();
  glEnable(GL_FOG);
  ExpectBalanced();
  EXPECT_FALSE(On(GL_BLEND));
  EXPECT_TRUE(On(GL_CULL_FACE));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE);
  EXPECT_GT(ChangedPixels(plain, ReadPixels()), 200);
  SaveScreenshot("lamp_halos");

  // Lamps whose triangles name missing vertices get no face in the list: the halos go by the
  // list, not by the triangle count, and draw nothing.
  Ms3dModel broken;
  ASSERT_TRUE(broken.Load("base/maps/1/light.ms3d"));
  for (ModelTriangle& t : broken.triangles) t.vertexIndices[0] = 1 << 20;
  broken.BuildFaceList();
  ASSERT_TRUE(broken.faces.empty());
  ASSERT_GT(broken.numTriangles, 0);
  DrawMapView();
  const std::vector<uint8_t> bare = ReadPixels();
  broken.SortFacesByDistance(Vec3(eyePosition.x, eyePosition.y + 2.5f, eyePosition.z));
  broken.DrawLampHalos();
  EXPECT_EQ(ChangedPixels(bare, ReadPixels()), 0);
}

TEST_F(EffectsGl, BanditsAndTheOtherPlayerAtTheirDrawPositions) {
  static bool charactersLoaded = false;
  if (!charactersLoaded) {
    for (int i = 0; i < 4; ++i) {
      const std::string name = std::to_string(i + 1);
      ASSERT_TRUE(bandits[i].model.LoadModel(kBanditCharacterDir, name.c_str(), 0, 1));
      bandits[i].model.SetLegsAnimation("LEGS_1");
    }
    ASSERT_TRUE(players[1].model.LoadModel(kPlayerCharacterDir, kPlayerCharacterName, 0, 3));
    players[1].model.LoadWeapons(kPlayerCharacterDir);
    players[1].model.SetLegsAnimation("LEGS_1");
    players[1].model.SetTorsoAnimation("TORSO_1");
    players[1].model.SelectWeapon(2);
    charactersLoaded = true;
  }
  DrawMapView();
  const std::vector<uint8_t> before = ReadPixels();
  // Four bandits in a row in front of the viewer: alive, just spawned (half faded in), dying, and
  // firing (its flash showing).
  for (int i = 0; i <= lastBanditIndex && i < 4; ++i) {
    BanditRecord& b = bandits[i];
    b.body = nullptr;
    b.position = Ahead(14.0f, 0.0f, -6.0f + 4.0f * i);
    b.direction = Vec3(-10.0f * kForward.x, 0.0f, -10.0f * kForward.z);  // facing the viewer
    b.health = 100.0f;
    b.deathTimer = 0.0f;
    b.spawnFade = 5.0f;
    b.skin = i & 1;
    b.muzzleFlashTimer = 10.0f;
  }
  bandits[1].spawnFade = 0.5f;
  bandits[2].health = 0.0f;
  bandits[2].deathTimer = 1.9f;
  bandits[3].muzzleFlashTimer = 0.0f;
  SetCamera();
  glDisable(GL_LIGHTING);  // as the lamp-halo step of the frame leaves it
  DrawBandits();
  ExpectBalanced();
  EXPECT_TRUE(On(GL_DEPTH_TEST));
  EXPECT_FALSE(On(GL_BLEND));
  EXPECT_GT(bandits[2].deathTimer, 1.9f);
  EXPECT_GT(bandits[3].muzzleFlashTimer, 0.0f);
  EXPECT_GT(ChangedPixels(before, ReadPixels()), 2000);
  SaveScreenshot("bandits");

  // The other player of a LAN match in front of the viewer, facing it.
  DrawMapView();
  const std::vector<uint8_t> empty = ReadPixels();
  PlayerRecord& other = players[1];
  other.position = Ahead(10.0f, 0.0f, 0.0f);
  other.viewDirection = Vec3(-kForward.x, 0.0f, -kForward.z);
  other.health = 100.0f;
  other.deathTimer = 0.0f;
  other.respawnTimer = 5.0f;
  other.legsAnimWanted = 1;
  SetCamera();
  glDisable(GL_LIGHTING);
  DrawOtherPlayer();
  ExpectBalanced();
  EXPECT_EQ(other.legsAnim, 1);
  float m[16];
  ModelView(m);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_EQ(m[14], 0.0f);  // ends with the identity loaded
  EXPECT_GT(ChangedPixels(empty, ReadPixels()), 2000);
  SaveScreenshot("other_player");
}

TEST_F(EffectsGl, PickUpsSpinNearThePlayer) {
  DrawMapView();
  const std::vector<uint8_t> before = ReadPixels();
  lastPrizePointIndex = 3;
  for (int i = 0; i <= 3; ++i) {
    prizePoints[i] = PrizePoint{};
    const Vec3 at = Ahead(7.0f, 1.0f, -3.0f + 2.0f * i);
    prizePoints[i].x = at.x;
    prizePoints[i].y = at.y;
    prizePoints[i].z = at.z;
    prizePoints[i].type = i % 3;
  }
  prizePoints[3].timer = -0.5f;  // fading in
  SetCamera();
  float camera[16], after[16];
  ModelView(camera);
  DrawPrizes();
  ModelView(after);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(camera[k], after[k]);
  ExpectBalanced();
  EXPECT_TRUE(On(GL_LIGHTING));
  EXPECT_FALSE(On(GL_BLEND));
  EXPECT_GT(ChangedPixels(before, ReadPixels()), 1000);
  SaveScreenshot("pick_ups");
  lastPrizePointIndex = -1;
}

// The small drawing routines of the effects, the debug drawings and the menus, each drawn over a
// grey screen and read back at a few points. Textures made for the test stand in for the pictures:
// a mask black on its left half and white on its right, and solid red and blue.
TEST_F(EffectsGl, SmallDrawingsMaskAndColourWhereTheyShould) {
  const uint8_t maskTexels[6] = {0, 0, 0, 255, 255, 255}, redTexel[3] = {255, 0, 0}, blueTexel[3] = {0, 0, 255};
  const GLuint made[3] = {MakeTexture(2, 1, maskTexels), MakeTexture(1, 1, redTexel), MakeTexture(1, 1, blueTexel)};
  const GLuint mask = made[0], red = made[1], blue = made[2];
  GLuint savedBmp[61];
  std::copy(bmpTextures, bmpTextures + 61, savedBmp);
  for (int i : {1, 11, 34, 39}) bmpTextures[i] = red;
  for (int i : {10, 35}) bmpTextures[i] = blue;
  bmpTextures[12] = bmpTextures[36] = mask;
  maskedQuadTextures[3][0] = red;
  maskedQuadTextures[3][1] = mask;
  progressBarTexture = red;
  const int savedLast = lastSpawnPointIndex;
  const SpawnPoint savedPoints[2] = {spawnPoints[0], spawnPoints[1]};
  lastSpawnPointIndex = 1;
  spawnPoints[0] = SpawnPoint{-4.0f, 0.0f, 0.0f, 1};
  spawnPoints[1] = SpawnPoint{4.0f, 0.0f, 0.0f, 0};
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);  // the backwards progress bar would show
  glDisable(GL_DEPTH_TEST);

  // A flat view of 40 pixels per unit looking at the origin from (dx, dy, dz), or the menu space.
  const auto look = [](float dx, float dy, float dz) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10.0, 10.0, -7.5, 7.5, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(50.0 * dx, 50.0 * dy, 50.0 * dz, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
  };
  const auto menu = [](float x, float y) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(x, y, 0.0f);
  };
  const int g = 128, h = 64;  // the grey screen; half of it
  struct Probe {
    int x, y, r, g, b;
  };
  const struct {
    const char* name;
    std::function<void()> draw;
    std::vector<Probe> probes;
  } cases[] = {
      // Where the mask is black only the picture shows, where it is white the picture is added.
      {"masked quad",
       [&] {
         look(0, 0, 1);
         glEnable(GL_BLEND);
         DrawQuadAtMasked(-5, 0, 10, -5, 0, 0, 1.25f, 1.25f, 1.25f, 3);
       },
       {{175, 300, 255, 0, 0}, {225, 300, 255, g, g}, {260, 300, g, g, g}}},
      {"masked quad, no such pair",
       [&] {
         look(0, 0, 1);
         glEnable(GL_BLEND);
         for (int index : {-1, kMaskedQuadPairs, 1 << 30}) DrawQuadAtMasked(0, 0, 10, 0, 0, 0, 1, 1, 1, index);
       },
       {{400, 300, g, g, g}}},
      // Picture 11 over mask 12; the colour pass keeps the screen by one minus the colour's alpha.
      {"crossed sprite, XY square",
       [&] {
         look(0, 0, 1);
         glEnable(GL_BLEND);
         glColor4f(1, 1, 1, 0.5f);
         DrawCrossedSprite();
       },
       {{300, 300, 255, 0, 0}, {500, 300, 255, h, h}, {500, 520, g, g, g}, {650, 300, g, g, g}}},
      {"crossed sprite, YZ square",
       [&] {
         look(-1, 0, 0);
         glEnable(GL_BLEND);
         glColor4f(1, 1, 1, 0.5f);
         DrawCrossedSprite();
       },
       {{300, 300, 255, 0, 0}, {500, 300, 255, h, h}, {500, 520, g, g, g}}},
      // Seen from the point it faces: its corners lie 1 unit (40 pixels) from the middle.
      {"unit billboard",
       [&] {
         look(-1, 0, 0);
         glBindTexture(GL_TEXTURE_2D, red);
         DrawBillboardUnit(-10, 0, 0, 0, 0, 0);
       },
       {{400, 332, 255, 0, 0}, {432, 300, 255, 0, 0}, {400, 352, g, g, g}, {452, 300, g, g, g}}},
      // Untextured pale yellow, radius 3, 4 units above flarePoint (50, 90, 0), texturing on after.
      {"debug sphere",
       [&] {
         look(0, 0, 1);
         glTranslatef(-50, -90, 0);
         DrawDebugSphereAtPoint();
         EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
       },
       {{400, 460, 255, 255, 128}, {400, 560, 255, 255, 128}, {400, 300, g, g, g}, {400, 590, g, g, g}}},
      // Radius 1: picture 1 where the flag is set, picture 10 elsewhere.
      {"waypoint spheres", [&] { look(0, 0, 1); DrawWaypointSpheres(); },
       {{240, 300, 255, 0, 0}, {560, 300, 0, 0, 255}, {240, 350, g, g, g}, {400, 300, g, g, g}}},
      {"panel",
       [&] {
         menu(0, 0);
         glBindTexture(GL_TEXTURE_2D, red);
         glBlendFunc(GL_ONE, GL_ONE);
         DrawPanelQuad();
         EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
       },
       {{100, 16, 255, g, g}, {120, 16, g, g, g}, {100, 36, g, g, g}}},
      // Mirrored swaps the mask's halves; a variant without a picture draws nothing.
      {"masked icons",
       [&] {
         const struct {
           float x;
           unsigned char variant, mirrored;
         } icons[] = {{200, 0, 0}, {300, 1, 1}, {400, 2, 0}, {500, 200, 1}};
         for (const auto& icon : icons) {
           menu(icon.x, 100);
           DrawMaskedIcon(icon.variant, icon.mirrored);
         }
       },
       {{216, 132, 255, 0, 0}, {248, 132, 255, g, g}, {270, 132, g, g, g}, {316, 132, g, g, 255},
        {348, 132, 0, 0, 255}, {416, 132, g, g, g}, {516, 132, g, g, g}}},
      // 600 (value - 0.4) long and 8 high; below 0.4 nothing, not a bar backwards from its start.
      {"progress bars",
       [&] {
         menu(100, 300);
         DrawProgressBar(0.9f);
         menu(500, 400);
         DrawProgressBar(0.2f);
       },
       {{390, 304, 255, 0, 0}, {410, 304, g, g, g}, {100, 312, g, g, g}, {450, 404, g, g, g}}},
      // Picture 39 added over 28 x 28 at (214 index - 50, 55); the matrix is restored.
      {"slot icon",
       [&] {
         menu(0, 0);
         DrawSlotIcon(1);
         float m[16];
         glGetFloatv(GL_MODELVIEW_MATRIX, m);
         EXPECT_EQ(m[12], 0.0f);
       },
       {{178, 69, 255, g, g}, {160, 69, g, g, g}, {178, 87, g, g, g}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    c.draw();
    glDisable(GL_BLEND);
    for (const Probe& p : c.probes) ExpectPixel(p.x, p.y, p.r, p.g, p.b);
    std::string file = std::string("small_drawing_") + c.name;
    for (char& ch : file)
      if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    SaveScreenshot(file);
  }

  std::copy(savedBmp, savedBmp + 61, bmpTextures);
  maskedQuadTextures[3][0] = maskedQuadTextures[3][1] = 0;
  progressBarTexture = 0;
  lastSpawnPointIndex = savedLast;
  spawnPoints[0] = savedPoints[0];
  spawnPoints[1] = savedPoints[1];
  glDeleteTextures(3, made);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glEnable(GL_FOG);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  ExpectBalanced();
}

// The textured box seen from outside along each axis with back faces culled: each side shows its
// own picture upright and unmirrored (each picture has its colour in the lower left quarter and
// white elsewhere), and from below the open bottom shows nothing.
TEST_F(EffectsGl, TexturedBoxShowsOnePicturePerSideAndNoBottom) {
  const uint8_t colours[5][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {255, 0, 255}};
  GLuint made[5];
  GLuint savedBmp[61];
  std::copy(bmpTextures, bmpTextures + 61, savedBmp);
  for (int i = 0; i < 5; ++i) {
    uint8_t texels[12];
    std::fill(texels, texels + 12, uint8_t(255));
    std::copy(colours[i], colours[i] + 3, texels);  // the lower left texel (rows bottom-up)
    made[i] = MakeTexture(2, 2, texels);
    bmpTextures[i + 1] = made[i];
  }
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-10.0, 10.0, -7.5, 7.5, -100.0, 100.0);  // 40 pixels per unit
  glMatrixMode(GL_MODELVIEW);

  const int g = 128;
  const struct {
    const char* name;
    float dx, dy, dz, upZ;  // the eye's direction from the box's middle; screen up along -z from above
    int picture;            // 0: nothing shows
  } views[] = {{"front", 0, 0, 1, 0, 1}, {"right", 1, 0, 0, 0, 2}, {"back", 0, 0, -1, 0, 3},
               {"left", -1, 0, 0, 0, 4}, {"top", 0, 1, 0, -1, 5},  {"bottom", 0, -1, 0, -1, 0}};
  for (const auto& v : views) {
    SCOPED_TRACE(v.name);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(50.0 * v.dx, 50.0 * v.dy, 50.0 * v.dz, 0.0, 0.0, 0.0, 0.0, v.upZ == 0 ? 1.0 : 0.0, v.upZ);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    DrawTexturedBox(-2.0f, 2.0f, -2.0f, 2.0f, -2.0f, 2.0f);  // 160 pixels each way
    if (v.picture == 0) {
      ExpectPixel(370, 270, g, g, g);
      ExpectPixel(430, 330, g, g, g);
    } else {
      const uint8_t* c = colours[v.picture - 1];
      ExpectPixel(370, 270, c[0], c[1], c[2]);
      ExpectPixel(430, 270, 255, 255, 255);
      ExpectPixel(370, 330, 255, 255, 255);
    }
    ExpectPixel(400, 390, g, g, g);  // above the box
    std::string file = std::string("textured_box_") + v.name;
    SaveScreenshot(file);
  }

  std::copy(savedBmp, savedBmp + 61, bmpTextures);
  glDeleteTextures(5, made);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glEnable(GL_FOG);
  ExpectBalanced();
}

}  // namespace
