// Uncompressed true-colour Targa pictures (24-bit RGB or 32-bit RGBA): the reader of the texture
// loader and the writer of the data generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The 12 leading bytes every accepted file starts with: no image identifier, no colour map,
// image type 2 (uncompressed true colour), zero origin.
extern const uint8_t kTgaHeader[12];

struct TgaImage {
  int width = 0;
  int height = 0;
  int components = 0;           // 3 (RGB) or 4 (RGBA)
  std::vector<uint8_t> pixels;  // width * height * components bytes, rows as stored (bottom-up)
};

// Parses a TGA file held in memory. False unless the file starts with kTgaHeader, has 24 or 32
// bits per pixel, a width and height in 1..kMaxPictureSide (engine/formats/bmp_file.h) and all of
// its pixel bytes. The image descriptor byte is ignored: rows are kept in stored order. Pixels are
// turned from BGR(A) into RGB(A).
bool ParseTga(const uint8_t* data, size_t size, TgaImage& out);
bool ReadTgaFile(const std::string& path, TgaImage& out);

// Encodes width x height pixels of the given components (3 or 4), rows bottom-up, RGB(A) order.
std::vector<uint8_t> EncodeTga(int width, int height, int components, const uint8_t* pixels);
bool WriteTgaFile(const std::string& path, const TgaImage& image);
