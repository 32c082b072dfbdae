#include "app/FPhotoBookApp.h"

#include "../base/TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(FPhotoBookApp, InitReadsSettingsStartsAtPresetZeroAndShutdownSaves)
{
    ScratchDir dir;
    {
        FSettings first({dir.dirF(), 1280, 1024});
        first.cameraPresets[0].eyeY = 123;
        first.Locale = dir.fileF("Deutsch.txt");
        first.EffectPath = FString(u"/fx/sepia.fx");
        ASSERT_EQ(first.SettingsSave(), FSaveResult::Saved);
    }
    WriteBytes(dir.file("Deutsch.txt"), "Datei\r\n");

    FPhotoBookApp app;
    ASSERT_TRUE(app.Init({dir.dirF(), 1280, 1024}, 5000));
    EXPECT_EQ(app.camera->current.eyeY, 123);
    EXPECT_FALSE(app.camera->InTransition());
    EXPECT_EQ(U8(app.locale->GetText(0)), "Datei");
    EXPECT_EQ(U8(app.effectPath), "/fx/sepia.fx");

    ASSERT_TRUE(app.Shutdown({11, 22, 833, 644}));
    EXPECT_FALSE(app.IsInitialised());
    FSettings back({dir.dirF(), 1280, 1024});
    back.SettingsLoad();
    EXPECT_EQ(back.Window, (FRect{11, 22, 833, 644}));
    EXPECT_EQ(back.cameraPresets[0].eyeY, 123);
}

} // namespace
