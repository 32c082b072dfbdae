#pragma once
// Photo-like pictures for the benchmarks, written as camera-sized JPEGs and PNGs.

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

// Broad gradients and soft shapes with fine texture and grain: compresses, and
// decodes, about as a camera photo does (a flat picture would flatter both).
inline std::vector<unsigned char> PhotoPixels(int width, int height, int seed)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    std::vector<float> across(static_cast<size_t>(width)), down(static_cast<size_t>(height));
    const double f = 0.002 + 0.0007 * (seed % 5);
    for (int x = 0; x < width; ++x)
        across[static_cast<size_t>(x)] = static_cast<float>(60 * std::sin(x * f + seed) + 25 * std::sin(x * 0.09));
    for (int y = 0; y < height; ++y)
        down[static_cast<size_t>(y)] = static_cast<float>(50 * std::cos(y * f * 1.3 + seed) + 20 * std::sin(y * 0.07));
    uint32_t noise = 2654435761u * static_cast<uint32_t>(seed + 1);
    for (int y = 0; y < height; ++y) {
        const float sky = 255.0f * static_cast<float>(y) / static_cast<float>(height);
        unsigned char* p = &rgb[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x, p += 3) {
            noise = noise * 1664525u + 1013904223u;
            const float grain = static_cast<float>(static_cast<int>(noise >> 27) - 16);
            const float a = across[static_cast<size_t>(x)], b = down[static_cast<size_t>(y)];
            p[0] = static_cast<unsigned char>(std::clamp(110 + a + 0.3f * sky + grain, 0.0f, 255.0f));
            p[1] = static_cast<unsigned char>(std::clamp(120 + b + 0.5f * a + grain, 0.0f, 255.0f));
            p[2] = static_cast<unsigned char>(std::clamp(255 - sky + 0.4f * b + grain, 0.0f, 255.0f));
        }
    }
    return rgb;
}

inline bool WriteJpeg(const std::filesystem::path& path, const std::vector<unsigned char>& rgb, int width, int height)
{
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    bool ok = compressor &&
              tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 92, 0) == 0;
    if (ok) {
        FILE* out = std::fopen(path.c_str(), "wb");
        ok = out && std::fwrite(jpeg, 1, size, out) == size;
        ok = out && std::fclose(out) == 0 && ok;
    }
    tjFree(jpeg);
    if (compressor)
        tjDestroy(compressor);
    return ok;
}

inline bool WritePng(const std::filesystem::path& path, const std::vector<unsigned char>& rgb, int width, int height)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, out);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y)
            png_write_row(png, &rgb[static_cast<size_t>(y) * width * 3]);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0 && ok;
}

