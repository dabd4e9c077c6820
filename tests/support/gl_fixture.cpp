#include "gl_fixture.h"

#include <cstdlib>

#include "platform/dialog.h"
#include "platform/shell_open.h"
#include "platform/window.h"
#include "png_writer.h"

namespace {
bool created = false;
}

void GlTest::SetUp() {
  SetDialogHeadless(true);
  SetUrlOpeningEnabled(false);
  if (!created || !PlatformWindowExists()) {
    WindowStep failed;
    ASSERT_TRUE(PlatformCreateWindow("test", Width(), Height(), 32, 24, false, failed))
        << "no GL context: is DISPLAY set (run under xvfb-run)?";
    created = true;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glViewport(0, 0, Width(), Height());
  DrainGlErrors();
}

void GlTest::TearDown() { EXPECT_EQ(DrainGlErrors(), GLenum(GL_NO_ERROR)); }

std::vector<uint8_t> ReadBackBuffer(int width, int height) {
  std::vector<uint8_t> bottomUp(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<uint8_t> topDown(bottomUp.size());
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    std::copy(bottomUp.begin() + (height - 1 - y) * stride, bottomUp.begin() + (height - y) * stride,
              topDown.begin() + y * stride);
  return topDown;
}

std::string SaveWindowPicture(const std::string& name) {
  int w = 0, h = 0;
  PlatformClientSize(w, h);
  const std::string path = std::string(DUN_TEST_OUTPUT_DIR) + "/" + name + ".png";
  WritePng(path, w, h, 3, ReadBackBuffer(w, h));
  return path;
}

std::vector<uint8_t> GlTest::ReadPixels() { return ReadBackBuffer(Width(), Height()); }

void GlTest::PixelAt(int x, int y, uint8_t rgb[3]) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

std::string GlTest::SaveScreenshot(const std::string& name) {
  const std::string path = std::string(DUN_TEST_OUTPUT_DIR) + "/" + name + ".png";
  WritePng(path, Width(), Height(), 3, ReadPixels());
  return path;
}

GLenum GlTest::DrainGlErrors() {
  GLenum first = GL_NO_ERROR;
  for (int i = 0; i < 32; ++i) {
    const GLenum e = glGetError();
    if (e == GL_NO_ERROR) break;
    if (first == GL_NO_ERROR) first = e;
  }
  return first;
}

void GlTest::StackDepths(int& modelview, int& projection, int& texture) {
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelview);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projection);
  glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &texture);
}

void GlTest::ExpectPixel(int x, int y, int r, int g, int b) {
  uint8_t rgb[3];
  PixelAt(x, y, rgb);
  EXPECT_NEAR(rgb[0], r, 2) << "at " << x << ", " << y;
  EXPECT_NEAR(rgb[1], g, 2) << "at " << x << ", " << y;
  EXPECT_NEAR(rgb[2], b, 2) << "at " << x << ", " << y;
}

GLuint GlTest::MakeTexture(int width, int height, const uint8_t* rgb) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return name;
}

std::string DataFile(const std::string& relative) { return std::string(DUN_DATA_DIR) + "/" + relative; }

GLuint NearestTexture(int width, int height, const uint8_t* rgb) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return name;
}
