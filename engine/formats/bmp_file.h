// Uncompressed 24-bit Windows bitmaps: the reader the texture loaders use and the writer of the
// data generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB picture, rows bottom-up (the first row is the bottom of the picture, as OpenGL wants it).
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes, R G B
};

// Largest width or height either reader accepts; anything bigger is taken as a corrupt header.
constexpr int kMaxPictureSide = 8192;

// Parses a BMP file held in memory. Accepts only BI_RGB (uncompressed) 24-bit pictures with a
// 40-byte or larger info header; rows are padded to 4 bytes in the file; a negative height means
// the rows are stored top-down and they are flipped here. False for anything else or for a file
// too short for its pixel rows.
bool ParseBmp(const uint8_t* data, size_t size, RgbImage& out);
bool ReadBmpFile(const std::string& path, RgbImage& out);

// Encodes a bottom-up 24-bit BMP with a 40-byte info header.
std::vector<uint8_t> EncodeBmp(const RgbImage& image);
bool WriteBmpFile(const std::string& path, const RgbImage& image);
