#include "render/gl/FRenderer.h"

#include "render/gl/GlHelpers.h"

#include "render/gl/FEffect.h"
#include "render/gl/FGlTexture.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace
{
// Direct3D 9's fixed-function vertex pipeline for the states the book uses, per
// vertex (Gouraud), in world space: the same as its camera-space lighting for the
// rigid view transforms the camera builds.
constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord;

uniform mat4 uWorldViewProjection;
uniform mat4 uWorld;
uniform bool uConvertDepth;
uniform bool uLit;
uniform vec4 uMaterial;
uniform vec3 uAmbient;
uniform bool uLightOn;
uniform vec3 uLightPosition;
uniform float uLightRange;
uniform vec3 uEye;
uniform bool uSpecular;
uniform float uPower;

out vec4 vDiffuse;
out vec3 vSpecular;
out vec2 vTexCoord;

void main()
{
    // Row-vector matrices uploaded untransposed: M * v here is v * M there.
    gl_Position = uWorldViewProjection * vec4(aPosition, 1.0);
    if (uConvertDepth)
        gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    vTexCoord = aTexCoord;
    vSpecular = vec3(0.0);
    if (!uLit)
    {
        vDiffuse = aColour;
        return;
    }
    vec3 position = (uWorld * vec4(aPosition, 1.0)).xyz;
    vec3 normal = normalize(mat3(uWorld) * aNormal);
    vec3 colour = uMaterial.rgb * uAmbient;
    if (uLightOn)
    {
        vec3 toLight = uLightPosition - position;
        float distance = length(toLight);
        if (distance > 0.0 && distance <= uLightRange)
        {
            vec3 l = toLight / distance;
            float nDotL = max(dot(normal, l), 0.0);
            colour += uMaterial.rgb * nDotL;
            if (uSpecular && nDotL > 0.0)
            {
                vec3 h = normalize(normalize(uEye - position) + l);
                vSpecular = vec3(pow(max(dot(normal, h), 0.0), uPower));
            }
        }
    }
    vDiffuse = vec4(clamp(colour, 0.0, 1.0), uMaterial.a);
}
)";

constexpr const char* kFragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec3 vSpecular;
in vec2 vTexCoord;

uniform bool uTextured;
uniform sampler2D uTexture;

out vec4 fragColour;

void main()
{
    vec3 colour = vDiffuse.rgb;
    if (uTextured)
        colour *= texture(uTexture, vTexCoord).rgb;
    // Specular comes after the texture stage, so highlights stay white on photos.
    fragColour = vec4(min(colour + vSpecular, vec3(1.0)), vDiffuse.a);
}
)";

} // namespace

FRenderer::FRenderer(bool allowClipControl)
    : allowClipControl_(allowClipControl)
{
}

FRenderer::~FRenderer()
{
    ReleaseDevice();
}

bool FRenderer::SetDevice(const FGlScreen* screen)
{
    if (!screen)
    {
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
    const auto vertex = GlCompileStage(GL_VERTEX_SHADER, kVertexShader);
    if (!vertex)
    {
        lastError_ = "vertex shader: " + vertex.log;
        return false;
    }
    const auto fragment = GlCompileStage(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!fragment)
    {
        lastError_ = "fragment shader: " + fragment.log;
        return false;
    }
    auto linked = GlLinkProgram(vertex.object, fragment.object);
    if (!linked)
    {
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

bool FRenderer::BeginTarget(int32_t target)
{
    if (!hasDevice_)
        return false;
    if (target == kScreenTarget)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, screen_.framebuffer);
        glViewport(0, 0, screen_.width, screen_.height);
        viewportWidth_ = screen_.width;
        viewportHeight_ = screen_.height;
    }
    else if (target == kRenderTarget)
    {
        if (!renderTarget_ || !renderTarget_->Begin())
            return false;
        viewportWidth_ = renderTarget_->Width();
        viewportHeight_ = renderTarget_->Height();
    }
    else
    {
        return false;
    }
    currentTarget_ = target;
    return true;
}

bool FRenderer::EndTarget(int32_t target)
{
    if (!hasDevice_)
        return false;
    if (target == kRenderTarget)
    {
        if (!renderTarget_ || !renderTarget_->End())
            return false;
        // Like a render-to-surface scene, ending hands drawing back to the screen.
        glBindFramebuffer(GL_FRAMEBUFFER, screen_.framebuffer);
        glViewport(0, 0, screen_.width, screen_.height);
        viewportWidth_ = screen_.width;
        viewportHeight_ = screen_.height;
    }
    else if (target != kScreenTarget)
    {
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

void FRenderer::SetFillMode(bool wireframe)
{
    if (hasDevice_)
        glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
}

void FRenderer::SetAmbient(uint32_t colour)
{
    ambient_ = ArgbToColour(colour);
}

void FRenderer::SetLight(const FLightRecord& light)
{
    light_ = light;
    lightOn_ = light.type == FLightType::Point;
}

void FRenderer::ApplyCull(FCull cull)
{
    cull_ = cull;
    GlApplyCull(cull);
}

void FRenderer::SetDrawStates(bool lit, const FGpuTexture* texture, bool shiny, const FColourValue& colour, FCull cull,
                              bool depthTest)
{
    if (!hasDevice_)
        return;
    const auto* glTexture = dynamic_cast<const FGlTexture*>(texture);
    if (glTexture && glTexture->Id() == 0)
        glTexture = nullptr;
    states_ = ComputeDrawStates(lit, glTexture != nullptr, shiny, colour, cull, depthTest);
    boundTexture_ = glTexture ? glTexture->Id() : 0;

    ApplyCull(states_.cull);
    if (states_.alphaBlend)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    else
    {
        glDisable(GL_BLEND);
    }
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(states_.depthFunc == FDepthFunc::LessEqual ? GL_LEQUAL : GL_ALWAYS);
    // A photo drawn with the test off still writes its depth, as the book expects.
    glDepthMask(GL_TRUE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, boundTexture_);
}

void FRenderer::UploadUniforms(bool identityTransform)
{
    glUseProgram(program_.Get());
    const FMatrix identity = FMatrix::Identity();
    const FMatrix wvp = identityTransform ? identity : world_ * view_ * projection_;
    const FMatrix& world = identityTransform ? identity : world_;
    glUniformMatrix4fv(uniforms_.worldViewProjection, 1, GL_FALSE, wvp.m.data());
    glUniformMatrix4fv(uniforms_.world, 1, GL_FALSE, world.m.data());
    glUniform1i(uniforms_.convertDepth, caps_.clipControl ? 0 : 1);
    glUniform1i(uniforms_.lit, states_.lighting ? 1 : 0);
    const FColourValue& d = states_.material.diffuse;
    glUniform4f(uniforms_.material, d.red, d.green, d.blue, d.alpha);
    glUniform3f(uniforms_.ambient, ambient_.red, ambient_.green, ambient_.blue);
    glUniform1i(uniforms_.lightOn, lightOn_ ? 1 : 0);
    glUniform3f(uniforms_.lightPosition, light_.position.x, light_.position.y, light_.position.z);
    glUniform1f(uniforms_.lightRange, light_.range);
    const FVector3 eye = EyeFromView();
    glUniform3f(uniforms_.eye, eye.x, eye.y, eye.z);
    glUniform1i(uniforms_.specular, states_.specular && states_.lighting ? 1 : 0);
    glUniform1f(uniforms_.power, states_.material.power);
    glUniform1i(uniforms_.textured, states_.modulateTexture && boundTexture_ != 0 ? 1 : 0);
}

FVector3 FRenderer::EyeFromView() const
{
    // The local viewer sits where the inverse view puts the origin.
    FMatrix inverseView;
    if (Inverse(view_, &inverseView))
        return {inverseView(3, 0), inverseView(3, 1), inverseView(3, 2)};
    return {};
}

bool FRenderer::DrawMesh(bool lit, const FGpuTexture* texture, bool shiny, const FColourValue& colour, FGlMesh* mesh,
                         FCull cull, bool depthTest, bool useEffect, const std::array<float, 4>& textureResolution,
                         FEffect* effect, float effectTime, const FVector3* eye)
{
    if (!useEffect || !effect || !effect->IsValid())
        return DrawMesh(lit, texture, shiny, colour, mesh, cull, depthTest);
    if (!hasDevice_ || !mesh)
        return false;
    SetDrawStates(lit, texture, shiny, colour, cull, depthTest);
    if (!mesh->Sync())
        return false;
    const FEffectScene scene{world_, view_, projection_, light_.position, eye ? *eye : EyeFromView()};
    const bool drawn = effect->DrawMeshWithEffect(mesh, scene, boundTexture_, textureResolution, effectTime,
                                                  !caps_.clipControl);
    glActiveTexture(GL_TEXTURE0);
    return drawn;
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

bool FRenderer::DrawMesh(bool lit, const FGpuTexture* texture, bool shiny, const FColourValue& colour, FGlMesh* mesh,
                         FCull cull, bool depthTest)
{
    if (!hasDevice_ || !mesh)
        return false;
    SetDrawStates(lit, texture, shiny, colour, cull, depthTest);
    if (!mesh->Sync())
        return false;
    UploadUniforms(false);
    mesh->Bind();
    glDrawElements(GL_TRIANGLES, mesh->IndexCount(), GL_UNSIGNED_SHORT, nullptr);
    glBindVertexArray(0);
    return true;
}

void FRenderer::DrawStreamed(const FBookVertex* vertices, int32_t count, uint32_t mode)
{
    glBindVertexArray(streamArray_.Get());
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_.Get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(FBookVertex)), vertices, GL_STREAM_DRAW);
    glDrawArrays(mode, 0, count);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

bool FRenderer::DrawShadowVolume(int32_t triangleCount, std::span<const std::array<float, 3>> points)
{
    if (!hasDevice_ || triangleCount < 1 || points.empty())
        return false;
    const auto count = std::min<size_t>(static_cast<size_t>(triangleCount) * 3, points.size() / 3 * 3);
    if (count == 0)
        return false;

    const FDrawStates saved = states_;
    states_.lighting = false;
    states_.specular = false;
    states_.modulateTexture = false;
    UploadUniforms(false);
    glBindVertexArray(volumeArray_.Get());
    glBindBuffer(GL_ARRAY_BUFFER, volumeBuffer_.Get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(points[0])), points.data(),
                 GL_STREAM_DRAW);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 0xFFFFFFFFu);
    glStencilMask(0xFFFFFFFFu);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // Faces towards the camera count up, faces away count down; wrapping keeps a
    // negative count non-zero, so it still shades.
    ApplyCull(FCull::Clockwise);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR_WRAP);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
    ApplyCull(FCull::CounterClockwise);
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR_WRAP);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    states_ = saved;
    return true;
}

bool FRenderer::DrawShadowOverlay(uint32_t colour)
{
    if (!hasDevice_ || viewportWidth_ < 1 || viewportHeight_ < 1)
        return false;
    // A strip over the whole viewport in normalised coordinates: bottom-left,
    // top-left, bottom-right, top-right.
    FBookVertex quad[4];
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    for (int i = 0; i < 4; ++i)
    {
        quad[i].x = corners[i][0];
        quad[i].y = corners[i][1];
        quad[i].diffuse = colour;
    }
    const FDrawStates saved = states_;
    const FCull savedCull = cull_;
    states_.lighting = false;
    states_.specular = false;
    states_.modulateTexture = false;
    UploadUniforms(true);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_STENCIL_TEST);
    // Passes where 1 <= the stored count: the shadowed pixels.
    glStencilFunc(GL_LEQUAL, 1, 0xFFFFFFFFu);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawStreamed(quad, 4, GL_TRIANGLE_STRIP);

    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    ApplyCull(savedCull);
    states_ = saved;
    return true;
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

void FRenderer::Set2D(float scale)
{
    projection_ = FMatrix::Scaling(scale, scale, scale);
    view_ = FMatrix::Identity();
    world_ = FMatrix::Identity();
    if (hasDevice_)
        glDisable(GL_DEPTH_TEST);
}

void FRenderer::Restore3D(const FMatrix& projection, const FMatrix& view)
{
    projection_ = projection;
    view_ = view;
    if (hasDevice_)
        glEnable(GL_DEPTH_TEST);
}

bool FRenderer::DrawScreenQuad(uint32_t colour, float uLeft, float uRight, float vTop, float vBottom)
{
    if (!hasDevice_)
        return false;
    const FMatrix savedProjection = projection_;
    const FMatrix savedView = view_;
    Set2D(1);
    // Just past the edges, so no filtering seam shows at the border.
    constexpr float e = 1.001f;
    const auto vertex = [colour](float x, float y, float u, float v) {
        FBookVertex result;
        result.x = x;
        result.y = y;
        result.nz = -1;
        result.diffuse = colour;
        result.u = u;
        result.v = v;
        return result;
    };
    const FBookVertex topLeft = vertex(-e, e, uLeft, vTop), topRight = vertex(e, e, uRight, vTop),
                      bottomLeft = vertex(-e, -e, uLeft, vBottom), bottomRight = vertex(e, -e, uRight, vBottom);
    const FBookVertex quad[6] = {topLeft, topRight, bottomLeft, topRight, bottomRight, bottomLeft};
    UploadUniforms(false);
    DrawStreamed(quad, 6, GL_TRIANGLES);
    Restore3D(savedProjection, savedView);
    return true;
}
