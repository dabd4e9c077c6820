#include "game/remote_input.h"

#include "net/net.h"

RemoteInput remoteInput;

bool RemoteClientInGame() {
  if (clientBlock.type != CLIENT_IN_GAME) return false;
  return true;
}
