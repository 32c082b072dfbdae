#pragma once
// A texture record: the image file, its own size, the device texture (shared
// between records by reference count) and, for photo slots, the photo's index.

#include "base/FString.h"
#include "photos/FPhotoDecoder.h"
#include "render/FGpuTexture.h"

#include <array>
#include <cstdint>
#include <memory>

// A texture made from a decoded image a few rows at a time, so that a large photo
// spreads its upload over frames.
class FTextureUpload
{
public:
    virtual ~FTextureUpload() = default;
    // Uploads about maxBytes more; true once the texture is complete (or failed).
    virtual bool Step(size_t maxBytes) = 0;
    // After the last step: the texture, or null with the reason.
    virtual std::shared_ptr<FGpuTexture> Finish(FString* error) = 0;
    // The image, once the upload no longer needs it.
    virtual FDecodedImage TakeImage() = 0;
};

// The seam between the records and the device: makes a texture from an image
// file at a quality (0: 256 x 256, 1: 512 x 512, else full size with mipmaps).
class FTextureLoader
{
public:
    virtual ~FTextureLoader() = default;
    // On success the texture and the file's own width and height; on failure null
    // and, when asked, the reason.
    virtual std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString& path, int quality, int32_t& width,
                                                               int32_t& height, FString* error) = 0;

    // Decoding apart from uploading, so that photos decode on worker threads. A
    // loader that returns no decoder does both in CreateTextureFromFile instead.
    virtual std::unique_ptr<FPhotoDecoder> CreateDecoder() { return nullptr; }
    // What a decode at this quality asks for on this device (its size limit).
    virtual FDecodeRequest DecodeRequest(int quality);
    // The texture of an image decoded as DecodeRequest asked, with its mip levels;
    // null and the reason on failure.
    virtual std::shared_ptr<FGpuTexture> CreateTextureFromImage(const FDecodedImage& image, FString* error);
    // The same spread over steps; by default one step does it all.
    virtual std::unique_ptr<FTextureUpload> BeginUpload(FDecodedImage image);
};

class FTexture
{
public:
    FString Path;
    int32_t Width = 0;
    int32_t Height = 0;
    std::shared_ptr<FGpuTexture> Texture; // copying a record shares it
    int32_t Tag = -1;
    // The photo could not be read: no texture, and none is waited for.
    bool Failed = false;
    // The texture is a quick first picture; the photo itself is on its way.
    bool Preview = false;

    bool HasTexture() const { return Texture != nullptr; }
    // Back to a free record.
    void Clear();
    // Gives the texture back, keeps path, size and tag: for a lost device, or to
    // make the next streaming pass load it again.
    void ReleaseTexture() { Texture.reset(); }
    // Loads when the record has no texture and the path is not empty; a failure
    // keeps path and tag and leaves no texture. True when a texture is there after.
    bool Load(FTextureLoader& loader, const FString& path, int32_t tag, int quality, FString* error = nullptr);
    bool Reload(FTextureLoader& loader, int quality, FString* error = nullptr);
    // (Width, Height, 1, 0) for the shaders.
    std::array<float, 4> SizeVector() const;
};
