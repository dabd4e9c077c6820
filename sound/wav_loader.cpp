#include "sound/wav_loader.h"

#include <AL/alut.h>

#include <string>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/formats/wav_file.h"

// The WAV entry points of ALUT are marked deprecated; they are the loader this program uses.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

bool LoadWavData(const char* file, ALenum& format, void*& data, ALsizei& size, ALsizei& frequency) {
  data = nullptr;
  if (file == nullptr) return false;
  // The decoder reads the same file name the check opened.
  const std::string path = DataPath(file);
  if (!CheckWavFile(path, kMaxWholeSoundBytes)) {
    ReportDataFileNotLoaded(path);
    return false;
  }
  ALenum f = 0;
  void* d = nullptr;
  ALsizei s = 0;
  ALsizei rate = 0;
  ALboolean fileLoop = AL_FALSE;
  // The loader leaves its outputs alone when it fails, so they start out cleared and only a
  // non-null block means success.
  alutLoadWAVFile(reinterpret_cast<ALbyte*>(const_cast<char*>(path.c_str())), &f, &d, &s, &rate, &fileLoop);
  if (d == nullptr || s <= 0 || rate <= 0) {
    if (d != nullptr) alutUnloadWAV(f, d, s, rate);
    ReportDataFileNotLoaded(path);
    return false;
  }
  format = f;
  data = d;
  size = s;
  frequency = rate;
  return true;
}

void UnloadWavData(ALenum format, void* data, ALsizei size, ALsizei frequency) {
  if (data != nullptr) alutUnloadWAV(format, data, size, frequency);
}

#pragma GCC diagnostic pop
