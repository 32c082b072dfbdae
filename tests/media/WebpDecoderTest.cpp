#include "photos/decode/FWebpDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

namespace {

bool Decode(const std::string& bytes, int minSide, const FDecodeLimits& limits, FDecodedImage& out,
            FColourInfo& colour, std::string& reason)
{
    return DecodeWebp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), minSide, minSide, limits,
                      out.pixels, out.width, out.height, colour, &reason);
}

} // namespace

TEST(WebpDecoder, EveryKindAgainstItsSourceAtFullSizeAndScaledWhileDecoding)
{
    ScratchDir dir;
    WriteToolSources(dir.path());
    // An sRGB profile: the pixels stay as stored (other profiles: ColourToSrgbTest).
    const std::string profile = "/usr/share/color/icc/colord/sRGB.icc";
    struct
    {
        const char* file;
        std::string command;
        int tolerance;   // lossy colours; alpha is always exact
        int scaledWidth; // decoded at no less than 100 x 100: animations come at full size
    } const cases[] = {
        {"lossy.webp", "cwebp -quiet -q 90 q.png -o lossy.webp", 12, 150},
        {"lossless.webp", "cwebp -quiet -lossless q.png -o lossless.webp", 0, 150},
        {"lossy-alpha.webp", "cwebp -quiet -q 90 qa.png -o lossy-alpha.webp", 12, 150},
        {"lossless-alpha-icc.webp",
         "cwebp -quiet -lossless -exact qa.png -o a.webp && webpmux -set icc " + profile + " a.webp -o "
         "lossless-alpha-icc.webp", 0, 150},
        // The second frame covers everything in another colour: only the first may show.
        {"animation.webp", "img2webp -lossy -q 90 q.png dark.png -o animation.webp", 12, 300},
    };
    FImageDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(RunIn(dir.path(), c.command)) << c.command;
        const bool alpha = std::string(c.file).find("alpha") != std::string::npos;
        FDecodedImage out;
        FString error;
        ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), {}, out, &error)) << U8(error);
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(kToolWidth, kToolHeight));
        alpha ? ExpectQuadrants(out, c.tolerance, kHalfClear) : ExpectQuadrants(out, c.tolerance);

        FColourInfo colour;
        std::string reason;
        ASSERT_TRUE(Decode(ReadBytes(dir.file(c.file)), 100, {}, out, colour, reason)) << reason;
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(c.scaledWidth, c.scaledWidth * 2 / 3));
        alpha ? ExpectQuadrants(out, c.tolerance + 2, kHalfClear) : ExpectQuadrants(out, c.tolerance + 2);
        EXPECT_EQ(std::string(colour.icc.begin(), colour.icc.end()),
                  std::string(c.file).ends_with("icc.webp") ? ReadBytes(profile) : "");
    }
}

TEST(WebpDecoder, AnimationsFirstFrameComposedOnItsCanvas)
{
    // The first frame smaller than the canvas and placed inside it: the rest stays
    // transparent until the second frame covers it.
    ScratchDir dir;
    WriteBytes(dir.file("small.png"), PngBytes(100, 60, QuadrantPaint(100, 60)));
    WriteBytes(dir.file("big.png"), PngBytes(200, 120, [](int, int) { return FRgba{10, 60, 10}; }));
    ASSERT_TRUE(RunIn(dir.path(), "cwebp -quiet -lossless small.png -o small.webp && cwebp -quiet -lossless big.png "
                                  "-o big.webp && webpmux -frame small.webp +100+20+10 -frame big.webp +100 -o p.webp"));
    FDecodedImage out;
    FColourInfo colour;
    std::string reason;
    ASSERT_TRUE(Decode(ReadBytes(dir.file("p.webp")), 1, {}, out, colour, reason)) << reason;
    ASSERT_EQ(std::pair(out.width, out.height), std::pair(200, 120));
    const FRgba clear{0, 0, 0, 0};
    const int points[][2] = {{0, 0}, {199, 119}, {19, 40}, {20, 10}, {119, 10}, {20, 69}, {119, 69}, {120, 69}};
    const FRgba want[] = {clear, clear, clear, kTopLeft, kTopRight, kBottomLeft, kBottomRight, clear};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(RgbaAt(out.pixels, out.width, points[i][0], points[i][1]), want[i]) << "point " << i;
}

TEST(WebpDecoder, BrokenAndOversizedFilesFailWithAReason)
{
    ScratchDir dir;
    WriteToolSources(dir.path());
    ASSERT_TRUE(RunIn(dir.path(), "cwebp -quiet -lossless q.png -o lossless.webp && cwebp -quiet -q 80 q.png -o "
                                  "lossy.webp && img2webp -lossless q.png dark.png -o animation.webp"));
    const std::string lossless = ReadBytes(dir.file("lossless.webp")), lossy = ReadBytes(dir.file("lossy.webp")),
                      animation = ReadBytes(dir.file("animation.webp"));
    // Random bytes where the picture was, the container's headers kept.
    auto noise = [](std::string bytes, size_t from) {
        for (uint32_t i = from, state = 1; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
        return bytes;
    };
    const std::string cases[][3] = {
        {"cut-lossless.webp", lossless.substr(0, lossless.size() / 2), "WebP data is cut off"},
        {"cut-lossy.webp", lossy.substr(0, lossy.size() - 10), "WebP data is cut off"},
        {"header-only.webp", lossy.substr(0, 16), "WebP data is cut off"},
        {"noise-lossless.webp", noise(lossless, 20), "damaged WebP data: "},
        {"noise-lossy.webp", noise(lossy, 20), "damaged WebP data: "},
        {"noise-animation.webp", noise(animation, 60), "damaged WebP data: "},
        // The canvas's size less one, 24 bits each, behind the VP8X chunk's flags.
        {"huge.webp", Put(Put(animation, 24, 15999, 3, false), 27, 15999, 3, false), "image too large (16000 x 16000)"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& [file, bytes, reason] : cases) {
        WriteBytes(dir.file(file), bytes);
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(file), {.squareSize = 256}, out, &error));
        EXPECT_NE(U8(error).find(": " + reason), std::string::npos) << U8(error);
        EXPECT_TRUE(out.pixels.empty() && out.width == 0);
    }
    // Our own limits refuse before decoding what the program's would let through.
    FColourInfo colour;
    std::string reason;
    out.pixels.assign(4, 1);
    EXPECT_FALSE(Decode(lossless, 1, {.maxPixels = 300 * 199}, out, colour, reason));
    EXPECT_EQ(reason, "WebP picture too large (300 x 200)");
    EXPECT_TRUE(out.pixels.empty() && out.width == 0 && out.height == 0);
}
