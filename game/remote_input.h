// What the host's update of the remote player reads from the client's datagram: the client's view
// and its key slots (2 held, 1 released, 0 before the first input).
#pragma once

#include <cstdint>

struct RemoteInput {
  float viewDirection[3] = {1.0f, 0.0f, 0.0f};
  float pitch = 0.0f;
  int32_t forwardKey = 0, backKey = 0, strafeLeftKey = 0, strafeRightKey = 0;
  int32_t fireKey = 0, spaceKey = 0, nextWeaponKey = 0, previousWeaponKey = 0;
};

// The client's input as last received (read by the remote player's update and shot).
extern RemoteInput remoteInput;

// Whether the accepted client is in the game (its datagram says so and comes from the client
// the host accepted); when it is, remoteInput is refreshed from the datagram.
bool RemoteClientInGame();
