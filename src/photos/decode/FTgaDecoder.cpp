#include "photos/decode/FTgaDecoder.h"

#include <cstring>

namespace {

constexpr size_t kHeaderSize = 18;
constexpr size_t kFooterSize = 26;

int Le16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

bool Fail(std::string* reason, const char* text)
{
    if (reason)
        *reason = text;
    return false;
}

// 15/16-bit pixels are little-endian xRRRRRGG GGGBBBBB; the top bit is an
// attribute many writers leave at random, so these pixels are opaque.
void From16(const uint8_t* p, uint8_t* rgba)
{
    const int v = Le16(p);
    const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    rgba[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
    rgba[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
    rgba[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
    rgba[3] = 255;
}

// One stored colour (BGR order, 15/16/24/32 bits) to RGBA.
void FromColour(const uint8_t* p, int bytes, uint8_t* rgba)
{
    switch (bytes) {
    case 2: From16(p, rgba); break;
    case 3:
        rgba[0] = p[2];
        rgba[1] = p[1];
        rgba[2] = p[0];
        rgba[3] = 255;
        break;
    default:
        rgba[0] = p[2];
        rgba[1] = p[1];
        rgba[2] = p[0];
        rgba[3] = p[3];
        break;
    }
}

// Where decoded pixels go: in stored order, placed by the origin bits. Packets
// may run across rows, so the position is carried between them.
class PixelSink
{
public:
    PixelSink(uint8_t* pixels, int width, int height, int descriptor)
        : pixels_(pixels), width_(width), height_(height), topFirst_((descriptor & 0x20) != 0),
          rightToLeft_((descriptor & 0x10) != 0)
    {
        StartRow();
    }

    int64_t Remaining() const { return static_cast<int64_t>(height_ - row_) * width_ - column_; }

    void Put(const uint8_t* rgba)
    {
        std::memcpy(at_, rgba, 4);
        at_ += step_;
        if (++column_ == width_) {
            column_ = 0;
            ++row_;
            if (row_ < height_)
                StartRow();
        }
    }

private:
    void StartRow()
    {
        const int y = topFirst_ ? row_ : height_ - 1 - row_;
        at_ = pixels_ + (static_cast<size_t>(y) * width_ + (rightToLeft_ ? width_ - 1 : 0)) * 4;
        step_ = rightToLeft_ ? -4 : 4;
    }

    uint8_t* pixels_;
    int width_, height_;
    bool topFirst_, rightToLeft_;
    int row_ = 0, column_ = 0;
    uint8_t* at_ = nullptr;
    std::ptrdiff_t step_ = 4;
};

} // namespace

bool ParseTgaHeader(const uint8_t* data, size_t size, FTgaHeader& h, std::string* reason)
{
    if (size < kHeaderSize)
        return Fail(reason, "not a TGA image: too short");
    h.idLength = data[0];
    h.colourMapType = data[1];
    h.imageType = data[2];
    h.mapFirst = Le16(data + 3);
    h.mapLength = Le16(data + 5);
    h.mapEntryBits = data[7];
    h.width = Le16(data + 12);
    h.height = Le16(data + 14);
    h.pixelBits = data[16];
    h.descriptor = data[17];

    const int base = h.imageType & 7;
    if ((h.imageType & ~8) < 1 || (h.imageType & ~8) > 3)
        return Fail(reason, "not a TGA image: unknown image type");
    if (h.colourMapType > 1)
        return Fail(reason, "not a TGA image: bad colour map type");
    // Interleaved rows (bits 6-7) were obsolete before TGA 2.0.
    if (h.descriptor & 0xC0)
        return Fail(reason, "not a TGA image: bad image descriptor");
    if (h.colourMapType == 1) {
        const int e = h.mapEntryBits;
        if (e != 15 && e != 16 && e != 24 && e != 32)
            return Fail(reason, "not a TGA image: bad colour map entry size");
        if (h.mapLength == 0 || h.mapFirst + h.mapLength > 65536)
            return Fail(reason, "not a TGA image: bad colour map size");
    } else if (h.mapLength != 0) {
        return Fail(reason, "not a TGA image: colour map size without a colour map");
    }
    const int b = h.pixelBits;
    bool depthOk = false;
    if (base == 1)
        depthOk = h.colourMapType == 1 && (b == 8 || b == 16);
    else if (base == 2)
        depthOk = b == 15 || b == 16 || b == 24 || b == 32;
    else
        depthOk = b == 8 || b == 16;
    if (!depthOk)
        return Fail(reason, "not a TGA image: bad pixel depth for its type");
    if (h.width == 0 || h.height == 0)
        return Fail(reason, "not a TGA image: zero width or height");
    return true;
}

bool HasTgaFooter(const uint8_t* data, size_t size)
{
    static const char kSignature[] = "TRUEVISION-XFILE.";
    return size >= kHeaderSize + kFooterSize && std::memcmp(data + size - 18, kSignature, sizeof kSignature) == 0;
}

bool DecodeTga(const uint8_t* data, size_t size, int64_t maxPixels, int maxSide, std::vector<uint8_t>& pixels,
               int& width, int& height, std::string* reason)
{
    pixels.clear();
    width = height = 0;
    FTgaHeader h;
    if (!ParseTgaHeader(data, size, h, reason))
        return false;
    const int64_t count = static_cast<int64_t>(h.width) * h.height;
    if (h.width > maxSide || h.height > maxSide || count > maxPixels)
        return Fail(reason, "image too large");

    const int base = h.imageType & 7;
    const bool rle = (h.imageType & 8) != 0;
    const int pixelBytes = (h.pixelBits + 7) / 8;
    const int entryBytes = h.colourMapType ? (h.mapEntryBits + 7) / 8 : 0;
    size_t at = kHeaderSize + h.idLength;
    const size_t mapBytes = static_cast<size_t>(h.mapLength) * entryBytes;
    if (at + mapBytes > size)
        return Fail(reason, "truncated TGA data");

    // A true-colour file may carry a map it does not use; only indexed images read it.
    std::vector<uint8_t> map;
    if (base == 1) {
        map.resize(static_cast<size_t>(h.mapLength) * 4);
        for (int i = 0; i < h.mapLength; ++i)
            FromColour(data + at + static_cast<size_t>(i) * entryBytes, entryBytes, &map[static_cast<size_t>(i) * 4]);
    }
    at += mapBytes;

    // Refuse inputs too short to hold the declared image before allocating it: a
    // run packet is at least 1 + pixelBytes bytes for at most 128 pixels.
    const size_t left = size - at;
    const uint64_t needed =
        rle ? static_cast<uint64_t>((count + 127) / 128) * (1 + pixelBytes) : static_cast<uint64_t>(count) * pixelBytes;
    if (left < needed)
        return Fail(reason, "truncated TGA data");

    bool badIndex = false;
    auto convert = [&](const uint8_t* p, uint8_t* rgba) {
        if (base == 1) {
            const int index = (pixelBytes == 1 ? p[0] : Le16(p)) - h.mapFirst;
            if (index < 0 || index >= h.mapLength) {
                badIndex = true;
                std::memset(rgba, 0, 4);
                return;
            }
            std::memcpy(rgba, &map[static_cast<size_t>(index) * 4], 4);
        } else if (base == 2) {
            FromColour(p, pixelBytes, rgba);
        } else {
            rgba[0] = rgba[1] = rgba[2] = p[0];
            rgba[3] = pixelBytes == 2 ? p[1] : 255;
        }
    };

    pixels.resize(static_cast<size_t>(count) * 4);
    PixelSink sink(pixels.data(), h.width, h.height, h.descriptor);
    const uint8_t* in = data + at;
    const uint8_t* end = data + size;
    uint8_t rgba[4];
    if (!rle) {
        for (int64_t i = 0; i < count; ++i, in += pixelBytes) {
            convert(in, rgba);
            sink.Put(rgba);
        }
    } else {
        while (sink.Remaining() > 0) {
            if (in >= end) {
                pixels.clear();
                return Fail(reason, "truncated TGA data");
            }
            const int packet = *in++;
            const int run = (packet & 0x7F) + 1;
            if (run > sink.Remaining()) {
                pixels.clear();
                return Fail(reason, "corrupt TGA data: run-length packet past the end of the image");
            }
            const size_t bytes = static_cast<size_t>(packet & 0x80 ? 1 : run) * pixelBytes;
            if (static_cast<size_t>(end - in) < bytes) {
                pixels.clear();
                return Fail(reason, "truncated TGA data");
            }
            if (packet & 0x80) {
                convert(in, rgba);
                for (int i = 0; i < run; ++i)
                    sink.Put(rgba);
            } else {
                for (int i = 0; i < run; ++i) {
                    convert(in + static_cast<size_t>(i) * pixelBytes, rgba);
                    sink.Put(rgba);
                }
            }
            in += bytes;
        }
    }
    if (badIndex) {
        pixels.clear();
        return Fail(reason, "corrupt TGA data: colour index outside the colour map");
    }
    width = h.width;
    height = h.height;
    return true;
}
