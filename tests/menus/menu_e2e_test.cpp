// The whole program driven through its real message loop by injected mouse messages: from the
// main menu into the options, change sound, music and resolution, accept (the window is made
// again at the new size), then EXIT and YES end the program, which stores the new settings; and
// the same choice kept when the player declines the window offered for it.
#include <gtest/gtest.h>

#include "gl_fixture.h"

#include <GL/gl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/settings_file.h"
#include "e2e/e2e_support.h"
#include "engine/frame.h"
#include "app/render_frame.h"
#include "menu_test_support.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/shell_open.h"
#include "platform/window.h"
#include "png_writer.h"

namespace {

// The six words of a settings file as one value, so that a failed comparison prints them all.
std::vector<int32_t> Words(const SettingsRecord& s) {
  return {s.resolutionIndex, s.colorBits, s.depthBits, s.soundOn, s.musicOn, s.spareSetting};
}

struct Click {
  int menuX, menuY;  // target in the 800 x 600 menu space
  int expectState;   // the screen the click must land on
  const char* screenshot;
};

const Click kScript[] = {
    {120, 375, 1, "e2e_main_menu"},  // OPTIONS
    {590, 120, 5, nullptr},          // sound: YES -> NO
    {590, 155, 5, nullptr},          // music: YES -> NO
    {320, 120, 5, nullptr},          // resolution: 800x600 -> 1024x768
    {250, 515, 5, "e2e_options_changed"},  // ACCEPT
    {120, 425, 1, "e2e_main_menu_1024"},   // EXIT
    {400, 425, 90, "e2e_quit_question"},   // YES
};
constexpr size_t kSteps = sizeof kScript / sizeof kScript[0];

const Click* script = kScript;
size_t steps = kSteps;

int64_t fakeCounter = 0;
int frames = 0;
size_t nextStep = 0;
int phase = 0;
int phaseFrame = 0;
int pixelX = 0, pixelY = 0;
int windowCreations = 0;
std::vector<int> statesSeen;
std::vector<std::pair<int, int>> clientSizes;
const char* pendingShot = nullptr;
ShellHooks defaults;

bool ScriptedPeek(Message& m) {
  if (PeekMessage(m)) return true;
  if (frames > 20000) {
    // The script is stuck: end the program so the test can report it.
    PostMessage(WM_CLOSE, 0, 0);
    return PeekMessage(m);
  }
  // After a move, wait out the fade-in of the screen before clicking (and take its picture).
  const int wait = phase == 0 ? 3 : 60;
  if (startupLoading || nextStep >= steps || frames < phaseFrame + wait) return false;
  const Click& c = script[nextStep];
  if (phase == 0) {
    // Move the pointer; the next frames map it into the menu space.
    int w = 0, h = 0;
    PlatformClientSize(w, h);
    clientSizes.emplace_back(w, h);
    pixelX = c.menuX * w / 800;
    pixelY = c.menuY * h / 600;
    OverrideCursorPos(true, pixelX, pixelY);
    PostMessage(WM_MOUSEMOVE, 0, MakeLParam(pixelX, pixelY));
    phase = 1;
    phaseFrame = frames;
    pendingShot = c.screenshot;
    return PeekMessage(m);
  }
  statesSeen.push_back(gameState);
  PostMessage(WM_LBUTTONDOWN, 1, MakeLParam(pixelX, pixelY));
  PostMessage(WM_LBUTTONUP, 0, MakeLParam(pixelX, pixelY));
  phase = 0;
  phaseFrame = frames;
  ++nextStep;
  return PeekMessage(m);
}

bool CountedRender() {
  fakeCounter += 20'000'000;  // 20 ms per frame
  ++frames;
  const bool r = RenderFrame();
  if (pendingShot && phase == 1 && frames >= phaseFrame + 58) {
    SaveWindowPicture(pendingShot);
    pendingShot = nullptr;
  }
  return r;
}

// Runs WinMain in a fresh run directory whose settings file holds `settings`, with the given
// clicks and window re-creation hook; returns its exit code and leaves the written settings (or
// the defaults, when the file is unreadable) in `written`.
int RunScript(const char* name, const SettingsRecord& settings, const Click* clicks, size_t count,
              bool (*createWindow)(), SettingsRecord& written) {
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path dir = MakeRunDirectory(name);
  EXPECT_TRUE(WriteWholeFile((dir / "base/menu.inf").string(), SerializeSettings(settings)));
  std::filesystem::current_path(dir);

  script = clicks;
  steps = count;
  frames = 0;
  nextStep = 0;
  phase = phaseFrame = 0;
  windowCreations = 0;
  statesSeen.clear();
  clientSizes.clear();
  pendingShot = nullptr;
  SetDialogHeadless(true);
  ClearDialogHistory();
  SetUrlOpeningEnabled(false);
  ResetMenuWorld();
  ResetFrameClock();
  fullscreen = false;
  InstallFakeClock(&fakeCounter);
  defaults = DefaultShellHooks();
  ShellHooks hooks = defaults;
  hooks.peek = ScriptedPeek;
  hooks.renderFrame = CountedRender;
  hooks.createWindow = createWindow;
  SetShellHooks(hooks);

  const int exitCode = WinMain();

  InstallFakeClock(nullptr);
  OverrideCursorPos(false);
  SetShellHooks(DefaultShellHooks());
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFile("base/menu.inf", bytes));
  EXPECT_TRUE(ParseSettings(bytes, written));
  std::filesystem::current_path(previous);
  return exitCode;
}

bool CountedCreate() {
  ++windowCreations;
  return defaults.createWindow();
}

TEST(MenuEndToEnd, OptionsAcceptThenQuitStoresTheNewSettings) {
  SettingsRecord s;
  const int exitCode = RunScript("menus_options_quit", SettingsRecord{1, 32, 24, 1, 1, 42}, kScript, kSteps,
                                 CountedCreate, s);

  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(nextStep, kSteps) << "the script stopped after " << nextStep << " clicks";
  EXPECT_LT(frames, 20000);
  ASSERT_EQ(statesSeen.size(), kSteps);
  for (size_t i = 0; i < kSteps; ++i) EXPECT_EQ(statesSeen[i], kScript[i].expectState) << "click " << i;
  EXPECT_EQ(windowCreations, 1);  // the re-creation after ACCEPT
  ASSERT_EQ(clientSizes.size(), kSteps);
  EXPECT_EQ(clientSizes[0], std::make_pair(800, 600));
  EXPECT_EQ(clientSizes[5], std::make_pair(1024, 768));
  EXPECT_TRUE(quitRequested);

  EXPECT_EQ(Words(s), Words(SettingsRecord{2, 32, 24, 0, 0, 42}));
}

// The window is made again full screen with the accepted settings, the display refuses that mode
// and the player answers No to playing in a window: the program ends, and keeps what was accepted.
bool FullScreenCreateDeclined() {
  ++windowCreations;
  fullscreen = true;
  ScriptDialogAnswer(DialogAnswer::No);
  return defaults.createWindow();
}

TEST(MenuEndToEnd, SettingsAcceptedThenWindowDeclinedAreKept) {
  // 16-bit colour, which no test display offers as a full-screen mode.
  const Click declineScript[] = {
      {120, 375, 1, nullptr},  // OPTIONS
      {320, 155, 5, nullptr},  // colour depth: 32 -> 16
      {320, 120, 5, nullptr},  // resolution: 800x600 -> 1024x768
      {250, 515, 5, nullptr},  // ACCEPT
  };
  SettingsRecord s;
  const int exitCode = RunScript("menus_options_declined", SettingsRecord{1, 32, 24, 1, 0, 42}, declineScript, 4,
                                 FullScreenCreateDeclined, s);

  EXPECT_EQ(exitCode, kNoWindowExitCode);
  EXPECT_EQ(nextStep, 4u);
  EXPECT_EQ(windowCreations, 1);
  ASSERT_EQ(DialogHistory().size(), 2u);
  EXPECT_EQ(DialogHistory()[1].text, "Program Will Now Close.");
  EXPECT_EQ(Words(s), Words(SettingsRecord{2, 16, 24, 1, 0, 42}));
}

}  // namespace
