#include "engine/gl_window.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <cstring>
#include <ctime>

#include "engine/random.h"
#include "engine/frame.h"
#include "engine/shell.h"
#include "engine/static_model.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "game/game_state.h"
#include "game/world.h"
#include "game/lan/net.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/window.h"

int maxTextureUnits = 0;
bool multitextureEnabled = true;
bool multitextureSupported = false;
GLuint envCubeMap = 0;

const char* const kFullscreenQuestionCaption = "Varo GL";

namespace {
void NoMultiTexCoord1f(GLenum, GLfloat) {}
void NoMultiTexCoord2f(GLenum, GLfloat, GLfloat) {}
void NoMultiTexCoord3f(GLenum, GLfloat, GLfloat, GLfloat) {}
void NoMultiTexCoord4f(GLenum, GLfloat, GLfloat, GLfloat, GLfloat) {}
void NoActiveTexture(GLenum) {}
}  // namespace

MultiTexCoord1fFn multiTexCoord1fARB = NoMultiTexCoord1f;
MultiTexCoord2fFn multiTexCoord2fARB = NoMultiTexCoord2f;
MultiTexCoord3fFn multiTexCoord3fARB = NoMultiTexCoord3f;
MultiTexCoord4fFn multiTexCoord4fARB = NoMultiTexCoord4f;
ActiveTextureFn activeTextureARB = NoActiveTexture;
ActiveTextureFn clientActiveTextureARB = NoActiveTexture;

namespace {

template <typename Fn>
void Resolve(Fn& slot, const char* name, Fn fallback) {
  void* p = PlatformGetProcAddress(name);
  slot = p ? reinterpret_cast<Fn>(p) : fallback;
}

void Error(const char* text) { ShowMessageBox(text, "ERROR", DialogButtons::Ok, DialogIcon::Exclamation); }

}  // namespace

bool HasExtension(const char* list, const char* name) {
  if (!list || !name || !*name) return false;
  const size_t n = std::strlen(name);
  const char* p = list;
  while (*p) {
    while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n') ++p;
    if (static_cast<size_t>(p - start) == n && std::strncmp(start, name, n) == 0) return true;
  }
  return false;
}

bool InitMultitexture() {
  // Entry points first, whatever the extensions say, so nothing ever calls a null pointer.
  Resolve(multiTexCoord1fARB, "glMultiTexCoord1fARB", MultiTexCoord1fFn(NoMultiTexCoord1f));
  Resolve(multiTexCoord2fARB, "glMultiTexCoord2fARB", MultiTexCoord2fFn(NoMultiTexCoord2f));
  Resolve(multiTexCoord3fARB, "glMultiTexCoord3fARB", MultiTexCoord3fFn(NoMultiTexCoord3f));
  Resolve(multiTexCoord4fARB, "glMultiTexCoord4fARB", MultiTexCoord4fFn(NoMultiTexCoord4f));
  Resolve(activeTextureARB, "glActiveTextureARB", ActiveTextureFn(NoActiveTexture));
  Resolve(clientActiveTextureARB, "glClientActiveTextureARB", ActiveTextureFn(NoActiveTexture));

  const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (HasExtension(ext, "GL_ARB_multitexture") && HasExtension(ext, "GL_EXT_texture_env_combine")) {
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &maxTextureUnits);
    return true;
  }
  multitextureEnabled = false;
  return false;
}

void ResizeGLScene(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(70.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height), 0.1, 400.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

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
  if (!PlatformInitVideo()) {
    Error("Failed To Register The Window Class.");
    return false;
  }
  if (fullscreen && !PlatformHasDisplayMode(width, height, bits)) {
    const DialogAnswer a = ShowMessageBox(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
        kFullscreenQuestionCaption, DialogButtons::YesNo, DialogIcon::Exclamation);
    if (a == DialogAnswer::Yes) {
      fullscreen = false;
    } else {
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
  PlatformDestroyWindow();
}
