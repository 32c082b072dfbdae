#include "photos/FTexture.h"

void FTexture::Clear()
{
    Path = FString();
    Width = 0;
    Height = 0;
    Tag = -1;
    Failed = false;
    Preview = false;
    Texture.reset();
}

FDecodeRequest FTextureLoader::DecodeRequest(int quality)
{
    FDecodeRequest request;
    request.squareSize = quality == 0 ? 256 : quality == 1 ? 512 : 0;
    request.mipChain = request.squareSize == 0;
    return request;
}

std::shared_ptr<FGpuTexture> FTextureLoader::CreateTextureFromImage(const FDecodedImage&, FString* error)
{
    if (error)
        *error = FString(u"this device cannot take decoded images");
    return nullptr;
}

bool FTexture::Load(FTextureLoader& loader, const FString& path, int32_t tag, int quality, FString* error)
{
    if (Texture || path.IsEmpty())
        return HasTexture();
    Path = path;
    Tag = tag;
    int32_t width = 0, height = 0;
    std::shared_ptr<FGpuTexture> texture = loader.CreateTextureFromFile(path, quality, width, height, error);
    if (!texture)
        return false;
    Texture = std::move(texture);
    Width = width;
    Height = height;
    return true;
}

bool FTexture::Reload(FTextureLoader& loader, int quality, FString* error)
{
    const FString path = Path; // Load assigns Path from its argument
    return Load(loader, path, Tag, quality, error);
}

std::array<float, 4> FTexture::SizeVector() const
{
    return {static_cast<float>(Width), static_cast<float>(Height), 1.0f, 0.0f};
}

namespace {

class FWholeUpload : public FTextureUpload
{
public:
    FWholeUpload(FTextureLoader& loader, FDecodedImage image) : loader_(loader), image_(std::move(image)) {}
    bool Step(size_t) override
    {
        if (!done_)
            texture_ = loader_.CreateTextureFromImage(image_, &error_);
        done_ = true;
        return true;
    }
    std::shared_ptr<FGpuTexture> Finish(FString* error) override
    {
        if (!texture_ && error)
            *error = error_;
        return texture_;
    }
    FDecodedImage TakeImage() override { return std::move(image_); }

private:
    FTextureLoader& loader_;
    FDecodedImage image_;
    std::shared_ptr<FGpuTexture> texture_;
    FString error_;
    bool done_ = false;
};

} // namespace

std::unique_ptr<FTextureUpload> FTextureLoader::BeginUpload(FDecodedImage image)
{
    return std::make_unique<FWholeUpload>(*this, std::move(image));
}
