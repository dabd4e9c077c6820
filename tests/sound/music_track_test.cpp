// The music track: streaming, looping, stopping and the whole-file loads, on the loopback device.
#include <gtest/gtest.h>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "sound/loopback.h"
#include "sound/music_track.h"

namespace {

constexpr int kRate = 22050;
// Frames of mono 16-bit audio in one streaming refill.
constexpr size_t kChunkFrames = kStreamBufferBytes / 2;

// Bytes this process has read from files so far, as the system counts them.
uint64_t BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

std::vector<char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// The length of the file's leading pages whose granule position is 0: the header pages.
size_t HeaderPagesBytes(const std::vector<char>& f) {
  size_t at = 0;
  while (at + 27 <= f.size() && std::memcmp(f.data() + at, "OggS", 4) == 0) {
    int64_t granule = 0;
    std::memcpy(&granule, f.data() + at + 6, 8);
    if (granule != 0) break;
    const size_t segments = static_cast<uint8_t>(f[at + 26]);
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += static_cast<uint8_t>(f[at + 27 + i]);
    at += 27 + segments + body;
  }
  return at;
}

class MusicTrackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(audio.Open(kRate));
    SetDialogHeadless(true);
    ClearDialogHistory();
    dir = FixtureDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    track.Release();
    audio.Close();
  }
  std::string Ogg(const std::string& name, const std::vector<float>& frames, int channels = 1) {
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(WriteOggFixture(path, frames, kRate, channels));
    return path;
  }
  int64_t Tell() const { return ov_pcm_tell(track.file); }
  // Renders the given frames in slices of about 23 ms with an Update after each, like the frame
  // loop; returns the number of slices that were silent.
  size_t Run(size_t frames, std::vector<int16_t>* keep = nullptr) {
    size_t silent = 0;
    for (size_t done = 0; done < frames; done += 512) {
      const auto mix = audio.Render(512);
      if (Rms(mix) < 0.01) ++silent;
      if (keep) keep->insert(keep->end(), mix.begin(), mix.end());
      track.Update();
    }
    return silent;
  }

  LoopbackAudio audio;
  MusicTrack track;
  std::string dir;
};

TEST_F(MusicTrackTest, OpenPrimesTwoBuffersAndRefillRewindsAtTheEnd) {
  const size_t total = 2 * kChunkFrames + kChunkFrames / 2;
  const std::string file = Ogg("a.ogg", ToneFloats(total, kRate, 441, 0.5));
  ASSERT_TRUE(track.Open(file, true, true));
  EXPECT_EQ(SourceInt(track.source, AL_BUFFERS_QUEUED), 2);
  EXPECT_EQ(SourceInt(track.source, AL_LOOPING), AL_FALSE);  // looping is the track's own
  EXPECT_EQ(Tell(), static_cast<int64_t>(2 * kChunkFrames));
  EXPECT_EQ(ov_pcm_total(track.file, -1), static_cast<int64_t>(total));

  // Not playing: nothing is refilled, although a stopped source counts its buffers processed.
  track.Update();
  EXPECT_EQ(Tell(), static_cast<int64_t>(2 * kChunkFrames));

  track.Play();
  Run(kChunkFrames + 2048);
  // The third refill took the last half buffer and went back to the first sample.
  EXPECT_EQ(Tell(), 0);
  EXPECT_EQ(track.LastFillBytes(), kChunkFrames / 2 * 2);
  EXPECT_EQ(SourceInt(track.source, AL_BUFFERS_QUEUED), 2);
  Run(kChunkFrames);
  EXPECT_EQ(Tell(), static_cast<int64_t>(kChunkFrames));  // continued from the start
  EXPECT_EQ(SourceState(track.source), AL_PLAYING);
}

TEST_F(MusicTrackTest, LoopingTrackPlaysOnWithoutGaps) {
  const size_t total = kChunkFrames + kChunkFrames / 3;
  ASSERT_TRUE(track.Open(Ogg("b.ogg", ToneFloats(total, kRate, 300, 0.5)), true, true));
  track.Play();
  EXPECT_EQ(Run(4 * total), 0u);
  EXPECT_EQ(SourceState(track.source), AL_PLAYING);
  EXPECT_TRUE(DialogHistory().empty());
}

TEST_F(MusicTrackTest, DataEndingExactlyAtABufferBoundaryQueuesNoStaleAudio) {
  const size_t total = 2 * kChunkFrames;
  ASSERT_TRUE(track.Open(Ogg("c.ogg", ToneFloats(total, kRate, 300, 0.5)), true, true));
  EXPECT_EQ(Tell(), static_cast<int64_t>(total));  // both buffers full, the data is used up
  track.Play();
  Run(kChunkFrames + 2048);
  // The refill found nothing left, so it started again from the first sample at once.
  EXPECT_EQ(Tell(), static_cast<int64_t>(kChunkFrames));
  EXPECT_EQ(track.LastFillBytes(), kStreamBufferBytes);
  EXPECT_EQ(Run(2 * total), 0u);
  EXPECT_EQ(SourceState(track.source), AL_PLAYING);
}

TEST_F(MusicTrackTest, TrackShorterThanOneBufferStillLoops) {
  const size_t total = 5000;
  ASSERT_TRUE(track.Open(Ogg("d.ogg", ToneFloats(total, kRate, 300, 0.5)), true, true));
  EXPECT_EQ(SourceInt(track.source, AL_BUFFERS_QUEUED), 2);
  track.Play();
  EXPECT_EQ(Run(10 * total), 0u);
  EXPECT_EQ(SourceState(track.source), AL_PLAYING);
}

TEST_F(MusicTrackTest, TrackWithoutLoopPlaysToTheEndThenStopsRewound) {
  const size_t total = kChunkFrames + kChunkFrames / 2;
  ASSERT_TRUE(track.Open(Ogg("e.ogg", ToneFloats(total, kRate, 300, 0.5)), false, true));
  track.Play();
  std::vector<int16_t> mix;
  Run(total + kRate, &mix);
  EXPECT_NE(SourceState(track.source), AL_PLAYING);
  // The whole track was heard, its tail included, and nothing after it.
  EXPECT_GT(Rms(mix, total * 2 - 4096, 2048), 0.1);
  EXPECT_LT(Rms(mix, total * 2 + 2048), 1e-3);
  // Ready to start again from the beginning.
  EXPECT_EQ(SourceInt(track.source, AL_BUFFERS_QUEUED), 2);
  track.Play();
  EXPECT_LT(Run(2048), 1u);
}

TEST_F(MusicTrackTest, StopThenPlayStartsFromTheBeginning) {
  // A loud first second, then silence.
  std::vector<float> frames(4 * kChunkFrames, 0.0f);
  const auto loud = ToneFloats(kRate, kRate, 300, 0.6);
  std::copy(loud.begin(), loud.end(), frames.begin());
  ASSERT_TRUE(track.Open(Ogg("f.ogg", frames), true, true));
  track.Play();
  std::vector<int16_t> mix;
  Run(3 * kRate, &mix);
  EXPECT_LT(Rms(mix, mix.size() - 4096), 1e-3);  // now in the silent part

  track.Stop();
  EXPECT_EQ(SourceState(track.source), AL_STOPPED);
  EXPECT_EQ(SourceInt(track.source, AL_BUFFERS_QUEUED), 2);
  // Rewound, then both buffers were filled again from the first sample.
  EXPECT_EQ(Tell(), static_cast<int64_t>(2 * kChunkFrames));
  track.Play();
  mix.clear();
  Run(4096, &mix);
  EXPECT_GT(Rms(mix, 1024), 0.1);
}

TEST_F(MusicTrackTest, WholeFileOggIsDecodedOnceAndShared) {
  const size_t total = 30000;
  const std::string file = Ogg("g.ogg", ToneFloats(2 * total, kRate, 300, 0.5), 2);
  ASSERT_TRUE(track.Open(file, false, false));
  EXPECT_FALSE(track.IsStreamed());
  const ALuint buffer = static_cast<ALuint>(SourceInt(track.source, AL_BUFFER));
  ASSERT_NE(buffer, 0u);
  ALint size = 0, channels = 0;
  alGetBufferi(buffer, AL_SIZE, &size);
  alGetBufferi(buffer, AL_CHANNELS, &channels);
  EXPECT_EQ(size, static_cast<ALint>(total * 2 * 2));  // frames x channels x 2
  EXPECT_EQ(channels, 2);

  MusicTrack second;
  ASSERT_TRUE(second.Open(file, false, false));
  EXPECT_EQ(static_cast<ALuint>(SourceInt(second.source, AL_BUFFER)), buffer);
  EXPECT_EQ(soundBufferCache.size(), 1u);
  second.Play();
  EXPECT_GT(Rms(audio.Render(4096)), 0.05);
  second.Release();
}

TEST_F(MusicTrackTest, WavTrackIsCachedAndGetsTheEffectLimits) {
  const std::string file = dir + "/h.WAV";
  ASSERT_TRUE(WriteWavFixture(file, ToneSamples(8000, kRate, 300, 0.5), kRate));
  ASSERT_TRUE(track.Open(file, true, false));
  MusicTrack second;
  ASSERT_TRUE(second.Open(file, false, true));  // stream has no meaning for WAV
  EXPECT_EQ(SourceInt(second.source, AL_BUFFER), SourceInt(track.source, AL_BUFFER));
  EXPECT_EQ(soundBufferCache.size(), 1u);
  ALfloat v = 0;
  alGetSourcef(track.source, AL_REFERENCE_DISTANCE, &v);
  EXPECT_FLOAT_EQ(v, 10.0f);
  EXPECT_EQ(SourceInt(track.source, AL_LOOPING), AL_TRUE);
  second.Release();
}

TEST_F(MusicTrackTest, OpenRejectsWhatItCannotPlay) {
  EXPECT_FALSE(track.Open(dir + "/missing.ogg", true, true));
  EXPECT_EQ(track.source, 0u);

  const std::string text = dir + "/notes.txt";
  std::ofstream(text) << "not music";
  EXPECT_FALSE(track.Open(text, true, true));
  track.Release();

  const std::string garbage = dir + "/garbage.ogg";
  std::ofstream(garbage, std::ios::binary) << std::string(5000, 'x');
  MusicTrack g;
  EXPECT_FALSE(g.Open(garbage, true, true));
  EXPECT_EQ(g.file, nullptr);
  g.Update();
  g.Release();

  // Only mono and stereo have an OpenAL format.
  MusicTrack three;
  EXPECT_FALSE(three.Open(Ogg("three.ogg", ToneFloats(3 * 2000, kRate, 300, 0.5), 3), true, false));
  EXPECT_EQ(three.file, nullptr);
  three.Release();

  // An unreadable WAV leaves nothing in the cache.
  const std::string badWav = dir + "/bad.wav";
  std::ofstream(badWav, std::ios::binary) << "RIFF....WAVEjunk";
  MusicTrack w;
  EXPECT_FALSE(w.Open(badWav, true, false));
  w.Release();
  EXPECT_TRUE(soundBufferCache.empty());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(MusicTrackTest, OpeningAgainReleasesTheEarlierSourceAndDecoder) {
  const std::string first = Ogg("first.ogg", ToneFloats(kChunkFrames, kRate, 441, 0.5));
  const std::string second = Ogg("second.ogg", ToneFloats(kChunkFrames, kRate, 330, 0.5));
  ASSERT_TRUE(track.Open(first, true, true));
  const ALuint earlier = track.source;
  ASSERT_TRUE(track.Open(second, false, true));
  EXPECT_NE(track.source, 0u);
  if (track.source != earlier) {
    EXPECT_FALSE(alIsSource(earlier));  // not left playing on without an owner
  }
  EXPECT_FALSE(track.loop);
  // A missing file touches nothing.
  const ALuint current = track.source;
  EXPECT_FALSE(track.Open(dir + "/missing.ogg", true, true));
  EXPECT_EQ(track.source, current);
  EXPECT_TRUE(alIsSource(current));
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(MusicTrackTest, CheckAlErrorReportsThroughTheDialog) {
  alGetError();
  EXPECT_TRUE(CheckAlError());
  alSourcePlay(987654);  // no such source
  EXPECT_FALSE(CheckAlError());
  ASSERT_EQ(DialogHistory().size(), 1u);
  EXPECT_EQ(DialogHistory()[0].caption, "Error");
  EXPECT_EQ(DialogHistory()[0].text.rfind("OpenAL error: ", 0), 0u);
  EXPECT_GT(DialogHistory()[0].text.size(), std::string("OpenAL error: ").size());
  EXPECT_TRUE(CheckAlError());  // reading the error cleared it
}

TEST_F(MusicTrackTest, FileCallbacksUseTheWholeOffset) {
  const std::string path = dir + "/bytes.bin";
  std::ofstream(path, std::ios::binary) << "0123456789";
  std::ifstream in(path, std::ios::binary);
  char buf[8] = {};
  EXPECT_EQ(OggFileRead(buf, 1, 4, &in), 4u);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(OggFileRead(buf, 1, 8, &in), 6u);  // only what is left
  EXPECT_EQ(OggFileSeek(&in, 2, SEEK_SET), 0);  // clears the end-of-file state first
  EXPECT_EQ(OggFileTell(&in), 2);
  EXPECT_EQ(OggFileSeek(&in, -3, SEEK_END), 0);
  EXPECT_EQ(OggFileTell(&in), 7);
  EXPECT_EQ(OggFileSeek(&in, 1, SEEK_CUR), 0);
  EXPECT_EQ(OggFileTell(&in), 8);
  EXPECT_EQ(OggFileSeek(&in, 0, 7), -1);
  const int64_t far = (int64_t{1} << 32) + 5;
  EXPECT_EQ(OggFileSeek(&in, far, SEEK_SET), 0);
  EXPECT_EQ(static_cast<int64_t>(OggFileTell(&in)), far);  // not cut to its low 32 bits
  EXPECT_EQ(OggFileClose(&in), 0);
  EXPECT_TRUE(in.is_open());
}

// Bytes that are no Ogg page after the music. A run of a few MB is passed over: opening reads the
// file about once, not again for every stretch of the run, and the track still loops over its
// own pages. A file far beyond any real piece of music, or whose pages stop after the headers, is
// refused before the decoder gets it, and named.
TEST_F(MusicTrackTest, BytesAfterTheMusicAreNotSearchedAndHugeOrEmptyTracksAreRefused) {
  const size_t total = kChunkFrames + kChunkFrames / 3;
  const std::vector<char> music = FileBytes(Ogg("music.ogg", ToneFloats(total, kRate, 300, 0.5)));
  const size_t tail = size_t{4} << 20;
  std::vector<char> noise(tail);
  uint32_t x = 12345;
  for (char& c : noise) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  for (const std::vector<char>& junk : {std::vector<char>(tail, 0), noise}) {
    const std::string path = dir + "/tail.ogg";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(music.data(), static_cast<std::streamsize>(music.size()))
        .write(junk.data(), static_cast<std::streamsize>(junk.size()));
    const uint64_t before = BytesReadSoFar();
    ASSERT_TRUE(track.Open(path, true, true));
    EXPECT_LT(BytesReadSoFar() - before, 2 * (music.size() + tail)) << "junk byte " << int(junk[1]);
    EXPECT_EQ(ov_pcm_total(track.file, -1), static_cast<int64_t>(total));
    track.Play();
    EXPECT_EQ(Run(3 * total), 0u);
    EXPECT_EQ(SourceState(track.source), AL_PLAYING);
    track.Release();
  }

  const std::string huge = dir + "/huge.ogg", bare = dir + "/bare.ogg";
  std::ofstream(huge, std::ios::binary).write(music.data(), static_cast<std::streamsize>(music.size()));
  ASSERT_EQ(truncate(huge.c_str(), kMaxMusicFileBytes + 1), 0);  // sparse: no disk is used
  const size_t headers = HeaderPagesBytes(music);
  ASSERT_GT(headers, 0u);
  ASSERT_LT(headers, music.size());
  std::ofstream(bare, std::ios::binary).write(music.data(), static_cast<std::streamsize>(headers))
      .write(noise.data(), static_cast<std::streamsize>(tail));
  testing::internal::CaptureStderr();
  const uint64_t before = BytesReadSoFar();
  EXPECT_FALSE(track.Open(huge, true, true));
  EXPECT_LT(BytesReadSoFar() - before, uint64_t{1} << 20);
  EXPECT_EQ(track.file, nullptr);
  track.Release();
  EXPECT_FALSE(track.Open(bare, true, true));
  EXPECT_EQ(track.file, nullptr);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors, "Cannot load " + huge + ": refused as corrupt (larger than 64 MB)\n" +
                        "Cannot load " + bare + ": refused as corrupt (no audio after the headers)\n");
}

}  // namespace
