#include "gl/FRenderTarget.h"

#include "base/FFile.h"
#include "base/FString.h"

#include <epoxy/gl.h>

#include <chrono>
#include <cstring>
#include <new>

namespace {
// A frame of a 4x target takes the slowest software device well under this;
// beyond it the device is taken as lost rather than waited on for ever.
constexpr auto kReadBackPatience = std::chrono::seconds(60);
constexpr GLuint64 kWaitStepNs = 100'000'000;
} // namespace

FRenderTarget::FRenderTarget(int32_t width, int32_t height, bool withCopy, const FRenderTargetLimits& limits)
    : limits_(limits), withCopy_(withCopy)
{
    const FRenderTargetSize size = SearchRenderTargetSize(width, height, limits_, [&](const FRenderTargetSize& s) {
        factor_ = s.factor;
        return Create(width, height);
    });
    factor_ = size.factor;
}

FRenderTarget::~FRenderTarget()
{
    Release();
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

bool FRenderTarget::StartReadBack()
{
    if (!framebuffer_ || !copy_ || inFlight_ == kReadBackRing)
        return false;
    FReadBackSlot& slot = ring_[static_cast<size_t>((oldest_ + inFlight_) % kReadBackRing)];
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(width_) * 4 * height_;

    while (glGetError() != GL_NO_ERROR) {}
    GLint previousPack = 0;
    GLint previousRead = 0;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &previousPack);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
    // Buffers are made on first use: a 4x target's frame is tens of megabytes,
    // and a caller that keeps one frame in flight needs only one.
    const bool fresh = !slot.buffer;
    if (fresh)
        slot.buffer = FGlBufferObject::Create();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer.Get());
    if (fresh)
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_->Id());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead));
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(previousPack));
    GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (glGetError() != GL_NO_ERROR || !fence) {
        if (fence)
            glDeleteSync(fence);
        slot.buffer.Reset(); // out of memory, most likely: try afresh next time
        return false;
    }
    slot.fence = fence;
    ++inFlight_;
    return true;
}

FReadBack FRenderTarget::TakeReadBack(bool wait)
{
    if (inFlight_ == 0)
        return {};
    FReadBackSlot& slot = ring_[static_cast<size_t>(oldest_)];
    const auto fence = static_cast<GLsync>(slot.fence);
    // The flush bit matters even without waiting: an unflushed fence never signals.
    GLenum state = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 0);
    if (state == GL_TIMEOUT_EXPIRED && !wait)
        return {FReadBackStatus::Pending, nullptr};
    const auto giveUp = std::chrono::steady_clock::now() + kReadBackPatience;
    while (state == GL_TIMEOUT_EXPIRED && std::chrono::steady_clock::now() < giveUp)
        state = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitStepNs);

    bool copied = false;
    if (state == GL_ALREADY_SIGNALED || state == GL_CONDITION_SATISFIED) {
        while (glGetError() != GL_NO_ERROR) {}
        const size_t pitch = static_cast<size_t>(width_) * 4;
        GLint previousPack = 0;
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &previousPack);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer.Get());
        const auto* data = static_cast<const uint8_t*>(glMapBufferRange(
            GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(pitch * static_cast<size_t>(height_)), GL_MAP_READ_BIT));
        if (data) {
            if (copy_->pixels.size() >= pitch * static_cast<size_t>(height_)) {
                // The device's row 0 is the bottom; the copy wants the top first.
                uint8_t* out = copy_->pixels.data();
                for (int32_t y = 0; y < height_; ++y)
                    std::memcpy(out + static_cast<size_t>(y) * pitch,
                                data + static_cast<size_t>(height_ - 1 - y) * pitch, pitch);
                copied = true;
            }
            // False: the buffer's contents were lost while mapped.
            copied = glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE && copied;
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(previousPack));
        copied = copied && glGetError() == GL_NO_ERROR;
    }
    glDeleteSync(fence);
    slot.fence = nullptr;
    oldest_ = (oldest_ + 1) % kReadBackRing;
    --inFlight_;
    if (!copied)
        return {FReadBackStatus::Failed, nullptr};
    copy_->width = width_;
    copy_->height = height_;
    copy_->pitch = width_ * 4;
    return {FReadBackStatus::Ready, copy_.get()};
}

void FRenderTarget::ReleaseReadBacks()
{
    for (FReadBackSlot& slot : ring_) {
        if (slot.fence)
            glDeleteSync(static_cast<GLsync>(slot.fence));
        slot.fence = nullptr;
        slot.buffer.Reset();
    }
    oldest_ = 0;
    inFlight_ = 0;
}

void FRenderTarget::Release()
{
    ReleaseReadBacks();
    framebuffer_.reset();
    copy_.reset();
    width_ = height_ = 0;
}
