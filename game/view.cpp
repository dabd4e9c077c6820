#include "game/view.h"

#include <AL/al.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "engine/frame.h"
#include "game/game_state.h"
#include "game/player.h"
#include "game/world.h"
#include "sound/sound_source.h"

SoundEvent soundEvents[kSoundEventSlots];

bool SoundPlaying(const SoundSource& s) {
  if (s.source == 0) return false;
  ALint state = 0;
  alGetSourcei(s.source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

namespace {

void PlaceAt(SoundSource& s, const Vec3& p) { s.SetPosition(p.x, p.y, p.z, 0.0f, 0.0f, 0.0f); }

SoundSource* ShotSound(int code) {
  SoundSource* host[6] = {&gun1Sound, &gun2Sound, &gun3Sound, &gun4Sound, &gun5Sound, &gun6Sound};
  SoundSource* client[6] = {&otherGun1Sound, &otherGun2Sound, &otherGun3Sound,
                            &otherGun4Sound, &otherGun5Sound, &otherGun6Sound};
  if (code >= 0 && code <= 5) return host[code];
  if (code >= 10 && code <= 15) return client[code - 10];
  return nullptr;
}

// Plays one event by its code.
void PlayEvent(const SoundEvent& e) {
  if (SoundSource* gun = ShotSound(e.code)) {
    PlaceAt(*gun, e.position);
    gun->Play();
    return;
  }
  switch (e.code) {
    case kEventHostChange:
      PlaceAt(changeSound, e.position);
      changeSound.Play();
      break;
    case kEventClientChange:
      PlaceAt(otherChangeSound, e.position);
      otherChangeSound.Play();
      break;
    case kEventHostSteps:
      if (!SoundPlaying(stepsSound)) stepsSound.Play();
      break;
    case kEventHostStill:
      if (SoundPlaying(stepsSound)) stepsSound.Stop();
      break;
    case kEventClientSteps:
      if (!SoundPlaying(otherStepsSound)) otherStepsSound.Play();
      break;
    case kEventClientStill:
      if (SoundPlaying(otherStepsSound)) otherStepsSound.Stop();
      break;
    default:
      break;  // free slots and the hit event play nothing
  }
}

}  // namespace

namespace {

// Which player a footstep code describes: 0 the host's (22, 23), 1 the client's (32, 33), else -1.
int FootstepWalker(int code) {
  if (code == kEventHostSteps || code == kEventHostStill) return 0;
  if (code == kEventClientSteps || code == kEventClientStill) return 1;
  return -1;
}

}  // namespace

int SoundEventSlot(int code, int preferred) {
  // A player's footsteps hold at most one slot: the newest state replaces the pending one, so
  // steps queued every frame cannot fill the queue between two datagrams.
  const int walker = FootstepWalker(code);
  if (walker >= 0) {
    for (int i = 0; i < kSoundEventSlots; ++i) {
      if (FootstepWalker(soundEvents[i].code) == walker) return i;
    }
  }
  if (preferred >= 0 && preferred < kSoundEventSlots && soundEvents[preferred].code == -1) return preferred;
  for (int i = 0; i < kSoundEventSlots; ++i) {
    if (soundEvents[i].code == -1) return i;
  }
  // A shot, hit or change is never lost to footsteps: it takes a footstep's slot (the steps' state
  // is queued again in the next frame).
  if (walker < 0 && code != -1) {
    for (int i = kSoundEventSlots - 1; i >= 0; --i) {
      if (FootstepWalker(soundEvents[i].code) >= 0) return i;
    }
  }
  return -1;
}

int QueueSoundEvent(int code, const Vec3& position, bool writeDone) {
  if (gameMode != 1) return -1;
  const int i = SoundEventSlot(code, -1);
  if (i < 0) return -1;
  SoundEvent& e = soundEvents[i];
  e.code = code;
  e.position = position;
  if (writeDone) e.done = 0;
  return i;
}

void ResetSoundEvents() {
  for (SoundEvent& e : soundEvents) e = SoundEvent{};
}

void PlaySoundEvents() {
  const bool client = gameMode == 2;
  for (SoundEvent& e : soundEvents) {
    if (!client && e.done != 0) continue;
    // A hit report is no sound: the client's hit burst, drawn later in the frame, takes it and
    // frees its slot.
    if (client && e.code == kEventClientHit) continue;
    PlayEvent(e);
    e.done = 1;
    if (client) e.code = -1;
  }
}

void UpdateViewAndSound(int, int listenerOff) {
  PlayerRecord& me = players[0];
  if (me.hurtFlash > 0.0f) me.hurtFlash -= 0.00075f * frameStep;

  const float bob = 0.005f * std::sin(2.0f * me.bobPhase);
  gluLookAt(eyePosition.x, eyePosition.y + 2.5f + bob, eyePosition.z, eyePosition.x + lookDirection.x,
            eyePosition.y + lookDirection.y + 2.5f, eyePosition.z + lookDirection.z, 0.0, 1.0, 0.0);
  if (listenerOff != 0) return;

  alListener3f(AL_POSITION, eyePosition.x, eyePosition.y, eyePosition.z);
  const Vec3 v = me.velocity;
  const float speed = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  // A player at rest has no direction of motion: the listener then has no velocity.
  if (speed > 1e-6f) {
    alListener3f(AL_VELOCITY, v.x / speed, v.y / speed, v.z / speed);
  } else {
    alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);
  }
  const ALfloat orientation[6] = {lookDirection.x, lookDirection.y, lookDirection.z, 0.0f, 1.0f, 0.0f};
  alListenerfv(AL_ORIENTATION, orientation);

  if (gameMode == 0) {
    const Vec3 head = eyePosition + Vec3(0.0f, 2.0f, 0.0f);
    SoundSource* own[] = {&spareSound1, &stepsSound,  &gun1Sound,   &gun2Sound,   &gun3Sound,
                          &gun4Sound,   &gun5Sound,   &gun6Sound,   &changeSound, &spareSound2,
                          &spareSound3, &spareSound4, &object1Sound, &object2Sound};
    for (SoundSource* s : own) PlaceAt(*s, head);
    return;
  }
  const Vec3 up(0.0f, 2.0f, 0.0f);
  if (gameMode == 1) {
    PlaceAt(stepsSound, players[0].position + up);
    PlaceAt(otherStepsSound, players[1].position + up);
  } else {
    PlaceAt(stepsSound, players[1].position + up);
    PlaceAt(otherStepsSound, players[0].position + up);
  }
  PlaySoundEvents();
}
