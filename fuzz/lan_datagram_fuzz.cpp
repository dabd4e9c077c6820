// Both LAN datagram decoders on arbitrary bytes. The input is tried as it is, and also laid over a
// valid datagram of each kind (bytes XORed from the start), so that the fuzzer reaches the deep
// field checks from the first run without a seed corpus. Whatever a decoder accepts must encode
// back to a datagram that decodes to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/wire/lan_datagrams.h"

namespace {

HostBlock BaseHost() {
  HostBlock b;
  b.state = HOST_PLAYING;
  b.hostId = 17;
  b.mapNumber = 3;
  for (NetPlayerState& p : b.players) {
    p.health = 100.0f;
    p.position = Vec3(-70.0f, 3.0f, -107.0f);
    p.viewDirection = Vec3(1.0f, 0.0f, 0.0f);
    p.weaponRaise = 1.0f;
    p.ammo[0] = 50;
    p.skin = 1;
  }
  b.players[1].viewDirection = Vec3();
  b.soundEvents[0] = NetSoundEvent{22, Vec3(1.0f, 2.0f, 3.0f), 1};
  return b;
}

ClientBlock BaseClient() {
  ClientBlock b;
  b.type = CLIENT_IN_GAME;
  b.viewDirection = Vec3(1.0f, 0.0f, 0.0f);
  b.forwardKey = b.backKey = b.strafeLeftKey = b.strafeRightKey = 1;
  b.fireKey = b.spaceKey = b.nextWeaponKey = b.previousWeaponKey = 1;
  b.senderId = 5;
  return b;
}

void CheckHost(const uint8_t* data, size_t size) {
  HostBlock out;
  if (!DecodeHostBlock(data, size, out)) return;
  const std::vector<uint8_t> again = EncodeHostBlock(out);
  HostBlock back;
  if (!DecodeHostBlock(again.data(), again.size(), back) || EncodeHostBlock(back) != again) std::abort();
}

void CheckClient(const uint8_t* data, size_t size) {
  ClientBlock out;
  if (!DecodeClientBlock(data, size, out)) return;
  const std::vector<uint8_t> again = EncodeClientBlock(out);
  ClientBlock back;
  if (!DecodeClientBlock(again.data(), again.size(), back) || EncodeClientBlock(back) != again) std::abort();
}

void Overlay(std::vector<uint8_t> base, const uint8_t* data, size_t size, void (*check)(const uint8_t*, size_t)) {
  for (size_t i = 0; i < size && i < base.size(); ++i) base[i] ^= data[i];
  check(base.data(), base.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> host = EncodeHostBlock(BaseHost());
  static const std::vector<uint8_t> client = EncodeClientBlock(BaseClient());
  CheckHost(data, size);
  CheckClient(data, size);
  Overlay(host, data, size, CheckHost);
  Overlay(client, data, size, CheckClient);
  return 0;
}
