// Fuzz entry point for our TGA reader: TGA has no signature, so any bytes that
// pass its header checks reach the pixel loops. Decoded images also go through
// the resize the textures use.

#include "photos/decode/FImageDecoder.h"
#include "photos/decode/FTgaDecoder.h"
#include "photos/decode/ImageResize.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> pixels;
    static std::vector<uint8_t> texture;
    static FImageResizer resizer;
    int width = 0, height = 0;
    std::string reason;
    if (!DecodeTga(data, size, kMaxSourcePixels, kMaxSourceSide, pixels, width, height, &reason)) {
        if (reason.empty() || !pixels.empty())
            __builtin_trap();
        return 0;
    }
    if (pixels.size() != static_cast<size_t>(width) * height * 4)
        __builtin_trap();
    int fitWidth = 0, fitHeight = 0;
    FitWithin(width, height, 64, fitWidth, fitHeight);
    texture.resize(static_cast<size_t>(fitWidth) * fitHeight * 4);
    resizer.Resize(pixels.data(), width, height, static_cast<size_t>(width) * 4, texture.data(), fitWidth, fitHeight);
    texture.resize(16 * 16 * 4);
    resizer.Resize(pixels.data(), width, height, static_cast<size_t>(width) * 4, texture.data(), 16, 16);
    return 0;
}
