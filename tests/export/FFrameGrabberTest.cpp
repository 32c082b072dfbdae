#include "export/FFrameGrabber.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {
// A top-row-first B, G, R, X frame with a 16-byte gap after every row, as a pitch may have.
struct SourceFrame
{
    int32_t width, height, pitch;
    std::vector<uint8_t> bytes;

    SourceFrame(int32_t w, int32_t h) : width(w), height(h), pitch(w * 4 + 16), bytes(static_cast<size_t>(pitch) * h) {}

    uint8_t* Pixel(int32_t x, int32_t y) { return bytes.data() + static_cast<size_t>(pitch) * y + x * 4; }
    FFrameView View() const { return {bytes.data(), width, height, pitch}; }

    void FillNoise(uint32_t seed)
    {
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    }
};

// The output pixel at column x, row y counted from the top of the picture.
const uint8_t* OutputPixel(const FFrameGrabber& grabber, int32_t x, int32_t y)
{
    return grabber.Bits() + static_cast<size_t>(grabber.Stride()) * (grabber.Height() - 1 - y) + x * 3;
}
} // namespace

TEST(FFrameGrabber, EachPixelIsTheIntegerMeanOfTheBlockAtItsTruncatedPosition)
{
    // 2560 x 1920 -> 640 x 480 is the export's usual case; the others reach the odd
    // widths, the widest blocks, the plain division of very large ones and a target
    // widened past an integer ratio, sampled one pixel at truncated positions.
    for (const auto& [sourceWidth, sourceHeight, width, height] : {std::array{2560, 1920, 640, 480},
                                                                   {96, 40, 32, 20},
                                                                   {30, 27, 30, 9},
                                                                   {320, 320, 8, 8},
                                                                   {210, 140, 3, 2},
                                                                   {1024, 512, 640, 480}}) {
        const int32_t fx = sourceWidth / width, fy = sourceHeight / height;
        SCOPED_TRACE(std::to_string(sourceWidth) + " x " + std::to_string(sourceHeight));
        SourceFrame source(sourceWidth, sourceHeight);
        source.FillNoise(static_cast<uint32_t>(fx * 100 + fy));
        FFrameGrabber grabber(source.View(), width, height);
        ASSERT_TRUE(grabber.ProcessFrame());
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    int sum = 0;
                    for (int j = 0; j < fy; ++j)
                        for (int i = 0; i < fx; ++i)
                            sum += source.Pixel(x * sourceWidth / width + i, y * sourceHeight / height + j)[ch];
                    ASSERT_EQ(OutputPixel(grabber, x, y)[ch], sum / (fx * fy)) << x << "," << y << " channel " << ch;
                }
    }
}

TEST(FFrameGrabber, BadFramesKeepThePreviousPictureAndBadSizesAreInvalid)
{
    SourceFrame source(64, 48), other(64, 48);
    source.FillNoise(11);
    other.FillNoise(12);
    FFrameGrabber grabber(source.View(), 32, 24);
    ASSERT_TRUE(grabber.ProcessFrame());
    auto picture = [&] { return std::vector<uint8_t>(grabber.Bits(), grabber.Bits() + grabber.Stride() * 24); };
    const std::vector<uint8_t> before = picture();
    // A wrong size, no bits, a short pitch: nothing read.
    for (const FFrameView& bad :
         {FFrameView{other.bytes.data(), 64, 47, other.pitch}, FFrameView{nullptr, 64, 48, other.pitch},
          FFrameView{other.bytes.data(), 64, 48, 255}})
        EXPECT_TRUE(grabber.ProcessFrame(bad));
    EXPECT_EQ(picture(), before);
    ASSERT_TRUE(grabber.ProcessFrame(other.View())); // a frame at a new address is read from there
    EXPECT_NE(picture(), before);

    for (const auto& [w, h] : {std::pair{0, 8}, std::pair{8, 0}}) {
        FFrameGrabber empty(source.View(), w, h);
        EXPECT_FALSE(empty.ProcessFrame());
        EXPECT_EQ(empty.Bits(), nullptr);
    }
    EXPECT_FALSE(FFrameGrabber(FFrameView{}, 8, 8).IsValid());
}
