#pragma once
// Decoded images as plain values, and the seam through which the photo stream
// reaches a decoder without knowing the image libraries.

#include "base/FString.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct FDecodedImage
{
    int width = 0; // size of pixels
    int height = 0;
    int sourceWidth = 0; // the file's own size, before any scaling
    int sourceHeight = 0;
    std::vector<uint8_t> pixels; // RGBA8, top row first, width * height * 4 bytes
    // Levels 1, 2, ... of the mip chain down to 1 x 1, each half the size of the
    // one before (rounded down, at least 1); empty unless the request asked for it.
    std::vector<std::vector<uint8_t>> mipLevels;

    size_t ByteSize() const;
};

struct FDecodeRequest
{
    // > 0: a square texture of this size (256 low, 512 normal quality); the image is
    // squeezed to it. 0: the image at its own size (high quality).
    int squareSize = 0;
    // At full size, larger images are scaled down (aspect kept) so neither side
    // exceeds this: the device's maximum texture size.
    int maxSize = 16384;
    // The mip chain is built by whoever decodes, off the GL thread.
    bool mipChain = false;
    // Only a quick first picture, from what the file keeps for that (a thumbnail);
    // the decode fails when it keeps none. sourceWidth and sourceHeight are still
    // the photo's own, so nothing moves when the photo itself replaces it.
    bool preview = false;
};

class FPhotoDecoder
{
public:
    virtual ~FPhotoDecoder() = default;
    // False with a reason for files that cannot become an image; out is then empty.
    virtual bool Decode(const FString& path, const FDecodeRequest& request, FDecodedImage& out,
                        FString* error = nullptr) = 0;
    // After a failed Decode: the file could not be read for a reason that may pass
    // without the file changing (permission, an I/O error, too many open files),
    // rather than for what it holds.
    virtual bool FailureMayPass() const { return false; }
};

// Fills image.mipLevels from image.pixels with a 2 x 2 box filter.
void BuildMipChain(FDecodedImage& image);
