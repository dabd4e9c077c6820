#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

#include "engine/formats/binary_io.h"
#include "engine/textures.h"
#include "texture_gl_fixture.h"

namespace {

const GLuint kUnloaded = static_cast<GLuint>(-1);

// A working directory holding the generated textures except the named ones.
std::string PartialDataDir(const std::string& name, std::initializer_list<std::string> leaveOut) {
  const std::string dir = std::string(DUN_TEST_OUTPUT_DIR) + "/" + name;
  const std::string textures = dir + "/base/textures";
  MakeDirectories(textures);
  for (int n = 0; n <= 60; ++n) {
    char file[32];
    std::snprintf(file, sizeof file, "tex%02d.bmp", n);
    const std::string link = textures + "/" + file;
    unlink(link.c_str());
    bool skip = false;
    for (const std::string& s : leaveOut) skip = skip || s == file;
    if (!skip) {
      EXPECT_EQ(symlink((std::string(DUN_DATA_DIR) + "/base/textures/" + file).c_str(), link.c_str()), 0);
    }
  }
  return dir;
}

TEST_F(TextureGlTest, WindowSetUpLoadsTheScreenAndTgaTables) {
  std::set<GLuint> names;
  for (GLuint t : screenTextures) {
    EXPECT_TRUE(glIsTexture(t));
    names.insert(t);
  }
  EXPECT_EQ(names.size(), 4u);
  for (const TgaTexture& t : tgaTextures) {
    EXPECT_NE(t.id, kUnloaded);
    EXPECT_TRUE(glIsTexture(t.id));
    EXPECT_EQ(t.components, 4);
    EXPECT_NE(t.pixels, nullptr);
  }
  EXPECT_EQ(tgaTextures[7].width, 512);
  EXPECT_EQ(tgaTextures[7].height, 512);
  for (const TgaTexture& t : slotPictures) EXPECT_EQ(t.id, kUnloaded);
}

TEST_F(TextureGlTest, BmpTableLoadsAllOrKeepsItsEarlierNames) {
  ASSERT_TRUE(LoadBmpTextures());
  std::set<GLuint> names(bmpTextures, bmpTextures + 61);
  EXPECT_EQ(names.size(), 61u);
  EXPECT_EQ(names.count(0), 0u);
  GLint width = 0;
  glBindTexture(GL_TEXTURE_2D, bmpTextures[15]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width);
  EXPECT_GT(width, 0) << "mipmapped";

  GLuint before[61];
  for (int i = 0; i < 61; ++i) before[i] = bmpTextures[i];
  ASSERT_EQ(chdir(PartialDataDir("no_tex60", {"tex60.bmp"}).c_str()), 0);
  EXPECT_FALSE(LoadBmpTextures());
  for (int i = 0; i < 61; ++i) EXPECT_EQ(bmpTextures[i], before[i]) << i;
  // The screen table is all or nothing as well.
  GLuint screenBefore[4];
  for (int i = 0; i < 4; ++i) screenBefore[i] = screenTextures[i];
  ASSERT_EQ(chdir(PartialDataDir("no_tex41", {"tex41.bmp"}).c_str()), 0);
  EXPECT_FALSE(LoadScreenTextures());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(screenTextures[i], screenBefore[i]);
}

TEST_F(TextureGlTest, ThirtyTwoBitTgaUploadsRgbaAndTwentyFourBitRgb) {
  TgaTexture flash;
  ASSERT_TRUE(flash.LoadTGA("base/textures/tex05.tga"));
  EXPECT_EQ(flash.components, 4);
  GLint alphaBits = 0;
  glBindTexture(GL_TEXTURE_2D, flash.id);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
  EXPECT_GT(alphaBits, 0);

  // SaveTGA writes the caller's RGB pixels and leaves them swapped to BGR.
  unsigned char rgb[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
  const std::string path = std::string(DUN_TEST_OUTPUT_DIR) + "/saved24.tga";
  ASSERT_TRUE(TgaTexture::SaveTGA(path.c_str(), 2, 2, rgb));
  EXPECT_EQ(rgb[0], 0);
  EXPECT_EQ(rgb[2], 255);
  TgaTexture plain;
  ASSERT_TRUE(plain.LoadTGA(path.c_str()));
  EXPECT_EQ(plain.components, 3);
  EXPECT_EQ(plain.pixels[0], 255);
  EXPECT_EQ(plain.pixels[11], 30);
  glBindTexture(GL_TEXTURE_2D, plain.id);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
  EXPECT_EQ(alphaBits, 0);
  flash.Free();
  plain.Free();
}

TEST_F(TextureGlTest, ReloadReplacesTheTextureAndAFailedLoadKeepsIt) {
  TgaTexture t;
  EXPECT_FALSE(t.LoadTGA(nullptr));
  EXPECT_FALSE(t.LoadTGA("base/textures/missing.tga"));
  EXPECT_EQ(t.id, kUnloaded);
  ASSERT_TRUE(t.LoadTGA("base/textures/tex01.tga"));
  const GLuint first = t.id;
  ASSERT_TRUE(t.LoadTGA("base/textures/tex02.tga"));
  EXPECT_FALSE(glIsTexture(first)) << "the earlier texture is deleted";
  EXPECT_TRUE(glIsTexture(t.id));
  const GLuint second = t.id;
  const unsigned char* pixels = t.pixels;
  // Not a TGA of the accepted kind: the record keeps its texture and pixel copy.
  EXPECT_FALSE(t.LoadTGA("base/textures/tex02.bmp"));
  EXPECT_EQ(t.id, second);
  EXPECT_EQ(t.pixels, pixels);
  t.Free();
  EXPECT_EQ(t.id, kUnloaded);
  EXPECT_EQ(t.pixels, nullptr);
  EXPECT_FALSE(glIsTexture(second));
  t.Free();  // twice is harmless
}

TEST_F(TextureGlTest, MipmappedTextureFromBmpAndFailures) {
  EXPECT_EQ(LoadBMP(nullptr), nullptr);
  EXPECT_EQ(LoadBMP("base/textures/none.bmp"), nullptr);
  EXPECT_EQ(LoadMipmappedTexture("base/textures/none.bmp"), 0u);
  const GLuint name = LoadMipmappedTexture("base\\textures\\tex03.bmp");
  ASSERT_NE(name, 0u);
  GLint level1 = 0, level0 = 0, minFilter = 0;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level0);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(level1 * 2, level0);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
  glDeleteTextures(1, &name);
}

TEST_F(TextureGlTest, SkyCubeMapLoadsSixFacesAndLeavesTwoDimensionalTexturing) {
  ASSERT_TRUE(LoadSkyCubeMap());
  EXPECT_TRUE(glIsTexture(skyCubeMap));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glBindTexture(GL_TEXTURE_CUBE_MAP, skyCubeMap);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_GT(width, 0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  // Without the sky folder every face fails.
  ASSERT_EQ(chdir(PartialDataDir("no_sky", {}).c_str()), 0);
  GLuint previous = skyCubeMap;
  EXPECT_FALSE(LoadSkyCubeMap());
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  glDeleteTextures(1, &previous);
  if (skyCubeMap != previous) glDeleteTextures(1, &skyCubeMap);
}

}  // namespace
