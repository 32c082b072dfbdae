#include "app/FPhotoBookApp.h"

#include "../base/TestFiles.h"

#include <gtest/gtest.h>

namespace {

// The locale and the effect read from the settings show in SignalTest and
// RippleTest, the window stored on closing in SignalTest; the camera here.
TEST(FPhotoBookApp, InitStartsAtTheStoredPresetZero)
{
    ScratchDir dir;
    FSettings first({dir.dirF(), 1280, 1024});
    first.cameraPresets[0].eyeY = 123;
    ASSERT_EQ(first.SettingsSave(), FSaveResult::Saved);

    FPhotoBookApp app;
    ASSERT_TRUE(app.Init({dir.dirF(), 1280, 1024}, 5000));
    EXPECT_EQ(app.camera->current.eyeY, 123);
    EXPECT_FALSE(app.camera->InTransition());
    ASSERT_TRUE(app.Shutdown({11, 22, 833, 644}));
    EXPECT_FALSE(app.IsInitialised());
}

} // namespace
