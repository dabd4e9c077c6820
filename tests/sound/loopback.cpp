#include "sound/loopback.h"

#include <AL/alext.h>

#include <cmath>
#include <filesystem>

#include "engine/formats/binary_io.h"
#include "sound/music_track.h"
#include "tools/makebase/sounds_codec.h"

namespace {

LPALCLOOPBACKOPENDEVICESOFT OpenLoopback() {
  return reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
}

}  // namespace

bool LoopbackAudio::Open(int rate) {
  Close();
  const auto open = OpenLoopback();
  if (open == nullptr) return false;
  device_ = open(nullptr);
  if (device_ == nullptr) return false;
  const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                          ALC_FREQUENCY, rate, 0};
  context_ = alcCreateContext(device_, attrs);
  if (context_ == nullptr || !alcMakeContextCurrent(context_)) {
    Close();
    return false;
  }
  rate_ = rate;
  alDistanceModel(AL_INVERSE_DISTANCE);
  alGetError();
  return true;
}

void LoopbackAudio::Close() {
  if (context_ != nullptr) {
    ReleaseSoundBufferCache();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    context_ = nullptr;
  }
  if (device_ != nullptr) {
    alcCloseDevice(device_);
    device_ = nullptr;
  }
}

std::vector<int16_t> LoopbackAudio::Render(size_t frames) {
  std::vector<int16_t> out(frames * 2, 0);
  const auto render =
      reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(device_, "alcRenderSamplesSOFT"));
  if (render != nullptr && frames > 0) render(device_, out.data(), static_cast<ALCsizei>(frames));
  return out;
}

double Rms(const std::vector<int16_t>& samples, size_t from, size_t count) {
  const size_t end = count == SIZE_MAX || from + count > samples.size() ? samples.size() : from + count;
  if (end <= from) return 0.0;
  double sum = 0;
  for (size_t i = from; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(end - from)) / 32768.0;
}

ALint SourceState(ALuint source) { return SourceInt(source, AL_SOURCE_STATE); }

ALint SourceInt(ALuint source, ALenum param) {
  ALint v = 0;
  alGetSourcei(source, param, &v);
  return v;
}

std::string FixtureDir(const std::string& name) {
  const std::string dir = std::string(DUN_TEST_OUTPUT_DIR) + "/sound/" + name;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  MakeDirectories(dir);
  return dir;
}

std::vector<int16_t> ToneSamples(size_t frames, int rate, double hz, double amplitude) {
  std::vector<int16_t> s(frames);
  for (size_t i = 0; i < frames; ++i) {
    s[i] = static_cast<int16_t>(std::lround(32767.0 * amplitude * std::sin(2 * M_PI * hz * i / rate)));
  }
  return s;
}

std::vector<float> ToneFloats(size_t frames, int rate, double hz, double amplitude) {
  std::vector<float> s(frames);
  for (size_t i = 0; i < frames; ++i) s[i] = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / rate));
  return s;
}

bool WriteWavFixture(const std::string& path, const std::vector<int16_t>& samples, int rate) {
  return WriteWholeFile(path, makebase::EncodeWavMono16(samples, rate), true);
}

bool WriteOggFixture(const std::string& path, const std::vector<float>& frames, int rate, int channels) {
  std::vector<uint8_t> bytes;
  return makebase::EncodeOggVorbis(frames, channels, rate, 0.2f, bytes) && WriteWholeFile(path, bytes, true);
}
