#include "photos/FTexture.h"

void FTexture::Clear()
{
    Path = FString();
    Width = 0;
    Height = 0;
    Tag = -1;
    Texture.reset();
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
