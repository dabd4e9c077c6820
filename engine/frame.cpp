#include "engine/frame.h"

#include <cmath>

#include "platform/clock.h"

FrameTimer frameTimer;
float frameStep = 0.0f;
float frameDelta = 0.0f;
float gameClock = 0.0f;
float secondsClock = 0.0f;
float framesPerSecond = 0.0f;
bool startupLoading = true;
float loadProgress = 0.0f;
bool musicRestartPending = false;

namespace {
double previousSeconds = 0.0;
double previousTenths = 0.0;
}  // namespace

void TimerInit() {
  frameTimer = FrameTimer{};
  const int64_t frequency = PlatformFrequency();
  if (frequency > 0) {
    frameTimer.frequency = frequency;
    frameTimer.pcStart = PlatformCounter();
    frameTimer.performanceCounter = true;
    frameTimer.resolution = 1.0 / static_cast<double>(frequency);
    frameTimer.pcElapsed = frameTimer.pcStart;
  } else {
    frameTimer.performanceCounter = false;
    frameTimer.mmStart = PlatformMilliseconds();
    frameTimer.resolution = 0.001;
    frameTimer.frequency = 1000;
    frameTimer.mmElapsed = frameTimer.mmStart;
  }
}

double TimerGetTime() {
  int64_t counts = 0;
  if (frameTimer.performanceCounter) {
    counts = PlatformCounter() - frameTimer.pcStart;
  } else {
    // Taken modulo 2^32, so the time runs on across the wrap of the millisecond count.
    const uint32_t elapsed = PlatformMilliseconds() - frameTimer.mmStart;
    counts = static_cast<int64_t>(elapsed);
  }
  return static_cast<double>(counts) * frameTimer.resolution * 1000.0;
}

void ResetFrameClock() {
  previousSeconds = previousTenths = 0.0;
  frameStep = frameDelta = gameClock = secondsClock = framesPerSecond = 0.0f;
  startupLoading = true;
  loadProgress = 0.0f;
  musicRestartPending = false;
}

void AdvanceFrameClock() {
  const double s = TimerGetTime() / 1000.0;
  framesPerSecond = static_cast<float>(1.0 / (s - previousSeconds));
  previousSeconds = s;

  const double d = TimerGetTime() / 100.0;
  frameDelta = static_cast<float>(std::fabs(d - previousTenths));
  frameStep = 10.0f * frameDelta;
  previousTenths = d;

  // A long frame never turns into one huge step, but below 20 frames per second the game still
  // runs at 50 ms per frame rather than stopping.
  if (frameStep > kLongestFrameStep) frameStep = kLongestFrameStep;
  gameClock += 10.0f * frameStep;
}

int LoadingPhaseStep(bool& loadNow) {
  loadProgress += 0.01f * frameStep;
  const int picture = loadProgress < 7.0f ? 0 : 1;
  loadNow = loadProgress > 8.0f;
  return picture;
}

int FpsDisplayValue(float fps) {
  if (!std::isfinite(fps) || fps <= 0.0f) return 0;
  if (fps >= 9999.0f) return 9999;
  return static_cast<int>(fps);
}
