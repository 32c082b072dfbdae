#include "gl/GlHelpers.h"

#include <epoxy/gl.h>

void GlApplyCull(FCull cull)
{
    switch (cull) {
    case FCull::Clockwise:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        break;
    case FCull::CounterClockwise:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_BACK);
        break;
    default: glDisable(GL_CULL_FACE); break;
    }
}

namespace {

// The driver's messages for a shader or a program, without the terminating zero
// it counts in the length.
std::string DriverLog(GLuint object, PFNGLGETSHADERIVPROC getLength, PFNGLGETSHADERINFOLOGPROC getLog)
{
    GLint length = 0;
    getLength(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    GLsizei written = 0;
    getLog(object, static_cast<GLsizei>(log.size()), &written, log.data());
    log.resize(static_cast<size_t>(written > 0 ? written : 0));
    return log;
}

} // namespace

FGlBuildResult<FGlKind::Shader> GlCompileStage(uint32_t stage, const std::string& source)
{
    FGlBuildResult<FGlKind::Shader> result;
    FGlShaderObject shader = FGlShaderObject::Create(stage);
    if (!shader) {
        result.log = "the device could not create a shader object";
        return result;
    }
    const char* text = source.c_str();
    glShaderSource(shader.Get(), 1, &text, nullptr);
    glCompileShader(shader.Get());
    GLint ok = GL_FALSE;
    glGetShaderiv(shader.Get(), GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE)
        result.object = std::move(shader);
    else
        result.log = DriverLog(shader.Get(), glGetShaderiv, glGetShaderInfoLog);
    return result;
}

FGlBuildResult<FGlKind::Program> GlLinkProgram(const FGlShaderObject& vertex, const FGlShaderObject& fragment,
                                               std::span<const char* const> attributes)
{
    FGlBuildResult<FGlKind::Program> result;
    FGlProgramObject program = FGlProgramObject::Create();
    if (!program) {
        result.log = "the device could not create a program object";
        return result;
    }
    glAttachShader(program.Get(), vertex.Get());
    glAttachShader(program.Get(), fragment.Get());
    for (size_t a = 0; a < attributes.size(); ++a)
        glBindAttribLocation(program.Get(), static_cast<GLuint>(a), attributes[a]);
    glLinkProgram(program.Get());
    GLint ok = GL_FALSE;
    glGetProgramiv(program.Get(), GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE)
        result.object = std::move(program);
    else
        result.log = DriverLog(program.Get(), glGetProgramiv, glGetProgramInfoLog);
    return result;
}
