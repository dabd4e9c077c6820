// The music track: a WAV or Ogg Vorbis file played through its own OpenAL source, either decoded
// whole into one buffer or streamed through two queued buffers refilled once per frame.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>

struct OggVorbis_File;
struct vorbis_comment;
struct vorbis_info;

// One OpenAL buffer made by a music track and the audio it holds.
struct SoundBufferRecord {
  ALuint buffer = 0;
  std::string fileName;
  ALsizei frequency = 0;
  ALenum format = 0;
};
// Every buffer a track creates, by buffer name. The cache owns the buffers; tracks never delete them.
using SoundBufferCache = std::map<ALuint, SoundBufferRecord>;
extern SoundBufferCache soundBufferCache;

// The record of the buffer last entered (in buffer-name order) for this file name, or null.
const SoundBufferRecord* FindCachedBuffer(const std::string& fileName);
// Deletes every cached buffer and empties the cache (at shut-down, before the context goes).
void ReleaseSoundBufferCache();

// Bytes of one streaming refill.
constexpr unsigned kStreamBufferBytes = 0x40000;
// The largest Ogg file a track opens: many times any real piece of music. A larger one is refused
// before anything of it is read.
constexpr int64_t kMaxMusicFileBytes = int64_t{64} << 20;

// The Ogg file as the decoder reads it: the stream, cut off at end, just past the file's last Ogg
// page. Opening, the decoder searches back from the end of the data for the last page, and over a
// long run of bytes that are no page that search takes time growing with the square of its length;
// behind the cut it never sees such a run.
struct OggFileView {
  std::ifstream* in = nullptr;
  int64_t end = 0;
};

class MusicTrack {
 public:
  MusicTrack();
  virtual ~MusicTrack();
  MusicTrack(const MusicTrack&) = delete;
  MusicTrack& operator=(const MusicTrack&) = delete;

  // Creates the source and loads a .wav or .ogg file (any case); stream streams an Ogg file. A
  // track opened before is released first (unless the file does not open: then nothing changes).
  bool Open(const std::string& fileName, bool loopTrack, bool stream);
  void Play();
  // Refills the processed buffers of a playing streamed track.
  void Update();
  // Stops; a streamed track also goes back to the first sample with both buffers filled again,
  // so the next Play starts from the beginning.
  void Stop();
  // Stops and deletes the source and the decoder (the buffers stay in the cache).
  void Release();

  bool LoadWav(const std::string& fileName);
  bool LoadOgg(const std::string& fileName, bool stream);
  // Decodes up to size bytes into the buffer (uploading what was decoded). True when the block
  // was filled completely, false when the data ended (or failed) during this fill.
  bool StreamBuffer(ALuint buffer, unsigned size);

  void StopNoRewind();
  void SetPosition(float x, float y, float z, float vx, float vy, float vz);
  bool IsStreamed() const { return streamed; }

  // Bytes uploaded by the last StreamBuffer.
  unsigned LastFillBytes() const { return lastFillBytes; }

  float velocity[3];
  float position[3];
  ALuint sourceCopy = 0;
  bool loop = false;
  ALuint source = 0;
  OggVorbis_File* file = nullptr;
  vorbis_comment* comment = nullptr;
  vorbis_info* info = nullptr;
  std::ifstream stream;
  bool streamed = false;

 private:
  // Fills one streaming buffer with the next stretch of the track. At the end of the data the
  // decoder goes back to the first sample; a fill that found nothing left starts again there, so
  // a buffer never keeps stale audio. Returns the bytes uploaded; ended tells that the data ended.
  unsigned FillNext(ALuint buffer, bool& ended);
  // Detaches the queue and queues both streaming buffers filled from the decoder's position.
  bool PrimeQueue();

  OggFileView view;
  ALuint streamBuffers[2] = {0, 0};
  unsigned lastFillBytes = 0;
  // A track without loop has decoded its last block and is playing out what is queued.
  bool endQueued = false;
};

extern MusicTrack menuMusic;
extern MusicTrack spareMusicTracks[7];

// "base/music/menu.ogg" gives "OGG": the characters after the last '.', upper-cased.
std::string GetFileExtension(const std::string& name);
// Reads the OpenAL error state: true when clear; otherwise shows "OpenAL error: <text>" in a
// message box and returns false.
bool CheckAlError();
// The same for the error state of a device: "ALC error: <text>".
bool CheckAlcError(ALCdevice* device);

// The file-stream callbacks handed to the decoder; source is the address of an std::ifstream.
size_t OggFileRead(void* ptr, size_t size, size_t count, void* source);
int OggFileSeek(void* source, int64_t offset, int whence);
long OggFileTell(void* source);
int OggFileClose(void* source);
// The same over an OggFileView: reads stop at its end, and a seek from the end counts from there.
size_t OggViewRead(void* ptr, size_t size, size_t count, void* view);
int OggViewSeek(void* view, int64_t offset, int whence);
long OggViewTell(void* view);
