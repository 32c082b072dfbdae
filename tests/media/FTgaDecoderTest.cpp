#include "photos/decode/FTgaDecoder.h"

#include "MediaTestImages.h"

#include <gtest/gtest.h>

namespace {

struct FResult
{
    bool ok = false;
    int width = 0, height = 0;
    std::vector<FRgba> pixels;
    std::string reason;
};

FResult Decode(const std::string& bytes)
{
    FResult r;
    std::vector<uint8_t> raw;
    r.ok = DecodeTga(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 120'000'000, 32768, raw, r.width,
                     r.height, &r.reason);
    for (size_t i = 0; i + 3 < raw.size(); i += 4)
        r.pixels.push_back(FRgba{raw[i], raw[i + 1], raw[i + 2], raw[i + 3]});
    return r;
}

// A 5 x 3 picture of four colours. Row 0 ends and row 1 starts with the same
// colour, so run-length packets cross a row boundary.
FTestImage Picture(const FRgba (&palette)[4])
{
    static const int kGrid[3][5] = {{0, 0, 0, 1, 2}, {2, 2, 3, 3, 3}, {0, 1, 2, 3, 0}};
    return FTestImage(5, 3, [&](int x, int y) { return palette[kGrid[y][x]]; });
}

// Colours that survive each storage exactly: 5-bit channels expand 16 to 132.
const FRgba kColour[4] = {{255, 0, 0}, {0, 132, 255}, {10, 20, 30}, {255, 255, 255}};
const FRgba kAlpha[4] = {{255, 0, 0, 255}, {0, 132, 255, 128}, {10, 20, 30, 0}, {255, 255, 255, 64}};
const FRgba kFive[4] = {{255, 0, 0}, {0, 132, 255}, {132, 0, 132}, {255, 255, 255}};
const FRgba kGrey[4] = {{0, 0, 0}, {77, 77, 77}, {200, 200, 200}, {255, 255, 255}};

} // namespace

TEST(FTgaDecoder, HandWrittenFileAnchorsTheConventions)
{
    // 2 x 2, true colour, default bottom-left origin: the first stored row is the
    // bottom one, pixels are B, G, R.
    const std::string file = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18) + std::string("\xFF\0\0"
                                                                                                     "\0\xFF\0"
                                                                                                     "\0\0\xFF"
                                                                                                     "\xFF\xFF\xFF",
                                                                                                     12);
    const FResult r = Decode(file);
    ASSERT_TRUE(r.ok) << r.reason;
    ASSERT_EQ(r.pixels.size(), 4u);
    EXPECT_EQ(r.pixels[0], (FRgba{255, 0, 0})); // top left: the third stored pixel
    EXPECT_EQ(r.pixels[1], (FRgba{255, 255, 255}));
    EXPECT_EQ(r.pixels[2], (FRgba{0, 0, 255})); // bottom left: the first stored pixel
    EXPECT_EQ(r.pixels[3], (FRgba{0, 255, 0}));

    // 16-bit: 0x7C00 is pure red whatever the attribute bit says.
    const std::string sixteen = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x10\0", 18) + std::string("\0\xFC", 2);
    const FResult s = Decode(sixteen);
    ASSERT_TRUE(s.ok) << s.reason;
    EXPECT_EQ(s.pixels[0], (FRgba{255, 0, 0, 255}));
}

TEST(FTgaDecoder, EveryVariantGivesThePicture)
{
    struct
    {
        const char* name;
        const FRgba (&palette)[4];
        FTgaOptions options;
    } const cases[] = {
        {"true colour 24, bottom-left", kColour, {.type = 2, .bits = 24}},
        {"true colour 24, top-left, id field, footer",
         kColour,
         {.type = 2, .bits = 24, .top = true, .footer = true, .idLength = 7}},
        {"true colour 24, right-to-left", kColour, {.type = 2, .bits = 24, .rightToLeft = true}},
        {"true colour 32 keeps alpha", kAlpha, {.type = 2, .bits = 32, .top = true}},
        {"true colour 16", kFive, {.type = 2, .bits = 16}},
        {"true colour 15", kFive, {.type = 2, .bits = 15, .footer = true}},
        {"grey", kGrey, {.type = 3, .bits = 8}},
        {"colour-mapped, 24-bit map from index 3", kColour, {.type = 1, .bits = 8, .mapBits = 24, .mapFirst = 3}},
        {"colour-mapped, 32-bit map", kAlpha, {.type = 1, .bits = 8, .mapBits = 32, .top = true}},
        {"colour-mapped, 16-bit map", kFive, {.type = 1, .bits = 8, .mapBits = 16}},
        {"RLE colour-mapped", kColour, {.type = 9, .bits = 8, .mapBits = 24, .mapFirst = 1, .footer = true}},
        {"RLE 24", kColour, {.type = 10, .bits = 24}},
        {"RLE 32, top-right origin", kAlpha, {.type = 10, .bits = 32, .top = true, .rightToLeft = true}},
        {"RLE 16", kFive, {.type = 10, .bits = 16, .footer = true}},
        {"RLE grey", kGrey, {.type = 11, .bits = 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FTestImage picture = Picture(c.palette);
        const FResult r = Decode(TgaBytes(picture, c.options));
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(r.width, 5);
        EXPECT_EQ(r.height, 3);
        EXPECT_EQ(r.pixels, picture.pixels);
    }
}

TEST(FTgaDecoder, DamagedFilesFailAndNeverReadPastTheData)
{
    const FTestImage picture = Picture(kColour);
    // Every prefix of a file fails: no pixel may come from beyond the data.
    for (const FTgaOptions& options : {FTgaOptions{.type = 10, .bits = 24}, FTgaOptions{.type = 9, .bits = 8},
                                       FTgaOptions{.type = 2, .bits = 32}, FTgaOptions{.type = 1, .bits = 8}}) {
        const std::string file = TgaBytes(picture, options);
        for (size_t n = 0; n < file.size(); ++n) {
            const std::string prefix = file.substr(0, n);
            const FResult r = Decode(prefix);
            EXPECT_FALSE(r.ok) << "type " << options.type << ", " << n << " of " << file.size() << " bytes";
            EXPECT_FALSE(r.reason.empty());
        }
    }

    const std::string header2x1 = std::string("\0\0\x0A\0\0\0\0\0\0\0\0\0\2\0\1\0\x18\0", 18);
    const std::string mapped = std::string("\0\1\1\0\0\2\0\x18\0\0\0\0\2\0\1\0\x08\0", 18) + std::string("\0\0\xFF"
                                                                                                         "\0\xFF\0",
                                                                                                         6);
    struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } const cases[] = {
        {"run past the image", header2x1 + std::string("\x82\1\2\3", 4), "past the end of the image"},
        {"raw packet past the image", header2x1 + std::string("\x02\1\2\3\4\5\6\7\x08\x09", 10),
         "past the end of the image"},
        {"colour index beyond the map", mapped + std::string("\1\5", 2), "outside the colour map"},
        {"index below the first entry",
         std::string("\0\1\1\4\0\2\0\x18\0\0\0\0\2\0\1\0\x08\0", 18) + std::string("\0\0\xFF"
                                                                                   "\0\xFF\0"
                                                                                   "\4\3",
                                                                                   8),
         "outside the colour map"},
        {"unknown image type", std::string("\0\0\x04\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\0\0\0", 21), "unknown image type"},
        {"mapped without a map", std::string("\0\0\1\0\0\0\0\0\0\0\0\0\1\0\1\0\x08\0\0", 19), "bad pixel depth"},
        {"grey at 24 bits", std::string("\0\0\3\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\0\0\0", 21), "bad pixel depth"},
        {"zero width", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\0\0\1\0\x18\0", 18), "zero width"},
        {"interleaved rows", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\x40\0\0\0", 21), "bad image descriptor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FResult r = Decode(c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
        EXPECT_TRUE(r.pixels.empty());
    }
}
