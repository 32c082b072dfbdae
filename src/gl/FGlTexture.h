#pragma once
// A 2D texture on the GL device. Pixels go up top row first, so t = 0 is the top
// of the image, as the book's texture coordinates expect. Linear filtering and
// clamping in u and v; a texture with a mip chain filters trilinearly, which
// looks better on far-away high-quality photos than ignoring the chain.

#include "render/FGpuTexture.h"
#include "gl/GlObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FGlTexture : public FGpuTexture
{
public:
    // rgba: width * height * 4 bytes, R, G, B, A per pixel, top row first; null
    // leaves the contents undefined (render targets). Null result, and the reason
    // in error when asked, for sizes below 1 or beyond the device's maximum, or
    // when the device is out of memory. Needs a current context.
    static std::unique_ptr<FGlTexture> Create(int32_t width, int32_t height, const uint8_t* rgba, bool mipmaps,
                                              std::string* error = nullptr);
    // Storage for levels levels (1: no chain) with undefined contents, filled by
    // UploadRows. Null, and the reason, as Create.
    static std::unique_ptr<FGlTexture> Allocate(int32_t width, int32_t height, int levels,
                                                std::string* error = nullptr);
    // rows rows of level level from row y on, rgba as in Create. False on a device error.
    bool UploadRows(int level, int32_t y, int32_t rows, const uint8_t* rgba);

    ~FGlTexture() override;
    FGlTexture(const FGlTexture&) = delete;
    FGlTexture& operator=(const FGlTexture&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    uint32_t Id() const { return id_.Get(); }
    bool HasMipmaps() const { return mipmaps_; }
    // Gives the GL object back; harmless when already done. The context must be current.
    void Destroy();

    // GL_MAX_TEXTURE_SIZE of the current context.
    static int32_t MaxTextureSize();

private:
    FGlTexture() = default;
    // The refusals both makers share, then a new texture bound while fill gives it
    // storage, then linear (mipmapped) sampling clamped to the edge.
    template <typename Fill>
    static std::unique_ptr<FGlTexture> Make(int32_t width, int32_t height, bool mipmaps, Fill fill, std::string* error);

    FGlTextureObject id_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool mipmaps_ = false;
};
