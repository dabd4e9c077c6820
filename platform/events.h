// The window message queue in the engine's own vocabulary: messages {code, wParam, lParam} with
// codes numbered like the ones the game's window procedure was written against, and virtual-key
// codes for the keys the game reads.
#pragma once

#include <cstdint>

struct Message {
  uint32_t code = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// Message codes.
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;

// WM_ACTIVATE: low word of wParam.
constexpr uintptr_t WA_INACTIVE = 0;
constexpr uintptr_t WA_ACTIVE = 1;
// WM_SIZE: wParam.
constexpr uintptr_t SIZE_RESTORED = 0;
constexpr uintptr_t SIZE_MINIMIZED = 1;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A'..'Z', '0'..'9').
constexpr int VK_SPACE = 0x20;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F12 = 0x7B;

// Packing of two 16-bit values into lParam (x low, y high), as mouse and size messages carry them.
inline intptr_t MakeLParam(int lo, int hi) {
  return static_cast<intptr_t>(static_cast<uint32_t>((lo & 0xffff) | ((hi & 0xffff) << 16)));
}
inline int LParamLow(intptr_t l) { return static_cast<int16_t>(l & 0xffff); }
inline int LParamHigh(intptr_t l) { return static_cast<int16_t>((l >> 16) & 0xffff); }

// Takes one message: queued (posted or injected) messages first, then the window system's events
// translated one at a time. False when nothing is waiting.
bool PeekMessage(Message& out);
// Appends a message to the queue (tests inject input this way).
void PostMessage(uint32_t code, uintptr_t wParam, intptr_t lParam);
// Posts WM_QUIT with the exit code.
void PostQuitMessage(int exitCode);
// Drops every queued message.
void ClearMessages();

// Key translation from SDL key codes to virtual-key codes; 0 for keys the game does not know.
int TranslateKey(int sdlKeycode);

// Struct-free view of an SDL event for the translator (so it can be tested without a display).
// kind: 1 key down, 2 key up, 3 mouse motion, 4 button down, 5 button up, 6 focus gained,
// 7 focus lost, 8 size changed, 9 close, 10 minimised, 11 restored.
struct PlatformEvent {
  int kind = 0;
  int key = 0;
  int button = 0;  // 1 left, 3 right
  int x = 0, y = 0;
  bool repeat = false;
};
// Translates one event into a message; false when the event has no message.
bool TranslateEvent(const PlatformEvent& e, Message& out);
