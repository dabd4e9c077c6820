// The LAN match: host and client pumps and the state they share with the frame function.
#pragma once

#include <cstdint>

// Host states (hostBlock.state) and client message types (clientBlock.type).
constexpr int HOST_IDLE = 1;
constexpr int HOST_WAITING = 200;
constexpr int HOST_ACCEPTED = 300;
constexpr int HOST_PLAYING = 400;
constexpr int CLIENT_IDLE = 1;
constexpr int CLIENT_SEARCH = 50;
constexpr int CLIENT_JOIN = 100;
constexpr int CLIENT_IN_GAME = 400;

constexpr uint16_t NET_PORT = 2000;
constexpr int kInvalidSocket = -1;

struct HostBlockHeader {
  int state = 0;
  int hostId = 0;
};
struct ClientBlockHeader {
  int type = 0;
};

// An IPv4 address and port (host byte order).
struct NetAddress {
  uint32_t ip = 0;
  uint16_t port = 0;
};

// A host found by a search. Rows 0..2 of serverList are used; id 0 is an empty row.
struct ServerEntry {
  int32_t id = 0;
  int32_t state = 1;
  int32_t mapNumber = 0;
  NetAddress address;
};
extern ServerEntry serverList[5];
// The server the client joins.
extern NetAddress hostAddress;
// The one UDP socket of a LAN game; kInvalidSocket when none is open.
extern int netSocket;

extern HostBlockHeader hostBlock;
extern ClientBlockHeader clientBlock;
extern bool soundEventsSent;
extern int scores[2];
// Identifies this machine on the LAN (1..998), drawn at every window creation.
extern int localNetId;

void NetHostPump(int port);
void NetClientPump(int port);
void ClearSoundEvents();
// Opens the client socket and sends clientBlock: broadcast for serverIndex -1, else to that row.
void NetClientJoin(uint16_t port, int serverIndex);
void NetCloseSocket(int socket);
void NetShutdown();
// Opens the host's socket at the end of a host's level load.
void NetHostStart(int port);
