// An OpenAL context on openal-soft's loopback device: audio is mixed only when a test asks for
// frames, so renders are deterministic and need no sound card.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdint>
#include <string>
#include <vector>

class LoopbackAudio {
 public:
  // Opens the device with stereo 16-bit output at the given rate and makes its context current;
  // the distance model is the game's (inverse distance).
  bool Open(int rate = 44100);
  // Releases the music buffer cache, then the context and the device.
  void Close();
  ~LoopbackAudio() { Close(); }

  // Mixes the given number of stereo frames (interleaved).
  std::vector<int16_t> Render(size_t frames);
  int rate() const { return rate_; }

 private:
  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  int rate_ = 0;
};

// Root mean square of 16-bit samples, in 0..1 of full scale.
double Rms(const std::vector<int16_t>& samples, size_t from = 0, size_t count = SIZE_MAX);

ALint SourceState(ALuint source);
ALint SourceInt(ALuint source, ALenum param);

// A fresh, empty directory under the test output directory.
std::string FixtureDir(const std::string& name);
// A mono sine tone of exactly the given number of frames, 16-bit.
std::vector<int16_t> ToneSamples(size_t frames, int rate, double hz, double amplitude);
// Writes a mono 16-bit WAV file.
bool WriteWavFixture(const std::string& path, const std::vector<int16_t>& samples, int rate);
// Writes a mono Ogg Vorbis file of exactly the given frames (floats -1..1).
bool WriteOggFixture(const std::string& path, const std::vector<float>& frames, int rate, int channels = 1);
// A tone as floats, with the given frames, rate, frequency and amplitude.
std::vector<float> ToneFloats(size_t frames, int rate, double hz, double amplitude);
