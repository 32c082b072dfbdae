#include "photos/decode/FTiffDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

bool Decode(const std::string& bytes, const FDecodeLimits& limits, FDecodedImage& out, int& orientation,
            FColourInfo& colour, std::string& reason)
{
    return DecodeTiff(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), limits, out.pixels, out.width,
                      out.height, orientation, colour, &reason);
}

struct FHandTiff
{
    uint32_t width = 16, height = 16;
    uint16_t bits = 8, compression = 1;
    uint32_t dataBytes = 256, declaredBytes = 256;
};

// A grey TIFF written byte by byte, its one strip behind the directory, claiming
// what no tool would write.
std::string HandTiff(const FHandTiff& t)
{
    const uint32_t entries[][2] = {{256, t.width}, {257, t.height}, {258, t.bits},     {259, t.compression},
                                   {262, 1},       {273, 8 + 2 + 9 * 12 + 4},          {277, 1},
                                   {278, t.height}, {279, t.declaredBytes}};
    std::string out = "II*" + std::string(1, '\0') + Bytes(8, 4, false) + Bytes(9, 2, false);
    for (const auto& [tag, value] : entries) // LONG, or SHORT in the value's first half
        out += Bytes(tag, 2, false) + Bytes(value > 0xFFFF || tag == 273 || tag == 279 ? 4 : 3, 2, false) +
               Bytes(1, 4, false) + Bytes(value, 4, false);
    return out + Bytes(0, 4, false) + std::string(t.dataBytes, '\x80');
}

} // namespace

TEST(TiffDecoder, EveryKindThroughTheDecoderAgainstItsSource)
{
    ScratchDir dir;
    WriteToolSources(dir.path());
    // An sRGB profile: the pixels stay as stored (other profiles: ColourToSrgbTest).
    const std::string profile = "/usr/share/color/icc/colord/sRGB.icc";
    ASSERT_TRUE(RunIn(dir.path(), "convert q.png -type TrueColor -compress none rgb.tif"));
    // Upright quadrants of the pictures stored with Orientation 6 (to be turned a
    // quarter clockwise) and 3 (half way).
    const FRgba q[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    const FRgba turned6[4] = {kBottomLeft, kTopLeft, kBottomRight, kTopRight};
    const FRgba turned3[4] = {kBottomRight, kBottomLeft, kTopRight, kTopLeft};
    struct
    {
        const char* file;
        std::string command;
        const FRgba (&quadrants)[4];
        int tolerance, orientation = 1;
    } const cases[] = {
        {"rgb8-lzw.tif", "convert q.png -type TrueColor -compress lzw rgb8-lzw.tif", q, 0},
        {"rgb16-deflate.tif", "convert q.png -type TrueColor -depth 16 -compress zip rgb16-deflate.tif", q, 0},
        {"packbits-tiled.tif", "tiffcp -c packbits -t -w 64 -l 32 rgb.tif packbits-tiled.tif", q, 0},
        {"planes-deflate.tif", "tiffcp -c zip -p separate rgb.tif planes-deflate.tif", q, 0},
        {"ycbcr-jpeg.tif", "tiffcp -c jpeg:90 -r 16 rgb.tif ycbcr-jpeg.tif", q, 12},
        {"rgb-jpeg-tiled.tif", "tiffcp -c jpeg:90:r -t -w 128 -l 64 rgb.tif rgb-jpeg-tiled.tif", q, 12},
        {"grey8-packbits.tif", "convert g.png -type Grayscale -compress rle grey8-packbits.tif", kGreyQuadrants, 0},
        {"grey16-tiled.tif", "convert g.png -type Grayscale -depth 16 -compress zip g.tif && tiffcp -t -w 64 -l 48 "
                             "g.tif grey16-tiled.tif", kGreyQuadrants, 0},
        {"palette.tif", "convert q.png -type Palette -compress none palette.tif", q, 0},
        {"alpha-lzw.tif", "convert qa.png -type TrueColorAlpha -compress lzw alpha-lzw.tif", kHalfClear, 1},
        {"two-pages.tif", "convert q.png dark.png -type TrueColor -compress lzw two-pages.tif", q, 0},
        {"icc.tif", "convert rgb.tif -profile " + profile + " icc.tif", q, 0},
        {"orientation6.tif", "cp rgb.tif orientation6.tif && tiffset -s 274 6 orientation6.tif", turned6, 0, 6},
        {"orientation3.tif", "tiffcp -c lzw rgb.tif orientation3.tif && tiffset -s 274 3 orientation3.tif", turned3,
         0, 3},
    };
    FImageDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(RunIn(dir.path(), c.command)) << c.command;
        FDecodedImage out;
        FString error;
        ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), {}, out, &error)) << U8(error);
        const bool turned = c.orientation == 6;
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(turned ? kToolHeight : kToolWidth,
                                                              turned ? kToolWidth : kToolHeight));
        ExpectQuadrants(out, c.tolerance, c.quadrants);
        // Directly: the tag and the profile handed back, the rows as stored.
        int orientation = 0;
        FColourInfo colour;
        std::string reason;
        ASSERT_TRUE(Decode(ReadBytes(dir.file(c.file)), {}, out, orientation, colour, reason)) << reason;
        EXPECT_EQ(orientation, c.orientation);
        EXPECT_EQ(std::string(colour.icc.begin(), colour.icc.end()), c.file == std::string("icc.tif") ?
                  ReadBytes(profile) : "");
        ExpectQuadrants(out, c.tolerance, c.orientation == 1 ? c.quadrants : q);
    }
}

TEST(TiffDecoder, BrokenAndOversizedFilesFailWithAReasonAndPrintNothing)
{
    ScratchDir dir;
    WriteToolSources(dir.path());
    ASSERT_TRUE(RunIn(dir.path(), "convert q.png -type TrueColor -compress zip deflate.tif"));
    const std::string deflate = ReadBytes(dir.file("deflate.tif"));
    // libtiff writes the directory behind the pixels: noise between the header and
    // it keeps the file's structure but spoils its data.
    std::string noise = deflate;
    const uint32_t directory = uint8_t(noise[4]) | uint8_t(noise[5]) << 8 | uint8_t(noise[6]) << 16;
    for (uint32_t i = 8, state = 7; i < directory; ++i)
        noise[i] = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
    const std::string cases[][2] = {
        {deflate.substr(0, deflate.size() / 2), "TIFF data is cut off"},
        {deflate.substr(0, 8), "TIFF data is cut off"},
        {noise, "damaged TIFF data: "},
        {HandTiff({.width = 50000, .height = 50000}), "image too large (50000 x 50000)"},
        {HandTiff({.width = 3000, .height = 3000, .declaredBytes = 9'000'000}),
         "TIFF data is cut off: strip 0 runs past the end of the file"},
        {HandTiff({.width = 10000, .height = 10000, .compression = 8}),
         "damaged TIFF data: 256 bytes cannot hold 10000 x 10000 pixels"},
        {HandTiff({.bits = 32, .dataBytes = 1024, .declaredBytes = 1024}),
         "TIFF kind not supported: Sorry, can not handle images with 32-bit samples"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    testing::internal::CaptureStderr();
    for (const auto& [bytes, reason] : cases) {
        FString error;
        EXPECT_FALSE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                          FString(u"x.tif"), {.squareSize = 256}, out, &error));
        EXPECT_TRUE(U8(error).starts_with("x.tif: " + reason)) << U8(error);
        EXPECT_TRUE(out.pixels.empty() && out.width == 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Our own limits: the picture's size, and libtiff's buffer for one strip (a
    // compressed one: libtiff cuts a plain one into many).
    const struct
    {
        FDecodeLimits limits;
        const char* reason;
    } limited[] = {{{.maxPixels = 999'999}, "TIFF picture too large (1000 x 1000)"},
                   {{.memoryBytes = 1 << 20}, "TIFF strip too large to read (1 MB)"}};
    for (const auto& l : limited) {
        int orientation = 0;
        FColourInfo colour;
        std::string reason;
        out.pixels.assign(4, 1);
        EXPECT_FALSE(Decode(HandTiff({.width = 1000, .height = 1000, .compression = 8}), l.limits, out, orientation,
                            colour, reason));
        EXPECT_EQ(reason, l.reason);
        EXPECT_TRUE(out.pixels.empty() && out.width == 0);
    }

    // libtiff's messages reach the thread whose file they are about.
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                FDecodedImage image;
                int orientation = 0;
                FColourInfo colour;
                std::string reason;
                const auto& [bytes, want] = cases[t % 2 * 2]; // cut off, or noise
                wrong += Decode(bytes, {}, image, orientation, colour, reason) || !reason.starts_with(want);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}
