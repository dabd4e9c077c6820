// The line on standard error that names a data file a loader could not use, and why.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/character_model.h"
#include "engine/formats/binary_io.h"
#include "engine/static_model.h"
#include "engine/textures.h"
#include "platform/dialog.h"
#include "sound/sound_source.h"

namespace {

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& start) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(start, 0) == 0) out.push_back(line);
  return out;
}

}  // namespace

// A missing picture, a refused picture, a map model cut to half its size, a sound that is a
// directory, a missing character part named the old way and animation files without one animation:
// each loader fails (or accepts) as before, and each file is named once, as the disk has it, with
// the reason.
TEST(DataFileReport, EveryLoaderNamesTheFileItCannotLoadAndWhy) {
  char pattern[] = "/tmp/dun-data-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  ASSERT_TRUE(MakeDirectories("base/textures"));
  ASSERT_TRUE(MakeDirectories("base/maps/1"));
  ASSERT_TRUE(MakeDirectories("base/sound/gun1.wav"));
  // A run-length encoded picture: the loader takes only uncompressed true-colour ones.
  std::vector<uint8_t> rle = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
  rle.resize(rle.size() + 12, 0x40);
  ASSERT_TRUE(WriteWholeFile("base/textures/tex03.tga", rle));
  std::vector<uint8_t> model;
  ASSERT_TRUE(ReadWholeFile(std::string(DUN_DATA_DIR) + "/base/maps/1/map.ms3d", model));
  model.resize(model.size() / 2);
  ASSERT_TRUE(WriteWholeFile("base/maps/1/map.ms3d", model));
  ASSERT_TRUE(WriteWholeFile("base/empty_animation.cfg", {}));
  const std::string garbage = "sex m\n// no animation line\n\x01\xff 12 x\n";
  ASSERT_TRUE(WriteWholeFile("base/garbage_animation.cfg", std::vector<uint8_t>(garbage.begin(), garbage.end())));
  SetDialogHeadless(true);

  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadBMP("base/textures/tex05.bmp"), nullptr);
  TgaTexture picture;
  EXPECT_FALSE(picture.LoadTGA("base/textures/tex03.tga"));
  EXPECT_EQ(picture.id, static_cast<GLuint>(-1));
  Ms3dModel map;
  EXPECT_FALSE(map.Load("base/maps/1/map.ms3d"));
  EXPECT_EQ(map.numTriangles, 0);
  SoundSource gun;
  gun.Load("base/sound/gun1.wav", false);
  EXPECT_EQ(gun.source, 0u);
  ModelPart part;
  BhmReader reader;
  EXPECT_FALSE(reader.Import(part, "base\\player\\player_lower.bhm"));
  CharacterModel character;
  EXPECT_TRUE(character.LoadAnimations("base/empty_animation.cfg"));
  EXPECT_TRUE(character.LoadAnimations("base/garbage_animation.cfg"));
  EXPECT_EQ(character.lower.numOfAnimations, 0);
  const std::string errors = testing::internal::GetCapturedStderr();

  const std::vector<std::string> expected = {
      "Cannot load base/textures/tex05.bmp: missing",
      "Cannot load base/textures/tex03.tga: refused as corrupt",
      "Cannot load base/maps/1/map.ms3d: refused as corrupt",
      "Cannot load base/sound/gun1.wav: unreadable (a directory)",
      "Cannot load base/player/player_lower.bhm: missing",
      "Cannot load base/empty_animation.cfg: refused as corrupt (no animations)",
      "Cannot load base/garbage_animation.cfg: refused as corrupt (no animations)",
  };
  EXPECT_EQ(LinesStartingWith(errors, "Cannot load "), expected) << errors;

  SetDialogHeadless(false);
  ClearDialogHistory();
  ASSERT_EQ(chdir(previous), 0);
  std::system(("rm -rf '" + dir + "'").c_str());
}
