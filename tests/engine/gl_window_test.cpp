#include <gtest/gtest.h>

#include "gl_fixture.h"

TEST_F(GlTest, ClearColourReadsBack) {
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  uint8_t rgb[3];
  PixelAt(10, 10, rgb);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[1], 0);
  SaveScreenshot("fixture_red");
}
