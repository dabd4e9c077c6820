// WAV decoding through the ALUT loader, shared by the effect sounds and the music track.
#pragma once

#include <AL/al.h>

// Decodes a WAV file into a PCM block. False (data null, the other outputs untouched) when the
// file is missing or not a WAV file the loader understands. The file's own loop flag is ignored.
bool LoadWavData(const char* file, ALenum& format, void*& data, ALsizei& size, ALsizei& frequency);
// Frees a block returned by LoadWavData.
void UnloadWavData(ALenum format, void* data, ALsizei size, ALsizei frequency);
