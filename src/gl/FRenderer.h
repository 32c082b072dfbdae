#pragma once
// The one object all drawing of the book goes through, on OpenGL 3.3 core. It
// keeps the Direct3D-style matrices the book is written in (row vectors, clip
// depth 0..w) and gives the fixed-function states the same effect with one GLSL
// program: per-vertex lighting from one point light, material or vertex colour,
// texture stage 0 modulate or select, specular added after the texture, blending
// exactly when alpha is not 1, the two depth modes, stencil shadows.
//
// Every call needs the device's context current on the calling thread.

#include "render/BookGeometry.h"
#include "render/FMatrix.h"
#include "render/FRenderStates.h"
#include "render/FRenderTargetCopy.h"
#include "render/FShadowVolume.h"
#include "render/RenderTargetSize.h"
#include "gl/FGlMesh.h"
#include "gl/FRenderTarget.h"
#include "gl/GlObject.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class FEffect;
class FGpuTexture;

// Where "the screen" is: the window's framebuffer (0 for a plain default
// framebuffer, Qt may hand out another) or a headless stand-in, and its size.
struct FGlScreen
{
    uint32_t framebuffer = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct FGlCaps
{
    int32_t maxTextureSize = 0;
    int32_t maxRenderbufferSize = 0;
    bool clipControl = false; // depth 0..w handled by glClipControl, else in the shader
};

// Stencil bits: shadow counts in the low four (a pixel never sits in 16 volume
// sides at once), the cover order's draw ids in the high four.
inline constexpr uint32_t kShadowStencilBits = 0x0F;
inline constexpr int32_t kCoverOrderShift = 4;
inline constexpr int32_t kMaxCoverOrderId = 15;

inline constexpr int32_t kScreenTarget = -1;
inline constexpr int32_t kRenderTarget = 0;

class FRenderer
{
public:
    // allowClipControl false forces the shader's depth conversion even where
    // glClipControl exists; tests use it to cover both ways.
    explicit FRenderer(bool allowClipControl = true);
    // Call SetDevice(nullptr) while the context is still current before this runs;
    // otherwise the GL objects are left to die with the context.
    ~FRenderer();
    FRenderer(const FRenderer&) = delete;
    FRenderer& operator=(const FRenderer&) = delete;

    // A screen makes a device: the program is built (once) and the screen kept; a
    // later call with a new size only updates the screen. Null releases every GL
    // object including the render target. False, with the driver's log in
    // LastError(), when the program does not build.
    bool SetDevice(const FGlScreen* screen);
    bool HasDevice() const { return hasDevice_; }
    const std::string& LastError() const { return lastError_; }
    const FGlCaps& Caps() const { return caps_; }
    const FGlScreen& Screen() const { return screen_; }
    // The current target's size in pixels.
    int32_t ViewportWidth() const { return viewportWidth_; }
    int32_t ViewportHeight() const { return viewportHeight_; }

    void SetWorld(const FMatrix& m);
    void SetView(const FMatrix& m);
    void SetProjection(const FMatrix& m);
    const FMatrix& World() const { return world_; }
    const FMatrix& View() const { return view_; }
    const FMatrix& Projection() const { return projection_; }

    // kScreenTarget or kRenderTarget; anything else, or a missing target, is false.
    bool BeginTarget(int32_t target);
    bool EndTarget(int32_t target);
    // Colour (0xAARRGGBB) and depth 1.0, stencil 0, of the current target.
    void ClearTarget(uint32_t colour);
    void ClearStencil(bool one);
    void MakeScreenOpaque();

    void SetFillMode(bool wireframe);
    // The global ambient light, 0xAARRGGBB.
    void SetAmbient(uint32_t colour);
    // Light 0; only point lights are drawn.
    void SetLight(const FLightRecord& light);

    void SetDrawStates(bool lit, const FGpuTexture* texture, bool shiny, const FColourValue& colour, FCull cull,
                       bool depthTest);
    // A texture that is not this backend's draws as none. False without device or
    // mesh, or when the mesh has nothing to draw.
    bool DrawMesh(bool lit, const FGpuTexture* texture, bool shiny, const FColourValue& colour, FGlMesh* mesh,
                  FCull cull, bool depthTest);
    // The same, through the effect when useEffect is set and an effect with a
    // program is given (otherwise plainly). The effect sees this renderer's
    // matrices and light, and eye (or, when null, where the view puts the
    // camera). The effect's passes may change the states set here.
    bool DrawMesh(bool lit, const FGpuTexture* texture, bool shiny, const FColourValue& colour, FGlMesh* mesh,
                  FCull cull, bool depthTest, bool useEffect, const std::array<float, 4>& textureResolution,
                  FEffect* effect, float effectTime, const FVector3* eye = nullptr);

    // Whether effects for Direct3D-style pixel shader version major.minor can be
    // compiled: up to 3.0 that takes GLSL 3.30, later ones their GLSL version.
    // False without a device.
    bool SupportsPixelShader(int major, int minor) const;

    // Painting back to front without the overdraw: opaque draws without depth
    // test given ids 1..kMaxCoverOrderId in painter's order, then drawn from the
    // highest id down, each fill only pixels no higher id took (the id stays in
    // the stencil). What shows and the depth left are those of painting in order,
    // also where a draw overlaps itself. 0 ends it; the ids stay until a clear.
    void SetCoverOrder(int32_t id);

    // Shadows: volumes counted into the stencil buffer, then everything whose
    // count is not 0 darkened by one overlay.
    bool DrawShadowVolume(int32_t triangleCount, std::span<const std::array<float, 3>> points);
    bool DrawShadowOverlay(uint32_t colour);
    // Draws after this touch only the rectangle's pixels; null: all. Clears ignore it.
    void SetScissor(const FPixelRect* rect);

    // The export's render target. The limit (0: none) and the power-of-two flag
    // reach the factor search; tests use them, the device never needs them.
    void SetRenderTargetLimit(int32_t sizeLimit) { sizeLimit_ = sizeLimit; }
    void SetPowerOfTwoRequired(bool required) { powerOfTwoRequired_ = required; }
    FRenderTargetLimits RenderTargetLimits() const;
    bool CreateRenderTarget(int32_t width, int32_t height);
    const FRenderTargetCopy* GetRenderTargetCopy() const;
    bool CopyRenderTarget();
    // The same copy without stalling on it: start one after each frame, take them
    // back oldest first (FRenderTarget::StartReadBack, TakeReadBack).
    bool StartRenderTargetReadBack();
    FReadBack TakeRenderTargetReadBack(bool wait);
    bool DrawRenderTargetToScreen();
    void DestroyRenderTarget();
    const FRenderTarget* RenderTarget() const { return renderTarget_.get(); }

    // Screen quads: projection = scaling, view = world = identity, no depth test;
    // Restore3D puts projection and view back and the depth test on.
    void Set2D(float scale);
    void Restore3D(const FMatrix& projection, const FMatrix& view);
    // Two triangles just beyond the view's edges, drawn with the current states.
    bool DrawScreenQuad(uint32_t colour, float uLeft, float uRight, float vTop, float vBottom);

private:
    struct FUniforms
    {
        int32_t worldViewProjection = -1, world = -1, convertDepth = -1, lit = -1, material = -1, ambient = -1,
                lightPosition = -1, lightRange = -1, lightOn = -1, eye = -1, specular = -1, power = -1, textured = -1,
                texture = -1;
    };

    bool BuildProgram();
    void ReleaseDevice();
    void ApplyCull(FCull cull);
    // Uploads the current matrices, light and states; identity matrices for the
    // overlay, which is already in normalised coordinates.
    void UploadUniforms(bool identityTransform);
    FVector3 EyeFromView() const;
    void DrawStreamed(const FBookVertex* vertices, int32_t count, uint32_t mode);

    bool allowClipControl_ = true;
    bool hasDevice_ = false;
    std::string lastError_;
    FGlCaps caps_;
    FGlScreen screen_;
    int32_t currentTarget_ = -2; // none
    int32_t viewportWidth_ = 0;
    int32_t viewportHeight_ = 0;

    FMatrix world_ = FMatrix::Identity();
    FMatrix view_ = FMatrix::Identity();
    FMatrix projection_ = FMatrix::Identity();
    FColourValue ambient_;
    FLightRecord light_;
    bool lightOn_ = false;
    FDrawStates states_;
    uint32_t boundTexture_ = 0;
    FCull cull_ = FCull::CounterClockwise;

    FGlProgramObject program_;
    FUniforms uniforms_;
    FGlVertexArrayObject streamArray_; // book vertices from memory (screen quads)
    FGlBufferObject streamBuffer_;
    FGlVertexArrayObject volumeArray_; // positions only (shadow volumes)
    FGlBufferObject volumeBuffer_;

    int32_t sizeLimit_ = 0;
    bool powerOfTwoRequired_ = false;
    std::unique_ptr<FRenderTarget> renderTarget_;
};
