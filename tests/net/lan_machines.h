// Two LAN machines in one test process: the host's and the client's globals are swapped in and
// out around each pump, so both sides run the real code over real sockets.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/frame.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/player.h"
#include "game/view.h"
#include "game/lan/net.h"
#include "platform/cursor.h"

// What the hooks saw on one machine.
struct LanHookLog {
  int worldUpdates = 0;
  std::vector<int> respawned;
  std::vector<int> loadedMaps;
};

// The parts of a player record the LAN code reads or writes.
struct LanPlayerPart {
  float health = 100.0f, deathTimer = 0.0f, respawnTimer = 0.0f, pitch = 0.0f;
  Vec3 position, viewDirection = Vec3(1.0f, 0.0f, 0.0f);
  float bobPhase = 0.0f, weaponRaise = 1.0f, shotTimer = 0.0f, weaponLower = 0.0f;
  int32_t currentWeapon = 0, shownWeapon = 0;
  int32_t ammo[10] = {};
  int32_t legsAnimWanted = 0, torsoAnimWanted = 0;
  float torsoPitch = 0.0f, yaw = 0.0f;
};

inline void SwapPlayer(PlayerRecord& p, LanPlayerPart& q) {
  std::swap(p.health, q.health);
  std::swap(p.deathTimer, q.deathTimer);
  std::swap(p.respawnTimer, q.respawnTimer);
  std::swap(p.pitch, q.pitch);
  std::swap(p.position, q.position);
  std::swap(p.viewDirection, q.viewDirection);
  std::swap(p.bobPhase, q.bobPhase);
  std::swap(p.weaponRaise, q.weaponRaise);
  std::swap(p.shotTimer, q.shotTimer);
  std::swap(p.weaponLower, q.weaponLower);
  std::swap(p.currentWeapon, q.currentWeapon);
  std::swap(p.shownWeapon, q.shownWeapon);
  std::swap(p.ammo, q.ammo);
  std::swap(p.legsAnimWanted, q.legsAnimWanted);
  std::swap(p.torsoAnimWanted, q.torsoAnimWanted);
  std::swap(p.torsoPitch, q.torsoPitch);
  std::swap(p.yaw, q.yaw);
}

// Every global one machine's LAN code touches.
struct LanMachine {
  HostBlock host;
  ClientBlock client;
  int socket = kInvalidSocket;
  bool eventsSent = false;
  int netId = 0;
  int accepted = -1;
  int joined = -1;
  ServerEntry servers[5];
  NetAddress lastSender, acceptedAddress, clientPeer, hostAddr;
  float accumulator = 0.0f;
  NetPlayerState snapshot[2], previousSnapshot[2];
  SoundEvent events[kSoundEventSlots];
  int state = 0, mode = 0, map = 1;
  bool keyState[256] = {};
  bool fire = false;
  LanPlayerPart player[2];
  LanHookLog log;

  // Swaps this machine's globals with the process's (twice restores).
  void Swap() {
    std::swap(host, hostBlock);
    std::swap(client, clientBlock);
    std::swap(socket, netSocket);
    std::swap(eventsSent, soundEventsSent);
    std::swap(netId, localNetId);
    std::swap(accepted, acceptedClientId);
    std::swap(joined, joinedHostId);
    std::swap(servers, serverList);
    std::swap(lastSender, lastSenderAddress);
    std::swap(acceptedAddress, acceptedClientAddress);
    std::swap(clientPeer, clientPeerAddress);
    std::swap(hostAddr, hostAddress);
    std::swap(accumulator, netSendAccumulator);
    std::swap(snapshot, hostSnapshot);
    std::swap(previousSnapshot, previousHostSnapshot);
    std::swap(events, soundEvents);
    std::swap(state, gameState);
    std::swap(mode, gameMode);
    std::swap(map, mapNumber);
    std::swap(keyState, keys);
    std::swap(fire, fireHeld);
    for (int i = 0; i < 2; ++i) SwapPlayer(players[i], player[i]);
  }
};

// The machine whose globals are live, for the hooks.
inline LanMachine* activeMachine = nullptr;

inline LanHooks TestHooks() {
  return LanHooks{[] { ++activeMachine->log.worldUpdates; },
                  [](int index) { activeMachine->log.respawned.push_back(index); },
                  [](int map) { activeMachine->log.loadedMaps.push_back(map); }};
}

// Runs f with machine m's globals live.
template <typename F>
void On(LanMachine& m, F&& f) {
  m.Swap();
  activeMachine = &m;
  lanHooks = TestHooks();
  f();
  activeMachine = nullptr;
  m.Swap();
}

inline void ResetLanTestWorld() {
  ResetNet();
  frameStep = 1.0f;
  secondsClock = 0.0f;
  gameState = 0;
  OverrideCursorPos(true, 320, 240);  // mouse look turns nothing
}

inline void CloseMachine(LanMachine& m) {
  On(m, [] { NetCloseSocket(netSocket); });
}
