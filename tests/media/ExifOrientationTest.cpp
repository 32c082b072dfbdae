// Photos from phones and cameras come as stored pixels plus an EXIF Orientation
// tag: they must decode upright, at their upright size.

#include "../base/TestFiles.h"
#include "MediaTestImages.h"
#include "photos/decode/ExifOrientation.h"
#include "photos/decode/FImageDecoder.h"

#include <gtest/gtest.h>

namespace {

// An IFD0 of two entries, Orientation second; type 3 (SHORT) unless asked.
std::string Tiff(int orientation, bool bigEndian, int type = 3)
{
    std::string t = bigEndian ? "MM" : "II";
    auto u16 = [&](unsigned v) { t += Bytes(v, 2, bigEndian); };
    auto u32 = [&](unsigned v) { t += Bytes(v, 4, bigEndian); };
    u16(42), u32(8), u16(2);
    u16(0x010F), u16(2), u32(4), t.append("abc\0", 4); // Make
    u16(0x0112), u16(type), u32(1);
    type == 4 ? u32(orientation) : (u16(orientation), u16(0));
    u32(0);
    return t;
}

const std::string kExif("Exif\0\0", 6);

std::string Segment(char marker, const std::string& body)
{
    return std::string("\xFF") + marker + Bytes(static_cast<uint32_t>(body.size() + 2), 2, true) + body;
}

// APP1 straight after SOI, where cameras put it.
std::string ExifJpeg(const FTestImage& image, int orientation, bool bigEndian)
{
    const std::string jpeg = JpegBytes(image);
    return jpeg.substr(0, 2) + Segment('\xE1', kExif + Tiff(orientation, bigEndian)) + jpeg.substr(2);
}

std::string ExifPng(int size, const std::string& exif)
{
    return PngBytes(size, size * 3 / 4, QuadrantPaint(size, size * 3 / 4), {.exif = exif});
}

void ExpectUpright(const std::string& bytes, const FDecodeRequest& request, int width, int height,
                   const FRgba (&quadrants)[4])
{
    FImageDecoder decoder;
    FDecodedImage out;
    FString error;
    ASSERT_TRUE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), FString(u"photo"),
                                     request, out, &error))
        << U8(error);
    ASSERT_EQ(std::pair(out.width, out.height), std::pair(width, height));
    // The source size is upright too.
    EXPECT_TRUE(request.squareSize || int64_t(out.sourceWidth) * height == int64_t(width) * out.sourceHeight);
    ExpectQuadrants(out, 24, quadrants);
}

const FRgba &tl = kTopLeft, &tr = kTopRight, &bl = kBottomLeft, &br = kBottomRight;

TEST(ExifOrientation, AllEightValuesDecodeUpright)
{
    // The stored quadrants' corners as they must appear, per value.
    const FRgba upright[9][4] = {{},
                                 {tl, tr, bl, br},
                                 {tr, tl, br, bl},
                                 {br, bl, tr, tl},
                                 {bl, br, tl, tr},
                                 {tl, bl, tr, br},
                                 {bl, tl, br, tr},
                                 {br, tr, bl, tl},
                                 {tr, br, tl, bl}};
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const bool swaps = orientation >= 5;
        ExpectUpright(ExifJpeg(Quadrants(64, 48), orientation, orientation % 2 == 1), {}, swaps ? 48 : 64,
                      swaps ? 64 : 48, upright[orientation]);
    }
    // Larger than the transform's tiles, shrunk and fitted: the limits apply to the
    // upright sides.
    const FTestImage large = Quadrants(1600, 1200);
    ExpectUpright(ExifJpeg(large, 8, true), {.maxSize = 600}, 450, 600, {tr, br, tl, bl});
    ExpectUpright(ExifPng(1600, Tiff(6, false)), {.squareSize = 256}, 256, 256, {bl, tl, br, tr});
}

TEST(ExifOrientation, OddAndBrokenTagsReadAsUpright)
{
    const std::string good = Tiff(6, true);
    const std::string soi = "\xFF\xD8";
    const struct
    {
        const char* what;
        std::string jpeg;
        int want;
    } cases[] = {
        {"after JFIF and XMP",
         soi + Segment('\xE0', "JFIF") + Segment('\xE1', "http://ns.adobe.com/xap") + Segment('\xE1', kExif + good), 6},
        {"long as LONG", soi + Segment('\xE1', kExif + Tiff(3, false, 4)), 3},
        {"value 9", soi + Segment('\xE1', kExif + Tiff(9, false)), 1},
        {"value 0", soi + Segment('\xE1', kExif + Tiff(0, true)), 1},
        {"as text", soi + Segment('\xE1', kExif + Tiff(6, true, 2)), 1},
        {"cut in the entry", soi + Segment('\xE1', kExif + good.substr(0, 26)), 1},
        {"segment longer than the file", (soi + Segment('\xE1', kExif + good)).substr(0, 30), 1},
        {"after the image data", soi + Segment('\xDA', "xx") + Segment('\xE1', kExif + good), 1},
        {"bad byte order", soi + Segment('\xE1', kExif + "XX" + good.substr(2)), 1},
        {"IFD past the end", soi + Segment('\xE1', kExif + std::string("MM\0\x2A\x7F\xFF\xFF\xFF", 8)), 1},
        {"not a JPEG", Segment('\xE1', kExif + good), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JpegExifOrientation(reinterpret_cast<const uint8_t*>(c.jpeg.data()), c.jpeg.size()), c.want)
            << c.what;

    // PNG: a chunk running past the end is upright; a JPEG-style prefix is read.
    std::string png = ExifPng(16, kExif + good);
    EXPECT_EQ(PngExifOrientation(reinterpret_cast<const uint8_t*>(png.data()), png.size()), 6);
    png.replace(png.find("eXIf") - 4, 4, Bytes(0x7FFFFFF0, 4, true));
    EXPECT_EQ(PngExifOrientation(reinterpret_cast<const uint8_t*>(png.data()), png.size()), 1);
}

} // namespace
