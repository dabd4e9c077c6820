#include "engine/gl_setup.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>

#include "platform/window.h"

int maxTextureUnits = 0;
bool multitextureEnabled = true;
bool multitextureSupported = false;
GLuint envCubeMap = 0;

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

void BeginSphereMap() {
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glPushMatrix();
}

void EndSphereMap() {
  glPopMatrix();
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
}

void BeginEnvironmentMap() {
  glEnable(GL_TEXTURE_CUBE_MAP);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
  glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_GEN_R);
  glBindTexture(GL_TEXTURE_CUBE_MAP, envCubeMap);
  glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
  // Reflections come out in eye space; the transposed model-view turns them back into the
  // world's directions, so the cube map stays fixed to the world as the view turns. Only its
  // rotation is transposed: the translation would land in the row that makes the q coordinate,
  // which scales the direction and, negative, turns it round.
  float modelview[16];
  float transposed[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  modelview[12] = modelview[13] = modelview[14] = 0.0f;
  TransposeMatrix4(modelview, transposed);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadMatrixf(transposed);
  // Back to the model-view, so that the drawing in between transforms its geometry, not the
  // texture coordinates.
  glMatrixMode(GL_MODELVIEW);
}

void EndEnvironmentMap() {
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_CUBE_MAP);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
}

void TransposeMatrix4(const float in[16], float out[16]) {
  float t[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) t[4 * r + c] = in[4 * c + r];
  std::memcpy(out, t, sizeof t);
}

bool InvertMatrix4(const float in[16], float out[16]) {
  double m[16];
  for (int i = 0; i < 16; ++i) m[i] = in[i];
  // The adjugate: each entry the signed cofactor of the transposed position.
  double inv[16];
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
           m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
           m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
           m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
            m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
           m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
           m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
           m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
            m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
           m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
           m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
            m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
            m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
           m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
           m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
            m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
            m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  float result[16];
  bool invertible = det != 0.0 && std::isfinite(det);
  for (int i = 0; invertible && i < 16; ++i) {
    result[i] = static_cast<float>(inv[i] / det);
    invertible = std::isfinite(result[i]);
  }
  if (!invertible) {
    for (int i = 0; i < 16; ++i) result[i] = (i % 5 == 0) ? 1.0f : 0.0f;
  }
  std::memcpy(out, result, sizeof result);
  return invertible;
}
