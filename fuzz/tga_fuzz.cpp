// The TGA reader on arbitrary bytes: never a crash, and what it accepts round-trips.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/formats/tga_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TgaImage image;
  if (!ParseTga(data, size, image)) return 0;
  if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.components) std::abort();
  const std::vector<uint8_t> bytes = EncodeTga(image.width, image.height, image.components, image.pixels.data());
  TgaImage again;
  if (!ParseTga(bytes.data(), bytes.size(), again) || again.pixels != image.pixels) std::abort();
  return 0;
}
