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

void ResizeGLScene(int width, int height);
// True when name stands as a whole whitespace-separated token in the extension list; a null
// list has no extensions.
bool HasExtension(const char* list, const char* name);
bool InitMultitexture();
