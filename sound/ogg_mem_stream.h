// An Ogg Vorbis player over an in-memory copy of the file: one source that does not move with the
// listener, streamed through two buffers that are refilled as they play out.
#pragma once

#include <AL/al.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sound/ogg_decoder.h"

// Bytes of one of the two buffers.
constexpr unsigned kOggMemBufferBytes = 0x20000;

class OggMemStream {
 public:
  OggMemStream() = default;
  ~OggMemStream() { Release(); }
  OggMemStream(const OggMemStream&) = delete;
  OggMemStream& operator=(const OggMemStream&) = delete;

  // Reads the whole file into memory, opens the decoder over the copy and creates the source and
  // the two buffers. False with "Could not open Ogg file." when the file cannot be read, "Could
  // not read Ogg file from memory" when the decoder refuses it (or its headers are damaged).
  bool Open(const std::string& path);
  // Stops and deletes the source, the buffers and the decoder.
  void Release();
  // Prints the stream's version, channels, rate, bit rates, vendor and comments.
  void Display() const;
  // Fills both buffers from the decoder, queues them and plays. False when nothing could be filled.
  bool Play();
  bool IsPlaying() const;
  // Refills and queues again the buffers that have played out; false once the data has ended (or
  // failed) and nothing is left to queue.
  bool Update();
  // Decodes the next 131072 bytes (fewer at the end) into the buffer. False at the end of the data,
  // or on a decoding error, which is reported with its ErrorString text.
  bool Stream(ALuint buffer);
  // True when no OpenAL error is pending; otherwise reports "OpenAL error was raised." and false.
  bool Check();
  // The text of a decoder error code.
  static std::string ErrorString(int code);

  // The copy of the file and the read position of the callbacks in it.
  std::vector<uint8_t> data;
  size_t position = 0;

  OggVorbis_File file{};
  vorbis_info* info = nullptr;
  vorbis_comment* comment = nullptr;
  ALuint buffers[2] = {0, 0};
  ALuint source = 0;
  ALenum format = 0;

 private:
  bool opened_ = false;
};

// The decoder callbacks over the copy; source is the OggMemStream.
size_t OggMemRead(void* ptr, size_t size, size_t count, void* source);
// Whence 0 sets, 1 advances, 2 counts back from the end; the position stays inside the copy.
// Another whence prints "*** ERROR *** Unknown seek command in VorbisSeek" and fails.
int OggMemSeek(void* source, int64_t offset, int whence);
int OggMemClose(void* source);
long OggMemTell(void* source);
