// The two LAN datagrams: the host's state block (1372 bytes) and the client's input block (408
// bytes). Each travels as a fixed little-endian layout with no header; the records below are the
// in-memory form, and the codec writes and reads them one word at a time. A received datagram is
// decoded into a scratch record and accepted only when every field checks out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/vec3_inline.h"

// Host states (hostBlock.state) and client message types (clientBlock.type).
constexpr int HOST_IDLE = 1;
constexpr int HOST_WAITING = 200;
constexpr int HOST_ACCEPTED = 300;
constexpr int HOST_PLAYING = 400;
constexpr int CLIENT_IDLE = 1;
constexpr int CLIENT_SEARCH = 50;
constexpr int CLIENT_JOIN = 100;
constexpr int CLIENT_IN_GAME = 400;

constexpr size_t kHostBlockSize = 1372;
constexpr size_t kClientBlockSize = 408;
constexpr size_t kNetPlayerStateSize = 236;
constexpr size_t kNetSoundEventSize = 24;
constexpr int kNetSoundEventSlots = 20;
constexpr int kNetAmmoSlots = 10;

// Limits of what a datagram may carry. Ids are drawn as 1..998; maps are numbered 1..20; a key
// slot is 0 (no input yet), 1 (up) or 2 (held).
constexpr int kMaxNetId = 998;
constexpr int kMaxNetMap = 20;
constexpr int kNetWeaponCount = 6;
constexpr int kMaxLegsAnim = 4;
constexpr int kMaxTorsoAnim = 2;
constexpr int kMaxSkin = 1;
// Every float of a state must be finite and no larger than this, so that blending two snapshots
// can never overflow.
constexpr float kMaxNetMagnitude = 1.0e9f;
constexpr int32_t kMaxNetCount = 1000000;  // ammunition and scores
// The client's view direction is a unit vector and its pitch stays within [-1.2, 1.1]; a little
// slack covers rounding.
constexpr float kMaxNetDirection = 1.5f;
constexpr float kMinNetPitch = -1.25f;
constexpr float kMaxNetPitch = 1.15f;

// One player's state as the host sends it (the travelling fields of the player record).
struct NetPlayerState {
  float health = 0.0f;
  float deathTimer = 0.0f;
  float respawnTimer = 0.0f;
  float pitch = 0.0f;
  Vec3 position;
  Vec3 viewDirection;
  Vec3 forward;
  Vec3 side;
  Vec3 forwardMove;
  Vec3 velocity;
  Vec3 sideMove;
  float bobPhase = 0.0f;
  float weaponRaise = 0.0f;
  float shotTimer = 0.0f;
  int32_t currentWeapon = 0;
  int32_t shownWeapon = 0;
  float weaponLower = 0.0f;
  float recoilPhase = 0.0f;
  int32_t ammo[kNetAmmoSlots] = {};
  float hurtFlash = 0.0f;
  int32_t skin = 0;
  int32_t legsAnimWanted = 0;
  int32_t torsoAnimWanted = 0;
  float torsoPitch = 0.0f;
  float yaw = 0.0f;
};

// One slot of the positioned sound-event queue carried by the host's block.
struct NetSoundEvent {
  int32_t code = -1;  // -1: free slot
  Vec3 position;
  uint8_t done = 0;
};

// Host to client.
struct HostBlock {
  int32_t state = 0;
  NetPlayerState players[2];  // the host's player, then the client's player as the host runs it
  float clientClockEcho = 0.0f;
  float hostClock = 0.0f;
  int32_t hostId = 0;  // 0: none
  int32_t mapNumber = 0;
  int32_t scores[2] = {};
  NetSoundEvent soundEvents[kNetSoundEventSlots];
};

// Client to host.
struct ClientBlock {
  int32_t type = 0;
  Vec3 viewDirection;  // x, y, z travel; the fourth word does not
  float pitch = 0.0f;
  float clientClock = 0.0f;
  float hostClockEcho = 0.0f;
  // Key slots: 2 held in play, else 1; 0 before the first input.
  int32_t forwardKey = 0;
  int32_t backKey = 0;
  int32_t strafeLeftKey = 0;
  int32_t strafeRightKey = 0;
  int32_t fireKey = 0;
  int32_t spaceKey = 0;
  int32_t nextWeaponKey = 0;
  int32_t previousWeaponKey = 0;
  int32_t senderId = 0;
};

// The full datagram of a block: always the whole size, unused stretches zero.
std::vector<uint8_t> EncodeHostBlock(const HostBlock& block);
std::vector<uint8_t> EncodeClientBlock(const ClientBlock& block);

// Decodes a received datagram into out. False (and out untouched) unless the datagram has exactly
// the block's size and every field is in range: known state or type, ids 0..998, map 1..20,
// weapon, skin and animation numbers in range, counts not negative, finite floats within bounds,
// known sound-event codes, spare words zero.
bool DecodeHostBlock(const uint8_t* data, size_t size, HostBlock& out);
bool DecodeClientBlock(const uint8_t* data, size_t size, ClientBlock& out);

// True for the codes of the sound-event queue: -1 (free), 0..5, 10..15, 21..24, 31..33.
bool IsKnownSoundEventCode(int32_t code);
