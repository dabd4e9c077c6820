#include "engine/wire/lan_datagrams.h"

#include <cmath>

#include "engine/formats/binary_io.h"

namespace {

// Byte offsets of the host block.
constexpr size_t kHostPlayersAt = 4;
constexpr size_t kHostClockEchoAt = 668;
constexpr size_t kHostIdAt = 876;
constexpr size_t kHostEventsAt = 892;
// Byte offsets of the client block.
constexpr size_t kClientClockAt = 196;
constexpr size_t kClientKeysAt = 204;
constexpr size_t kClientSenderAt = 404;

void Zeros(ByteWriter& w, size_t n) {
  for (size_t i = 0; i < n; ++i) w.U8(0);
}

// Pads with zeros up to an absolute offset of the block.
void PadTo(ByteWriter& w, size_t offset) { Zeros(w, offset - w.size()); }

void WriteVec(ByteWriter& w, const Vec3& v) {
  w.F32(v.x);
  w.F32(v.y);
  w.F32(v.z);
  w.F32(0.0f);  // the fourth word carries nothing
}

void WritePlayer(ByteWriter& w, const NetPlayerState& p) {
  w.F32(p.health);
  w.F32(p.deathTimer);
  w.F32(p.respawnTimer);
  w.F32(p.pitch);
  WriteVec(w, p.position);
  WriteVec(w, p.viewDirection);
  WriteVec(w, p.forward);
  WriteVec(w, p.side);
  WriteVec(w, p.forwardMove);
  WriteVec(w, p.velocity);
  WriteVec(w, p.sideMove);
  w.F32(p.bobPhase);
  Zeros(w, 4);  // spare byte and three unused bytes
  w.I32(0);     // spare word
  w.F32(p.weaponRaise);
  w.F32(p.shotTimer);
  w.I32(p.currentWeapon);
  w.I32(p.shownWeapon);
  w.F32(p.weaponLower);
  w.F32(p.recoilPhase);
  for (int32_t a : p.ammo) w.I32(a);
  Zeros(w, 4);  // spare byte and three unused bytes
  w.I32(0);     // spare word
  w.F32(p.hurtFlash);
  w.I32(p.skin);
  w.I32(p.legsAnimWanted);
  w.I32(p.torsoAnimWanted);
  w.F32(p.torsoPitch);
  w.F32(p.yaw);
}

// Reading with validation: each reader clears ok_ on an out-of-range value, so a record is read
// whole and judged once.
class Checked {
 public:
  Checked(const uint8_t* data, size_t size) : r_(data, size) {}
  bool ok() const { return ok_ && r_.ok(); }
  size_t position() const { return r_.position(); }
  void SkipTo(size_t offset) {
    if (offset < r_.position() || !r_.Skip(offset - r_.position())) ok_ = false;
  }

  float Float(float limit = kMaxNetMagnitude) {
    const float v = r_.F32();
    if (!std::isfinite(v) || std::fabs(v) > limit) ok_ = false;
    return v;
  }
  float FloatIn(float lo, float hi) {
    const float v = r_.F32();
    if (!(v >= lo && v <= hi)) ok_ = false;  // also rejects NaN
    return v;
  }
  // Any finite value: the clocks grow without a bound the receiver could know.
  float Clock() {
    const float v = r_.F32();
    if (!std::isfinite(v)) ok_ = false;
    return v;
  }
  int32_t Int(int32_t lo, int32_t hi) {
    const int32_t v = r_.I32();
    if (v < lo || v > hi) ok_ = false;
    return v;
  }
  Vec3 Vec(float limit = kMaxNetMagnitude) {
    const float x = Float(limit), y = Float(limit), z = Float(limit);
    r_.U32();  // the fourth word is ignored
    return Vec3(x, y, z);
  }
  // A spare byte that must be 0, followed by three bytes that carry nothing.
  void SpareByte() {
    if (r_.U8() != 0) ok_ = false;
    r_.Skip(3);
  }
  uint8_t Byte(uint8_t hi) {
    const uint8_t v = r_.U8();
    if (v > hi) ok_ = false;
    return v;
  }
  void Skip(size_t n) {
    if (!r_.Skip(n)) ok_ = false;
  }

 private:
  ByteReader r_;
  bool ok_ = true;
};

// The client's player carries no view direction: its 16 bytes are skipped.
void ReadPlayer(Checked& c, NetPlayerState& p, bool carriesView) {
  p.health = c.Float();
  p.deathTimer = c.Float();
  p.respawnTimer = c.Float();
  p.pitch = c.Float();
  p.position = c.Vec();
  if (carriesView) {
    p.viewDirection = c.Vec();
  } else {
    c.Skip(16);
  }
  p.forward = c.Vec();
  p.side = c.Vec();
  p.forwardMove = c.Vec();
  p.velocity = c.Vec();
  p.sideMove = c.Vec();
  p.bobPhase = c.Float();
  c.SpareByte();
  c.Int(0, 0);
  p.weaponRaise = c.Float();
  p.shotTimer = c.Float();
  p.currentWeapon = c.Int(0, kNetWeaponCount - 1);
  p.shownWeapon = c.Int(0, kNetWeaponCount - 1);
  p.weaponLower = c.Float();
  p.recoilPhase = c.Float();
  for (int32_t& a : p.ammo) a = c.Int(0, kMaxNetCount);
  c.SpareByte();
  c.Int(0, 0);
  p.hurtFlash = c.Float();
  p.skin = c.Int(0, kMaxSkin);
  p.legsAnimWanted = c.Int(0, kMaxLegsAnim);
  p.torsoAnimWanted = c.Int(0, kMaxTorsoAnim);
  p.torsoPitch = c.Float();
  p.yaw = c.Float();
}

bool IsHostState(int32_t s) {
  return s == HOST_IDLE || s == HOST_WAITING || s == HOST_ACCEPTED || s == HOST_PLAYING;
}

bool IsClientType(int32_t t) {
  return t == CLIENT_IDLE || t == CLIENT_SEARCH || t == CLIENT_JOIN || t == CLIENT_IN_GAME;
}

}  // namespace

bool IsKnownSoundEventCode(int32_t code) {
  return code == -1 || (code >= 0 && code <= 5) || (code >= 10 && code <= 15) || (code >= 21 && code <= 24) ||
         (code >= 31 && code <= 33);
}

std::vector<uint8_t> EncodeHostBlock(const HostBlock& b) {
  ByteWriter w;
  w.I32(b.state);
  WritePlayer(w, b.players[0]);
  // The client's player: its view direction is the client's own and is not sent back.
  NetPlayerState second = b.players[1];
  second.viewDirection = Vec3();
  WritePlayer(w, second);
  PadTo(w, kHostClockEchoAt);
  w.F32(b.clientClockEcho);
  w.F32(b.hostClock);
  PadTo(w, kHostIdAt);
  w.I32(b.hostId);
  w.I32(b.mapNumber);
  w.I32(b.scores[0]);
  w.I32(b.scores[1]);
  for (const NetSoundEvent& e : b.soundEvents) {
    w.I32(e.code);
    WriteVec(w, e.position);
    w.U8(e.done);
    Zeros(w, 3);
  }
  return std::move(w.bytes());
}

std::vector<uint8_t> EncodeClientBlock(const ClientBlock& b) {
  ByteWriter w;
  w.I32(b.type);
  w.F32(b.viewDirection.x);
  w.F32(b.viewDirection.y);
  w.F32(b.viewDirection.z);
  w.F32(b.pitch);
  PadTo(w, kClientClockAt);
  w.F32(b.clientClock);
  w.F32(b.hostClockEcho);
  for (int32_t k : {b.forwardKey, b.backKey, b.strafeLeftKey, b.strafeRightKey, b.fireKey, b.spaceKey,
                    b.nextWeaponKey, b.previousWeaponKey}) {
    w.I32(k);
  }
  PadTo(w, kClientSenderAt);
  w.I32(b.senderId);
  return std::move(w.bytes());
}

bool DecodeHostBlock(const uint8_t* data, size_t size, HostBlock& out) {
  if (data == nullptr || size != kHostBlockSize) return false;
  Checked c(data, size);
  HostBlock b;
  b.state = c.Int(HOST_IDLE, HOST_PLAYING);
  c.SkipTo(kHostPlayersAt);
  ReadPlayer(c, b.players[0], true);
  ReadPlayer(c, b.players[1], false);
  c.SkipTo(kHostClockEchoAt);
  b.clientClockEcho = c.Clock();
  b.hostClock = c.Clock();
  c.SkipTo(kHostIdAt);
  b.hostId = c.Int(0, kMaxNetId);
  b.mapNumber = c.Int(1, kMaxNetMap);
  b.scores[0] = c.Int(0, kMaxNetCount);
  b.scores[1] = c.Int(0, kMaxNetCount);
  c.SkipTo(kHostEventsAt);
  for (NetSoundEvent& e : b.soundEvents) {
    e.code = c.Int(-1, 33);
    e.position = c.Vec();
    e.done = c.Byte(1);
    c.Skip(3);
    if (!IsKnownSoundEventCode(e.code)) return false;
  }
  if (!c.ok() || c.position() != kHostBlockSize || !IsHostState(b.state)) return false;
  out = b;
  return true;
}

bool DecodeClientBlock(const uint8_t* data, size_t size, ClientBlock& out) {
  if (data == nullptr || size != kClientBlockSize) return false;
  Checked c(data, size);
  ClientBlock b;
  b.type = c.Int(CLIENT_IDLE, CLIENT_IN_GAME);
  const float x = c.Float(kMaxNetDirection), y = c.Float(kMaxNetDirection), z = c.Float(kMaxNetDirection);
  b.viewDirection = Vec3(x, y, z);
  b.pitch = c.FloatIn(kMinNetPitch, kMaxNetPitch);
  c.SkipTo(kClientClockAt);
  b.clientClock = c.Clock();
  b.hostClockEcho = c.Clock();
  c.SkipTo(kClientKeysAt);
  for (int32_t* k : {&b.forwardKey, &b.backKey, &b.strafeLeftKey, &b.strafeRightKey, &b.fireKey, &b.spaceKey,
                     &b.nextWeaponKey, &b.previousWeaponKey}) {
    *k = c.Int(0, 2);
  }
  c.SkipTo(kClientSenderAt);
  b.senderId = c.Int(0, kMaxNetId);
  if (!c.ok() || c.position() != kClientBlockSize || !IsClientType(b.type)) return false;
  out = b;
  return true;
}
