// The BMP and TGA readers against hand-built files, and the writers through the readers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/bmp_file.h"
#include "engine/formats/tga_file.h"

namespace {

// A BMP file with the given header fields and raw pixel rows (as stored).
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                             const std::vector<uint8_t>& rows) {
  ByteWriter w;
  w.U8('B');
  w.U8('M');
  w.U32(static_cast<uint32_t>(54 + rows.size()));
  w.U32(0);
  w.U32(54);
  w.U32(40);
  w.I32(width);
  w.I32(height);
  w.U16(1);
  w.U16(bits);
  w.U32(compression);
  w.U32(static_cast<uint32_t>(rows.size()));
  w.I32(2835);
  w.I32(2835);
  w.U32(0);
  w.U32(0);
  w.Bytes(rows.data(), rows.size());
  return w.bytes();
}

// Three pixels per row, stored BGR, each row padded from 9 to 12 bytes.
std::vector<uint8_t> ThreeByTwoRows() {
  return {
      1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,  // first stored row
      11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE,  // second stored row
  };
}

TEST(BmpReader, PaddedRowsOfWidthThreeBecomeRgbBottomUp) {
  const std::vector<uint8_t> file = MakeBmp(3, 2, 24, 0, ThreeByTwoRows());
  RgbImage img;
  ASSERT_TRUE(ParseBmp(file.data(), file.size(), img));
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(img.height, 2);
  const std::vector<uint8_t> expected = {3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17};
  EXPECT_EQ(img.pixels, expected);
}

TEST(BmpReader, TopDownFileIsFlippedToBottomUp) {
  const std::vector<uint8_t> file = MakeBmp(3, -2, 24, 0, ThreeByTwoRows());
  RgbImage img;
  ASSERT_TRUE(ParseBmp(file.data(), file.size(), img));
  EXPECT_EQ(img.height, 2);
  // The first stored row is the top, so it ends up last.
  EXPECT_EQ(img.pixels[0], 13);
  EXPECT_EQ(img.pixels[9], 3);
}

TEST(BmpReader, RefusesOtherDepthsCompressionAndBadHeaders) {
  RgbImage img;
  const std::vector<uint8_t> eightBit = MakeBmp(3, 2, 8, 0, ThreeByTwoRows());
  EXPECT_FALSE(ParseBmp(eightBit.data(), eightBit.size(), img));
  const std::vector<uint8_t> thirtyTwo = MakeBmp(3, 2, 32, 0, std::vector<uint8_t>(24, 0));
  EXPECT_FALSE(ParseBmp(thirtyTwo.data(), thirtyTwo.size(), img));
  const std::vector<uint8_t> rle = MakeBmp(3, 2, 24, 1, ThreeByTwoRows());
  EXPECT_FALSE(ParseBmp(rle.data(), rle.size(), img));
  const std::vector<uint8_t> bitfields = MakeBmp(3, 2, 24, 3, ThreeByTwoRows());
  EXPECT_FALSE(ParseBmp(bitfields.data(), bitfields.size(), img));
  const std::vector<uint8_t> zeroWidth = MakeBmp(0, 2, 24, 0, ThreeByTwoRows());
  EXPECT_FALSE(ParseBmp(zeroWidth.data(), zeroWidth.size(), img));
  const std::vector<uint8_t> zeroHeight = MakeBmp(3, 0, 24, 0, ThreeByTwoRows());
  EXPECT_FALSE(ParseBmp(zeroHeight.data(), zeroHeight.size(), img));
  const std::vector<uint8_t> huge = MakeBmp(1 << 20, 1 << 20, 24, 0, ThreeByTwoRows());
  EXPECT_FALSE(ParseBmp(huge.data(), huge.size(), img));
  std::vector<uint8_t> notBmp = MakeBmp(3, 2, 24, 0, ThreeByTwoRows());
  notBmp[0] = 'P';
  EXPECT_FALSE(ParseBmp(notBmp.data(), notBmp.size(), img));
  // A pixel offset pointing past the end of the file.
  std::vector<uint8_t> farOffset = MakeBmp(3, 2, 24, 0, ThreeByTwoRows());
  farOffset[10] = 0xFF;
  farOffset[11] = 0xFF;
  EXPECT_FALSE(ParseBmp(farOffset.data(), farOffset.size(), img));
  // An info header claiming to be larger than the whole file: the header size plus its own must
  // not wrap around to a small number that the pixel offset then passes.
  for (uint32_t infoSize : {0xFFFFFFFFu, 0xFFFFFFF2u, 0x80000000u}) {
    std::vector<uint8_t> wrapped = MakeBmp(3, 2, 24, 0, ThreeByTwoRows());
    for (int i = 0; i < 4; ++i) wrapped[14 + i] = static_cast<uint8_t>(infoSize >> (8 * i));
    EXPECT_FALSE(ParseBmp(wrapped.data(), wrapped.size(), img)) << infoSize;
  }
}

TEST(BmpReader, TruncatedFilesAreRefusedAtEveryLength) {
  const std::vector<uint8_t> file = MakeBmp(3, 2, 24, 0, ThreeByTwoRows());
  RgbImage img;
  // The last row's padding may be missing; anything shorter than its pixels is refused.
  const size_t shortest = file.size() - 3;
  EXPECT_TRUE(ParseBmp(file.data(), shortest, img));
  for (size_t len = 0; len < shortest; ++len) EXPECT_FALSE(ParseBmp(file.data(), len, img)) << len;
}

TEST(BmpWriter, EncodedPicturesReadBackUnchanged) {
  for (int width : {1, 2, 3, 4, 5, 7}) {
    RgbImage in;
    in.width = width;
    in.height = 3;
    for (int i = 0; i < width * 3 * 3; ++i) in.pixels.push_back(static_cast<uint8_t>(i * 7 + 1));
    const std::vector<uint8_t> bytes = EncodeBmp(in);
    RgbImage out;
    ASSERT_TRUE(ParseBmp(bytes.data(), bytes.size(), out)) << width;
    EXPECT_EQ(out.width, width);
    EXPECT_EQ(out.height, 3);
    EXPECT_EQ(out.pixels, in.pixels);
  }
}

TEST(BmpWriter, FileRoundTripAndRefusalOfInconsistentImages) {
  const std::string path = std::string(DUN_BINARY_DIR) + "/test-output/formats/round.bmp";
  RgbImage in;
  in.width = 2;
  in.height = 2;
  in.pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
  ASSERT_TRUE(WriteBmpFile(path, in));
  RgbImage out;
  ASSERT_TRUE(ReadBmpFile(path, out));
  EXPECT_EQ(out.pixels, in.pixels);
  in.pixels.pop_back();
  EXPECT_FALSE(WriteBmpFile(path, in));
  EXPECT_FALSE(ReadBmpFile(path + ".missing", out));
}

std::vector<uint8_t> MakeTga(const std::vector<uint8_t>& lead, int width, int height, int bits,
                             const std::vector<uint8_t>& pixels) {
  ByteWriter w;
  w.Bytes(lead.data(), lead.size());
  w.U16(static_cast<uint16_t>(width));
  w.U16(static_cast<uint16_t>(height));
  w.U8(static_cast<uint8_t>(bits));
  w.U8(0x28);  // descriptor: ignored
  w.Bytes(pixels.data(), pixels.size());
  return w.bytes();
}

const std::vector<uint8_t> kLead = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

TEST(TgaReader, TwentyFourAndThirtyTwoBitsSwapToRgbInStoredRowOrder) {
  const std::vector<uint8_t> rgb = MakeTga(kLead, 2, 1, 24, {1, 2, 3, 4, 5, 6});
  TgaImage img;
  ASSERT_TRUE(ParseTga(rgb.data(), rgb.size(), img));
  EXPECT_EQ(img.components, 3);
  EXPECT_EQ(img.pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));

  const std::vector<uint8_t> rgba = MakeTga(kLead, 1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(ParseTga(rgba.data(), rgba.size(), img));
  EXPECT_EQ(img.components, 4);
  EXPECT_EQ(img.width, 1);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.pixels, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(TgaReader, HeaderRuleRejectsIdentifierColourMapAndRunLength) {
  TgaImage img;
  std::vector<uint8_t> withId = kLead;
  withId[0] = 4;  // image identifier length
  std::vector<uint8_t> file = MakeTga(withId, 1, 1, 24, {1, 2, 3, 0, 0, 0, 0});
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
  std::vector<uint8_t> colourMap = kLead;
  colourMap[1] = 1;
  file = MakeTga(colourMap, 1, 1, 24, {1, 2, 3});
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
  std::vector<uint8_t> runLength = kLead;
  runLength[2] = 10;
  file = MakeTga(runLength, 1, 1, 24, {0x80, 1, 2, 3});
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
  std::vector<uint8_t> origin = kLead;
  origin[8] = 1;  // x origin
  file = MakeTga(origin, 1, 1, 24, {1, 2, 3});
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
}

TEST(TgaReader, BadDepthsSizesAndShortDataAreRefused) {
  TgaImage img;
  for (int bits : {0, 8, 15, 16, 31, 48}) {
    const std::vector<uint8_t> file = MakeTga(kLead, 1, 1, bits, std::vector<uint8_t>(8, 0));
    EXPECT_FALSE(ParseTga(file.data(), file.size(), img)) << bits;
  }
  std::vector<uint8_t> file = MakeTga(kLead, 0, 4, 24, std::vector<uint8_t>(12, 0));
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
  file = MakeTga(kLead, 4, 0, 24, std::vector<uint8_t>(12, 0));
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
  file = MakeTga(kLead, 65535, 65535, 32, std::vector<uint8_t>(64, 0));
  EXPECT_FALSE(ParseTga(file.data(), file.size(), img));
  // Every truncation of a good file is refused.
  file = MakeTga(kLead, 2, 2, 32, std::vector<uint8_t>(16, 9));
  ASSERT_TRUE(ParseTga(file.data(), file.size(), img));
  for (size_t len = 0; len < file.size(); ++len) EXPECT_FALSE(ParseTga(file.data(), len, img)) << len;
}

TEST(TgaWriter, EncodedPicturesReadBackUnchanged) {
  for (int components : {3, 4}) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 5 * 3 * components; ++i) pixels.push_back(static_cast<uint8_t>(i * 13 + 5));
    const std::vector<uint8_t> bytes = EncodeTga(5, 3, components, pixels.data());
    TgaImage img;
    ASSERT_TRUE(ParseTga(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.components, components);
    EXPECT_EQ(img.pixels, pixels);
  }
  const std::string path = std::string(DUN_BINARY_DIR) + "/test-output/formats/round.tga";
  TgaImage in;
  in.width = 1;
  in.height = 1;
  in.components = 4;
  in.pixels = {10, 20, 30, 40};
  ASSERT_TRUE(WriteTgaFile(path, in));
  TgaImage out;
  ASSERT_TRUE(ReadTgaFile(path, out));
  EXPECT_EQ(out.pixels, in.pixels);
  in.components = 2;
  EXPECT_FALSE(WriteTgaFile(path, in));
}

}  // namespace
