// The LAN globals, the opening of the host's and the client's sockets, and shutdown.
#include "game/lan/net.h"

#include "game/game_state.h"
#include "game/world.h"
#include "game/lan/lan_internal.h"

HostBlock hostBlock;
ClientBlock clientBlock;
int32_t (&scores)[2] = hostBlock.scores;
bool soundEventsSent = false;
int localNetId = 0;
int acceptedClientId = -1;
int joinedHostId = -1;
ServerEntry serverList[5];
NetAddress lastSenderAddress;
NetAddress acceptedClientAddress;
NetAddress clientPeerAddress;
NetAddress hostAddress;
int netSocket = kInvalidSocket;
float netSendAccumulator = 0.0f;
NetPlayerState hostSnapshot[2];
NetPlayerState previousHostSnapshot[2];

LanHooks DefaultLanHooks() {
  return LanHooks{UpdateWorld, RespawnPlayerByIndex, [](int map) { LoadMap(map, 1, 1); }};
}
LanHooks lanHooks = DefaultLanHooks();

namespace {

// A socket left open by an earlier game or search is closed before a new one takes its place.
void CloseNetSocket() {
  UdpClose(netSocket);
}

}  // namespace

void NetHostStart(int port) {
  CloseNetSocket();
  if (port < 0 || port > 65535) return;
  int s = UdpOpen();
  if (s == kInvalidSocket) return;
  if (!UdpBind(s, static_cast<uint16_t>(port))) {
    UdpClose(s);
    return;
  }
  UdpSetBroadcast(s, true);
  UdpSetReceiveBuffer(s, kNetReceiveBufferBytes);
  netSocket = s;
  acceptedClientId = -1;
  clientBlock.senderId = 0;
  hostBlock.hostId = localNetId;
  hostBlock.state = HOST_WAITING;
  hostBlock.mapNumber = mapNumber;
  scores[0] = scores[1] = 0;
  clientBlock.type = CLIENT_IDLE;
  // Nobody has written yet: the host sends nothing until a datagram tells it where to.
  lastSenderAddress = acceptedClientAddress = NetAddress{};
}

void NetClientJoin(uint16_t port, int serverIndex) {
  CloseNetSocket();
  netSocket = UdpOpen();
  if (netSocket == kInvalidSocket) return;
  UdpSetReceiveBuffer(netSocket, kNetReceiveBufferBytes);
  clientPeerAddress = NetAddress{0, port};
  // The request carries this machine's id, so that the host accepts the sender of the very
  // datagram it answers.
  clientBlock.senderId = localNetId;
  const std::vector<uint8_t> datagram = EncodeClientBlock(clientBlock);
  if (serverIndex == -1) {
    UdpSetBroadcast(netSocket, true);
    UdpSendTo(netSocket, datagram.data(), datagram.size(), NetAddress{kBroadcastIp, port});
  } else if (serverIndex >= 0 && serverIndex < 3) {
    const NetAddress to = serverList[serverIndex].address;
    if (to.ip != 0 && to.port != 0) UdpSendTo(netSocket, datagram.data(), datagram.size(), to);
  }
  joinedHostId = -1;
  ForgetSentPresses();
  hostBlock.hostId = 0;
  hostBlock.state = HOST_IDLE;
  for (ServerEntry& e : serverList) {
    e.id = 0;
    e.state = 1;
  }
}

void NetClientLeave() {
  clientBlock.type = CLIENT_IDLE;
  if (hostAddress.ip == 0 || hostAddress.port == 0) return;
  // Sent more than once: one lost datagram would leave the host waiting for good.
  const std::vector<uint8_t> datagram = EncodeClientBlock(clientBlock);
  for (int i = 0; i < 3; ++i) UdpSendTo(netSocket, datagram.data(), datagram.size(), hostAddress);
}

bool AcceptedClientLeft() {
  return acceptedClientId != -1 && (hostBlock.state == HOST_ACCEPTED || hostBlock.state == HOST_PLAYING) &&
         clientBlock.type == CLIENT_IDLE && clientBlock.senderId == acceptedClientId;
}

void NetCloseSocket(int socket) {
  if (socket == netSocket) netSocket = kInvalidSocket;
  UdpClose(socket);
}

void NetShutdown() {
  clientBlock.type = CLIENT_IDLE;
  hostBlock.state = HOST_IDLE;
}

void ResetNet() {
  CloseNetSocket();
  hostBlock = HostBlock{};
  clientBlock = ClientBlock{};
  soundEventsSent = false;
  acceptedClientId = -1;
  joinedHostId = -1;
  for (ServerEntry& e : serverList) e = ServerEntry{};
  lastSenderAddress = acceptedClientAddress = clientPeerAddress = hostAddress = NetAddress{};
  netSendAccumulator = 0.0f;
  ForgetSentPresses();
  for (int i = 0; i < 2; ++i) hostSnapshot[i] = previousHostSnapshot[i] = NetPlayerState{};
  lanHooks = DefaultLanHooks();
}
