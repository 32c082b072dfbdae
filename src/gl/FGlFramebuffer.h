#pragma once
// A framebuffer object with a colour texture and a 24-bit depth, 8-bit stencil
// renderbuffer: the off-screen target of the export, and the stand-in screen of
// a headless context (which has no default framebuffer).

#include "render/FRenderTargetCopy.h"
#include "gl/FGlTexture.h"
#include "gl/GlObject.h"

#include <cstdint>
#include <memory>
#include <string>

class FGlFramebuffer
{
public:
    // Null, and the reason in error when asked, when the device cannot make it.
    static std::unique_ptr<FGlFramebuffer> Create(int32_t width, int32_t height, std::string* error = nullptr);

    ~FGlFramebuffer();
    FGlFramebuffer(const FGlFramebuffer&) = delete;
    FGlFramebuffer& operator=(const FGlFramebuffer&) = delete;

    uint32_t Id() const { return framebuffer_.Get(); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    const FGlTexture* Texture() const { return texture_.get(); }

    // Binds it for drawing with a viewport over all of it.
    void Bind() const;
    // The picture as B, G, R, X bytes with the top row first: the framebuffer's
    // own row 0 is the bottom, so the rows are reversed on the way. X is whatever
    // alpha the draws left. False when the copy cannot hold the picture.
    bool ReadBgrx(FRenderTargetCopy& copy) const;

    // Gives the GL objects back; harmless when already done.
    void Destroy();

private:
    FGlFramebuffer() = default;

    FGlFramebufferObject framebuffer_;
    FGlRenderbufferObject depthStencil_;
    std::unique_ptr<FGlTexture> texture_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};
