// WAV files (RIFF "WAVE"): the layout check made before a file is handed to the decoding library,
// which allocates whatever size a chunk header claims before it reads the chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Where a checked file keeps its samples.
struct WavDataChunk {
  uint64_t offset = 0;  // of the first sample byte
  uint64_t size = 0;    // bytes of samples
};

// Walks the chunks of a RIFF WAVE file image in the decoder's order: the 12-byte RIFF header, then
// chunks of a four-character type, a signed 32-bit length and the body (padded to an even length).
// True when a "fmt " chunk of at least 16 bytes comes before the first "data" chunk, every chunk
// up to that one lies inside the file, and the data chunk holds at most maxDataBytes; `data` then
// tells where the samples are. A negative length, a claim beyond the end of the file, a missing
// chunk or more than 1000 chunks before the samples is refused.
bool CheckWavLayout(const uint8_t* bytes, size_t size, uint64_t maxDataBytes, WavDataChunk* data = nullptr);
// The same check on a file, reading only the chunk headers; false when the file does not open.
bool CheckWavFile(const std::string& path, uint64_t maxDataBytes, WavDataChunk* data = nullptr);
