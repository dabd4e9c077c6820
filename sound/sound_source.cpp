#include "sound/sound_source.h"

// Stand-ins until the sound sources exist: every source stays 0 and does nothing.
SoundSource stepsSound, gun1Sound, gun2Sound, gun3Sound, gun4Sound, gun5Sound, gun6Sound, changeSound;
SoundSource otherStepsSound, otherGun1Sound, otherGun2Sound, otherGun3Sound, otherGun4Sound, otherGun5Sound,
    otherGun6Sound, otherChangeSound;
SoundSource mon1Sound, mon2Sound, mon3Sound, mon4Sound, mon5Sound;
SoundSource object1Sound, object2Sound, menuClickSound, menuHoverSound;

void SoundSource::Load(const char*, bool) {}
void SoundSource::SetPosition(float, float, float, float, float, float) {}
void SoundSource::Play() {}
void SoundSource::Stop() {}
void SoundSource::Release() {}
void SoundSource::SetRelative() {}
