// The BMP reader on arbitrary bytes: never a crash, and what it accepts round-trips.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/formats/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RgbImage image;
  if (!ParseBmp(data, size, image)) return 0;
  if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3) std::abort();
  const std::vector<uint8_t> bytes = EncodeBmp(image);
  RgbImage again;
  if (!ParseBmp(bytes.data(), bytes.size(), again) || again.pixels != image.pixels) std::abort();
  return 0;
}
