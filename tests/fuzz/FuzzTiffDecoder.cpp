// Fuzz entry point for the TIFF reader: libtiff reads from our memory callbacks,
// its messages come back through per-file handlers, and the strips are checked
// against the file before the picture is allocated.

#include "photos/decode/FTiffDecoder.h"

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
    if (!ReadTiffSize(data, size, width, height, &reason)) {
        if (reason.empty() || width != 0 || height != 0)
            std::abort();
        return 0;
    }
    // Small limits keep each run quick; the checks are the same at any size.
    const FDecodeLimits limits{.maxPixels = 1 << 22, .maxSide = 8192, .memoryBytes = size_t(64) << 20};
    int w = 0, h = 0, orientation = 0;
    FColourInfo colour;
    reason.clear();
    if (DecodeTiff(data, size, limits, pixels, w, h, orientation, colour, &reason)) {
        if (w != width || h != height || orientation < 1 || orientation > 8 || pixels.size() != size_t(w) * h * 4)
            std::abort();
    } else if (reason.empty() || !pixels.empty() || w != 0 || h != 0 || !colour.Empty()) {
        std::abort();
    }
    return 0;
}
