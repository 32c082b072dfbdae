#include "photos/FPhotoDecoder.h"

#include <algorithm>

size_t FDecodedImage::ByteSize() const
{
    size_t bytes = pixels.size();
    for (const std::vector<uint8_t>& level : mipLevels)
        bytes += level.size();
    return bytes;
}

void BuildMipChain(FDecodedImage& image)
{
    image.mipLevels.clear();
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4)
        return;
    const uint8_t* source = image.pixels.data();
    int width = image.width;
    int height = image.height;
    while (width > 1 || height > 1) {
        const int w = std::max(1, width / 2);
        const int h = std::max(1, height / 2);
        std::vector<uint8_t> level(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
        for (int y = 0; y < h; ++y) {
            // A side of 1 stays 1: both taps read the same row (or column).
            const size_t y0 = static_cast<size_t>(std::min(2 * y, height - 1));
            const size_t y1 = static_cast<size_t>(std::min(2 * y + 1, height - 1));
            const uint8_t* row0 = source + y0 * static_cast<size_t>(width) * 4;
            const uint8_t* row1 = source + y1 * static_cast<size_t>(width) * 4;
            uint8_t* out = level.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
            for (int x = 0; x < w; ++x) {
                const size_t x0 = static_cast<size_t>(std::min(2 * x, width - 1)) * 4;
                const size_t x1 = static_cast<size_t>(std::min(2 * x + 1, width - 1)) * 4;
                for (size_t c = 0; c < 4; ++c)
                    out[static_cast<size_t>(x) * 4 + c] =
                        static_cast<uint8_t>((row0[x0 + c] + row0[x1 + c] + row1[x0 + c] + row1[x1 + c] + 2) / 4);
            }
        }
        image.mipLevels.push_back(std::move(level));
        source = image.mipLevels.back().data();
        width = w;
        height = h;
    }
}
