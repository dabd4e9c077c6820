#include "tools/makebase/sounds_codec.h"

#include "engine/formats/binary_io.h"

namespace makebase {

std::vector<uint8_t> EncodeWavMono16(const std::vector<int16_t>& samples, int rate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  ByteWriter w;
  w.Bytes("RIFF", 4);
  w.U32(36 + dataBytes);
  w.Bytes("WAVE", 4);
  w.Bytes("fmt ", 4);
  w.U32(16);                                // size of the format chunk
  w.U16(1);                                 // PCM
  w.U16(1);                                 // mono
  w.U32(static_cast<uint32_t>(rate));
  w.U32(static_cast<uint32_t>(rate) * 2);   // bytes per second
  w.U16(2);                                 // bytes per frame
  w.U16(16);                                // bits per sample
  w.Bytes("data", 4);
  w.U32(dataBytes);
  for (int16_t s : samples) w.I16(s);
  return w.bytes();
}

}  // namespace makebase
