#include "photos/decode/FImageDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TEST(FImageDecoder, EveryFormatByContentAtEverySize)
{
    ScratchDir dir;
    struct
    {
        const char* file;
        std::string bytes;
        int sourceWidth, sourceHeight, maxSize, width, height; // full size within maxSize
        int tolerance;                                         // JPEG's loss; the others are exact
    } const cases[] = {
        {"photo.jpg", JpegBytes(Quadrants(3000, 2000)), 3000, 2000, 2048, 2048, 1365, 12},
        {"png-inside.jpg", PngBytes(1200, 800, QuadrantPaint(1200, 800)), 1200, 800, 300, 300, 200, 0},
        {"photo.bmp", BmpBytes(Quadrants(1200, 800)), 1200, 800, 16384, 1200, 800, 0},
        // Inverted inks as Adobe writes them, no black: the stored values are R, G, B.
        {"cmyk.jpg", JpegFrom(Quadrants(400, 300).pixels.data(), 400, 300, TJPF_CMYK, TJSAMP_444), 400, 300, 16384, 400,
         300, 12},
        {"jpeg-inside.tga", JpegBytes(Quadrants(600, 1000)), 600, 1000, 16384, 600, 1000, 12},
        {"tga-without-hint.dat", TgaBytes(Quadrants(100, 300), {.type = 10}), 100, 300, 64, 21, 64, 0},
        // Smaller than the texture: enlarged. Names arrive as bytes; Latin-1 is not
        // UTF-8 and must still open.
        {"\xE9t\xE9.png", PngBytes(100, 60, QuadrantPaint(100, 60)), 100, 60, 16384, 100, 60, 0},
        // Beyond Qt's own allocation limit, which must not refuse it.
        {"big.png", PngBytes(8000, 6000, QuadrantPaint(8000, 6000)), 8000, 6000, 2048, 2048, 1536, 0},
    };
    // One decoder and one output across all cases, as the texture loader uses
    // them: a reused buffer must never show the previous picture.
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& c : cases) {
        WriteBytes(dir.file(c.file), c.bytes);
        for (int square : {256, 512, 0}) {
            SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(square));
            FString error;
            ASSERT_TRUE(decoder.Decode(dir.fileF(c.file), {.squareSize = square, .maxSize = c.maxSize}, out, &error))
                << U8(error);
            EXPECT_EQ(std::pair(out.sourceWidth, out.sourceHeight), std::pair(c.sourceWidth, c.sourceHeight));
            EXPECT_EQ(std::pair(out.width, out.height),
                      square ? std::pair(square, square) : std::pair(c.width, c.height));
            // Resizing blurs the quadrant borders only; the centres stay put.
            ExpectQuadrants(out, c.tolerance + (square || c.width != c.sourceWidth ? 2 : 0));
        }
    }
}


TEST(FImageDecoder, BrokenAndOversizedFilesFailQuicklyWithAReasonAndAnEmptyImage)
{
    ScratchDir dir;
    const std::string jpeg = JpegBytes(Quadrants(400, 300));
    const std::string png = PngBytes(400, 300, QuadrantPaint(400, 300));
    // Irregular names are refused before any read; an alarm ends a read that blocks.
    ::alarm(60);
    std::filesystem::create_directory(dir.file("folder.jpg"));
    ASSERT_EQ(::mkfifo(dir.file("fifo.jpg").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero.png"));
    WriteBytes(dir.file("huge.jpg"), "\xFF\xD8\xFF\xE0");
    std::filesystem::resize_file(dir.file("huge.jpg"), (uint64_t(512) << 20) + 1); // sparse
    const std::string tooLarge = "image too large (50000 x 50000)";
    const std::string cases[][3] = {
        {"missing.jpg", "", "cannot open: "},
        {"empty.jpg", "", "empty file"},
        {"folder.jpg", "", "cannot read: "},
        {"fifo.jpg", "", "not a regular file"},
        {"zero.png", "", "not a regular file"},
        {"huge.jpg", "", "file too large (over 512 MB)"},
        {"text.jpg", "this is not a picture at all\n", "not a supported image"},
        {"cut.jpg", jpeg.substr(0, jpeg.size() / 2), "corrupt JPEG data: "},
        {"cut.png", png.substr(0, png.size() / 2), "corrupt PNG data"},
        // Decompression bombs are refused before decoding.
        {"bomb.jpg", JpegClaiming(50000, 50000), tooLarge},
        {"bomb.png", PngClaiming(50000, 50000), tooLarge},
        {"bomb.bmp", BmpClaiming(50000, 50000), tooLarge},
        {"bomb.tga", TgaClaiming(50000, 50000), tooLarge},
        // Few pixels, but one side beyond any texture.
        {"thin.jpg", JpegClaiming(40000, 8), "image too large (40000 x 8)"},
        {"thin.png", PngClaiming(8, 40000), "image too large (8 x 40000)"},
        // Within the limits but far more pixels than the data can hold.
        {"short.tga", TgaClaiming(8000, 8000), "truncated TGA data"},
        {"short-rle.bmp", BmpClaiming(10000, 10000, true), "truncated BMP data: 10000 x 10000 needs"},
        {"cut.bmp", BmpClaiming(16, 16).substr(0, 16 * 16 * 3), "truncated BMP data: 16 x 16 needs"},
        {"header-cut.bmp", BmpClaiming(16, 16).substr(0, 30), "truncated BMP data: the header is cut off"},
    };
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& [file, bytes, reason] : cases) {
        SCOPED_TRACE(file);
        if (file != "missing.jpg" && !std::filesystem::exists(std::filesystem::symlink_status(dir.file(file))))
            WriteBytes(dir.file(file), bytes);
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(file), {.squareSize = 512}, out, &error));
        const std::string text = U8(error);
        EXPECT_TRUE(text.starts_with(dir.file(file) + ": ") && text.find(reason) != std::string::npos) << text;
        EXPECT_TRUE(out.pixels.empty() && out.width == 0 && out.sourceWidth == 0);
        // The next good file still decodes with the same decoder.
        ASSERT_TRUE(decoder.DecodeMemory(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), FString(u"ok.jpg"),
                                         {.squareSize = 256}, out, nullptr));
        ExpectQuadrants(out, 14);
    }
    ::alarm(0);
}
