// The settings file base/menu.inf: six little-endian 32-bit words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SettingsRecord {
  int32_t resolutionIndex = 1;  // 0 = 640x480, 1 = 800x600, 2 = 1024x768
  int32_t colorBits = 32;       // 16 or 32
  int32_t depthBits = 24;       // 16 or 24
  int32_t soundOn = 1;
  int32_t musicOn = 1;
  int32_t spareSetting = 0;  // kept as read, nothing else uses it
};

constexpr size_t kSettingsFileSize = 24;

// Parses the file's bytes. A missing (empty) or short file, or a field with a value the program
// cannot use, takes the default for that field; the spare word is kept whenever it was read.
// Returns true when the file is exactly the six words and all are valid; otherwise why tells the
// first thing wrong ("resolution 99", "24 bytes expected, 10 found").
bool ParseSettings(const std::vector<uint8_t>& bytes, SettingsRecord& out, std::string* why = nullptr);

// The 24 bytes of the file; booleans are written as 0 or 1.
std::vector<uint8_t> SerializeSettings(const SettingsRecord& s);

// Window size of a resolution index; false (sizes untouched) for an unknown index.
bool ResolutionSize(int32_t index, int& width, int& height);
