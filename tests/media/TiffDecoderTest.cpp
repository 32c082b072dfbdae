#include "photos/decode/FTiffDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr int kWidth = 300, kHeight = 200;
const FRgba kQuadrants[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
const FRgba kGrey[4] = {{30, 30, 30}, {90, 90, 90}, {160, 160, 160}, {230, 230, 230}};
const FRgba kHalfClear[4] = {{220, 30, 40, 128}, kTopRight, kBottomLeft, kBottomRight};
const char* const kProfile = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

FPaint PaintOf(const FRgba (&q)[4])
{
    return [&q](int x, int y) { return q[(y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1)]; };
}

// Sources in dir: q.png the quadrants, g.png grey ones, qa.png with kHalfClear,
// dark.png one colour; rgb.tif the quadrants stored plainly, for tiffcp to recode.
void WriteSources(const ScratchDir& dir)
{
    WriteBytes(dir.file("q.png"), PngBytes(kWidth, kHeight, PaintOf(kQuadrants)));
    WriteBytes(dir.file("g.png"), PngBytes(kWidth, kHeight, PaintOf(kGrey)));
    WriteBytes(dir.file("qa.png"), PngBytes(kWidth, kHeight, PaintOf(kHalfClear), {.type = PNG_COLOR_TYPE_RGB_ALPHA}));
    WriteBytes(dir.file("dark.png"), PngBytes(kWidth, kHeight, [](int, int) { return FRgba{10, 60, 10}; }));
    ASSERT_TRUE(RunIn(dir.path(), "convert q.png -type TrueColor -compress none rgb.tif"));
}

struct FHandTiff
{
    uint32_t width = 16, height = 16;
    uint16_t bits = 8, compression = 1;
    uint32_t dataBytes = 256, declaredBytes = 256;
};

// A grey TIFF written byte by byte, its one strip right behind the directory, so
// that it can claim what no tool would write.
std::string HandTiff(const FHandTiff& t)
{
    const uint32_t dataAt = 8 + 2 + 9 * 12 + 4;
    const struct
    {
        uint16_t tag, type;
        uint32_t value;
    } entries[] = {{256, 4, t.width},  {257, 4, t.height}, {258, 3, t.bits}, {259, 3, t.compression},
                   {262, 3, 1},        {273, 4, dataAt},   {277, 3, 1},      {278, 4, t.height},
                   {279, 4, t.declaredBytes}};
    std::string out = "II*" + std::string(1, '\0') + Bytes(8, 4, false) + Bytes(9, 2, false);
    for (const auto& e : entries)
        out += Bytes(e.tag, 2, false) + Bytes(e.type, 2, false) + Bytes(1, 4, false) + Bytes(e.value, 4, false);
    return out + Bytes(0, 4, false) + std::string(t.dataBytes, '\x80');
}

} // namespace

TEST(TiffDecoder, EveryKindThroughTheDecoderAgainstItsSource)
{
    ScratchDir dir;
    WriteSources(dir);
    // Upright quadrants of pictures stored with Orientation 6 (to be turned a quarter
    // clockwise) and 3 (half way).
    const FRgba turned6[4] = {kBottomLeft, kTopLeft, kBottomRight, kTopRight};
    const FRgba turned3[4] = {kBottomRight, kBottomLeft, kTopRight, kTopLeft};
    struct
    {
        const char* file;
        std::string command;
        const FRgba (&quadrants)[4];
        int tolerance;
        bool turned = false; // stored on its side
    } const cases[] = {
        {"rgb8-lzw.tif", "convert q.png -type TrueColor -compress lzw rgb8-lzw.tif", kQuadrants, 0},
        {"rgb16-deflate.tif", "convert q.png -type TrueColor -depth 16 -compress zip rgb16-deflate.tif", kQuadrants, 0},
        {"rgb8-packbits-tiled.tif", "tiffcp -c packbits -t -w 64 -l 32 rgb.tif rgb8-packbits-tiled.tif", kQuadrants,
         0},
        {"rgb8-planes-deflate.tif", "tiffcp -c zip -p separate rgb.tif rgb8-planes-deflate.tif", kQuadrants, 0},
        {"ycbcr-jpeg.tif", "tiffcp -c jpeg:90 -r 16 rgb.tif ycbcr-jpeg.tif", kQuadrants, 12},
        {"rgb-jpeg-tiled.tif", "tiffcp -c jpeg:90:r -t -w 128 -l 64 rgb.tif rgb-jpeg-tiled.tif", kQuadrants, 12},
        {"grey8-packbits.tif", "convert g.png -type Grayscale -compress rle grey8-packbits.tif", kGrey, 0},
        {"grey16-tiled.tif", "convert g.png -type Grayscale -depth 16 -compress zip g16.tif && tiffcp -t -w 64 -l 48 "
                             "g16.tif grey16-tiled.tif", kGrey, 0},
        {"palette.tif", "convert q.png -type Palette -compress none palette.tif", kQuadrants, 0},
        {"alpha-lzw.tif", "convert qa.png -type TrueColorAlpha -compress lzw alpha-lzw.tif", kHalfClear, 1},
        {"two-pages.tif", "convert q.png dark.png -type TrueColor -compress lzw two-pages.tif", kQuadrants, 0},
        {"orientation6.tif", "cp rgb.tif orientation6.tif && tiffset -s 274 6 orientation6.tif", turned6, 0, true},
        {"orientation3.tif", "tiffcp -c lzw rgb.tif orientation3.tif && tiffset -s 274 3 orientation3.tif", turned3,
         0},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& c : cases) {
        ASSERT_TRUE(RunIn(dir.path(), c.command)) << c.command;
        for (int square : {0, 64}) {
            SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(square));
            FString error;
            ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), {.squareSize = square}, out, &error)) << U8(error);
            const auto size = c.turned ? std::pair(kHeight, kWidth) : std::pair(kWidth, kHeight);
            EXPECT_EQ(std::pair(out.sourceWidth, out.sourceHeight), size);
            EXPECT_EQ(std::pair(out.width, out.height), square ? std::pair(64, 64) : size);
            ExpectQuadrants(out, c.tolerance + (square ? 2 : 0), c.quadrants);
        }
    }
}

TEST(TiffDecoder, OrientationAndProfileComeBackWithThePixelsAsStored)
{
    ScratchDir dir;
    WriteSources(dir);
    ASSERT_TRUE(RunIn(dir.path(), std::string("convert rgb.tif -profile ") + kProfile +
                                      " icc.tif && cp rgb.tif turned.tif && tiffset -s 274 6 turned.tif"));
    const std::string profile = ReadBytes(kProfile);
    const struct
    {
        const char* file;
        int orientation;
        bool icc;
    } cases[] = {{"rgb.tif", 1, false}, {"icc.tif", 1, true}, {"turned.tif", 6, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = ReadBytes(dir.file(c.file));
        FDecodedImage out;
        int orientation = 0;
        FColourInfo colour;
        std::string reason;
        ASSERT_TRUE(DecodeTiff(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), {}, out.pixels,
                               out.width, out.height, orientation, colour, &reason))
            << reason;
        EXPECT_EQ(orientation, c.orientation);
        EXPECT_EQ(std::string(colour.icc.begin(), colour.icc.end()), c.icc ? profile : "");
        ExpectQuadrants(out, 0);
    }
}

TEST(TiffDecoder, BrokenAndOversizedFilesFailWithAReasonAndPrintNothing)
{
    ScratchDir dir;
    WriteSources(dir);
    ASSERT_TRUE(RunIn(dir.path(), "tiffcp -c zip rgb.tif deflate.tif"));
    const std::string deflate = ReadBytes(dir.file("deflate.tif"));
    // libtiff writes the directory behind the pixels: noise over everything between
    // the header and it keeps the file's structure but spoils its data.
    std::string noise = deflate;
    const uint32_t directory = uint8_t(noise[4]) | uint8_t(noise[5]) << 8 | uint8_t(noise[6]) << 16;
    for (uint32_t i = 8, state = 7; i < directory && i < noise.size(); ++i)
        noise[i] = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
    const std::string cases[][3] = {
        {"cut.tif", deflate.substr(0, deflate.size() / 2), "TIFF data is cut off"},
        {"header-only.tif", deflate.substr(0, 8), "TIFF data is cut off"},
        {"noise.tif", noise, "damaged TIFF data: "},
        {"bomb.tif", HandTiff({.width = 50000, .height = 50000}), "image too large (50000 x 50000)"},
        {"short.tif", HandTiff({.width = 3000, .height = 3000, .declaredBytes = 9'000'000}),
         "TIFF data is cut off: strip 0 runs past the end of the file"},
        {"deflate-claim.tif", HandTiff({.width = 10000, .height = 10000, .compression = 8}),
         "damaged TIFF data: 256 bytes cannot hold 10000 x 10000 pixels"},
        {"float.tif", HandTiff({.bits = 32, .dataBytes = 1024, .declaredBytes = 1024}),
         "TIFF kind not supported: Sorry, can not handle images with 32-bit samples"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    testing::internal::CaptureStderr();
    for (const auto& [file, bytes, reason] : cases) {
        SCOPED_TRACE(file);
        WriteBytes(dir.file(file), bytes);
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(file), {.squareSize = 256}, out, &error));
        EXPECT_NE(U8(error).find(reason), std::string::npos) << U8(error);
        EXPECT_TRUE(out.pixels.empty() && out.width == 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Our own limits: the picture's size, and libtiff's buffer for one strip (one
    // compressed: libtiff cuts a plain one into many).
    const std::string strip = HandTiff({.width = 1000, .height = 1000, .compression = 8});
    const struct
    {
        FDecodeLimits limits;
        const char* reason;
    } limited[] = {{{.maxPixels = 999'999}, "TIFF picture too large (1000 x 1000)"},
                   {{.maxSide = 999}, "TIFF picture too large (1000 x 1000)"},
                   {{.memoryBytes = 1 << 20}, "TIFF strip too large to read (1 MB)"}};
    for (const auto& l : limited) {
        std::vector<uint8_t> pixels{1};
        int width = 0, height = 0, orientation = 0;
        FColourInfo colour;
        std::string reason;
        EXPECT_FALSE(DecodeTiff(reinterpret_cast<const uint8_t*>(strip.data()), strip.size(), l.limits, pixels,
                                width, height, orientation, colour, &reason));
        EXPECT_EQ(reason, l.reason);
        EXPECT_TRUE(pixels.empty() && width == 0);
    }

    // libtiff's messages reach the thread whose file they are about.
    std::vector<std::thread> threads;
    std::atomic<int> wrong = 0;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::string& bytes = t % 2 ? noise : cases[0][1];
            const char* want = t % 2 ? "damaged TIFF data: " : "TIFF data is cut off";
            for (int i = 0; i < 50; ++i) {
                std::vector<uint8_t> pixels;
                int width = 0, height = 0, orientation = 0;
                FColourInfo colour;
                std::string reason;
                if (DecodeTiff(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), {}, pixels, width, height,
                               orientation, colour, &reason) ||
                    !reason.starts_with(want))
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}
