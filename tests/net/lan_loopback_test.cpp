// A host and a client in one process exchanging real datagrams over 127.0.0.1 (no broadcast):
// the join, the states and inputs that travel, pacing, and datagrams from strangers.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <limits>
#include <thread>

#include "game/world.h"
#include "game/lan/lan_internal.h"
#include "net/lan_machines.h"

namespace {

class LanLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLanTestWorld();
    host.netId = 111;
    host.map = 4;
    host.mode = 1;
    client.netId = 222;
    client.mode = 2;
    On(host, [&] {
      NetHostStart(0);  // any free port: the tests never take the game's port outside a namespace
      hostPort = UdpLocalPort(netSocket);
    });
    ASSERT_NE(hostPort, 0);
  }
  void TearDown() override {
    CloseMachine(host);
    CloseMachine(client);
    int s = stranger;
    UdpClose(s);
    OverrideCursorPos(false);
  }

  void HostFrame() {
    On(host, [] { NetHostPump(NET_PORT); });
  }
  void ClientFrame() {
    On(client, [] { NetClientPump(NET_PORT); });
  }
  // Host and client frames in turn, with a pause for delivery.
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      HostFrame();
      std::this_thread::sleep_for(std::chrono::microseconds(300));
      ClientFrame();
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  }
  // The connect screen's click on server row 0, listed with the host's address.
  void ClickServerRow() {
    On(client, [&] {
      serverList[0] = ServerEntry{111, HOST_WAITING, 4, NetAddress{kLoopbackIp, hostPort}};
      hostAddress = serverList[0].address;
      clientBlock.type = CLIENT_JOIN;
      NetClientJoin(NET_PORT, 0);
    });
  }
  void Join() {
    ClickServerRow();
    for (int i = 0; i < 200 && !(host.host.state == HOST_PLAYING && client.client.type == CLIENT_IN_GAME); ++i) {
      Frames(1);
    }
    ASSERT_EQ(host.host.state, HOST_PLAYING);
    ASSERT_EQ(client.client.type, CLIENT_IN_GAME);
  }
  // Reads what arrived on the stranger's socket: the number of host datagrams and the last one.
  int StrangerReceives(HostBlock* last = nullptr) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    int count = 0;
    uint8_t buffer[kHostBlockSize];
    size_t length = 0;
    NetAddress from;
    while (UdpReceiveFrom(stranger, buffer, sizeof buffer, &length, &from) == UdpReceive::Datagram) {
      HostBlock b;
      if (DecodeHostBlock(buffer, length, b)) {
        ++count;
        if (last) *last = b;
      }
    }
    return count;
  }
  void StrangerSends(const ClientBlock& b) {
    const std::vector<uint8_t> d = EncodeClientBlock(b);
    ASSERT_EQ(UdpSendTo(stranger, d.data(), d.size(), NetAddress{kLoopbackIp, hostPort}), int(d.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  // One client frame as the shell runs it; with tap, the fire button, Space, E and Q are pressed
  // and released before it (the window procedure keeps them down for that one frame).
  void ClientFrameWithTap(bool tap) {
    On(client, [&] {
      if (tap) {
        GameWindowProc(Message{WM_LBUTTONDOWN, 0, MakeLParam(320, 240)});
        for (int key : {VK_SPACE, int('E'), int('Q')}) GameWindowProc(Message{WM_KEYDOWN, uintptr_t(key), 0});
        GameWindowProc(Message{WM_LBUTTONUP, 0, MakeLParam(320, 240)});
        for (int key : {VK_SPACE, int('E'), int('Q')}) GameWindowProc(Message{WM_KEYUP, uintptr_t(key), 0});
      }
      NetClientPump(NET_PORT);
      ReleaseTappedInput();  // the shell's loop, after the frame
    });
  }
  // Taps of fire, Space, E and Q seen at the host: a slot of its last client datagram that has
  // turned to 2 since the previous look.
  struct TapsAtHost {
    int seen[4] = {};
    int32_t before[4] = {1, 1, 1, 1};
    // The number of slots that turned to 2.
    int Look(const ClientBlock& c) {
      const int32_t now[4] = {c.fireKey, c.spaceKey, c.nextWeaponKey, c.previousWeaponKey};
      int turned = 0;
      for (int i = 0; i < 4; ++i) {
        if (now[i] == 2 && before[i] != 2) ++seen[i], ++turned;
        before[i] = now[i];
      }
      return turned;
    }
  };

  LanMachine host, client;
  uint16_t hostPort = 0;
  int stranger = UdpOpen();
};

TEST_F(LanLoopback, ACompleteJoinStartsTheMatchOnBothSides) {
  EXPECT_EQ(host.host.state, HOST_WAITING);
  EXPECT_EQ(host.host.hostId, 111);
  EXPECT_EQ(host.host.mapNumber, 4);
  ClickServerRow();
  // The request went out at once: the host accepts it in its next frame and answers.
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  HostFrame();
  EXPECT_EQ(host.host.state, HOST_ACCEPTED);
  EXPECT_EQ(host.accepted, 222);
  EXPECT_EQ(host.log.worldUpdates, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ClientFrame();
  EXPECT_EQ(client.client.type, CLIENT_IN_GAME);
  EXPECT_EQ(client.joined, 111);
  EXPECT_EQ(client.map, 4);
  EXPECT_EQ(client.mode, 2);
  EXPECT_EQ(client.state, 0);
  ASSERT_EQ(client.log.loadedMaps, std::vector<int>{4});
  EXPECT_EQ(playerStartPosition.x, -70.0f);
  EXPECT_EQ(playerStartPosition.z, -107.0f);
  // The client's next send (one pacing interval later) tells the host it is in the game.
  for (int i = 0; i < 40 && host.host.state != HOST_PLAYING; ++i) Frames(1);
  EXPECT_EQ(host.host.state, HOST_PLAYING);
  EXPECT_EQ(host.log.respawned, (std::vector<int>{0, 1}));
  // The search rows were reset by the join.
  EXPECT_EQ(client.servers[0].id, 0);
}

TEST_F(LanLoopback, StatesFlowToTheClientAndInputToTheHost) {
  Join();
  host.player[0].position = Vec3(12.0f, 3.0f, -40.0f);
  host.player[0].health = 55.0f;
  host.player[1].position = Vec3(-8.0f, 3.0f, 20.0f);
  host.player[1].ammo[0] = 37;
  host.host.scores[0] = 4;
  host.events[0] = SoundEvent{22, Vec3(12.0f, 5.0f, -40.0f), 1};
  client.keyState['W'] = true;
  client.keyState[VK_LEFT] = true;
  client.player[0].viewDirection = Vec3(0.0f, 0.0f, 1.0f);
  client.player[0].pitch = 0.5f;
  // Two client sends later both snapshots hold the host's new state.
  for (int i = 0; i < 60 && client.previousSnapshot[0].position.x != 12.0f; ++i) Frames(1);
  EXPECT_EQ(client.snapshot[0].position.x, 12.0f);
  EXPECT_EQ(client.previousSnapshot[0].position.x, 12.0f);
  Frames(1);
  // The client shows the host's player as its players[1], its own player as players[0].
  EXPECT_EQ(client.player[1].position.x, 12.0f);
  EXPECT_EQ(client.player[1].health, 55.0f);
  EXPECT_EQ(client.player[0].position.z, 20.0f);
  EXPECT_EQ(client.player[0].ammo[0], 37);
  EXPECT_EQ(client.host.scores[0], 4);
  // The host received the keys and the view.
  EXPECT_EQ(host.client.forwardKey, 2);
  EXPECT_EQ(host.client.strafeLeftKey, 2);
  EXPECT_EQ(host.client.backKey, 1);
  EXPECT_EQ(host.client.viewDirection.z, 1.0f);
  EXPECT_EQ(host.client.pitch, 0.5f);
  EXPECT_EQ(host.client.senderId, 222);
}

TEST_F(LanLoopback, TheClientPlaysTheSoundEventsOfTheHostsDatagrams) {
  Join();
  // The host queues an event; its next send carries it, then the frame function frees it.
  host.events[3] = SoundEvent{31, Vec3(1.0f, 2.0f, 3.0f), 0};
  host.eventsSent = false;
  bool seen = false;
  for (int i = 0; i < 30 && !seen; ++i) {
    HostFrame();
    if (host.eventsSent) {
      host.eventsSent = false;
      On(host, [] { ClearSoundEvents(); });
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    ClientFrame();
    seen = client.events[3].code == 31;
  }
  EXPECT_TRUE(seen);
  EXPECT_EQ(client.events[3].position.y, 2.0f);
  EXPECT_EQ(host.events[3].code, -1);
}

TEST_F(LanLoopback, TheHostIsSilentUntilPacedOrAskedAndThenAnswersAtOnce) {
  // Nothing arrives: the host sends nothing (it knows nobody) while the pacing fills.
  for (int i = 0; i < 4; ++i) HostFrame();
  EXPECT_FLOAT_EQ(host.accumulator, 0.8f);
  EXPECT_EQ(StrangerReceives(), 0);
  // A search request is answered in the same frame, with the host's id and map.
  ClientBlock search;
  search.type = CLIENT_SEARCH;
  search.senderId = 5;
  StrangerSends(search);
  HostFrame();
  HostBlock reply;
  EXPECT_EQ(StrangerReceives(&reply), 1);
  EXPECT_EQ(reply.state, HOST_WAITING);
  EXPECT_EQ(reply.hostId, 111);
  EXPECT_EQ(reply.mapNumber, 4);
  EXPECT_EQ(host.host.state, HOST_WAITING);
  EXPECT_TRUE(host.eventsSent);
}

TEST_F(LanLoopback, StrangersAndGarbageDoNotDisturbAnAcceptedClient) {
  ClickServerRow();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  HostFrame();
  ASSERT_EQ(host.host.state, HOST_ACCEPTED);
  StrangerReceives();
  // A stranger claims to be in the game: the host neither starts the match nor answers.
  ClientBlock claim;
  claim.type = CLIENT_IN_GAME;
  claim.senderId = 333;
  claim.forwardKey = 2;
  StrangerSends(claim);
  HostFrame();
  EXPECT_EQ(host.host.state, HOST_ACCEPTED);
  EXPECT_NE(host.client.senderId, 333);
  EXPECT_EQ(StrangerReceives(), 0);
  // Short, long and out-of-range datagrams are dropped.
  std::vector<uint8_t> d = EncodeClientBlock(claim);
  d.resize(100);
  UdpSendTo(stranger, d.data(), d.size(), NetAddress{kLoopbackIp, hostPort});
  d.assign(2000, 0xff);
  UdpSendTo(stranger, d.data(), d.size(), NetAddress{kLoopbackIp, hostPort});
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const ClientBlock before = host.client;
  HostFrame();
  EXPECT_EQ(EncodeClientBlock(host.client), EncodeClientBlock(before));
  // The real client still completes the join.
  for (int i = 0; i < 60 && host.host.state != HOST_PLAYING; ++i) Frames(1);
  EXPECT_EQ(host.host.state, HOST_PLAYING);
}

TEST_F(LanLoopback, JoiningAndInTheGameEachSideTakesOnlyItsPeersAddressAndId) {
  ClickServerRow();
  uint16_t clientPort = 0;
  On(client, [&] { clientPort = UdpLocalPort(netSocket); });
  ASSERT_NE(clientPort, 0);
  const NetAddress clientAt{kLoopbackIp, clientPort};
  auto hostDatagram = [](int state, int id, int map, int score) {
    HostBlock b;
    b.state = state;
    b.hostId = id;
    b.mapNumber = map;
    b.scores[0] = b.scores[1] = score;
    return EncodeHostBlock(b);
  };
  // Joining: an acceptance from another address than the one asked is no join.
  std::vector<uint8_t> d = hostDatagram(HOST_ACCEPTED, 555, 9, 0);
  UdpSendTo(stranger, d.data(), d.size(), clientAt);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ClientFrame();
  EXPECT_EQ(client.client.type, CLIENT_JOIN);
  EXPECT_TRUE(client.log.loadedMaps.empty());
  for (int i = 0; i < 60 && host.host.state != HOST_PLAYING; ++i) Frames(1);
  ASSERT_EQ(host.host.state, HOST_PLAYING);
  EXPECT_EQ(client.log.loadedMaps, std::vector<int>{4});
  Frames(3);

  // In the game: the joined host's id from a stranger's address, and another id from the host's
  // own address, change nothing on the client.
  d = hostDatagram(HOST_PLAYING, 111, 4, 9);
  UdpSendTo(stranger, d.data(), d.size(), clientAt);
  d = hostDatagram(HOST_PLAYING, 555, 4, 7);
  UdpSendTo(host.socket, d.data(), d.size(), clientAt);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ClientFrame();
  EXPECT_EQ(client.host.scores[0], 0);
  EXPECT_EQ(client.host.hostId, 111);

  // The accepted client's id from a stranger's address: the host neither takes it nor answers.
  StrangerReceives();
  ClientBlock spoof = host.client;
  spoof.forwardKey = 2;
  spoof.viewDirection = Vec3(0.0f, 0.0f, -1.0f);
  StrangerSends(spoof);
  host.accumulator = 1.0f;
  HostFrame();
  EXPECT_EQ(host.client.forwardKey, 1);
  EXPECT_NE(host.client.viewDirection.z, -1.0f);
  EXPECT_EQ(host.lastSender, clientAt);
  EXPECT_EQ(StrangerReceives(), 0);
}

TEST_F(LanLoopback, AHostBacklogIsDrainedAtOnceAndTheNewestInputCounts) {
  Join();
  Frames(2);
  // The host stalled while the client kept sending: 150 datagrams wait, the last one newest.
  On(client, [&] {
    for (int i = 0; i < 150; ++i) {
      clientBlock.forwardKey = i < 149 ? 2 : 1;
      clientBlock.clientClock = float(i);
      const std::vector<uint8_t> d = EncodeClientBlock(clientBlock);
      ASSERT_EQ(UdpSendTo(netSocket, d.data(), d.size(), hostAddress), int(d.size()));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  HostFrame();
  EXPECT_EQ(host.client.clientClock, 149.0f);
  EXPECT_EQ(host.client.forwardKey, 1);

  // A peer that sends in every frame of a fast host, then vanishes: the host's send budget stays
  // bounded, so its own 50 ms pacing resumes at once.
  frameStep = 0.5f;
  for (int i = 0; i < 100; ++i) {
    On(client, [] {
      const std::vector<uint8_t> d = EncodeClientBlock(clientBlock);
      UdpSendTo(netSocket, d.data(), d.size(), hostAddress);
    });
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    HostFrame();
  }
  EXPECT_GE(host.accumulator, -1.0f);
  On(client, [] {
    uint8_t b[kHostBlockSize];
    size_t n = 0;
    NetAddress from;
    while (UdpReceiveFrom(netSocket, b, sizeof b, &n, &from) != UdpReceive::Empty) {
    }
  });
  int silentFrames = 0;
  for (bool sent = false; !sent && silentFrames < 200; ++silentFrames) {
    host.eventsSent = false;
    HostFrame();
    sent = host.eventsSent;
  }
  EXPECT_LE(silentFrames, 21);  // 20 frames of 5 ms refill the budget from -1 to 1
}

// At 60 frames per second the client sends every third frame. Taps of the fire button, Space, E
// and Q, each pressed and released between two frames (the window procedure keeps them down for
// that one frame), all reach the host once, whatever frame of the send cycle they fall in.
TEST_F(LanLoopback, EveryOneFrameTapOfTheClientReachesTheHostOnce) {
  Join();
  frameStep = 100.0f / 60.0f;
  Frames(12);  // both snapshots hold the host's state: the client's player is alive
  ASSERT_GT(client.player[0].health, 0.0f);
  constexpr int kTaps = 30;
  TapsAtHost taps;
  // A tap every seventh frame walks through every phase of the three-frame send cycle.
  for (int frame = 0; frame < kTaps * 7 + 6; ++frame) {
    HostFrame();
    taps.Look(host.client);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    ClientFrameWithTap(frame % 7 == 0 && frame < kTaps * 7);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  EXPECT_EQ(taps.seen[0], kTaps) << "fire";
  EXPECT_EQ(taps.seen[1], kTaps) << "Space";
  EXPECT_EQ(taps.seen[2], kTaps) << "E";
  EXPECT_EQ(taps.seen[3], kTaps) << "Q";
}

// The first frames after the join, before the host's first state of the match (the host starts
// it on the client's next datagram): a tap then is kept for the match and reaches the host once,
// after both players have respawned.
TEST_F(LanLoopback, AOneFrameTapRightAfterTheJoinReachesTheHostInTheMatch) {
  frameStep = 100.0f / 60.0f;
  ClickServerRow();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  HostFrame();
  ASSERT_EQ(host.host.state, HOST_ACCEPTED);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ClientFrame();
  ASSERT_EQ(client.client.type, CLIENT_IN_GAME);
  ASSERT_NE(client.host.state, HOST_PLAYING);
  TapsAtHost taps;
  for (int frame = 0; frame < 30; ++frame) {
    const bool playing = host.host.state == HOST_PLAYING;
    HostFrame();
    if (taps.Look(host.client) > 0) {
      EXPECT_TRUE(playing) << "frame " << frame;
      EXPECT_EQ(host.log.respawned, (std::vector<int>{0, 1}));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    ClientFrameWithTap(frame == 0);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  EXPECT_EQ(host.host.state, HOST_PLAYING);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(taps.seen[i], 1) << "slot " << i;
}

TEST_F(LanLoopback, EveryHostDatagramOfAFrameBringsItsSoundEvents) {
  Join();
  Frames(2);
  // Two datagrams reach the client before its next frame, each with its own events.
  host.events[0] = SoundEvent{12, Vec3(1.0f, 2.0f, 3.0f), 1};
  host.events[1] = SoundEvent{kEventHostSteps, Vec3(), 1};
  host.accumulator = 1.0f;
  HostFrame();
  On(host, [] { ClearSoundEvents(); });
  host.events[0] = SoundEvent{kEventClientHit, Vec3(4.0f, 5.0f, 6.0f), 0};
  host.events[1] = SoundEvent{kEventHostStill, Vec3(), 1};
  host.accumulator = 1.0f;
  HostFrame();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ClientFrame();
  int shots = 0, hits = 0, steps = 0, still = 0;
  for (const SoundEvent& e : client.events) {
    shots += e.code == 12 && e.position.z == 3.0f;
    hits += e.code == kEventClientHit && e.position.z == 6.0f;
    steps += e.code == kEventHostSteps;
    still += e.code == kEventHostStill;
  }
  EXPECT_EQ(shots, 1);
  EXPECT_EQ(hits, 1);
  // The newer footstep state replaces the older one.
  EXPECT_EQ(steps, 0);
  EXPECT_EQ(still, 1);
}

TEST_F(LanLoopback, SearchRepliesFillOneRowPerWaitingHost) {
  // The client listens as the connect screen's search does (the broadcast itself is tested in a
  // namespace of its own); three hosts answer by hand.
  uint16_t clientPort = 0;
  On(client, [&] {
    netSocket = UdpOpen();
    ASSERT_TRUE(UdpBind(netSocket, 0));
    clientPort = UdpLocalPort(netSocket);
    clientBlock.type = CLIENT_SEARCH;
  });
  auto answer = [&](int id, int state, int map) {
    HostBlock b;
    b.state = state;
    b.hostId = id;
    b.mapNumber = map;
    const std::vector<uint8_t> d = EncodeHostBlock(b);
    UdpSendTo(stranger, d.data(), d.size(), NetAddress{kLoopbackIp, clientPort});
  };
  answer(40, HOST_WAITING, 2);
  answer(40, HOST_WAITING, 2);
  answer(50, HOST_PLAYING, 3);
  answer(60, HOST_WAITING, 9);
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ClientFrame();
  EXPECT_EQ(client.servers[0].id, 40);
  EXPECT_EQ(client.servers[0].mapNumber, 2);
  EXPECT_EQ(client.servers[0].state, HOST_WAITING);
  EXPECT_EQ(client.servers[0].address, (NetAddress{kLoopbackIp, UdpLocalPort(stranger)}));
  EXPECT_EQ(client.servers[1].id, 60);
  EXPECT_EQ(client.servers[2].id, 0);
  // A search sends nothing itself, however long the pacing runs.
  EXPECT_EQ(client.client.type, CLIENT_SEARCH);
}

TEST_F(LanLoopback, AClientWhoseSocketFailsKeepsItsLastStateQuietly) {
  Join();
  Frames(5);
  const Vec3 before = client.player[1].position;
  // The socket goes away under the client: its next send fails, and the socket is dropped once.
  On(client, [] {
    int s = netSocket;
    UdpClose(s);  // the descriptor is gone; netSocket still names it
    netSocket = 1 << 20;  // a number that is no descriptor at all
  });
  for (int i = 0; i < 10; ++i) ClientFrame();
  EXPECT_EQ(client.socket, kInvalidSocket);
  EXPECT_EQ(client.player[1].position.x, before.x);
  EXPECT_EQ(client.client.type, CLIENT_IN_GAME);
}

TEST(LanLoopbackGuard, TestProgramsSendNothingBeyondLoopback) {
  int s = UdpOpen();
  ASSERT_NE(s, kInvalidSocket);
  const uint8_t byte = 0;
  EXPECT_EQ(UdpSendTo(s, &byte, 1, NetAddress{0x0a000002u, 9}), -1);
  EXPECT_EQ(UdpSendTo(s, &byte, 1, NetAddress{kBroadcastIp, 9}), -1);
  ASSERT_TRUE(UdpSetBroadcast(s, true));
  EXPECT_EQ(UdpSendTo(s, &byte, 1, NetAddress{kBroadcastIp, 9}), -1);
  UdpClose(s);
  UdpClose(s);  // closing twice is harmless
  EXPECT_EQ(s, kInvalidSocket);
}

TEST(LanLoopbackGuard, AFloodIsReadUntilEmptyOrUpToTheBoundPerFrame) {
  int s = UdpOpen();
  ASSERT_TRUE(UdpBind(s, 0));
  const NetAddress self{kLoopbackIp, UdpLocalPort(s)};
  for (uint8_t i = 0; i < 5; ++i) ASSERT_EQ(UdpSendTo(s, &i, 1, self), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  uint8_t buffer[kClientBlockSize];
  std::vector<uint8_t> taken;
  auto take = [&](const uint8_t* data, size_t, const NetAddress&) { taken.push_back(data[0]); };
  ReceiveWaitingDatagrams(s, buffer, sizeof buffer, take, 3);
  EXPECT_EQ(taken, (std::vector<uint8_t>{0, 1, 2}));
  ReceiveWaitingDatagrams(s, buffer, sizeof buffer, take, 3);
  EXPECT_EQ(taken, (std::vector<uint8_t>{0, 1, 2, 3, 4}));

  // The game's socket holds what a flood of 100,000 client blocks a second brings in the longest
  // frame (50 ms), and a frame reads until the socket is empty: the peer's datagram after them is
  // not lost. Without time to spare, a frame stops at the first check of the clock.
  const int size = UdpSetReceiveBuffer(s, kNetReceiveBufferBytes);
  int peer = UdpOpen();
  const std::vector<uint8_t> block(kClientBlockSize, 1);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(UdpSendTo(peer, block.data(), block.size(), self), int(block.size()));
  const uint8_t last = 2;
  ASSERT_EQ(UdpSendTo(s, &last, 1, self), 1);
  UdpClose(peer);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  taken.clear();
  const int unbounded = std::numeric_limits<int>::max();
  ReceiveWaitingDatagrams(s, buffer, sizeof buffer, take, unbounded, std::chrono::nanoseconds(0));
  EXPECT_EQ(taken.size(), 64u);
  ReceiveWaitingDatagrams(s, buffer, sizeof buffer, take, unbounded, std::chrono::seconds(10));
  UdpClose(s);
  // Linux doubles the size asked for, up to twice its limit, and charges 1,280 bytes a block.
  long limit = 0;
  std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
  if (2 * limit < 5001 * 1280) {
    GTEST_SKIP() << "the system allows receive buffers of " << 2 * limit << " bytes only (net.core.rmem_max)";
  }
  EXPECT_GE(size, 5001 * 1280);
  EXPECT_EQ(taken.size(), 5001u);
  ASSERT_FALSE(taken.empty());
  EXPECT_EQ(taken.back(), 2);
}

TEST(LanLoopbackGuard, ADatagramLongerThanTheBufferIsReportedCut) {
  int s = UdpOpen();
  ASSERT_TRUE(UdpBind(s, 0));
  const NetAddress self{kLoopbackIp, UdpLocalPort(s)};
  const std::vector<uint8_t> big(2000, 7);
  ASSERT_EQ(UdpSendTo(s, big.data(), big.size(), self), 2000);
  ASSERT_EQ(UdpSendTo(s, big.data(), 100, self), 100);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  uint8_t buffer[408];
  size_t length = 0;
  NetAddress from;
  EXPECT_EQ(UdpReceiveFrom(s, buffer, sizeof buffer, &length, &from), UdpReceive::Truncated);
  EXPECT_EQ(length, 2000u);
  EXPECT_EQ(UdpReceiveFrom(s, buffer, sizeof buffer, &length, &from), UdpReceive::Datagram);
  EXPECT_EQ(length, 100u);
  EXPECT_EQ(from, self);
  EXPECT_EQ(UdpReceiveFrom(s, buffer, sizeof buffer, &length, &from), UdpReceive::Empty);
  UdpClose(s);
  EXPECT_EQ(UdpReceiveFrom(s, buffer, sizeof buffer, &length, &from), UdpReceive::Empty);
  EXPECT_EQ(UdpSendTo(s, big.data(), 1, self), -1);
}

}  // namespace
