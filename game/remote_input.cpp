#include "game/remote_input.h"

#include "game/lan/net.h"

RemoteInput remoteInput;

#if __has_include("engine/wire/lan_datagrams.h")

bool RemoteClientInGame() {
  if (clientBlock.type != CLIENT_IN_GAME || acceptedClientId != clientBlock.senderId) return false;
  const ClientBlock& c = clientBlock;
  remoteInput.viewDirection[0] = c.viewDirection.x;
  remoteInput.viewDirection[1] = c.viewDirection.y;
  remoteInput.viewDirection[2] = c.viewDirection.z;
  remoteInput.pitch = c.pitch;
  remoteInput.forwardKey = c.forwardKey;
  remoteInput.backKey = c.backKey;
  remoteInput.strafeLeftKey = c.strafeLeftKey;
  remoteInput.strafeRightKey = c.strafeRightKey;
  remoteInput.fireKey = c.fireKey;
  remoteInput.spaceKey = c.spaceKey;
  remoteInput.nextWeaponKey = c.nextWeaponKey;
  remoteInput.previousWeaponKey = c.previousWeaponKey;
  return true;
}

#else

// Without the LAN datagrams no client can be in the game.
bool RemoteClientInGame() { return false; }

#endif
