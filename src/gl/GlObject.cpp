#include "gl/GlObject.h"

#include <epoxy/gl.h>

uint32_t GlCreateObject(FGlKind kind, uint32_t shaderType)
{
    GLuint name = 0;
    switch (kind) {
    case FGlKind::Buffer: glGenBuffers(1, &name); break;
    case FGlKind::VertexArray: glGenVertexArrays(1, &name); break;
    case FGlKind::Texture: glGenTextures(1, &name); break;
    case FGlKind::Framebuffer: glGenFramebuffers(1, &name); break;
    case FGlKind::Renderbuffer: glGenRenderbuffers(1, &name); break;
    case FGlKind::Shader: name = glCreateShader(shaderType); break;
    case FGlKind::Program: name = glCreateProgram(); break;
    }
    return name;
}

void GlDeleteObject(FGlKind kind, uint32_t name)
{
    if (name == 0)
        return;
    switch (kind) {
    case FGlKind::Buffer: glDeleteBuffers(1, &name); break;
    case FGlKind::VertexArray: glDeleteVertexArrays(1, &name); break;
    case FGlKind::Texture: glDeleteTextures(1, &name); break;
    case FGlKind::Framebuffer: glDeleteFramebuffers(1, &name); break;
    case FGlKind::Renderbuffer: glDeleteRenderbuffers(1, &name); break;
    case FGlKind::Shader: glDeleteShader(name); break;
    case FGlKind::Program: glDeleteProgram(name); break;
    }
}
