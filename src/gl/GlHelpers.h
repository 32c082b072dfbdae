#pragma once
// Small GL pieces shared by the renderer and the effects.

#include "render/BookGeometry.h"
#include "gl/GlObject.h"

#include <cstdint>
#include <span>
#include <string>

// Culling in the book's terms. Both APIs decide the winding as seen on screen, so
// Direct3D's "cull clockwise" is GL culling the back of counter-clockwise-fronted
// faces.
void GlApplyCull(FCull cull);

// A compiled stage or a linked program; when the object is empty, log holds the
// driver's reason.
template <FGlKind Kind> struct FGlBuildResult
{
    FGlObject<Kind> object;
    std::string log;
    explicit operator bool() const { return static_cast<bool>(object); }
};

// stage: GL_VERTEX_SHADER or GL_FRAGMENT_SHADER.
FGlBuildResult<FGlKind::Shader> GlCompileStage(uint32_t stage, const std::string& source);
// attributes[i], when given, is bound to location i before linking. The shaders
// stay the caller's; the program keeps what it needs of them.
FGlBuildResult<FGlKind::Program> GlLinkProgram(const FGlShaderObject& vertex, const FGlShaderObject& fragment,
                                               std::span<const char* const> attributes = {});
