// Fuzz entry point for the PNG reader: libpng's errors jump back through our
// own frames, and the rows are averaged down while they arrive. Each input is
// read at full size and reduced, as the textures ask for it.

#include "photos/decode/FPngDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    std::string reason;
    if (!ReadPngSize(data, size, width, height, &reason)) {
        if (reason.empty())
            std::abort();
        return 0;
    }
    for (int target : {1 << 20, 7, 1}) {
        int w = 0, h = 0;
        if (DecodePng(data, size, target, target, 1 << 20, 4096, pixels, w, h, &reason)) {
            if (w <= 0 || h <= 0 || w > width || h > height || pixels.size() != size_t(w) * h * 4)
                std::abort();
        } else if (reason.empty() || !pixels.empty() || w != 0 || h != 0) {
            std::abort();
        }
    }
    return 0;
}
