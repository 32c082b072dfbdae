#include "photos/decode/FPngDecoder.h"

#include "MediaTestImages.h"

#include <gtest/gtest.h>

TEST(FPngDecoder, EveryKindReducedWhileReadingToNoLessThanTheTarget)
{
    // A texture of a huge PNG must not hold the whole image; blocks of whole rows
    // and columns are averaged as the rows arrive. Each case decodes at its target
    // and at full size.
    struct FCase
    {
        const char* what;
        int width, height, minWidth, minHeight, decodedWidth, decodedHeight;
        FPngOptions options;
    };
    const FCase cases[] = {
        {"RGB, blocks of 5 x 3", 3000, 2000, 512, 512, 600, 667, {}},
        {"Adam7 16-bit, 11 x 7, odd rows", 3000, 2000, 256, 256, 273, 286, {.bits = 16, .interlaced = true}},
        {"the last block, row 200, has no odd row", 301, 201, 100, 100, 101, 101, {.interlaced = true}},
        {"wide", 5000, 1000, 2048, 410, 2500, 500, {}},
        {"RGBA, 16 bits", 300, 200, 100, 100, 100, 100, {.type = PNG_COLOR_TYPE_RGB_ALPHA, .bits = 16}},
        {"palette, 4 bits, transparent", 300, 200, 100, 100, 100, 100, {.type = PNG_COLOR_TYPE_PALETTE, .bits = 4}},
        {"grey, 1 bit, interlaced", 300, 200, 100, 100, 100, 100, {PNG_COLOR_TYPE_GRAY, 1, true}},
    };
    std::vector<uint8_t> pixels;
    for (const FCase& c : cases) {
        // Quadrants, the top left one half transparent where the file keeps alpha.
        auto paint = [&](int x, int y) {
            FRgba colour = QuadrantPaint(c.width, c.height)(x, y);
            colour.a = x < c.width / 2 && y < c.height / 2 ? 128 : 255;
            return colour;
        };
        const std::string png = PngBytes(c.width, c.height, paint, c.options);
        const bool alpha = c.options.type == PNG_COLOR_TYPE_RGB_ALPHA || c.options.type == PNG_COLOR_TYPE_PALETTE;
        for (bool full : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (full ? " at full size" : ""));
            int w = 0, h = 0;
            std::string reason;
            ASSERT_TRUE(DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), full ? c.width : c.minWidth,
                                  full ? c.height : c.minHeight, 1'000'000'000, 32768, pixels, w, h, &reason))
                << reason;
            EXPECT_EQ(std::pair(w, h),
                      full ? std::pair(c.width, c.height) : std::pair(c.decodedWidth, c.decodedHeight));
            ASSERT_EQ(pixels.size(), static_cast<size_t>(w) * h * 4);
            for (auto [x, y] : {std::pair{c.width / 4, c.height / 4},
                                {c.width * 3 / 4, c.height * 3 / 4},
                                {c.width / 4, c.height - 1}}) {
                FRgba want = paint(x, y);
                want.a = alpha ? want.a : 255;
                if (c.options.type == PNG_COLOR_TYPE_GRAY) // one bit
                    want.r = want.g = want.b = want.r >> 7 ? 255 : 0;
                const FRgba got = RgbaAt(pixels, w, x * w / c.width, y * h / c.height);
                EXPECT_TRUE(Near(got, want, 1)) << x << ", " << y << ": got " << got << " want " << want;
            }
        }
    }
}
