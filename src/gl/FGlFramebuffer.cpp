#include "gl/FGlFramebuffer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <new>

std::unique_ptr<FGlFramebuffer> FGlFramebuffer::Create(int32_t width, int32_t height, std::string* error)
{
    const auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    GLint maxRenderbuffer = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    if (width > maxRenderbuffer || height > maxRenderbuffer)
        return fail("framebuffer larger than the device's maximum renderbuffer size");

    std::unique_ptr<FGlFramebuffer> result(new FGlFramebuffer);
    std::string textureError;
    result->texture_ = FGlTexture::Create(width, height, nullptr, false, &textureError);
    if (!result->texture_)
        return fail(textureError);
    result->width_ = width;
    result->height_ = height;

    while (glGetError() != GL_NO_ERROR) {}
    GLint previous = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
    result->depthStencil_ = FGlRenderbufferObject::Create();
    glBindRenderbuffer(GL_RENDERBUFFER, result->depthStencil_.Get());
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    result->framebuffer_ = FGlFramebufferObject::Create();
    glBindFramebuffer(GL_FRAMEBUFFER, result->framebuffer_.Get());
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, result->texture_->Id(), 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              result->depthStencil_.Get());
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    if (glGetError() != GL_NO_ERROR)
        return fail("the device could not create the framebuffer (out of memory?)");
    if (status != GL_FRAMEBUFFER_COMPLETE)
        return fail("framebuffer incomplete, status " + std::to_string(status));
    return result;
}

FGlFramebuffer::~FGlFramebuffer()
{
    Destroy();
}

void FGlFramebuffer::Destroy()
{
    framebuffer_.Reset();
    depthStencil_.Reset();
    if (texture_)
        texture_->Destroy();
}

void FGlFramebuffer::Bind() const
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.Get());
    glViewport(0, 0, width_, height_);
}

bool FGlFramebuffer::ReadBgrx(FRenderTargetCopy& copy) const
{
    if (!framebuffer_)
        return false;
    const size_t pitch = static_cast<size_t>(width_) * 4;
    const size_t bytes = pitch * static_cast<size_t>(height_);
    try {
        copy.pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    copy.width = width_;
    copy.height = height_;
    copy.pitch = static_cast<int32_t>(pitch);

    while (glGetError() != GL_NO_ERROR) {}
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.Get());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, copy.pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    uint8_t* data = copy.pixels.data();
    for (int32_t top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(data + static_cast<size_t>(top) * pitch, data + static_cast<size_t>(top + 1) * pitch,
                         data + static_cast<size_t>(bottom) * pitch);
    return glGetError() == GL_NO_ERROR;
}
