#include "render/gl/FRenderTarget.h"

#include "base/FFile.h"
#include "base/FString.h"

#include <new>

FRenderTarget::FRenderTarget(int32_t width, int32_t height, bool withCopy, const FRenderTargetLimits& limits)
    : limits_(limits), withCopy_(withCopy)
{
    const FRenderTargetSize size = SearchRenderTargetSize(width, height, limits_, [&](const FRenderTargetSize& s) {
        factor_ = s.factor;
        return Create(width, height);
    });
    factor_ = size.factor;
}

bool FRenderTarget::Create(int32_t width, int32_t height)
{
    Release();
    const FRenderTargetSize size = RenderTargetSizeForFactor(width, height, factor_, limits_);
    if (factor_ < 1 || !FitsRenderTargetLimits(size, limits_))
        return false;
    framebuffer_ = FGlFramebuffer::Create(size.width, size.height);
    if (!framebuffer_)
        return false;
    if (withCopy_) {
        // The CPU copy of a 4x target runs to tens of megabytes; failing to get
        // them is a smaller factor's cue, not a crash.
        try {
            copy_ = std::make_unique<FRenderTargetCopy>();
            copy_->width = size.width;
            copy_->height = size.height;
            copy_->pitch = size.width * 4;
            copy_->pixels.resize(static_cast<size_t>(copy_->pitch) * static_cast<size_t>(size.height));
        } catch (const std::bad_alloc&) {
            Release();
            return false;
        }
    }
    width_ = size.width;
    height_ = size.height;
    DebugOutput(FString("New Texture RenderTarget: ")
                    .Concat(FString::FromInt(width_))
                    .Concat(FString(" x "))
                    .Concat(FString::FromInt(height_))
                    .Concat(FString(" pixels, antialiasing factor: "))
                    .Concat(FString::FromInt(factor_))
                    .Concat(FString("\n")));
    return true;
}

bool FRenderTarget::IsValid() const
{
    if (!framebuffer_ || framebuffer_->Id() == 0)
        return false;
    return !withCopy_ || copy_ != nullptr;
}

bool FRenderTarget::Begin()
{
    if (!framebuffer_ || framebuffer_->Id() == 0)
        return false;
    framebuffer_->Bind();
    return true;
}

bool FRenderTarget::End()
{
    return framebuffer_ && framebuffer_->Id() != 0;
}

bool FRenderTarget::CopyToSystemMemory()
{
    if (!framebuffer_ || !copy_)
        return false;
    return framebuffer_->ReadBgrx(*copy_);
}

void FRenderTarget::Release()
{
    framebuffer_.reset();
    copy_.reset();
    width_ = height_ = 0;
}
