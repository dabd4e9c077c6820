// The client's side of a LAN game: discovery of hosts, the join, and in the game the host's
// states in and the keys and view out, every 50 ms.
#include <cstddef>
#include <cstdint>

#include "engine/frame.h"
#include "game/game_state.h"
#include "game/world.h"
#include "game/lan/lan_internal.h"
#include "game/lan/net.h"

namespace {

constexpr int kServerRowsUsed = 3;

// A waiting host's reply to a search fills the first free row of 0..2, once per host.
void ListHost(const NetAddress& from) {
  if (hostBlock.state != HOST_WAITING || clientBlock.type != CLIENT_SEARCH || hostBlock.hostId == 0) return;
  for (int i = 0; i < kServerRowsUsed; ++i) {
    if (serverList[i].id == hostBlock.hostId) return;
  }
  for (int i = 0; i < kServerRowsUsed; ++i) {
    if (serverList[i].id == 0) {
      serverList[i] = ServerEntry{hostBlock.hostId, hostBlock.state, hostBlock.mapNumber, from};
      return;
    }
  }
}

// Reads every waiting datagram; a valid one replaces hostBlock. Joining, only replies from the
// address the request went to are taken; in a game, only the joined host's datagrams from there.
void ReceiveHostDatagrams() {
  static uint8_t buffer[kHostBlockSize];
  auto take = [](const uint8_t* data, size_t size, const NetAddress& from) {
    HostBlock incoming;
    if (!DecodeHostBlock(data, size, incoming)) return;
    const bool joining = clientBlock.type == CLIENT_JOIN || clientBlock.type == CLIENT_IN_GAME;
    if (joining && from != hostAddress) return;
    if (clientBlock.type == CLIENT_IN_GAME && incoming.hostId != joinedHostId) return;
    hostBlock = incoming;
    clientPeerAddress = from;
    if (clientBlock.type == CLIENT_IN_GAME) TakeHostSoundEvents();
    ListHost(from);
  };
  ReceiveWaitingDatagrams(netSocket, buffer, sizeof buffer, take);
}

// The host accepted the request: the client's level starts on the host's map.
void CompleteJoin() {
  clientBlock.type = CLIENT_IN_GAME;
  joinedHostId = hostBlock.hostId;
  gameState = 0;
  playerStartPosition.Set(-70.0f, 3.0f, -107.0f);
  playerStartDirection.Set(1.0f, 0.0f, 0.0f);
  gameMode = 2;
  mapNumber = hostBlock.mapNumber;
  lanHooks.loadMap(mapNumber);
}

}  // namespace

void NetClientPump(int, int) {
  ReceiveHostDatagrams();
  if (hostBlock.state == HOST_ACCEPTED && clientBlock.type == CLIENT_JOIN && hostBlock.hostId != 0) {
    CompleteJoin();
  }
  const bool joined = clientBlock.type == CLIENT_IN_GAME && joinedHostId == hostBlock.hostId;
  const bool inMatch = joined && hostBlock.state == HOST_PLAYING;
  if (inMatch) {
    InterpolateRemoteState();
    BuildClientInput();
  } else if (joined) {
    // Joined, but the host has not started the match yet (it does so on this side's next
    // datagram and says so in its answer): a tap now waits for the first datagram of the match,
    // which the host takes after both players have respawned.
    LatchClientPresses();
  }
  if (netSendAccumulator >= 1.0f && clientBlock.type != CLIENT_SEARCH) {
    netSendAccumulator -= 1.0f;
    clientPeerAddress = hostAddress;
    // A chosen server always has an address; without one there is nobody to send to.
    if (hostAddress.ip != 0 && hostAddress.port != 0) {
      const std::vector<uint8_t> datagram = EncodeClientBlock(clientBlock);
      if (UdpSendTo(netSocket, datagram.data(), datagram.size(), hostAddress) < 0) {
        // The socket is gone: the game goes on with the last state it had.
        NetCloseSocket(netSocket);
        return;
      }
      if (inMatch) ForgetSentPresses();
      UnpackHostState();
    }
  }
  netSendAccumulator += 0.2f * frameStep;
}
