#include "render/RenderTargetSize.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// Records every size the search asks for and accepts from a given factor down.
struct FakeDevice
{
    int32_t acceptFromFactor = 4;
    std::vector<FRenderTargetSize> asked;

    std::function<bool(const FRenderTargetSize&)> Create()
    {
        return [this](const FRenderTargetSize& size) {
            asked.push_back(size);
            return size.factor <= acceptFromFactor;
        };
    }
};

FRenderTargetLimits DeviceLimits(int32_t sizeLimit = 0, bool powerOfTwo = false)
{
    return {16384, 16384, sizeLimit, powerOfTwo};
}
} // namespace

TEST(RenderTargetSize, FullHdDeviceGivesAFrameOf640x480FactorFour)
{
    FakeDevice device;
    EXPECT_EQ(SearchRenderTargetSize(640, 480, DeviceLimits(), device.Create()), (FRenderTargetSize{4, 2560, 1920}));
    EXPECT_EQ(device.asked.size(), 1u);
}

TEST(RenderTargetSize, ForcedLimitFallsBackThroughThreeTwoOneToNone)
{
    const struct
    {
        int32_t limit;
        FRenderTargetSize expected;
    } cases[] = {
        {2559, {3, 1920, 1440}},
        {1919, {2, 1280, 960}},
        {1279, {1, 640, 480}},
        {639, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        FakeDevice device;
        EXPECT_EQ(SearchRenderTargetSize(640, 480, DeviceLimits(c.limit), device.Create()), c.expected);
        // Sizes beyond the limits never reach the device.
        for (const FRenderTargetSize& size : device.asked)
            EXPECT_LE(size.width, c.limit);
    }
    // The device's own maximum texture size counts as well as the renderbuffer's.
    FakeDevice device;
    EXPECT_EQ(SearchRenderTargetSize(640, 480, {2048, 16384, 0, false}, device.Create()).factor, 3);
    EXPECT_EQ(SearchRenderTargetSize(640, 480, {16384, 1024, 0, false}, device.Create()).factor, 1);
}

TEST(RenderTargetSize, DeviceRefusalTriesTheNextSmallerFactor)
{
    FakeDevice device;
    device.acceptFromFactor = 2;
    EXPECT_EQ(SearchRenderTargetSize(640, 480, DeviceLimits(), device.Create()), (FRenderTargetSize{2, 1280, 960}));
    ASSERT_EQ(device.asked.size(), 3u);
    EXPECT_EQ(device.asked[0].factor, 4);
    EXPECT_EQ(device.asked[1].factor, 3);

    device.acceptFromFactor = 0;
    EXPECT_EQ(SearchRenderTargetSize(640, 480, DeviceLimits(), device.Create()).factor, 0);
}

TEST(RenderTargetSize, PowerOfTwoDevicesWidenEachSide)
{
    FakeDevice device;
    EXPECT_EQ(SearchRenderTargetSize(640, 480, DeviceLimits(0, true), device.Create()),
              (FRenderTargetSize{4, 4096, 2048}));
    // The widened size is what must fit: 4096 does not fit 4000, factor 3 asks 2048 x 2048.
    EXPECT_EQ(SearchRenderTargetSize(640, 480, DeviceLimits(4000, true), device.Create()),
              (FRenderTargetSize{3, 2048, 2048}));

    for (const auto& [side, widened] : {std::pair{0, 2}, {1, 2}, {2, 2}, {3, 4}, {1024, 1024}, {1025, 2048}})
        EXPECT_EQ(WidenToPowerOfTwo(side), widened) << side;
}

TEST(RenderTargetSize, EmptyOrHugeFramesNeverReachTheDevice)
{
    FakeDevice device;
    EXPECT_EQ(SearchRenderTargetSize(0, 480, DeviceLimits(), device.Create()).factor, 0);
    // 4 x 1e9 would wrap a 32-bit product into something that fits.
    EXPECT_EQ(SearchRenderTargetSize(1000000000, 480, DeviceLimits(), device.Create()).factor, 0);
    EXPECT_TRUE(device.asked.empty());
}
