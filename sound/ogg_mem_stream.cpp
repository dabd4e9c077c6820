#include "sound/ogg_mem_stream.h"

#include <cstdio>
#include <cstring>

#include "engine/formats/binary_io.h"
#include "engine/formats/ogg_vorbis_file.h"

namespace {

void Report(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

}  // namespace

size_t OggMemRead(void* ptr, size_t size, size_t count, void* source) {
  auto* s = static_cast<OggMemStream*>(source);
  if (size == 0 || count == 0) return 0;
  const size_t left = s->data.size() - s->position;
  // Whole items only, like fread (the decoder asks for items of one byte).
  const size_t items = std::min(count, left / size);
  std::memcpy(ptr, s->data.data() + s->position, items * size);
  s->position += items * size;
  return items;
}

int OggMemSeek(void* source, int64_t offset, int whence) {
  auto* s = static_cast<OggMemStream*>(source);
  const int64_t size = static_cast<int64_t>(s->data.size());
  int64_t base;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<int64_t>(s->position); break;
    case SEEK_END: base = size; break;
    default:
      std::fprintf(stderr, "*** ERROR *** Unknown seek command in VorbisSeek\n");
      return -1;
  }
  // Clamped to the copy: a position past its end would make the next read run off it.
  const int64_t target = offset < -base ? 0 : offset > size - base ? size : base + offset;
  s->position = static_cast<size_t>(target);
  return 0;
}

int OggMemClose(void*) { return 1; }

long OggMemTell(void* source) { return static_cast<long>(static_cast<OggMemStream*>(source)->position); }

bool OggMemStream::Open(const std::string& path) {
  Release();
  if (!ReadWholeFile(path, data)) {
    Report("Could not open Ogg file.");
    return false;
  }
  position = 0;
  const ov_callbacks callbacks = {OggMemRead, [](void* s, ogg_int64_t o, int w) { return OggMemSeek(s, o, w); },
                                  OggMemClose, OggMemTell};
  // The decoder trusts its stream headers, and some damaged ones crash it while it decodes.
  if (!CheckOggVorbisImage(data.data(), data.size()) || !OpenOggDecoder(this, callbacks, &file)) {
    data.clear();
    Report("Could not read Ogg file from memory");
    return false;
  }
  opened_ = true;
  info = ov_info(&file, -1);
  comment = ov_comment(&file, -1);
  format = FormatForChannels(info->channels);

  alGetError();
  alGenBuffers(2, buffers);
  if (!Check()) {
    buffers[0] = buffers[1] = 0;
    Release();
    return false;
  }
  alGenSources(1, &source);
  if (!Check()) {
    source = 0;
    Release();
    return false;
  }
  const ALfloat zero[3] = {0.0f, 0.0f, 0.0f};
  alSourcefv(source, AL_POSITION, zero);
  alSourcefv(source, AL_VELOCITY, zero);
  alSourcefv(source, AL_DIRECTION, zero);
  alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
  alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  return Check();
}

void OggMemStream::Release() {
  if (source != 0) {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    alDeleteSources(1, &source);
    source = 0;
  }
  if (buffers[0] != 0 || buffers[1] != 0) {
    alDeleteBuffers(2, buffers);
    buffers[0] = buffers[1] = 0;
  }
  if (opened_) {
    ov_clear(&file);
    opened_ = false;
  }
  info = nullptr;
  comment = nullptr;
  data.clear();
  position = 0;
  alGetError();
}

void OggMemStream::Display() const {
  if (info == nullptr) return;
  std::printf("version         %d\n", info->version);
  std::printf("channels        %d\n", info->channels);
  std::printf("rate (hz)       %ld\n", info->rate);
  std::printf("bitrate upper   %ld\n", info->bitrate_upper);
  std::printf("bitrate nominal %ld\n", info->bitrate_nominal);
  std::printf("bitrate lower   %ld\n", info->bitrate_lower);
  std::printf("bitrate window  %ld\n", info->bitrate_window);
  std::printf("\nvendor %s\n", comment && comment->vendor ? comment->vendor : "");
  for (int i = 0; comment != nullptr && i < comment->comments; ++i) std::printf("%s\n", comment->user_comments[i]);
  std::fflush(stdout);
}

bool OggMemStream::Play() {
  if (source == 0) return false;
  if (IsPlaying()) return true;
  if (!Stream(buffers[0])) return false;
  alSourceQueueBuffers(source, 1, &buffers[0]);
  if (Stream(buffers[1])) alSourceQueueBuffers(source, 1, &buffers[1]);
  alSourcePlay(source);
  return Check();
}

bool OggMemStream::IsPlaying() const {
  if (source == 0) return false;
  ALint state = 0;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

bool OggMemStream::Update() {
  if (source == 0) return false;
  ALint processed = 0;
  alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
  bool active = true;
  while (processed-- > 0) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source, 1, &buffer);
    if (!Check()) return false;
    active = Stream(buffer);
    if (!active) break;
    alSourceQueueBuffers(source, 1, &buffer);
    if (!Check()) return false;
  }
  if (active) return true;
  // The data has ended: what is still queued plays out.
  ALint queued = 0;
  alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
  return queued > 0;
}

bool OggMemStream::Stream(ALuint buffer) {
  if (!opened_) return false;
  std::vector<char> block(kOggMemBufferBytes);
  long last = 0;
  const unsigned filled = DecodeOggBlock(&file, block.data(), kOggMemBufferBytes, false, &last);
  if (last < 0) {
    Report(ErrorString(static_cast<int>(last)));
    return false;
  }
  if (filled == 0) return false;
  alBufferData(buffer, format, block.data(), static_cast<ALsizei>(filled), static_cast<ALsizei>(info->rate));
  return Check();
}

bool OggMemStream::Check() {
  if (alGetError() == AL_NO_ERROR) return true;
  Report("OpenAL error was raised.");
  return false;
}

std::string OggMemStream::ErrorString(int code) {
  switch (code) {
    case OV_EREAD: return "Read from media.";
    case OV_ENOTVORBIS: return "Not Vorbis data.";
    case OV_EVERSION: return "Vorbis version mismatch.";
    case OV_EBADHEADER: return "Invalid Vorbis header.";
    case OV_EFAULT: return "Internal logic fault (bug or heap/stack corruption.";
    default: return "Unknown Ogg error.";
  }
}
