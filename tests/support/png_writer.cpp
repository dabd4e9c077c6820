#include "png_writer.h"

#include <png.h>

bool WritePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels) {
  if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) return false;
  const size_t stride = static_cast<size_t>(width) * channels;
  if (pixels.size() < stride * height) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), static_cast<png_int_32>(stride), nullptr) != 0;
  png_image_free(&image);
  return ok;
}
