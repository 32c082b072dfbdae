#include "render/gl/FGlFrame.h"

#include <epoxy/gl.h>

void GlClearFrame(const FGlClearColour& colour, int width, int height)
{
    glViewport(0, 0, width, height);
    glClearColor(colour.red, colour.green, colour.blue, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}
