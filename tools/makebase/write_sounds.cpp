#include <cstdio>

#include "engine/formats/binary_io.h"
#include "tools/makebase/makebase.h"
#include "tools/makebase/sounds_codec.h"
#include "tools/makebase/sounds_effects.h"
#include "tools/makebase/sounds_music.h"
#include "tools/makebase/sounds_synth.h"

namespace makebase {

bool WriteSounds(const std::string& outDir) {
  for (GeneratedSound& g : MakeEffectSounds()) {
    const std::string path = outDir + "/base/sound/" + g.fileName;
    if (!WriteWholeFile(path, EncodeWavMono16(ToPcm16(g.samples), kEffectRate), true)) {
      std::fprintf(stderr, "makebase: cannot write %s\n", path.c_str());
      return false;
    }
  }

  std::vector<uint8_t> ogg;
  if (!EncodeOggVorbis(MakeMenuMusic(), kMusicChannels, kMusicRate, 0.3f, ogg)) {
    std::fprintf(stderr, "makebase: the menu music could not be encoded\n");
    return false;
  }
  const std::string path = outDir + "/base/music/menu.ogg";
  if (!WriteWholeFile(path, ogg, true)) {
    std::fprintf(stderr, "makebase: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace makebase
