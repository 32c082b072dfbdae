#include "photos/decode/FTiffDecoder.h"

#include "photos/decode/TiffPtr.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// What libtiff reads and what it says while reading one file. Each open file has
// its own, handed to the callbacks, so threads never share it.
struct FTiffInput
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint64_t at = 0;
    bool pastEnd = false; // a read asked for bytes the file does not have
    int errors = 0;
    std::string error; // the first error libtiff reported
};

FTiffInput& InputOf(thandle_t handle)
{
    return *static_cast<FTiffInput*>(handle);
}

tmsize_t OnRead(thandle_t handle, void* out, tmsize_t count)
{
    FTiffInput& in = InputOf(handle);
    if (count <= 0)
        return 0;
    const uint64_t left = in.at < in.size ? in.size - in.at : 0;
    const uint64_t got = std::min<uint64_t>(left, static_cast<uint64_t>(count));
    if (got < static_cast<uint64_t>(count))
        in.pastEnd = true;
    if (got > 0)
        std::memcpy(out, in.data + in.at, got);
    in.at += got;
    return static_cast<tmsize_t>(got);
}

tmsize_t OnWrite(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t OnSeek(thandle_t handle, toff_t offset, int whence)
{
    FTiffInput& in = InputOf(handle);
    // Offsets before the start wrap around; libtiff takes -1 as failure.
    const uint64_t base = whence == SEEK_CUR ? in.at : whence == SEEK_END ? in.size : 0;
    const uint64_t at = base + offset;
    if (at > static_cast<uint64_t>(INT64_MAX))
        return static_cast<toff_t>(-1);
    in.at = at;
    return at;
}

int OnClose(thandle_t)
{
    return 0;
}

toff_t OnSize(thandle_t handle)
{
    return InputOf(handle).size;
}

int OnMap(thandle_t, void**, toff_t*)
{
    return 0;
}

void OnUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* format, va_list args)
{
    FTiffInput& in = *static_cast<FTiffInput*>(user);
    if (in.errors++ == 0) {
        char text[300];
        std::vsnprintf(text, sizeof text, format, args);
        in.error = text;
    }
    return 1; // handled: libtiff's default handler would print it
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

bool Fail(std::string* reason, const std::string& text)
{
    if (reason)
        *reason = text;
    return false;
}

// Why libtiff gave up, as specific as it said.
std::string Reason(const FTiffInput& in, const char* otherwise)
{
    const std::string detail = in.error.empty() ? otherwise : in.error;
    return (in.pastEnd ? "TIFF data is cut off: " : "damaged TIFF data: ") + detail;
}

// libtiff's allocations, one at a time, stay within half the budget: a strip or
// tile buffer and the compressed bytes it comes from can be alive together.
FTiffPtr Open(FTiffInput& in, const FDecodeLimits& limits)
{
    const FTiffOptionsPtr options(TIFFOpenOptionsAlloc());
    if (!options) {
        in.error = "out of memory";
        return nullptr;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(std::min<size_t>(limits.memoryBytes / 2, INT64_MAX)));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &in);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &in);
    // "m": no memory mapping, every byte comes through OnRead.
    return FTiffPtr(TIFFClientOpenExt("TIFF", "rm", &in, OnRead, OnWrite, OnSeek, OnClose, OnSize, OnMap, OnUnmap,
                                      options.get()));
}

bool ReadSize(TIFF* tiff, const FTiffInput& in, uint32_t& width, uint32_t& height, std::string* reason)
{
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height))
        return Fail(reason, Reason(in, "the picture's size is missing"));
    if (width == 0 || height == 0)
        return Fail(reason, "damaged TIFF data: the picture has no pixels");
    return true;
}

// The most one compressed byte can expand to: a bound that lets a file of a
// few bytes claim no huge picture, yet never refuses a real one.
uint64_t MaxExpansion(uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64; // 2 bytes make a run of 128
    case COMPRESSION_LZW:                 // about 1400
    case COMPRESSION_ADOBE_DEFLATE:       // 1032
    case COMPRESSION_DEFLATE:
    case COMPRESSION_JPEG: return 2048;
    default: return 65536; // fax, zstd and the like shrink blank areas the most
    }
}

// Before the picture is allocated: its strips or tiles lie within the file, each
// fits the memory budget, and together they hold enough bytes for the pixels.
bool CheckPixelData(TIFF* tiff, const FTiffInput& in, uint32_t width, uint32_t height, const FDecodeLimits& limits,
                    std::string* reason)
{
    const bool tiled = TIFFIsTiled(tiff);
    const char* piece = tiled ? "tile" : "strip";
    const uint32_t count = tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    const uint64_t pieceBytes = tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
    if (count == 0 || pieceBytes == 0)
        return Fail(reason, Reason(in, "the pixel layout is invalid"));
    if (pieceBytes > limits.memoryBytes / 2)
        return Fail(reason, std::string("TIFF ") + piece + " too large to read (" +
                                std::to_string((pieceBytes + (1 << 20) - 1) >> 20) + " MB)");
    // A row a strip, a plane each, or 16 x 16 tiles of the largest picture stay far below.
    constexpr uint32_t kMaxPieces = 1u << 22;
    if (count > kMaxPieces)
        return Fail(reason, "damaged TIFF data: " + std::to_string(count) + " " + piece + "s");

    uint16_t planar = PLANARCONFIG_CONTIG, samples = 1, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const uint64_t raw = tiled ? pieceBytes * count
                               : TIFFVStripSize64(tiff, height) * (planar == PLANARCONFIG_SEPARATE ? samples : 1);

    // Overlapping pieces count once: one strip named a thousand times holds no more.
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    ranges.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t offset = TIFFGetStrileOffset(tiff, i), bytes = TIFFGetStrileByteCount(tiff, i);
        if (offset > in.size || bytes > in.size - offset)
            return Fail(reason, std::string("TIFF data is cut off: ") + piece + " " + std::to_string(i) +
                                    " runs past the end of the file");
        ranges.emplace_back(offset, offset + bytes);
    }
    std::sort(ranges.begin(), ranges.end());
    uint64_t present = 0, end = 0;
    for (const auto& [from, to] : ranges) {
        present += to > std::max(from, end) ? to - std::max(from, end) : 0;
        end = std::max(end, to);
    }
    if (compression == COMPRESSION_NONE && present < raw)
        return Fail(reason, "TIFF data is cut off: " + std::to_string(width) + " x " + std::to_string(height) +
                                " needs " + std::to_string(raw) + " bytes of pixels, the file has " +
                                std::to_string(present));
    if (present < raw / MaxExpansion(compression))
        return Fail(reason, "damaged TIFF data: " + std::to_string(present) + " bytes cannot hold " +
                                std::to_string(width) + " x " + std::to_string(height) + " pixels");
    return true;
}

// libtiff hands out alpha multiplied into the colours, whatever the file stored.
void Unpremultiply(std::vector<uint8_t>& pixels)
{
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const unsigned a = pixels[i + 3];
        if (a == 0 || a == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            pixels[i + c] = static_cast<uint8_t>(std::min(255u, (pixels[i + c] * 255u + a / 2) / a));
    }
}

} // namespace

bool ReadTiffSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason)
{
    width = height = 0;
    FTiffInput in{data, size};
    const FTiffPtr tiff = Open(in, FDecodeLimits());
    if (!tiff)
        return Fail(reason, Reason(in, "the file cannot be opened"));
    uint32_t w = 0, h = 0;
    if (!ReadSize(tiff.get(), in, w, h, reason))
        return false;
    if (w > INT_MAX || h > INT_MAX)
        return Fail(reason, "TIFF picture too large (" + std::to_string(w) + " x " + std::to_string(h) + ")");
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool DecodeTiff(const uint8_t* data, size_t size, const FDecodeLimits& limits, std::vector<uint8_t>& pixels,
                int& width, int& height, int& orientation, FColourInfo& colour, std::string* reason)
{
    pixels.clear();
    width = height = 0;
    orientation = 1;
    colour = FColourInfo();
    FTiffInput in{data, size};
    const FTiffPtr tiff = Open(in, limits);
    if (!tiff)
        return Fail(reason, Reason(in, "the file cannot be opened"));
    uint32_t w = 0, h = 0;
    if (!ReadSize(tiff.get(), in, w, h, reason))
        return false;
    if (w > static_cast<uint32_t>(limits.maxSide) || h > static_cast<uint32_t>(limits.maxSide) ||
        static_cast<int64_t>(w) * h > limits.maxPixels)
        return Fail(reason, "TIFF picture too large (" + std::to_string(w) + " x " + std::to_string(h) + ")");

    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), message))
        return Fail(reason, std::string("TIFF kind not supported: ") + message);
    if (!CheckPixelData(tiff.get(), in, w, h, limits, reason))
        return false;

    FColourInfo found;
    uint32_t iccSize = 0;
    const void* icc = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc && iccSize > 0)
        found.icc.assign(static_cast<const uint8_t*>(icc), static_cast<const uint8_t*>(icc) + iccSize);
    uint16_t tag = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &tag);

    FTiffRgbaImage rgba;
    rgba.begun = true; // a failed begin leaves buffers that end still frees
    const int errorsBefore = in.errors;
    if (!TIFFRGBAImageBegin(&rgba.image, tiff.get(), 1, message))
        return Fail(reason, std::string("TIFF kind not supported: ") + message);
    // Asking for the file's own orientation keeps the rows as stored: the caller turns them.
    rgba.image.req_orientation = rgba.image.orientation;
    pixels.resize(static_cast<size_t>(w) * h * 4);
    // The raster is 32-bit words of R, G, B, A from the low byte up: RGBA8 in memory
    // on a little-endian machine. std::vector's storage is aligned for any word.
    auto* raster = reinterpret_cast<uint32_t*>(pixels.data());
    if (!TIFFRGBAImageGet(&rgba.image, raster, w, h) || in.errors != errorsBefore) {
        pixels.clear();
        return Fail(reason, Reason(in, "the pixels cannot be read"));
    }
    if constexpr (std::endian::native == std::endian::big)
        for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
            raster[i] = __builtin_bswap32(raster[i]);
    if (rgba.image.alpha)
        Unpremultiply(pixels);

    width = static_cast<int>(w);
    height = static_cast<int>(h);
    orientation = tag >= 1 && tag <= 8 ? tag : 1;
    colour = std::move(found);
    return true;
}
