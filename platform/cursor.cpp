#include "platform/cursor.h"

#include <SDL2/SDL.h>

#include "platform/window.h"

namespace {
bool relative = false;
int relX = 320, relY = 240;
bool overridden = false;
int overrideX = 0, overrideY = 0;
}  // namespace

void OverrideCursorPos(bool on, int x, int y) {
  overridden = on;
  overrideX = x;
  overrideY = y;
}

void GetCursorPos(int& x, int& y) {
  if (overridden) {
    x = overrideX;
    y = overrideY;
    return;
  }
  if (relative) {
    int dx = 0, dy = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GetRelativeMouseState(&dx, &dy);
    relX += dx;
    relY += dy;
    x = relX;
    y = relY;
    return;
  }
  x = y = 0;
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_Window* w = PlatformSdlWindow();
    if (w && SDL_GetMouseFocus() == w) {
      SDL_GetMouseState(&x, &y);
    } else {
      // Outside the window: global position relative to the window's client origin.
      int gx = 0, gy = 0, wx = 0, wy = 0;
      SDL_GetGlobalMouseState(&gx, &gy);
      if (w) SDL_GetWindowPosition(w, &wx, &wy);
      x = gx - wx;
      y = gy - wy;
    }
  }
}

void SetCursorPos(int x, int y) {
  if (overridden) {
    overrideX = x;
    overrideY = y;
    return;
  }
  if (relative) {
    relX = x;
    relY = y;
    return;
  }
  SDL_Window* w = PlatformSdlWindow();
  if (w) SDL_WarpMouseInWindow(w, x, y);
}

void SetCursorRelativeMode(bool on) {
  if (on == relative) return;
  relative = on;
  relX = 320;
  relY = 240;
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
    int dx, dy;
    SDL_GetRelativeMouseState(&dx, &dy);  // drop motion gathered before the switch
  }
}

bool CursorRelativeMode() { return relative; }

void ShowSystemCursor(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
