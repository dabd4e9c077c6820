// The Vorbis decoder as the music track and the in-memory player use it: opened only on data
// whose stream headers passed the check, decoded into 16-bit blocks for OpenAL buffers.
#pragma once

#include <AL/al.h>

// The stock callback tables of the decoder header are not used (they would be unused statics).
#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/vorbisfile.h>

// Opens the decoder over a data source (read through the callbacks) whose headers were checked.
// False when the decoder refuses the stream or its channel count has no OpenAL format (only mono
// and stereo have one); the decoder state is then cleared.
bool OpenOggDecoder(void* source, const ov_callbacks& callbacks, OggVorbis_File* file);
// The OpenAL format of 16-bit samples with this channel count.
ALenum FormatForChannels(int channels);
// Decodes 16-bit little-endian signed samples into block until it holds size bytes, the data ends
// or the decoder reports a problem; a gap in the data is passed over when skipHoles is set.
// Returns the bytes filled; last receives the decoder's last result (positive when the block was
// filled, 0 at the end of the data, negative for a gap or an error).
unsigned DecodeOggBlock(OggVorbis_File* file, char* block, unsigned size, bool skipHoles, long* last);
