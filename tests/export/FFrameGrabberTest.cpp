#include "export/FFrameGrabber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {
// A top-row-first B, G, R, X frame with a 16-byte gap after every row, as a pitch may have.
struct SourceFrame
{
    int32_t width, height, pitch;
    std::vector<uint8_t> bytes;

    SourceFrame(int32_t w, int32_t h)
        : width(w), height(h), pitch(w * 4 + 16), bytes(static_cast<size_t>(pitch) * h, 0xEE)
    {}

    uint8_t* Pixel(int32_t x, int32_t y) { return bytes.data() + static_cast<size_t>(pitch) * y + x * 4; }
    FFrameView View() const { return {bytes.data(), width, height, pitch}; }

    void FillNoise(uint32_t seed)
    {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                for (int c = 0; c < 4; ++c) {
                    seed = seed * 1664525u + 1013904223u;
                    Pixel(x, y)[c] = static_cast<uint8_t>(seed >> 24);
                }
    }
};

// The output pixel at column x, row y counted from the top of the picture.
const uint8_t* OutputPixel(const FFrameGrabber& grabber, int32_t x, int32_t y)
{
    return grabber.Bits() + static_cast<size_t>(grabber.Stride()) * (grabber.Height() - 1 - y) + x * 3;
}
} // namespace

TEST(FFrameGrabber, EachPixelIsTheIntegerMeanOfItsBlock)
{
    // 2560 x 1920 -> 640 x 480 is the export's usual case; the others reach the odd
    // widths, the widest blocks and the plain division of very large ones.
    const struct
    {
        int32_t sourceWidth, sourceHeight, width, height;
    } cases[] = {{2560, 1920, 640, 480}, {96, 40, 32, 20}, {30, 27, 30, 9}, {100, 8, 20, 8},
                 {400, 400, 20, 20},     {320, 320, 8, 8}, {210, 140, 3, 2}};
    for (const auto& c : cases) {
        const int32_t fx = c.sourceWidth / c.width, fy = c.sourceHeight / c.height;
        SCOPED_TRACE(std::to_string(fx) + " x " + std::to_string(fy));
        SourceFrame source(c.sourceWidth, c.sourceHeight);
        source.FillNoise(static_cast<uint32_t>(fx * 100 + fy));
        FFrameGrabber grabber(source.View(), c.width, c.height);
        ASSERT_TRUE(grabber.IsValid());
        EXPECT_EQ(grabber.FactorX(), fx);
        EXPECT_EQ(grabber.FactorY(), fy);
        EXPECT_EQ(grabber.SampleCount(), fx * fy);
        ASSERT_TRUE(grabber.ProcessFrame());
        EXPECT_EQ(grabber.FrameCount(), 1);

        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    int sum = 0;
                    for (int j = 0; j < fy; ++j)
                        for (int i = 0; i < fx; ++i)
                            sum += source.Pixel(x * fx + i, y * fy + j)[ch];
                    ASSERT_EQ(OutputPixel(grabber, x, y)[ch], sum / (fx * fy)) << x << "," << y << " channel " << ch;
                }
    }
    SourceFrame source(2560, 1920);
    FFrameGrabber grabber(source.View(), 640, 480);
    EXPECT_EQ(grabber.SampleCount(), 16);
    EXPECT_STREQ(grabber.FormatName(), "RGB");
}

TEST(FFrameGrabber, WidenedTargetSamplesOnePixelAtTruncatedPositions)
{
    // Every source pixel names its own position, so the output shows where it was sampled.
    SourceFrame source(1024, 512);
    for (int32_t y = 0; y < 512; ++y)
        for (int32_t x = 0; x < 1024; ++x) {
            uint8_t* p = source.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>((x >> 8) | (y >> 8) << 4);
        }
    FFrameGrabber grabber(source.View(), 640, 480);
    EXPECT_EQ(grabber.FactorX(), 1);
    EXPECT_EQ(grabber.FactorY(), 1);
    EXPECT_EQ(grabber.SampleCount(), 1);
    EXPECT_FLOAT_EQ(grabber.RatioX(), 1.6f);
    EXPECT_NEAR(grabber.RatioY(), 1.0667f, 1e-4f);
    ASSERT_TRUE(grabber.ProcessFrame());

    const struct
    {
        int32_t x, y, sourceX, sourceY;
    } cases[] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {5, 15, 8, 16}, {3, 14, 4, 14}, {639, 479, 1022, 510}};
    for (const auto& c : cases) {
        const uint8_t* p = OutputPixel(grabber, c.x, c.y);
        EXPECT_EQ(p[0] | (p[2] & 15) << 8, c.sourceX) << c.x << "," << c.y;
        EXPECT_EQ(p[1] | (p[2] >> 4) << 8, c.sourceY) << c.x << "," << c.y;
    }
}

TEST(FFrameGrabber, SameSizeCopiesUpsideDownRowsWithZeroPadding)
{
    // 161 * 3 = 483 bytes of pixels in a 484-byte row.
    SourceFrame source(161, 37);
    source.FillNoise(3);
    FFrameGrabber grabber(source.View(), 161, 37);
    ASSERT_TRUE(grabber.ProcessFrame());
    ASSERT_EQ(grabber.Stride(), 484);

    std::vector<uint8_t> row(484, 0xAB);
    for (int32_t r = 0; r < 37; ++r) {
        ASSERT_TRUE(grabber.ReadRow(r, row.data()));
        const int32_t pictureRow = 36 - r; // row 0 is the bottom of the picture
        for (int32_t x = 0; x < 161; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(row[x * 3 + c], source.Pixel(x, pictureRow)[c]) << "row " << r << " x " << x;
        EXPECT_EQ(row[483], 0) << "padding of row " << r;
    }
    EXPECT_FALSE(grabber.ReadRow(-1, row.data()));
    EXPECT_FALSE(grabber.ReadRow(37, row.data()));
    EXPECT_FALSE(grabber.ReadRow(0, nullptr));
}

TEST(FFrameGrabber, UnreadableFrameKeepsThePreviousPictureAndStillCounts)
{
    SourceFrame source(64, 48);
    source.FillNoise(11);
    FFrameGrabber grabber(source.View(), 32, 24);
    ASSERT_TRUE(grabber.ProcessFrame());
    const std::vector<uint8_t> before(grabber.Bits(), grabber.Bits() + grabber.Stride() * 24);

    SourceFrame other(64, 48);
    other.FillNoise(12);
    FFrameView moved = other.View();
    FFrameView wrongSize{other.bytes.data(), 64, 47, other.pitch};
    FFrameView noBits{nullptr, 64, 48, other.pitch};
    FFrameView shortPitch{other.bytes.data(), 64, 48, 64 * 4 - 1};
    for (const FFrameView& bad : {wrongSize, noBits, shortPitch})
        EXPECT_TRUE(grabber.ProcessFrame(bad));
    EXPECT_EQ(grabber.FrameCount(), 4);
    EXPECT_EQ(std::vector<uint8_t>(grabber.Bits(), grabber.Bits() + grabber.Stride() * 24), before);

    // A frame at a new address is read from there.
    ASSERT_TRUE(grabber.ProcessFrame(moved));
    EXPECT_NE(std::vector<uint8_t>(grabber.Bits(), grabber.Bits() + grabber.Stride() * 24), before);
}

TEST(FFrameGrabber, EmptyOutputOrSourceIsInvalid)
{
    SourceFrame source(8, 8);
    for (const auto& [w, h] : {std::pair{0, 8}, std::pair{8, 0}}) {
        FFrameGrabber grabber(source.View(), w, h);
        EXPECT_FALSE(grabber.IsValid());
        EXPECT_FALSE(grabber.ProcessFrame());
        EXPECT_EQ(grabber.Bits(), nullptr);
    }
    FFrameGrabber noSource(FFrameView{}, 8, 8);
    EXPECT_FALSE(noSource.IsValid());
    uint8_t row[32];
    EXPECT_FALSE(noSource.ReadRow(0, row));
}
