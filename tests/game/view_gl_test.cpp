// The camera of play: the model-view matrix after UpdateViewAndSound puts the bobbing eye at the
// origin looking along the view, and the red hurt overlay's alpha fades with every call.
#include <AL/al.h>
#include <AL/alc.h>
#include <GL/gl.h>

#include <cmath>

#include "game/game_state.h"
#include "game/player.h"
#include "game/world.h"
#include "engine/frame.h"
#include "gl_fixture.h"

namespace {

class ViewGl : public GlTest {};

// Applies the current model-view matrix to a point.
void Transform(const float m[16], const float p[3], float out[3]) {
  for (int r = 0; r < 3; ++r) out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
}

TEST_F(ViewGl, CameraSitsAtTheEyeAndLooksAlongTheView) {
  gameMode = 0;
  frameStep = 1.0f;
  players[0].bobPhase = 0.3f;
  players[0].hurtFlash = 0.0f;
  eyePosition.Set(10.0f, 1.0f, -5.0f);
  lookDirection.Set(0.0f, 0.0f, -1.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  UpdateViewAndSound(0, 1);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const float bob = 0.005f * std::sin(0.6f);
  const float eye[3] = {10.0f, 3.5f + bob, -5.0f};
  float e[3];
  Transform(m, eye, e);
  EXPECT_NEAR(e[0], 0.0f, 1e-4f);
  EXPECT_NEAR(e[1], 0.0f, 1e-4f);
  EXPECT_NEAR(e[2], 0.0f, 1e-4f);
  // A point ahead along the view lands on the negative z axis of the eye (the centre of the look
  // does not bob, so the view tilts by the bob: 0.03 at 10 units).
  const float ahead[3] = {10.0f, 3.5f, -15.0f};
  float a[3];
  Transform(m, ahead, a);
  EXPECT_NEAR(a[0], 0.0f, 1e-3f);
  EXPECT_NEAR(a[1], 0.0f, 0.05f);
  EXPECT_LT(a[2], -9.9f);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ViewGl, TheHurtOverlayFadesAtEveryCall) {
  gameMode = 0;
  frameStep = 2.0f;
  players[0].hurtFlash = 1.0f;
  for (int i = 0; i < 10; ++i) {
    glLoadIdentity();
    UpdateViewAndSound(0, 1);
  }
  EXPECT_NEAR(players[0].hurtFlash, 1.0f - 10 * 0.0015f, 1e-5f);
  // With no sound context, the listener half still runs without touching anything it lacks.
  UpdateViewAndSound(0, 0);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

// The listener moves with the player's normalised velocity; a player at rest gives it none, never
// the NaN of normalising a zero vector (which the sound system would refuse, keeping the old one).
TEST_F(ViewGl, TheListenerTakesTheDirectionOfMotionAndNoneAtRest) {
  ALCdevice* device = alcOpenDevice(nullptr);
  ASSERT_NE(device, nullptr);
  ALCcontext* context = alcCreateContext(device, nullptr);
  ASSERT_TRUE(alcMakeContextCurrent(context));
  gameMode = 0;
  float v[3] = {};
  players[0].velocity.Set(3.0f, 0.0f, 4.0f);
  UpdateViewAndSound(0, 0);
  alGetListener3f(AL_VELOCITY, &v[0], &v[1], &v[2]);
  EXPECT_FLOAT_EQ(v[0], 0.6f);
  EXPECT_FLOAT_EQ(v[2], 0.8f);
  players[0].velocity.Set(0.0f, 0.0f, 0.0f);
  UpdateViewAndSound(0, 0);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  alGetListener3f(AL_VELOCITY, &v[0], &v[1], &v[2]);
  for (float c : v) EXPECT_EQ(c, 0.0f);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
}

}  // namespace
