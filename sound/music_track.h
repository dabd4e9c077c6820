// The music track: a WAV or Ogg Vorbis file played whole or streamed through queued buffers.
#pragma once

#include <string>

class MusicTrack {
 public:
  bool Open(const std::string& file, bool loop, bool stream);
  void Play();
  void Update();
  void Stop();
  void Release();
};

extern MusicTrack menuMusic;
