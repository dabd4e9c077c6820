// The camera at the local player's eye, the OpenAL listener, the placing of the game's sounds and
// the queue of positioned sound events that a LAN host sends to its client.
#pragma once

#include <cstdint>

#include "math/vec3_inline.h"

struct SoundSource;

// Whether the source is playing now (false for one that never loaded).
bool SoundPlaying(const SoundSource& s);

struct SoundEvent {
  int32_t code = -1;  // -1: free slot
  Vec3 position;
  uint8_t done = 0;   // the host has played it locally
};

constexpr int kSoundEventSlots = 20;
// Filled on the host and sent with every datagram; overwritten on the client by each datagram.
extern SoundEvent soundEvents[kSoundEventSlots];

// Event codes.
constexpr int kEventHostShot = 0;     // + weapon
constexpr int kEventClientShot = 10;  // + weapon
constexpr int kEventHostChange = 21;
constexpr int kEventHostSteps = 22;
constexpr int kEventHostStill = 23;
constexpr int kEventClientHit = 24;
constexpr int kEventClientChange = 31;
constexpr int kEventClientSteps = 32;
constexpr int kEventClientStill = 33;

// The slot a new event of this code goes to, or -1 (dropped): a footstep code takes the slot of
// the same player's pending footstep; otherwise the preferred slot when free, then the first free
// one; with none free, any event but a footstep takes a footstep's slot.
int SoundEventSlot(int code, int preferred);
// Queues an event (host only) in the slot SoundEventSlot chooses; the slot's index or -1. With
// writeDone false the slot's done flag keeps what it held (the hit event). Code -1 writes the
// position and done flag into the first free slot and leaves it free.
int QueueSoundEvent(int code, const Vec3& position, bool writeDone = true);
// Frees every slot.
void ResetSoundEvents();
// Plays the queued events (LAN): on the host the slots not yet played, on the client every slot,
// which is then freed.
void PlaySoundEvents();
