#include "engine/formats/settings_file.h"

#include "engine/formats/binary_io.h"

bool ResolutionSize(int32_t index, int& width, int& height) {
  switch (index) {
    case 0: width = 640; height = 480; return true;
    case 1: width = 800; height = 600; return true;
    case 2: width = 1024; height = 768; return true;
    default: return false;
  }
}

bool ParseSettings(const std::vector<uint8_t>& bytes, SettingsRecord& out) {
  const SettingsRecord defaults;
  out = defaults;
  ByteReader r(bytes);
  bool valid = true;
  int32_t words[6];
  int have = 0;
  for (; have < 6 && r.remaining() >= 4; ++have) words[have] = r.I32();
  if (have < 6) valid = false;

  int w = 0, h = 0;
  if (have > 0 && ResolutionSize(words[0], w, h)) out.resolutionIndex = words[0];
  else valid = false;
  if (have > 1 && (words[1] == 16 || words[1] == 32)) out.colorBits = words[1];
  else valid = false;
  if (have > 2 && (words[2] == 16 || words[2] == 24)) out.depthBits = words[2];
  else valid = false;
  if (have > 3) out.soundOn = words[3] != 0 ? 1 : 0;
  if (have > 4) out.musicOn = words[4] != 0 ? 1 : 0;
  if (have > 5) out.spareSetting = words[5];
  return valid;
}

std::vector<uint8_t> SerializeSettings(const SettingsRecord& s) {
  ByteWriter w;
  w.I32(s.resolutionIndex);
  w.I32(s.colorBits);
  w.I32(s.depthBits);
  w.I32(s.soundOn ? 1 : 0);
  w.I32(s.musicOn ? 1 : 0);
  w.I32(s.spareSetting);
  return w.bytes();
}
