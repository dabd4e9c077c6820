#include "game/input.h"

#include "engine/gl_window.h"
#include "engine/shell.h"

bool keys[256];
bool keyLatch = false;
bool fireHeld = false;

void GameWindowProc(const Message& m) {
  switch (m.code) {
    case WM_ACTIVATE:
      // Active unless the low word says inactive or the window is minimised.
      windowActive = (m.wParam & 0xffff) != WA_INACTIVE && ((m.wParam >> 16) & 0xffff) == 0;
      break;
    case WM_CLOSE:
      PostQuitMessage(0);
      break;
    case WM_KEYDOWN:
      if (m.wParam < 256) keys[m.wParam] = true;
      break;
    case WM_KEYUP:
      if (m.wParam < 256) keys[m.wParam] = false;
      break;
    case WM_SIZE:
      ResizeGLScene(LParamLow(m.lParam), LParamHigh(m.lParam));
      break;
    default:
      break;
  }
}
