// The menus' sounds for real: the click and hover sounds and the music option's stop and restart,
// on the loopback device with the generated data set's files.
#include <gtest/gtest.h>

#include <string>

#include "menu_test_support.h"
#include "sound/loopback.h"
#include "sound/music_track.h"
#include "sound/sound_source.h"

namespace {

class MenuAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(audio_.Open());
    const std::string data = DUN_DATA_DIR;
    menuClickSound.Load((data + "/base/sound/menu1.wav").c_str(), false);
    menuHoverSound.Load((data + "/base/sound/menu2.wav").c_str(), false);
    ASSERT_TRUE(menuMusic.Open(data + "/base/music/menu.ogg", true, true));
    ResetMenuWorld();
  }
  void TearDown() override {
    menuClickSound.Release();
    menuHoverSound.Release();
    menuMusic.Release();
    audio_.Close();
  }
  static bool Playing(ALuint source) { return SourceState(source) == AL_PLAYING; }
  LoopbackAudio audio_;
};

TEST_F(MenuAudio, ClickAndHoverPlayTheirSoundsOnlyWithSoundOn) {
  gameState = 1;
  MoveTo(100, 270);
  EXPECT_TRUE(Playing(menuHoverSound.source));
  EXPECT_FALSE(Playing(menuClickSound.source));
  ClickAt(100, 270);
  EXPECT_TRUE(Playing(menuClickSound.source));

  menuClickSound.Stop();
  menuHoverSound.Stop();
  soundOn = false;
  gameState = 80;
  MoveTo(400, 320);
  ClickAt(400, 370);
  EXPECT_EQ(gameState, 1);
  EXPECT_FALSE(Playing(menuHoverSound.source));
  EXPECT_FALSE(Playing(menuClickSound.source));
}

TEST_F(MenuAudio, MusicOptionStopsAndRestartsTheMenuMusic) {
  menuMusic.Play();
  audio_.Render(4096);
  ASSERT_TRUE(Playing(menuMusic.source));
  gameState = 5;
  musicOn = true;
  ClickAt(600, 150);
  EXPECT_FALSE(musicOn);
  EXPECT_FALSE(Playing(menuMusic.source));
  ClickAt(600, 150);
  EXPECT_TRUE(musicOn);
  EXPECT_TRUE(Playing(menuMusic.source));
  // Restarted from its beginning: the first buffer of the track is queued again.
  EXPECT_EQ(SourceInt(menuMusic.source, AL_BUFFERS_PROCESSED), 0);
}

}  // namespace
