#pragma once
// One frame of the book on the GL device, drawn from a frame description:
// background, cover, the pages with their photos in the order the description
// gives, the stencil shadows. It keeps its own geometry and device objects and
// writes nothing back: what the book shows is the description's business.

#include "framework/FFramework.h"
#include "render/FBookLayout.h"
#include "render/FFrame.h"
#include "gl/FEffect.h"
#include "gl/FGlMesh.h"
#include "gl/FGlTextureLoader.h"
#include "gl/FRenderer.h"

#include <array>
#include <memory>

class FBookRenderer
{
public:
    FBookRenderer();

    // After the device was created or its drawable changed size: the renderer's
    // program and the effect compiled from effectPath (empty: none; a file that
    // no longer compiles just leaves the photos plain). The context must be
    // current. kFail with the driver's log in LastError() when the program does
    // not build.
    FResult DeviceReset(const FGlScreen& screen, const FString& effectPath);
    // Before a reset and before the device goes: releases every device object.
    void DeviceLost();
    // When the device goes for good: also the renderer's own program.
    void DeviceDestroyed();
    bool HasDevice() const { return renderer_.HasDevice(); }
    // The screen moved to another framebuffer or size between resets (a window
    // system that remakes its drawable as the window is dragged bigger).
    void SetScreen(const FGlScreen& screen)
    {
        if (renderer_.HasDevice())
            renderer_.SetDevice(&screen);
    }

    // Draws the frame to the screen, or to the render target and then the screen.
    void Render(const FFrame& frame);

    // The effect command after the user chose a file: the old effect makes way for
    // the new one. On a compile error the effect is dropped and the compiler's
    // text returned; empty otherwise (also without a device, when nothing is
    // compiled yet).
    FString SelectEffect(const FString& path);
    // The effect photos are drawn with, or null.
    FEffect* Effect() { return effect_.get(); }
    // The photos' picture changes with the clock alone: the effect reads the time.
    bool EffectFollowsClock() const { return effect_ && effect_->IsValid() && effect_->Declares(kEffectTime); }

    // Every mesh in painter's order and each shadow volume over the whole target:
    // slower, and to the byte what the usual drawing shows.
    void SetPlainDrawing(bool plain) { plain_ = plain; }
    // Where the last frame's shadows could fall: the whole target when not bounded.
    const FPixelRect& ShadowArea() const { return shadowArea_; }

    FTextureLoader& Loader() { return loader_; }
    FRenderer& Renderer() { return renderer_; }
    const std::string& LastError() const { return renderer_.LastError(); }

private:
    // One mesh draw as FRenderer::DrawMesh takes it.
    struct FMeshDraw
    {
        FGlMesh* mesh = nullptr;
        bool lit = true;
        const FGpuTexture* texture = nullptr;
        bool shiny = false;
        FColourValue colour{1, 1, 1, 1};
        FCull cull = FCull::CounterClockwise;
        bool depthTest = false;
        bool photo = false; // through the effect, if any
        std::array<float, 4> textureSize{};
        float effectTime = 0;
        const FVector3* eye = nullptr;
    };

    void DrawPage(const FFrame& frame, const FFramePage& draw);
    // Holds back the frame's leading opaque, untested draws to paint them top
    // first without overdraw (FRenderer::SetCoverOrder); the rest draw at once.
    void Submit(const FMeshDraw& draw);
    void DrawHeld();
    void Draw(const FMeshDraw& draw);
    // The height of a floor (the background plane) that hides all beneath it from
    // this frame's camera, if there is one.
    std::optional<float> HidingFloor(const FFrame& frame) const;
    void DrawShadows(const FFrame& frame, bool backgroundDrawn);
    bool SyncMesh(FGlMesh& gl, const std::optional<FGridMesh>& cpu);

    FRenderer renderer_;
    FGlTextureLoader loader_;
    FBookLayout layout_;
    std::array<FGlMesh, kFramePageCount> pageMeshes_;
    std::array<std::array<FGlMesh, 2>, kFramePageCount> photoMeshes_;
    std::array<FGlMesh, 2> coverMeshes_;
    FGlMesh backgroundMesh_;
    // A device object: compiled at every reset from the book's effect path.
    std::unique_ptr<FEffect> effect_;

    bool plain_ = false;
    FPixelRect shadowArea_;
    std::array<FMeshDraw, kMaxCoverOrderId> held_{};
    int32_t heldCount_ = 0;
    bool holding_ = false;
    // Page objects laid for held draws: laying one again would bend them under the held draw.
    std::array<bool, kFramePageCount> heldPages_{};
};
