#pragma once
// One frame of the book on the GL device: camera and light, background, cover,
// the pages with their photos in the order the turn state asks for, the
// transparent sheet and the stencil shadows. Also the device reset and loss
// routines that create and release everything living on the device.

#include "app/FPhotoBookApp.h"
#include "framework/FFramework.h"
#include "render/gl/FEffect.h"
#include "render/gl/FGlMesh.h"
#include "render/gl/FGlTextureLoader.h"
#include "render/gl/FRenderer.h"

#include <array>
#include <memory>

class FBookRenderer
{
public:
    FBookRenderer();

    // After the device was created or its drawable changed size: the renderer's
    // program, the background plane and the decoration textures. The context must
    // be current. kFail with the driver's log in LastError() when the program
    // does not build.
    FResult DeviceReset(FPhotoBookApp& app, const FGlScreen& screen);
    // Before a reset and before the device goes: releases every device object.
    void DeviceLost(FPhotoBookApp& app);
    // When the device goes for good: also the renderer's own program.
    void DeviceDestroyed(FPhotoBookApp& app);

    // Draws the frame for a client area of this size; now = the millisecond clock.
    void FrameRender(FPhotoBookApp& app, int clientWidth, int clientHeight, uint32_t now);

    // The effect command after the user chose a file: the path goes into the
    // record and the settings, the old effect makes way for the new one. On a
    // compile error the effect is dropped, both paths cleared and the text
    // returned; empty otherwise. Needs the device.
    FString SelectEffect(FPhotoBookApp& app, const FString& path);
    // The effect photos are drawn with, or null.
    FEffect* Effect() { return effect_.get(); }

    FTextureLoader& Loader() { return loader_; }
    FRenderer& Renderer() { return renderer_; }
    const std::string& LastError() const { return renderer_.LastError(); }

private:
    // Page object index 0..4 drawn at turn position t with two photo records, or
    // with none (the transparent page).
    void DrawBookPage(FPhotoBookApp& app, int page, float t, const FTexture* photoA, const FTexture* photoB,
                      int32_t deformDirection);
    bool SyncMesh(FGlMesh& gl, const std::optional<FGridMesh>& cpu);
    void DrawShadowOf(FPhotoBookApp& app, int page);

    FRenderer renderer_;
    FGlTextureLoader loader_;
    std::array<FGlMesh, kPageCount> pageMeshes_;
    std::array<std::array<FGlMesh, 2>, kPageCount> photoMeshes_;
    std::array<FGlMesh, 2> coverMeshes_;
    FGlMesh backgroundMesh_;
    // A device object: compiled at every reset from the record's path.
    std::unique_ptr<FEffect> effect_;
};
