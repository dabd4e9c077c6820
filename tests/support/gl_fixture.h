// A GL test fixture: a hidden window with a compatibility context (through the platform layer),
// pixel read-back and screenshots under the build tree's test-output folder.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class GlTest : public ::testing::Test {
 protected:
  // One window and context for the whole test program (created on first use, 800 x 600).
  void SetUp() override;
  void TearDown() override;

  static int Width() { return 800; }
  static int Height() { return 600; }
  // Reads the back buffer (RGB, rows top to bottom).
  static std::vector<uint8_t> ReadPixels();
  // RGB of one pixel, x from the left and y from the bottom (GL window coordinates).
  static void PixelAt(int x, int y, uint8_t rgb[3]);
  // Saves the back buffer as test-output/NAME.png; returns the path.
  static std::string SaveScreenshot(const std::string& name);
  // Every pending GL error, drained; 0 when none.
  static GLenum DrainGlErrors();
  // Depth of the model-view, projection and texture stacks.
  static void StackDepths(int& modelview, int& projection, int& texture);
  // Expects the pixel at (x, y) (GL window coordinates) to be (r, g, b) within 2 per channel.
  static void ExpectPixel(int x, int y, int r, int g, int b);
  // A new texture of width x height RGB texels (rows bottom-up) with nearest filtering and no
  // mipmaps; it is left bound.
  static GLuint MakeTexture(int width, int height, const uint8_t* rgb);
};

// Reads the back buffer of the current context (RGB, rows top to bottom).
std::vector<uint8_t> ReadBackBuffer(int width, int height);
// Saves the back buffer of the current window (its client size) as test-output/NAME.png;
// returns the path.
std::string SaveWindowPicture(const std::string& name);

// A 2-D RGB texture of width x height texels (rows bottom up), sampled without filtering; it is
// left bound.
GLuint NearestTexture(int width, int height, const uint8_t* rgb);

// Path of a file in the generated sample data set.
std::string DataFile(const std::string& relative);
