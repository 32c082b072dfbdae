// FRenderer's stencil shadows: volumes counted into the stencil buffer, then one
// overlay over every pixel whose count is not 0.

#include "gl/FRenderer.h"

#include <epoxy/gl.h>

#include <algorithm>

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
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(points[0])), points.data(), GL_STREAM_DRAW);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, kShadowStencilBits);
    glStencilMask(kShadowStencilBits);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // Faces towards the camera count up, faces away count down, both in one pass
    // (the counts add up the same in any order); wrapping keeps a negative count
    // non-zero, so it still shades.
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_KEEP, GL_INCR_WRAP);
    glStencilOpSeparate(GL_BACK, GL_KEEP, GL_KEEP, GL_DECR_WRAP);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    ApplyCull(FCull::CounterClockwise);

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
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
    for (int i = 0; i < 4; ++i) {
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
    glStencilFunc(GL_LEQUAL, 1, kShadowStencilBits);
    // The count is spent once shaded, so overlays that overlap darken a pixel once.
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
    glStencilMask(kShadowStencilBits);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawStreamed(quad, 4, GL_TRIANGLE_STRIP);

    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilMask(0xFFFFFFFFu);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    ApplyCull(savedCull);
    states_ = saved;
    return true;
}

void FRenderer::SetScissor(const FPixelRect* rect)
{
    if (!hasDevice_)
        return;
    if (!rect) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(rect->x0, rect->y0, std::max(0, rect->x1 - rect->x0), std::max(0, rect->y1 - rect->y0));
}
