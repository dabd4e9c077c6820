#include "app/shell.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdio>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/formats/settings_file.h"
#include "engine/frame.h"
#include "app/render_frame.h"
#include "app/gl_window.h"
#include "game/game_state.h"
#include "game/input.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "sound/music_track.h"
#include "sound/openal_device.h"
#include "sound/sound_source.h"

bool fullscreen = true;
bool showFps = false;

const char* const kSettingsPath = "base/menu.inf";

namespace {

bool DefaultPeek(Message& m) { return PeekMessage(m); }
bool DefaultCreate() { return CreateGameWindow("Dunmarrow", screenWidth, screenHeight, colorBits, fullscreen); }

ShellHooks hooks = DefaultShellHooks();

// Keys whose release frees the one-press latch.
const int kLatchKeys[] = {VK_SPACE, VK_F1, VK_F2, VK_F3, 'Q', 'E', 'Y', 'R', 'F',
                          'L',      'K',   'C',   'X',   'Z', 'O', 'P', 'I', 'U'};

// Releases what start-up took of the sound system: the sources, the music, the buffers, the
// context and the device.
void ReleaseSound() {
  for (const EffectSoundFile& e : kEffectSounds) e.sound->Release();
  menuMusic.Release();
  ShutdownOpenAL();
}

}  // namespace

ShellHooks DefaultShellHooks() {
  return ShellHooks{DefaultPeek, GameWindowProc, RenderFrame, PlatformSwapBuffers, DefaultCreate, DestroyGameWindow};
}

void SetShellHooks(const ShellHooks& h) { hooks = h; }

void DeriveWindowSize() { ResolutionSize(resolutionIndex, screenWidth, screenHeight); }

void DeriveResolutionIndex() {
  if (screenWidth == 640) resolutionIndex = 0;
  else if (screenWidth == 800) resolutionIndex = 1;
  else if (screenWidth == 1024) resolutionIndex = 2;
}

void LoadSettings(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string why;
  SettingsRecord s;
  // A missing file is the first start; anything else that keeps the settings out is named.
  if (!ReadWholeFile(path, bytes, kMaxOwnFileBytes, &why)) ReportOwnFileNotLoaded(path, why);
  else if (!ParseSettings(bytes, s, &why)) ReportOwnFileNotLoaded(path, why);
  resolutionIndex = s.resolutionIndex;
  colorBits = s.colorBits;
  depthBits = s.depthBits;
  soundOn = s.soundOn != 0;
  musicOn = s.musicOn != 0;
  spareSetting = s.spareSetting;
  DeriveWindowSize();
}

bool SaveSettings(const std::string& path) {
  SettingsRecord s;
  s.resolutionIndex = resolutionIndex;
  s.colorBits = colorBits;
  s.depthBits = depthBits;
  s.soundOn = soundOn;
  s.musicOn = musicOn;
  s.spareSetting = spareSetting;
  std::string why;
  const bool ok = WriteWholeFile(path, SerializeSettings(s), false, &why);
  if (!ok) ReportDataFileNotSaved(path, why);
  DeriveWindowSize();
  return ok;
}

void ResetShell() {
  resolutionIndex = 1;
  colorBits = 32;
  depthBits = 24;
  soundOn = musicOn = true;
  spareSetting = 0;
  screenWidth = screenHeight = 0;
  fullscreen = true;
  windowActive = true;
  quitRequested = recreateWindow = showFps = false;
  keyLatch = false;
  ReleaseTappedInput();
  for (bool& k : keys) k = false;
  hooks = DefaultShellHooks();
}

PassResult MessageLoopPass(LoopState& st) {
  if (st.done) return PassResult::Done;

  Message m;
  if (hooks.peek(m)) {
    st.lastWParam = m.wParam;
    if (m.code == WM_QUIT) st.done = true;
    else hooks.dispatch(m);
    return PassResult::Continue;
  }

  if (windowActive) {
    if (!hooks.renderFrame() || quitRequested) st.done = true;
    else hooks.swap();
  } else {
    hooks.swap();
    // Nothing to draw: give the processor back instead of spinning.
    PlatformSleepMs(5);
  }

  if (keys[VK_ESCAPE] && gameState == 0) {
    gameState = 4;
    stepsSound.Stop();
    otherStepsSound.Stop();
  }
  if (keys[VK_F1] && !keyLatch && gameState == 0) {
    showFps = !showFps;
    keyLatch = true;
  }
  ReleaseTappedInput();
  bool anyLatchKey = false;
  for (int k : kLatchKeys) anyLatchKey = anyLatchKey || keys[k];
  if (!anyLatchKey) keyLatch = false;

  if (recreateWindow) {
    recreateWindow = false;
    hooks.destroyWindow();
    startupLoading = true;
    loadProgress = 0.0f;
    DeriveResolutionIndex();
    if (!hooks.createWindow()) return PassResult::Abort;
  }
  return PassResult::Continue;
}

int WinMain() {
  LoadSettings(kSettingsPath);

  // The device name of the original sound system does not exist here; the default device serves.
  ALCdevice* device = alcOpenDevice("DirectSound3D");
  if (!device) device = alcOpenDevice(nullptr);
  if (!device) {
    std::fprintf(stderr, "No sound device could be opened; run with ALSOFT_DRIVERS=null to play without sound.\n");
    return -1;
  }
  ALCcontext* context = alcCreateContext(device, nullptr);
  alcMakeContextCurrent(context);
  alGetError();

  for (const EffectSoundFile& e : kEffectSounds) e.sound->Load(e.file, e.loop);
  menuMusic.Open("base/music/menu.ogg", true, true);
  alDistanceModel(AL_INVERSE_DISTANCE);

  // A start that ends without a window (no display, full screen refused and the window declined)
  // still hands the sound device back, and ends as a failure: the box has said why.
  if (!CreateGameWindow("Dunmarrow", screenWidth, screenHeight, colorBits, fullscreen)) {
    ReleaseSound();
    return kNoWindowExitCode;
  }

  LoopState st;
  for (;;) {
    const PassResult r = MessageLoopPass(st);
    if (r == PassResult::Abort) {
      ReleaseSound();
      // The player accepted new settings and then declined the window offered for them: the game
      // ends by their choice, and what they accepted is kept like at any other end.
      if (WindowDeclinedByPlayer()) SaveSettings(kSettingsPath);
      return kNoWindowExitCode;
    }
    if (r == PassResult::Done) break;
  }

  ReleaseSound();
  SaveSettings(kSettingsPath);  // a failure is named on standard error
  // No statistics page is published, so none is opened in a browser at the end.
  DestroyGameWindow();
  return static_cast<int>(st.lastWParam);
}
