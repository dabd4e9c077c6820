#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "engine/frame.h"
#include "app/render_frame.h"
#include "app/gl_window.h"
#include "app/shell.h"
#include "game/lan/net.h"
#include "game/game_state.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/shell_open.h"
#include "platform/window.h"
#include "png_writer.h"

namespace {

class GameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDialogHeadless(true);
    SetUrlOpeningEnabled(false);
    ClearDialogHistory();
    ResetShell();
  }
  void TearDown() override {
    DestroyGameWindow();
    ClearDialogHistory();
  }
};

void ExpectFloats(GLenum what, GLenum light, std::initializer_list<float> want) {
  GLfloat got[4] = {};
  if (light) glGetLightfv(light, what, got);
  else glGetFloatv(what, got);
  int i = 0;
  for (float w : want) EXPECT_NEAR(got[i++], w, 1e-4f) << "pname " << what << " index " << i - 1;
}

}  // namespace

TEST_F(GameWindowTest, WindowedCreationSetsUpTheFixedState) {
  gameState = 0;
  mapNumber = 7;
  ASSERT_TRUE(CreateGameWindow("Dunmarrow", 640, 480, 32, false));
  EXPECT_TRUE(DialogHistory().empty());
  EXPECT_FALSE(fullscreen);
  int w = 0, h = 0;
  PlatformClientSize(w, h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 640);
  EXPECT_EQ(viewport[3], 480);
  GLint unpack = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
  EXPECT_EQ(unpack, 1);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  GLint v = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &v);
  EXPECT_EQ(v, GL_LEQUAL);
  glGetIntegerv(GL_BLEND_SRC, &v);
  EXPECT_EQ(v, GL_SRC_ALPHA);
  glGetIntegerv(GL_BLEND_DST, &v);
  EXPECT_EQ(v, GL_ONE);
  glGetIntegerv(GL_FOG_MODE, &v);
  EXPECT_EQ(v, GL_EXP2);
  glGetIntegerv(GL_COLOR_MATERIAL_FACE, &v);
  EXPECT_EQ(v, GL_BACK);
  glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &v);
  EXPECT_EQ(v, GL_AMBIENT);
  glGetIntegerv(GL_MATRIX_MODE, &v);
  EXPECT_EQ(v, GL_MODELVIEW);
  ExpectFloats(GL_FOG_DENSITY, 0, {0.0045f});
  ExpectFloats(GL_CURRENT_COLOR, 0, {1, 1, 1, 0.5f});
  ExpectFloats(GL_AMBIENT, GL_LIGHT1, {0.35f, 0.35f, 0.35f, 1});
  ExpectFloats(GL_DIFFUSE, GL_LIGHT1, {1, 1, 1, 1});
  EXPECT_NE(envCubeMap, 0u);

  // Mesa offers both extensions; the entry points are never null in any case.
  EXPECT_TRUE(multitextureSupported);
  EXPECT_GE(maxTextureUnits, 2);
  ASSERT_NE(activeTextureARB, nullptr);
  ASSERT_NE(multiTexCoord2fARB, nullptr);
  activeTextureARB(GL_TEXTURE1_ARB);
  activeTextureARB(GL_TEXTURE0_ARB);

  // InitGL lands in the main menu with map 1.
  EXPECT_EQ(gameState, 1);
  EXPECT_EQ(mapNumber, 1);
  EXPECT_GE(localNetId, 1);
  EXPECT_LE(localNetId, 998);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GameWindowTest, ResizeWithZeroHeightUsesOne) {
  ASSERT_TRUE(CreateGameWindow("Dunmarrow", 640, 480, 32, false));
  ResizeGLScene(640, 0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 640);
  EXPECT_EQ(viewport[3], 1);
  GLfloat p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  // gluPerspective: p[0] = f / aspect, p[5] = f with f = 1 / tan(35 degrees); aspect 640 / 1.
  const float f = 1.0f / std::tan(35.0f * 3.14159265f / 180.0f);
  EXPECT_NEAR(p[5], f, 1e-4f);
  EXPECT_NEAR(p[0], f / 640.0f, 1e-6f);
}

TEST_F(GameWindowTest, RefusedFullScreenWithYesGivesAWindow) {
  // No display offers 700 x 500, so the switch is refused and the question is asked.
  ScriptDialogAnswer(DialogAnswer::Yes);
  ASSERT_TRUE(CreateGameWindow("Dunmarrow", 700, 500, 32, true));
  ASSERT_EQ(DialogHistory().size(), 1u);
  EXPECT_EQ(DialogHistory()[0].caption, "Varo GL");
  EXPECT_EQ(DialogHistory()[0].text,
            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
  EXPECT_FALSE(fullscreen);
  int w = 0, h = 0;
  PlatformClientSize(w, h);
  EXPECT_EQ(w, 700);
  EXPECT_EQ(h, 500);
}

TEST_F(GameWindowTest, RefusedFullScreenWithNoEndsTheStart) {
  ScriptDialogAnswer(DialogAnswer::No);
  EXPECT_FALSE(CreateGameWindow("Dunmarrow", 700, 500, 32, true));
  ASSERT_EQ(DialogHistory().size(), 2u);
  EXPECT_EQ(DialogHistory()[1].caption, "ERROR");
  EXPECT_EQ(DialogHistory()[1].text, "Program Will Now Close.");
  EXPECT_FALSE(PlatformWindowExists());
}

TEST_F(GameWindowTest, EachFailedStepShowsItsMessage) {
  const struct {
    WindowStep step;
    const char* text;
  } cases[] = {
      {WindowStep::CreateWindow, "Window Creation Error."},
      {WindowStep::DeviceContext, "Can't Create A GL Device Context."},
      {WindowStep::ChoosePixelFormat, "Can't Find A Suitable PixelFormat."},
      {WindowStep::SetPixelFormat, "Can't Set The PixelFormat."},
      {WindowStep::CreateContext, "Can't Create A GL Rendering Context."},
      {WindowStep::MakeCurrent, "Can't Activate The GL Rendering Context."},
  };
  for (const auto& c : cases) {
    ClearDialogHistory();
    PlatformFailWindowStep(c.step);
    EXPECT_FALSE(CreateGameWindow("Dunmarrow", 640, 480, 32, false));
    ASSERT_EQ(DialogHistory().size(), 1u) << c.text;
    EXPECT_EQ(DialogHistory()[0].caption, "ERROR");
    EXPECT_EQ(DialogHistory()[0].text, c.text);
    EXPECT_FALSE(PlatformWindowExists());
  }
}

// Of the releases that the window's destruction makes, only the context's can fail here: it shows
// its message and the destruction goes on.
TEST_F(GameWindowTest, AFailedContextReleaseShowsItsShutdownMessage) {
  ASSERT_TRUE(CreateGameWindow("Dunmarrow", 640, 480, 32, false));
  PlatformFailWindowStep(WindowStep::ReleaseContext);
  DestroyGameWindow();
  ASSERT_EQ(DialogHistory().size(), 1u);
  EXPECT_EQ(DialogHistory()[0].caption, "SHUTDOWN ERROR");
  EXPECT_EQ(DialogHistory()[0].text, "Release Of DC And RC Failed.");
  EXPECT_FALSE(PlatformWindowExists());
  DestroyGameWindow();  // nothing left to release: no message
  EXPECT_EQ(DialogHistory().size(), 1u);
}

// The platform layer cleans up after its own failed steps, so that a caller other than the game
// window (or a retry) never finds a half-made window or context left over.
TEST_F(GameWindowTest, FailedPlatformCreationLeavesNothingBehind) {
  for (WindowStep step : {WindowStep::DeviceContext, WindowStep::SetPixelFormat, WindowStep::CreateContext,
                          WindowStep::MakeCurrent}) {
    PlatformFailWindowStep(step);
    WindowStep failed = WindowStep::None;
    EXPECT_FALSE(PlatformCreateWindow("test", 320, 240, 32, 24, false, failed));
    EXPECT_EQ(failed, step);
    EXPECT_FALSE(PlatformWindowExists());
    EXPECT_EQ(PlatformSdlWindow(), nullptr);
  }
  WindowStep failed = WindowStep::None;
  ASSERT_TRUE(PlatformCreateWindow("test", 320, 240, 32, 24, false, failed));
  EXPECT_TRUE(PlatformContextCurrent());
}

TEST_F(GameWindowTest, LoadingPhaseFreezesTheSecondsClockAndThenLoads) {
  int64_t counter = 5'000'000'000;
  InstallFakeClock(&counter);
  ResetFrameClock();
  ASSERT_TRUE(CreateGameWindow("Dunmarrow", 640, 480, 32, false));
  // 8 s of 40 ms frames, then a little more.
  int frames = 0;
  while (startupLoading && frames < 1000) {
    counter += 40'000'000;
    RenderFrame();
    ++frames;
    EXPECT_EQ(secondsClock, 0.0f);
  }
  EXPECT_FALSE(startupLoading);
  EXPECT_GE(frames, 200);  // 40 ms frames: 8 s is 200 of them
  EXPECT_LE(frames, 202);
  EXPECT_TRUE(musicRestartPending);
  counter += 40'000'000;
  RenderFrame();
  EXPECT_NEAR(secondsClock, 0.04f, 1e-5f);
  EXPECT_FALSE(musicRestartPending);  // played again once (music is on)
  InstallFakeClock(nullptr);
}
