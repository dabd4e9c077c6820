// Drawing helpers shared by the menu screens (800 x 600 menu space, y up).
#pragma once

#include <GL/gl.h>

// The bound-texture quad over the whole 800 x 600 menu space, texture coordinates 0..1.
void DrawFullScreenPicture(GLuint texture);
// Picture a multiplied onto the scrolling strips, picture b added on top.
void DrawLayeredBackground(GLuint a, GLuint b);
// The opaque menu picture, which hides the strips.
void DrawPlainBackground();
// A menu row item: brighter and 5 units to the right while its hover latch is set.
void DrawRowItem(int x0, int y, int latch, int charSet, const char* text);
