#include "platform/events.h"

#include <SDL2/SDL.h>

#include <deque>

namespace {
std::deque<Message> queue;
}

void PostMessage(uint32_t code, uintptr_t wParam, intptr_t lParam) { queue.push_back(Message{code, wParam, lParam}); }

void PostQuitMessage(int exitCode) { PostMessage(WM_QUIT, static_cast<uintptr_t>(exitCode), 0); }

void ClearMessages() { queue.clear(); }

int TranslateKey(int k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
  switch (k) {
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    default: return 0;
  }
}

bool TranslateEvent(const PlatformEvent& e, Message& out) {
  switch (e.kind) {
    case 1:
    case 2: {
      const int vk = TranslateKey(e.key);
      if (vk == 0) return false;
      out = Message{e.kind == 1 ? WM_KEYDOWN : WM_KEYUP, static_cast<uintptr_t>(vk), e.repeat ? 0x40000000 : 0};
      return true;
    }
    case 3: out = Message{WM_MOUSEMOVE, 0, MakeLParam(e.x, e.y)}; return true;
    case 4:
    case 5:
      if (e.button == 1) out.code = e.kind == 4 ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      else if (e.button == 3) out.code = e.kind == 4 ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      else return false;
      out.wParam = 0;
      out.lParam = MakeLParam(e.x, e.y);
      return true;
    case 6: out = Message{WM_ACTIVATE, WA_ACTIVE, 0}; return true;
    case 7: out = Message{WM_ACTIVATE, WA_INACTIVE, 0}; return true;
    case 8: out = Message{WM_SIZE, SIZE_RESTORED, MakeLParam(e.x, e.y)}; return true;
    case 9: out = Message{WM_CLOSE, 0, 0}; return true;
    case 10: out = Message{WM_ACTIVATE, WA_INACTIVE | (uintptr_t(1) << 16), 0}; return true;
    case 11: out = Message{WM_ACTIVATE, WA_ACTIVE, 0}; return true;
    default: return false;
  }
}

namespace {

bool FromSdl(const SDL_Event& ev, PlatformEvent& e) {
  switch (ev.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      e.kind = ev.type == SDL_KEYDOWN ? 1 : 2;
      e.key = ev.key.keysym.sym;
      e.repeat = ev.key.repeat != 0;
      return true;
    case SDL_MOUSEMOTION:
      e.kind = 3;
      e.x = ev.motion.x;
      e.y = ev.motion.y;
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? 4 : 5;
      e.button = ev.button.button == SDL_BUTTON_LEFT ? 1 : (ev.button.button == SDL_BUTTON_RIGHT ? 3 : 0);
      e.x = ev.button.x;
      e.y = ev.button.y;
      return true;
    case SDL_QUIT:
      e.kind = 9;
      return true;
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = 6; return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: e.kind = 7; return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          e.kind = 8;
          e.x = ev.window.data1;
          e.y = ev.window.data2;
          return true;
        case SDL_WINDOWEVENT_CLOSE: e.kind = 9; return true;
        case SDL_WINDOWEVENT_MINIMIZED: e.kind = 10; return true;
        case SDL_WINDOWEVENT_RESTORED: e.kind = 11; return true;
        default: return false;
      }
    default:
      return false;
  }
}

}  // namespace

bool PeekMessage(Message& out) {
  if (queue.empty() && SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_Event ev;
    // Translate window-system events until one yields a message; one message per call.
    while (SDL_PollEvent(&ev)) {
      PlatformEvent e;
      Message m;
      if (FromSdl(ev, e) && TranslateEvent(e, m)) {
        queue.push_back(m);
        break;
      }
    }
  }
  if (queue.empty()) return false;
  out = queue.front();
  queue.pop_front();
  return true;
}
