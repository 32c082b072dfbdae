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
    const uint32_t rowBytes = (image.width * bits + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + (bits == 32 ? 12 : 0) + static_cast<uint32_t>(palette.size()) * 4;
    std::string out = "BM" + Bytes(offset + rowBytes * image.height, 4, false) + Bytes(0, 4, false) +
                      Bytes(offset, 4, false);
    out += Bytes(40, 4, false) + Bytes(image.width, 4, false) + Bytes(-image.height, 4, false) + Bytes(1, 2, false) +
           Bytes(bits, 2, false) + Bytes(bits == 32 ? 3 : 0, 4, false) + Bytes(rowBytes * image.height, 4, false) +
           Bytes(2835, 4, false) + Bytes(2835, 4, false) + Bytes(uint32_t(palette.size()), 4, false) +
           Bytes(0, 4, false);
    if (bits == 32)
        out += Bytes(0xFF0000, 4, false) + Bytes(0xFF00, 4, false) + Bytes(0xFF, 4, false);
    for (const FRgba& c : palette)
        out += {char(c.b), char(c.g), char(c.r), '\0'};
    for (int y = 0; y < image.height; ++y) {
        std::string row;
        for (int x = 0; x < image.width; ++x) {
            const FRgba& c = image.at(x, y);
            row += bits == 8 ? std::string(1, char(PaletteIndex(palette, c))) : std::string{char(c.b), char(c.g), char(c.r)};
            if (bits == 32)
                row += '\0';
        }
        out += row + std::string(rowBytes - row.size(), '\0');
    }
    return out;
}

} // namespace

TEST(BmpDecoder, RowsStoredTopFirstReadTheRightWayUp)
{
    ScratchDir dir;
    FImageDecoder decoder;
    FDecodedImage out;
    for (int bits : {24, 32, 8}) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        const std::string file = dir.file("top-down.bmp");
        WriteBytes(file, TopDownBmp(Quadrants(90, 60), bits));
        FString error;
        ASSERT_TRUE(decoder.Decode(FString::FromUtf8(file), {.squareSize = 0}, out, &error)) << U8(error);
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(90, 60));
        ExpectQuadrants(out, 0);
    }
}

TEST(BmpDecoder, EveryRefusalSaysWhy)
{
    const std::string rgb = TopDownBmp(Quadrants(16, 16), 24), palette = TopDownBmp(Quadrants(16, 16), 8);
    // Byte offsets in the headers: 14 header size, 18 width, 26 planes, 28 bits a
    // pixel, 30 compression, 46 palette colours.
    const std::string cases[][2] = {
        {Put(rgb, 14, 99, 4, false), "corrupt BMP data: a header of 99 bytes is no BMP header"},
        {Put(rgb, 14, 52, 4, false), "BMP with a header of 52 bytes is not supported"},
        {Put(rgb, 18, 0, 4, false), "corrupt BMP data: the picture is 0 x -16 pixels"},
        {Put(rgb, 26, 3, 2, false), "corrupt BMP data: 3 colour planes where BMP has 1"},
        {Put(rgb, 28, 7, 2, false), "BMP with 7 bits a pixel is not supported"},
        {Put(rgb, 30, 4, 4, false), "BMP holding a JPEG picture is not supported"},
        {Put(rgb, 30, 11, 4, false), "BMP compression 11 is not supported"},
        {Put(rgb, 30, 1, 4, false), "corrupt BMP data: compression 1 does not go with 24 bits a pixel"},
        {Put(palette, 30, 1, 4, false), "corrupt BMP data: run-length coded rows cannot be stored top first"},
        {Put(palette, 46, 100000, 4, false), "corrupt BMP data: a palette of 100000 colours"},
        {Put(rgb, 22, uint32_t(INT32_MIN), 4, false), "image too large (16 x 2147483648)"},
        // Qt's own words where it has some.
        {Put(Put(palette, 46, 0, 4, false), 10, 54, 4, false), "corrupt BMP data: Unable to read image data"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        FString error;
        EXPECT_FALSE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                          FString(u"broken.bmp"), {.squareSize = 64}, out, &error));
        EXPECT_EQ(U8(error), "broken.bmp: " + std::string(reason));
    }
}
