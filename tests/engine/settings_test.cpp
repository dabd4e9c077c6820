#include <gtest/gtest.h>

#include "engine/formats/settings_file.h"

namespace {
std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
  std::vector<uint8_t> b;
  for (int32_t w : words)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(w) >> (8 * i)));
  return b;
}
}  // namespace

TEST(SettingsFile, RoundTripKeepsEveryFieldAndTheSpareWord) {
  SettingsRecord s{2, 16, 16, 0, 1, -77};
  const std::vector<uint8_t> bytes = SerializeSettings(s);
  ASSERT_EQ(bytes.size(), kSettingsFileSize);
  SettingsRecord back;
  EXPECT_TRUE(ParseSettings(bytes, back));
  EXPECT_EQ(back.resolutionIndex, 2);
  EXPECT_EQ(back.colorBits, 16);
  EXPECT_EQ(back.depthBits, 16);
  EXPECT_EQ(back.soundOn, 0);
  EXPECT_EQ(back.musicOn, 1);
  EXPECT_EQ(back.spareSetting, -77);
}

TEST(SettingsFile, WordsAreLittleEndian) {
  const std::vector<uint8_t> bytes = SerializeSettings(SettingsRecord{1, 32, 24, 1, 1, 0x01020304});
  EXPECT_EQ(bytes[4], 32);
  EXPECT_EQ(bytes[20], 0x04);
  EXPECT_EQ(bytes[23], 0x01);
}

TEST(SettingsFile, MissingShortAndInvalidFieldsTakeDefaults) {
  SettingsRecord s;
  EXPECT_FALSE(ParseSettings({}, s));
  EXPECT_EQ(s.resolutionIndex, 1);
  EXPECT_EQ(s.colorBits, 32);
  EXPECT_EQ(s.depthBits, 24);
  EXPECT_EQ(s.soundOn, 1);
  EXPECT_EQ(s.musicOn, 1);
  EXPECT_EQ(s.spareSetting, 0);

  // Resolution 3 would give a 0 x 0 window; 15-bit colour and 8-bit depth are not offered.
  EXPECT_FALSE(ParseSettings(Words({3, 15, 8, 0, 7, 9}), s));
  EXPECT_EQ(s.resolutionIndex, 1);
  EXPECT_EQ(s.colorBits, 32);
  EXPECT_EQ(s.depthBits, 24);
  EXPECT_EQ(s.soundOn, 0);
  EXPECT_EQ(s.musicOn, 1);  // nonzero reads as on
  EXPECT_EQ(s.spareSetting, 9);

  // A short file keeps what it holds.
  std::vector<uint8_t> shortFile = Words({0, 16, 16});
  shortFile.push_back(1);
  EXPECT_FALSE(ParseSettings(shortFile, s));
  EXPECT_EQ(s.resolutionIndex, 0);
  EXPECT_EQ(s.colorBits, 16);
  EXPECT_EQ(s.depthBits, 16);
  EXPECT_EQ(s.soundOn, 1);
}

TEST(SettingsFile, ResolutionSizes) {
  int w = 7, h = 7;
  EXPECT_TRUE(ResolutionSize(0, w, h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_TRUE(ResolutionSize(2, w, h));
  EXPECT_EQ(w, 1024);
  EXPECT_FALSE(ResolutionSize(3, w, h));
  EXPECT_EQ(w, 1024);  // untouched
}
