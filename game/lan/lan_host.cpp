// The host's side of a LAN game: it receives the client's input, runs the world for both players
// and answers with both players' states, at most once per frame.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/frame.h"
#include "game/lan/lan_internal.h"
#include "game/lan/net.h"

namespace {

// Reads every waiting datagram. A valid one replaces clientBlock (the newest of the frame wins),
// unless a client has been accepted and it carries another id or comes from another address: ids
// travel in every datagram, so the address pins the peer. True when one was taken.
bool ReceiveClientDatagrams() {
  bool received = false;
  uint8_t buffer[kClientBlockSize];
  auto take = [&](const uint8_t* data, size_t size, const NetAddress& from) {
    // Another address is turned away before any decoding: under a flood this is most datagrams.
    if (acceptedClientId != -1 && from != acceptedClientAddress) return;
    ClientBlock incoming;
    if (!DecodeClientBlock(data, size, incoming)) return;
    if (acceptedClientId != -1 && incoming.senderId != acceptedClientId) return;
    clientBlock = incoming;
    lastSenderAddress = from;
    received = true;
  };
  ReceiveWaitingDatagrams(netSocket, buffer, sizeof buffer, take);
  return received;
}

// The join: a request from a client with an id makes it the accepted one; its first datagram from
// inside the game starts the match, and both players respawn.
void AdvanceHandshake() {
  if (clientBlock.type == CLIENT_JOIN && hostBlock.state == HOST_WAITING && clientBlock.senderId != 0) {
    acceptedClientId = clientBlock.senderId;
    acceptedClientAddress = lastSenderAddress;
    hostBlock.state = HOST_ACCEPTED;
    // Nobody else is heard from now on: the system drops everyone else's datagrams before they
    // reach the socket, so a flood from another address cannot crowd out the client's.
    UdpConnect(netSocket, acceptedClientAddress);
  }
  if (clientBlock.type == CLIENT_IN_GAME && hostBlock.state == HOST_ACCEPTED &&
      clientBlock.senderId == acceptedClientId) {
    hostBlock.state = HOST_PLAYING;
    lanHooks.respawnPlayer(0);
    lanHooks.respawnPlayer(1);
  }
}

}  // namespace

void NetHostPump(int, int) {
  const bool received = ReceiveClientDatagrams();
  if (frameStep <= kLongestFrameStep) lanHooks.updateWorld();
  if (netSendAccumulator < 1.0f && !received) {
    netSendAccumulator += 0.2f * frameStep;
    return;
  }
  AdvanceHandshake();
  PackHostState();
  // While waiting, the host answers everyone (a search gets its reply); afterwards only its client,
  // at the address it was accepted from.
  const bool addressKnown = lastSenderAddress.ip != 0 && lastSenderAddress.port != 0;
  const bool accepted = acceptedClientId == clientBlock.senderId && lastSenderAddress == acceptedClientAddress;
  if (addressKnown && (acceptedClientId == -1 || accepted)) {
    const std::vector<uint8_t> datagram = EncodeHostBlock(hostBlock);
    UdpSendTo(netSocket, datagram.data(), datagram.size(), lastSenderAddress);
  }
  // Each received datagram spends a send: bounded below, so that a peer whose clock runs fast (or
  // a burst of datagrams) cannot run up a debt that silences the 50 ms pacing afterwards.
  netSendAccumulator = std::max(netSendAccumulator - 1.0f, -1.0f);
  soundEventsSent = true;
  netSendAccumulator += 0.2f * frameStep;
}
