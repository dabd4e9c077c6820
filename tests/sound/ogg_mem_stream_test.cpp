// The in-memory Ogg player on the generated music, and damaged copies of that music refused by
// both players before the decoder sees them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/ogg_vorbis_file.h"
#include "platform/dialog.h"
#include "sound/loopback.h"
#include "sound/music_track.h"
#include "sound/ogg_mem_stream.h"

namespace {

const std::string kMusic = std::string(DUN_DATA_DIR) + "/base/music/menu.ogg";

class OggMemStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(audio.Open(44100));
    SetDialogHeadless(true);
    dir = FixtureDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  LoopbackAudio audio;
  std::string dir;
};

TEST_F(OggMemStreamTest, PlaysTheMenuMusicAndRefusesACorruptCopy) {
  {
    OggMemStream player;
    ASSERT_TRUE(player.Open(kMusic));
    ::testing::internal::CaptureStdout();
    player.Display();
    const std::string shown = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(shown.find("channels        2\nrate (hz)       44100\n"), std::string::npos) << shown;
    EXPECT_EQ(SourceInt(player.source, AL_SOURCE_RELATIVE), AL_TRUE);

    ASSERT_TRUE(player.Play());
    EXPECT_EQ(SourceInt(player.source, AL_BUFFERS_QUEUED), 2);
    // Three seconds, more than the two buffers hold: the refills keep it playing without a gap.
    size_t silent = 0;
    for (int slice = 0; slice < 3 * 44100 / 1024; ++slice) {
      if (Rms(audio.Render(1024)) < 0.01) ++silent;
      ASSERT_TRUE(player.Update());
    }
    EXPECT_LE(silent, 2u);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_GT(player.position, 0u);
  }

  // One codeword length of the second codebook changed and the page checksum made right: the
  // decoder takes the file, fails to build that book, and divides by its zero dimension on the
  // next attempt.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(kMusic, bytes));
  bytes[280] ^= 0x40;
  RewriteOggPageChecksums(bytes.data(), bytes.size());
  std::string why;
  ASSERT_FALSE(CheckOggVorbisImage(bytes.data(), bytes.size(), &why));
  ASSERT_NE(why.find("incomplete"), std::string::npos) << "the byte no longer holds a codeword length: " << why;
  const std::string corrupt = dir + "/menu.ogg";
  ASSERT_TRUE(WriteWholeFile(corrupt, bytes));

  OggMemStream player;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(player.Open(corrupt));
  EXPECT_FALSE(player.Open(dir + "/missing.ogg"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Could not read Ogg file from memory\nCould not open Ogg file.\n");
  EXPECT_EQ(player.source, 0u);
  EXPECT_FALSE(player.Play());

  MusicTrack track;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(track.Open(corrupt, true, true));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find(corrupt + ": refused as corrupt"), std::string::npos);
  EXPECT_EQ(track.file, nullptr);
  track.Update();
  track.Release();
}

TEST_F(OggMemStreamTest, CallbacksStayInsideTheCopy) {
  OggMemStream s;
  s.data = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
  char buf[16] = {};
  EXPECT_EQ(OggMemRead(buf, 1, 4, &s), 4u);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(OggMemSeek(&s, 0, SEEK_END), 0);
  EXPECT_EQ(OggMemTell(&s), 10);  // the length of the copy, where the decoder looks for the last page
  EXPECT_EQ(OggMemRead(buf, 1, 8, &s), 0u);
  EXPECT_EQ(OggMemSeek(&s, -3, SEEK_END), 0);
  EXPECT_EQ(OggMemRead(buf, 1, 8, &s), 3u);
  EXPECT_EQ(std::string(buf, 3), "789");
  EXPECT_EQ(OggMemSeek(&s, 25, SEEK_SET), 0);
  EXPECT_EQ(OggMemTell(&s), 10);
  EXPECT_EQ(OggMemSeek(&s, -4, SEEK_CUR), 0);
  EXPECT_EQ(OggMemTell(&s), 6);
  EXPECT_EQ(OggMemSeek(&s, -40, SEEK_CUR), 0);
  EXPECT_EQ(OggMemTell(&s), 0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(OggMemSeek(&s, 0, 7), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "*** ERROR *** Unknown seek command in VorbisSeek\n");
  EXPECT_EQ(OggMemClose(&s), 1);
  s.data.clear();
}

}  // namespace
