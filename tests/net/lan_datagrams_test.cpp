// The two LAN datagrams: layout on the wire, round trips, and the rejection of anything a
// stranger could send.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/wire/lan_datagrams.h"

namespace {

NetPlayerState SamplePlayer(float base) {
  NetPlayerState p;
  p.health = 87.5f + base;
  p.deathTimer = 1.25f + base;
  p.respawnTimer = 2.5f + base;
  p.pitch = -0.75f;
  p.position = Vec3(-70.0f + base, 3.0f, -107.0f);
  p.viewDirection = Vec3(0.6f, -0.0f, 0.8f);
  p.forward = Vec3(0.6f, 0.0f, 0.8f);
  p.side = Vec3(0.8f, 0.0f, -0.6f);
  p.forwardMove = Vec3(6.0f, 0.0f, 8.0f);
  p.velocity = Vec3(1.5f, -0.25f, 2.0f);
  p.sideMove = Vec3(-8.0f, 0.0f, 6.0f);
  p.bobPhase = 123.0f;
  p.weaponRaise = -0.4f;
  p.shotTimer = 3.0f;
  p.currentWeapon = 3;
  p.shownWeapon = 2;
  p.weaponLower = 0.3f;
  p.recoilPhase = 0.1f;
  for (int i = 0; i < 10; ++i) p.ammo[i] = i < 6 ? 10 * i + 1 : 0;
  p.hurtFlash = 0.5f;
  p.skin = 1;
  p.legsAnimWanted = 4;
  p.torsoAnimWanted = 2;
  p.torsoPitch = 22.5f;
  p.yaw = -135.0f;
  return p;
}

HostBlock SampleHost() {
  HostBlock b;
  b.state = HOST_PLAYING;
  b.players[0] = SamplePlayer(0.0f);
  b.players[1] = SamplePlayer(10.0f);
  b.players[1].viewDirection = Vec3();  // not carried for the client's player
  b.clientClockEcho = 12.5f;
  b.hostClock = 99.25f;
  b.hostId = 998;
  b.mapNumber = 7;
  b.scores[0] = 9;
  b.scores[1] = 3;
  b.soundEvents[0] = NetSoundEvent{22, Vec3(1, 2, 3), 1};
  b.soundEvents[1] = NetSoundEvent{24, Vec3(-4, 5, -6), 0};
  b.soundEvents[19] = NetSoundEvent{33, Vec3(7, 8, 9), 1};
  return b;
}

ClientBlock SampleClient() {
  ClientBlock b;
  b.type = CLIENT_IN_GAME;
  b.viewDirection = Vec3(0.0f, 0.6f, -0.8f);
  b.pitch = -1.2f;
  b.clientClock = 45.5f;
  b.hostClockEcho = 44.0f;
  b.forwardKey = 2;
  b.backKey = 1;
  b.strafeLeftKey = 1;
  b.strafeRightKey = 2;
  b.fireKey = 2;
  b.spaceKey = 1;
  b.nextWeaponKey = 1;
  b.previousWeaponKey = 0;
  b.senderId = 1;
  return b;
}

int32_t I32At(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24);
}
float F32At(const std::vector<uint8_t>& d, size_t at) {
  const uint32_t u = static_cast<uint32_t>(I32At(d, at));
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
void PutU32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutF32(std::vector<uint8_t>& d, size_t at, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  PutU32(d, at, u);
}
bool AllZero(const std::vector<uint8_t>& d, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (d[i] != 0) return false;
  }
  return true;
}

bool DecodesHost(const std::vector<uint8_t>& d) {
  HostBlock out;
  return DecodeHostBlock(d.data(), d.size(), out);
}
bool DecodesClient(const std::vector<uint8_t>& d) {
  ClientBlock out;
  return DecodeClientBlock(d.data(), d.size(), out);
}

TEST(LanDatagrams, HostBlockLayoutOnTheWire) {
  const std::vector<uint8_t> d = EncodeHostBlock(SampleHost());
  ASSERT_EQ(d.size(), 1372u);
  EXPECT_EQ(I32At(d, 0), 400);
  // players[0]: health, position, bob phase, spares, weapons, ammo, yaw.
  EXPECT_EQ(F32At(d, 4 + 0), 87.5f);
  EXPECT_EQ(F32At(d, 4 + 16), -70.0f);
  EXPECT_EQ(F32At(d, 4 + 24), -107.0f);
  EXPECT_TRUE(AllZero(d, 4 + 28, 4 + 32));  // the fourth word of a vector
  EXPECT_EQ(F32At(d, 4 + 128), 123.0f);
  EXPECT_TRUE(AllZero(d, 4 + 132, 4 + 140));
  EXPECT_EQ(I32At(d, 4 + 148), 3);
  EXPECT_EQ(I32At(d, 4 + 152), 2);
  EXPECT_EQ(I32At(d, 4 + 164 + 4 * 5), 51);
  EXPECT_TRUE(AllZero(d, 4 + 204, 4 + 212));
  EXPECT_EQ(I32At(d, 4 + 216), 1);
  EXPECT_EQ(I32At(d, 4 + 220), 4);
  EXPECT_EQ(F32At(d, 4 + 232), -135.0f);
  // players[1] starts at 240; its view direction (272..287) is never written.
  EXPECT_EQ(F32At(d, 240), 97.5f);
  EXPECT_TRUE(AllZero(d, 272, 288));
  EXPECT_TRUE(AllZero(d, 476, 668));
  EXPECT_EQ(F32At(d, 668), 12.5f);
  EXPECT_EQ(F32At(d, 672), 99.25f);
  EXPECT_TRUE(AllZero(d, 676, 876));
  EXPECT_EQ(I32At(d, 876), 998);
  EXPECT_EQ(I32At(d, 880), 7);
  EXPECT_EQ(I32At(d, 884), 9);
  EXPECT_EQ(I32At(d, 888), 3);
  // Sound events: 24 bytes each from 892.
  EXPECT_EQ(I32At(d, 892), 22);
  EXPECT_EQ(F32At(d, 892 + 8), 2.0f);
  EXPECT_EQ(d[892 + 20], 1);
  EXPECT_EQ(I32At(d, 892 + 24), 24);
  EXPECT_EQ(I32At(d, 892 + 2 * 24), -1);
  EXPECT_EQ(I32At(d, 892 + 19 * 24), 33);
}

TEST(LanDatagrams, ClientBlockLayoutOnTheWire) {
  const std::vector<uint8_t> d = EncodeClientBlock(SampleClient());
  ASSERT_EQ(d.size(), 408u);
  EXPECT_EQ(I32At(d, 0), 400);
  EXPECT_EQ(F32At(d, 8), 0.6f);
  EXPECT_EQ(F32At(d, 12), -0.8f);
  EXPECT_EQ(F32At(d, 16), -1.2f);
  EXPECT_TRUE(AllZero(d, 20, 196));
  EXPECT_EQ(F32At(d, 196), 45.5f);
  EXPECT_EQ(F32At(d, 200), 44.0f);
  const int keys[8] = {2, 1, 1, 2, 2, 1, 1, 0};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(I32At(d, 204 + 4 * k), keys[k]) << k;
  EXPECT_TRUE(AllZero(d, 236, 404));
  EXPECT_EQ(I32At(d, 404), 1);
}

TEST(LanDatagrams, BothBlocksSurviveARoundTrip) {
  const HostBlock host = SampleHost();
  const std::vector<uint8_t> hostBytes = EncodeHostBlock(host);
  HostBlock hostBack;
  ASSERT_TRUE(DecodeHostBlock(hostBytes.data(), hostBytes.size(), hostBack));
  EXPECT_EQ(EncodeHostBlock(hostBack), hostBytes);
  EXPECT_EQ(hostBack.players[1].ammo[5], 51);
  EXPECT_EQ(hostBack.soundEvents[1].position.z, -6.0f);
  EXPECT_EQ(hostBack.soundEvents[2].code, -1);

  const ClientBlock client = SampleClient();
  const std::vector<uint8_t> clientBytes = EncodeClientBlock(client);
  ClientBlock clientBack;
  ASSERT_TRUE(DecodeClientBlock(clientBytes.data(), clientBytes.size(), clientBack));
  EXPECT_EQ(EncodeClientBlock(clientBack), clientBytes);
  EXPECT_EQ(clientBack.strafeRightKey, 2);
  EXPECT_EQ(clientBack.viewDirection.z, -0.8f);

  // A fresh block (the search request of a client that never played) is a valid datagram too.
  ClientBlock search;
  search.type = CLIENT_SEARCH;
  const std::vector<uint8_t> searchBytes = EncodeClientBlock(search);
  EXPECT_TRUE(DecodesClient(searchBytes));
}

TEST(LanDatagrams, WrongSizesAreRejectedAndLeaveTheRecordAlone) {
  const std::vector<uint8_t> host = EncodeHostBlock(SampleHost());
  HostBlock out;
  out.hostId = 5;
  for (size_t size : {size_t(0), size_t(4), size_t(408), size_t(1371)}) {
    EXPECT_FALSE(DecodeHostBlock(host.data(), size, out)) << size;
  }
  std::vector<uint8_t> longer = host;
  longer.push_back(0);
  EXPECT_FALSE(DecodeHostBlock(longer.data(), longer.size(), out));
  EXPECT_FALSE(DecodeHostBlock(nullptr, 1372, out));
  EXPECT_EQ(out.hostId, 5);

  const std::vector<uint8_t> client = EncodeClientBlock(SampleClient());
  ClientBlock clientOut;
  clientOut.senderId = 9;
  EXPECT_FALSE(DecodeClientBlock(client.data(), 407, clientOut));
  EXPECT_FALSE(DecodeClientBlock(host.data(), host.size(), clientOut));
  EXPECT_FALSE(DecodeHostBlock(client.data(), client.size(), out));
  EXPECT_EQ(clientOut.senderId, 9);
}

// A NaN in any word either rejects the datagram or lands in a stretch that carries nothing; the
// ignored words must be exactly those stretches.
TEST(LanDatagrams, ANonFiniteValueInAnyCarriedWordIsRejected) {
  const std::vector<uint8_t> host = EncodeHostBlock(SampleHost());
  // The word of an event's done byte is judged by its first byte alone (0 or 1): left out here.
  auto isDoneWord = [](size_t at) { return at >= 892 && (at - 892) % 24 == 20; };
  // Stretches that carry nothing, the fourth word of every vector, the client player's view
  // direction, and the words of the spare bytes (only their first byte, which NaN and infinity
  // leave zero, is read).
  auto carriesNothing = [](size_t at) {
    if (at >= 476 && at < 668) return true;
    if (at >= 676 && at < 876) return true;
    if (at >= 272 && at < 288) return true;
    if (at >= 892) return (at - 892) % 24 == 16;
    if (at >= 4 && at < 476) {
      const size_t o = (at - 4) % 236;
      return (o >= 16 && o < 128 && o % 16 == 12) || o == 132 || o == 204;
    }
    return false;
  };
  for (size_t at = 0; at < host.size(); at += 4) {
    if (isDoneWord(at)) continue;
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
      std::vector<uint8_t> d = host;
      PutF32(d, at, bad);
      HostBlock out;
      const bool accepted = DecodeHostBlock(d.data(), d.size(), out);
      EXPECT_EQ(accepted, carriesNothing(at)) << at;
      if (accepted) {
        EXPECT_EQ(EncodeHostBlock(out), host) << at;
      }
    }
  }

  const std::vector<uint8_t> client = EncodeClientBlock(SampleClient());
  for (size_t at = 0; at < client.size(); at += 4) {
    std::vector<uint8_t> d = client;
    PutF32(d, at, std::numeric_limits<float>::quiet_NaN());
    const bool carried = at < 20 || (at >= 196 && at < 236) || at == 404;
    EXPECT_EQ(DecodesClient(d), !carried) << at;
  }
}

TEST(LanDatagrams, OutOfRangeFieldsAreRejected) {
  const std::vector<uint8_t> host = EncodeHostBlock(SampleHost());
  ASSERT_TRUE(DecodesHost(host));
  struct Poke {
    size_t at;
    uint32_t value;
  };
  const Poke hostPokes[] = {
      {0, 0},                           // state
      {0, 250},                         // state
      {4 + 148, 6},                     // currentWeapon
      {4 + 152, static_cast<uint32_t>(-1)},  // shownWeapon
      {240 + 164, static_cast<uint32_t>(-3)},  // ammo
      {4 + 216, 2},                     // skin
      {4 + 220, 5},                     // legsAnimWanted
      {4 + 224, 3},                     // torsoAnimWanted
      {4 + 136, 1},                     // spare word
      {4 + 132, 1},                     // spare byte
      {876, 999},                       // hostId
      {876, static_cast<uint32_t>(-1)},  // hostId
      {880, 0},                         // mapNumber
      {880, 21},                        // mapNumber
      {888, static_cast<uint32_t>(-1)},  // score
      {892, 6},                         // unknown event code
      {892 + 24, static_cast<uint32_t>(-2)},  // unknown event code
      {892 + 20, 2},                    // done flag
  };
  for (const Poke& p : hostPokes) {
    std::vector<uint8_t> d = host;
    PutU32(d, p.at, p.value);
    EXPECT_FALSE(DecodesHost(d)) << p.at << " " << p.value;
  }
  {
    std::vector<uint8_t> d = host;
    PutF32(d, 4 + 16, 2.0e9f);  // a position far beyond any map
    EXPECT_FALSE(DecodesHost(d));
  }

  const std::vector<uint8_t> client = EncodeClientBlock(SampleClient());
  const Poke clientPokes[] = {
      {0, 0}, {0, 200}, {204, 3}, {232, static_cast<uint32_t>(-1)}, {404, 999}, {404, static_cast<uint32_t>(-5)},
  };
  for (const Poke& p : clientPokes) {
    std::vector<uint8_t> d = client;
    PutU32(d, p.at, p.value);
    EXPECT_FALSE(DecodesClient(d)) << p.at << " " << p.value;
  }
  for (auto [at, value] : {std::pair{size_t(4), 2.0f}, std::pair{size_t(16), 1.3f}, std::pair{size_t(16), -1.3f}}) {
    std::vector<uint8_t> d = client;
    PutF32(d, at, value);
    EXPECT_FALSE(DecodesClient(d)) << at << " " << value;
  }
  // Words that carry nothing may hold anything.
  std::vector<uint8_t> d = client;
  PutU32(d, 100, 0xdeadbeef);
  PutU32(d, 300, 0xffffffff);
  EXPECT_TRUE(DecodesClient(d));
}

}  // namespace
