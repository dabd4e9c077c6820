// Opening and closing the sound device, its error check, and a machine without any device.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "sound/music_track.h"
#include "sound/openal_device.h"

namespace {

TEST(OpenALDeviceTest, InitPlacesTheListenerAndShutdownClosesEverything) {
  SetDialogHeadless(true);
  ClearDialogHistory();
  ASSERT_TRUE(InitOpenAL());  // openal-soft's null device is the default here
  ALCcontext* context = alcGetCurrentContext();
  ASSERT_NE(context, nullptr);
  ALCdevice* device = alcGetContextsDevice(context);
  ALfloat orientation[6] = {};
  alGetListenerfv(AL_ORIENTATION, orientation);
  EXPECT_EQ(std::vector<ALfloat>(orientation, orientation + 6), (std::vector<ALfloat>{0, 0, -1, 0, 1, 0}));
  EXPECT_NE(GetAlcInfo().find(std::string("DEVICE_SPECIFIER: ") + alcGetString(device, ALC_DEVICE_SPECIFIER)),
            std::string::npos);

  EXPECT_TRUE(CheckAlcError(device));
  ALCint value = 0;
  alcGetIntegerv(device, 0x7777, 1, &value);  // no such query
  EXPECT_FALSE(CheckAlcError(device));
  ASSERT_EQ(DialogHistory().size(), 1u);
  EXPECT_EQ(DialogHistory()[0].caption, "Error");
  EXPECT_EQ(DialogHistory()[0].text.rfind("ALC error: ", 0), 0u);
  EXPECT_GT(DialogHistory()[0].text.size(), std::string("ALC error: ").size());
  EXPECT_TRUE(CheckAlcError(device));  // reading the error cleared it

  // A streamed track leaves its two buffers in the cache; shutting down deletes them.
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  soundBufferCache[buffer] = SoundBufferRecord{buffer, "x.ogg", 22050, AL_FORMAT_MONO16};
  ShutdownOpenAL();
  EXPECT_TRUE(soundBufferCache.empty());
  EXPECT_EQ(alcGetCurrentContext(), nullptr);
  // The device is closed: a second shut-down finds nothing to release.
  ShutdownOpenAL();
}

TEST(OpenALDeviceTest, NoDeviceIsReported) {
  // The library picks its back-ends on first use, so this runs in a process of its own.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
        SetDialogHeadless(true);
        const bool opened = InitOpenAL();
        std::exit(!opened && alcGetCurrentContext() == nullptr && DialogHistory().size() == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "\\[Error\\] Default sound device not present");
}

}  // namespace
