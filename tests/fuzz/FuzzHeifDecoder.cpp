// Fuzz entry point for the HEIF and AVIF reader: our own walk of the boxes that
// guards grids, then libheif and its HEVC and AV1 decoders under small limits.
// Each input is read for its size, its full picture and its stored thumbnail.

#include "photos/decode/FHeifDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// libheif 1.15's dav1d glue drops the 40-byte buffer of an AV1 item with no data
// when dav1d refuses it: libheif's own small leak per such file, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> pixels;
    FDecodeLimits limits;
    limits.maxPixels = 1 << 22;
    limits.maxSide = 4096;
    limits.memoryBytes = size_t(256) << 20;
    int width = 0, height = 0;
    std::string reason;
    LooksLikeHeif(data, size);
    if (!ReadHeifSize(data, size, width, height, &reason) && (reason.empty() || width != 0 || height != 0))
        std::abort();
    for (bool thumbnail : {false, true}) {
        FColourInfo colour;
        int w = -1, h = -1;
        reason.clear();
        if (DecodeHeif(data, size, thumbnail, limits, pixels, w, h, colour, &reason)) {
            if (w <= 0 || h <= 0 || w > limits.maxSide || h > limits.maxSide ||
                pixels.size() != size_t(w) * size_t(h) * 4)
                std::abort();
        } else if (reason.empty() || !pixels.empty() || w != 0 || h != 0) {
            std::abort();
        }
    }
    return 0;
}
