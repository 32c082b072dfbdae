#pragma once
// Textures from image files on the GL device: decoded at the size the quality
// asks for, then uploaded. The device's context must be current.

#include "photos/FTexture.h"
#include "photos/decode/FImageDecoder.h"

class FGlTextureLoader : public FTextureLoader
{
public:
    std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString& path, int quality, int32_t& width,
                                                       int32_t& height, FString* error) override;
    std::unique_ptr<FPhotoDecoder> CreateDecoder() override;
    FDecodeRequest DecodeRequest(int quality) override;
    std::shared_ptr<FGpuTexture> CreateTextureFromImage(const FDecodedImage& image, FString* error) override;
    std::unique_ptr<FTextureUpload> BeginUpload(FDecodedImage image) override;

    // Quality 0: 256 x 256; 1: 512 x 512; anything else: full size (at most the
    // device's maximum texture size) with a mip chain.
    static FDecodeRequest RequestFor(int quality, int maxTextureSize);

private:
    FImageDecoder decoder_; // keeps its buffers between photos
    FDecodedImage image_;
};
