#include "app/main/test_control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/frame.h"
#include "app/render_frame.h"
#include "app/shell.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/player.h"
#include "game/lan/net.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/events.h"
#include "platform/shell_open.h"

namespace {

constexpr int64_t kFrameNanoseconds = 48'000'000;

std::string prefix;
int64_t fakeNow = 1'000'000'000;
long inputOffset = 0;
std::string pendingLine;
int frames = 0;
int commands = 0;  // input lines executed so far
int hitBursts = 0;
int cursorX = 320, cursorY = 240;

void Execute(const std::string& line) {
  int a = 0, b = 0;
  if (std::sscanf(line.c_str(), "cursor %d %d", &a, &b) == 2) {
    cursorX = a;
    cursorY = b;
    OverrideCursorPos(true, a, b);
  } else if (std::sscanf(line.c_str(), "key %d %d", &a, &b) == 2) {
    PostMessage(b ? WM_KEYDOWN : WM_KEYUP, static_cast<uintptr_t>(a), 0);
  } else if (std::sscanf(line.c_str(), "button %d", &a) == 1) {
    PostMessage(a ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, MakeLParam(cursorX, cursorY));
  } else if (std::sscanf(line.c_str(), "size %d %d", &a, &b) == 2) {
    PostMessage(WM_SIZE, SIZE_RESTORED, MakeLParam(a, b));
  } else if (line == "close") {
    PostMessage(WM_CLOSE, 0, 0);
  }
}

// Takes the complete lines appended since the last frame.
void ReadCommands() {
  FILE* f = std::fopen((prefix + ".in").c_str(), "rb");
  if (!f) return;
  std::fseek(f, inputOffset, SEEK_SET);
  int c;
  while ((c = std::fgetc(f)) != EOF) {
    ++inputOffset;
    if (c != '\n') {
      pendingLine.push_back(static_cast<char>(c));
      continue;
    }
    Execute(pendingLine);
    ++commands;
    pendingLine.clear();
  }
  std::fclose(f);
}

void WriteVec(FILE* f, int player, const char* name, const Vec3& v) {
  std::fprintf(f, "p%d%s %.4f %.4f %.4f\n", player, name, v.x, v.y, v.z);
}

void WriteState() {
  const std::string path = prefix + ".state", temporary = path + ".tmp";
  FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return;
  const char* result = LanResultText(gameMode, scores);
  std::fprintf(f, "frame %d\ncommands %d\nloading %d\ngameState %d\ngameMode %d\nmapNumber %d\n", frames, commands, startupLoading ? 1 : 0,
               gameState, gameMode, mapNumber);
  std::fprintf(f, "hostState %d\nclientType %d\nlocalNetId %d\nhostId %d\n", hostBlock.state, clientBlock.type,
               localNetId, hostBlock.hostId);
  std::fprintf(f, "acceptedClientId %d\njoinedHostId %d\nport %d\nserver0 %d\n", acceptedClientId, joinedHostId,
               UdpLocalPort(netSocket), serverList[0].id);
  std::fprintf(f, "clientClock %.3f\n", clientBlock.clientClock);
  std::fprintf(f, "scores %d %d\nresult %s\nhitBursts %d\n", scores[0], scores[1],
               result ? (std::strstr(result, "win") ? "win" : "lost") : "none", hitBursts);
  for (int i = 0; i < 2; ++i) {
    const PlayerRecord& p = players[i];
    WriteVec(f, i, "position", p.position);
    WriteVec(f, i, "view", p.viewDirection);
    std::fprintf(f, "p%dhealth %.3f\np%dammo %d\n", i, p.health, i, p.ammo[0]);
  }
  std::fclose(f);
  std::rename(temporary.c_str(), path.c_str());
}

// One frame on the fixed clock, between the commands and the state. A hit burst shows as a hit
// particle whose life rises (lives only fall, except when a burst re-spawns them).
bool ControlledFrame() {
  fakeNow += kFrameNanoseconds;
  ReadCommands();
  float lives[kHitParticleCount];
  for (int i = 0; i < kHitParticleCount; ++i) lives[i] = hitParticles[i].life;
  const bool inPlay = gameState == 0 && !startupLoading;
  const bool result = RenderFrame();
  bool burst = false;
  for (int i = 0; i < kHitParticleCount; ++i) burst = burst || hitParticles[i].life > lives[i];
  if (inPlay && gameState == 0 && burst) ++hitBursts;
  ++frames;
  WriteState();
  return result;
}

}  // namespace

bool InstallTestControl() {
  const char* p = std::getenv("DUNMARROW_TEST_CONTROL");
  if (p == nullptr || *p == '\0') return false;
  prefix = p;
  InstallFakeClock(&fakeNow);
  SetUrlOpeningEnabled(false);
  SetDialogHeadless(true);
  ShellHooks hooks = DefaultShellHooks();
  hooks.renderFrame = ControlledFrame;
  SetShellHooks(hooks);
  return true;
}
