// The game window with its OpenGL compatibility context.
#pragma once

struct SDL_Window;

// Steps of window creation, so the caller can report which one failed, and the release of the
// context when the window goes.
enum class WindowStep { None, Register, CreateWindow, DeviceContext, ChoosePixelFormat, SetPixelFormat,
                        CreateContext, MakeCurrent, ReleaseContext };

// Starts the video system if needed; false when no display can be opened (a display-less
// fallback driver counts as none unless SDL_VIDEODRIVER asks for it).
bool PlatformInitVideo();
// True when the display offers exactly width x height at bitsPerPixel (for a full-screen switch).
bool PlatformHasDisplayMode(int width, int height, int bitsPerPixel);
// Creates the window (client area width x height, full screen when asked) and a current GL
// context with the given colour and depth bits, double-buffered, swap interval 0. On failure
// returns false and sets failedStep; whatever was made is destroyed again.
bool PlatformCreateWindow(const char* title, int width, int height, int colorBits, int depthBits,
                          bool fullscreen, WindowStep& failedStep);
// Releases the context and the window (each only when present). False when the context could not
// be made not current (it and the window are destroyed all the same).
bool PlatformDestroyWindow();
bool PlatformWindowExists();
bool PlatformContextCurrent();
void PlatformSwapBuffers();
void PlatformShowWindow();
void* PlatformGetProcAddress(const char* name);
SDL_Window* PlatformSdlWindow();
void PlatformClientSize(int& width, int& height);
// Tests: make the given step fail once.
void PlatformFailWindowStep(WindowStep step);
