// The frame clock.
#pragma once

#include <cstdint>

// The one time source of the program: the platform's high-resolution counter, or, when that
// cannot be used (it reports no frequency), the millisecond count. The difference is kept in
// 64-bit counts and the time in double, so increments never vanish after hours of running.
struct FrameTimer {
  int64_t frequency = 0;      // counts per second (1000 with the millisecond count)
  double resolution = 0.0;    // seconds per count
  uint32_t mmStart = 0;       // millisecond count at TimerInit (millisecond count only)
  uint32_t mmElapsed = 0;     // set to mmStart at TimerInit
  bool performanceCounter = false;  // true when the high-resolution counter is used
  int64_t pcStart = 0;
  int64_t pcElapsed = 0;
};
extern FrameTimer frameTimer;

void TimerInit();
// Milliseconds since TimerInit.
double TimerGetTime();

// The longest step a frame may take, in hundredths of a second: a frame of 50 ms or more (a load,
// a stall, the first frame after the timer restarts) counts as 50 ms.
constexpr float kLongestFrameStep = 5.0f;
// Elapsed time of the last frame in hundredths of a second, at most kLongestFrameStep.
extern float frameStep;
// Elapsed time of the last frame in tenths of a second.
extern float frameDelta;
// Milliseconds, advanced by ten times frameStep each frame.
extern float gameClock;
// Seconds, advanced after the drawing (not while loading).
extern float secondsClock;
extern float framesPerSecond;

extern bool startupLoading;
extern float loadProgress;
extern bool musicRestartPending;

// Steps 1 to 4 of every frame: read the timer and advance the clocks.
void AdvanceFrameClock();
// Forgets the previous readings (tests; the timer restart handles the rest).
void ResetFrameClock();
// The loading phase's bookkeeping for one frame: advances loadProgress, returns the picture to
// show (0 or 1) and sets loadNow when the bulk load runs in this frame.
int LoadingPhaseStep(bool& loadNow);
// The number the frame-rate text shows: 0 for a non-finite rate, clamped to 0..9999.
int FpsDisplayValue(float fps);
