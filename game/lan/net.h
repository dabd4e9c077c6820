// The LAN match: one UDP socket, the host's and the client's state blocks, and the per-frame
// pumps of both sides. The host runs the whole game and sends both players' states; the client
// sends its keys and view and shows the host's states smoothed between the last two datagrams.
#pragma once

#include <cstdint>

#include "engine/wire/lan_datagrams.h"
#include "platform/udp.h"

constexpr uint16_t NET_PORT = 2000;

// A host found by a search. Rows 0..2 of serverList are used; id 0 is an empty row.
struct ServerEntry {
  int32_t id = 0;
  int32_t state = 1;  // 1 after a reset, 200 when filled
  int32_t mapNumber = 0;
  NetAddress address;  // where the host's reply came from
};
extern ServerEntry serverList[5];

// The one UDP socket of a LAN game; kInvalidSocket when none is open.
extern int netSocket;
extern HostBlock hostBlock;
extern ClientBlock clientBlock;
// LAN kills of the host's player and of the client's player; they travel in hostBlock.
extern int32_t (&scores)[2];
// Host: a datagram went out this frame, so the frame function frees the sound events.
extern bool soundEventsSent;
// Identifies this machine on the LAN (1..998), drawn at every window creation.
extern int localNetId;
// Host: senderId of the accepted client (-1 none). Client: hostId of the joined host (-1 none).
extern int acceptedClientId;
extern int joinedHostId;
// Host: where the last accepted datagram came from; replies go there.
extern NetAddress lastSenderAddress;
// Host: the address the accepted client's join request came from; once a client is accepted,
// only datagrams from there are taken and only there are replies sent.
extern NetAddress acceptedClientAddress;
// Client: from-address of received datagrams and destination of its sends.
extern NetAddress clientPeerAddress;
// Client: the chosen server, set by the connect screen. Joining and in the game, only datagrams
// from this address are taken.
extern NetAddress hostAddress;
// Send pacing: +0.2 x frameStep per frame (20 per second); a send takes 1.0 off.
extern float netSendAccumulator;
// Client: the newest and the previous host states, blended by InterpolateRemoteState.
extern NetPlayerState hostSnapshot[2];
extern NetPlayerState previousHostSnapshot[2];

// Opens the host's socket on port (end of the host's LoadMap) and waits for a client.
void NetHostStart(int port);
// Every frame of a host in play: receive, update the world, answer (the arguments are not read).
void NetHostPump(int port, int unused = 0);
// Every frame of a client in play and of the connect screen's search window.
void NetClientPump(int port, int unused = 0);
// Opens the client socket and sends clientBlock: broadcast for serverIndex -1, else to that row.
void NetClientJoin(uint16_t port, int serverIndex);
// Client: tells the host that this side leaves the match (a datagram of type CLIENT_IDLE).
void NetClientLeave();
// Host: the accepted client has said that it leaves the match.
bool AcceptedClientLeft();
// Closes a socket; when it is netSocket, netSocket becomes kInvalidSocket.
void NetCloseSocket(int socket);
void NetShutdown();

// Host: players[0] and players[1] and the sound events into hostBlock, before every send.
void PackHostState();
// Client: after every send, the newest snapshot becomes the previous and hostBlock the newest.
void UnpackHostState();
// Client: the host's states, blended by the send pacing, into both player records.
void InterpolateRemoteState();
// Client: the keys and the view into clientBlock.
void BuildClientInput();
// Client: the sound events of the last accepted datagram into the game's queue.
void TakeHostSoundEvents();
// Frees every slot of the sound-event queue (the frame function, after the host has sent).
void ClearSoundEvents();

// The game calls the LAN code makes; tests replace them to run the protocol without a level.
struct LanHooks {
  void (*updateWorld)();
  void (*respawnPlayer)(int index);
  void (*loadMap)(int map);
};
extern LanHooks lanHooks;
LanHooks DefaultLanHooks();

// Everything back at its start value (the socket is closed). For tests.
void ResetNet();
