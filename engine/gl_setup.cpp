#include "engine/gl_setup.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <cstring>

#include "platform/window.h"

int maxTextureUnits = 0;
bool multitextureEnabled = true;
bool multitextureSupported = false;

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
