#pragma once
// Test images made on the spot: JPEG through TurboJPEG, PNG through libpng or
// QImage, BMP through QImage, TGA bytes written here by hand.

#include <QImage>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct FRgba
{
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const FRgba&) const = default;
};

struct FTestImage
{
    int width = 0;
    int height = 0;
    std::vector<FRgba> pixels; // top row first

    FTestImage(int w, int h, FRgba colour) : width(w), height(h), pixels(static_cast<size_t>(w) * h, colour) {}
    FTestImage(int w, int h, const std::function<FRgba(int, int)>& paint) : width(w), height(h)
    {
        pixels.reserve(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels.push_back(paint(x, y));
    }
    const FRgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Four quadrants of distinct colours: a flipped, mirrored or transposed result
// shows at once.
inline const FRgba kTopLeft{220, 30, 40}, kTopRight{30, 200, 60}, kBottomLeft{40, 50, 210}, kBottomRight{240, 240, 240};

inline FTestImage Quadrants(int w, int h)
{
    FTestImage image(w, h, kTopLeft);
    for (int y = 0; y < h; ++y) {
        FRgba* row = image.pixels.data() + static_cast<size_t>(y) * w;
        std::fill(row, row + w / 2, y < h / 2 ? kTopLeft : kBottomLeft);
        std::fill(row + w / 2, row + w, y < h / 2 ? kTopRight : kBottomRight);
    }
    return image;
}

inline std::string JpegBytes(const FTestImage& image, int quality = 90)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (const FRgba& p : image.pixels) {
        rgb.push_back(p.r);
        rgb.push_back(p.g);
        rgb.push_back(p.b);
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), image.width, 0, image.height, TJPF_RGB, &jpeg, &size, TJSAMP_420, quality, 0);
    std::string bytes(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

struct FPngOptions
{
    int type = PNG_COLOR_TYPE_RGB; // or _RGB_ALPHA, _GRAY, _PALETTE
    int bits = 8;                  // 16 for RGB and RGBA; 1 to 8 for grey and palette
    bool interlaced = false;
    bool transparentPalette = false; // palette entries get alpha from a tRNS chunk
};

// Grey takes the red channel; palette images hold at most 2^bits colours. Rows
// come from paint one at a time, so a huge image costs no memory to write.
inline std::string PngBytes(int width, int height, const std::function<FRgba(int, int)>& paint, const FPngOptions& o)
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
    auto indexOf = [&](const FRgba& c) {
        for (size_t i = 0; i < palette.size(); ++i)
            if (palette[i] == c)
                return static_cast<int>(i);
        palette.push_back(c);
        return static_cast<int>(palette.size() - 1);
    };
    if (o.type == PNG_COLOR_TYPE_PALETTE) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                indexOf(paint(x, y));
        std::vector<png_color> colours;
        std::vector<png_byte> alphas;
        for (const FRgba& c : palette) {
            colours.push_back(png_color{c.r, c.g, c.b});
            alphas.push_back(c.a);
        }
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        if (o.transparentPalette)
            png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    if (o.bits < 8)
        png_set_packing(png);
    if (o.bits == 16)
        png_set_swap(png); // samples below are written little-endian
    const int channels = o.type == PNG_COLOR_TYPE_RGB ? 3 : o.type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
    const int sampleBytes = o.bits == 16 ? 2 : 1;
    std::vector<png_byte> row(static_cast<size_t>(width) * channels * sampleBytes);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            png_byte* p = row.data();
            for (int x = 0; x < width; ++x) {
                const FRgba c = paint(x, y);
                const uint8_t samples[] = {c.r, c.g, c.b, c.a};
                for (int k = 0; k < channels; ++k) {
                    const int v = o.type == PNG_COLOR_TYPE_PALETTE ? indexOf(c) : samples[k];
                    if (o.bits == 16) {
                        *p++ = static_cast<png_byte>(v); // v * 257: the low byte equals the high
                        *p++ = static_cast<png_byte>(v);
                    } else {
                        *p++ = static_cast<png_byte>(o.type == PNG_COLOR_TYPE_GRAY ? v >> (8 - o.bits) : v);
                    }
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// "PNG" or "BMP" through Qt's writers.
inline bool SaveWithQt(const FTestImage& image, const std::string& path, const char* format)
{
    QImage q(image.width, image.height, QImage::Format_RGB888);
    const FRgba* p = image.pixels.data();
    for (int y = 0; y < image.height; ++y) {
        uchar* row = q.scanLine(y);
        for (int x = 0; x < image.width; ++x, ++p) {
            row[x * 3] = p->r;
            row[x * 3 + 1] = p->g;
            row[x * 3 + 2] = p->b;
        }
    }
    return q.save(QString::fromStdString(path), format);
}

struct FTgaOptions
{
    int type = 2;     // 1, 2, 3, or 9, 10, 11 for run-length packets
    int bits = 24;    // pixel bits; 8 for colour-mapped and grey
    int mapBits = 24; // colour map entry bits
    int mapFirst = 0; // index of the first map entry
    bool top = false; // rows stored top first
    bool rightToLeft = false;
    bool footer = false;
    int idLength = 0;
};

inline std::string TgaBytes(const FTestImage& image, const FTgaOptions& o)
{
    const int base = o.type & 7;
    const bool rle = (o.type & 8) != 0;
    std::vector<FRgba> palette;
    std::map<uint32_t, int> index;
    auto key = [](const FRgba& p) {
        return uint32_t(p.r) | uint32_t(p.g) << 8 | uint32_t(p.b) << 16 | uint32_t(p.a) << 24;
    };
    if (base == 1) {
        for (const FRgba& p : image.pixels) {
            if (index.emplace(key(p), static_cast<int>(palette.size())).second)
                palette.push_back(p);
        }
    }
    auto colour = [](std::string& s, const FRgba& p, int bits) {
        if (bits == 15 || bits == 16) {
            const int v = (bits == 16 ? 0x8000 : 0) | (p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3);
            s.push_back(static_cast<char>(v & 0xFF));
            s.push_back(static_cast<char>(v >> 8));
            return;
        }
        s.push_back(static_cast<char>(p.b));
        s.push_back(static_cast<char>(p.g));
        s.push_back(static_cast<char>(p.r));
        if (bits == 32)
            s.push_back(static_cast<char>(p.a));
    };
    auto le16 = [](std::string& s, int v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>(v >> 8));
    };

    std::string out;
    out.push_back(static_cast<char>(o.idLength));
    out.push_back(base == 1 ? 1 : 0);
    out.push_back(static_cast<char>(o.type));
    le16(out, base == 1 ? o.mapFirst : 0);
    le16(out, static_cast<int>(palette.size()));
    out.push_back(static_cast<char>(base == 1 ? o.mapBits : 0));
    le16(out, 0);
    le16(out, 0);
    le16(out, image.width);
    le16(out, image.height);
    out.push_back(static_cast<char>(o.bits));
    out.push_back(static_cast<char>((o.bits == 32 ? 8 : 0) | (o.top ? 0x20 : 0) | (o.rightToLeft ? 0x10 : 0)));
    out.append(static_cast<size_t>(o.idLength), 'i');
    for (const FRgba& p : palette)
        colour(out, p, o.mapBits);

    std::vector<std::string> stream;
    for (int r = 0; r < image.height; ++r) {
        const int y = o.top ? r : image.height - 1 - r;
        for (int c = 0; c < image.width; ++c) {
            const FRgba& p = image.at(o.rightToLeft ? image.width - 1 - c : c, y);
            std::string bytes;
            if (base == 1)
                bytes.push_back(static_cast<char>(index[key(p)] + o.mapFirst));
            else if (base == 3)
                bytes.push_back(static_cast<char>(p.r));
            else
                colour(bytes, p, o.bits);
            stream.push_back(bytes);
        }
    }
    if (!rle) {
        for (const std::string& s : stream)
            out += s;
    } else {
        // Runs of equal pixels become run packets, the rest raw packets; neither
        // stops at the end of a row.
        size_t i = 0;
        while (i < stream.size()) {
            size_t run = 1;
            while (i + run < stream.size() && run < 128 && stream[i + run] == stream[i])
                ++run;
            if (run >= 2) {
                out.push_back(static_cast<char>(0x80 | (run - 1)));
                out += stream[i];
                i += run;
                continue;
            }
            size_t raw = 1;
            while (i + raw < stream.size() && raw < 128 &&
                   !(i + raw + 1 < stream.size() && stream[i + raw] == stream[i + raw + 1]))
                ++raw;
            out.push_back(static_cast<char>(raw - 1));
            for (size_t k = 0; k < raw; ++k)
                out += stream[i + k];
            i += raw;
        }
    }
    if (o.footer) {
        out.append(8, '\0');
        out += "TRUEVISION-XFILE.";
        out.push_back('\0');
    }
    return out;
}
