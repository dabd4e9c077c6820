#include "app/gl_window.h"

#include <GL/glext.h>

#include <cstdio>
#include <ctime>

#include "engine/random.h"
#include "engine/frame.h"
#include "app/shell.h"
#include "engine/static_model.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "game/game_state.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/window.h"

const char* const kFullscreenQuestionCaption = "Varo GL";
const char* const kWindowedFallbackNote = "Playing in a window";

namespace {

bool windowDeclined = false;

void Error(const char* text) { ShowMessageBox(text, "ERROR", DialogButtons::Ok, DialogIcon::Exclamation); }

}  // namespace

bool WindowDeclinedByPlayer() { return windowDeclined; }

bool InitGL() {
  // Every upload of the program uses tightly packed rows.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  GameSrand(static_cast<uint32_t>(std::time(nullptr)));
  localNetId = GameRand() % 998 + 1;
  TimerInit();
  multitextureSupported = InitMultitexture();

  glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  const GLfloat ambient[4] = {0.35f, 0.35f, 0.35f, 1.0f};
  const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat position[4] = {200.0f, 600.0f, 0.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHT1);

  // The last colour-material call is the one in effect: back faces' ambient follows the colour.
  glColorMaterial(GL_FRONT, GL_DIFFUSE);
  glColorMaterial(GL_FRONT, GL_AMBIENT);
  glColorMaterial(GL_FRONT, GL_EMISSION);
  glColorMaterial(GL_FRONT, GL_SPECULAR);
  glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
  glColorMaterial(GL_BACK, GL_AMBIENT);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_NORMALIZE);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);

  const GLfloat fogColor[4] = {0.0f, 0.0f, 0.0f, 0.5f};
  glFogi(GL_FOG_MODE, GL_EXP2);
  glFogfv(GL_FOG_COLOR, fogColor);
  glFogf(GL_FOG_DENSITY, 0.0045f);
  glHint(GL_FOG_HINT, GL_DONT_CARE);
  glFogf(GL_FOG_START, 30.0f);
  glFogf(GL_FOG_END, 300.0f);
  glEnable(GL_FOG);

  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);

  LoadScreenTextures();
  LoadTgaTextures();
  BuildFontSmall();
  BuildFontLarge();

  gameState = 1;
  mapNumber = 1;

  glEnable(GL_TEXTURE_CUBE_MAP);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  BindNewCubeMap(envCubeMap, GL_LINEAR_MIPMAP_LINEAR);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_GENERATE_MIPMAP, GL_TRUE);
  for (GLenum face : kCubeMapFaces) glTexImage2D(face, 0, GL_RGB, 128, 128, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glDisable(GL_TEXTURE_CUBE_MAP);

  InitBurstParticles();
  return true;
}

bool CreateGameWindow(const char* title, int width, int height, int bits, bool wantFullscreen) {
  fullscreen = wantFullscreen;
  windowDeclined = false;
  // Without a display neither a full-screen mode nor a window can be had: say so, rather than
  // asking about a full-screen mode.
  if (!PlatformInitVideo()) {
    Error("Can't Open A Display (No X11 Or Wayland Display Is Reachable).");
    return false;
  }
  if (fullscreen && !PlatformHasDisplayMode(width, height, bits)) {
    const DialogAnswer a = ShowMessageBox(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
        kFullscreenQuestionCaption, DialogButtons::YesNo, DialogIcon::Exclamation);
    if (a == DialogAnswer::Yes) {
      fullscreen = false;
    } else if (a == DialogAnswer::NotShown) {
      // Nobody could be asked: an unput question must not end the game, so play in a window.
      fullscreen = false;
      std::fprintf(stderr, "%s: this display has no %dx%d full-screen mode and the question could not be shown.\n",
                   kWindowedFallbackNote, width, height);
    } else {
      windowDeclined = true;
      ShowMessageBox("Program Will Now Close.", "ERROR", DialogButtons::Ok, DialogIcon::Stop);
      return false;
    }
  }
  ShowSystemCursor(!fullscreen);

  WindowStep failed = WindowStep::None;
  if (!PlatformCreateWindow(title, width, height, bits, depthBits, fullscreen, failed)) {
    DestroyGameWindow();
    switch (failed) {
      case WindowStep::Register: Error("Failed To Register The Window Class."); break;
      case WindowStep::CreateWindow: Error("Window Creation Error."); break;
      case WindowStep::DeviceContext: Error("Can't Create A GL Device Context."); break;
      case WindowStep::ChoosePixelFormat: Error("Can't Find A Suitable PixelFormat."); break;
      case WindowStep::SetPixelFormat: Error("Can't Set The PixelFormat."); break;
      case WindowStep::CreateContext: Error("Can't Create A GL Rendering Context."); break;
      default: Error("Can't Activate The GL Rendering Context."); break;
    }
    return false;
  }
  PlatformShowWindow();
  ResizeGLScene(width, height);
  if (!InitGL()) {
    DestroyGameWindow();
    Error("Initialization Failed.");
    return false;
  }
  return true;
}

void DestroyGameWindow() {
  if (fullscreen) ShowSystemCursor(true);
  // GL objects go while their context is still current.
  if (PlatformContextCurrent()) {
    KillFontSmall();
    KillFontLarge();
    FreeTgaTextures();
    ReleaseModelTextures();
    if (envCubeMap) glDeleteTextures(1, &envCubeMap);
  }
  envCubeMap = 0;
  SetCursorRelativeMode(false);
  // Of the release steps only this one can fail here: deleting the context, the window and its
  // class have no failure to report.
  if (!PlatformDestroyWindow()) {
    ShowMessageBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", DialogButtons::Ok, DialogIcon::Information);
  }
}
