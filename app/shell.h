// The application shell: settings, start-up, the message loop and shut-down.
#pragma once

#include <string>

#include "game/settings.h"
#include "platform/events.h"
#include "sound/sound_settings.h"

extern bool fullscreen;
extern bool showFps;

extern const char* const kSettingsPath;  // "base/menu.inf"

// Reads the settings file; a missing, short or invalid file gives the defaults for what is
// missing or invalid, and any such file but a missing one is named on standard error. Derives the
// window size.
void LoadSettings(const std::string& path);
// Writes the settings file (atomically); false when the write failed, which is named on standard
// error with the reason (the file on disk is then as it was).
bool SaveSettings(const std::string& path);
// Sets screenWidth and screenHeight from resolutionIndex; other indices leave them.
void DeriveWindowSize();
// The reverse, at window re-creation: 640, 800 and 1024 wide give 0, 1, 2; other widths leave it.
void DeriveResolutionIndex();

// The whole life of the process; returns the exit code: the last quit message's code after a
// normal end, -1 when no sound device opens, kNoWindowExitCode when no window could be made (at
// start or on re-creation).
constexpr int kNoWindowExitCode = 1;
int WinMain();

// The message loop, in pieces that tests drive with their own hooks.
struct ShellHooks {
  bool (*peek)(Message&);
  void (*dispatch)(const Message&);
  bool (*renderFrame)();
  void (*swap)();
  bool (*createWindow)();  // re-creation with the current settings
  void (*destroyWindow)();
};
ShellHooks DefaultShellHooks();
void SetShellHooks(const ShellHooks& hooks);

struct LoopState {
  bool done = false;
  uintptr_t lastWParam = 0;
};
enum class PassResult { Continue, Done, Abort };
// One pass of the loop (steps 1 to 7). Done: run the shut-down; Abort: the window could not be
// re-created and the program ends at once.
PassResult MessageLoopPass(LoopState& state);

// Resets the shell's globals to their start values (tests).
void ResetShell();
