// The word reader and writer at the edges of their buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/formats/binary_io.h"

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
