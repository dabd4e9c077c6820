// One OpenAL source with one buffer loaded from a WAV file, and the game's effect sounds.
#pragma once

#include <AL/al.h>

class SoundSource {
 public:
  void Load(const char* wavFile, bool loop);
  void SetPosition(float x, float y, float z, float vx, float vy, float vz);
  void Play();
  void Stop();
  void Release();
  void SetRelative();

  ALuint source = 0;
  ALuint buffer = 0;
};

extern SoundSource stepsSound, gun1Sound, gun2Sound, gun3Sound, gun4Sound, gun5Sound, gun6Sound, changeSound;
extern SoundSource otherStepsSound, otherGun1Sound, otherGun2Sound, otherGun3Sound, otherGun4Sound,
    otherGun5Sound, otherGun6Sound, otherChangeSound;
extern SoundSource mon1Sound, mon2Sound, mon3Sound, mon4Sound, mon5Sound;
extern SoundSource object1Sound, object2Sound, menuClickSound, menuHoverSound;
