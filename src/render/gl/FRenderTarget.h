#pragma once
// The supersampled off-screen target of the movie export: a framebuffer object
// the movie frame's size times the largest factor (4, 3, 2, 1) the device serves,
// and a CPU copy of the last frame, top row first, B, G, R, X.

#include "render/FRenderTargetCopy.h"
#include "render/RenderTargetSize.h"
#include "render/gl/FGlFramebuffer.h"

#include <cstdint>
#include <memory>

class FRenderTarget
{
public:
    // Tries factors 4, 3, 2, 1 for a width x height frame; Factor() is 0 when
    // none worked. The context must be current.
    FRenderTarget(int32_t width, int32_t height, bool withCopy, const FRenderTargetLimits& limits);

    // (Re)creates the objects for width x height at the current factor, widened
    // to powers of two when the limits say so; logs the new size.
    bool Create(int32_t width, int32_t height);
    bool IsValid() const;
    // Binds the framebuffer for one frame's drawing; End closes it again.
    bool Begin();
    bool End();
    // Reads the last frame back into the CPU copy.
    bool CopyToSystemMemory();
    // Gives everything back; harmless twice.
    void Release();

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Factor() const { return factor_; }
    bool WithCopy() const { return withCopy_; }
    const FGlTexture* Texture() const { return framebuffer_ ? framebuffer_->Texture() : nullptr; }
    const FGlFramebuffer* Framebuffer() const { return framebuffer_.get(); }
    // Null without a copy.
    const FRenderTargetCopy* Copy() const { return copy_.get(); }

private:
    FRenderTargetLimits limits_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool withCopy_ = false;
    int32_t factor_ = 0;
    std::unique_ptr<FGlFramebuffer> framebuffer_;
    std::unique_ptr<FRenderTargetCopy> copy_;
};
