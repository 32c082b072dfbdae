#include "photos/decode/ExifOrientation.h"

#include <cstring>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;

uint32_t Be16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Some writers put the "Exif\0\0" of the JPEG segment into PNG chunks too.
bool SkipExifHeader(const uint8_t*& data, size_t& size)
{
    static const uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < sizeof kExif || std::memcmp(data, kExif, sizeof kExif) != 0)
        return false;
    data += sizeof kExif;
    size -= sizeof kExif;
    return true;
}

} // namespace

int ExifOrientationFromTiff(const uint8_t* data, size_t size)
{
    if (!data || size < 8)
        return 1;
    const bool big = data[0] == 'M' && data[1] == 'M';
    if (!big && !(data[0] == 'I' && data[1] == 'I'))
        return 1;
    auto u16 = [&](size_t at) { return big ? Be16(data + at) : uint32_t(data[at]) | uint32_t(data[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return big ? Be32(data + at) : u16(at) | u16(at + 2) << 16; };
    if (u16(2) != 42)
        return 1;
    const size_t ifd = u32(4);
    if (ifd < 8 || ifd > size - 2)
        return 1;
    const size_t entries = u16(ifd);
    for (size_t i = 0; i < entries; ++i) {
        const size_t at = ifd + 2 + i * 12;
        if (size < 12 || at > size - 12)
            break;
        if (u16(at) != kOrientationTag)
            continue;
        const uint32_t type = u16(at + 2), count = u32(at + 4);
        // SHORT as written by the standard; LONG from a few careless writers. The
        // value sits in the entry itself, left-justified.
        uint32_t value = 0;
        if (type == 3 && count >= 1)
            value = u16(at + 8);
        else if (type == 4 && count >= 1)
            value = u32(at + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int JpegExifOrientation(const uint8_t* data, size_t size)
{
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return 1;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return 1;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the image data: metadata comes before it
            return 1;
        const size_t length = Be16(data + at + 2);
        if (length < 2 || length > size - at - 2)
            return 1;
        const uint8_t* body = data + at + 4;
        size_t bodySize = length - 2;
        // The first Exif segment decides; XMP shares the marker under another name.
        if (marker == 0xE1 && SkipExifHeader(body, bodySize))
            return ExifOrientationFromTiff(body, bodySize);
        at += 2 + length;
    }
    return 1;
}

int PngExifOrientation(const uint8_t* data, size_t size)
{
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!data || size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return 1;
    size_t at = sizeof kSignature;
    // eXIf belongs before the image data but may follow it: walk every chunk
    // header (a few thousand at most, each a jump).
    while (at + 12 <= size) {
        const size_t length = Be32(data + at);
        if (length > size - at - 12)
            return 1;
        const uint8_t* type = data + at + 4;
        if (std::memcmp(type, "eXIf", 4) == 0) {
            const uint8_t* body = data + at + 8;
            size_t bodySize = length;
            SkipExifHeader(body, bodySize);
            return ExifOrientationFromTiff(body, bodySize);
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            return 1;
        at += 12 + length;
    }
    return 1;
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
