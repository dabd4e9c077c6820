// The word reader and writer at the edges of their buffers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/wav_file.h"

TEST(ByteWriter, PatchOutsideTheBytesChangesNothing) {
  ByteWriter w;
  w.U32(0x11223344u);
  w.U16(0x5566);
  const std::vector<uint8_t> before = w.bytes();
  // Offsets whose end would wrap around the size type must not pass the bounds check.
  for (size_t at : {size_t(3), size_t(6), SIZE_MAX, SIZE_MAX - 1, SIZE_MAX - 3}) {
    w.PatchU32(at, 0xAABBCCDDu);
    EXPECT_EQ(w.bytes(), before) << at;
  }
  w.PatchU32(2, 0xAABBCCDDu);
  const std::vector<uint8_t> patched = {0x44, 0x33, 0xDD, 0xCC, 0xBB, 0xAA};
  EXPECT_EQ(w.bytes(), patched);
}

TEST(ByteReader, ReadsPastTheEndFailOnceAndStayFailed) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
  ByteReader r(bytes);
  EXPECT_EQ(r.U32(), 0x04030201u);
  EXPECT_FALSE(r.Skip(SIZE_MAX));
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);
  EXPECT_EQ(r.U8(), 0u);
  EXPECT_FALSE(r.Seek(0));  // a failed reader stays failed
  ByteReader s(bytes);
  EXPECT_FALSE(s.Seek(SIZE_MAX));
  EXPECT_FALSE(s.ok());
  ByteReader t(bytes);
  EXPECT_EQ(t.FixedString(SIZE_MAX), "");
  EXPECT_FALSE(t.ok());
}

// A settings, career or sound file that is a named pipe, a directory or a device reads as missing
// (the caller takes its defaults), and the read never waits for a writer that may never come.
TEST(ReadWholeFile, PipesDirectoriesAndDevicesReadAsMissingWithoutWaiting) {
  char dir[] = "/tmp/dun_special_files_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string pipe = std::string(dir) + "/menu.inf", folder = std::string(dir) + "/career.inf";
  const std::string regular = std::string(dir) + "/regular.inf";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const std::string& path : {pipe, folder, std::string("/dev/null"), std::string("/dev/zero")}) {
    auto read = std::async(std::launch::async, [path] {
      std::vector<uint8_t> bytes{1};
      const bool whole = ReadWholeFile(path, bytes, 4096);
      return !whole && bytes.empty() && !CheckWavFile(path, 4096);
    });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << path << " is still being opened after 10 s";
      // Release the waiting open with a writer that leaves at once.
      while (read.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
      }
    }
    EXPECT_TRUE(read.get()) << path;
  }
  // A regular file in the same place reads.
  ASSERT_TRUE(WriteWholeFile(regular, {1, 2, 3}));
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFile(regular, bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
  unlink(regular.c_str());
  unlink(pipe.c_str());
  rmdir(folder.c_str());
  rmdir(dir);
}
