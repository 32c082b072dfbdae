// Wide-gamut photos land on their sRGB values: the expected values are worked out
// here from the colour spaces' primaries, not through lcms. sRGB and untagged
// files keep their bytes.

#include "../base/TestFiles.h"
#include "MediaTestImages.h"
#include "photos/decode/ColourToSrgb.h"

#include <array>
#include <cmath>

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i][j] += a[i][k] * b[k][j];
    return m;
}

Matrix Inverse(const Matrix& m)
{
    const double d = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, e = (i + 2) % 3;
            r[i][j] = (m[a][c] * m[b][e] - m[a][e] * m[b][c]) / d;
        }
    return r;
}

// Linear RGB to XYZ for primaries (x, y) of red, green, blue and a D65 white.
Matrix ToXyz(const std::array<std::array<double, 2>, 3>& p)
{
    Matrix m{};
    for (int c = 0; c < 3; ++c) {
        m[0][c] = p[c][0] / p[c][1];
        m[1][c] = 1;
        m[2][c] = (1 - p[c][0] - p[c][1]) / p[c][1];
    }
    const double wx = 0.3127 / 0.3290, wz = (1 - 0.3127 - 0.3290) / 0.3290;
    const Matrix inv = Inverse(m);
    const double s[3] = {inv[0][0] * wx + inv[0][1] + inv[0][2] * wz, inv[1][0] * wx + inv[1][1] + inv[1][2] * wz,
                         inv[2][0] * wx + inv[2][1] + inv[2][2] * wz};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] *= s[c];
    return m;
}

const std::array<std::array<double, 2>, 3> kSrgb{{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}}};
const std::array<std::array<double, 2>, 3> kAdobe{{{0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06}}};
const std::array<std::array<double, 2>, 3> kP3{{{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}};

double SrgbDecode(double v)
{
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// The sRGB value of an 8-bit colour in a space of those primaries and that curve.
FRgba Expected(const FRgba& c, const std::array<std::array<double, 2>, 3>& primaries, double (*decode)(double))
{
    const Matrix m = Multiply(Inverse(ToXyz(kSrgb)), ToXyz(primaries));
    const double in[3] = {decode(c.r / 255.0), decode(c.g / 255.0), decode(c.b / 255.0)};
    uint8_t out[3];
    for (int r = 0; r < 3; ++r) {
        const double v = std::clamp(m[r][0] * in[0] + m[r][1] * in[1] + m[r][2] * in[2], 0.0, 1.0);
        const double e = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        out[r] = static_cast<uint8_t>(std::lround(e * 255));
    }
    return {out[0], out[1], out[2], c.a};
}

std::vector<uint8_t> Read(const char* profile)
{
    const std::string bytes = ReadBytes(std::string("/usr/share/color/icc/colord/") + profile);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Patches inside both gamuts (a wide space's saturated ones lie outside sRGB's).
const FRgba kPatches[] = {{200, 100, 50}, {60, 150, 90}, {90, 110, 190}, {128, 128, 128}, {230, 220, 200}};

TEST(ColourToSrgb, WideGamutPatchesLandOnTheirSrgbValues)
{
    const auto adobe = [](double v) { return std::pow(v, 563.0 / 256); };
    const struct
    {
        const char* what;
        FColourInfo colour;
        std::array<std::array<double, 2>, 3> primaries;
        double (*decode)(double);
    } spaces[] = {
        {"AdobeRGB1998.icc", {Read("AdobeRGB1998.icc")}, kAdobe, +adobe},
        {"nclx Display P3", {{}, 12, 13}, kP3, SrgbDecode},
    };
    for (const auto& space : spaces) {
        ASSERT_TRUE(NeedsConversionToSrgb(space.colour)) << space.what;
        std::vector<uint8_t> pixels;
        for (const FRgba& c : kPatches)
            pixels.insert(pixels.end(), {c.r, c.g, c.b, 77});
        std::string note;
        ConvertToSrgb(pixels.data(), static_cast<int>(std::size(kPatches)), 1, space.colour, &note);
        EXPECT_EQ(note, "") << space.what;
        for (size_t i = 0; i < std::size(kPatches); ++i) {
            const FRgba want = Expected({kPatches[i].r, kPatches[i].g, kPatches[i].b, 77}, space.primaries, space.decode);
            EXPECT_TRUE(Near(RgbaAt(pixels, 5, static_cast<int>(i), 0), want, 2))
                << space.what << " patch " << i << ": " << RgbaAt(pixels, 5, static_cast<int>(i), 0) << " want " << want;
        }
    }
}

TEST(ColourToSrgb, SrgbUntaggedAndBrokenDescriptionsKeepTheirBytesHdrRollsOff)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 256; ++i)
        pixels.insert(pixels.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 255});
    const std::vector<uint8_t> original = pixels;
    const struct
    {
        const char* what;
        FColourInfo colour;
        std::string note;
    } kept[] = {
        {"untagged", {}, ""},
        {"sRGB profile", {Read("sRGB.icc")}, ""},
        {"nclx BT.709", {{}, 1, 1}, ""},
        {"damaged profile", {{1, 2, 3, 4, 5}}, "the embedded colour profile is damaged; the photo is shown as stored"},
    };
    for (const auto& k : kept) {
        std::string note;
        ConvertToSrgb(pixels.data(), 256, 1, k.colour, &note);
        EXPECT_EQ(pixels, original) << k.what;
        EXPECT_EQ(note, k.note) << k.what;
    }
    // PQ: black stays black, the reference white (203 nits, code 0.58) comes near
    // white, brighter codes roll off and never go back down.
    std::vector<uint8_t> grey;
    for (int i = 0; i < 256; ++i)
        grey.insert(grey.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 255});
    ConvertToSrgb(grey.data(), 256, 1, FColourInfo{{}, 9, 16});
    EXPECT_LE(grey[0], 1);
    EXPECT_GE(grey[148 * 4], 225);
    for (int i = 1; i < 256; ++i)
        EXPECT_GE(grey[i * 4], grey[(i - 1) * 4]) << i;
}

// A profile embedded by the usual tools, in every format that keeps one, and an
// nclx description of Display P3, reach the decoder's output.
TEST(ColourToSrgb, EveryFormatWithAColourDescriptionIsShownInSrgb)
{
    ScratchDir dir;
    const FRgba patch{200, 100, 50};
    const std::string adobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
    WriteBytes(dir.file("flat.png"), PngBytes(64, 64, [&](int, int) { return patch; }));
    const FRgba inAdobe = Expected(patch, kAdobe, [](double v) { return std::pow(v, 563.0 / 256); });
    const FRgba inP3 = Expected(patch, kP3, SrgbDecode);
    const std::string tagged = dir.file("adobe.png"), in = dir.file("flat.png");
    const struct
    {
        const char* file;
        std::string command;
        FRgba want;
    } files[] = {
        {"adobe.png", "convert " + in + " -profile " + adobe + " " + tagged, inAdobe},
        {"adobe.jpg", "convert " + in + " -quality 98 -profile " + adobe + " " + dir.file("adobe.jpg"), inAdobe},
        {"adobe.tif", "convert " + in + " -profile " + adobe + " " + dir.file("adobe.tif"), inAdobe},
        {"adobe.webp", "cwebp -quiet -q 100 -metadata icc " + tagged + " -o " + dir.file("adobe.webp"), inAdobe},
        {"adobe.avif", "avifenc -s 10 --min 0 --max 4 --icc " + adobe + " " + in + " " + dir.file("adobe.avif"), inAdobe},
        {"p3.avif", "avifenc -s 10 --min 0 --max 4 --cicp 12/13/6 " + in + " " + dir.file("p3.avif"), inP3},
    };
    for (const auto& f : files) {
        ASSERT_EQ(std::system((f.command + " >/dev/null 2>&1").c_str()), 0) << f.command;
        FImageDecoder decoder;
        FDecodedImage image;
        FString error;
        ASSERT_TRUE(decoder.Decode(dir.fileF(f.file), FDecodeRequest{}, image, &error)) << U8(error);
        EXPECT_TRUE(Near(RgbaAt(image.pixels, image.width, 32, 32), f.want, 4))
            << f.file << ": " << RgbaAt(image.pixels, image.width, 32, 32) << " want " << f.want;
    }
}

} // namespace
