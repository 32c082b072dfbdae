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
    const auto* p = reinterpret_cast<const FRgba*>(raw.data());
    r.pixels.assign(p, p + raw.size() / 4);
    return r;
}

// A 5 x 3 picture of four colours. Row 0 ends and row 1 starts with the same
// colour, so run-length packets cross a row boundary.
FTestImage Picture(const FRgba (&palette)[4])
{
    static const int kGrid[3][5] = {{0, 0, 0, 1, 2}, {2, 2, 3, 3, 3}, {0, 1, 2, 3, 0}};
    return FTestImage(5, 3, [&](int x, int y) { return palette[kGrid[y][x]]; });
}

// Colours that survive each storage exactly.
const FRgba kColour[4] = {{255, 0, 0}, {0, 132, 255}, {10, 20, 30}, {255, 255, 255}};
const FRgba kAlpha[4] = {{255, 0, 0, 255}, {0, 132, 255, 128}, {10, 20, 30, 0}, {255, 255, 255, 64}};
const FRgba kGrey[4] = {{0, 0, 0}, {77, 77, 77}, {200, 200, 200}, {255, 255, 255}};

} // namespace

TEST(FTgaDecoder, HandWrittenFileAnchorsTheConventions)
{
    // 2 x 2, true colour, default bottom-left origin: the first stored row is the
    // bottom one, pixels are B, G, R.
    const std::string header("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18);
    const FResult r = Decode(header + std::string("\xFF\0\0\0\xFF\0\0\0\xFF\xFF\xFF\xFF", 12));
    // Top left is the third stored pixel, bottom left the first.
    EXPECT_EQ(r.pixels, (std::vector<FRgba>{{255, 0, 0}, {255, 255, 255}, {0, 0, 255}, {0, 255, 0}})) << r.reason;
    // 16-bit: 0x7C00 is pure red whatever the attribute bit says.
    EXPECT_EQ(Decode(std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x10\0\0\xFC", 20)).pixels,
              (std::vector<FRgba>{{255, 0, 0, 255}}));
}

TEST(FTgaDecoder, EveryVariantGivesThePicture)
{
    struct
    {
        const char* name;
        const FRgba (&palette)[4];
        FTgaOptions options;
    } const cases[] = {
        {"24, bottom-right origin, id", kColour, {.type = 2, .bits = 24, .rightToLeft = true, .idLength = 7}},
        {"32 keeps alpha, footer", kAlpha, {.type = 2, .bits = 32, .top = true, .footer = true}},
        {"grey", kGrey, {.type = 3, .bits = 8}},
        {"colour-mapped, 24-bit map from index 3", kColour, {.type = 1, .bits = 8, .mapBits = 24, .mapFirst = 3}},
        {"RLE colour-mapped", kColour, {.type = 9, .bits = 8, .mapBits = 24, .mapFirst = 1, .footer = true}},
        {"RLE 32, top-right origin", kAlpha, {.type = 10, .bits = 32, .top = true, .rightToLeft = true}},
        {"RLE grey", kGrey, {.type = 11, .bits = 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FTestImage picture = Picture(c.palette);
        const FResult r = Decode(TgaBytes(picture, c.options));
        EXPECT_TRUE(r.ok && r.width == 5 && r.height == 3) << r.reason;
        EXPECT_EQ(r.pixels, picture.pixels);
    }
}

TEST(FTgaDecoder, DamagedFilesFailAndNeverReadPastTheData)
{
    const FTestImage picture = Picture(kColour);
    // Every prefix of a file fails: no pixel may come from beyond the data.
    for (const FTgaOptions& options :
         {FTgaOptions{.type = 10}, FTgaOptions{.type = 9, .bits = 8}, FTgaOptions{.type = 2}}) {
        const std::string file = TgaBytes(picture, options);
        for (size_t n = 0; n < file.size(); ++n)
            EXPECT_FALSE(Decode(file.substr(0, n)).ok) << "type " << options.type << ", " << n << " bytes";
    }

    // Headers: id length, map type, image type, first map entry, map length, map
    // bits, origin, width, height, pixel bits, descriptor.
    const std::string rle2x1("\0\0\x0A\0\0\0\0\0\0\0\0\0\2\0\1\0\x18\0", 18);
    const std::string map = std::string("\0\0\xFF\0\xFF\0", 6); // two entries
    const std::pair<std::string, const char*> cases[] = {
        {rle2x1 + std::string("\x82\1\2\3", 4), "past the end of the image"},
        {rle2x1 + std::string("\x02\1\2\3\4\5\6\7\x08\x09", 10), "past the end of the image"},
        {std::string("\0\1\1\0\0\2\0\x18\0\0\0\0\2\0\1\0\x08\0", 18) + map + "\1\5", "outside the colour map"},
        {std::string("\0\1\1\4\0\2\0\x18\0\0\0\0\2\0\1\0\x08\0", 18) + map + "\4\3", "outside the colour map"},
        {std::string("\0\0\x04\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\0\0\0", 21), "unknown image type"},
        {std::string("\0\0\1\0\0\0\0\0\0\0\0\0\1\0\1\0\x08\0\0", 19), "bad pixel depth"},     // mapped without a map
        {std::string("\0\0\3\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\0\0\0", 21), "bad pixel depth"}, // 24-bit grey
        {std::string("\0\0\2\0\0\0\0\0\0\0\0\0\0\0\1\0\x18\0", 18), "zero width"},
        {std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\x40\0\0\0", 21), "bad image descriptor"}, // interleaved
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        const FResult r = Decode(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find(reason), std::string::npos) << r.reason;
        EXPECT_TRUE(r.pixels.empty());
    }
}
