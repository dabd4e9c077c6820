#include "engine/text.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>

#include "engine/textures.h"

unsigned smallFontBase = 0;
unsigned largeFontBase = 0;

namespace {

// The glyph sheet's mipmap levels that text may sample: the full sheet and the half-size level.
// Each glyph's quad leaves out the outermost texel ring of its cell, so a filtered sample at the
// quad's edge lands on a texel centre of its own cell in both levels (half a texel in from the
// cell's edge at level 1) and never blends in the neighbouring glyphs, whatever the window size.
// Smaller levels would need a wider ring; a glyph drawn that small loses little by staying on
// level 1.
constexpr int kGlyphSheetMaxLevel = 1;

// One list per glyph: a textured square of side `size` followed by the advance. The square's
// outermost ring of one sheet texel stays undrawn (see kGlyphSheetMaxLevel); what is drawn keeps
// the same place and scale as the whole cell would have.
unsigned BuildFont(int size, int advance) {
  const GLuint base = glGenLists(256);
  if (base == 0) return 0;
  glBindTexture(GL_TEXTURE_2D, screenTextures[2]);
  const float w = static_cast<float>(size);
  const TgaTexture& sheet = tgaTextures[7];
  const float sheetW = static_cast<float>(sheet.width > 0 ? sheet.width : 512);
  const float sheetH = static_cast<float>(sheet.height > 0 ? sheet.height : 512);
  const float ds = 1.0f / sheetW, dt = 1.0f / sheetH;  // one texel
  const float dx = w * 16.0f / sheetW, dy = w * 16.0f / sheetH;  // one texel on the square
  for (int g = 0; g < 256; ++g) {
    const float s = static_cast<float>(g % 16) / 16.0f;
    const float t = 1.0f - static_cast<float>(g / 16) / 16.0f - 1.0f / 16.0f;
    glNewList(base + g, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(s + ds, t + dt);
    glVertex2f(dx, dy);
    glTexCoord2f(s + 1.0f / 16.0f - ds, t + dt);
    glVertex2f(w - dx, dy);
    glTexCoord2f(s + 1.0f / 16.0f - ds, t + 1.0f / 16.0f - dt);
    glVertex2f(w - dx, w - dy);
    glTexCoord2f(s + ds, t + 1.0f / 16.0f - dt);
    glVertex2f(dx, w - dy);
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
  if (tgaTextures[7].id != static_cast<GLuint>(-1))
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, kGlyphSheetMaxLevel);
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
