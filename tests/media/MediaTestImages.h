#pragma once
// Test images made on the spot: JPEG through TurboJPEG, PNG through libpng, BMP
// through QImage, TGA bytes written here by hand; WebP and TIFF through the
// command-line tools of their libraries (RunIn).

#include "photos/decode/FImageDecoder.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct FRgba
{
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const FRgba&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const FRgba& c)
{
    return os << '(' << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ')';
}

// Equal within tolerance on each colour channel, alpha exact.
inline bool Near(const FRgba& got, const FRgba& want, int tolerance)
{
    return std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
           std::abs(got.b - want.b) <= tolerance && got.a == want.a;
}

// RGBA pixel (x, y) of a buffer width pixels wide.
inline FRgba RgbaAt(const std::vector<uint8_t>& pixels, int width, int x, int y)
{
    const uint8_t* p = pixels.data() + (static_cast<size_t>(y) * width + x) * 4;
    return FRgba{p[0], p[1], p[2], p[3]};
}

using FPaint = std::function<FRgba(int, int)>;

struct FTestImage
{
    int width, height;
    std::vector<FRgba> pixels; // top row first

    FTestImage(int w, int h, const FPaint& paint) : width(w), height(h)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels.push_back(paint(x, y));
    }
    const FRgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Four quadrants of distinct colours: a flipped, mirrored or transposed result
// shows at once.
inline const FRgba kTopLeft{220, 30, 40}, kTopRight{30, 200, 60}, kBottomLeft{40, 50, 210}, kBottomRight{240, 240, 240};
inline FPaint QuadrantPaint(int w, int h)
{
    return [=](int x, int y) {
        return (y < h / 2 ? x < w / 2 ? kTopLeft : kTopRight : x < w / 2 ? kBottomLeft : kBottomRight);
    };
}

// The same with other colours: top left, top right, bottom left, bottom right.
inline FPaint QuadrantPaint(int w, int h, const FRgba (&q)[4])
{
    return [=, &q](int x, int y) { return q[(y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1)]; };
}
inline const FRgba kHalfClear[4] = {{220, 30, 40, 128}, kTopRight, kBottomLeft, kBottomRight};
inline const FRgba kGreyQuadrants[4] = {{30, 30, 30}, {90, 90, 90}, {160, 160, 160}, {230, 230, 230}};

inline FTestImage Quadrants(int w, int h)
{
    return FTestImage(w, h, QuadrantPaint(w, h));
}

// Quadrant centres (top left, top right, bottom left, bottom right), plus the
// first and last rows, which must be the top and the bottom of the picture.
inline void ExpectQuadrants(const FDecodedImage& image, int tolerance,
                            const FRgba (&q)[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight})
{
    const int w = image.width, h = image.height;
    ASSERT_EQ(image.pixels.size(), static_cast<size_t>(w) * h * 4);
    const int at[][2] = {{w / 4, h / 4},         {3 * w / 4, h / 4}, {w / 4, 3 * h / 4},
                         {3 * w / 4, 3 * h / 4}, {w / 4, 0},         {w / 4, h - 1}};
    const FRgba want[] = {q[0], q[1], q[2], q[3], q[0], q[2]};
    for (int i = 0; i < 6; ++i) {
        const FRgba got = RgbaAt(image.pixels, w, at[i][0], at[i][1]);
        EXPECT_TRUE(Near(got, want[i], tolerance)) << "point " << i << ": got " << got << " want " << want[i];
    }
}

// v as n bytes, big- or little-endian.
inline std::string Bytes(uint32_t v, int n, bool bigEndian)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>(v >> 8 * (bigEndian ? n - 1 - i : i));
    return s;
}

// Index of c in palette, added when new.
inline int PaletteIndex(std::vector<FRgba>& palette, const FRgba& c)
{
    const auto it = std::find(palette.begin(), palette.end(), c);
    if (it != palette.end())
        return static_cast<int>(it - palette.begin());
    palette.push_back(c);
    return static_cast<int>(palette.size()) - 1;
}

// samples: width * height pixels of the TurboJPEG pixel format.
inline std::string JpegFrom(const void* samples, int width, int height, int format, int sampling = TJSAMP_420)
{
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, static_cast<const unsigned char*>(samples), width, 0, height, format, &jpeg, &size, sampling,
                90, 0);
    std::string bytes(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg), tjDestroy(handle);
    return bytes;
}

inline std::string JpegBytes(const FTestImage& image)
{
    return JpegFrom(image.pixels.data(), image.width, image.height, TJPF_RGBX);
}

struct FPngOptions
{
    int type = PNG_COLOR_TYPE_RGB; // or _RGB_ALPHA, _GRAY, _PALETTE (alpha kept through tRNS)
    int bits = 8;                  // 16 for RGB and RGBA; 1 to 8 for grey and palette
    bool interlaced = false;
    std::string exif; // an eXIf chunk's body
};

// Grey takes the red channel. Rows come from paint one at a time, so a huge image
// costs no memory to write.
inline std::string PngBytes(int width, int height, const FPaint& paint, FPngOptions o = {})
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), n);
        },
        nullptr);
    png_set_IHDR(png, info, width, height, o.bits, o.type, o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<FRgba> palette;
    if (o.type == PNG_COLOR_TYPE_PALETTE) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                PaletteIndex(palette, paint(x, y));
        std::vector<png_color> colours;
        std::vector<png_byte> alphas;
        for (const FRgba& c : palette)
            colours.push_back(png_color{c.r, c.g, c.b}), alphas.push_back(c.a);
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    if (!o.exif.empty())
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(o.exif.size()), reinterpret_cast<png_bytep>(o.exif.data()));
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    if (o.bits < 8)
        png_set_packing(png);
    const int channels = o.type == PNG_COLOR_TYPE_RGB ? 3 : o.type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
    std::vector<png_byte> row(static_cast<size_t>(width) * channels * (o.bits / 8 + 1));
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            png_byte* p = row.data();
            for (int x = 0; x < width; ++x) {
                const FRgba c = paint(x, y);
                const uint8_t samples[] = {c.r, c.g, c.b, c.a};
                for (int k = 0; k < channels; ++k) {
                    const int v = o.type == PNG_COLOR_TYPE_PALETTE ? PaletteIndex(palette, c) : samples[k];
                    *p++ = static_cast<png_byte>(o.type == PNG_COLOR_TYPE_GRAY ? v >> (8 - o.bits) : v);
                    if (o.bits == 16)
                        *p++ = static_cast<png_byte>(v); // v * 257
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

inline std::string BmpBytes(const FTestImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height, QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_RGB888)
        .save(&buffer, "BMP");
    return bytes.toStdString();
}

struct FTgaOptions
{
    int type = 2;     // 1, 2, 3, or 9, 10, 11 for run-length packets
    int bits = 24;    // pixel bits: 24 or 32, 8 for colour-mapped and grey
    int mapBits = 24; // colour map entry bits: 24 or 32
    int mapFirst = 0; // index of the first map entry
    bool top = false; // rows stored top first
    bool rightToLeft = false;
    bool footer = false;
    int idLength = 0;
};

inline std::string TgaBytes(const FTestImage& image, const FTgaOptions& o)
{
    const int base = o.type & 7;
    std::vector<FRgba> palette;
    if (base == 1)
        for (const FRgba& p : image.pixels)
            PaletteIndex(palette, p);
    auto colour = [](const FRgba& p, int bits) {
        return std::string{char(p.b), char(p.g), char(p.r)} + (bits == 32 ? std::string(1, char(p.a)) : "");
    };

    std::string out{char(o.idLength), char(base == 1), char(o.type)};
    out += Bytes(base == 1 ? o.mapFirst : 0, 2, false) + Bytes(uint32_t(palette.size()), 2, false);
    out += static_cast<char>(base == 1 ? o.mapBits : 0) + std::string(4, '\0');
    out += Bytes(image.width, 2, false) + Bytes(image.height, 2, false);
    out += {char(o.bits), char((o.bits == 32 ? 8 : 0) | (o.top ? 0x20 : 0) | (o.rightToLeft ? 0x10 : 0))};
    out.append(static_cast<size_t>(o.idLength), 'i');
    for (const FRgba& p : palette)
        out += colour(p, o.mapBits);

    std::vector<std::string> stream;
    for (int r = 0; r < image.height; ++r)
        for (int c = 0; c < image.width; ++c) {
            const FRgba& p = image.at(o.rightToLeft ? image.width - 1 - c : c, o.top ? r : image.height - 1 - r);
            stream.push_back(base == 1   ? std::string(1, char(PaletteIndex(palette, p) + o.mapFirst))
                             : base == 3 ? std::string(1, char(p.r))
                                         : colour(p, o.bits));
        }
    // Runs of equal pixels become run packets, the rest raw packets of up to two;
    // neither stops at the end of a row.
    for (size_t i = 0, n = 1; i < stream.size(); i += n) {
        n = 1;
        while ((o.type & 8) && n < 128 && i + n < stream.size() && stream[i + n] == stream[i])
            ++n;
        const bool run = n > 1, pair = !run && (o.type & 8) && i + 2 < stream.size() && stream[i + 1] != stream[i + 2];
        n += pair;
        if (o.type & 8)
            out.push_back(static_cast<char>(run ? 0x80 | (n - 1) : n - 1));
        out += stream[i] + (pair ? stream[i + 1] : "");
    }
    if (o.footer)
        out += std::string(8, '\0') + "TRUEVISION-XFILE." + '\0';
    return out;
}

// s with v written at offset at: n bytes, big- or little-endian.
inline std::string Put(std::string s, size_t at, uint32_t v, int n, bool bigEndian)
{
    return s.replace(at, n, Bytes(v, n, bigEndian));
}

// Small valid files whose headers then claim width x height.
inline std::string JpegClaiming(int width, int height)
{
    const std::string jpeg = JpegBytes(Quadrants(16, 16));
    const size_t sof = jpeg.find("\xFF\xC0");
    return Put(Put(jpeg, sof + 5, height, 2, true), sof + 7, width, 2, true);
}

inline std::string PngClaiming(int width, int height)
{
    // IHDR: width and height at 16 and 20, its CRC after the 13 data bytes.
    const std::string png = Put(Put(PngBytes(16, 16, QuadrantPaint(16, 16)), 16, width, 4, true), 20, height, 4, true);
    return Put(png, 29, crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17), 4, true);
}

// rle: 8 bits a pixel, run-length coded, so the whole image could be a few codes.
inline std::string BmpClaiming(int width, int height, bool rle = false)
{
    const std::string bmp = Put(Put(BmpBytes(Quadrants(16, 16)), 18, width, 4, false), 22, height, 4, false);
    return rle ? Put(Put(bmp, 28, 8, 2, false), 30, 1, 4, false) : bmp;
}

inline std::string TgaClaiming(int width, int height)
{
    return Put(Put(TgaBytes(Quadrants(16, 16), {.type = 10}), 12, width, 2, false), 14, height, 2, false);
}

// Runs a shell command in folder, its output kept in folder/tool.log; true when it exits 0.
inline bool RunIn(const std::string& folder, const std::string& command)
{
    return std::system(("cd '" + folder + "' && (" + command + ") >>tool.log 2>&1").c_str()) == 0;
}

// Sources for the command-line encoders, 300 x 200, written into folder: q.png the
// quadrants, qa.png with kHalfClear, g.png kGreyQuadrants, dark.png one other colour.
inline constexpr int kToolWidth = 300, kToolHeight = 200;
inline void WriteToolSources(const std::string& folder)
{
    const int w = kToolWidth, h = kToolHeight;
    const std::pair<const char*, std::string> files[] = {
        {"q.png", PngBytes(w, h, QuadrantPaint(w, h))},
        {"qa.png", PngBytes(w, h, QuadrantPaint(w, h, kHalfClear), {.type = PNG_COLOR_TYPE_RGB_ALPHA})},
        {"g.png", PngBytes(w, h, QuadrantPaint(w, h, kGreyQuadrants))},
        {"dark.png", PngBytes(w, h, [](int, int) { return FRgba{10, 60, 10}; })}};
    for (const auto& [name, bytes] : files)
        std::ofstream(folder + "/" + name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}
