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

const EffectSoundFile kEffectSounds[kEffectSoundCount] = {
    {&stepsSound, "base/sound/steps.wav", true},            {&gun1Sound, "base/sound/gun1.wav", false},
    {&gun2Sound, "base/sound/gun2.wav", false},             {&gun3Sound, "base/sound/gun3.wav", false},
    {&gun4Sound, "base/sound/gun4.wav", false},             {&gun5Sound, "base/sound/gun5.wav", false},
    {&gun6Sound, "base/sound/gun6.wav", false},             {&changeSound, "base/sound/change.wav", false},
    {&otherStepsSound, "base/sound/othersteps.wav", true},  {&otherGun1Sound, "base/sound/gun1.wav", false},
    {&otherGun2Sound, "base/sound/gun2.wav", false},        {&otherGun3Sound, "base/sound/gun3.wav", false},
    {&otherGun4Sound, "base/sound/gun4.wav", false},        {&otherGun5Sound, "base/sound/gun5.wav", false},
    {&otherGun6Sound, "base/sound/gun6.wav", false},        {&otherChangeSound, "base/sound/change.wav", false},
    {&monSounds[0], "base/sound/mon1.wav", false},          {&monSounds[1], "base/sound/mon2.wav", false},
    {&monSounds[2], "base/sound/mon3.wav", false},          {&monSounds[3], "base/sound/mon4.wav", false},
    {&monSounds[4], "base/sound/mon5.wav", false},          {&object1Sound, "base/sound/object1.wav", false},
    {&object2Sound, "base/sound/object2.wav", false},       {&menuClickSound, "base/sound/menu1.wav", false},
    {&menuHoverSound, "base/sound/menu2.wav", false},
};

void SoundSource::Load(const char* wavFile, bool loop) {
  // A record loaded before gives up its source and buffer first; they would have no owner left.
  Release();
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
