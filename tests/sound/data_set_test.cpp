// The generated sounds and music read back through the game's own decoders.
#include <gtest/gtest.h>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <fstream>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "sound/music_track.h"
#include "sound/wav_loader.h"

namespace {

const char* const kWavNames[] = {"steps.wav",  "othersteps.wav", "gun1.wav",    "gun2.wav",    "gun3.wav",
                                 "gun4.wav",   "gun5.wav",       "gun6.wav",    "change.wav",  "mon1.wav",
                                 "mon2.wav",   "mon3.wav",       "mon4.wav",    "mon5.wav",    "object1.wav",
                                 "object2.wav", "menu1.wav",     "menu2.wav"};

std::string SoundPath(const std::string& name) { return std::string(DUN_DATA_DIR) + "/base/sound/" + name; }

std::vector<int16_t> Samples(const std::vector<uint8_t>& wav) {
  std::vector<int16_t> s;
  for (size_t i = 44; i + 1 < wav.size(); i += 2) s.push_back(static_cast<int16_t>(wav[i] | (wav[i + 1] << 8)));
  return s;
}

TEST(SoundDataSetTest, EveryWavIsCanonicalMono16AndLoadsThroughTheWavLoader) {
  for (const char* name : kWavNames) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(SoundPath(name), bytes));
    ASSERT_GT(bytes.size(), 44u);
    ByteReader r(bytes);
    EXPECT_EQ(r.FixedString(4), "RIFF");
    EXPECT_EQ(r.U32(), bytes.size() - 8);
    EXPECT_EQ(r.FixedString(4), "WAVE");
    EXPECT_EQ(r.FixedString(4), "fmt ");
    EXPECT_EQ(r.U32(), 16u);
    EXPECT_EQ(r.U16(), 1u);   // PCM
    EXPECT_EQ(r.U16(), 1u);   // mono
    const uint32_t rate = r.U32();
    EXPECT_EQ(r.U32(), rate * 2);
    EXPECT_EQ(r.U16(), 2u);
    EXPECT_EQ(r.U16(), 16u);
    EXPECT_EQ(r.FixedString(4), "data");
    EXPECT_EQ(r.U32(), bytes.size() - 44);

    ALenum format = 0;
    void* data = nullptr;
    ALsizei size = 0, frequency = 0;
    ASSERT_TRUE(LoadWavData(SoundPath(name).c_str(), format, data, size, frequency));
    EXPECT_EQ(format, AL_FORMAT_MONO16);
    EXPECT_EQ(static_cast<uint32_t>(frequency), rate);
    EXPECT_EQ(static_cast<size_t>(size), bytes.size() - 44);
    UnloadWavData(format, data, size, frequency);
  }
}

TEST(SoundDataSetTest, FootstepsLoopWithoutASeam) {
  for (const char* name : {"steps.wav", "othersteps.wav"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(SoundPath(name), bytes));
    const auto s = Samples(bytes);
    ASSERT_GT(s.size(), 4000u);
    double typical = 0;
    for (size_t i = 1; i < s.size(); ++i) typical += std::abs(s[i] - s[i - 1]);
    typical /= static_cast<double>(s.size() - 1);
    // The jump from the last sample back to the first is no bigger than an ordinary step.
    EXPECT_LE(std::abs(s.front() - s.back()), 3 * typical + 8);
  }
}

TEST(SoundDataSetTest, MenuMusicDecodesToAtLeastThirtySeconds) {
  std::ifstream in(std::string(DUN_DATA_DIR) + "/base/music/menu.ogg", std::ios::binary);
  ASSERT_TRUE(in.is_open());
  OggVorbis_File vf;
  const ov_callbacks callbacks = {OggFileRead, [](void* s, ogg_int64_t o, int w) { return OggFileSeek(s, o, w); },
                                  OggFileClose, OggFileTell};
  ASSERT_EQ(ov_open_callbacks(&in, &vf, nullptr, 0, callbacks), 0);
  const vorbis_info* info = ov_info(&vf, -1);
  ASSERT_NE(info, nullptr);
  EXPECT_GE(info->channels, 1);
  EXPECT_LE(info->channels, 2);
  const double seconds = static_cast<double>(ov_pcm_total(&vf, -1)) / info->rate;
  EXPECT_GE(seconds, 30.0);
  // Decode it all: the whole stream is readable, and it is not silence.
  std::vector<char> block(65536);
  int64_t bytes = 0;
  double sum = 0;
  for (;;) {
    int section = 0;
    const long got = ov_read(&vf, block.data(), static_cast<int>(block.size()), 0, 2, 1, &section);
    if (got == OV_HOLE) continue;
    ASSERT_GE(got, 0);
    if (got == 0) break;
    for (long i = 0; i + 1 < got; i += 2) {
      const int16_t v = static_cast<int16_t>((block[i] & 0xff) | (block[i + 1] << 8));
      sum += static_cast<double>(v) * v;
    }
    bytes += got;
  }
  EXPECT_EQ(bytes, ov_pcm_total(&vf, -1) * info->channels * 2);
  EXPECT_GT(std::sqrt(sum / (bytes / 2)) / 32768.0, 0.05);
  ov_clear(&vf);
}

TEST(GetFileExtensionTest, Cases) {
  EXPECT_EQ(GetFileExtension("base/music/menu.ogg"), "OGG");
  EXPECT_EQ(GetFileExtension("Menu.Wav"), "WAV");
  EXPECT_EQ(GetFileExtension("a.b.mp3"), "MP3");
  EXPECT_EQ(GetFileExtension(""), "");
  EXPECT_EQ(GetFileExtension("menu"), "ENU");  // no '.': all but the first character
  EXPECT_EQ(GetFileExtension(".ogg"), "OGG");
  EXPECT_EQ(GetFileExtension("x"), "");
  EXPECT_EQ(GetFileExtension("music."), "");
}

}  // namespace
