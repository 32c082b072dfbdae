#include "app/FDevicePolicy.h"
#include "app/WindowRect.h"
#include "framework/FFramework.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

FDeviceCaps Caps(std::vector<FDepthStencil> formats, bool blending = true)
{
    FDeviceCaps caps;
    caps.blendingRenderTarget = blending;
    caps.usableDepthStencil = std::move(formats);
    return caps;
}

// Acceptance wants a stencil format and blending; creation then prefers the
// float-depth format over the 15-bit one, the other way round. ("New Backbuffer"
// on stderr, once per device, is checked in SignalTest.)
TEST(DevicePolicy, AcceptanceAndCreationOrdersDiffer)
{
    EXPECT_FALSE(IsDeviceAcceptable(Caps({}), true));
    EXPECT_FALSE(IsDeviceAcceptable(Caps({FDepthStencil::D24S8}, false), true));
    EXPECT_TRUE(IsDeviceAcceptable(Caps({FDepthStencil::D15S1}), true));
    EXPECT_TRUE(IsDeviceAcceptable(Caps({FDepthStencil::D24FS8}), false));

    testing::internal::CaptureStderr();
    FDeviceSettings settings;
    settings.caps = Caps({FDepthStencil::D15S1, FDepthStencil::D24FS8});
    EXPECT_TRUE(ModifyDeviceSettings(settings, 1024, 700));
    EXPECT_EQ(settings.depthStencil, FDepthStencil::D24FS8);
    EXPECT_EQ(settings.backBufferWidth, 1024);
    EXPECT_EQ(settings.backBufferHeight, 700);

    FDeviceSettings best;
    best.caps = Caps({FDepthStencil::D24X4S4, FDepthStencil::D24S8});
    ModifyDeviceSettings(best, 10, 10);
    EXPECT_EQ(best.depthStencil, FDepthStencil::D24S8);

    FDeviceSettings fullScreen;
    fullScreen.windowed = false;
    fullScreen.backBufferWidth = 1920;
    fullScreen.backBufferHeight = 1080;
    ModifyDeviceSettings(fullScreen, 10, 10);
    EXPECT_EQ(fullScreen.backBufferWidth, 1920); // full screen keeps the mode's size
    testing::internal::GetCapturedStderr();
}

TEST(ClampWindowRect, FitsStoredRectanglesOntoTheScreen)
{
    struct Case
    {
        FRect stored;
        FRect expected;
    };
    const Case cases[] = {
        {{100, 50, 900, 650}, {100, 50, 900, 650}},
        {{-300, -20, 500, 580}, {0, 0, 500, 580}},                // negative: to the top-left corner
        {{10, 10, 100, 60}, {10, 10, 330, 250}},                  // too small: 320 x 240
        {{0, 0, 4000, 3000}, {0, 0, 1280, 1024}},                 // too large: the screen
        {{1500, 1100, 1900, 1400}, {0, 0, 1280, 1024}},           // off screen: back to 0, then cut
        {{-5000, 0, -4000, 500}, {0, 0, 320, 500}},               // left edge moved right of right edge
        {{100, 100, INT32_MIN, INT32_MIN}, {100, 100, 420, 340}}, // a hand-edited extreme: no overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampWindowRect(c.stored, 1280, 1024), c.expected)
            << c.stored.left << "," << c.stored.top << "," << c.stored.right << "," << c.stored.bottom;
}

TEST(FrameworkPause, CountersNestAndNeverGoNegative)
{
    FPauseCounters pause;
    pause.Pause(true, true);   // a menu opens
    pause.Pause(true, true);   // a full-screen toggle inside it
    pause.Pause(false, false); // the toggle ends
    EXPECT_TRUE(pause.TimePaused());
    EXPECT_TRUE(pause.RenderingPaused());
    pause.Pause(false, false);
    EXPECT_FALSE(pause.TimePaused());
    EXPECT_FALSE(pause.RenderingPaused());
    pause.Pause(false, false); // an unpaired unpause must not bank a credit
    pause.Pause(true, true);
    EXPECT_TRUE(pause.RenderingPaused());
}

TEST(FrameworkErrors, CodesTextsAndCaption)
{
    FExitCode code;
    EXPECT_EQ(code.Value(), 0);
    code.Set(FFrameworkError::NoCompatibleDevice);
    code.Set(FFrameworkError::CreatingDevice); // the first error is the one reported
    EXPECT_EQ(code.Value(), 3);
    code.MainLoopRefused();
    EXPECT_EQ(code.Value(), 3);
    FExitCode refused;
    refused.MainLoopRefused();
    EXPECT_EQ(refused.Value(), 1);

    for (int e = 2; e <= 9; ++e) {
        const std::string text = FrameworkErrorText(static_cast<FFrameworkError>(e)).ToUtf8();
        EXPECT_FALSE(text.empty()) << e;
        EXPECT_EQ(text.find("Direct"), std::string::npos) << text;
    }
    EXPECT_TRUE(FrameworkErrorText(FFrameworkError::Generic).IsEmpty());
    EXPECT_EQ(FrameworkErrorCaption(FString()).ToUtf8(), "Application");
    EXPECT_EQ(FrameworkErrorCaption(FString(u"Quillo's Photo Book")).ToUtf8(), "Quillo's Photo Book");
}

} // namespace
