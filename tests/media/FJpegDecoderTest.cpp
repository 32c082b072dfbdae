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
                                   pixels, w, h, &reason))
            << reason;
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

namespace {

// At full size: every file here is 48 x 32.
bool DecodeBytes(FJpegDecoder& decoder, const std::string& jpeg, size_t size, std::vector<uint8_t>& pixels,
                 std::string* reason = nullptr)
{
    int w = 0, h = 0;
    return decoder.Decode(reinterpret_cast<const uint8_t*>(jpeg.data()), size, 48, 32, pixels, w, h, reason);
}

// The file with one byte changed, offset bytes after the first marker; empty when
// there is no such marker.
std::string Damaged(std::string jpeg, const char* marker, size_t offset, uint8_t value)
{
    const size_t at = jpeg.find(marker);
    if (at == std::string::npos)
        return {};
    jpeg[at + offset] = static_cast<char>(value);
    return jpeg;
}

} // namespace

TEST(FJpegDecoder, ABrokenFileLeavesNothingBehindForTheNext)
{
    // The texture loader keeps one decoder for a session: a broken header or a cut
    // file once left libjpeg mid-file, and every later photo failed with it.
    const std::string good = JpegBytes(Quadrants(48, 32));
    struct
    {
        const char* what;
        std::string bytes;
    } const damage[] = {
        {"Huffman table class 6", Damaged(good, "\xFF\xC4", 4, 0x60)},
        {"Huffman table number 9", Damaged(good, "\xFF\xC4", 4, 0x09)},
        {"quantisation table number 15", Damaged(good, "\xFF\xDB", 4, 0x0F)},
        {"frame without components", Damaged(good, "\xFF\xC0", 9, 0)},
        {"sample precision 3", Damaged(good, "\xFF\xC0", 4, 3)},
        {"scan of 9 components", Damaged(good, "\xFF\xDA", 4, 9)},
        {"second SOI instead of APP0", Damaged(good, "\xFF\xE0", 1, 0xD8)},
        {"marker length 1", Damaged(good, "\xFF\xDB", 3, 1)},
        {"APP0 running past the end", Damaged(good, "\xFF\xE0", 2, 0xD7)}, // tables only, no frame
    };
    FJpegDecoder decoder;
    std::vector<uint8_t> pixels;
    auto expectGoodStillDecodes = [&](const std::string& what) {
        std::string reason;
        ASSERT_TRUE(DecodeBytes(decoder, good, good.size(), pixels, &reason)) << "after " << what << ": " << reason;
        ASSERT_EQ(pixels.size(), 48u * 32 * 4);
        EXPECT_NEAR(pixels[(8 * 48 + 36) * 4 + 1], kTopRight.g, 12) << "after " << what;
    };
    for (const auto& d : damage) {
        ASSERT_FALSE(d.bytes.empty()) << d.what;
        std::string reason;
        if (DecodeBytes(decoder, d.bytes, d.bytes.size(), pixels, &reason))
            EXPECT_EQ(pixels.size(), 48u * 32 * 4) << d.what;
        else
            EXPECT_EQ(reason.rfind("corrupt JPEG data: ", 0), 0u) << d.what << ": " << reason;
        expectGoodStillDecodes(d.what);
    }
    // Every cut, through the headers and the scan.
    for (size_t cut = 1; cut < good.size(); ++cut) {
        DecodeBytes(decoder, good, cut, pixels);
        expectGoodStillDecodes("a cut at byte " + std::to_string(cut));
        if (HasFatalFailure())
            return;
    }
}
