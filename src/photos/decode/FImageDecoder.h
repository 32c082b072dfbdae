#pragma once
// The image-decoding seam: photo and texture files become RGBA pixels at the size
// a texture needs. JPEG goes through TurboJPEG with DCT scaling, PNG through
// libpng reduced row by row, WebP through libwebp scaled while decoding, TIFF
// through libtiff, BMP through Qt's reader, TGA through our own bounded decoder.

#include "base/FString.h"
#include "photos/FPhotoDecoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Files that declare more pixels than this are refused before any allocation:
// a few bytes can claim 50 000 x 50 000.
inline constexpr int64_t kMaxSourcePixels = 120'000'000;
inline constexpr int kMaxSourceSide = 32768;

class FImageDecoder : public FPhotoDecoder
{
public:
    FImageDecoder();
    ~FImageDecoder() override;
    FImageDecoder(const FImageDecoder&) = delete;
    FImageDecoder& operator=(const FImageDecoder&) = delete;

    // False with a reason for missing, unreadable, corrupt, unsupported or
    // oversized files; out is then empty. Buffers are reused between calls; pass
    // the same out again to reuse its pixel buffer too. The format comes from the
    // content (JPEG, PNG, BMP, HEIF, WebP, TIFF, else TGA), never from the name.
    bool Decode(const FString& path, const FDecodeRequest& request, FDecodedImage& out,
                FString* error = nullptr) override;
    bool FailureMayPass() const override;

    // The same for a file already in memory; name only labels the messages and
    // hints that an unrecognised file was meant to be a TGA.
    bool DecodeMemory(const uint8_t* data, size_t size, const FString& name, const FDecodeRequest& request,
                      FDecodedImage& out, FString* error = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
