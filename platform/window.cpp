#include "platform/window.h"

#include <SDL2/SDL.h>

namespace {
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
WindowStep injectedFailure = WindowStep::None;

bool Fails(WindowStep s) {
  if (injectedFailure == s) {
    injectedFailure = WindowStep::None;
    return true;
  }
  return false;
}
}  // namespace

void PlatformFailWindowStep(WindowStep step) { injectedFailure = step; }

bool PlatformInitVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  // When no real display answers, SDL falls back to a driver that draws nowhere; unless the user
  // chose one of those on purpose, that is no display at all.
  const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool nowhere = driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
  if (nowhere && (chosen == nullptr || *chosen == '\0')) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

bool PlatformHasDisplayMode(int width, int height, int bitsPerPixel) {
  if (!PlatformInitVideo()) return false;
  const int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    const int bpp = SDL_BITSPERPIXEL(m.format);
    const bool depthMatches = bpp == bitsPerPixel || (bitsPerPixel == 32 && bpp == 24);
    if (m.w == width && m.h == height && depthMatches) return true;
  }
  return false;
}

bool PlatformCreateWindow(const char* title, int width, int height, int colorBits, int depthBits,
                          bool fullscreen, WindowStep& failedStep) {
  failedStep = WindowStep::None;
  if (Fails(WindowStep::Register) || !PlatformInitVideo()) {
    failedStep = WindowStep::Register;
    return false;
  }
  // Pixel format: RGB of the requested colour depth, no alpha, the requested depth buffer, no
  // stencil or accumulation, double buffered, in a compatibility (fixed-function) context.
  const int channel = colorBits <= 16 ? 5 : 8;
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, colorBits <= 16 ? 6 : 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
  // A failed step releases whatever the earlier steps made.
  auto fail = [&failedStep](WindowStep step) {
    failedStep = step;
    PlatformDestroyWindow();
    return false;
  };
  window = Fails(WindowStep::CreateWindow) ? nullptr : SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (!window) return fail(WindowStep::CreateWindow);
  if (Fails(WindowStep::DeviceContext)) return fail(WindowStep::DeviceContext);
  if (Fails(WindowStep::ChoosePixelFormat)) return fail(WindowStep::ChoosePixelFormat);
  if (Fails(WindowStep::SetPixelFormat)) return fail(WindowStep::SetPixelFormat);
  context = Fails(WindowStep::CreateContext) ? nullptr : SDL_GL_CreateContext(window);
  if (!context) return fail(WindowStep::CreateContext);
  if (Fails(WindowStep::MakeCurrent) || SDL_GL_MakeCurrent(window, context) != 0) {
    return fail(WindowStep::MakeCurrent);
  }
  SDL_GL_SetSwapInterval(0);
  return true;
}

void PlatformShowWindow() {
  if (!window) return;
  SDL_ShowWindow(window);
  SDL_RaiseWindow(window);
}

bool PlatformDestroyWindow() {
  bool released = true;
  if (context) {
    released = SDL_GL_MakeCurrent(window, nullptr) == 0 && !Fails(WindowStep::ReleaseContext);
    SDL_GL_DeleteContext(context);
    context = nullptr;
  }
  if (window) {
    SDL_DestroyWindow(window);
    window = nullptr;
  }
  return released;
}

bool PlatformWindowExists() { return window != nullptr; }
bool PlatformContextCurrent() { return context != nullptr && SDL_GL_GetCurrentContext() == context; }

void PlatformSwapBuffers() {
  if (window && context) SDL_GL_SwapWindow(window);
}

void* PlatformGetProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

SDL_Window* PlatformSdlWindow() { return window; }

void PlatformClientSize(int& width, int& height) {
  width = height = 0;
  if (window) SDL_GetWindowSize(window, &width, &height);
}
