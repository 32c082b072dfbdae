#include "photos/decode/FJpegDecoder.h"

#include "MediaTestImages.h"

#include <gtest/gtest.h>

TEST(FJpegDecoder, DecodesAtTheSmallestScaleStillCoveringTheTarget)
{
    // Too small a scale blurs the texture, too large a one wastes the decode.
    struct
    {
        int width, height, target, decodedWidth, decodedHeight;
    } const cases[] = {
        {4800, 3200, 256, 600, 400},   // 1/8
        {4800, 3200, 512, 1200, 800},  // 1/4
        {3000, 2000, 512, 1500, 1000}, // 1/2: 1/4 would be 500 high
        {3000, 2000, 256, 750, 500},   // 1/4: 1/8 would be 250 high
        {1000, 700, 512, 1000, 700},   // no scale is large enough
        {300, 200, 512, 300, 200},
    };
    FJpegDecoder decoder;
    std::vector<uint8_t> pixels;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " for " + std::to_string(c.target));
        const std::string jpeg = JpegBytes(FTestImage(c.width, c.height, FRgba{90, 160, 30}));
        int w = 0, h = 0;
        std::string reason;
        ASSERT_TRUE(decoder.Decode(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), c.target, c.target,
                                   pixels, w, h, &reason)) << reason;
        EXPECT_EQ(w, c.decodedWidth);
        EXPECT_EQ(h, c.decodedHeight);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(w) * h * 4);
        EXPECT_NEAR(pixels[(h / 2 * w + w / 2) * 4 + 1], 160, 6);
    }
}

TEST(FJpegDecoder, CmykPhotosComeOutAsRgb)
{
    // Inverted inks as Adobe writes them: no cyan, full magenta and yellow, no black.
    std::vector<unsigned char> cmyk(32 * 16 * 4);
    for (size_t i = 0; i < cmyk.size(); i += 4) {
        cmyk[i] = 255;
        cmyk[i + 1] = 0;
        cmyk[i + 2] = 0;
        cmyk[i + 3] = 255;
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(compressor, cmyk.data(), 32, 0, 16, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 95, 0), 0);
    FJpegDecoder decoder;
    std::vector<uint8_t> pixels;
    int w = 0, h = 0;
    std::string reason;
    const bool ok = decoder.Decode(jpeg, size, 32, 16, pixels, w, h, &reason);
    tjFree(jpeg);
    tjDestroy(compressor);
    ASSERT_TRUE(ok) << reason;
    ASSERT_EQ(w, 32);
    EXPECT_NEAR(pixels[0], 255, 4);
    EXPECT_NEAR(pixels[1], 0, 4);
    EXPECT_NEAR(pixels[2], 0, 4);
    EXPECT_EQ(pixels[3], 255);
}
