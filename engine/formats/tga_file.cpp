#include "engine/formats/tga_file.h"

#include <cstring>

#include "engine/formats/binary_io.h"
#include "engine/formats/bmp_file.h"

const uint8_t kTgaHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

bool ParseTga(const uint8_t* data, size_t size, TgaImage& out) {
  ByteReader r(data, size);
  uint8_t header[12];
  if (!r.Bytes(header, sizeof header) || std::memcmp(header, kTgaHeader, sizeof header) != 0) return false;
  const int width = r.U16();
  const int height = r.U16();
  const int bits = r.U8();
  r.U8();  // image descriptor
  if (!r.ok() || (bits != 24 && bits != 32)) return false;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  const int components = bits / 8;
  const size_t count = static_cast<size_t>(width) * height * components;
  if (r.remaining() < count) return false;
  out.width = width;
  out.height = height;
  out.components = components;
  out.pixels.assign(data + r.position(), data + r.position() + count);
  for (size_t i = 0; i < count; i += components) {
    const uint8_t t = out.pixels[i];
    out.pixels[i] = out.pixels[i + 2];
    out.pixels[i + 2] = t;
  }
  return true;
}

bool ReadTgaFile(const std::string& path, TgaImage& out) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, size_t(300) << 20)) return false;
  return ParseTga(bytes.data(), bytes.size(), out);
}

std::vector<uint8_t> EncodeTga(int width, int height, int components, const uint8_t* pixels) {
  ByteWriter w;
  w.Bytes(kTgaHeader, sizeof kTgaHeader);
  w.U16(static_cast<uint16_t>(width));
  w.U16(static_cast<uint16_t>(height));
  w.U8(static_cast<uint8_t>(components * 8));
  w.U8(components == 4 ? 8 : 0);  // alpha bits; origin bottom left
  std::vector<uint8_t>& out = w.bytes();
  const size_t count = static_cast<size_t>(width) * height * components;
  out.reserve(out.size() + count);
  for (size_t i = 0; i < count; i += components) {
    out.push_back(pixels[i + 2]);
    out.push_back(pixels[i + 1]);
    out.push_back(pixels[i + 0]);
    if (components == 4) out.push_back(pixels[i + 3]);
  }
  return out;
}

bool WriteTgaFile(const std::string& path, const TgaImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535 ||
      (image.components != 3 && image.components != 4) ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.components)
    return false;
  return WriteWholeFile(path, EncodeTga(image.width, image.height, image.components, image.pixels.data()), true);
}
