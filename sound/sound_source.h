// One OpenAL source with one buffer loaded from a WAV file, and the game's effect sounds.
#pragma once

#include <AL/al.h>

// A plain record: every instance is a zero-initialised global that Load fills. A record whose
// source is 0 (never loaded, or its file could not be read) ignores every operation.
struct SoundSource {
  // Loads the WAV file into a new buffer bound to a new source; loop makes the source loop. A
  // loaded record releases its earlier source and buffer first.
  void Load(const char* wavFile, bool loop);
  void SetPosition(float x, float y, float z, float vx, float vy, float vz);
  // Plays from the beginning (again, when already playing); nothing while soundOn is off.
  void Play();
  void Stop();
  void Release();
  void SetRelative();

  ALuint sourceCopy = 0;    // copy of source made by Load; nothing reads it
  void* data = nullptr;     // PCM block of the WAV loader, only valid during Load
  ALenum format = 0;
  ALsizei frequency = 0;
  ALsizei size = 0;
  ALuint source = 0;        // 0 while not loaded
  ALuint buffer = 0;        // 0 while not loaded
};

void SetListenerPosition(float x, float y, float z);
// The "at" vector, then the "up" vector.
void SetListenerOrientation(float atX, float atY, float atZ, float upX, float upY, float upZ);

extern SoundSource stepsSound, gun1Sound, gun2Sound, gun3Sound, gun4Sound, gun5Sound, gun6Sound, changeSound;
extern SoundSource otherStepsSound, otherGun1Sound, otherGun2Sound, otherGun3Sound, otherGun4Sound,
    otherGun5Sound, otherGun6Sound, otherChangeSound;
// The five bandit death cries are one array: the death code picks monSounds[rand() % 5].
extern SoundSource monSounds[5];
extern SoundSource& mon1Sound;
extern SoundSource& mon2Sound;
extern SoundSource& mon3Sound;
extern SoundSource& mon4Sound;
extern SoundSource& mon5Sound;
extern SoundSource object1Sound, object2Sound, menuClickSound, menuHoverSound;
// The 25 effect sounds in load (and release) order, with their files and loop flags. Files that
// appear twice are loaded twice, so that both players have their own sources.
struct EffectSoundFile {
  SoundSource* sound;
  const char* file;
  bool loop;
};
constexpr int kEffectSoundCount = 25;
extern const EffectSoundFile kEffectSounds[kEffectSoundCount];

// Never loaded; nothing plays them.
extern SoundSource spareSound1, spareSound2, spareSound3, spareSound4;
