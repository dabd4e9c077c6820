// The hover and click tables of the menu screens and the procedures that run them.
#include <cmath>

#include "game/settings.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/menus.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "sound/music_track.h"
#include "sound/sound_source.h"

bool menuHover[10];
float menuClock = 0.0f;
int mouseX = 0;
int mouseY = 0;
float searchTimer = -1.0f;
int selectedSlot = 0;

void ResetMenuHover() {
  for (bool& h : menuHover) h = false;
  menuClock = 0.0f;
}

void ResetMenus() {
  ResetMenuHover();
  mouseX = mouseY = 0;
  searchTimer = -1.0f;
  selectedSlot = 0;
}

namespace {

struct Box {
  int x0, x1, y0, y1;  // inclusive, menu space (y down)
  bool Contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// The column of the centred menus and of the main menu, rows 0 to 4.
constexpr int kRowTop[5] = {253, 303, 353, 403, 453};
constexpr Box Row(int row) { return Box{343, 456, kRowTop[row], kRowTop[row] + 46}; }
constexpr Box MainRow(int row) { return Box{71, 181, kRowTop[row], kRowTop[row] + 46}; }
constexpr Box kOptionsBack{1, 114, 493, 539};
constexpr Box kOptionsAccept{203, 316, 493, 539};
constexpr Box kSlotBack{1, 114, 543, 589};
constexpr Box kSlotAction{203, 316, 543, 589};
constexpr Box kSlotBox[4] = {{201, 599, 154, 227}, {201, 599, 232, 304}, {201, 599, 310, 384}, {201, 599, 391, 463}};

enum class Action {
  SetState,       // gameState = arg
  Quit,           // the program ends
  Resume,         // back to play
  LeaveLevel,     // main menu, level unloaded
  CareerContinue, // the stored career
  NewCareer,      // difficulty arg, map 1
  CreateGame,     // host: choose a map
  NextMap,
  StartHost,
  JoinServer,     // server row arg
  Search,
  LeaveConnect,
  AcceptOptions,
  CycleResolution,
  CycleColorBits,
  CycleDepthBits,
  ToggleSound,
  ToggleMusic,
  SelectSlot,     // slot arg
  LoadSlot,
  SaveSlot,
};

enum Flags : unsigned {
  kReset = 1,
  kIdleSearch = 2,  // acts only while no search or join is running
};

struct ClickBox {
  int state;
  Box box;
  Action action;
  int arg;
  MenuSound sound;
  unsigned flags;
};

constexpr MenuSound C = MenuSound::Click;
constexpr MenuSound H = MenuSound::Hover;
constexpr MenuSound N = MenuSound::None;

const ClickBox kClickBoxes[] = {
    {1, MainRow(0), Action::SetState, 80, C, kReset},
    {1, MainRow(1), Action::SetState, 40, C, kReset},
    {1, MainRow(2), Action::SetState, 5, C, kReset},
    {1, MainRow(3), Action::SetState, 90, C, kReset},
    {90, Row(2), Action::SetState, 1, C, kReset},
    {90, Row(3), Action::Quit, 0, C, kReset},
    {50, kOptionsBack, Action::SetState, 1, C, kReset},
    {4, Row(0), Action::Resume, 0, C, kReset},
    {4, Row(1), Action::LeaveLevel, 0, C, kReset},
    {80, Row(0), Action::SetState, 81, C, kReset},
    {80, Row(1), Action::CareerContinue, 0, C, kReset},
    {80, Row(2), Action::SetState, 1, C, kReset},
    {81, Row(0), Action::NewCareer, 1, C, kReset},
    {81, Row(1), Action::NewCareer, 3, C, kReset},
    {81, Row(2), Action::NewCareer, 7, C, kReset},
    {81, Row(3), Action::SetState, 80, C, kReset},
    {40, Row(0), Action::CreateGame, 0, C, kReset},
    {40, Row(1), Action::SetState, 42, C, kReset},
    {40, Row(2), Action::SetState, 1, C, kReset},
    {41, Row(0), Action::NextMap, 0, C, kReset},
    {41, Row(1), Action::StartHost, 0, N, kReset},
    {41, Row(2), Action::SetState, 40, C, kReset},
    {42, Row(0), Action::JoinServer, 0, C, kReset | kIdleSearch},
    {42, Row(1), Action::JoinServer, 1, N, kReset | kIdleSearch},
    {42, Row(2), Action::JoinServer, 2, C, kReset | kIdleSearch},
    {42, Row(3), Action::Search, 0, C, kReset | kIdleSearch},
    {42, Row(4), Action::LeaveConnect, 0, C, kReset | kIdleSearch},
    {5, kOptionsBack, Action::SetState, 1, C, kReset},
    {5, kOptionsAccept, Action::AcceptOptions, 0, C, kReset},
    {5, {276, 374, 111, 134}, Action::CycleResolution, 0, H, kReset},
    {5, {276, 374, 146, 169}, Action::CycleColorBits, 0, H, kReset},
    {5, {276, 374, 181, 204}, Action::CycleDepthBits, 0, H, kReset},
    {5, {547, 645, 111, 134}, Action::ToggleSound, 0, N, kReset},
    {5, {547, 645, 146, 169}, Action::ToggleMusic, 0, N, kReset},
    {10, kSlotBack, Action::SetState, 1, C, kReset},
    {10, kSlotAction, Action::LoadSlot, 0, C, kReset},
    {11, kSlotBack, Action::SetState, 4, C, kReset},
    {11, kSlotAction, Action::LoadSlot, 0, C, kReset},
    {12, kSlotBack, Action::SetState, 4, C, kReset},
    {12, kSlotAction, Action::SaveSlot, 0, C, kReset},
    {10, kSlotBox[0], Action::SelectSlot, 0, C, 0}, {10, kSlotBox[1], Action::SelectSlot, 1, C, 0},
    {10, kSlotBox[2], Action::SelectSlot, 2, C, 0}, {10, kSlotBox[3], Action::SelectSlot, 3, C, 0},
    {11, kSlotBox[0], Action::SelectSlot, 0, C, 0}, {11, kSlotBox[1], Action::SelectSlot, 1, C, 0},
    {11, kSlotBox[2], Action::SelectSlot, 2, C, 0}, {11, kSlotBox[3], Action::SelectSlot, 3, C, 0},
    {12, kSlotBox[0], Action::SelectSlot, 0, C, 0}, {12, kSlotBox[1], Action::SelectSlot, 1, C, 0},
    {12, kSlotBox[2], Action::SelectSlot, 2, C, 0}, {12, kSlotBox[3], Action::SelectSlot, 3, C, 0},
};

struct HoverRow {
  int state;
  Box box;
  int latch;
};

const HoverRow kHoverRows[] = {
    {1, MainRow(0), 0}, {1, MainRow(1), 1}, {1, MainRow(2), 2}, {1, MainRow(3), 3}, {1, MainRow(4), 4},
    {90, Row(2), 3}, {90, Row(3), 4},
    {50, kOptionsBack, 0},
    {4, Row(0), 0}, {4, Row(1), 1},
    {40, Row(0), 0}, {40, Row(1), 1}, {40, Row(2), 2},
    {41, Row(0), 0}, {41, Row(1), 1}, {41, Row(2), 2},
    {42, Row(0), 0}, {42, Row(1), 1}, {42, Row(2), 2}, {42, Row(3), 3}, {42, Row(4), 4},
    {80, Row(0), 0}, {80, Row(1), 1}, {80, Row(2), 2},
    {81, Row(0), 0}, {81, Row(1), 1}, {81, Row(2), 2}, {81, Row(3), 3},
    {5, kOptionsBack, 0}, {5, kOptionsAccept, 1},
    {10, kSlotBack, 0}, {10, kSlotAction, 1},
    {11, kSlotBack, 0}, {11, kSlotAction, 1},
    {12, kSlotBack, 0}, {12, kSlotAction, 1},
};

// Screens whose hover test ends at the first row under the cursor.
bool HoverStopsAtFirstRow(int state) {
  switch (state) {
    case 1: case 90: case 50: case 5: case 10: case 11: case 12: return true;
    default: return false;
  }
}

void PlayMenuSound(MenuSound s) {
  if (!soundOn) return;
  if (s == MenuSound::Click) menuClickSound.Play();
  else if (s == MenuSound::Hover) menuHoverSound.Play();
}

const ClickBox* FindClickBox(int state, int x, int y) {
  for (const ClickBox& b : kClickBoxes) {
    if (b.state != state || !b.box.Contains(x, y)) continue;
    // The boxes of one screen do not overlap: this is the only candidate.
    if ((b.flags & kIdleSearch) && searchTimer >= 0.0f) return nullptr;
    if (b.action == Action::JoinServer && serverList[b.arg].id == 0) return nullptr;
    return &b;
  }
  return nullptr;
}

void StartCareerMap() {
  gameState = kStateMapIntro;
  gameMode = 0;
}

void Apply(const ClickBox& b) {
  switch (b.action) {
    case Action::SetState:
      gameState = b.arg;
      break;
    case Action::Quit:
      quitRequested = true;
      break;
    case Action::Resume:
      gameState = kStatePlay;
      break;
    case Action::LeaveLevel:
      gameState = kStateMainMenu;
      UnloadMap();
      break;
    case Action::CareerContinue:
      StartCareerMap();
      ReadCareer();
      break;
    case Action::NewCareer:
      StartCareerMap();
      mapNumber = 1;
      difficulty = b.arg;
      WriteCareer();
      break;
    case Action::CreateGame:
      gameState = kStateCreateGame;
      mapNumber = 1;
      break;
    case Action::NextMap:
      mapNumber += 1;
      if (mapNumber > 10) mapNumber = 1;
      break;
    case Action::StartHost:
      gameState = kStatePlay;
      playerStartPosition.Set(-70.0f, 3.0f, -107.0f);
      playerStartDirection.Set(1.0f, 0.0f, 0.0f);
      gameMode = 1;
      LoadMap(mapNumber, 1, 1);
      break;
    case Action::JoinServer:
      searchTimer = 1.0f;
      hostAddress = serverList[b.arg].address;
      clientBlock.type = CLIENT_JOIN;
      NetClientJoin(NET_PORT, b.arg);
      gameMode = 2;
      break;
    case Action::Search:
      searchTimer = 1.0f;
      clientBlock.type = CLIENT_SEARCH;
      NetClientJoin(NET_PORT, -1);
      gameMode = 2;
      break;
    case Action::LeaveConnect:
      hostBlock.state = HOST_IDLE;
      hostBlock.hostId = 0;
      for (ServerEntry& e : serverList) {
        e.id = 0;
        e.state = 1;
      }
      gameState = kStateMultiplayer;
      break;
    case Action::AcceptOptions:
      // The window is re-created with the new settings; its set-up returns to the main menu.
      recreateWindow = true;
      break;
    case Action::CycleResolution:
      if (screenWidth == 640) {
        screenWidth = 800;
        screenHeight = 600;
      } else if (screenWidth == 800) {
        screenWidth = 1024;
        screenHeight = 768;
      } else if (screenWidth == 1024) {
        screenWidth = 640;
        screenHeight = 480;
      }
      break;
    case Action::CycleColorBits:
      if (colorBits == 16) colorBits = 32;
      else if (colorBits == 32) colorBits = 16;
      break;
    case Action::CycleDepthBits:
      if (depthBits == 16) depthBits = 24;
      else if (depthBits == 24) depthBits = 16;
      break;
    case Action::ToggleSound:
      soundOn = !soundOn;
      break;
    case Action::ToggleMusic:
      musicOn = !musicOn;
      if (musicOn) menuMusic.Play();
      else menuMusic.Stop();
      break;
    case Action::SelectSlot:
      selectedSlot = b.arg;
      break;
    case Action::LoadSlot:
      gameState = kStatePlay;
      LoadSlotStub();
      break;
    case Action::SaveSlot:
      SaveSlotStub();
      break;
  }
}

}  // namespace

MenuClickOutcome HandleMenuClick(int x, int y) {
  MenuClickOutcome out;
  // The screen is captured once: an effect that changes gameState cannot make a box of the next
  // screen act on the same click.
  const ClickBox* b = FindClickBox(gameState, x, y);
  if (!b) return out;
  out.handled = true;
  out.sound = b->sound;
  out.reset = (b->flags & kReset) != 0;
  PlayMenuSound(b->sound);
  if (out.reset) ResetMenuHover();
  Apply(*b);
  return out;
}

int HandleMenuHover() {
  const int state = gameState;
  const bool stops = HoverStopsAtFirstRow(state);
  int sounds = 0;
  for (const HoverRow& r : kHoverRows) {
    if (r.state != state) continue;
    if (r.box.Contains(mouseX, mouseY)) {
      if (!menuHover[r.latch] && soundOn) {
        menuHoverSound.Play();
        ++sounds;
      }
      menuHover[r.latch] = true;
      if (stops) break;
    } else {
      menuHover[r.latch] = false;
    }
  }
  return sounds;
}

void MapCursorToMenu(int x, int y, int width, int height, int& menuX, int& menuY) {
  if (width <= 0 || height <= 0) return;
  // Integer arithmetic truncates toward zero like the float product did, without rounding noise.
  menuX = static_cast<int>(static_cast<long long>(x) * 800 / width);
  menuY = static_cast<int>(static_cast<long long>(y) * 600 / height);
}
