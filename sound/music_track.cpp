#include "sound/music_track.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/formats/ogg_vorbis_file.h"
#include "platform/dialog.h"
#include "sound/ogg_decoder.h"
#include "sound/wav_loader.h"

SoundBufferCache soundBufferCache;
MusicTrack menuMusic;
MusicTrack spareMusicTracks[7];

const SoundBufferRecord* FindCachedBuffer(const std::string& fileName) {
  const SoundBufferRecord* found = nullptr;
  for (const auto& [name, record] : soundBufferCache) {
    if (record.fileName == fileName) found = &record;
  }
  return found;
}

void ReleaseSoundBufferCache() {
  for (auto& [name, record] : soundBufferCache) {
    ALuint b = name;
    if (alIsBuffer(b)) alDeleteBuffers(1, &b);
  }
  soundBufferCache.clear();
  alGetError();
}

std::string GetFileExtension(const std::string& name) {
  std::string ext;
  // Collected backwards from the last character; the first character never belongs to it.
  for (size_t i = name.size(); i > 1; --i) {
    const char c = name[i - 1];
    if (c == '.') break;
    ext.insert(ext.begin(), c);
  }
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

namespace {

void ShowSoundError(const char* prefix, const char* text) {
  ShowMessageBox(std::string(prefix) + (text ? text : "unknown"), "Error", DialogButtons::Ok, DialogIcon::Exclamation);
}

}  // namespace

bool CheckAlError() {
  const ALenum error = alGetError();
  if (error == AL_NO_ERROR) return true;
  ShowSoundError("OpenAL error: ", alGetString(error));
  return false;
}

bool CheckAlcError(ALCdevice* device) {
  const ALCenum error = alcGetError(device);
  if (error == ALC_NO_ERROR) return true;
  ShowSoundError("ALC error: ", alcGetString(device, error));
  return false;
}

size_t OggFileRead(void* ptr, size_t size, size_t count, void* source) {
  if (size == 0 || count == 0) return 0;
  auto* in = static_cast<std::ifstream*>(source);
  in->read(static_cast<char*>(ptr), static_cast<std::streamsize>(size * count));
  // Like fread: whole items read (the decoder asks for items of one byte).
  return static_cast<size_t>(in->gcount()) / size;
}

int OggFileSeek(void* source, int64_t offset, int whence) {
  auto* in = static_cast<std::ifstream*>(source);
  in->clear();
  std::ios_base::seekdir dir;
  switch (whence) {
    case SEEK_SET: dir = std::ios_base::beg; break;
    case SEEK_CUR: dir = std::ios_base::cur; break;
    case SEEK_END: dir = std::ios_base::end; break;
    default: return -1;
  }
  in->seekg(static_cast<std::streamoff>(offset), dir);
  return in->fail() ? -1 : 0;
}

long OggFileTell(void* source) { return static_cast<long>(static_cast<std::ifstream*>(source)->tellg()); }

int OggFileClose(void*) { return 0; }  // the track closes its stream itself

size_t OggViewRead(void* ptr, size_t size, size_t count, void* view) {
  auto* v = static_cast<OggFileView*>(view);
  const long at = OggFileTell(v->in);
  if (size == 0 || at < 0 || at >= v->end) return 0;
  const uint64_t items = static_cast<uint64_t>(v->end - at) / size;
  return OggFileRead(ptr, size, static_cast<size_t>(std::min<uint64_t>(count, items)), v->in);
}

int OggViewSeek(void* view, int64_t offset, int whence) {
  auto* v = static_cast<OggFileView*>(view);
  if (whence == SEEK_END) return OggFileSeek(v->in, v->end + offset, SEEK_SET);
  return OggFileSeek(v->in, offset, whence);
}

long OggViewTell(void* view) { return OggFileTell(static_cast<OggFileView*>(view)->in); }

MusicTrack::MusicTrack() : velocity{0, 0, 0}, position{0, 0, 0} {}

MusicTrack::~MusicTrack() = default;

bool MusicTrack::Open(const std::string& fileName, bool loopTrack, bool stream) {
  // A pipe or a device in the file's place is refused here, before any open could wait on it.
  if (FILE* probe = OpenRegularDataFile(fileName)) {
    std::fclose(probe);
  } else {
    ReportDataFileNotLoaded(fileName);
    return false;
  }
  // A track opened before gives up its source and decoder; its buffers stay in the cache.
  Release();
  loop = loopTrack;
  alGetError();
  alGenSources(1, &source);
  if (!CheckAlError()) {
    source = 0;
    return false;
  }
  alSourcef(source, AL_PITCH, 1.0f);
  alSourcef(source, AL_GAIN, 1.0f);
  alSourcefv(source, AL_POSITION, position);
  alSourcefv(source, AL_VELOCITY, velocity);
  alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);

  const std::string ext = GetFileExtension(fileName);
  if (ext == "WAV") return LoadWav(fileName);
  if (ext == "OGG") {
    streamed = stream;
    return LoadOgg(fileName, stream);
  }
  return false;
}

bool MusicTrack::LoadWav(const std::string& fileName) {
  alGetError();
  const SoundBufferRecord* cached = FindCachedBuffer(fileName);
  ALuint buffer = 0;
  if (cached != nullptr) {
    buffer = cached->buffer;
  } else {
    alGenBuffers(1, &buffer);
    if (!CheckAlError()) return false;
    ALenum format = 0;
    void* data = nullptr;
    ALsizei size = 0;
    ALsizei frequency = 0;
    if (!LoadWavData(fileName.c_str(), format, data, size, frequency)) {
      alDeleteBuffers(1, &buffer);
      return false;
    }
    alBufferData(buffer, format, data, size, frequency);
    UnloadWavData(format, data, size, frequency);
    if (!CheckAlError()) {
      alDeleteBuffers(1, &buffer);
      alGetError();
      return false;
    }
    soundBufferCache[buffer] = SoundBufferRecord{buffer, fileName, frequency, format};
  }
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  alSourcef(source, AL_MAX_GAIN, 0.8f);
  alSourcef(source, AL_MAX_DISTANCE, 8.0f);
  alSourcef(source, AL_REFERENCE_DISTANCE, 10.0f);
  sourceCopy = source;
  return true;
}

bool MusicTrack::LoadOgg(const std::string& fileName, bool stream) {
  if (source == 0) return false;
  if (file != nullptr) {
    ov_clear(file);
    delete file;
    file = nullptr;
  }
  struct stat st;
  if (::stat(DataPath(fileName).c_str(), &st) == 0 && st.st_size > kMaxMusicFileBytes) {
    ReportDataFileNotLoaded(fileName, "larger than " + std::to_string(kMaxMusicFileBytes >> 20) + " MB");
    return false;
  }
  // The decoder trusts its stream headers, and some damaged ones crash it while it decodes.
  std::string why;
  uint64_t pagesEnd = 0;
  if (!CheckOggVorbisFile(fileName, &why, &pagesEnd)) {
    ReportDataFileNotLoaded(fileName, why);
    return false;
  }
  this->stream.close();
  this->stream.clear();
  this->stream.open(fileName, std::ios::binary);
  if (!this->stream.is_open()) return false;
  view = OggFileView{&this->stream, static_cast<int64_t>(pagesEnd)};

  file = new OggVorbis_File;
  const ov_callbacks callbacks = {
      OggViewRead,
      [](void* v, ogg_int64_t offset, int whence) { return OggViewSeek(v, offset, whence); },
      OggFileClose,
      OggViewTell,
  };
  const bool opened = OpenOggDecoder(&view, callbacks, file);
  // Headers with no audio after them would leave the track silent for good: refused as well.
  if (!opened || ov_pcm_total(file, -1) <= 0) {
    if (opened) ov_clear(file);
    delete file;
    file = nullptr;
    comment = nullptr;
    info = nullptr;
    ReportDataFileNotLoaded(fileName, opened ? "no audio after the headers" : "");
    return false;
  }
  comment = ov_comment(file, -1);
  info = ov_info(file, -1);

  SoundBufferRecord record{0, fileName, static_cast<ALsizei>(info->rate), FormatForChannels(info->channels)};
  alGetError();
  if (stream) {
    // Looping is done by Update, which goes back to the start when the data ends.
    alSourcei(source, AL_LOOPING, AL_FALSE);
    for (ALuint& buffer : streamBuffers) {
      alGenBuffers(1, &buffer);
      if (!CheckAlError()) return false;
      record.buffer = buffer;
      soundBufferCache[buffer] = record;
    }
    return PrimeQueue();
  }

  const SoundBufferRecord* cached = FindCachedBuffer(fileName);
  if (cached != nullptr) {
    alSourcei(source, AL_BUFFER, static_cast<ALint>(cached->buffer));
    return CheckAlError();
  }
  const ogg_int64_t frames = ov_pcm_total(file, -1);
  if (frames <= 0) return false;
  const int64_t bytes = static_cast<int64_t>(frames) * info->channels * 2;
  if (bytes > kMaxWholeSoundBytes) return false;
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (!CheckAlError()) return false;
  record.buffer = buffer;
  soundBufferCache[buffer] = record;
  StreamBuffer(buffer, static_cast<unsigned>(bytes));
  if (!CheckAlError()) return false;
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  return CheckAlError();
}

bool MusicTrack::StreamBuffer(ALuint buffer, unsigned size) {
  lastFillBytes = 0;
  if (size == 0 || file == nullptr) return false;
  std::vector<char> block(size);
  // An error that more reading will not cure ends the fill like the end of the data.
  const unsigned filled = DecodeOggBlock(file, block.data(), size, true, nullptr);
  const bool full = filled == size;
  if (filled > 0) {
    const auto it = soundBufferCache.find(buffer);
    if (it == soundBufferCache.end()) return false;
    alBufferData(buffer, it->second.format, block.data(), static_cast<ALsizei>(filled), it->second.frequency);
    if (!CheckAlError()) return false;
    lastFillBytes = filled;
  }
  return full;
}

unsigned MusicTrack::FillNext(ALuint buffer, bool& ended) {
  ended = false;
  if (StreamBuffer(buffer, kStreamBufferBytes)) return lastFillBytes;
  ended = true;
  ov_pcm_seek(file, 0);
  if (lastFillBytes > 0 || !loop) return lastFillBytes;
  // Nothing was left (the previous fill ended exactly at the end): start this one from the top.
  if (!StreamBuffer(buffer, kStreamBufferBytes)) ov_pcm_seek(file, 0);
  return lastFillBytes;
}

bool MusicTrack::PrimeQueue() {
  alSourcei(source, AL_BUFFER, 0);
  endQueued = false;
  for (ALuint buffer : streamBuffers) {
    bool ended = false;
    const unsigned bytes = FillNext(buffer, ended);
    if (bytes > 0) {
      alSourceQueueBuffers(source, 1, &buffer);
      if (!CheckAlError()) return false;
    }
    if (ended && !loop) {
      endQueued = true;
      break;
    }
    if (bytes == 0) break;
  }
  return true;
}

void MusicTrack::Update() {
  if (!streamed || source == 0 || file == nullptr) return;
  alGetError();
  ALint state = 0;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING) {
    // A stopped source reports every buffer processed: refilling now would skip audio. Only a
    // track without loop that has played out its last block is rewound here.
    if (state == AL_STOPPED && endQueued) Stop();
    return;
  }
  if (endQueued) return;  // the queue plays out what is left
  ALint processed = 0;
  alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
  while (processed-- > 0) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source, 1, &buffer);
    if (!CheckAlError()) return;
    bool ended = false;
    const unsigned bytes = FillNext(buffer, ended);
    if (bytes > 0) {
      alSourceQueueBuffers(source, 1, &buffer);
      if (!CheckAlError()) return;
    }
    if (ended && !loop) {
      endQueued = true;
      return;
    }
    if (bytes == 0) return;
  }
}

void MusicTrack::Play() {
  if (source == 0) return;
  alSourcePlay(source);
}

void MusicTrack::Stop() {
  if (source == 0) return;
  alSourceStop(source);
  if (file == nullptr) return;
  ov_pcm_seek(file, 0);
  if (streamed) {
    alGetError();
    PrimeQueue();
  }
}

void MusicTrack::StopNoRewind() {
  if (source != 0) alSourceStop(source);
}

void MusicTrack::SetPosition(float x, float y, float z, float vx, float vy, float vz) {
  if (source == 0) return;
  const ALfloat p[3] = {x, y, z};
  const ALfloat v[3] = {vx, vy, vz};
  alSourcefv(source, AL_POSITION, p);
  alSourcefv(source, AL_VELOCITY, v);
}

void MusicTrack::Release() {
  if (source != 0) {
    alSourceStop(source);
    if (alIsSource(source)) alDeleteSources(1, &source);
  }
  source = sourceCopy = 0;
  if (file != nullptr) {
    ov_clear(file);
    delete file;
    file = nullptr;
  }
  comment = nullptr;
  info = nullptr;
  streamed = false;
  endQueued = false;
  streamBuffers[0] = streamBuffers[1] = 0;
}
