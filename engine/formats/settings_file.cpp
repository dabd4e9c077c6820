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

bool ParseSettings(const std::vector<uint8_t>& bytes, SettingsRecord& out, std::string* why) {
  const SettingsRecord defaults;
  out = defaults;
  ByteReader r(bytes);
  std::string fault;
  const auto refuse = [&fault](const std::string& text) {
    if (fault.empty()) fault = text;
  };
  int32_t words[6];
  int have = 0;
  for (; have < 6 && r.remaining() >= 4; ++have) words[have] = r.I32();
  if (bytes.size() != kSettingsFileSize) {
    refuse(std::to_string(kSettingsFileSize) + " bytes expected, " + std::to_string(bytes.size()) + " found");
  }

  int w = 0, h = 0;
  if (have > 0 && ResolutionSize(words[0], w, h)) out.resolutionIndex = words[0];
  else if (have > 0) refuse("resolution " + std::to_string(words[0]));
  if (have > 1 && (words[1] == 16 || words[1] == 32)) out.colorBits = words[1];
  else if (have > 1) refuse("colour bits " + std::to_string(words[1]));
  if (have > 2 && (words[2] == 16 || words[2] == 24)) out.depthBits = words[2];
  else if (have > 2) refuse("depth bits " + std::to_string(words[2]));
  if (have > 3) out.soundOn = words[3] != 0 ? 1 : 0;
  if (have > 4) out.musicOn = words[4] != 0 ? 1 : 0;
  if (have > 5) out.spareSetting = words[5];
  if (why) *why = fault;
  return fault.empty();
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
