#pragma once
// Every GL object we hold lives in one of these, the way every FFmpeg object
// lives in an FFmpegPtr: making and freeing them happens in GlObject.cpp and
// nowhere else.
//
// Destroy (or Reset) an object while the context that made it is current: a GL
// name means nothing to another context, and with none current the delete is
// lost. Destroying twice is harmless; only a non-zero name is deleted, and it
// is zeroed at once.
//
// No GL header here: the classes holding these are included by Qt code, and
// epoxy must come before Qt's own GL headers wherever both are seen.

#include <cstdint>
#include <utility>

enum class FGlKind
{
    Buffer,
    VertexArray,
    Texture,
    Framebuffer,
    Renderbuffer,
    Shader,
    Program,
};

// One new object of the kind (shaderType: GL_VERTEX_SHADER and the like, for
// shaders only); 0 when the driver gives none.
uint32_t GlCreateObject(FGlKind kind, uint32_t shaderType = 0);
// Deletes a non-zero name of the kind; 0 is ignored.
void GlDeleteObject(FGlKind kind, uint32_t name);

template <FGlKind Kind> class FGlObject
{
public:
    FGlObject() = default;
    ~FGlObject() { Reset(); }
    FGlObject(FGlObject&& other) noexcept : name_(std::exchange(other.name_, 0)) {}
    FGlObject& operator=(FGlObject&& other) noexcept
    {
        if (this != &other) {
            Reset();
            name_ = std::exchange(other.name_, 0);
        }
        return *this;
    }
    FGlObject(const FGlObject&) = delete;
    FGlObject& operator=(const FGlObject&) = delete;

    // Empty when the driver gives no object.
    static FGlObject Create() requires(Kind != FGlKind::Shader) { return FGlObject(GlCreateObject(Kind)); }
    static FGlObject Create(uint32_t shaderType) requires(Kind == FGlKind::Shader)
    {
        return FGlObject(GlCreateObject(Kind, shaderType));
    }

    uint32_t Get() const { return name_; }
    explicit operator bool() const { return name_ != 0; }
    void Reset()
    {
        if (name_ != 0)
            GlDeleteObject(Kind, std::exchange(name_, 0));
    }

private:
    explicit FGlObject(uint32_t name) : name_(name) {}

    uint32_t name_ = 0;
};

using FGlBufferObject = FGlObject<FGlKind::Buffer>;
using FGlVertexArrayObject = FGlObject<FGlKind::VertexArray>;
using FGlTextureObject = FGlObject<FGlKind::Texture>;
using FGlFramebufferObject = FGlObject<FGlKind::Framebuffer>;
using FGlRenderbufferObject = FGlObject<FGlKind::Renderbuffer>;
using FGlShaderObject = FGlObject<FGlKind::Shader>;
using FGlProgramObject = FGlObject<FGlKind::Program>;
