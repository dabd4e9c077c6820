#include "game/input.h"

#include "engine/gl_setup.h"
#include "game/settings.h"
#include "game/game_state.h"
#include "game/menus.h"
#include "game/player.h"
#include "sound/sound_source.h"

bool keys[256];
bool keyLatch = false;
bool fireHeld = false;

void RightClickWeaponSwitch(float& weaponRaise, int& currentWeapon, const int ammo[10]) {
  if (weaponRaise > 0.9f) weaponRaise = -1.0f;
  else if (weaponRaise < 0.0f) weaponRaise = -0.4f;
  // A weapon half way up (0 .. 0.9) finishes its raise first.
  if (weaponRaise >= 0.0f && weaponRaise <= 0.9f) return;
  int chosen = 0;
  for (int i = currentWeapon < 0 ? 0 : currentWeapon + 1; i <= 9; ++i) {
    if (ammo[i] > 0) {
      chosen = i;
      break;
    }
  }
  currentWeapon = chosen > 5 ? 0 : chosen;
}

namespace {

// Pressed since the last frame, and released again before it came.
bool keyPressedSinceFrame[256];
bool keyReleaseWaiting[256];
bool firePressedSinceFrame = false;
bool fireReleaseWaiting = false;

bool AliveInPlay() { return gameState == 0 && players[0].Alive(); }

}  // namespace

void ReleaseTappedInput() {
  for (int k = 0; k < 256; ++k) {
    if (keyReleaseWaiting[k]) keys[k] = false;
    keyReleaseWaiting[k] = keyPressedSinceFrame[k] = false;
  }
  if (fireReleaseWaiting) fireHeld = false;
  fireReleaseWaiting = firePressedSinceFrame = false;
}

void GameWindowProc(const Message& m) {
  switch (m.code) {
    case WM_SIZE:
      ResizeGLScene(LParamLow(m.lParam), LParamHigh(m.lParam));
      return;
    case WM_ACTIVATE:
      // Only a minimised window stops rendering; losing the focus does not.
      windowActive = ((m.wParam >> 16) & 0xffff) == 0;
      return;
    case WM_CLOSE:
      PostQuitMessage(0);
      return;
    case WM_KEYDOWN:
      if (m.wParam < 256) {
        keys[m.wParam] = keyPressedSinceFrame[m.wParam] = true;
        keyReleaseWaiting[m.wParam] = false;
      }
      return;
    case WM_KEYUP:
      if (m.wParam < 256) {
        if (keyPressedSinceFrame[m.wParam]) keyReleaseWaiting[m.wParam] = true;
        else keys[m.wParam] = false;
      }
      return;
    case WM_MOUSEMOVE:
      if (gameState != 0) HandleMenuHover();
      return;
    case WM_LBUTTONDOWN:
      if (AliveInPlay()) {
        fireHeld = firePressedSinceFrame = true;
        fireReleaseWaiting = false;
      }
      if (gameState != 0) {
        // The click acts where it happened: the pointer may have moved since the last frame
        // mapped it (hover keeps to the frame's position).
        int x = mouseX, y = mouseY;
        MapWindowPointToMenu(LParamLow(m.lParam), LParamHigh(m.lParam), x, y);
        HandleMenuClick(x, y);
      }
      return;
    case WM_LBUTTONUP:
      if (gameState == 0) {
        if (firePressedSinceFrame) fireReleaseWaiting = true;
        else fireHeld = false;
      }
      return;
    case WM_RBUTTONDOWN:
      if (AliveInPlay()) {
        PlayerRecord& p = players[0];
        RightClickWeaponSwitch(p.weaponRaise, p.currentWeapon, p.ammo);
        if (soundOn) changeSound.Play();
      }
      return;
    default:
      return;
  }
}
