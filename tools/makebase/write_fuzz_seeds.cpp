#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/formats/bhm_file.h"
#include "engine/formats/binary_io.h"
#include "engine/formats/ms3d_file.h"
#include "engine/formats/ogg_vorbis_file.h"
#include "tools/makebase/makebase.h"

namespace makebase {

namespace {

bool Fail(const std::string& what) {
  std::fprintf(stderr, "makebase: %s\n", what.c_str());
  return false;
}

}  // namespace

bool WriteFuzzSeeds(const std::string& outDir) {
  // Map 1's model with one vertex that is not a number.
  Ms3dData map;
  const std::string mapFile = outDir + "/base/maps/1/map.ms3d";
  if (!LoadMs3dFile(mapFile, map) || map.vertices.empty()) return Fail("cannot read " + mapFile);
  map.vertices.back().location[1] = NAN;
  const std::string nanFile = outDir + "/fuzz/nan_vertex.ms3d";
  if (!SaveMs3dFile(nanFile, map)) return Fail("cannot write " + nanFile);

  // A menu sound whose data chunk claims 3 GiB of samples.
  std::vector<uint8_t> wav;
  const std::string wavFile = outDir + "/base/sound/menu2.wav";
  if (!ReadWholeFile(wavFile, wav) || wav.size() < 44 || std::memcmp(wav.data() + 36, "data", 4) != 0) {
    return Fail("cannot read " + wavFile);
  }
  const uint32_t claim = 0xC0000000u;
  for (int k = 0; k < 4; ++k) wav[40 + k] = static_cast<uint8_t>(claim >> (8 * k));
  const std::string lyingFile = outDir + "/fuzz/lying_header.wav";
  if (!WriteWholeFile(lyingFile, wav, true)) return Fail("cannot write " + lyingFile);

  // A skin and a shader file for the player's parts: each mesh with the body skin, and a line
  // for each tag (a skin line that names no mesh).
  std::string skin, shader;
  for (const char* part : {"head", "upper", "lower"}) {
    const std::string partFile = outDir + "/" + kPlayerCharacterDir + kPlayerCharacterName + "_" + part + ".bhm";
    std::vector<uint8_t> bytes;
    ModelPart model;
    if (!ReadWholeFile(partFile, bytes) || !ParseBhm(bytes, model)) return Fail("cannot read " + partFile);
    for (const MeshObject& mesh : model.objects) {
      skin += mesh.name + ",base/textures/tex08.bmp\r\n";
      shader += "base/textures/tex08.bmp\n";
    }
    for (int i = 0; i < model.numOfTags && i < static_cast<int>(model.tags.size()); ++i) {
      skin += model.tags[i].name + ",\r\n";
    }
  }
  const std::string skinFile = outDir + "/fuzz/player.skin";
  const std::string shaderFile = outDir + "/fuzz/player.shader";
  if (!WriteWholeFile(skinFile, std::vector<uint8_t>(skin.begin(), skin.end()), true)) return Fail("cannot write " + skinFile);
  if (!WriteWholeFile(shaderFile, std::vector<uint8_t>(shader.begin(), shader.end()), true)) {
    return Fail("cannot write " + shaderFile);
  }
  // The start of the menu music (its headers and the first pages of audio, short enough to decode
  // many times a second), and a copy with one codeword length of its second codebook changed, so
  // that the lengths no longer make a complete code.
  std::vector<uint8_t> ogg;
  const std::string oggFile = outDir + "/base/music/menu.ogg";
  if (!ReadWholeFile(oggFile, ogg)) return Fail("cannot read " + oggFile);
  size_t end = 0;
  for (int page = 0; page < 5 && ogg.size() - end >= 27 && ogg[end] == 'O'; ++page) {
    const size_t header = 27 + size_t{ogg[end + 26]};
    if (ogg.size() - end < header) break;
    size_t body = 0;
    for (size_t i = 27; i < header; ++i) body += ogg[end + i];
    if (ogg.size() - end - header < body) break;
    end += header + body;
  }
  ogg.resize(end);
  if (ogg.size() < 4096) return Fail("unexpected page layout in " + oggFile);
  const std::string startFile = outDir + "/fuzz/menu_start.ogg";
  if (!WriteWholeFile(startFile, ogg, true)) return Fail("cannot write " + startFile);
  ogg[280] ^= 0x40;
  RewriteOggPageChecksums(ogg.data(), ogg.size());
  const std::string brokenFile = outDir + "/fuzz/incomplete_code.ogg";
  if (!WriteWholeFile(brokenFile, ogg, true)) return Fail("cannot write " + brokenFile);
  return true;
}

}  // namespace makebase
