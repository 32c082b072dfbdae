// Photos from phones and cameras come as stored pixels plus an EXIF Orientation
// tag: they must decode upright, at their upright size.

#include "MediaTestImages.h"
#include "photos/decode/ExifOrientation.h"
#include "photos/decode/FImageDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

namespace {

// An IFD0 of two entries, Orientation second; type 3 (SHORT) unless asked.
std::string Tiff(int orientation, bool bigEndian, int type = 3)
{
    std::string t;
    auto u16 = [&](unsigned v) {
        const char b[2] = {char(v & 0xFF), char(v >> 8)};
        t += bigEndian ? std::string{b[1], b[0]} : std::string{b[0], b[1]};
    };
    auto u32 = [&](unsigned v) { bigEndian ? (u16(v >> 16), u16(v & 0xFFFF)) : (u16(v & 0xFFFF), u16(v >> 16)); };
    t += bigEndian ? "MM" : "II";
    u16(42), u32(8), u16(2);
    u16(0x010F), u16(2), u32(4), t.append("abc\0", 4); // Make
    u16(0x0112), u16(type), u32(1);
    type == 4 ? u32(orientation) : (u16(orientation), u16(0));
    u32(0);
    return t;
}

std::string BigEndian(uint32_t v, int bytes)
{
    std::string s;
    for (int i = bytes - 1; i >= 0; --i)
        s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}

// APP1 segments go straight after SOI, where cameras put them.
std::string WithApp1(const std::string& jpeg, const std::string& body)
{
    return jpeg.substr(0, 2) + "\xFF\xE1" + BigEndian(static_cast<uint32_t>(body.size() + 2), 2) + body +
           jpeg.substr(2);
}

std::string ExifJpeg(const FTestImage& image, int orientation, bool bigEndian)
{
    return WithApp1(JpegBytes(image), std::string("Exif\0\0", 6) + Tiff(orientation, bigEndian));
}

std::string PngChunk(const char* type, const std::string& body)
{
    const std::string typed = type + body;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    return BigEndian(static_cast<uint32_t>(body.size()), 4) + typed + BigEndian(static_cast<uint32_t>(crc), 4);
}

// eXIf straight after IHDR (8 + 25 bytes in).
std::string ExifPng(const FTestImage& image, int orientation, bool bigEndian)
{
    const std::string png = PngBytes(
        image.width, image.height, [&](int x, int y) { return image.at(x, y); }, FPngOptions{});
    return png.substr(0, 33) + PngChunk("eXIf", Tiff(orientation, bigEndian)) + png.substr(33);
}

FRgba Pixel(const FDecodedImage& image, int x, int y)
{
    const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * 4;
    return FRgba{p[0], p[1], p[2], p[3]};
}

bool Near(const FRgba& a, const FRgba& b)
{
    return std::abs(a.r - b.r) < 24 && std::abs(a.g - b.g) < 24 && std::abs(a.b - b.b) < 24;
}

// Top left, top right, bottom left, bottom right, 3 pixels in from the corners.
void ExpectCorners(const FDecodedImage& out, const FRgba (&want)[4])
{
    const int w = out.width, h = out.height;
    const int at[4][2] = {{3, 3}, {w - 4, 3}, {3, h - 4}, {w - 4, h - 4}};
    for (int i = 0; i < 4; ++i) {
        const FRgba got = Pixel(out, at[i][0], at[i][1]);
        EXPECT_TRUE(Near(got, want[i])) << "corner " << i << ": " << int(got.r) << "," << int(got.g) << ","
                                        << int(got.b);
    }
}

std::string U8(const FString& s)
{
    return s.ToUtf8();
}

bool Decode(FImageDecoder& decoder, const std::string& bytes, const FDecodeRequest& request, FDecodedImage& out)
{
    FString error;
    const bool ok = decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                         FString(u"photo"), request, out, &error);
    EXPECT_TRUE(ok) << U8(error);
    return ok;
}

TEST(ExifOrientation, AllEightValuesDecodeUprightInJpegAndPng)
{
    const FRgba& tl = kTopLeft;
    const FRgba& tr = kTopRight;
    const FRgba& bl = kBottomLeft;
    const FRgba& br = kBottomRight;
    // The corners of the stored quadrants as they must appear, per value.
    const FRgba upright[9][4] = {
        {},
        {tl, tr, bl, br},
        {tr, tl, br, bl},
        {br, bl, tr, tl},
        {bl, br, tl, tr},
        {tl, bl, tr, br},
        {bl, tl, br, tr},
        {br, tr, bl, tl},
        {tr, br, tl, bl},
    };
    const FTestImage stored = Quadrants(64, 48);
    FImageDecoder decoder;
    FDecodedImage out;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool png : {false, true}) {
            SCOPED_TRACE((png ? "PNG " : "JPEG ") + std::to_string(orientation));
            const bool bigEndian = orientation % 2 == 1;
            const std::string bytes =
                png ? ExifPng(stored, orientation, bigEndian) : ExifJpeg(stored, orientation, bigEndian);
            ASSERT_TRUE(Decode(decoder, bytes, FDecodeRequest{}, out));
            const bool swaps = orientation >= 5;
            EXPECT_EQ(out.sourceWidth, swaps ? 48 : 64);
            EXPECT_EQ(out.sourceHeight, swaps ? 64 : 48);
            EXPECT_EQ(out.width, out.sourceWidth);
            EXPECT_EQ(out.height, out.sourceHeight);
            ExpectCorners(out, upright[orientation]);
        }
    }
}

TEST(ExifOrientation, PortraitFromAPhoneFitsAsAPortrait)
{
    // 600 x 400, red above blue, stored a quarter turned with the tag saying 6.
    const FRgba red{230, 20, 20}, blue{20, 20, 230};
    const FTestImage stored(600, 400, [&](int, int y) { return y < 200 ? red : blue; });
    FImageDecoder decoder;
    FDecodedImage out;
    ASSERT_TRUE(Decode(decoder, ExifJpeg(stored, 6, false), FDecodeRequest{}, out));
    EXPECT_EQ(out.width, 400);
    EXPECT_EQ(out.height, 600);
    ExpectCorners(out, {blue, red, blue, red});

    // Shrunk in the transform and fitted: the limit applies to the upright sides.
    const FTestImage large = Quadrants(1600, 1200);
    ASSERT_TRUE(Decode(decoder, ExifJpeg(large, 8, true), FDecodeRequest{.maxSize = 600}, out));
    EXPECT_EQ(out.sourceWidth, 1200);
    EXPECT_EQ(out.sourceHeight, 1600);
    EXPECT_EQ(out.width, 450);
    EXPECT_EQ(out.height, 600);
    ExpectCorners(out, {kTopRight, kBottomRight, kTopLeft, kBottomLeft});
    ASSERT_TRUE(Decode(decoder, ExifPng(large, 6, false), FDecodeRequest{.squareSize = 256}, out));
    EXPECT_EQ(out.sourceWidth, 1200);
    EXPECT_EQ(out.width, 256);
    ExpectCorners(out, {kBottomLeft, kTopLeft, kBottomRight, kTopRight});
}

TEST(ExifOrientation, OddAndBrokenTagsReadAsUpright)
{
    const std::string exif("Exif\0\0", 6);
    const std::string good = Tiff(6, true);
    const std::string soi = "\xFF\xD8";
    auto app = [](char marker, const std::string& body) {
        return std::string("\xFF") + marker + BigEndian(static_cast<uint32_t>(body.size() + 2), 2) + body;
    };
    const struct
    {
        const char* what;
        std::string jpeg;
        int want;
    } cases[] = {
        {"plain", soi + app('\xE1', exif + good), 6},
        {"after JFIF and XMP",
         soi + app('\xE0', "JFIF") + app('\xE1', "http://ns.adobe.com/xap") + app('\xE1', exif + good), 6},
        {"long as LONG", soi + app('\xE1', exif + Tiff(3, false, 4)), 3},
        {"value 9", soi + app('\xE1', exif + Tiff(9, false)), 1},
        {"value 0", soi + app('\xE1', exif + Tiff(0, true)), 1},
        {"as text", soi + app('\xE1', exif + Tiff(6, true, 2)), 1},
        {"cut in the entry", soi + app('\xE1', exif + good.substr(0, 26)), 1},
        {"segment longer than the file", (soi + app('\xE1', exif + good)).substr(0, 30), 1},
        {"after the image data", soi + app('\xDA', "xx") + app('\xE1', exif + good), 1},
        {"no Exif name", soi + app('\xE1', good), 1},
        {"bad byte order", soi + app('\xE1', exif + "XX" + good.substr(2)), 1},
        {"IFD past the end", soi + app('\xE1', exif + std::string("MM\0\x2A\x7F\xFF\xFF\xFF", 8)), 1},
        {"not a JPEG", app('\xE1', exif + good), 1},
        {"empty", "", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JpegExifOrientation(reinterpret_cast<const uint8_t*>(c.jpeg.data()), c.jpeg.size()), c.want)
            << c.what;

    // A PNG whose eXIf chunk runs past the end is read as upright.
    std::string png = ExifPng(Quadrants(16, 16), 6, false);
    png.replace(33, 4, BigEndian(0x7FFFFFF0, 4));
    EXPECT_EQ(PngExifOrientation(reinterpret_cast<const uint8_t*>(png.data()), png.size()), 1);
    const std::string prefixed = std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("eXIf", exif + good);
    EXPECT_EQ(PngExifOrientation(reinterpret_cast<const uint8_t*>(prefixed.data()), prefixed.size()), 6);
}

} // namespace
