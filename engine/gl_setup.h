// The OpenGL state the engine draws with: the multitexture entry points and the projection for
// the window's size.
#pragma once

#include <GL/gl.h>

extern int maxTextureUnits;
extern bool multitextureEnabled;
extern bool multitextureSupported;

// The multitexture entry points. They are resolved whatever the extension check says and are
// never null: an entry point the driver lacks is replaced by one that does nothing.
typedef void (*MultiTexCoord1fFn)(GLenum, GLfloat);
typedef void (*MultiTexCoord2fFn)(GLenum, GLfloat, GLfloat);
typedef void (*MultiTexCoord3fFn)(GLenum, GLfloat, GLfloat, GLfloat);
typedef void (*MultiTexCoord4fFn)(GLenum, GLfloat, GLfloat, GLfloat, GLfloat);
typedef void (*ActiveTextureFn)(GLenum);
extern MultiTexCoord1fFn multiTexCoord1fARB;
extern MultiTexCoord2fFn multiTexCoord2fARB;
extern MultiTexCoord3fFn multiTexCoord3fARB;
extern MultiTexCoord4fFn multiTexCoord4fARB;
extern ActiveTextureFn activeTextureARB;
extern ActiveTextureFn clientActiveTextureARB;

// The environment cube map that InitGL makes (six empty 128 x 128 faces).
extern GLuint envCubeMap;

void ResizeGLScene(int width, int height);
// True when name stands as a whole whitespace-separated token in the extension list; a null
// list has no extensions.
bool HasExtension(const char* list, const char* name);
bool InitMultitexture();

// Sphere-mapped texture coordinates for S and T (generation on, model-view pushed); End pops the
// matrix and turns generation off.
void BeginSphereMap();
void EndSphereMap();
// Reflection-mapped S, T and R into envCubeMap, in red, with the texture matrix (pushed) holding
// the transpose of the model-view's rotation, so that the cube map stays fixed to the world; End
// returns to 2-D texturing, an identity texture matrix and the model-view matrix.
void BeginEnvironmentMap();
void EndEnvironmentMap();

// 4 x 4 float matrices (column-major, as GL keeps them). out may be the same array as in.
void TransposeMatrix4(const float in[16], float out[16]);
// The inverse of in. A singular matrix (or one whose inverse does not fit in floats) has none:
// out becomes the identity and the result is false.
bool InvertMatrix4(const float in[16], float out[16]);
