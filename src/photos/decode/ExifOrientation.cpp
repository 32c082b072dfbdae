#include "photos/decode/ExifOrientation.h"

#include "photos/PhotoMetadata.h"

#include <cstring>

int JpegExifOrientation(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> exif = FindExif(MemoryReader(data, size));
    return ExifOrientationFromTiff(exif.data(), exif.size());
}

int PngExifOrientation(const uint8_t* data, size_t size)
{
    return JpegExifOrientation(data, size); // the container decides where the block lies
}

void OrientPixels(const uint8_t* pixels, int& width, int& height, int orientation, std::vector<uint8_t>& out)
{
    const ptrdiff_t w = width, h = height;
    // Output pixel (x, y) is stored pixel first + x * stepX + y * stepY.
    ptrdiff_t first = 0, stepX = 1, stepY = w;
    switch (orientation) {
    case 2: first = w - 1, stepX = -1, stepY = w; break;
    case 3: first = (h - 1) * w + w - 1, stepX = -1, stepY = -w; break;
    case 4: first = (h - 1) * w, stepX = 1, stepY = -w; break;
    case 5: first = 0, stepX = w, stepY = 1; break;
    case 6: first = (h - 1) * w, stepX = -w, stepY = 1; break;
    case 7: first = (h - 1) * w + w - 1, stepX = -w, stepY = -1; break;
    case 8: first = w - 1, stepX = w, stepY = -1; break;
    default: break;
    }
    const bool swaps = OrientationSwapsSides(orientation);
    const ptrdiff_t outWidth = swaps ? h : w, outHeight = swaps ? w : h;
    out.resize(static_cast<size_t>(w * h) * 4);
    uint8_t* dst = out.data();
    // Tiles keep the column walks of the quarter turns within the cache.
    constexpr ptrdiff_t kTile = 64;
    for (ptrdiff_t ty = 0; ty < outHeight; ty += kTile) {
        const ptrdiff_t yEnd = ty + kTile < outHeight ? ty + kTile : outHeight;
        for (ptrdiff_t tx = 0; tx < outWidth; tx += kTile) {
            const ptrdiff_t xEnd = tx + kTile < outWidth ? tx + kTile : outWidth;
            for (ptrdiff_t y = ty; y < yEnd; ++y) {
                uint8_t* row = dst + (y * outWidth + tx) * 4;
                for (ptrdiff_t x = tx, from = first + tx * stepX + y * stepY; x < xEnd; ++x, from += stepX, row += 4)
                    std::memcpy(row, pixels + from * 4, 4);
            }
        }
    }
    width = static_cast<int>(outWidth);
    height = static_cast<int>(outHeight);
}
