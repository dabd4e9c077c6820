// The player records and sound events in and out of the datagrams: the host packs both players
// before each send; the client keeps the last two host states and blends between them.
#include <algorithm>
#include <cstdint>

#include "engine/frame.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/player.h"
#include "game/view.h"
#include "game/lan/lan_internal.h"
#include "game/lan/net.h"

namespace {

void PackPlayer(const PlayerRecord& p, NetPlayerState& s, bool withView) {
  s.health = p.health;
  s.deathTimer = p.deathTimer;
  s.respawnTimer = p.respawnTimer;
  s.pitch = p.pitch;
  s.position = p.position;
  if (withView) s.viewDirection = p.viewDirection;
  s.forward = p.forward;
  s.side = p.side;
  s.forwardMove = p.forwardMove;
  s.velocity = p.velocity;
  s.sideMove = p.sideMove;
  s.bobPhase = p.bobPhase;
  s.weaponRaise = p.weaponRaise;
  s.shotTimer = p.shotTimer;
  s.currentWeapon = p.currentWeapon;
  s.shownWeapon = p.shownWeapon;
  s.weaponLower = p.weaponLower;
  s.recoilPhase = p.recoilPhase;
  std::copy(std::begin(p.ammo), std::end(p.ammo), std::begin(s.ammo));
  s.hurtFlash = p.hurtFlash;
  s.skin = p.skin;
  s.legsAnimWanted = p.legsAnimWanted;
  s.torsoAnimWanted = p.torsoAnimWanted;
  s.torsoPitch = p.torsoPitch;
  s.yaw = p.yaw;
}

float Lerp(float previous, float newest, float t) { return previous + (newest - previous) * t; }

Vec3 Lerp(const Vec3& previous, const Vec3& newest, float t) {
  return Vec3(Lerp(previous.x, newest.x, t), Lerp(previous.y, newest.y, t), Lerp(previous.z, newest.z, t));
}

// The fields both players take from the host: health and weapons copied from the previous state,
// the timers, position and weapon motion blended.
void BlendShared(const NetPlayerState& a, const NetPlayerState& b, float t, PlayerRecord& p) {
  p.health = a.health;
  p.deathTimer = Lerp(a.deathTimer, b.deathTimer, t);
  p.respawnTimer = Lerp(a.respawnTimer, b.respawnTimer, t);
  p.position = Lerp(a.position, b.position, t);
  p.weaponRaise = Lerp(a.weaponRaise, b.weaponRaise, t);
  p.shotTimer = Lerp(a.shotTimer, b.shotTimer, t);
  p.currentWeapon = a.currentWeapon;
  p.shownWeapon = a.shownWeapon;
  p.weaponLower = Lerp(a.weaponLower, b.weaponLower, t);
}

// The key slots pressed in play since the client's last datagram, in the order of
// BuildClientInput. A tap shorter than the 50 ms between datagrams still travels in the next one.
bool pressedSinceSend[8];

}  // namespace

void ForgetSentPresses() {
  for (bool& p : pressedSinceSend) p = false;
}

void PackHostState() {
  PackPlayer(players[0], hostBlock.players[0], true);
  // The client's own view direction stays the client's: it is not sent back.
  PackPlayer(players[1], hostBlock.players[1], false);
  hostBlock.clientClockEcho = clientBlock.clientClock;
  hostBlock.hostClock = secondsClock;
  for (int i = 0; i < kNetSoundEventSlots; ++i) {
    hostBlock.soundEvents[i].code = soundEvents[i].code;
    hostBlock.soundEvents[i].position = soundEvents[i].position;
    hostBlock.soundEvents[i].done = soundEvents[i].done;
  }
}

void UnpackHostState() {
  for (int i = 0; i < 2; ++i) {
    previousHostSnapshot[i] = hostSnapshot[i];
    hostSnapshot[i] = hostBlock.players[i];
  }
}

void InterpolateRemoteState() {
  // Clamped below as well: a negative factor would extrapolate past the previous state.
  const float t = std::clamp(netSendAccumulator, 0.0f, 1.0f);

  // The host's player, then this machine's player as the host runs it; this machine's view and
  // pitch stay local (mouse look is immediate, the host follows them).
  BlendShared(previousHostSnapshot[0], hostSnapshot[0], t, players[1]);
  {
    const NetPlayerState& a = previousHostSnapshot[0];
    const NetPlayerState& b = hostSnapshot[0];
    PlayerRecord& p = players[1];
    p.viewDirection = Lerp(a.viewDirection, b.viewDirection, t);
    p.legsAnimWanted = a.legsAnimWanted;
    p.torsoAnimWanted = a.torsoAnimWanted;
    p.torsoPitch = Lerp(a.torsoPitch, b.torsoPitch, t);
    p.yaw = Lerp(a.yaw, b.yaw, t);
    if (p.weaponRaise > 0.0f) p.model.SelectWeapon(p.shownWeapon);
  }
  BlendShared(previousHostSnapshot[1], hostSnapshot[1], t, players[0]);
  const NetPlayerState& mine = previousHostSnapshot[1];
  players[0].bobPhase = Lerp(mine.bobPhase, hostSnapshot[1].bobPhase, t);
  std::copy(std::begin(mine.ammo), std::end(mine.ammo), std::begin(players[0].ammo));

  eyePosition = players[0].position;
  lookDirection = players[0].viewDirection;
}

void LatchClientPresses() {
  const bool held[8] = {keys['W'] || keys[VK_UP],    keys['S'] || keys[VK_DOWN], keys['A'] || keys[VK_LEFT],
                        keys['D'] || keys[VK_RIGHT], fireHeld,                   keys[VK_SPACE],
                        keys['E'],                   keys['Q']};
  for (int i = 0; i < 8; ++i) pressedSinceSend[i] = pressedSinceSend[i] || (held[i] && gameState == 0);
}

void BuildClientInput() {
  int32_t* const slots[8] = {&clientBlock.forwardKey,     &clientBlock.backKey,  &clientBlock.strafeLeftKey,
                             &clientBlock.strafeRightKey, &clientBlock.fireKey,  &clientBlock.spaceKey,
                             &clientBlock.nextWeaponKey,  &clientBlock.previousWeaponKey};
  // A slot is 2 while its key is held in play, and stays 2 until a datagram has carried a press.
  LatchClientPresses();
  for (int i = 0; i < 8; ++i) *slots[i] = pressedSinceSend[i] ? 2 : 1;
  players[0].MouseLook();
  const Vec3& v = players[0].viewDirection;
  clientBlock.viewDirection = Vec3(v.x, v.y, v.z);
  clientBlock.pitch = players[0].pitch;
  clientBlock.clientClock = secondsClock;
  clientBlock.hostClockEcho = hostBlock.hostClock;
}

void ClearSoundEvents() {
  for (SoundEvent& e : soundEvents) e.code = -1;
}

// The client's sound events come with each datagram of the joined host. Several datagrams may
// arrive in one frame: each adds its events to those not yet played, in its own slot where that
// is free, else where SoundEventSlot finds room.
void TakeHostSoundEvents() {
  for (int i = 0; i < kNetSoundEventSlots; ++i) {
    const NetSoundEvent& in = hostBlock.soundEvents[i];
    if (in.code == -1) continue;
    const int slot = SoundEventSlot(in.code, i);
    if (slot < 0) continue;
    soundEvents[slot].code = in.code;
    soundEvents[slot].position = in.position;
    soundEvents[slot].done = in.done;
  }
}
