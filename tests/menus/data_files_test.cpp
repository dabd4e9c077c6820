#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/formats/settings_file.h"
#include "engine/random.h"
#include "engine/static_model.h"
#include "menu_test_support.h"

namespace {

class DataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMenuWorld();
    char pattern[] = "/tmp/dun_data_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    GameSrand(1234);
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  static void WriteTable(int map, const char* file, int32_t last, int rows) {
    std::vector<PointRow> r;
    for (int i = 0; i < rows; ++i) r.push_back(PointRow{i, 1, -i, i % 3});
    std::vector<uint8_t> bytes = SerializePointTable(r);
    bytes[0] = static_cast<uint8_t>(last);
    bytes[1] = bytes[2] = bytes[3] = last < 0 ? 0xff : 0;
    ASSERT_TRUE(WriteWholeFile(MapPointsPath(map, file), bytes, true));
  }
  static void WriteCareerBytes(std::vector<uint8_t> bytes) {
    ASSERT_TRUE(WriteWholeFile("base/career.inf", bytes, true));
  }
  std::string dir_;
  std::filesystem::path old_;
};

TEST_F(DataFiles, CareerRoundTrip) {
  difficulty = 7;
  mapNumber = 9;
  ASSERT_TRUE(WriteCareer());
  difficulty = mapNumber = 0;
  ReadCareer();
  EXPECT_EQ(difficulty, 7);
  EXPECT_EQ(mapNumber, 9);
}

TEST_F(DataFiles, MissingShortOrInvalidCareerStartsOnMapOneEasy) {
  difficulty = 7;
  mapNumber = 5;
  ReadCareer();  // missing
  EXPECT_EQ(difficulty, 1);
  EXPECT_EQ(mapNumber, 1);

  WriteCareerBytes({3, 0, 0, 0, 4});
  difficulty = mapNumber = 0;
  ReadCareer();
  EXPECT_EQ(difficulty, 1);
  EXPECT_EQ(mapNumber, 1);

  WriteCareerBytes(SerializeCareer(CareerRecord{5, 4}));
  ReadCareer();
  EXPECT_EQ(difficulty, 1);
  EXPECT_EQ(mapNumber, 1);
}

TEST_F(DataFiles, StoredMapOutsideTheCareerTakesTheEndOfCareerPath) {
  for (int stored : {0, 11, 12, -4, 1000000}) {
    WriteCareerBytes(SerializeCareer(CareerRecord{3, stored}));
    ReadCareer();
    EXPECT_EQ(difficulty, 3);
    EXPECT_EQ(mapNumber, kCareerEndMap) << stored;
  }
  WriteCareerBytes(SerializeCareer(CareerRecord{3, 10}));
  ReadCareer();
  EXPECT_EQ(mapNumber, 10);
}

TEST_F(DataFiles, FailedCareerWriteIsHarmless) {
  // "base" is a file, so base/career.inf cannot be made.
  ASSERT_TRUE(WriteWholeFile("base", {1, 2, 3}));
  difficulty = 3;
  mapNumber = 2;
  EXPECT_FALSE(WriteCareer());
  EXPECT_EQ(difficulty, 3);
  EXPECT_EQ(mapNumber, 2);
}

// The two files the game keeps for the player. Whatever stands in their place, the game starts on
// the defaults; a missing file is the first start and says nothing, anything else is named once
// with its reason. A save that fails is named too, and leaves nothing half-written beside it.
TEST_F(DataFiles, PlayerFilesThatCannotBeUsedAreNamedOnceAndAMissingOneStaysQuiet) {
  ASSERT_TRUE(MakeDirectories("base"));
  const std::vector<uint8_t> badSettings = SerializeSettings(SettingsRecord{99, 32, 24, 1, 1, 0});
  const std::vector<uint8_t> badCareer = SerializeCareer(CareerRecord{5, 4});
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
    std::string menuReason, careerReason;  // empty: no line
  };
  const std::vector<Case> cases = {
      {"missing", [](const std::string&) {}, "", ""},
      {"pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
       "unreadable (not a regular file)", "unreadable (not a regular file)"},
      {"directory", [](const std::string& p) { ASSERT_TRUE(MakeDirectories(p)); }, "unreadable (a directory)",
       "unreadable (a directory)"},
      {"symlink loop", [](const std::string& p) {
         ASSERT_EQ(symlink(std::filesystem::path(p).filename().c_str(), p.c_str()), 0);
       },
       std::string("unreadable (") + std::strerror(ELOOP) + ")", std::string("unreadable (") + std::strerror(ELOOP) + ")"},
      {"device", [](const std::string& p) { ASSERT_EQ(symlink("/dev/zero", p.c_str()), 0); },
       "unreadable (not a regular file)", "unreadable (not a regular file)"},
      {"1 GB", [](const std::string& p) {
         ASSERT_TRUE(WriteWholeFile(p, {}));
         ASSERT_EQ(truncate(p.c_str(), off_t{1} << 30), 0);  // sparse
       },
       "refused as corrupt (larger than 4096 bytes)", "refused as corrupt (larger than 4096 bytes)"},
      {"short", [](const std::string& p) { ASSERT_TRUE(WriteWholeFile(p, {1, 0, 0})); },
       "refused as corrupt (24 bytes expected, 3 found)", "refused as corrupt (8 bytes expected, 3 found)"},
      {"out of range", [&](const std::string& p) {
         ASSERT_TRUE(WriteWholeFile(p, p == "base/menu.inf" ? badSettings : badCareer));
       },
       "refused as corrupt (resolution 99)", "refused as corrupt (difficulty 5)"},
  };
  for (const Case& c : cases) {
    c.make("base/menu.inf");
    c.make("base/career.inf");
    resolutionIndex = 2;
    colorBits = 16;
    difficulty = 7;
    mapNumber = 5;
    testing::internal::CaptureStderr();
    LoadSettings("base/menu.inf");
    ReadCareer();
    const std::string errors = testing::internal::GetCapturedStderr();
    std::string expected;
    if (!c.menuReason.empty()) expected += "Cannot load base/menu.inf: " + c.menuReason + "\n";
    if (!c.careerReason.empty()) expected += "Cannot load base/career.inf: " + c.careerReason + "\n";
    EXPECT_EQ(errors, expected) << c.what;
    EXPECT_EQ(resolutionIndex, 1) << c.what;
    EXPECT_EQ(colorBits, 32) << c.what;
    EXPECT_EQ(difficulty, 1) << c.what;
    EXPECT_EQ(mapNumber, 1) << c.what;
    std::filesystem::remove_all("base/menu.inf");
    std::filesystem::remove_all("base/career.inf");
  }
  // A stored map no career reaches is named too, and still ends the career.
  WriteCareerBytes(SerializeCareer(CareerRecord{3, 99}));
  testing::internal::CaptureStderr();
  ReadCareer();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot load base/career.inf: refused as corrupt (map 99)\n");
  EXPECT_EQ(mapNumber, kCareerEndMap);
  std::filesystem::remove("base/career.inf");

  // Saving where a folder stands: each file is named with the reason, and nothing is left behind.
  ASSERT_TRUE(MakeDirectories("base/menu.inf"));
  ASSERT_TRUE(MakeDirectories("base/career.inf"));
  difficulty = 7;
  mapNumber = 2;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveSettings("base/menu.inf"));
  EXPECT_FALSE(WriteCareer());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("Could not write base/menu.inf: ") + std::strerror(EISDIR) +
                                                        "\nCould not write base/career.inf: " + std::strerror(EISDIR) + "\n");
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator("base")) entries += e.is_directory() ? 1 : 100;
  EXPECT_EQ(entries, 2u);  // the two folders, no temporary file
}

TEST_F(DataFiles, BanditPointsFillTheSpawnTable) {
  WriteTable(3, "mon.ai", 9, 10);
  ReadBanditPoints(3);
  ASSERT_EQ(lastSpawnPointIndex, 9);
  for (int i = 0; i <= 9; ++i) {
    EXPECT_EQ(spawnPoints[i].x, static_cast<float>(i));
    EXPECT_EQ(spawnPoints[i].y, 1.0f);
    EXPECT_EQ(spawnPoints[i].z, static_cast<float>(-i));
    EXPECT_EQ(spawnPoints[i].flag, 0);
    EXPECT_EQ(spawnPoints[i].value, i % 3);
    EXPECT_GE(spawnPoints[i].timer, 0.0f);
    EXPECT_LE(spawnPoints[i].timer, 14.0f);
    EXPECT_EQ(spawnPoints[i].timer, static_cast<float>(static_cast<int>(spawnPoints[i].timer)));
  }
  const int row = RandomSpawnPointIndex();
  EXPECT_GE(row, 0);
  EXPECT_LE(row, 9);
}

TEST_F(DataFiles, SpawnTableIsEmptyOrClampedForBadFiles) {
  WriteTable(2, "mon.ai", 40, 41);
  ReadBanditPoints(2);
  EXPECT_EQ(lastSpawnPointIndex, kMaxSpawnPoints - 1);

  ReadBanditPoints(4);  // missing
  EXPECT_EQ(lastSpawnPointIndex, -1);
  EXPECT_EQ(RandomSpawnPointIndex(), -1);

  WriteTable(2, "mon.ai", 9, 10);
  ReadBanditPoints(21);
  EXPECT_EQ(lastSpawnPointIndex, -1);
  ReadBanditPoints(0);
  EXPECT_EQ(lastSpawnPointIndex, -1);

  WriteTable(5, "mon.ai", -3, 2);
  ReadBanditPoints(5);
  EXPECT_EQ(lastSpawnPointIndex, -1);
}

// With a map loaded, rows that lie more than 100 units outside the map model's bounding box are
// dropped from both tables, and the rows after them move up.
TEST_F(DataFiles, PointsFarOutsideTheMapAreDropped) {
  Ms3dModel map;
  const float corners[2][3] = {{-20.0f, 0.0f, -30.0f}, {20.0f, 10.0f, 30.0f}};
  for (const float* c : corners) {
    ModelVertex v;
    for (int a = 0; a < 3; ++a) v.location[a] = c[a];
    map.vertices.push_back(v);
  }
  const std::vector<PointRow> rows = {
      {0, 3, 0, 1},           {INT32_MAX, 3, 0, 2}, {120, 110, -130, 3}, {0, 111, 0, 4},
      {-121, 3, 0, 5},        {0, 3, INT32_MIN, 6}, {5, -100, 7, 7},     {0, -101, 0, 8},
      {1 << 30, 1 << 30, 1 << 30, 9}};
  for (const char* file : {"mon.ai", "prize.ai"}) {
    ASSERT_TRUE(WriteWholeFile(MapPointsPath(7, file), SerializePointTable(rows), true));
  }
  mapModel = &map;
  ReadBanditPoints(7);
  ReadPrizePoints(7);
  mapModel = nullptr;
  const int kept[] = {1, 3, 7};  // values of the rows inside the box grown by 100 (faces included)
  ASSERT_EQ(lastSpawnPointIndex, 2);
  ASSERT_EQ(lastPrizePointIndex, 2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(spawnPoints[i].value, kept[i]) << i;
    EXPECT_EQ(prizePoints[i].type, kept[i]) << i;
  }
  EXPECT_EQ(spawnPoints[1].z, -130.0f);
  EXPECT_EQ(prizePoints[2].y, -100.0f);

  // Without a map model the table is read as it stands.
  ReadBanditPoints(7);
  EXPECT_EQ(lastSpawnPointIndex, static_cast<int>(rows.size()) - 1);
}

TEST_F(DataFiles, PrizePointsKeepTheirTypeAndStartTimersAtZero) {
  WriteTable(20, "prize.ai", 4, 5);
  prizePoints[2].timer = 9.0f;
  ReadPrizePoints(20);
  ASSERT_EQ(lastPrizePointIndex, 4);
  EXPECT_EQ(prizePoints[2].type, 2);
  EXPECT_EQ(prizePoints[2].timer, 0.0f);
  EXPECT_EQ(prizePoints[4].x, 4.0f);

  WriteTable(1, "prize.ai", 250, 251);
  ReadPrizePoints(1);
  EXPECT_EQ(lastPrizePointIndex, kMaxPrizePoints - 1);
  ReadPrizePoints(6);
  EXPECT_EQ(lastPrizePointIndex, -1);
}

}  // namespace
