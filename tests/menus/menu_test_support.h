// Shared set-up of the menu tests: every global the menus read, back at its start value.
#pragma once

#include "app/shell.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/menus.h"
#include "game/player.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "platform/events.h"

inline void ResetMenuWorld() {
  ResetShell();
  ResetMenus();
  ResetDataFiles();
  gameState = 1;
  gameMode = 0;
  mapNumber = 1;
  difficulty = 1;
  fireHeld = false;
  players[0].ResetFields();
  players[1].ResetFields();
  for (ServerEntry& e : serverList) e = ServerEntry{};
  hostBlock = HostBlock{};
  clientBlock = ClientBlock{};
  hostAddress = NetAddress{};
  ClearMessages();
}

// A click at a point of the menu space on the current screen.
inline MenuClickOutcome ClickAt(int x, int y) {
  mouseX = x;
  mouseY = y;
  return HandleMenuClick(x, y);
}

inline int MoveTo(int x, int y) {
  mouseX = x;
  mouseY = y;
  return HandleMenuHover();
}
