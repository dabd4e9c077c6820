// Writes RGB or RGBA pixels as a PNG file (through libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// pixels: rows top to bottom, channels 3 or 4. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels);
