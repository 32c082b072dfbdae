#include "photos/decode/FImageDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

FRgba PixelAt(const FDecodedImage& image, int x, int y)
{
    const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * 4;
    return FRgba{p[0], p[1], p[2], p[3]};
}

::testing::AssertionResult Near(const FRgba& got, const FRgba& want, int tolerance)
{
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance && got.a == want.a)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << int(got.r) << ", " << int(got.g) << ", " << int(got.b) << ", "
                                         << int(got.a) << ") want (" << int(want.r) << ", " << int(want.g) << ", "
                                         << int(want.b) << ", " << int(want.a) << ")";
}

// Quadrant centres, plus the first and last rows, which must be the top and the
// bottom of the picture.
void ExpectQuadrants(const FDecodedImage& image, int tolerance)
{
    const int w = image.width, h = image.height;
    ASSERT_EQ(image.pixels.size(), static_cast<size_t>(w) * h * 4);
    EXPECT_TRUE(Near(PixelAt(image, w / 4, h / 4), kTopLeft, tolerance));
    EXPECT_TRUE(Near(PixelAt(image, 3 * w / 4, h / 4), kTopRight, tolerance));
    EXPECT_TRUE(Near(PixelAt(image, w / 4, 3 * h / 4), kBottomLeft, tolerance));
    EXPECT_TRUE(Near(PixelAt(image, 3 * w / 4, 3 * h / 4), kBottomRight, tolerance));
    EXPECT_TRUE(Near(PixelAt(image, w / 4, 0), kTopLeft, tolerance)) << "first row is not the top";
    EXPECT_TRUE(Near(PixelAt(image, w / 4, h - 1), kBottomLeft, tolerance)) << "last row is not the bottom";
}

struct FFormatCase
{
    const char* file;
    int width, height;
    int tolerance; // JPEG's loss; the others are exact at full size
};

void WriteCase(const ScratchDir& dir, const FFormatCase& c)
{
    const FTestImage image = Quadrants(c.width, c.height);
    const std::string path = dir.file(c.file);
    const std::string ext = std::filesystem::path(c.file).extension().string();
    if (ext == ".jpg")
        WriteBytes(path, JpegBytes(image));
    else if (ext == ".tga")
        WriteBytes(path, TgaBytes(image, FTgaOptions{.type = 10}));
    else
        ASSERT_TRUE(SaveWithQt(image, path, ext == ".png" ? "PNG" : "BMP"));
}

} // namespace

TEST(FImageDecoder, EveryFormatKeepsColoursAndOrientationAtEveryQuality)
{
    ScratchDir dir;
    const FFormatCase cases[] = {
        {"photo.jpg", 3000, 2000, 12},   {"photo.png", 1200, 800, 0},
        {"photo.bmp", 1200, 800, 0},     {"photo.tga", 1200, 800, 0},
        {"portrait.jpg", 600, 1000, 12}, {"small.png", 100, 60, 0}, // smaller than the texture: enlarged
    };
    // One decoder and one output across all cases, as the texture loader uses
    // them: a reused buffer must never show the previous picture.
    FImageDecoder decoder;
    FDecodedImage out;
    for (const FFormatCase& c : cases) {
        WriteCase(dir, c);
        for (int square : {256, 512, 0}) {
            SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(square));
            FString error;
            ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), FDecodeRequest{.squareSize = square}, out, &error))
                << U8(error);
            EXPECT_EQ(out.sourceWidth, c.width);
            EXPECT_EQ(out.sourceHeight, c.height);
            EXPECT_EQ(out.width, square ? square : c.width);
            EXPECT_EQ(out.height, square ? square : c.height);
            // Resizing blurs the quadrant borders only; the centres stay put.
            ExpectQuadrants(out, c.tolerance + (square ? 2 : 0));
        }
    }
}

TEST(FImageDecoder, FormatComesFromTheContentNotTheName)
{
    ScratchDir dir;
    const FTestImage image = Quadrants(64, 48);
    WriteBytes(dir.file("png-inside.jpg"), "");
    ASSERT_TRUE(SaveWithQt(image, dir.file("a.png"), "PNG"));
    std::filesystem::rename(dir.file("a.png"), dir.file("png-inside.jpg"));
    WriteBytes(dir.file("jpeg-inside.tga"), JpegBytes(image));
    WriteBytes(dir.file("tga-without-hint.dat"), TgaBytes(image, FTgaOptions{.type = 2}));
    // Names arrive as bytes; Latin-1 "été.jpg" is not UTF-8 and must still open.
    WriteBytes(dir.file("\xE9t\xE9.jpg"), JpegBytes(image));

    FImageDecoder decoder;
    for (const char* name : {"png-inside.jpg", "jpeg-inside.tga", "tga-without-hint.dat", "\xE9t\xE9.jpg"}) {
        SCOPED_TRACE(name);
        FDecodedImage out;
        FString error;
        ASSERT_TRUE(decoder.Decode(dir.fileF(name), FDecodeRequest{}, out, &error)) << U8(error);
        ExpectQuadrants(out, 12);
    }
}

TEST(FImageDecoder, FullSizeIsScaledDownToTheMaximumTextureSize)
{
    ScratchDir dir;
    WriteBytes(dir.file("wide.jpg"), JpegBytes(Quadrants(5000, 1000)));
    ASSERT_TRUE(SaveWithQt(Quadrants(600, 200), dir.file("wide.png"), "PNG"));
    WriteBytes(dir.file("tall.tga"), TgaBytes(Quadrants(100, 300), FTgaOptions{.type = 10}));
    // Beyond Qt's own allocation limit, which must not refuse it.
    ASSERT_TRUE(SaveWithQt(Quadrants(8000, 6000), dir.file("big.png"), "PNG"));
    struct
    {
        const char* file;
        int square, maxSize, sourceWidth, sourceHeight, width, height;
    } const cases[] = {
        {"wide.jpg", 0, 2048, 5000, 1000, 2048, 410}, {"wide.jpg", 0, 300, 5000, 1000, 300, 60},
        {"wide.png", 0, 300, 600, 200, 300, 100},     {"tall.tga", 0, 64, 100, 300, 21, 64},
        {"big.png", 512, 2048, 8000, 6000, 512, 512},
    };
    FImageDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " within " + std::to_string(c.maxSize));
        FDecodedImage out;
        FString error;
        ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), FDecodeRequest{.squareSize = c.square, .maxSize = c.maxSize}, out,
                                   &error))
            << U8(error);
        EXPECT_EQ(out.sourceWidth, c.sourceWidth);
        EXPECT_EQ(out.sourceHeight, c.sourceHeight);
        EXPECT_EQ(out.width, c.width);
        EXPECT_EQ(out.height, c.height);
        ExpectQuadrants(out, 14);
    }
}

TEST(FImageDecoder, BrokenFilesFailWithAReasonAndAnEmptyImage)
{
    ScratchDir dir;
    const std::string jpeg = JpegBytes(Quadrants(400, 300));
    std::string png;
    ASSERT_TRUE(SaveWithQt(Quadrants(400, 300), dir.file("good.png"), "PNG"));
    png = ReadBytes(dir.file("good.png"));
    std::string garbage = "\xFF\xD8\xFF\xE0";
    for (int i = 0; i < 2000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) >> 3));

    WriteBytes(dir.file("empty.jpg"), "");
    std::filesystem::create_directory(dir.file("folder.jpg"));
    WriteBytes(dir.file("text.jpg"), "this is not a picture at all\n");
    WriteBytes(dir.file("garbage.jpg"), garbage);
    WriteBytes(dir.file("cut.jpg"), jpeg.substr(0, jpeg.size() / 2));
    WriteBytes(dir.file("cut.png"), png.substr(0, png.size() / 2));
    WriteBytes(dir.file("header-only.png"), png.substr(0, 40));

    struct
    {
        const char* file;
        const char* reason;
    } const cases[] = {
        {"missing.jpg", "cannot open: "},       {"empty.jpg", "empty file"},
        {"folder.jpg", "cannot read: "},        {"text.jpg", "not a supported image"},
        {"garbage.jpg", "corrupt JPEG data: "}, {"cut.jpg", "corrupt JPEG data: "},
        {"cut.png", "corrupt PNG data"},        {"header-only.png", "corrupt PNG data"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(c.file), FDecodeRequest{.squareSize = 512}, out, &error));
        const std::string text = U8(error);
        EXPECT_EQ(text.rfind(dir.file(c.file) + ": ", 0), 0u) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_TRUE(out.pixels.empty());
        EXPECT_EQ(out.width, 0);
        EXPECT_EQ(out.sourceWidth, 0);
        // The next good file still decodes with the same decoder.
        ASSERT_TRUE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), FString(u"ok.jpg"),
                                         FDecodeRequest{.squareSize = 256}, out));
        ExpectQuadrants(out, 14);
    }
}

TEST(FImageDecoder, JpegDamagedInsideButCompleteStillShows)
{
    // libjpeg reports damage to the scan as a warning and carries on; a file that
    // still ends properly is shown rather than lost.
    std::string jpeg = JpegBytes(Quadrants(400, 300));
    for (size_t i = jpeg.size() / 2; i < jpeg.size() / 2 + 40; ++i)
        jpeg[i] = static_cast<char>(0x55);
    FImageDecoder decoder;
    FDecodedImage out;
    FString error;
    ASSERT_TRUE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), FString(u"d.jpg"),
                                     FDecodeRequest{}, out, &error))
        << U8(error);
    EXPECT_EQ(out.width, 400);
    EXPECT_TRUE(Near(PixelAt(out, 100, 10), kTopLeft, 12));
}

namespace {

void PutBe16(std::string& s, size_t at, int v)
{
    s[at] = static_cast<char>(v >> 8);
    s[at + 1] = static_cast<char>(v & 0xFF);
}

void PutLe32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

uint32_t Crc32(const std::string& bytes, size_t from, size_t to)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < to; ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Small valid files whose headers then claim width x height.
std::string JpegClaiming(int width, int height)
{
    std::string jpeg = JpegBytes(Quadrants(16, 16));
    const size_t sof = jpeg.find("\xFF\xC0");
    PutBe16(jpeg, sof + 5, height);
    PutBe16(jpeg, sof + 7, width);
    return jpeg;
}

std::string PngClaiming(const ScratchDir& dir, int width, int height)
{
    EXPECT_TRUE(SaveWithQt(Quadrants(16, 16), dir.file("tiny.png"), "PNG"));
    std::string png = ReadBytes(dir.file("tiny.png"));
    // IHDR: width and height big-endian at 16 and 20, its CRC after the 13 data bytes.
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(static_cast<uint32_t>(width) >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(static_cast<uint32_t>(height) >> (24 - 8 * i));
    }
    const uint32_t crc = Crc32(png, 12, 29);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

std::string BmpClaiming(const ScratchDir& dir, int width, int height)
{
    EXPECT_TRUE(SaveWithQt(Quadrants(16, 16), dir.file("tiny.bmp"), "BMP"));
    std::string bmp = ReadBytes(dir.file("tiny.bmp"));
    PutLe32(bmp, 18, static_cast<uint32_t>(width));
    PutLe32(bmp, 22, static_cast<uint32_t>(height));
    return bmp;
}

// 8 bits a pixel, run-length coded: the whole image could be a few codes.
std::string BmpRleClaiming(const ScratchDir& dir, int width, int height)
{
    std::string bmp = BmpClaiming(dir, width, height);
    bmp[28] = 8;
    PutLe32(bmp, 30, 1);
    return bmp;
}

std::string TgaClaiming(int width, int height)
{
    std::string tga = TgaBytes(Quadrants(16, 16), FTgaOptions{.type = 10});
    tga[12] = static_cast<char>(width & 0xFF);
    tga[13] = static_cast<char>(width >> 8);
    tga[14] = static_cast<char>(height & 0xFF);
    tga[15] = static_cast<char>(height >> 8);
    return tga;
}

} // namespace

TEST(FImageDecoder, DecompressionBombsAreRefusedBeforeDecoding)
{
    ScratchDir dir;
    struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } const cases[] = {
        {"bomb.jpg", JpegClaiming(50000, 50000), "image too large (50000 x 50000)"},
        {"bomb.png", PngClaiming(dir, 50000, 50000), "image too large (50000 x 50000)"},
        {"bomb.bmp", BmpClaiming(dir, 50000, 50000), "image too large (50000 x 50000)"},
        {"bomb.tga", TgaClaiming(50000, 50000), "image too large (50000 x 50000)"},
        // Few pixels, but one side beyond any texture.
        {"thin.jpg", JpegClaiming(40000, 8), "image too large (40000 x 8)"},
        {"thin.png", PngClaiming(dir, 8, 40000), "image too large (8 x 40000)"},
        // Within the limits but far more pixels than the data can hold.
        {"short.tga", TgaClaiming(8000, 8000), "truncated TGA data"},
        {"short.bmp", BmpClaiming(dir, 10000, 10000).substr(0, 66), "truncated BMP data: 10000 x 10000 needs"},
        {"short-rle.bmp", BmpRleClaiming(dir, 10000, 10000), "truncated BMP data: 10000 x 10000 needs"},
        {"cut.bmp", BmpClaiming(dir, 16, 16).substr(0, 16 * 16 * 3), "truncated BMP data: 16 x 16 needs 822 bytes"},
        {"header-cut.bmp", BmpClaiming(dir, 16, 16).substr(0, 30), "truncated BMP data: the header is cut off"},
    };
    FImageDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FDecodedImage out;
        FString error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(),
                                          FString::FromUtf8(c.name), FDecodeRequest{}, out, &error));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_NE(U8(error).find(c.reason), std::string::npos) << U8(error);
        EXPECT_LT(elapsed, std::chrono::milliseconds(200));
        EXPECT_TRUE(out.pixels.empty());
    }
}

TEST(FImageDecoder, PngOfEveryKindKeepsColoursAndAlphaAtEveryQuality)
{
    // Quadrants, the top left one half transparent where the file keeps alpha.
    auto paint = [](int x, int y) {
        FRgba c = x < 150 ? (y < 100 ? kTopLeft : kBottomLeft) : (y < 100 ? kTopRight : kBottomRight);
        c.a = x < 150 && y < 100 ? 128 : 255;
        return c;
    };
    struct
    {
        const char* what;
        FPngOptions options;
        bool alpha;
        int greyBits; // 0: colour
    } const cases[] = {
        {"RGB", {}, false, 0},
        {"RGBA, 16 bits", {.type = PNG_COLOR_TYPE_RGB_ALPHA, .bits = 16}, true, 0},
        {"RGB, 16 bits, interlaced", {.bits = 16, .interlaced = true}, false, 0},
        {"palette, 4 bits, transparent",
         {.type = PNG_COLOR_TYPE_PALETTE, .bits = 4, .transparentPalette = true},
         true,
         0},
        {"grey, 1 bit, interlaced", {.type = PNG_COLOR_TYPE_GRAY, .bits = 1, .interlaced = true}, false, 1},
        {"grey, 8 bits", {.type = PNG_COLOR_TYPE_GRAY}, false, 8},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& c : cases) {
        const std::string png = PngBytes(300, 200, paint, c.options);
        auto expected = [&](int x, int y) {
            FRgba want = paint(x, y);
            if (!c.alpha)
                want.a = 255;
            if (c.greyBits) {
                const int levels = (1 << c.greyBits) - 1;
                want.r = want.g = want.b = static_cast<uint8_t>((want.r >> (8 - c.greyBits)) * 255 / levels);
            }
            return want;
        };
        for (int square : {256, 512, 0}) {
            SCOPED_TRACE(std::string(c.what) + " at " + std::to_string(square));
            FString error;
            ASSERT_TRUE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(png.data()), png.size(),
                                             FString(u"a.png"), FDecodeRequest{.squareSize = square}, out, &error))
                << U8(error);
            EXPECT_EQ(out.sourceWidth, 300);
            EXPECT_EQ(out.width, square ? square : 300);
            for (auto [x, y] : {std::pair{75, 50}, {225, 50}, {75, 150}, {225, 150}, {75, 0}, {75, 199}})
                EXPECT_TRUE(Near(PixelAt(out, x * out.width / 300, y * out.height / 200), expected(x, y), 2))
                    << x << ", " << y;
        }
    }
}
