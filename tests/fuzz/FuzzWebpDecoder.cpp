// Fuzz entry point for the WebP reader: libwebp parses the container and the
// bitstreams, we choose the path (a still picture scaled or not, an animation's
// first frame) and size the buffers from what the file declares.

#include "photos/decode/FWebpDecoder.h"

#include <algorithm>
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
    if (!ReadWebpSize(data, size, width, height, &reason)) {
        if (reason.empty() || width != 0 || height != 0)
            std::abort();
        return 0;
    }
    // Small limits keep each run quick; the checks are the same at any size.
    const FDecodeLimits limits{.maxPixels = 1 << 22, .maxSide = 8192, .memoryBytes = size_t(64) << 20};
    for (int target : {1 << 20, 7}) {
        int w = 0, h = 0;
        FColourInfo colour;
        reason.clear();
        if (DecodeWebp(data, size, target, target, limits, pixels, w, h, colour, &reason)) {
            if (w <= 0 || h <= 0 || w > width || h > height || w < std::min(target, width) ||
                h < std::min(target, height) || pixels.size() != size_t(w) * h * 4)
                std::abort();
        } else if (reason.empty() || !pixels.empty() || w != 0 || h != 0 || !colour.Empty()) {
            std::abort();
        }
    }
    return 0;
}
