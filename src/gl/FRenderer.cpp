// FRenderer's device: the program and stream buffers it makes, the states it
// starts from, and the matrices. Drawing, shadows and targets have files of their own.

#include "gl/FRenderer.h"

#include "gl/FixedFunctionShaders.h"
#include "gl/GlHelpers.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <utility>

FRenderer::FRenderer(bool allowClipControl) : allowClipControl_(allowClipControl) {}

FRenderer::~FRenderer()
{
    ReleaseDevice();
}

bool FRenderer::SetDevice(const FGlScreen* screen)
{
    if (!screen) {
        ReleaseDevice();
        return false;
    }
    screen_ = *screen;
    if (hasDevice_)
        return true;

    lastError_.clear();
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &caps_.maxTextureSize);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &caps_.maxRenderbufferSize);
    caps_.clipControl =
        allowClipControl_ && (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control"));
    if (!BuildProgram())
        return false;

    streamArray_ = FGlVertexArrayObject::Create();
    streamBuffer_ = FGlBufferObject::Create();
    glBindVertexArray(streamArray_.Get());
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_.Get());
    BindBookVertexLayout();
    volumeArray_ = FGlVertexArrayObject::Create();
    volumeBuffer_ = FGlBufferObject::Create();
    glBindVertexArray(volumeArray_.Get());
    glBindBuffer(GL_ARRAY_BUFFER, volumeBuffer_.Get());
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // Direct3D's clip depth runs 0..w; this makes GL take it as it is.
    if (caps_.clipControl)
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glDisable(GL_DITHER);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    ApplyCull(FCull::CounterClockwise);
    hasDevice_ = true;
    return true;
}

bool FRenderer::BuildProgram()
{
    const auto vertex = GlCompileStage(GL_VERTEX_SHADER, kFixedFunctionVertexShader);
    if (!vertex) {
        lastError_ = "vertex shader: " + vertex.log;
        return false;
    }
    const auto fragment = GlCompileStage(GL_FRAGMENT_SHADER, kFixedFunctionFragmentShader);
    if (!fragment) {
        lastError_ = "fragment shader: " + fragment.log;
        return false;
    }
    auto linked = GlLinkProgram(vertex.object, fragment.object);
    if (!linked) {
        lastError_ = "link: " + linked.log;
        return false;
    }
    program_ = std::move(linked.object);
    const auto at = [this](const char* name) { return glGetUniformLocation(program_.Get(), name); };
    uniforms_.worldViewProjection = at("uWorldViewProjection");
    uniforms_.world = at("uWorld");
    uniforms_.convertDepth = at("uConvertDepth");
    uniforms_.lit = at("uLit");
    uniforms_.material = at("uMaterial");
    uniforms_.ambient = at("uAmbient");
    uniforms_.lightOn = at("uLightOn");
    uniforms_.lightPosition = at("uLightPosition");
    uniforms_.lightRange = at("uLightRange");
    uniforms_.eye = at("uEye");
    uniforms_.specular = at("uSpecular");
    uniforms_.power = at("uPower");
    uniforms_.textured = at("uTextured");
    uniforms_.texture = at("uTexture");
    glUseProgram(program_.Get());
    glUniform1i(uniforms_.texture, 0);
    glUseProgram(0);
    return true;
}

void FRenderer::ReleaseDevice()
{
    if (!hasDevice_ && !program_)
        return;
    renderTarget_.reset();
    program_.Reset();
    streamArray_.Reset();
    volumeArray_.Reset();
    streamBuffer_.Reset();
    volumeBuffer_.Reset();
    // The context may outlive us (Qt's window): leave its depth range as found.
    if (caps_.clipControl)
        glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    hasDevice_ = false;
    currentTarget_ = -2;
    boundTexture_ = 0;
}

void FRenderer::SetWorld(const FMatrix& m)
{
    if (hasDevice_)
        world_ = m;
}

void FRenderer::SetView(const FMatrix& m)
{
    if (hasDevice_)
        view_ = m;
}

void FRenderer::SetProjection(const FMatrix& m)
{
    if (hasDevice_)
        projection_ = m;
}

bool FRenderer::SupportsPixelShader(int major, int minor) const
{
    if (!hasDevice_)
        return false;
    const char* text = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    int glslMajor = 0, glslMinor = 0;
    if (!text || std::sscanf(text, "%d.%d", &glslMajor, &glslMinor) != 2)
        return false;
    const int have = glslMajor * 100 + glslMinor;
    const int need = major <= 3 ? 330 : major * 100 + minor * 10;
    return have >= need;
}
