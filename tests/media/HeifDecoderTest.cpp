// HEIC and AVIF files made here by libheif's heif-enc and libavif's avifenc from
// PNGs of four coloured quadrants, read back through the decoder the book uses.

#include "photos/decode/FHeifDecoder.h"
#include "photos/decode/FImageDecoder.h"

#include "../base/TestFiles.h"
#include "MediaTestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace std::string_literals;

namespace {

constexpr int kW = 256, kH = 192; // even, and splits into AVIF grid cells
const char* const kProfile = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

// The second picture of a sequence, which must not be the one shown.
FRgba Negative(int x, int y)
{
    const FRgba c = QuadrantPaint(kW, kH)(x, y);
    return FRgba{uint8_t(255 - c.r), uint8_t(255 - c.g), uint8_t(255 - c.b)};
}

// Alpha by quadrant: opaque, two partly transparent, opaque again.
FRgba WithAlpha(int x, int y)
{
    FRgba c = QuadrantPaint(kW, kH)(x, y);
    c.a = (x < kW / 2) == (y < kH / 2) ? 255 : x < kW / 2 ? 96 : 176;
    return c;
}

struct HeifDecoder : ::testing::Test
{
    ScratchDir dir;
    FImageDecoder decoder;
    FDecodedImage out;

    void SetUp() override
    {
        WriteBytes(dir.file("q.png"), PngBytes(kW, kH, QuadrantPaint(kW, kH)));
        WriteBytes(dir.file("q16.png"), PngBytes(kW, kH, QuadrantPaint(kW, kH), {.bits = 16}));
        WriteBytes(dir.file("grey.png"), PngBytes(kW, kH, QuadrantPaint(kW, kH), {.type = PNG_COLOR_TYPE_GRAY}));
        WriteBytes(dir.file("negative.png"), PngBytes(kW, kH, Negative));
        WriteBytes(dir.file("alpha.png"), PngBytes(kW, kH, WithAlpha, {.type = PNG_COLOR_TYPE_RGB_ALPHA}));
    }
    // Runs a tool in the scratch folder; its output goes to tool.log there.
    void Make(const std::string& command)
    {
        ASSERT_EQ(std::system(("cd '" + dir.path() + "' && (" + command + ") >tool.log 2>&1").c_str()), 0)
            << command << "\n"
            << ReadBytes(dir.file("tool.log"));
    }
    bool Decode(const std::string& file, FString* error = nullptr)
    {
        return decoder.Decode(dir.fileF(file), {.squareSize = 0, .maxSize = 16384}, out, error);
    }
    // Straight through DecodeHeif, for what the shared path does not pass on.
    bool DecodeHeifBytes(const std::string& bytes, bool thumbnail, const FDecodeLimits& limits = {})
    {
        reason.clear();
        return DecodeHeif(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), thumbnail, limits, out.pixels,
                          out.width, out.height, colour, &reason);
    }
    FColourInfo colour;
    std::string reason;
};

std::vector<uint8_t> AsVector(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

} // namespace

TEST_F(HeifDecoder, EveryDepthChromaAndLayoutComesBackUpright)
{
    const FRgba kGrey[4] = {{220, 220, 220}, {30, 30, 30}, {40, 40, 40}, {240, 240, 240}};
    const FRgba kRot90[4] = {kTopRight, kBottomRight, kTopLeft, kBottomLeft};
    const FRgba kRot180[4] = {kBottomRight, kBottomLeft, kTopRight, kTopLeft};
    const FRgba kRot270[4] = {kBottomLeft, kTopLeft, kBottomRight, kTopRight};
    const FRgba kFlip[4] = {kBottomLeft, kBottomRight, kTopLeft, kTopRight};
    const FRgba kMirror[4] = {kTopRight, kTopLeft, kBottomRight, kBottomLeft};
    const FRgba kUpright[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    struct
    {
        const char* file;
        std::string command;
        const FRgba (&quadrants)[4];
        bool turned = false; // sides swapped
    } const cases[] = {
        {"8.heic", "heif-enc -q 95 q.png -o 8.heic", kUpright},
        {"444.heic", "heif-enc -q 95 -p chroma=444 q.png -o 444.heic", kUpright},
        {"10.heic", "heif-enc -q 95 -b 10 q16.png -o 10.heic", kUpright},
        {"12.heic", "heif-enc -q 95 -b 12 q16.png -o 12.heic", kUpright},
        {"grey.heic", "heif-enc -q 95 grey.png -o grey.heic", kGrey},
        {"8.avif", "heif-enc -q 95 -A q.png -o 8.avif", kUpright},
        {"10-444.avif", "avifenc -d 10 --yuv 444 q.png 10-444.avif", kUpright},
        {"12-420.avif", "avifenc -d 12 --yuv 420 q.png 12-420.avif", kUpright},
        {"grey.avif", "avifenc --yuv 400 grey.png grey.avif", kGrey},
        {"grid.avif", "avifenc --grid 2x2 q.png grid.avif", kUpright},
        // A sequence shows its first picture, not the negative after it.
        {"sequence.avif", "avifenc q.png negative.png sequence.avif", kUpright},
        // irot turns anticlockwise; imir 0 swaps top and bottom, 1 left and right.
        {"rot90.avif", "avifenc --irot 1 q.png rot90.avif", kRot90, true},
        {"rot180.avif", "avifenc --irot 2 q.png rot180.avif", kRot180},
        {"rot270.avif", "avifenc --irot 3 q.png rot270.avif", kRot270, true},
        {"flip.avif", "avifenc --imir 0 q.png flip.avif", kFlip},
        {"mirror.avif", "avifenc --imir 1 q.png mirror.avif", kMirror},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Make(c.command);
        FString error;
        ASSERT_TRUE(Decode(c.file, &error)) << U8(error);
        EXPECT_EQ(std::pair(out.width, out.height), c.turned ? std::pair(kH, kW) : std::pair(kW, kH));
        ExpectQuadrants(out, 10, c.quadrants);
    }
}

TEST_F(HeifDecoder, AlphaThumbnailAndColourDescriptionComeFromTheFile)
{
    for (const std::string command : {"heif-enc -q 95 alpha.png -o alpha.heic", "avifenc alpha.png alpha.avif",
                                      "avifenc --premultiply alpha.png premultiplied.avif"}) {
        SCOPED_TRACE(command);
        Make(command);
        ASSERT_TRUE(Decode(command.substr(command.rfind(' ') + 1)));
        for (int x : {kW / 4, 3 * kW / 4})
            for (int y : {kH / 4, 3 * kH / 4}) {
                const FRgba got = RgbaAt(out.pixels, out.width, x, y), want = WithAlpha(x, y);
                EXPECT_TRUE(Near({got.r, got.g, got.b}, {want.r, want.g, want.b}, 10) && std::abs(got.a - want.a) <= 6)
                    << "at " << x << ", " << y << ": " << got << " want " << want;
            }
    }

    // The stored thumbnail, and a clear no where there is none.
    Make("heif-enc -q 95 -t 64 q.png -o thumb.heic && heif-enc -q 95 q.png -o plain.heic");
    ASSERT_TRUE(DecodeHeifBytes(ReadBytes(dir.file("thumb.heic")), true)) << reason;
    EXPECT_EQ(std::pair(out.width, out.height), std::pair(64, 48));
    ExpectQuadrants(out, 12);
    EXPECT_FALSE(DecodeHeifBytes(ReadBytes(dir.file("plain.heic")), true));
    EXPECT_EQ(reason, "this HEIC has no stored thumbnail");
    EXPECT_TRUE(out.pixels.empty());

    // An ICC profile arrives byte for byte, from heif-enc (a PNG's iCCP) and avifenc;
    // otherwise the nclx code points.
    const std::vector<uint8_t> profile = AsVector(ReadBytes(kProfile));
    ASSERT_FALSE(profile.empty()) << kProfile << " is missing (colord-data)";
    const std::string profilePath = kProfile;
    Make("convert q.png -profile " + profilePath + " icc.png && heif-enc icc.png -o icc.heic && avifenc --icc " +
         profilePath + " q.png icc.avif && avifenc q.png srgb.avif && avifenc --cicp 9/16/9 -d 10 q16.png pq.avif");
    struct
    {
        const char* file;
        std::vector<uint8_t> icc;
        int primaries, transfer;
    } const colours[] = {
        {"icc.heic", profile, 0, 0}, {"icc.avif", profile, 0, 0}, {"srgb.avif", {}, 1, 13}, {"pq.avif", {}, 9, 16}};
    for (const auto& c : colours) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(DecodeHeifBytes(ReadBytes(dir.file(c.file)), false)) << reason;
        EXPECT_TRUE(colour.icc == c.icc) << colour.icc.size() << " bytes of ICC";
        EXPECT_EQ(std::pair(colour.primaries, colour.transfer), std::pair(c.primaries, c.transfer));
    }
}

TEST_F(HeifDecoder, BrokenAndHostileFilesFailWithAReason)
{
    Make("heif-enc -q 95 q.png -o q.heic && avifenc q.png q.avif && avifenc -d 12 q.png deep.avif && "
         "avifenc --grid 2x2 q.png grid.avif && avifenc q.png negative.png sequence.avif");
    const std::string heic = ReadBytes(dir.file("q.heic")), avif = ReadBytes(dir.file("q.avif")),
                      deep = ReadBytes(dir.file("deep.avif")), grid = ReadBytes(dir.file("grid.avif")),
                      sequence = ReadBytes(dir.file("sequence.avif"));
    // The grid's layout: version, flags, 2 rows and 2 columns less one, 256 x 192.
    const size_t layout = grid.find("\0\0\1\1\1\0\0\xC0"s);
    ASSERT_NE(layout, std::string::npos);
    const auto claiming = [](std::string file, uint32_t w, uint32_t h) {
        for (size_t at = file.find("ispe"); at != std::string::npos; at = file.find("ispe", at + 1))
            file = Put(Put(file, at + 8, w, 4, true), at + 12, h, 4, true);
        return file;
    };
    const std::string huge = claiming(heic, 50000, 50000);
    // Two million empty NAL units after the picture's own. heif-enc writes one
    // item: iloc ends with the length of its data, and mdat comes last.
    const auto be32 = [&](size_t at) {
        return uint32_t(uint8_t(heic[at])) << 24 | uint8_t(heic[at + 1]) << 16 | uint8_t(heic[at + 2]) << 8 |
               uint8_t(heic[at + 3]);
    };
    const size_t ilocEnd = heic.find("iloc") - 4 + be32(heic.find("iloc") - 4), mdat = heic.find("mdat") - 4;
    const uint32_t empty = 8 << 20;
    const std::string pieces =
        Put(Put(heic, ilocEnd - 4, be32(ilocEnd - 4) + empty, 4, true), mdat, be32(mdat) + empty, 4, true) +
        std::string(empty, '\0');
    std::mt19937 random(7);
    std::string noise = heic.substr(0, 28); // heif-enc's ftyp
    while (noise.size() < 4000)
        noise += static_cast<char>(random());
    const struct
    {
        const char* file;
        std::string bytes, reason;
    } cases[] = {
        {"cut.heic", heic.substr(0, heic.size() / 2), "HEIC data is damaged: "},
        {"cut.avif", avif.substr(0, avif.size() - 40), "AVIF data is damaged: "},
        {"noise.heic", noise, "HEIC data is damaged: "},
        {"huge.heic", huge, "image too large (50000 x 50000)"},
        {"pieces.heic", pieces, "HEIC data is damaged: its pictures are split into over a million pieces"},
        // avifenc's sequence with its still picture's meta box renamed away: the track alone.
        {"track.avif", Put(sequence, sequence.find("meta"), 0x66726565 /* free */, 4, true),
         "this AVIF is only an animation, without a still picture to show"},
        // A grid that lays its 256 x 192 picture out far larger: libheif alone would
        // fill the canvas it describes (32767 x 32767 took 6 GB and a minute).
        {"sprawl.avif", Put(Put(grid, layout + 4, 10000, 2, true), layout + 6, 10000, 2, true),
         "AVIF data is damaged: a tiled image declares 256 x 192 but is laid out as 10000 x 10000"},
        {"vast.avif", Put(Put(grid, layout + 4, 30000, 2, true), layout + 6, 30000, 2, true),
         "image too large (30000 x 30000)"},
        {"tiles.avif", Put(grid, layout + 2, 0xFFFF, 2, true), "image has too many tiles (65536; at most 4096)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        WriteBytes(dir.file(c.file), c.bytes);
        FString error;
        EXPECT_FALSE(Decode(c.file, &error));
        EXPECT_NE(U8(error).find(c.reason), std::string::npos) << U8(error);
        EXPECT_TRUE(out.pixels.empty());
    }

    // The caller's limits refuse by the declared size and bit depth, before decoding.
    const struct
    {
        std::string bytes;
        FDecodeLimits limits;
        const char* reason;
    } limited[] = {
        {heic, {.maxPixels = 40000}, "image too large (256 x 192)"},
        // libheif's own limit on every item's side, in its words.
        {avif,
         {.maxSide = 200},
         "AVIF image is beyond a safety limit: Memory allocation error: Security limit "
         "exceeded: Image size 256x192 exceeds the maximum image size 201x201"},
        {deep, {.memoryBytes = 512 << 10}, "image too large (256 x 192 at 12 bits needs about 1 MB to decode)"},
        // The decoders allocate what the HEVC SPS or AV1 sequence header says, not ispe.
        {claiming(heic, 16, 12), {.maxPixels = 40000}, "image too large (coded as 256 x 192)"},
        {claiming(avif, 16, 12), {.maxPixels = 40000}, "image too large (coded as 256 x 192)"},
    };
    for (const auto& c : limited) {
        EXPECT_FALSE(DecodeHeifBytes(c.bytes, false, c.limits));
        EXPECT_EQ(reason, c.reason);
    }
}

// A texture far smaller than the picture is made on the YCbCr planes: the same
// colours as the full decode, for each matrix and range the encoders write.
TEST_F(HeifDecoder, AReducedDecodeShowsWhatTheFullOneShows)
{
    Make("heif-enc -q 90 q.png -o bt601-full.heic && "
         "avifenc -s 10 --min 0 --max 8 --cicp 1/13/1 -r limited q.png bt709-limited.avif && "
         "avifenc -s 10 --min 0 --max 8 --cicp 1/13/9 q.png bt2020-full.avif"); // BT.2020 matrix, sRGB colours
    for (const char* file : {"bt601-full.heic", "bt709-limited.avif", "bt2020-full.avif"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(decoder.Decode(dir.fileF(file), {.squareSize = 48}, out)); // a quarter, on the planes
        ExpectQuadrants(out, 8);
        ASSERT_TRUE(Decode(file));
        ExpectQuadrants(out, 8);
    }
}

TEST(HeifBrands, KnownByTheBrandsOfItsFtyp)
{
    const auto ftyp = [](const std::string& brands) {
        return Bytes(uint32_t(8 + brands.size()), 4, true) + "ftyp" + brands;
    };
    const std::pair<std::string, bool> cases[] = {
        {ftyp("heic\0\0\0\0mif1heic"s), true},
        {ftyp("mif1\0\0\0\0mif1heic"s), true},
        {ftyp("msf1\0\0\0\0msf1avis"s), true},
        {ftyp("avif\0\0\0\0"s), true},
        {ftyp("isom\0\0\0\0isommp42"s), false},
        {ftyp("qt  \0\0\0\0qt  "s), false},
        // A brand past the box's own end does not count.
        {ftyp("isom\0\0\0\0isom"s) + "heic", false},
    };
    for (const auto& [bytes, heif] : cases)
        EXPECT_EQ(LooksLikeHeif(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), heif) << bytes;
}
