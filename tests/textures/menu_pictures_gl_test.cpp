// The menu pictures drawn the way the menu screens combine them: the scrolling strips in the
// game's perspective, a mask multiplied in, a picture added on top, white text and the cursor.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/text.h"
#include "engine/textures.h"
#include "texture_gl_fixture.h"

namespace {

// The four strips at the top and bottom edges, as the menus scroll them (clock 0).
void Strips() {
  glBindTexture(GL_TEXTURE_2D, bmpTextures[5]);
  glColor4f(1, 1, 1, 1);
  const float ys[4] = {10.0f, 8.8f, -8.8f, -10.0f};
  for (int i = 0; i < 4; ++i) {
    glPushMatrix();
    glTranslatef(0, ys[i], -15);
    glBegin(GL_QUADS);
    glTexCoord2f(0.25f * i, 0);
    glVertex2f(-14, -0.6f);
    glTexCoord2f(0.25f * i, 28);
    glVertex2f(14, -0.6f);
    glTexCoord2f(0.25f * i + 0.25f, 28);
    glVertex2f(14, 0.6f);
    glTexCoord2f(0.25f * i + 0.25f, 0);
    glVertex2f(-14, 0.6f);
    glEnd();
    glPopMatrix();
  }
}

class MenuPicturesGlTest : public TextureGlTest {
 protected:
  void Layered(GLuint mask, GLuint picture) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glLoadIdentity();
    Strips();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    ScreenQuad(mask);
    glBlendFunc(GL_ONE, GL_ONE);
    ScreenQuad(picture);
    glDisable(GL_BLEND);
    // The cursor triangle at menu (400, 300).
    glBindTexture(GL_TEXTURE_2D, bmpTextures[14]);
    glTranslatef(400, 280, 0);
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0.5f, 1);
    glVertex2f(0, 20);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(15, 5);
    glEnd();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
  }
};

TEST_F(MenuPicturesGlTest, MainMenuShowsTheStripsInTheBandsAndStaysDarkUnderTheItems) {
  ASSERT_TRUE(LoadBmpTextures());
  Layered(bmpTextures[1], bmpTextures[15]);
  // The strips show through the mask in the top and bottom bands.
  int bandLight = 0;
  for (int x = 0; x < 800; x += 8) bandLight += Brightness(x, 580) > 60 ? 1 : 0;
  EXPECT_GT(bandLight, 40);
  // Where the white items stand (x 70..180, y 150..330) the picture is dark.
  int itemLight = 0;
  for (int y = 150; y < 330; y += 6)
    for (int x = 70; x < 180; x += 6) itemLight = std::max(itemLight, Brightness(x, y));
  EXPECT_LT(itemLight, 150);
  PrintSmall(70, 308, 1.0f, 1, "CAREER");
  PrintSmall(70, 258, 0.7f, 1, "MULTIPLAYER");
  PrintSmall(70, 208, 0.7f, 1, "OPTIONS");
  PrintSmall(70, 158, 0.7f, 1, "EXIT");
  SaveScreenshot("menu_main");

  Layered(bmpTextures[7], bmpTextures[22]);
  PrintLarge(305, 500, 1, "OPTIONS");
  PrintSmall(60, 470, 0.7f, 1, "Display resolution");
  PrintSmall(285, 470, 0.7f, 1, "800x600");
  PrintSmall(480, 470, 0.7f, 1, "Sound");
  PrintSmall(579, 470, 0.7f, 1, "YES");
  PrintSmall(7, 78, 0.7f, 1, "  BACK");
  PrintSmall(210, 78, 0.7f, 1, "ACCEPT");
  SaveScreenshot("menu_options");
}

}  // namespace
