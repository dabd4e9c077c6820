#include "sound/openal_device.h"

#include <AL/al.h>
#include <AL/alc.h>

#include "platform/dialog.h"
#include "sound/music_track.h"

bool InitOpenAL() {
  ALCdevice* device = alcOpenDevice(nullptr);
  if (device == nullptr) {
    ShowMessageBox("Default sound device not present", "Error", DialogButtons::Ok, DialogIcon::Exclamation);
    return false;
  }
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!CheckAlcError(device) || context == nullptr) {
    if (context != nullptr) alcDestroyContext(context);
    alcCloseDevice(device);
    return false;
  }
  alcMakeContextCurrent(context);
  alGetError();
  const ALfloat origin[3] = {0.0f, 0.0f, 0.0f};
  const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
  alListenerfv(AL_POSITION, origin);
  alListenerfv(AL_VELOCITY, origin);
  alListenerfv(AL_ORIENTATION, orientation);
  return true;
}

void ShutdownOpenAL() {
  ReleaseSoundBufferCache();
  ALCcontext* context = alcGetCurrentContext();
  ALCdevice* device = context ? alcGetContextsDevice(context) : nullptr;
  alcMakeContextCurrent(nullptr);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}

namespace {

std::string Text(const char* s) { return s ? s : ""; }

}  // namespace

std::string GetAlcInfo() {
  ALCcontext* context = alcGetCurrentContext();
  ALCdevice* device = context ? alcGetContextsDevice(context) : nullptr;
  std::string info = "ALC info: \n";
  info += "DEFAULT_DEVICE_SPECIFIER: " + Text(alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER)) + "\n";
  info += "DEVICE_SPECIFIER: " + Text(device ? alcGetString(device, ALC_DEVICE_SPECIFIER) : nullptr) + "\n";
  info += "EXTENSIONS: " + Text(device ? alcGetString(device, ALC_EXTENSIONS) : nullptr) + "\n";
  info += "AL info: \n";
  // Without a current context the AL strings are not there to read.
  info += "VENDOR: " + Text(context ? alGetString(AL_VENDOR) : nullptr) + "\n";
  info += "RENDERER: " + Text(context ? alGetString(AL_RENDERER) : nullptr) + "\n";
  info += "VERSION: " + Text(context ? alGetString(AL_VERSION) : nullptr) + "\n";
  return info;
}
