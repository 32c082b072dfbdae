#pragma once
// The supersampled off-screen target of the movie export: a framebuffer object
// the movie frame's size times the largest factor (4, 3, 2, 1) the device serves,
// and a CPU copy of the last frame, top row first, B, G, R, X. The copy is made
// either at once (CopyToSystemMemory) or through a ring of pixel-buffer objects
// that lets the device copy while the next frame is drawn (StartReadBack,
// TakeReadBack).

#include "render/FRenderTargetCopy.h"
#include "render/RenderTargetSize.h"
#include "gl/FGlFramebuffer.h"
#include "gl/GlObject.h"

#include <array>
#include <cstdint>
#include <memory>

enum class FReadBackStatus
{
    Ready,   // the frame is in the CPU copy
    Pending, // the oldest frame's copy has not arrived yet
    Empty,   // no frame in flight
    Failed,  // the oldest frame was lost (the device failed); it is dropped
};

struct FReadBack
{
    FReadBackStatus status = FReadBackStatus::Empty;
    // Ready only: the target's one CPU copy (what Copy() returns, so a view of
    // it taken once stays good), overwritten by the next take or copy.
    const FRenderTargetCopy* frame = nullptr;
};

class FRenderTarget
{
public:
    // Tries factors 4, 3, 2, 1 for a width x height frame; Factor() is 0 when
    // none worked. The context must be current.
    FRenderTarget(int32_t width, int32_t height, bool withCopy, const FRenderTargetLimits& limits);
    ~FRenderTarget();
    FRenderTarget(const FRenderTarget&) = delete;
    FRenderTarget& operator=(const FRenderTarget&) = delete;

    // Frames one read-back ring holds in flight.
    static constexpr int32_t kReadBackRing = 3;

    // (Re)creates the objects for width x height at the current factor, widened
    // to powers of two when the limits say so; logs the new size.
    bool Create(int32_t width, int32_t height);
    bool IsValid() const;
    // Binds the framebuffer for one frame's drawing; End closes it again.
    bool Begin();
    bool End();
    // Reads the last frame back into the CPU copy.
    bool CopyToSystemMemory();
    // Queues the last frame's read-back without waiting for it. False when the
    // ring is full (take one first), there is no copy, or the device refused:
    // CopyToSystemMemory still works then.
    bool StartReadBack();
    // The oldest frame in flight into the CPU copy, frames in the order they were
    // started; wait blocks until its copy has arrived. A drain takes until Empty.
    // (Re)creating or releasing the target drops the frames in flight.
    FReadBack TakeReadBack(bool wait);
    int32_t ReadBacksInFlight() const { return inFlight_; }
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
    struct FReadBackSlot
    {
        FGlBufferObject buffer;
        void* fence = nullptr; // GLsync; no GL header here
    };
    void ReleaseReadBacks();

    FRenderTargetLimits limits_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool withCopy_ = false;
    int32_t factor_ = 0;
    std::unique_ptr<FGlFramebuffer> framebuffer_;
    std::unique_ptr<FRenderTargetCopy> copy_;
    std::array<FReadBackSlot, kReadBackRing> ring_;
    int32_t oldest_ = 0;
    int32_t inFlight_ = 0;
};
