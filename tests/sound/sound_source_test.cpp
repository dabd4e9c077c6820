// Effect sources rendered on the loopback device.
#include <AL/alut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/wav_file.h"

#include "sound/loopback.h"
#include "sound/music_track.h"
#include "sound/sound_settings.h"
#include "sound/sound_source.h"
#include "sound/wav_loader.h"

namespace {

constexpr int kRate = 22050;

class SoundSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(audio.Open(kRate));
    soundOn = true;
    // One folder per test: the tests run in parallel and each folder is wiped when made.
    dir = FixtureDir(std::string("sources/") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    tone = dir + "/tone.wav";
    ASSERT_TRUE(WriteWavFixture(tone, ToneSamples(kRate / 5, kRate, 440, 0.5), kRate));  // 0.2 s
  }
  void TearDown() override {
    soundOn = true;
    audio.Close();
  }
  LoopbackAudio audio;
  std::string dir, tone;
};

TEST_F(SoundSourceTest, LoopingSourcePlaysPastItsLengthOneShotStops) {
  SoundSource looping{}, once{};
  looping.Load(tone.c_str(), true);
  once.Load(tone.c_str(), false);
  ASSERT_NE(looping.source, 0u);
  ASSERT_NE(once.source, 0u);
  EXPECT_NE(looping.buffer, once.buffer);  // each record has its own buffer
  EXPECT_EQ(looping.sourceCopy, looping.source);
  EXPECT_EQ(looping.data, nullptr);
  EXPECT_EQ(looping.format, AL_FORMAT_MONO16);
  EXPECT_EQ(looping.frequency, kRate);
  EXPECT_EQ(looping.size, kRate / 5 * 2);

  looping.Play();
  once.Play();
  const auto mix = audio.Render(kRate / 2);  // 0.5 s: well past the 0.2 s tone
  EXPECT_EQ(SourceState(looping.source), AL_PLAYING);
  EXPECT_EQ(SourceState(once.source), AL_STOPPED);
  EXPECT_GT(Rms(mix, mix.size() - 4000), 0.05);  // the looping one is still heard at the end

  looping.Stop();
  EXPECT_EQ(SourceState(looping.source), AL_STOPPED);
  audio.Render(1024);
  EXPECT_LT(Rms(audio.Render(2048)), 1e-4);

  looping.Release();
  once.Release();
  EXPECT_EQ(looping.source, 0u);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(SoundSourceTest, SourceParametersOfTheGame) {
  SoundSource s{};
  s.Load(tone.c_str(), false);
  ALfloat v = 0;
  alGetSourcef(s.source, AL_MAX_GAIN, &v);
  EXPECT_FLOAT_EQ(v, 0.8f);
  alGetSourcef(s.source, AL_MAX_DISTANCE, &v);
  EXPECT_FLOAT_EQ(v, 8.0f);
  alGetSourcef(s.source, AL_REFERENCE_DISTANCE, &v);
  EXPECT_FLOAT_EQ(v, 10.0f);
  EXPECT_EQ(SourceInt(s.source, AL_LOOPING), AL_FALSE);
  EXPECT_EQ(SourceInt(s.source, AL_SOURCE_RELATIVE), AL_FALSE);
  s.SetRelative();
  EXPECT_EQ(SourceInt(s.source, AL_SOURCE_RELATIVE), AL_TRUE);
  s.Release();
}

TEST_F(SoundSourceTest, NearSourceIsLouderThanFarUnderInverseDistance) {
  SoundSource s{};
  s.Load(tone.c_str(), true);
  alListener3f(AL_POSITION, 0, 0, 0);
  auto rmsAt = [&](float x) {
    s.SetPosition(x, 0, 0, 0, 0, 0);
    s.Play();
    const auto mix = audio.Render(4096);
    s.Stop();
    audio.Render(512);
    return Rms(mix, 1024);
  };
  const double near = rmsAt(2.0f), far = rmsAt(40.0f);
  EXPECT_GT(far, 0.001);
  // 2 units: the gain is capped at 0.8; 40 units: 10 / 40 = 0.25.
  EXPECT_GT(near, 2.5 * far);
  s.Release();
}

TEST_F(SoundSourceTest, MissingFileLeavesAnInertRecord) {
  SoundSource s{};
  s.Load((dir + "/missing.wav").c_str(), true);
  EXPECT_EQ(s.source, 0u);
  EXPECT_EQ(s.buffer, 0u);
  EXPECT_EQ(s.data, nullptr);
  // A file that is not a WAV file is treated the same.
  {
    FILE* f = std::fopen((dir + "/bad.wav").c_str(), "wb");
    std::fputs("not a wave file at all", f);
    std::fclose(f);
  }
  SoundSource bad{};
  bad.Load((dir + "/bad.wav").c_str(), false);
  EXPECT_EQ(bad.source, 0u);

  alGetError();
  s.SetPosition(1, 2, 3, 0, 0, 0);
  s.Play();
  s.Stop();
  s.SetRelative();
  s.Release();
  EXPECT_EQ(alGetError(), AL_NO_ERROR);  // every operation was skipped

  // Loading goes on after a failed record.
  SoundSource next{};
  next.Load(tone.c_str(), false);
  EXPECT_NE(next.source, 0u);
  next.Release();
}

// A chunk that claims more bytes than the file holds, or samples beyond the cap, is refused before
// the decoder sees the file (it would allocate the claim first): the decoder reports no error of
// its own. Honest files, odd-sized chunks with their pad byte included, still load.
TEST_F(SoundSourceTest, WavChunksClaimingMoreThanTheFileNeverReachTheDecoder) {
  std::vector<uint8_t> good;
  ASSERT_TRUE(ReadWholeFile(tone, good));
  const uint32_t samples = static_cast<uint32_t>(good.size() - 44);
  auto put = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
  };
  // An extra chunk of `length` bytes (body `body` bytes long) between the format and the samples.
  auto withChunk = [&](uint32_t length, size_t body) {
    ByteWriter w;
    w.Bytes(good.data(), 36);
    w.Bytes("LIST", 4);
    w.U32(length);
    for (size_t i = 0; i < body; ++i) w.U8('x');
    w.Bytes(good.data() + 36, good.size() - 36);
    return w.bytes();
  };
  struct Lie {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Lie> lies;
  for (uint32_t claim : {0xC0000000u, 0x7FFFFFF0u, 0x40000001u, samples + 2}) {
    lies.push_back({"data chunk claim", good});
    put(lies.back().bytes, 40, claim);
  }
  lies.push_back({"format chunk claim", good});
  put(lies.back().bytes, 16, 0x60000000u);
  lies.push_back({"extra chunk claim", withChunk(0x50000000u, 10)});
  lies.push_back({"extra chunk of negative length", withChunk(0xFFFFFFF0u, 10)});

  const std::string path = dir + "/lying.wav";
  for (const Lie& lie : lies) {
    SCOPED_TRACE(lie.what);
    EXPECT_FALSE(CheckWavLayout(lie.bytes.data(), lie.bytes.size(), kMaxWholeSoundBytes));
    ASSERT_TRUE(WriteWholeFile(path, lie.bytes));
    alutGetError();
    ALenum format = 0;
    void* data = nullptr;
    ALsizei size = 0, rate = 0;
    EXPECT_FALSE(LoadWavData(path.c_str(), format, data, size, rate));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(alutGetError(), ALUT_ERROR_NO_ERROR);
    SoundSource s{};
    s.Load(path.c_str(), false);
    EXPECT_EQ(s.source, 0u);
  }

  // The cap counts the samples exactly.
  WavDataChunk chunk;
  ASSERT_TRUE(CheckWavLayout(good.data(), good.size(), samples, &chunk));
  EXPECT_EQ(chunk.offset, 44u);
  EXPECT_EQ(chunk.size, samples);
  EXPECT_FALSE(CheckWavLayout(good.data(), good.size(), samples - 1));

  // A chunk of odd length is followed by a pad byte; the samples after it load.
  const std::vector<uint8_t> padded = withChunk(5, 6);
  ASSERT_TRUE(CheckWavLayout(padded.data(), padded.size(), kMaxWholeSoundBytes, &chunk));
  EXPECT_EQ(chunk.offset, 44u + 14u);
  ASSERT_TRUE(WriteWholeFile(path, padded));
  SoundSource s{};
  s.Load(path.c_str(), false);
  ASSERT_NE(s.source, 0u);
  EXPECT_EQ(s.size, static_cast<ALsizei>(samples));
  s.Release();
}

TEST_F(SoundSourceTest, LoadingAgainReplacesTheSourceAndBuffer) {
  SoundSource s{};
  s.Load(tone.c_str(), false);
  const ALuint firstSource = s.source, firstBuffer = s.buffer;
  ASSERT_NE(firstSource, 0u);
  s.Load(tone.c_str(), true);
  ASSERT_NE(s.source, 0u);
  EXPECT_EQ(SourceInt(s.source, AL_LOOPING), AL_TRUE);
  // The earlier source and buffer are gone, not left behind without an owner.
  if (s.source != firstSource) {
    EXPECT_FALSE(alIsSource(firstSource));
  }
  if (s.buffer != firstBuffer) {
    EXPECT_FALSE(alIsBuffer(firstBuffer));
  }
  // A failed reload leaves an unloaded record, again without leftovers.
  const ALuint second = s.source;
  s.Load((dir + "/missing.wav").c_str(), false);
  EXPECT_EQ(s.source, 0u);
  EXPECT_FALSE(alIsSource(second));
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(SoundSourceTest, SoundOffSilencesPlay) {
  SoundSource s{};
  s.Load(tone.c_str(), true);
  soundOn = false;
  s.Play();
  EXPECT_NE(SourceState(s.source), AL_PLAYING);
  EXPECT_LT(Rms(audio.Render(2048)), 1e-4);
  soundOn = true;
  s.Play();
  EXPECT_EQ(SourceState(s.source), AL_PLAYING);
  s.Release();
}

// Start-up as the shell does it, on the generated data set: all 25 effect sounds load and the
// menu music streams and keeps looping.
TEST(SoundStartupTest, AllEffectSoundsLoadAndMenuMusicLoops) {
  LoopbackAudio audio;
  ASSERT_TRUE(audio.Open(44100));
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(DUN_DATA_DIR), 0);

  for (const EffectSoundFile& e : kEffectSounds) {
    e.sound->Load(e.file, e.loop);
    EXPECT_NE(e.sound->source, 0u) << e.file;
    ALint channels = 0;
    alGetBufferi(e.sound->buffer, AL_CHANNELS, &channels);
    EXPECT_EQ(channels, 1) << e.file << ": mono, so that it is placed in 3-D";
  }
  EXPECT_NE(gun1Sound.buffer, otherGun1Sound.buffer);
  EXPECT_EQ(&mon1Sound, &monSounds[0]);
  EXPECT_EQ(&mon5Sound, &monSounds[4]);
  EXPECT_EQ(spareSound1.source, 0u);

  // Footsteps keep going; a shot is over after a second.
  stepsSound.Play();
  gun3Sound.Play();
  audio.Render(44100 * 3 / 2);
  EXPECT_EQ(SourceState(stepsSound.source), AL_PLAYING);
  EXPECT_EQ(SourceState(gun3Sound.source), AL_STOPPED);
  stepsSound.Stop();

  ASSERT_TRUE(menuMusic.Open("base/music/menu.ogg", true, true));
  EXPECT_TRUE(menuMusic.IsStreamed());
  menuMusic.Play();
  // 40 s of frames of about 23 ms each: past the end of the track, with no gap.
  size_t quietWindows = 0;
  for (int frame = 0; frame < 40 * 44100 / 1024; ++frame) {
    const auto mix = audio.Render(1024);
    if (Rms(mix) < 0.005) ++quietWindows;
    menuMusic.Update();
  }
  EXPECT_EQ(SourceState(menuMusic.source), AL_PLAYING);
  EXPECT_LE(quietWindows, 2u);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);

  for (const EffectSoundFile& e : kEffectSounds) e.sound->Release();
  menuMusic.Release();
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
