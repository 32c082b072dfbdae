#include "gl/FGlTextureLoader.h"

#include "gl/FGlTexture.h"

#include <algorithm>

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
    std::unique_ptr<FTextureUpload> upload = BeginUpload(image);
    upload->Step(SIZE_MAX);
    return upload->Finish(error);
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

namespace {

class FGlTextureUpload : public FTextureUpload
{
public:
    explicit FGlTextureUpload(FDecodedImage image) : image_(std::move(image)) {}

    bool Step(size_t maxBytes) override
    {
        if (done_)
            return true;
        if (!texture_) {
            std::string reason;
            texture_ = FGlTexture::Allocate(image_.width, image_.height, 1 + static_cast<int>(image_.mipLevels.size()),
                                            &reason);
            if (!texture_)
                return Fail(reason.c_str());
        }
        size_t sent = 0;
        while (level_ <= image_.mipLevels.size()) {
            const int32_t w = std::max(1, image_.width >> level_);
            const int32_t h = std::max(1, image_.height >> level_);
            const uint8_t* pixels = level_ == 0 ? image_.pixels.data() : image_.mipLevels[level_ - 1].data();
            const size_t rowBytes = static_cast<size_t>(w) * 4;
            if (sent > 0 && sent + rowBytes > maxBytes)
                return false;
            // In size_t until it fits: a budget of SIZE_MAX must not wrap to a negative count.
            const int32_t rows = static_cast<int32_t>(
                std::min<size_t>(static_cast<size_t>(h - row_), std::max<size_t>(1, (maxBytes - sent) / rowBytes)));
            if (!texture_->UploadRows(static_cast<int>(level_), row_, rows,
                                      pixels + static_cast<size_t>(row_) * rowBytes))
                return Fail("the device could not take the texture's pixels (out of memory?)");
            sent += static_cast<size_t>(rows) * rowBytes;
            row_ += rows;
            if (row_ == h) {
                row_ = 0;
                ++level_;
            }
        }
        done_ = true;
        return true;
    }

    std::shared_ptr<FGpuTexture> Finish(FString* error) override
    {
        if (!done_ || !texture_) {
            if (error)
                *error = error_;
            return nullptr;
        }
        return std::shared_ptr<FGpuTexture>(std::move(texture_));
    }

    FDecodedImage TakeImage() override { return std::move(image_); }

private:
    bool Fail(const char* why)
    {
        error_ = FString(why, FString::kCodePageUtf8);
        texture_.reset();
        done_ = true;
        return true;
    }

    FDecodedImage image_;
    std::unique_ptr<FGlTexture> texture_;
    size_t level_ = 0;
    int32_t row_ = 0;
    FString error_;
    bool done_ = false;
};

} // namespace

std::unique_ptr<FTextureUpload> FGlTextureLoader::BeginUpload(FDecodedImage image)
{
    return std::make_unique<FGlTextureUpload>(std::move(image));
}
