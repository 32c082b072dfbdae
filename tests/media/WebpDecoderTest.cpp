#include "photos/decode/FWebpDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 300, kHeight = 200;
// The top left quadrant half transparent, for the files that keep alpha.
const FRgba kHalfClear[4] = {{220, 30, 40, 128}, kTopRight, kBottomLeft, kBottomRight};
const char* const kProfile = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

// Source pictures in dir: q.png the quadrants, qa.png the same with kHalfClear,
// dark.png one other colour.
void WriteSources(const ScratchDir& dir)
{
    WriteBytes(dir.file("q.png"), PngBytes(kWidth, kHeight, QuadrantPaint(kWidth, kHeight)));
    WriteBytes(dir.file("qa.png"), PngBytes(
                                       kWidth, kHeight,
                                       [](int x, int y) {
                                           return x < kWidth / 2 && y < kHeight / 2 ? kHalfClear[0]
                                                                                    : QuadrantPaint(kWidth, kHeight)(x, y);
                                       },
                                       {.type = PNG_COLOR_TYPE_RGB_ALPHA}));
    WriteBytes(dir.file("dark.png"), PngBytes(kWidth, kHeight, [](int, int) { return FRgba{10, 60, 10}; }));
}

std::vector<uint8_t> ToVector(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

} // namespace

TEST(WebpDecoder, EveryKindThroughTheDecoderAtFullAndTextureSize)
{
    ScratchDir dir;
    WriteSources(dir);
    struct
    {
        const char* file;
        std::string command;
        int tolerance; // lossy colours; alpha is always exact
        bool alpha;
    } const cases[] = {
        {"lossy.webp", "cwebp -quiet -q 90 q.png -o lossy.webp", 12, false},
        {"lossless.webp", "cwebp -quiet -lossless q.png -o lossless.webp", 0, false},
        {"lossy-alpha.webp", "cwebp -quiet -q 90 qa.png -o lossy-alpha.webp", 12, true},
        {"lossless-alpha.webp", "cwebp -quiet -lossless -exact qa.png -o lossless-alpha.webp", 0, true},
        // The second frame covers everything in another colour: only the first may show.
        {"animation.webp", "img2webp -lossy -q 90 q.png dark.png -o animation.webp", 12, false},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& c : cases) {
        ASSERT_TRUE(RunIn(dir.path(), c.command)) << c.command;
        for (int square : {0, 64}) {
            SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(square));
            FString error;
            ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), {.squareSize = square}, out, &error)) << U8(error);
            EXPECT_EQ(std::pair(out.sourceWidth, out.sourceHeight), std::pair(kWidth, kHeight));
            EXPECT_EQ(std::pair(out.width, out.height), square ? std::pair(64, 64) : std::pair(kWidth, kHeight));
            if (c.alpha)
                ExpectQuadrants(out, c.tolerance + 2, kHalfClear);
            else
                ExpectQuadrants(out, c.tolerance + 2);
        }
    }
}

TEST(WebpDecoder, ScaledWhileDecodingToNoLessThanAskedAndTheProfileKept)
{
    ScratchDir dir;
    WriteSources(dir);
    ASSERT_TRUE(RunIn(dir.path(), "cwebp -quiet -lossless q.png -o plain.webp && webpmux -set icc " +
                                      std::string(kProfile) + " plain.webp -o icc.webp"));
    const std::vector<uint8_t> profile = ToVector(ReadBytes(kProfile));
    struct
    {
        const char* file;
        int minWidth, minHeight, width, height;
    } const cases[] = {
        {"plain.webp", 100, 100, 150, 100}, {"plain.webp", 64, 64, 96, 64},      {"plain.webp", 150, 10, 150, 100},
        {"icc.webp", 300, 10, 300, 200},    {"icc.webp", 1000, 1000, 300, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " at least " + std::to_string(c.minWidth) + " x " +
                     std::to_string(c.minHeight));
        const std::string bytes = ReadBytes(dir.file(c.file));
        FDecodedImage out;
        FColourInfo colour;
        std::string reason;
        ASSERT_TRUE(DecodeWebp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), c.minWidth, c.minHeight,
                               {}, out.pixels, out.width, out.height, colour, &reason))
            << reason;
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(c.width, c.height));
        ExpectQuadrants(out, c.width == kWidth ? 0 : 2);
        EXPECT_EQ(colour.icc, c.file == std::string("icc.webp") ? profile : std::vector<uint8_t>());
    }
}

TEST(WebpDecoder, AnimationsFirstFrameComposedOnItsCanvas)
{
    // A first frame smaller than the canvas, placed inside it; the rest of the canvas
    // is transparent until a later frame covers it.
    ScratchDir dir;
    WriteBytes(dir.file("small.png"), PngBytes(100, 60, QuadrantPaint(100, 60)));
    WriteBytes(dir.file("big.png"), PngBytes(200, 120, [](int, int) { return FRgba{10, 60, 10}; }));
    ASSERT_TRUE(RunIn(dir.path(), "cwebp -quiet -lossless small.png -o small.webp && cwebp -quiet -lossless big.png "
                                  "-o big.webp && webpmux -frame small.webp +100+20+10 -frame big.webp +100 -loop 0 "
                                  "-o placed.webp"));
    const std::string bytes = ReadBytes(dir.file("placed.webp"));
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    FColourInfo colour;
    std::string reason;
    ASSERT_TRUE(DecodeWebp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 1, 1, {}, pixels, width,
                           height, colour, &reason))
        << reason;
    ASSERT_EQ(std::pair(width, height), std::pair(200, 120));
    const FRgba clear{0, 0, 0, 0};
    const struct
    {
        int x, y;
        FRgba want;
    } points[] = {{0, 0, clear},  {199, 119, clear},         {19, 40, clear},       {20, 10, kTopLeft},
                  {119, 10, kTopRight}, {20, 69, kBottomLeft}, {119, 69, kBottomRight}, {120, 69, clear}};
    for (const auto& p : points)
        EXPECT_EQ(RgbaAt(pixels, width, p.x, p.y), p.want) << p.x << ", " << p.y;
}

TEST(WebpDecoder, BrokenAndOversizedFilesFailWithAReason)
{
    ScratchDir dir;
    WriteSources(dir);
    ASSERT_TRUE(RunIn(dir.path(), "cwebp -quiet -lossless q.png -o lossless.webp && cwebp -quiet -q 80 q.png -o "
                                  "lossy.webp && img2webp -lossless q.png dark.png -o animation.webp"));
    const std::string lossless = ReadBytes(dir.file("lossless.webp")), lossy = ReadBytes(dir.file("lossy.webp"));
    // Random bytes where the picture was, the container's headers kept.
    auto scrambled = [](std::string bytes, size_t from) {
        uint32_t state = 12345;
        for (size_t i = from; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
        return bytes;
    };
    // The canvas's size less one, 24 bits each, behind the VP8X chunk's flags.
    auto claiming = [](std::string bytes, int width, int height) {
        return Put(Put(bytes, 24, width - 1, 3, false), 27, height - 1, 3, false);
    };
    const std::string animation = ReadBytes(dir.file("animation.webp"));
    const std::string cases[][3] = {
        {"cut-lossless.webp", lossless.substr(0, lossless.size() / 2), "WebP data is cut off"},
        {"cut-lossy.webp", lossy.substr(0, lossy.size() - 10), "WebP data is cut off"},
        {"header-only.webp", lossy.substr(0, 16), "WebP data is cut off"},
        {"noise-lossless.webp", scrambled(lossless, 20), "damaged WebP data"},
        {"noise-lossy.webp", scrambled(lossy, 20), "damaged WebP data"},
        {"noise-animation.webp", scrambled(animation, 60), "damaged WebP data"},
        {"huge-canvas.webp", claiming(animation, 16000, 16000), "image too large (16000 x 16000)"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& [file, bytes, reason] : cases) {
        SCOPED_TRACE(file);
        WriteBytes(dir.file(file), bytes);
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(file), {.squareSize = 256}, out, &error));
        EXPECT_NE(U8(error).find(reason), std::string::npos) << U8(error);
        EXPECT_TRUE(out.pixels.empty() && out.width == 0);
    }
    // Our own limits refuse before decoding what the program's would let through.
    std::vector<uint8_t> pixels{1, 2, 3};
    int width = 0, height = 0;
    FColourInfo colour;
    std::string reason;
    EXPECT_FALSE(DecodeWebp(reinterpret_cast<const uint8_t*>(lossless.data()), lossless.size(), 1, 1,
                            {.maxPixels = 300 * 199}, pixels, width, height, colour, &reason));
    EXPECT_EQ(reason, "WebP picture too large (300 x 200)");
    EXPECT_TRUE(pixels.empty() && width == 0 && height == 0);
}
