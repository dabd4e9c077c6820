// WAV decoding through the ALUT loader, shared by the effect sounds and the music track.
#pragma once

#include <AL/al.h>

#include <cstdint>

// The largest block of samples a sound is decoded into at once: a WAV file's data chunk, or an
// Ogg Vorbis track decoded whole.
constexpr int64_t kMaxWholeSoundBytes = int64_t{1} << 30;

// Decodes a WAV file into a PCM block. False (data null, the other outputs untouched) when the
// file is missing, not a WAV file the loader understands, or when a chunk claims more bytes than
// the file holds or its samples more than kMaxWholeSoundBytes: such a file never reaches the
// decoder, which would allocate the claim first. The file's own loop flag is ignored.
bool LoadWavData(const char* file, ALenum& format, void*& data, ALsizei& size, ALsizei& frequency);
// Frees a block returned by LoadWavData.
void UnloadWavData(ALenum format, void* data, ALsizei size, ALsizei frequency);
