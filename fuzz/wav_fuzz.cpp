// The WAV layout check on arbitrary bytes: never a crash, and a file it passes has its samples
// inside the file and within the cap, whether the cap is the game's or a small one.
#include <cstdint>
#include <cstdlib>

#include "engine/formats/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (uint64_t cap : {uint64_t{1} << 30, uint64_t{4096}}) {
    WavDataChunk chunk;
    if (!CheckWavLayout(data, size, cap, &chunk)) continue;
    if (chunk.offset < 20 || chunk.offset > size || chunk.size > size - chunk.offset || chunk.size > cap) {
      std::abort();
    }
  }
  return 0;
}
