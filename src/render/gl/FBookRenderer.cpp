#include "render/gl/FBookRenderer.h"

#include "render/EffectFile.h"
#include "render/FShadowVolume.h"

namespace {

constexpr uint32_t kShadowColour = 0x30000000; // black, alpha 48

uint32_t ToArgb(const FColour& c)
{
    auto channel = [](float v) { return static_cast<uint32_t>(static_cast<int>(255.0f * v)) & 0xFF; };
    return 0xFF000000u | (channel(c.red) << 16) | (channel(c.green) << 8) | channel(c.blue);
}

} // namespace

FBookRenderer::FBookRenderer() = default;

bool FBookRenderer::SyncMesh(FGlMesh& gl, const std::optional<FGridMesh>& cpu)
{
    if (!cpu) {
        gl.Attach(nullptr);
        return false;
    }
    if (gl.Source() != &*cpu)
        gl.Attach(&*cpu);
    return gl.Sync();
}

FResult FBookRenderer::DeviceReset(FPhotoBookApp& app, const FGlScreen& screen)
{
    if (!renderer_.SetDevice(&screen))
        return kFail;
    app.backgroundMesh = CreateBackgroundPlane();
    backgroundMesh_.Destroy();
    const int quality = app.settings->Quality;
    for (FTexture* record : {&app.backgroundTexture, &app.coverTexture, &app.paperTexture,
                             &app.transparentPaperTexture}) {
        record->ReleaseTexture();
        record->Reload(loader_, quality);
    }
    // No checks and no message here: a file that no longer compiles just leaves
    // the photos plain.
    effect_.reset();
    if (!app.effectPath.IsEmpty()) {
        effect_ = std::make_unique<FEffect>(app.effectPath);
        if (!effect_->IsValid())
            effect_.reset();
    }
    return kOk;
}

void FBookRenderer::DeviceLost(FPhotoBookApp& app)
{
    effect_.reset();
    for (int i = 0; i < kPageCount; ++i) {
        if (app.pages[static_cast<size_t>(i)])
            app.pages[static_cast<size_t>(i)]->ReleaseMeshes();
        pageMeshes_[static_cast<size_t>(i)].Destroy();
        for (FGlMesh& mesh : photoMeshes_[static_cast<size_t>(i)])
            mesh.Destroy();
    }
    for (size_t i = 0; i < 2; ++i) {
        app.coverMeshes[i].reset();
        coverMeshes_[i].Destroy();
    }
    for (FTexture& slot : app.photoTextures)
        slot.ReleaseTexture();
    for (FTexture* record : {&app.backgroundTexture, &app.coverTexture, &app.paperTexture,
                             &app.transparentPaperTexture})
        record->ReleaseTexture();
    app.backgroundMesh.reset();
    backgroundMesh_.Destroy();
    renderer_.DestroyRenderTarget();
}

FString FBookRenderer::SelectEffect(FPhotoBookApp& app, const FString& path)
{
    app.effectPath = path;
    if (app.settings)
        app.settings->EffectPath = path;
    effect_.reset();
    if (!renderer_.HasDevice())
        return FString();
    effect_ = std::make_unique<FEffect>(path);
    const FString error = effect_->GetErrorText();
    if (!error.IsEmpty()) {
        effect_.reset();
        app.effectPath = FString();
        if (app.settings)
            app.settings->EffectPath = FString();
    }
    return error;
}

void FBookRenderer::DeviceDestroyed(FPhotoBookApp& app)
{
    DeviceLost(app);
    renderer_.SetDevice(nullptr);
}

void FBookRenderer::DrawBookPage(FPhotoBookApp& app, int index, float t, const FTexture* photoA,
                                 const FTexture* photoB, int32_t deformDirection)
{
    FPage* page = app.pages[static_cast<size_t>(index)].get();
    if (!page)
        return;
    const FSettings& s = *app.settings;
    auto source = [&app](const FTexture* record, FPhotoSource& out) -> const FPhotoSource* {
        if (!record || !record->HasTexture() || record->Width <= 0 || record->Height <= 0)
            return nullptr;
        out.width = record->Width;
        out.height = record->Height;
        out.rotation = record->Tag >= 0 && record->Tag < app.photoCount
                           ? app.photoRotation[static_cast<size_t>(record->Tag)]
                           : 0;
        return &out;
    };
    FPhotoSource a, b;
    const FPhotoSource* sourceA = source(photoA, a);
    const FPhotoSource* sourceB = source(photoB, b);
    const FPageDraw draw = page->DrawPageWithPhotos(t, deformDirection, s.PaperColour, sourceA, sourceB);

    const FTexture& paper = page->transparent ? app.transparentPaperTexture : app.paperTexture;
    FGlMesh& paperMesh = pageMeshes_[static_cast<size_t>(index)];
    if (SyncMesh(paperMesh, page->pageMesh))
        renderer_.DrawMesh(draw.lit, paper.Texture.get(), s.ShinyPaper, {draw.red, draw.green, draw.blue, draw.alpha},
                           &paperMesh, draw.cull, draw.depthTest);

    const FTexture* records[2] = {photoA, photoB};
    for (size_t slot = 0; slot < 2; ++slot) {
        if (!draw.photoDrawn[slot] || !records[slot])
            continue;
        FGlMesh& photoMesh = photoMeshes_[static_cast<size_t>(index)][slot];
        if (!SyncMesh(photoMesh, page->photoSlot[slot].photoMesh))
            continue;
        // In a movie each photo's effect starts when the camera arrives at it.
        const float savedTime = app.effectTime;
        if (app.exporting == 1)
            app.effectTime = PhotoEffectTime(records[slot]->Tag, savedTime, s.TimePage, s.TimeZoom, s.TimeView);
        const FVector3 eye = app.camera ? FVector3{app.camera->current.eyeX, app.camera->current.eyeY,
                                                   app.camera->current.eyeZ}
                                        : FVector3{};
        // Depth always passes: the photo lies exactly on its paper and must win.
        renderer_.DrawMesh(s.LightenPhotos, records[slot]->Texture.get(), s.ShinyPhotos, {1, 1, 1, 1}, &photoMesh,
                           draw.cull, false, true, records[slot]->SizeVector(), effect_.get(), app.effectTime,
                           app.camera ? &eye : nullptr);
        app.effectTime = savedTime;
    }
}

void FBookRenderer::DrawShadowOf(FPhotoBookApp& app, int index)
{
    FPage* page = app.pages[static_cast<size_t>(index)].get();
    if (!page)
        return;
    const auto points = BuildShadowVolume(*page, app.lightPosition.x, app.lightPosition.y, app.lightPosition.z);
    if (!points.empty())
        renderer_.DrawShadowVolume(kShadowTriangleCount, points);
}

void FBookRenderer::FrameRender(FPhotoBookApp& app, int clientWidth, int clientHeight, uint32_t now)
{
    if (!renderer_.HasDevice() || !app.IsInitialised())
        return;
    const FSettings& s = *app.settings;
    if (app.exporting == 0)
        app.effectTime = static_cast<float>(now) * 0.001f;
    // "Reset All Settings" forgets the path; the effect goes with it.
    if (effect_ && app.effectPath.IsEmpty())
        effect_.reset();
    renderer_.SetFillMode(app.wireframe);
    const uint32_t background = ToArgb(s.BGColour);
    renderer_.SetAmbient(background);
    renderer_.SetLight(MakeLight(FLightType::Point, app.lightPosition.x, app.lightPosition.y, app.lightPosition.z));

    app.camera->UpdateTransition(now, s.TimeZoom);
    app.viewMatrix = app.camera->ViewMatrix();
    renderer_.SetView(app.viewMatrix);
    const float aspect = clientHeight > 0 ? static_cast<float>(clientWidth) / static_cast<float>(clientHeight) : 1.0f;
    app.projectionMatrix = app.camera->ProjectionMatrix(aspect * app.aspectFactor);
    renderer_.SetProjection(app.projectionMatrix);
    app.worldMatrix = FMatrix::Identity();
    renderer_.SetWorld(app.worldMatrix);

    const int32_t target = app.exporting == 1 ? kRenderTarget : kScreenTarget;
    if (renderer_.BeginTarget(target)) {
        renderer_.ClearTarget(background);

        if (app.backgroundTexture.HasTexture() && SyncMesh(backgroundMesh_, app.backgroundMesh))
            renderer_.DrawMesh(true, app.backgroundTexture.Texture.get(), false, {1, 1, 1, 1}, &backgroundMesh_,
                               FCull::Clockwise, false);

        for (size_t i = 0; i < 2; ++i) {
            if (!app.coverMeshes[i])
                app.coverMeshes[i] = CreateCoverBoard(i == 1);
            if (SyncMesh(coverMeshes_[i], app.coverMeshes[i]))
                renderer_.DrawMesh(true, app.coverTexture.Texture.get(), false,
                                   {s.CoverColour.red, s.CoverColour.green, s.CoverColour.blue, 1}, &coverMeshes_[i],
                                   FCull::Clockwise, false);
        }

        const int32_t direction = app.transparentTurnState != 0 ? app.transparentTurnState : app.turnState;
        const float p = app.turnPosition;
        auto record = [&app](int i) { return &app.photoTextures[static_cast<size_t>(i)]; };
        auto transparentPage = [&](float t) { DrawBookPage(app, 4, t, nullptr, nullptr, direction); };
        if (app.turnState == 0) {
            DrawBookPage(app, 0, TurnEnd, record(4), record(5), direction);
            DrawBookPage(app, 3, 0, record(6), record(7), direction);
            if (s.RenderTransparentPage)
                transparentPage(app.transparentPosition);
        } else if (app.turnState > 0) {
            DrawBookPage(app, 0, TurnEnd, record(0), record(1), direction);
            DrawBookPage(app, 3, 0, record(6), record(7), direction);
            if (s.RenderTransparentPage) {
                transparentPage(TurnEnd);
                transparentPage(0);
                app.transparentPosition = 0;
            }
            DrawBookPage(app, 1, p, record(2), record(3), direction);
            DrawBookPage(app, 2, p, record(4), record(5), direction);
        } else {
            DrawBookPage(app, 0, TurnEnd, record(4), record(5), direction);
            DrawBookPage(app, 3, 0, record(10), record(11), direction);
            if (s.RenderTransparentPage) {
                transparentPage(TurnEnd);
                transparentPage(0);
                app.transparentPosition = TurnEnd;
            }
            DrawBookPage(app, 1, p, record(6), record(7), direction);
            DrawBookPage(app, 2, p, record(8), record(9), direction);
        }

        if (s.RenderShadows) {
            renderer_.ClearStencil(false);
            DrawShadowOf(app, 0);
            if (app.turnState != 0)
                DrawShadowOf(app, 1);
            DrawShadowOf(app, 3);
            if (s.RenderTransparentPage && app.transparentTurnState != 0)
                DrawShadowOf(app, 4);
            renderer_.DrawShadowOverlay(kShadowColour);
        }
        renderer_.EndTarget(target);
    }
    if (target == kRenderTarget && renderer_.BeginTarget(kScreenTarget)) {
        renderer_.DrawRenderTargetToScreen();
        renderer_.EndTarget(kScreenTarget);
    }
    ++app.framesRendered;
}
