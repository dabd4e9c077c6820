#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/gl_window.h"
#include "engine/random.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/input.h"
#include "platform/events.h"

#include <SDL2/SDL.h>

TEST(Random, SequenceOfTheLinearCongruentialGenerator) {
  GameSrand(1);
  EXPECT_EQ(GameRand(), 41);
  EXPECT_EQ(GameRand(), 18467);
  EXPECT_EQ(GameRand(), 6334);
  for (int i = 0; i < 1000; ++i) {
    const int r = GameRand();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 32767);
  }
}

TEST(Extensions, WholeTokensOnly) {
  EXPECT_TRUE(HasExtension("GL_ARB_multitexture GL_EXT_texture_env_combine ", "GL_ARB_multitexture"));
  // The last token counts even without a trailing space.
  EXPECT_TRUE(HasExtension("GL_A GL_ARB_multitexture", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension("GL_ARB_multitexture_x GL_B", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension("XGL_ARB_multitexture", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension("GL_ARB_multi", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension(nullptr, "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension("", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension("GL_A", ""));
}

TEST(Events, KeysTranslateToVirtualKeyCodes) {
  EXPECT_EQ(TranslateKey(SDLK_a), 'A');
  EXPECT_EQ(TranslateKey(SDLK_z), 'Z');
  EXPECT_EQ(TranslateKey(SDLK_0), '0');
  EXPECT_EQ(TranslateKey(SDLK_9), '9');
  EXPECT_EQ(TranslateKey(SDLK_F1), VK_F1);
  EXPECT_EQ(TranslateKey(SDLK_F12), VK_F12);
  EXPECT_EQ(TranslateKey(SDLK_ESCAPE), VK_ESCAPE);
  EXPECT_EQ(TranslateKey(SDLK_SPACE), VK_SPACE);
  EXPECT_EQ(TranslateKey(SDLK_LEFT), VK_LEFT);
  EXPECT_EQ(TranslateKey(SDLK_DOWN), VK_DOWN);
  EXPECT_EQ(TranslateKey(SDLK_LSHIFT), 0);
  EXPECT_EQ(TranslateKey(SDLK_KP_5), 0);
}

TEST(Events, EventsBecomeMessages) {
  Message m;
  PlatformEvent key;
  key.kind = 1;
  key.key = SDLK_w;
  ASSERT_TRUE(TranslateEvent(key, m));
  EXPECT_EQ(m.code, WM_KEYDOWN);
  EXPECT_EQ(m.wParam, uintptr_t('W'));
  key.key = SDLK_LCTRL;
  EXPECT_FALSE(TranslateEvent(key, m));  // unknown keys are dropped

  PlatformEvent click;
  click.kind = 4;
  click.button = 1;
  click.x = 123;
  click.y = 456;
  ASSERT_TRUE(TranslateEvent(click, m));
  EXPECT_EQ(m.code, WM_LBUTTONDOWN);
  EXPECT_EQ(LParamLow(m.lParam), 123);
  EXPECT_EQ(LParamHigh(m.lParam), 456);
  click.kind = 5;
  click.button = 3;
  ASSERT_TRUE(TranslateEvent(click, m));
  EXPECT_EQ(m.code, WM_RBUTTONUP);
  click.button = 2;  // middle button: nothing
  EXPECT_FALSE(TranslateEvent(click, m));

  PlatformEvent ev;
  ev.kind = 7;
  ASSERT_TRUE(TranslateEvent(ev, m));
  EXPECT_EQ(m.code, WM_ACTIVATE);
  EXPECT_EQ(m.wParam, WA_INACTIVE);
  ev.kind = 9;
  ASSERT_TRUE(TranslateEvent(ev, m));
  EXPECT_EQ(m.code, WM_CLOSE);
  ev.kind = 8;
  ev.x = 640;
  ev.y = 480;
  ASSERT_TRUE(TranslateEvent(ev, m));
  EXPECT_EQ(m.code, WM_SIZE);
  EXPECT_EQ(LParamLow(m.lParam), 640);
  EXPECT_EQ(LParamHigh(m.lParam), 480);
}

TEST(Events, QueueGivesOneMessagePerCallInOrder) {
  ClearMessages();
  PostMessage(WM_KEYDOWN, 'A', 0);
  PostQuitMessage(3);
  Message m;
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.code, WM_KEYDOWN);
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.code, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessage(m));
}

namespace {

// A scripted platform for the message loop.
struct FakePlatform {
  std::deque<Message> messages;
  std::vector<Message> dispatched;
  int frames = 0;
  int swaps = 0;
  int creates = 0;
  int destroys = 0;
  bool createSucceeds = true;
  std::vector<int> gameStateAtFrame;
  bool fireInFrame = false;  // each frame runs the local player's weapon
  std::vector<bool> keyEAtFrame;
};
FakePlatform* fake = nullptr;

bool FakePeek(Message& m) {
  if (fake->messages.empty()) return false;
  m = fake->messages.front();
  fake->messages.pop_front();
  return true;
}
void FakeDispatch(const Message& m) {
  fake->dispatched.push_back(m);
  GameWindowProc(m);
}
bool FakeRender() {
  ++fake->frames;
  fake->gameStateAtFrame.push_back(gameState);
  fake->keyEAtFrame.push_back(keys['E']);
  if (fake->fireInFrame) players[0].FireWeapon(true);
  return true;
}
void FakeSwap() { ++fake->swaps; }
bool FakeCreate() {
  ++fake->creates;
  return fake->createSucceeds;
}
void FakeDestroy() { ++fake->destroys; }

class MessageLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetShell();
    ClearMessages();
    fake = &platform;
    SetShellHooks(ShellHooks{FakePeek, FakeDispatch, FakeRender, FakeSwap, FakeCreate, FakeDestroy});
    gameState = 1;
  }
  void TearDown() override {
    ResetShell();
    fake = nullptr;
  }
  PassResult Pass() { return MessageLoopPass(state); }
  FakePlatform platform;
  LoopState state;
};

}  // namespace

TEST_F(MessageLoopTest, PendingMessagesComeBeforeFramesAndKeys) {
  gameState = 0;
  keys[VK_ESCAPE] = true;
  platform.messages = {{WM_MOUSEMOVE, 0, 0}, {WM_MOUSEMOVE, 0, 0}, {WM_MOUSEMOVE, 0, 0}};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Pass(), PassResult::Continue);
  EXPECT_EQ(platform.frames, 0);
  EXPECT_EQ(platform.swaps, 0);
  EXPECT_EQ(gameState, 0);  // Escape not looked at while messages were waiting
  EXPECT_EQ(Pass(), PassResult::Continue);
  EXPECT_EQ(platform.frames, 1);
  EXPECT_EQ(platform.swaps, 1);
  EXPECT_EQ(gameState, 4);
}

TEST_F(MessageLoopTest, EscapeOnlyPausesPlay) {
  keys[VK_ESCAPE] = true;
  gameState = 5;
  Pass();
  EXPECT_EQ(gameState, 5);
}

TEST_F(MessageLoopTest, F1TogglesOncePerPressAfterEveryLatchKeyIsUp) {
  gameState = 0;
  keys[VK_F1] = true;
  Pass();
  EXPECT_TRUE(showFps);
  Pass();
  Pass();
  EXPECT_TRUE(showFps);  // held: no second toggle
  keys[VK_F1] = false;
  keys['E'] = true;  // another latch key still down keeps the latch
  Pass();
  keys[VK_F1] = true;
  Pass();
  EXPECT_TRUE(showFps);
  keys[VK_F1] = false;
  keys['E'] = false;
  Pass();
  EXPECT_FALSE(keyLatch);
  keys[VK_F1] = true;
  Pass();
  EXPECT_FALSE(showFps);
}

TEST_F(MessageLoopTest, QuitMessageEndsTheLoopWithItsCode) {
  platform.messages = {{WM_KEYDOWN, 'W', 0}, {WM_QUIT, 7, 0}};
  EXPECT_EQ(Pass(), PassResult::Continue);
  EXPECT_TRUE(keys['W']);
  EXPECT_EQ(Pass(), PassResult::Continue);
  EXPECT_TRUE(state.done);
  EXPECT_EQ(Pass(), PassResult::Done);
  EXPECT_EQ(state.lastWParam, 7u);
  EXPECT_EQ(platform.frames, 0);
}

TEST_F(MessageLoopTest, WindowCloseBecomesQuit) {
  platform.messages = {{WM_CLOSE, 0, 0}};
  Pass();  // dispatches WM_CLOSE, which posts WM_QUIT to the real queue
  Message m;
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.code, WM_QUIT);
}

TEST_F(MessageLoopTest, QuitRequestEndsWithoutSwap) {
  quitRequested = true;
  Pass();
  EXPECT_EQ(platform.frames, 1);
  EXPECT_EQ(platform.swaps, 0);
  EXPECT_EQ(Pass(), PassResult::Done);
}

TEST_F(MessageLoopTest, InactiveWindowSwapsWithoutDrawing) {
  // Minimised (the high word); losing the focus alone keeps the window rendering.
  platform.messages = {{WM_ACTIVATE, WA_INACTIVE | (uintptr_t(1) << 16), 0}};
  Pass();
  EXPECT_FALSE(windowActive);
  Pass();
  EXPECT_EQ(platform.frames, 0);
  EXPECT_EQ(platform.swaps, 1);
  platform.messages = {{WM_ACTIVATE, WA_ACTIVE, 0}};
  Pass();
  Pass();
  EXPECT_EQ(platform.frames, 1);
}

TEST_F(MessageLoopTest, RecreationReloadsAndDerivesTheResolution) {
  recreateWindow = true;
  screenWidth = 1024;
  screenHeight = 768;
  resolutionIndex = 0;
  EXPECT_EQ(Pass(), PassResult::Continue);
  EXPECT_FALSE(recreateWindow);
  EXPECT_EQ(platform.destroys, 1);
  EXPECT_EQ(platform.creates, 1);
  EXPECT_EQ(resolutionIndex, 2);

  recreateWindow = true;
  platform.createSucceeds = false;
  EXPECT_EQ(Pass(), PassResult::Abort);
}

// Presses released again before the next frame still act once in that frame, and are then let go.
TEST_F(MessageLoopTest, PressesReleasedBetweenFramesActOnce) {
  ResetGameWorld();
  gameState = 0;
  platform.fireInFrame = true;
  PlayerRecord& p = players[0];
  p.currentWeapon = 0;
  p.ammo[0] = 50;
  p.weaponRaise = 1.0f;
  p.shotTimer = 10.0f;
  auto frame = [&] {
    const int before = platform.frames;
    while (platform.frames == before) Pass();
  };

  // A click that ends before the frame fires one shot; the pistol is ready for the next click.
  platform.messages = {{WM_LBUTTONDOWN, 1, 0}, {WM_LBUTTONUP, 0, 0}};
  frame();
  EXPECT_EQ(p.ammo[0], 49);
  EXPECT_FALSE(fireHeld);
  frame();
  EXPECT_EQ(p.ammo[0], 49);
  platform.messages = {{WM_LBUTTONDOWN, 1, 0}, {WM_LBUTTONUP, 0, 0}};
  frame();
  EXPECT_EQ(p.ammo[0], 48);
  // The fire gates still apply: a click while the weapon is being raised fires nothing.
  p.weaponRaise = 0.5f;
  platform.messages = {{WM_LBUTTONDOWN, 1, 0}, {WM_LBUTTONUP, 0, 0}};
  frame();
  EXPECT_EQ(p.ammo[0], 48);
  platform.fireInFrame = false;

  // A weapon key tapped between frames is down for the whole next frame, then up.
  platform.messages = {{WM_KEYDOWN, 'E', 0}, {WM_KEYUP, 'E', 0}};
  frame();
  EXPECT_TRUE(platform.keyEAtFrame.back());
  EXPECT_FALSE(keys['E']);
  EXPECT_FALSE(keyLatch);
  frame();
  EXPECT_FALSE(platform.keyEAtFrame.back());

  // F1 tapped in two following gaps toggles the frame rate on and off again.
  platform.messages = {{WM_KEYDOWN, VK_F1, 0}, {WM_KEYUP, VK_F1, 0}};
  frame();
  EXPECT_TRUE(showFps);
  platform.messages = {{WM_KEYDOWN, VK_F1, 0}, {WM_KEYUP, VK_F1, 0}};
  frame();
  EXPECT_FALSE(showFps);

  // An Escape tap opens the pause screen.
  platform.messages = {{WM_KEYDOWN, VK_ESCAPE, 0}, {WM_KEYUP, VK_ESCAPE, 0}};
  frame();
  EXPECT_EQ(gameState, 4);
  EXPECT_FALSE(keys[VK_ESCAPE]);
}
