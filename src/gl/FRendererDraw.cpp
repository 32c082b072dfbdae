// FRenderer's draw states and draws: meshes, with or without an effect, and
// screen quads streamed from memory.

#include "gl/FRenderer.h"

#include "gl/FEffect.h"
#include "gl/FGlTexture.h"
#include "gl/GlHelpers.h"

#include <epoxy/gl.h>

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
    if (states_.alphaBlend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(states_.depthFunc == FDepthFunc::LessEqual ? GL_LEQUAL : GL_ALWAYS);
    // A photo drawn with the test off still writes its depth, as the book expects.
    glDepthMask(GL_TRUE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, boundTexture_);
}

void FRenderer::SetCoverOrder(int32_t id)
{
    if (!hasDevice_)
        return;
    if (id < 1 || id > kMaxCoverOrderId) {
        glDisable(GL_STENCIL_TEST);
        return;
    }
    // Passes where the stored id is this one or none: ids below it are drawn later.
    constexpr uint32_t idBits = static_cast<uint32_t>(kMaxCoverOrderId) << kCoverOrderShift;
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_GEQUAL, id << kCoverOrderShift, idBits);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glStencilMask(idBits);
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
    const bool drawn =
        effect->DrawMeshWithEffect(mesh, scene, boundTexture_, textureResolution, effectTime, !caps_.clipControl);
    glActiveTexture(GL_TEXTURE0);
    return drawn;
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
