// The real start-up, message loop and shut-down, in process (fake clock, scripted input) and as
// the real binary.
#include <gtest/gtest.h>

#include <AL/alc.h>
#include <GL/gl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "e2e_support.h"
#include "gl_fixture.h"
#include "engine/frame.h"
#include "app/render_frame.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/events.h"
#include "platform/shell_open.h"
#include "sound/sound_source.h"
#include "png_writer.h"

namespace {

int64_t fakeNow = 0;
int framesSeen = 0;
int closeAfterFrames = 0;
bool sawLoadingFirst = false, sawLoadingSecond = false, sawMenu = false;

// Each frame takes 20 ms of fake time; the window is closed after a set number of frames.
bool ScriptedFrame() {
  fakeNow += 20'000'000;
  const bool loadingBefore = startupLoading;
  const bool result = RenderFrame();
  ++framesSeen;
  if (loadingBefore && loadProgress < 7.0f) {
    if (!sawLoadingFirst) SaveWindowPicture("e2e_loading_first");
    sawLoadingFirst = true;
  } else if (loadingBefore) {
    if (!sawLoadingSecond) SaveWindowPicture("e2e_loading_second");
    sawLoadingSecond = true;
  } else if (gameState == 1) {
    if (!sawMenu) SaveWindowPicture("e2e_main_menu");
    sawMenu = true;
  }
  if (framesSeen == closeAfterFrames) PostMessage(WM_CLOSE, 0, 0);
  return result;
}

// Waits for a child process to end; kills it when it is still running after the given seconds.
// False when it had to be killed.
bool WaitOrKill(pid_t pid, int seconds, int& status) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return false;
}

// An in-process run in a fresh run directory with the given settings file: headless boxes, no
// browser, the fake clock.
std::string PrepareInProcessRun(const std::string& name, const std::vector<unsigned char>& settings) {
  const std::string dir = MakeRunDirectory(name);
  WriteFileBytes(dir + "/base/menu.inf", settings);
  if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
  SetDialogHeadless(true);
  SetUrlOpeningEnabled(false);
  InstallFakeClock(&fakeNow);
  return dir;
}

}  // namespace

TEST(ShellEndToEnd, StartsLoadsReachesTheMenuAndEndsOnClose) {
  // An invalid resolution (3) must come back as the default, proving the file is rewritten.
  const std::string dir = PrepareInProcessRun(
      "shell_in_process", {3, 0, 0, 0, 32, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 42, 0, 0, 0});
  fakeNow = 1'000'000'000;
  ResetFrameClock();
  ResetShell();
  ShellHooks hooks = DefaultShellHooks();
  hooks.renderFrame = ScriptedFrame;
  closeAfterFrames = 8 * 50 + 30;  // past the 8 s loading phase, then some menu frames
  SetShellHooks(hooks);
  fullscreen = false;  // a test display offers no 800 x 600 full-screen mode

  const int code = WinMain();
  InstallFakeClock(nullptr);
  SetShellHooks(DefaultShellHooks());

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(sawLoadingFirst);
  EXPECT_TRUE(sawLoadingSecond);
  EXPECT_TRUE(sawMenu);
  EXPECT_EQ(framesSeen, closeAfterFrames);
  const std::vector<unsigned char> written = ReadFileBytes(dir + "/base/menu.inf");
  ASSERT_EQ(written.size(), 24u);
  EXPECT_EQ(written[0], 1);    // resolution back to the default
  EXPECT_EQ(written[12], 0);   // sound off kept
  EXPECT_EQ(written[20], 42);  // spare word kept
  // A normal end opens no web page.
  EXPECT_EQ(LastOpenedUrl(), "");
}

namespace {

bool AskForANewWindow() {
  fakeNow += 20'000'000;
  recreateWindow = true;
  return true;
}
bool RefuseTheWindow() { return false; }

}  // namespace

// The two ends of a run without a window: the full-screen mode refused and the offered window
// declined at start, and a window re-creation that fails. Each hands back the sound device, its
// context and the sources that start-up took, and ends as a failure.
TEST(ShellEndToEnd, EveryEndWithoutAWindowReleasesTheSoundDevice) {
  // 16-bit colour: no display of the test offers it, so full screen is refused.
  PrepareInProcessRun("shell_no_window", {1, 0, 0, 0, 16, 0, 0, 0, 24, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

  ResetShell();
  ScriptDialogAnswer(DialogAnswer::No);
  EXPECT_EQ(WinMain(), kNoWindowExitCode);
  EXPECT_EQ(alcGetCurrentContext(), nullptr);
  EXPECT_EQ(gun1Sound.source, 0u);
  EXPECT_EQ(menuClickSound.source, 0u);

  ResetShell();
  ShellHooks hooks = DefaultShellHooks();
  hooks.renderFrame = AskForANewWindow;
  hooks.createWindow = RefuseTheWindow;
  SetShellHooks(hooks);
  fullscreen = false;
  EXPECT_EQ(WinMain(), kNoWindowExitCode);
  EXPECT_EQ(alcGetCurrentContext(), nullptr);
  EXPECT_EQ(gun1Sound.source, 0u);

  InstallFakeClock(nullptr);
  SetShellHooks(DefaultShellHooks());
}

TEST(ShellEndToEnd, RealBinaryRunsFullScreenAndEndsCleanlyWhenAskedToClose) {
  const std::string dir = MakeRunDirectory("shell_binary");
  // 15-bit colour is not offered: the default (32) must be written back; the spare word stays.
  WriteFileBytes(dir + "/base/menu.inf", {1, 0, 0, 0, 15, 0, 0, 0, 24, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0});
  const std::string binary = std::string(DUN_BINARY_DIR) + "/dunmarrow";
  ASSERT_EQ(access(binary.c_str(), X_OK), 0);
  // A display of its own whose only mode is 800 x 600, so the full-screen switch succeeds; the
  // window system's close request (SIGTERM becomes a quit event) comes after three seconds.
  const std::string script = "cd '" + dir + "' && xvfb-run -a -s '-screen 0 800x600x24' sh -c '\"" + binary +
                             "\" & pid=$!; sleep 3; kill -TERM $pid; wait $pid'";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  int status = 0;
  if (!WaitOrKill(pid, 30, status)) FAIL() << "the game did not end after the close request";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::vector<unsigned char> written = ReadFileBytes(dir + "/base/menu.inf");
  ASSERT_EQ(written.size(), 24u);
  EXPECT_EQ(written[4], 32);
  EXPECT_EQ(written[20], 9);
}

// On a display without the settings' full-screen mode, where no box can put the question whether
// to play in a window, the game plays in a window, says so in one line, reaches the main menu and
// ends normally when closed (writing its settings).
TEST(ShellEndToEnd, AFullScreenQuestionNobodyCanSeePlaysInAWindow) {
  const std::string dir = MakeRunDirectory("shell_unseen_question");
  // 800 x 600: the 1024 x 768 display below has no such mode.
  WriteFileBytes(dir + "/base/menu.inf", {1, 0, 0, 0, 32, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0});
  const std::string binary = std::string(DUN_BINARY_DIR) + "/dunmarrow";
  const std::string control = dir + "/control";
  const std::string script = "cd '" + dir + "' && exec xvfb-run -a -s '-screen 0 1024x768x24' '" + binary +
                             "' 2>'" + dir + "/stderr.txt'";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The control channel runs the game on a fixed clock and shows no box (nobody could answer).
    setenv("DUNMARROW_TEST_CONTROL", control.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  // Wait for the main menu after the loading phase, then close the window.
  bool reachedMenu = false, ended = false;
  int status = 0;
  for (int i = 0; i < 60 * 20 && !reachedMenu && !ended; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ended = waitpid(pid, &status, WNOHANG) == pid;
    const std::vector<unsigned char> bytes = ReadFileBytes(control + ".state");
    const std::string state(bytes.begin(), bytes.end());
    reachedMenu = state.find("\nloading 0\n") != std::string::npos && state.find("\ngameState 1\n") != std::string::npos;
  }
  if (reachedMenu) WriteFileBytes(control + ".in", {'c', 'l', 'o', 's', 'e', '\n'});
  if (!ended && !WaitOrKill(pid, 30, status)) ADD_FAILURE() << "the game did not end after the close request";
  const std::vector<unsigned char> errorBytes = ReadFileBytes(dir + "/stderr.txt");
  const std::string errors(errorBytes.begin(), errorBytes.end());
  EXPECT_TRUE(reachedMenu) << errors;
  ASSERT_TRUE(WIFEXITED(status)) << errors;
  EXPECT_EQ(WEXITSTATUS(status), 0) << errors;
  const size_t line = errors.find("Playing in a window: ");
  ASSERT_NE(line, std::string::npos) << errors;
  EXPECT_EQ(errors.substr(line, errors.find('\n', line) - line),
            "Playing in a window: this display has no 800x600 full-screen mode and the question could not be shown.");
  EXPECT_EQ(errors.find("Program Will Now Close"), std::string::npos) << errors;
  const std::vector<unsigned char> written = ReadFileBytes(dir + "/base/menu.inf");
  ASSERT_EQ(written.size(), 24u);
  EXPECT_EQ(written[20], 5);
}

namespace {

struct GameRun {
  int exitCode = -1000;  // the exit status, or -1000 when the game did not end by itself
  std::string errors;    // what it wrote on standard error
};

// Runs the real binary in its own run directory with the given environment changes (an empty
// value removes the variable) and waits at most 20 s for it to end.
GameRun RunGame(const std::string& name, const std::vector<std::pair<std::string, std::string>>& environment) {
  const std::string dir = MakeRunDirectory(name);
  const std::string binary = std::string(DUN_BINARY_DIR) + "/dunmarrow";
  const std::string errorsPath = dir + "/stderr.txt";
  GameRun run;
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0 || !std::freopen(errorsPath.c_str(), "w", stderr)) _exit(92);
    for (const auto& [variable, value] : environment) {
      if (value.empty()) unsetenv(variable.c_str());
      else setenv(variable.c_str(), value.c_str(), 1);
    }
    execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  int status = 0;
  if (!WaitOrKill(pid, 20, status)) return run;
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  const std::vector<unsigned char> errors = ReadFileBytes(errorsPath);
  run.errors.assign(errors.begin(), errors.end());
  return run;
}

}  // namespace

// A start that cannot go on says why and ends with a failing exit code: without any display the
// window box says so (no full-screen question); without a sound device one line tells how to play
// silently.
TEST(ShellEndToEnd, AStartWithoutADisplayOrASoundDeviceSaysWhyAndFails) {
  const GameRun noDisplay = RunGame("shell_no_display", {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""},
                                                         {"SDL_VIDEODRIVER", ""}, {"ALSOFT_DRIVERS", "null"}});
  EXPECT_EQ(noDisplay.exitCode, kNoWindowExitCode) << noDisplay.errors;
  EXPECT_NE(noDisplay.errors.find("[ERROR] Can't Open A Display"), std::string::npos) << noDisplay.errors;
  EXPECT_EQ(noDisplay.errors.find("Fullscreen"), std::string::npos) << noDisplay.errors;

  const GameRun noSound = RunGame("shell_no_sound_device", {{"ALSOFT_DRIVERS", "none"}});
  EXPECT_EQ(noSound.exitCode, 255) << noSound.errors;
  const size_t line = noSound.errors.find("No sound device");
  ASSERT_NE(line, std::string::npos) << noSound.errors;
  const std::string text = noSound.errors.substr(line, noSound.errors.find('\n', line) - line);
  EXPECT_NE(text.find("ALSOFT_DRIVERS=null"), std::string::npos) << text;
}
