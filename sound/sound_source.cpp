#include "sound/sound_source.h"

#include "sound/sound_settings.h"
#include "sound/wav_loader.h"

SoundSource stepsSound, gun1Sound, gun2Sound, gun3Sound, gun4Sound, gun5Sound, gun6Sound, changeSound;
SoundSource otherStepsSound, otherGun1Sound, otherGun2Sound, otherGun3Sound, otherGun4Sound, otherGun5Sound,
    otherGun6Sound, otherChangeSound;
SoundSource monSounds[5];
SoundSource& mon1Sound = monSounds[0];
SoundSource& mon2Sound = monSounds[1];
SoundSource& mon3Sound = monSounds[2];
SoundSource& mon4Sound = monSounds[3];
SoundSource& mon5Sound = monSounds[4];
SoundSource object1Sound, object2Sound, menuClickSound, menuHoverSound;
SoundSource spareSound1, spareSound2, spareSound3, spareSound4;

void SoundSource::Load(const char* wavFile, bool loop) {
  // A missing or unreadable file leaves the record unloaded (source 0), so it stays silent and
  // every later operation on it is skipped instead of raising an OpenAL error.
  data = nullptr;
  if (!LoadWavData(wavFile, format, data, size, frequency)) return;

  alGetError();
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR) {
    source = 0;
    UnloadWavData(format, data, size, frequency);
    data = nullptr;
    return;
  }
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) buffer = 0;
  if (buffer != 0) {
    alBufferData(buffer, format, data, size, frequency);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  }
  UnloadWavData(format, data, size, frequency);
  data = nullptr;
  if (buffer == 0 || alGetError() != AL_NO_ERROR) {
    // The data could not be uploaded (an unsupported format): nothing usable to play.
    alDeleteSources(1, &source);
    if (buffer != 0) alDeleteBuffers(1, &buffer);
    source = buffer = 0;
    alGetError();
    return;
  }

  alSourcef(source, AL_PITCH, 1.0f);
  alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcef(source, AL_MAX_GAIN, 0.8f);
  alSourcef(source, AL_MAX_DISTANCE, 8.0f);
  alSourcef(source, AL_REFERENCE_DISTANCE, 10.0f);
  sourceCopy = source;
}

void SoundSource::SetPosition(float x, float y, float z, float vx, float vy, float vz) {
  if (source == 0) return;
  alSource3f(source, AL_POSITION, x, y, z);
  alSource3f(source, AL_VELOCITY, vx, vy, vz);
}

void SoundSource::Play() {
  if (source == 0 || !soundOn) return;
  alSourcePlay(source);
}

void SoundSource::Stop() {
  if (source == 0) return;
  alSourceStop(source);
}

void SoundSource::Release() {
  if (source == 0) return;
  alDeleteSources(1, &source);
  if (buffer != 0) alDeleteBuffers(1, &buffer);
  source = buffer = sourceCopy = 0;
}

void SoundSource::SetRelative() {
  if (source == 0) return;
  alSourcei(source, AL_SOURCE_RELATIVE, 1);
}

void SetListenerPosition(float x, float y, float z) { alListener3f(AL_POSITION, x, y, z); }

void SetListenerOrientation(float atX, float atY, float atZ, float upX, float upY, float upZ) {
  const ALfloat orientation[6] = {atX, atY, atZ, upX, upY, upZ};
  alListenerfv(AL_ORIENTATION, orientation);
}
