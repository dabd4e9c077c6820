#include "engine/text.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>

#include "engine/textures.h"

unsigned smallFontBase = 0;
unsigned largeFontBase = 0;

namespace {

// One list per glyph: a textured square of side `size` followed by the advance.
unsigned BuildFont(int size, int advance) {
  const GLuint base = glGenLists(256);
  if (base == 0) return 0;
  glBindTexture(GL_TEXTURE_2D, screenTextures[2]);
  const float w = static_cast<float>(size);
  for (int g = 0; g < 256; ++g) {
    const float s = static_cast<float>(g % 16) / 16.0f;
    const float t = 1.0f - static_cast<float>(g / 16) / 16.0f - 1.0f / 16.0f;
    glNewList(base + g, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(s, t);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s + 1.0f / 16.0f, t);
    glVertex2f(w, 0.0f);
    glTexCoord2f(s + 1.0f / 16.0f, t + 1.0f / 16.0f);
    glVertex2f(w, w);
    glTexCoord2f(s, t + 1.0f / 16.0f);
    glVertex2f(0.0f, w);
    glEnd();
    glTranslated(advance, 0.0, 0.0);
    glEndList();
  }
  return base;
}

void KillFont(unsigned& base) {
  if (base != 0) glDeleteLists(base, 256);
  base = 0;
}

void PrintText(unsigned fontBase, int advance, int x, int y, float alpha, int charSet, const char* format,
               va_list args) {
  if (!format) return;
  char text[kMaxPrintLength + 1];
  const int written = std::vsnprintf(text, sizeof text, format, args);
  if (written < 0) return;
  if (charSet > 1) charSet = 1;
  if (charSet < 0) charSet = 0;

  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslated(x, y, 0.0);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  glBindTexture(GL_TEXTURE_2D, tgaTextures[7].id);
  const unsigned setBase = fontBase + 128u * static_cast<unsigned>(charSet);
  for (const char* p = text; *p; ++p) {
    const int c = static_cast<signed char>(*p);
    if (c >= 32 && c <= 127 && fontBase != 0)
      glCallList(setBase + static_cast<unsigned>(c - 32));
    else
      glTranslated(advance, 0.0, 0.0);
  }

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glBlendFunc(GL_ONE, GL_ONE);
}


}  // namespace

void BuildFontSmall() { smallFontBase = BuildFont(kSmallGlyphSize, kSmallAdvance); }
void BuildFontLarge() { largeFontBase = BuildFont(kLargeGlyphSize, kLargeAdvance); }
void KillFontSmall() { KillFont(smallFontBase); }
void KillFontLarge() { KillFont(largeFontBase); }

void PrintSmall(int x, int y, float alpha, int charSet, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintText(smallFontBase, kSmallAdvance, x, y, alpha, charSet, format, args);
  va_end(args);
}

void PrintLarge(int x, int y, int charSet, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintText(largeFontBase, kLargeAdvance, x, y, 1.0f, charSet, format, args);
  va_end(args);
}

void DrawLoadingScreen(int picture) {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_LIGHTING);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  if (picture == 0) {
    glBindTexture(GL_TEXTURE_2D, screenTextures[0]);
    DrawFullScreenQuad();
  } else if (picture == 1) {
    glBindTexture(GL_TEXTURE_2D, screenTextures[1]);
    DrawFullScreenQuad();
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    PrintLarge(325, 20, 1, "Loading...");
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void DrawFullScreenQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(0.0f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(800.0f, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(800.0f, 600.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(0.0f, 600.0f);
  glEnd();
}
