#pragma once
// Small GL pieces shared by the renderer and the effects.

#include "render/BookGeometry.h"

#include <string>

// Culling in the book's terms. Both APIs decide the winding as seen on screen, so
// Direct3D's "cull clockwise" is GL culling the back of counter-clockwise-fronted
// faces.
void GlApplyCull(FCull cull);

// The driver's compile and link messages, for the error texts.
std::string GlShaderLog(unsigned int shader);
std::string GlProgramLog(unsigned int program);
