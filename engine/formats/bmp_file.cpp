#include "engine/formats/bmp_file.h"

#include "engine/formats/binary_io.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

size_t RowStride(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t(3); }

}  // namespace

bool ParseBmp(const uint8_t* data, size_t size, RgbImage& out) {
  ByteReader r(data, size);
  if (r.U8() != 'B' || r.U8() != 'M') return false;
  r.U32();  // file size: often wrong in the wild, the pixel rows are checked instead
  r.U32();  // reserved
  const uint32_t pixelOffset = r.U32();
  const uint32_t infoSize = r.U32();
  const int32_t width = r.I32();
  const int32_t rawHeight = r.I32();
  const uint16_t planes = r.U16();
  const uint16_t bits = r.U16();
  const uint32_t compression = r.U32();
  if (!r.ok() || infoSize < kInfoHeaderSize || planes != 1 || bits != 24 || compression != 0) return false;
  if (width <= 0 || width > kMaxPictureSide || rawHeight == 0 || rawHeight < -kMaxPictureSide ||
      rawHeight > kMaxPictureSide)
    return false;
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  // In 64 bits: a huge info size must not wrap the sum around to a small number.
  if (pixelOffset < uint64_t{kFileHeaderSize} + infoSize) return false;
  const size_t stride = RowStride(width);
  // The last row need not carry its padding.
  const size_t needed = stride * static_cast<size_t>(height - 1) + static_cast<size_t>(width) * 3;
  if (pixelOffset > size || size - pixelOffset < needed) return false;

  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<size_t>(width) * height * 3, 0);
  for (int row = 0; row < height; ++row) {
    const uint8_t* src = data + pixelOffset + stride * static_cast<size_t>(row);
    const int destRow = topDown ? height - 1 - row : row;
    uint8_t* dst = out.pixels.data() + static_cast<size_t>(destRow) * width * 3;
    for (int x = 0; x < width; ++x) {
      dst[3 * x + 0] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x + 0];
    }
  }
  return true;
}

bool ReadBmpFile(const std::string& path, RgbImage& out) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, size_t(256) << 20)) return false;
  return ParseBmp(bytes.data(), bytes.size(), out);
}

std::vector<uint8_t> EncodeBmp(const RgbImage& image) {
  const size_t stride = RowStride(image.width);
  const size_t pixelBytes = stride * static_cast<size_t>(image.height);
  ByteWriter w;
  w.U8('B');
  w.U8('M');
  w.U32(static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize + pixelBytes));
  w.U32(0);
  w.U32(kFileHeaderSize + kInfoHeaderSize);
  w.U32(kInfoHeaderSize);
  w.I32(image.width);
  w.I32(image.height);
  w.U16(1);
  w.U16(24);
  w.U32(0);
  w.U32(static_cast<uint32_t>(pixelBytes));
  w.I32(2835);  // 72 dpi
  w.I32(2835);
  w.U32(0);
  w.U32(0);
  std::vector<uint8_t>& out = w.bytes();
  out.reserve(out.size() + pixelBytes);
  for (int row = 0; row < image.height; ++row) {
    const uint8_t* src = image.pixels.data() + static_cast<size_t>(row) * image.width * 3;
    for (int x = 0; x < image.width; ++x) {
      out.push_back(src[3 * x + 2]);
      out.push_back(src[3 * x + 1]);
      out.push_back(src[3 * x + 0]);
    }
    for (size_t pad = static_cast<size_t>(image.width) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

bool WriteBmpFile(const std::string& path, const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3)
    return false;
  return WriteWholeFile(path, EncodeBmp(image), true);
}
