#include "render/gl/FGlTextureLoader.h"

#include "render/gl/FGlTexture.h"

FDecodeRequest FGlTextureLoader::RequestFor(int quality, int maxTextureSize)
{
    FDecodeRequest request;
    request.squareSize = quality == 0 ? 256 : quality == 1 ? 512 : 0;
    // A photo beyond the device's limit would never load and the book would say
    // "Loading Photos..." forever: it is scaled down to the limit instead.
    if (maxTextureSize > 0)
        request.maxSize = maxTextureSize;
    return request;
}

std::unique_ptr<FPhotoDecoder> FGlTextureLoader::CreateDecoder()
{
    return std::make_unique<FImageDecoder>();
}

FDecodeRequest FGlTextureLoader::DecodeRequest(int quality)
{
    FDecodeRequest request = RequestFor(quality, FGlTexture::MaxTextureSize());
    request.mipChain = request.squareSize == 0;
    return request;
}

std::shared_ptr<FGpuTexture> FGlTextureLoader::CreateTextureFromImage(const FDecodedImage& image, FString* error)
{
    std::vector<const uint8_t*> levels;
    levels.push_back(image.pixels.data());
    for (const std::vector<uint8_t>& level : image.mipLevels)
        levels.push_back(level.data());
    std::string reason;
    std::unique_ptr<FGlTexture> texture = FGlTexture::CreateWithLevels(image.width, image.height, levels, &reason);
    if (!texture) {
        if (error)
            *error = FString(reason.c_str(), FString::kCodePageUtf8);
        return nullptr;
    }
    return std::shared_ptr<FGpuTexture>(std::move(texture));
}

std::shared_ptr<FGpuTexture> FGlTextureLoader::CreateTextureFromFile(const FString& path, int quality, int32_t& width,
                                                                     int32_t& height, FString* error)
{
    const FDecodeRequest request = RequestFor(quality, FGlTexture::MaxTextureSize());
    if (!decoder_.Decode(path, request, image_, error))
        return nullptr;
    std::string reason;
    std::unique_ptr<FGlTexture> texture =
        FGlTexture::Create(image_.width, image_.height, image_.pixels.data(), request.squareSize == 0, &reason);
    if (!texture) {
        if (error)
            *error = path.Concat(FString(u": ")).Concat(FString(reason.c_str(), FString::kCodePageUtf8));
        return nullptr;
    }
    width = image_.sourceWidth;
    height = image_.sourceHeight;
    return std::shared_ptr<FGpuTexture>(std::move(texture));
}
