// The client's blend of the last two host states, and the input block it builds.
#include <gtest/gtest.h>

#include "game/lan/lan_internal.h"
#include "net/lan_machines.h"

namespace {

class ClientState : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLanTestWorld();
    for (PlayerRecord& p : players) p.ResetFields();
    for (bool& k : keys) k = false;
    fireHeld = false;
    NetPlayerState& prevHost = previousHostSnapshot[0];
    NetPlayerState& newHost = hostSnapshot[0];
    prevHost.health = 80.0f;
    newHost.health = 40.0f;
    prevHost.position = Vec3(0.0f, 3.0f, 10.0f);
    newHost.position = Vec3(4.0f, 3.0f, 30.0f);
    prevHost.yaw = 10.0f;
    newHost.yaw = 30.0f;
    prevHost.currentWeapon = prevHost.shownWeapon = 1;
    newHost.currentWeapon = newHost.shownWeapon = 4;
    prevHost.legsAnimWanted = 1;
    newHost.legsAnimWanted = 4;
    NetPlayerState& prevMine = previousHostSnapshot[1];
    NetPlayerState& newMine = hostSnapshot[1];
    prevMine.position = Vec3(-10.0f, 3.0f, 0.0f);
    newMine.position = Vec3(-20.0f, 3.0f, 0.0f);
    prevMine.bobPhase = 1.0f;
    newMine.bobPhase = 3.0f;
    prevMine.ammo[1] = 12;
    newMine.ammo[1] = 11;
    prevMine.viewDirection = Vec3(0.0f, 0.0f, -1.0f);  // never applied: the view stays local
    players[0].viewDirection = Vec3(1.0f, 0.0f, 0.0f);
    players[0].pitch = 0.25f;
  }
  void TearDown() override { OverrideCursorPos(false); }
};

TEST_F(ClientState, RightAfterASendThePreviousStateShowsAndOneIntervalLaterTheNewest) {
  netSendAccumulator = 0.0f;
  InterpolateRemoteState();
  EXPECT_EQ(players[1].position.x, 0.0f);
  EXPECT_EQ(players[1].yaw, 10.0f);
  EXPECT_EQ(players[0].position.x, -10.0f);

  netSendAccumulator = 0.5f;
  InterpolateRemoteState();
  EXPECT_FLOAT_EQ(players[1].position.x, 2.0f);
  EXPECT_FLOAT_EQ(players[1].position.z, 20.0f);
  EXPECT_FLOAT_EQ(players[1].yaw, 20.0f);
  EXPECT_FLOAT_EQ(players[0].position.x, -15.0f);
  EXPECT_FLOAT_EQ(players[0].bobPhase, 2.0f);
  // Copied fields come from the previous state, whatever the blend.
  EXPECT_EQ(players[1].health, 80.0f);
  EXPECT_EQ(players[1].shownWeapon, 1);
  EXPECT_EQ(players[1].legsAnimWanted, 1);
  EXPECT_EQ(players[0].ammo[1], 12);
  // This machine's view is its own; the camera follows its player.
  EXPECT_EQ(players[0].viewDirection.x, 1.0f);
  EXPECT_EQ(players[0].pitch, 0.25f);
  EXPECT_FLOAT_EQ(eyePosition.x, -15.0f);
  EXPECT_EQ(lookDirection.x, 1.0f);

  // Beyond one interval the blend holds at the newest state (and never runs before the previous).
  netSendAccumulator = 2.5f;
  InterpolateRemoteState();
  EXPECT_EQ(players[1].position.z, 30.0f);
  netSendAccumulator = -0.5f;
  InterpolateRemoteState();
  EXPECT_EQ(players[1].position.z, 10.0f);
}

TEST_F(ClientState, WithoutANewDatagramBothSnapshotsBecomeEqualAndTheViewStandsStill) {
  hostBlock.players[0] = hostSnapshot[0];
  hostBlock.players[1] = hostSnapshot[1];
  UnpackHostState();
  UnpackHostState();
  netSendAccumulator = 0.7f;
  InterpolateRemoteState();
  EXPECT_EQ(players[1].position.x, 4.0f);
  EXPECT_EQ(players[1].health, 40.0f);
  netSendAccumulator = 0.1f;
  InterpolateRemoteState();
  EXPECT_EQ(players[1].position.x, 4.0f);
}

TEST_F(ClientState, KeysAreSentHeldOnlyInPlay) {
  keys['W'] = true;
  keys[VK_RIGHT] = true;
  keys['E'] = true;
  fireHeld = true;
  secondsClock = 12.0f;
  hostBlock.hostClock = 7.5f;
  gameState = 0;
  BuildClientInput();
  EXPECT_EQ(clientBlock.forwardKey, 2);
  EXPECT_EQ(clientBlock.backKey, 1);
  EXPECT_EQ(clientBlock.strafeLeftKey, 1);
  EXPECT_EQ(clientBlock.strafeRightKey, 2);
  EXPECT_EQ(clientBlock.fireKey, 2);
  EXPECT_EQ(clientBlock.spaceKey, 1);
  EXPECT_EQ(clientBlock.nextWeaponKey, 2);
  EXPECT_EQ(clientBlock.previousWeaponKey, 1);
  EXPECT_EQ(clientBlock.viewDirection.x, 1.0f);
  EXPECT_EQ(clientBlock.pitch, 0.25f);
  EXPECT_EQ(clientBlock.clientClock, 12.0f);
  EXPECT_EQ(clientBlock.hostClockEcho, 7.5f);
  // A datagram has carried those presses and the pause menu is open: the same keys travel as
  // released.
  ForgetSentPresses();
  gameState = 4;
  BuildClientInput();
  EXPECT_EQ(clientBlock.forwardKey, 1);
  EXPECT_EQ(clientBlock.strafeRightKey, 1);
  EXPECT_EQ(clientBlock.fireKey, 1);
  EXPECT_EQ(clientBlock.nextWeaponKey, 1);
}

TEST_F(ClientState, TheHostPacksBothPlayersButNotTheClientsView) {
  players[0].position = Vec3(1.0f, 2.0f, 3.0f);
  players[0].viewDirection = Vec3(0.0f, 0.0f, 1.0f);
  players[1].position = Vec3(4.0f, 5.0f, 6.0f);
  players[1].viewDirection = Vec3(0.0f, 1.0f, 0.0f);
  players[1].ammo[2] = 5;
  clientBlock.clientClock = 3.5f;
  secondsClock = 9.0f;
  soundEvents[2] = SoundEvent{21, Vec3(1.0f, 4.0f, 3.0f), 1};
  PackHostState();
  EXPECT_EQ(hostBlock.players[0].position.z, 3.0f);
  EXPECT_EQ(hostBlock.players[0].viewDirection.z, 1.0f);
  EXPECT_EQ(hostBlock.players[1].position.y, 5.0f);
  EXPECT_EQ(hostBlock.players[1].viewDirection.y, 0.0f);
  EXPECT_EQ(hostBlock.players[1].ammo[2], 5);
  EXPECT_EQ(hostBlock.clientClockEcho, 3.5f);
  EXPECT_EQ(hostBlock.hostClock, 9.0f);
  EXPECT_EQ(hostBlock.soundEvents[2].code, 21);
  EXPECT_EQ(hostBlock.soundEvents[2].done, 1);
  // What the host packs is always a datagram the client accepts.
  hostBlock.state = HOST_PLAYING;
  hostBlock.hostId = 5;
  hostBlock.mapNumber = 1;
  const std::vector<uint8_t> d = EncodeHostBlock(hostBlock);
  HostBlock back;
  EXPECT_TRUE(DecodeHostBlock(d.data(), d.size(), back));
  ClearSoundEvents();
  EXPECT_EQ(soundEvents[2].code, -1);
}

}  // namespace
