// GL tests of the texture tables and the text: the game's own InitGL state, run from the
// generated data set as the working directory.
#pragma once

#include <GL/gl.h>
#include <unistd.h>

#include <string>

#include "app/gl_window.h"
#include "gl_fixture.h"

class TextureGlTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
    static bool initialised = false;
    if (!initialised) {
      ASSERT_TRUE(InitGL());
      initialised = true;
    }
    ResizeGLScene(Width(), Height());
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrainGlErrors();
  }
  void TearDown() override {
    ASSERT_EQ(chdir(DUN_DATA_DIR), 0);
    GlTest::TearDown();
  }
  // Draws a texture over the whole 800 x 600 menu space (the caller sets the projection).
  static void ScreenQuad(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(800, 0);
    glTexCoord2f(1, 1);
    glVertex2f(800, 600);
    glTexCoord2f(0, 1);
    glVertex2f(0, 600);
    glEnd();
  }
  // Sum of the three channels of a pixel read back (x from the left, y from the bottom).
  static int Brightness(int x, int y) {
    uint8_t rgb[3];
    PixelAt(x, y, rgb);
    return rgb[0] + rgb[1] + rgb[2];
  }
};
