#include "photos/decode/FImageDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

namespace {

// A BMP written byte by byte with its rows stored top first (a negative height):
// 24 bits, 32 bits with bit fields, or 8 bits with a palette.
std::string TopDownBmp(const FTestImage& image, int bits)
{
    std::vector<FRgba> palette;
    if (bits == 8)
        for (const FRgba& p : image.pixels)
            PaletteIndex(palette, p);
    const uint32_t rowBytes = (image.width * bits + 31) / 32 * 4, pixels = rowBytes * image.height;
    const uint32_t offset = 14 + 40 + (bits == 32 ? 12 : 0) + uint32_t(palette.size()) * 4;
    std::string out = "BM" + Bytes(offset + pixels, 4, false) + Bytes(0, 4, false) + Bytes(offset, 4, false);
    for (const uint32_t field : {40u, uint32_t(image.width), uint32_t(-image.height), 1u | bits << 16,
                                 bits == 32 ? 3u : 0u, pixels, 2835u, 2835u, uint32_t(palette.size()), 0u})
        out += Bytes(field, 4, false);
    if (bits == 32)
        out += Bytes(0xFF0000, 4, false) + Bytes(0xFF00, 4, false) + Bytes(0xFF, 4, false);
    for (const FRgba& c : palette)
        out += {char(c.b), char(c.g), char(c.r), '\0'};
    for (int y = 0; y < image.height; ++y) {
        const size_t start = out.size();
        for (int x = 0; x < image.width; ++x) {
            const FRgba& c = image.at(x, y);
            out += bits == 8 ? std::string(1, char(PaletteIndex(palette, c))) : std::string{char(c.b), char(c.g), char(c.r)};
            out += bits == 32 ? std::string(1, '\0') : "";
        }
        out.resize(start + rowBytes, '\0');
    }
    return out;
}

} // namespace

TEST(BmpDecoder, RowsStoredTopFirstReadTheRightWayUpAndEveryRefusalSaysWhy)
{
    FImageDecoder decoder;
    FDecodedImage out;
    FString error;
    for (int bits : {24, 32, 8}) {
        const std::string bmp = TopDownBmp(Quadrants(90, 60), bits);
        ASSERT_TRUE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), FString(u"a.bmp"),
                                         {}, out, &error))
            << bits << " bits: " << U8(error);
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(90, 60));
        ExpectQuadrants(out, 0);
    }

    const std::string rgb = TopDownBmp(Quadrants(16, 16), 24), palette = TopDownBmp(Quadrants(16, 16), 8);
    // Byte offsets: 10 the pixels' start, 14 the header's size, 18 width, 22 height,
    // 26 planes, 28 bits a pixel, 30 compression, 46 palette colours.
    const std::string cases[][2] = {
        {Put(rgb, 14, 99, 4, false), "corrupt BMP data: a header of 99 bytes is no BMP header"},
        {Put(rgb, 14, 52, 4, false), "BMP with a header of 52 bytes is not supported"},
        {Put(rgb, 22, uint32_t(INT32_MIN), 4, false), "image too large (16 x 2147483648)"},
        {Put(rgb, 26, 3, 2, false), "corrupt BMP data: 3 colour planes where BMP has 1"},
        {Put(rgb, 28, 7, 2, false), "BMP with 7 bits a pixel is not supported"},
        {Put(rgb, 30, 4, 4, false), "BMP holding a JPEG picture is not supported"},
        {Put(rgb, 30, 1, 4, false), "corrupt BMP data: compression 1 does not go with 24 bits a pixel"},
        {Put(palette, 30, 1, 4, false), "corrupt BMP data: run-length coded rows cannot be stored top first"},
        {Put(palette, 46, 100000, 4, false), "corrupt BMP data: a palette of 100000 colours"},
        // Qt's own words where it has some.
        {Put(Put(palette, 46, 0, 4, false), 10, 54, 4, false), "corrupt BMP data: Unable to read image data"},
    };
    for (const auto& [bytes, reason] : cases) {
        EXPECT_FALSE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                          FString(u"b.bmp"), {.squareSize = 64}, out, &error));
        EXPECT_EQ(U8(error), "b.bmp: " + reason);
    }
}
