// The sound generators of the data set and the WAV writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "engine/formats/binary_io.h"
#include "tools/makebase/sounds_codec.h"
#include "tools/makebase/sounds_effects.h"
#include "tools/makebase/sounds_music.h"

namespace {

using makebase::GeneratedSound;

// Crossings of zero per second: a rough measure of how bright a sound is.
double Brightness(const std::vector<float>& s) {
  size_t crossings = 0;
  for (size_t i = 1; i < s.size(); ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
  return crossings * static_cast<double>(makebase::kEffectRate) / static_cast<double>(s.size());
}

double Seconds(const std::vector<float>& s) { return s.size() / static_cast<double>(makebase::kEffectRate); }

class EffectSoundsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (GeneratedSound& g : makebase::MakeEffectSounds()) sounds[g.fileName] = g;
  }
  static std::map<std::string, GeneratedSound> sounds;
};
std::map<std::string, GeneratedSound> EffectSoundsTest::sounds;

TEST_F(EffectSoundsTest, EverySoundOfTheGameIsMadeOnceInRange) {
  const std::set<std::string> expected = {"steps.wav", "othersteps.wav", "gun1.wav",    "gun2.wav",   "gun3.wav",
                                          "gun4.wav",  "gun5.wav",       "gun6.wav",    "change.wav", "mon1.wav",
                                          "mon2.wav",  "mon3.wav",       "mon4.wav",    "mon5.wav",   "object1.wav",
                                          "object2.wav", "menu1.wav",    "menu2.wav"};
  EXPECT_EQ(makebase::MakeEffectSounds().size(), expected.size());
  for (const std::string& name : expected) {
    SCOPED_TRACE(name);
    ASSERT_EQ(sounds.count(name), 1u);
    const auto& s = sounds[name].samples;
    ASSERT_GT(s.size(), 500u);
    EXPECT_LE(Seconds(s), 1.5);
    float peak = 0;
    for (float v : s) {
      ASSERT_TRUE(std::isfinite(v));
      peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.3f);
    EXPECT_EQ(sounds[name].loops, name == "steps.wav" || name == "othersteps.wav");
    if (!sounds[name].loops) {
      // One-shots start and end at rest, so neither edge clicks.
      EXPECT_LT(std::fabs(s.front()), 1e-3);
      EXPECT_LT(std::fabs(s.back()), 1e-3);
    }
  }
}

TEST_F(EffectSoundsTest, GenerationIsDeterministic) {
  for (const GeneratedSound& g : makebase::MakeEffectSounds()) {
    EXPECT_EQ(g.samples, sounds[g.fileName].samples) << g.fileName;
  }
}

TEST_F(EffectSoundsTest, WeaponsEachHaveTheirOwnCharacter) {
  // Light arms are short and bright, shotguns long and dark; the super shotgun outlasts the shotgun.
  const auto& pistol = sounds["gun1.wav"].samples;
  const auto& light = sounds["gun2.wav"].samples;
  const auto& shotgun = sounds["gun3.wav"].samples;
  const auto& mg = sounds["gun4.wav"].samples;
  const auto& super = sounds["gun5.wav"].samples;
  const auto& heavy = sounds["gun6.wav"].samples;
  EXPECT_LT(Seconds(light), Seconds(pistol));
  EXPECT_LT(Seconds(pistol), Seconds(shotgun));
  EXPECT_LT(Seconds(shotgun), Seconds(super));
  EXPECT_GT(Brightness(pistol), Brightness(shotgun));
  EXPECT_GT(Brightness(light), Brightness(heavy));
  EXPECT_GT(Brightness(mg), Brightness(super));
  std::set<size_t> lengths;
  for (const auto* s : {&pistol, &light, &shotgun, &mg, &super, &heavy}) lengths.insert(s->size());
  EXPECT_EQ(lengths.size(), 6u);
}

TEST_F(EffectSoundsTest, FiveDifferentDeathCries) {
  std::set<size_t> lengths;
  std::vector<double> brightness;
  for (int k = 1; k <= 5; ++k) {
    const auto& s = sounds["mon" + std::to_string(k) + ".wav"].samples;
    lengths.insert(s.size());
    brightness.push_back(Brightness(s));
    EXPECT_GE(Seconds(s), 0.5);
  }
  EXPECT_EQ(lengths.size(), 5u);
  // The scream (2) is brighter than the groan (3).
  EXPECT_GT(brightness[1], brightness[2]);
}

TEST(WavWriterTest, CanonicalHeaderAndLittleEndianSamples) {
  const auto bytes = makebase::EncodeWavMono16({1, -2, 0x1234}, 11025);
  ASSERT_EQ(bytes.size(), 44u + 6u);
  ByteReader r(bytes);
  EXPECT_EQ(r.FixedString(4), "RIFF");
  EXPECT_EQ(r.U32(), 42u);
  EXPECT_EQ(r.FixedString(8), "WAVEfmt ");
  EXPECT_EQ(r.U32(), 16u);
  EXPECT_EQ(r.U16(), 1u);
  EXPECT_EQ(r.U16(), 1u);
  EXPECT_EQ(r.U32(), 11025u);
  EXPECT_EQ(r.U32(), 22050u);
  EXPECT_EQ(r.U16(), 2u);
  EXPECT_EQ(r.U16(), 16u);
  EXPECT_EQ(r.FixedString(4), "data");
  EXPECT_EQ(r.U32(), 6u);
  EXPECT_EQ(r.I16(), 1);
  EXPECT_EQ(r.I16(), -2);
  EXPECT_EQ(r.I16(), 0x1234);
}

TEST(MenuMusicTest, ALoopOfMoreThanThirtySecondsThatNeverFallsSilent) {
  const auto music = makebase::MakeMenuMusic();
  const size_t frames = music.size() / makebase::kMusicChannels;
  EXPECT_GE(frames, static_cast<size_t>(30 * makebase::kMusicRate));
  float peak = 0;
  for (float v : music) peak = std::max(peak, std::fabs(v));
  EXPECT_LE(peak, 1.0f);
  // Every half second (one beat) carries sound: the rhythm section never stops.
  const size_t beat = makebase::kMusicRate / 2;
  for (size_t b = 0; b + 1 < frames / beat; ++b) {
    double sum = 0;
    for (size_t i = b * beat * 2; i < (b + 1) * beat * 2; ++i) sum += music[i] * music[i];
    EXPECT_GT(std::sqrt(sum / (2 * beat)), 0.03) << "beat " << b;
  }
  // The end runs into the start like one bar runs into the next: the jump at the loop point is
  // no bigger than the one at the bar line half way through, where the same drums come in.
  auto jumpAt = [&](size_t frame, int c) {
    const size_t before = (frame + frames - 1) % frames;
    return std::fabs(music[frame * 2 + c] - music[before * 2 + c]);
  };
  for (int c = 0; c < 2; ++c) EXPECT_LT(jumpAt(0, c), 2 * jumpAt(frames / 2, c) + 0.02) << "channel " << c;
}

}  // namespace
