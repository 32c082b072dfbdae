#include "gl/FGlTexture.h"

#include <epoxy/gl.h>

#include <algorithm>

template <typename Fill>
std::unique_ptr<FGlTexture> FGlTexture::Make(int32_t width, int32_t height, bool mipmaps, Fill fill, std::string* error)
{
    const auto fail = [error](const char* why) {
        if (error)
            *error = why;
        return nullptr;
    };
    if (width < 1 || height < 1)
        return fail("texture size below 1 pixel");
    const int32_t maxSize = MaxTextureSize();
    if (width > maxSize || height > maxSize)
        return fail("texture larger than the device's maximum texture size");

    while (glGetError() != GL_NO_ERROR) {}
    std::unique_ptr<FGlTexture> texture(new FGlTexture);
    texture->width_ = width;
    texture->height_ = height;
    texture->mipmaps_ = mipmaps;
    texture->id_ = FGlTextureObject::Create();
    glBindTexture(GL_TEXTURE_2D, texture->id_.Get());
    fill();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (glGetError() != GL_NO_ERROR)
        return fail("the device could not create the texture (out of memory?)");
    return texture;
}

std::unique_ptr<FGlTexture> FGlTexture::Create(int32_t width, int32_t height, const uint8_t* rgba, bool mipmaps,
                                               std::string* error)
{
    return Make(
        width, height, mipmaps,
        [&] {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
            if (mipmaps)
                glGenerateMipmap(GL_TEXTURE_2D);
            else
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        },
        error);
}

std::unique_ptr<FGlTexture> FGlTexture::Allocate(int32_t width, int32_t height, int levels, std::string* error)
{
    if (levels < 1) {
        if (error)
            *error = "texture size below 1 pixel";
        return nullptr;
    }
    return Make(
        width, height, levels > 1,
        [&] {
            // Immutable storage is allocated once; level-by-level glTexImage2D may make
            // the driver re-lay the whole texture out at each level.
            if (epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_texture_storage")) {
                glTexStorage2D(GL_TEXTURE_2D, levels, GL_RGBA8, width, height);
            } else {
                int32_t w = width, h = height;
                for (int level = 0; level < levels; ++level) {
                    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
                    w = std::max(1, w / 2);
                    h = std::max(1, h / 2);
                }
            }
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
        },
        error);
}

bool FGlTexture::UploadRows(int level, int32_t y, int32_t rows, const uint8_t* rgba)
{
    const int32_t w = std::max(1, width_ >> level);
    while (glGetError() != GL_NO_ERROR) {}
    glBindTexture(GL_TEXTURE_2D, id_.Get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, y, w, rows, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, 0);
    return glGetError() == GL_NO_ERROR;
}

FGlTexture::~FGlTexture()
{
    Destroy();
}

void FGlTexture::Destroy()
{
    id_.Reset();
}

int32_t FGlTexture::MaxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}
