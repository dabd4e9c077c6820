#include <gtest/gtest.h>

#include <stdlib.h>

#include <climits>
#include <cstdio>
#include <string>

#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/formats/settings_file.h"
#include "tools/makebase/makebase.h"

namespace {
std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
  std::vector<uint8_t> b;
  for (int32_t w : words)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(w) >> (8 * i)));
  return b;
}

std::vector<uint8_t> Table(int32_t last, int rows) {
  std::vector<uint8_t> b = Words({last});
  for (int i = 0; i < rows; ++i) {
    const std::vector<uint8_t> r = Words({i, 2 * i, -3 * i, 100 + i});
    b.insert(b.end(), r.begin(), r.end());
  }
  return b;
}
}  // namespace

TEST(CareerFile, RoundTripsEveryDifficultyAsLittleEndianWords) {
  for (int d : {1, 3, 7}) {
    const std::vector<uint8_t> bytes = SerializeCareer(CareerRecord{d, 9});
    ASSERT_EQ(bytes.size(), kCareerFileSize);
    EXPECT_EQ(bytes, Words({d, 9}));
    CareerRecord back{0, 0};
    EXPECT_TRUE(ParseCareer(bytes, back));
    EXPECT_EQ(back.difficulty, d);
    EXPECT_EQ(back.mapNumber, 9);
  }
}

TEST(CareerFile, ShortOrUnknownDifficultyIsRejectedAndLeavesTheRecord) {
  for (const std::vector<uint8_t>& bad :
       {std::vector<uint8_t>{}, Words({3}), std::vector<uint8_t>{3, 0, 0, 0, 5, 0, 0}, Words({0, 2}),
        Words({2, 2}), Words({-1, 2}), Words({8, 2})}) {
    CareerRecord c{3, 4};
    EXPECT_FALSE(ParseCareer(bad, c));
    EXPECT_EQ(c.difficulty, 3);
    EXPECT_EQ(c.mapNumber, 4);
  }
}

TEST(CareerFile, MapNumberIsReturnedAsStored) {
  CareerRecord c;
  ASSERT_TRUE(ParseCareer(Words({7, -5}), c));
  EXPECT_EQ(c.mapNumber, -5);
}

TEST(PointTable, LastIndexNineGivesTenRowsInOrder) {
  const std::vector<PointRow> rows = ParsePointTable(Table(9, 10), 30);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[7].x, 7);
  EXPECT_EQ(rows[7].y, 14);
  EXPECT_EQ(rows[7].z, -21);
  EXPECT_EQ(rows[7].value, 107);
}

TEST(PointTable, EmptyNegativeClampedAndShortFiles) {
  EXPECT_TRUE(ParsePointTable({}, 30).empty());
  EXPECT_TRUE(ParsePointTable({1, 0}, 30).empty());
  EXPECT_TRUE(ParsePointTable(Table(-1, 0), 30).empty());
  EXPECT_TRUE(ParsePointTable(Table(-7, 3), 30).empty());
  EXPECT_TRUE(ParsePointTable(Table(INT_MIN, 3), 30).empty());
  // More rows than the table holds: clamped.
  EXPECT_EQ(ParsePointTable(Table(49, 50), 30).size(), 30u);
  EXPECT_EQ(ParsePointTable(Table(249, 250), 200).size(), 200u);
  // A count beyond the file keeps only the complete rows.
  std::vector<uint8_t> cut = Table(4, 3);
  cut.erase(cut.end() - 5, cut.end());
  EXPECT_EQ(ParsePointTable(cut, 30).size(), 2u);
  EXPECT_EQ(ParsePointTable(Table(INT_MAX, 3), 30).size(), 3u);
  // Extra bytes after the counted rows are ignored.
  EXPECT_EQ(ParsePointTable(Table(1, 5), 30).size(), 2u);
}

TEST(PointTable, RoundTripThroughTheWriter) {
  std::vector<PointRow> rows = {{-70, 3, -107, 0}, {12, 0, -40, 2}, {5, 6, 7, 1}};
  const std::vector<PointRow> back = ParsePointTable(SerializePointTable(rows), 200);
  ASSERT_EQ(back.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(back[i].x, rows[i].x);
    EXPECT_EQ(back[i].z, rows[i].z);
    EXPECT_EQ(back[i].value, rows[i].value);
  }
  EXPECT_EQ(SerializePointTable({}), Words({-1}));
}

TEST(PointTable, PathsExistOnlyForMapsOneToTwenty) {
  EXPECT_EQ(MapPointsPath(1, "mon.ai"), "base/maps/1/points/mon.ai");
  EXPECT_EQ(MapPointsPath(20, "prize.ai"), "base/maps/20/points/prize.ai");
  EXPECT_EQ(MapPointsPath(0, "mon.ai"), "");
  EXPECT_EQ(MapPointsPath(21, "mon.ai"), "");
  EXPECT_EQ(MapPointsPath(-3, "mon.ai"), "");
}

// A rebuild runs the generator again over the data folder the game plays from: the player's
// settings and career stay, and only a file that is not there is written fresh.
TEST(GeneratedSettingsFiles, ARegenerationKeepsThePlayersOwnAndFillsInWhatIsMissing) {
  char pattern[] = "/tmp/dun-settings-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern, menu = dir + "/base/menu.inf", career = dir + "/base/career.inf";
  std::vector<uint8_t> bytes;

  ASSERT_TRUE(makebase::WriteSettingsFiles(dir));
  ASSERT_TRUE(ReadWholeFile(menu, bytes));
  EXPECT_EQ(bytes, SerializeSettings(SettingsRecord{}));
  ASSERT_TRUE(ReadWholeFile(career, bytes));
  EXPECT_EQ(bytes, Words({1, 1}));

  SettingsRecord played;
  played.resolutionIndex = 2;
  played.musicOn = 0;
  ASSERT_TRUE(WriteWholeFile(menu, SerializeSettings(played)));
  ASSERT_TRUE(WriteWholeFile(career, Words({7, 7})));
  ASSERT_TRUE(makebase::WriteSettingsFiles(dir));
  ASSERT_TRUE(ReadWholeFile(menu, bytes));
  EXPECT_EQ(bytes, SerializeSettings(played));
  ASSERT_TRUE(ReadWholeFile(career, bytes));
  EXPECT_EQ(bytes, Words({7, 7}));

  ASSERT_EQ(std::remove(career.c_str()), 0);
  ASSERT_TRUE(makebase::WriteSettingsFiles(dir));
  ASSERT_TRUE(ReadWholeFile(career, bytes));
  EXPECT_EQ(bytes, Words({1, 1}));
  ASSERT_TRUE(ReadWholeFile(menu, bytes));
  EXPECT_EQ(bytes, SerializeSettings(played));

  std::system(("rm -rf '" + dir + "'").c_str());
}
