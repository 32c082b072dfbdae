// FRenderer's targets: the screen or the export's render target, clearing them,
// and reading the render target back.

#include "gl/FRenderer.h"

#include <epoxy/gl.h>

#include <memory>
#include <utility>

bool FRenderer::BeginTarget(int32_t target)
{
    if (!hasDevice_)
        return false;
    if (target == kScreenTarget) {
        glBindFramebuffer(GL_FRAMEBUFFER, screen_.framebuffer);
        glViewport(0, 0, screen_.width, screen_.height);
        viewportWidth_ = screen_.width;
        viewportHeight_ = screen_.height;
    } else if (target == kRenderTarget) {
        if (!renderTarget_ || !renderTarget_->Begin())
            return false;
        viewportWidth_ = renderTarget_->Width();
        viewportHeight_ = renderTarget_->Height();
    } else {
        return false;
    }
    currentTarget_ = target;
    return true;
}

bool FRenderer::EndTarget(int32_t target)
{
    if (!hasDevice_)
        return false;
    if (target == kRenderTarget) {
        if (!renderTarget_ || !renderTarget_->End())
            return false;
        // Like a render-to-surface scene, ending hands drawing back to the screen.
        glBindFramebuffer(GL_FRAMEBUFFER, screen_.framebuffer);
        glViewport(0, 0, screen_.width, screen_.height);
        viewportWidth_ = screen_.width;
        viewportHeight_ = screen_.height;
    } else if (target != kScreenTarget) {
        return false;
    }
    currentTarget_ = -2;
    return true;
}

void FRenderer::ClearTarget(uint32_t colour)
{
    if (!hasDevice_)
        return;
    const FColourValue c = ArgbToColour(colour);
    glClearColor(c.red, c.green, c.blue, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void FRenderer::ClearStencil(bool one)
{
    if (!hasDevice_)
        return;
    glClearStencil(one ? 1 : 0);
    glStencilMask(0xFFFFFFFFu);
    glClear(GL_STENCIL_BUFFER_BIT);
}

void FRenderer::MakeScreenOpaque()
{
    if (!hasDevice_)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, screen_.framebuffer);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

FRenderTargetLimits FRenderer::RenderTargetLimits() const
{
    FRenderTargetLimits limits;
    limits.maxTextureSize = caps_.maxTextureSize;
    limits.maxRenderbufferSize = caps_.maxRenderbufferSize;
    limits.sizeLimit = sizeLimit_;
    limits.powerOfTwoRequired = powerOfTwoRequired_;
    return limits;
}

bool FRenderer::CreateRenderTarget(int32_t width, int32_t height)
{
    renderTarget_.reset();
    if (!hasDevice_)
        return false;
    auto target = std::make_unique<FRenderTarget>(width, height, true, RenderTargetLimits());
    if (!target->IsValid())
        return false;
    renderTarget_ = std::move(target);
    return true;
}

const FRenderTargetCopy* FRenderer::GetRenderTargetCopy() const
{
    return renderTarget_ ? renderTarget_->Copy() : nullptr;
}

bool FRenderer::CopyRenderTarget()
{
    return hasDevice_ && renderTarget_ && renderTarget_->CopyToSystemMemory();
}

bool FRenderer::StartRenderTargetReadBack()
{
    return hasDevice_ && renderTarget_ && renderTarget_->StartReadBack();
}

FReadBack FRenderer::TakeRenderTargetReadBack(bool wait)
{
    if (!hasDevice_ || !renderTarget_)
        return {};
    return renderTarget_->TakeReadBack(wait);
}

bool FRenderer::DrawRenderTargetToScreen()
{
    if (!hasDevice_ || !renderTarget_ || !renderTarget_->IsValid())
        return false;
    SetDrawStates(false, renderTarget_->Texture(), false, {1, 1, 1, 1}, FCull::None, false);
    // The framebuffer's row 0 is the bottom of the picture: v runs upwards.
    return DrawScreenQuad(PackColor(1, 1, 1), 0, 1, 1, 0);
}

void FRenderer::DestroyRenderTarget()
{
    renderTarget_.reset();
}
