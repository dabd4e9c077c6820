#include "sound/ogg_decoder.h"

bool OpenOggDecoder(void* source, const ov_callbacks& callbacks, OggVorbis_File* file) {
  // A failed open has already cleared the decoder state.
  if (ov_open_callbacks(source, file, nullptr, 0, callbacks) < 0) return false;
  const vorbis_info* info = ov_info(file, -1);
  if (info == nullptr || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
    ov_clear(file);
    return false;
  }
  return true;
}

ALenum FormatForChannels(int channels) { return channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16; }

unsigned DecodeOggBlock(OggVorbis_File* file, char* block, unsigned size, bool skipHoles, long* last) {
  unsigned filled = 0;
  long got = 1;
  while (filled < size) {
    int section = 0;
    got = ov_read(file, block + filled, static_cast<int>(size - filled), 0, 2, 1, &section);
    if (got == OV_HOLE && skipHoles) continue;  // decoding goes on after the gap
    if (got <= 0) break;
    filled += static_cast<unsigned>(got);
  }
  if (last) *last = got;
  return filled;
}
