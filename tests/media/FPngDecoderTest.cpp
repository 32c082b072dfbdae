#include "photos/decode/FPngDecoder.h"

#include "MediaTestImages.h"

#include <gtest/gtest.h>

TEST(FPngDecoder, ReducesWhileReadingToNoLessThanTheTarget)
{
    // A texture of a huge PNG must not hold the whole image; blocks of whole rows
    // and columns are averaged as the rows arrive.
    struct
    {
        int width, height, minWidth, minHeight, decodedWidth, decodedHeight;
        bool interlaced;
    } const cases[] = {
        {3000, 2000, 512, 512, 600, 667, false}, // blocks of 5 x 3
        {3000, 2000, 256, 256, 273, 286, true},  // 11 x 7, odd rows only
        {301, 201, 100, 100, 101, 101, true},    // the last block, row 200, has no odd row
        {5000, 1000, 2048, 410, 2500, 500, false}, {1000, 700, 512, 512, 1000, 700, false}, // no room to reduce
        {300, 200, 512, 512, 300, 200, false},
    };
    std::vector<uint8_t> pixels;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const std::string png = PngBytes(
            c.width, c.height,
            [](int x, int) {
                return FRgba{90, 160, uint8_t(x & 1 ? 0 : 200)};
            },
            FPngOptions{.interlaced = c.interlaced});
        int w = 0, h = 0;
        std::string reason;
        ASSERT_TRUE(DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), c.minWidth, c.minHeight,
                              1'000'000'000, 32768, pixels, w, h, &reason))
            << reason;
        EXPECT_EQ(w, c.decodedWidth);
        EXPECT_EQ(h, c.decodedHeight);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(w) * h * 4);
        EXPECT_NEAR(pixels[(h / 2 * w + w / 2) * 4 + 1], 160, 1);
        EXPECT_NEAR(pixels[((h - 1) * w + w / 2) * 4 + 1], 160, 1) << "last row";
    }
    // Refused before any allocation.
    const std::string big = PngBytes(
        400, 300, [](int, int) { return FRgba{}; }, FPngOptions{});
    int w = 0, h = 0;
    std::string reason;
    EXPECT_FALSE(DecodePng(reinterpret_cast<const uint8_t*>(big.data()), big.size(), 256, 256, 100'000, 32768, pixels,
                           w, h, &reason));
    EXPECT_EQ(reason, "image too large");
    EXPECT_TRUE(pixels.empty());
}
