// Frame rate of the real game: the program's own message loop and frame function, in an 800 x 600
// window, on each career map along a fixed scripted walk (forward, turning, strafing, firing) with
// the bandits active. The game runs on a fake clock of 1/60 s per frame and a fixed random seed, so
// every run draws the same frames whatever the machine's speed; the wall time of each frame (the
// whole loop pass: frame, buffer swap, messages) is what is measured. Prints per map the median and
// the 5th-percentile frame rate and saves one picture per map at a fixed point of the walk.
//
//   frame_rate [--maps 1,7,10] [--frames N] [--shots DIR] [--shot-frame N] [--frame-log FILE]
//
// The player is kept alive (health 100, no kills counted) so that every map is walked in full.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "engine/formats/settings_file.h"
#include "engine/frame.h"
#include "engine/random.h"
#include "app/render_frame.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "game/level.h"
#include "game/map_intro.h"
#include "game/player.h"
#include "gl_fixture.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/events.h"
#include "platform/shell_open.h"
#include "platform/window.h"
#include "png_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kGameFrameNs = 16'666'667;  // the fake clock's step: 1/60 s
constexpr int kWarmUpFrames = 10;             // the first frames of a map are not counted
constexpr uint32_t kSeed = 20261207u;

struct MapResult {
  int map = 0;
  std::vector<double> frameMs;
};

std::vector<int> maps = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
int playFrames = 360;
int shotFrame = 150;
std::string shotsDir;
std::string frameLog;  // every counted frame's wall time, one line a frame

int64_t fakeCounter = 0;
size_t mapIndex = 0;
bool mapStarted = false;
int playFrame = -1;  // frames of play drawn on the current map
int inputPostedFor = -1;
Clock::time_point lastFrameStart;
bool timing = false;
std::vector<MapResult> results;

void Key(int vk, bool down) { PostMessage(down ? WM_KEYDOWN : WM_KEYUP, static_cast<uintptr_t>(vk), 0); }
void Button(bool down) { PostMessage(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 1 : 0, MakeLParam(320, 240)); }

// The walk's input before play frame f: forward all along, turning left, then right, then left
// again, two strafes, and a pistol click every half second.
void PostWalkInput(int f) {
  int turn = -3;
  if (f >= 120 && f < 240) turn = 4;
  if (f >= 240) turn = -2;
  OverrideCursorPos(true, 320 + turn, 240);
  if (f == 0) Key('W', true);
  if (f == 60) Key('D', true);
  if (f == 100) Key('D', false);
  if (f == 200) Key('A', true);
  if (f == 240) Key('A', false);
  if (f % 30 == 10) Button(true);
  if (f % 30 == 14) Button(false);
}

void StartMap(int map) {
  GameSrand(kSeed);
  gameMode = 0;
  difficulty = 3;
  mapNumber = map;
  gameState = 44;
  mapIntroTimer = 1000.0f;  // the next frame ends the intro and loads the map
  mapStarted = true;
  playFrame = -1;
  inputPostedFor = -1;
  timing = false;
  results.push_back(MapResult{map, {}});
}

void EndMap() {
  Key('W', false);
  Button(false);
  OverrideCursorPos(true, 320, 240);
  UnloadMap();
  gameState = 1;
  mapStarted = false;
  timing = false;
  ++mapIndex;
}

bool BenchPeek(Message& m) {
  if (PeekMessage(m)) return true;
  if (startupLoading) return false;
  if (!mapStarted) {
    if (mapIndex >= maps.size()) {
      PostMessage(WM_CLOSE, 0, 0);
      return PeekMessage(m);
    }
    StartMap(maps[mapIndex]);
    return false;
  }
  if (gameState != 0) return false;
  if (playFrame + 1 >= playFrames) {
    EndMap();
    return PeekMessage(m);
  }
  if (inputPostedFor != playFrame + 1) {
    inputPostedFor = playFrame + 1;
    PostWalkInput(inputPostedFor);
    return PeekMessage(m);
  }
  return false;
}

void SaveShot(int map) {
  if (shotsDir.empty()) return;
  int w = 0, h = 0;
  PlatformClientSize(w, h);
  char name[32];
  std::snprintf(name, sizeof name, "map%02d.png", map);
  WritePng(shotsDir + "/" + name, w, h, 3, ReadBackBuffer(w, h));
}

bool BenchRender() {
  const Clock::time_point start = Clock::now();
  if (timing && playFrame >= kWarmUpFrames) {
    results.back().frameMs.push_back(std::chrono::duration<double, std::milli>(start - lastFrameStart).count());
  }
  lastFrameStart = start;
  // The loading screens only wait for time to pass: they run at 40 ms per frame.
  fakeCounter += startupLoading ? 40'000'000 : kGameFrameNs;
  if (mapStarted && gameState == 0) {
    players[0].health = 100.0f;
    players[0].kills = 0;
  }
  const bool r = RenderFrame();
  if (mapStarted && gameState == 0) {
    ++playFrame;
    timing = true;
    if (playFrame == shotFrame) {
      SaveShot(mapNumber);
      lastFrameStart = Clock::now();  // the read-back is not part of the frame
    }
  }
  return r;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

bool ParseMaps(const char* text) {
  maps.clear();
  for (const char* p = text; *p;) {
    char* end = nullptr;
    const long m = std::strtol(p, &end, 10);
    if (end == p || m < 1 || m > 10) return false;
    maps.push_back(static_cast<int>(m));
    p = *end == ',' ? end + 1 : end;
    if (*end && *end != ',') return false;
  }
  return !maps.empty();
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--maps" && hasValue && ParseMaps(argv[i + 1])) {
      ++i;
    } else if (a == "--frames" && hasValue && std::atoi(argv[i + 1]) > kWarmUpFrames) {
      playFrames = std::atoi(argv[++i]);
    } else if (a == "--shot-frame" && hasValue) {
      shotFrame = std::atoi(argv[++i]);
    } else if (a == "--frame-log" && hasValue) {
      frameLog = argv[++i];
    } else if (a == "--shots" && hasValue) {
      shotsDir = std::filesystem::absolute(argv[++i]).string();
      std::filesystem::create_directories(shotsDir);
    } else {
      std::fprintf(stderr, "usage: %s [--maps 1,7,10] [--frames N>%d] [--shots DIR] [--shot-frame N] [--frame-log FILE]\n", argv[0], kWarmUpFrames);
      return 2;
    }
  }

  // A private copy of the data set, with settings for an 800 x 600 window.
  const std::filesystem::path dir = MakeRunDirectory("frame_rate");
  std::filesystem::current_path(dir);
  SettingsRecord settings;
  settings.resolutionIndex = 1;
  settings.colorBits = 32;
  settings.depthBits = 24;
  settings.soundOn = 1;
  settings.musicOn = 1;
  WriteFileBytes("base/menu.inf", SerializeSettings(settings));

  SetDialogHeadless(true);
  SetUrlOpeningEnabled(false);
  ResetFrameClock();
  fullscreen = false;
  InstallFakeClock(&fakeCounter);
  ShellHooks hooks = DefaultShellHooks();
  hooks.peek = BenchPeek;
  hooks.renderFrame = BenchRender;
  SetShellHooks(hooks);
  const int exitCode = WinMain();
  InstallFakeClock(nullptr);

  std::printf("%-4s %10s %10s %8s\n", "map", "median", "5th pct", "frames");
  bool complete = exitCode == 0 && results.size() == maps.size();
  for (const MapResult& r : results) {
    const double median = Percentile(r.frameMs, 0.5);
    const double slow = Percentile(r.frameMs, 0.95);
    std::printf("%-4d %10.1f %10.1f %8zu\n", r.map, median > 0 ? 1000.0 / median : 0.0,
                slow > 0 ? 1000.0 / slow : 0.0, r.frameMs.size());
    complete = complete && !r.frameMs.empty();
  }
  std::fflush(stdout);
  if (!frameLog.empty()) {
    if (FILE* f = std::fopen(frameLog.c_str(), "w")) {
      for (const MapResult& r : results) {
        for (size_t i = 0; i < r.frameMs.size(); ++i) std::fprintf(f, "%d %zu %.3f\n", r.map, i + kWarmUpFrames, r.frameMs[i]);
      }
      std::fclose(f);
    }
  }
  return complete ? 0 : 1;
}
