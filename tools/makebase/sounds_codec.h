// The two sound file formats the generator writes: canonical RIFF WAV (PCM, 16-bit, mono) and
// Ogg Vorbis.
#pragma once

#include <cstdint>
#include <vector>

namespace makebase {

// A canonical 44-byte-header RIFF/WAVE file holding mono 16-bit PCM at the given rate.
std::vector<uint8_t> EncodeWavMono16(const std::vector<int16_t>& samples, int rate);

// Encodes interleaved float frames (-1..1) of 1 to 8 channels as Ogg Vorbis at the given VBR
// quality (-0.1..1). Deterministic for the same input. False for bad arguments or an encoder error.
bool EncodeOggVorbis(const std::vector<float>& interleaved, int channels, int rate, float quality,
                     std::vector<uint8_t>& out);

}  // namespace makebase
