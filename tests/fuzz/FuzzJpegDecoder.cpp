// Fuzz entry point for the JPEG decoder: any bytes, then a good photo with the
// same decoder, which must still come out whole and right. One decoder serves a
// whole session, so a broken file must neither crash it nor spoil the next.

#include "photos/decode/FJpegDecoder.h"

#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kGoodWidth = 40, kGoodHeight = 24;

std::vector<uint8_t> GoodJpeg()
{
    // Left half red, right half blue.
    std::vector<unsigned char> rgb(kGoodWidth * kGoodHeight * 3);
    for (int i = 0; i < kGoodWidth * kGoodHeight; ++i) {
        const bool left = i % kGoodWidth < kGoodWidth / 2;
        rgb[i * 3] = left ? 220 : 20;
        rgb[i * 3 + 1] = 30;
        rgb[i * 3 + 2] = left ? 20 : 220;
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (!compressor ||
        tjCompress2(compressor, rgb.data(), kGoodWidth, 0, kGoodHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
        std::abort();
    std::vector<uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<uint8_t> good = GoodJpeg();
    static FJpegDecoder decoder;
    static std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    std::string reason;
    // Callers refuse huge declared sizes before decoding; so does this, to keep
    // the runs fast. The last byte picks the scale the caller asks for.
    if (decoder.ReadSize(data, size, width, height, &reason) && int64_t(width) * height <= (1 << 20)) {
        const int eighths = size ? 1 + data[size - 1] % 8 : 8;
        int w = 0, h = 0;
        if (decoder.Decode(data, size, width * eighths / 8, height * eighths / 8, pixels, w, h, &reason)) {
            if (w <= 0 || h <= 0 || pixels.size() != size_t(w) * h * 4)
                std::abort();
        } else if (reason.empty() || !pixels.empty() || w != 0 || h != 0) {
            std::abort();
        }
    } else if (reason.empty() && (width <= 0 || height <= 0)) {
        std::abort();
    }

    int w = 0, h = 0;
    if (!decoder.Decode(good.data(), good.size(), kGoodWidth, kGoodHeight, pixels, w, h, &reason) || w != kGoodWidth ||
        h != kGoodHeight)
        std::abort();
    const uint8_t* left = &pixels[(kGoodHeight / 2 * kGoodWidth + 4) * 4];
    const uint8_t* right = &pixels[(kGoodHeight / 2 * kGoodWidth + kGoodWidth - 5) * 4];
    if (left[0] < 180 || left[2] > 60 || right[0] > 60 || right[2] < 180)
        std::abort();
    return 0;
}
