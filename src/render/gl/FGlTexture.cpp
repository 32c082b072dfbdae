#include "render/gl/FGlTexture.h"

#include <epoxy/gl.h>

std::unique_ptr<FGlTexture> FGlTexture::Create(int32_t width, int32_t height, const uint8_t* rgba, bool mipmaps,
                                               std::string* error)
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
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (mipmaps)
        glGenerateMipmap(GL_TEXTURE_2D);
    else
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (glGetError() != GL_NO_ERROR)
        return fail("the device could not create the texture (out of memory?)");
    return texture;
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
