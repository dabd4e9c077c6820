// Effect sources rendered on the loopback device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "sound/loopback.h"
#include "sound/music_track.h"
#include "sound/sound_settings.h"
#include "sound/sound_source.h"

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
