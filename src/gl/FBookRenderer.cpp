#include "gl/FBookRenderer.h"

#include "render/FShadowVolume.h"

#include <algorithm>

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

FResult FBookRenderer::DeviceReset(const FGlScreen& screen, const FString& effectPath)
{
    if (!renderer_.SetDevice(&screen))
        return kFail;
    backgroundMesh_.Destroy();
    effect_.reset();
    if (!effectPath.IsEmpty()) {
        effect_ = std::make_unique<FEffect>(effectPath);
        if (!effect_->IsValid())
            effect_.reset();
    }
    return kOk;
}

void FBookRenderer::DeviceLost()
{
    effect_.reset();
    layout_.ReleasePageMeshes();
    for (size_t i = 0; i < pageMeshes_.size(); ++i) {
        pageMeshes_[i].Destroy();
        for (FGlMesh& mesh : photoMeshes_[i])
            mesh.Destroy();
    }
    for (FGlMesh& mesh : coverMeshes_)
        mesh.Destroy();
    backgroundMesh_.Destroy();
    renderer_.DestroyRenderTarget();
}

void FBookRenderer::DeviceDestroyed()
{
    DeviceLost();
    renderer_.SetDevice(nullptr);
}

FString FBookRenderer::SelectEffect(const FString& path)
{
    effect_.reset();
    if (!renderer_.HasDevice())
        return FString();
    effect_ = std::make_unique<FEffect>(path);
    FString error = effect_->GetErrorText();
    if (!error.IsEmpty())
        effect_.reset();
    return error;
}

void FBookRenderer::Draw(const FMeshDraw& d)
{
    if (d.photo)
        renderer_.DrawMesh(d.lit, d.texture, d.shiny, d.colour, d.mesh, d.cull, d.depthTest, true, d.textureSize,
                           effect_.get(), d.effectTime, d.eye);
    else
        renderer_.DrawMesh(d.lit, d.texture, d.shiny, d.colour, d.mesh, d.cull, d.depthTest);
}

void FBookRenderer::DrawHeld()
{
    for (int32_t i = heldCount_; i > 0; --i) {
        renderer_.SetCoverOrder(i);
        Draw(held_[static_cast<size_t>(i - 1)]);
    }
    if (heldCount_ > 0)
        renderer_.SetCoverOrder(0);
    heldCount_ = 0;
    holding_ = false;
}

void FBookRenderer::Submit(const FMeshDraw& d)
{
    if (holding_) {
        // Blending and the depth test need what lies beneath already drawn; an
        // effect may set states of its own.
        const bool opaque = d.colour.alpha == 1.0f && !d.depthTest && !(d.photo && effect_ && effect_->IsValid());
        if (opaque && heldCount_ < kMaxCoverOrderId) {
            held_[static_cast<size_t>(heldCount_++)] = d;
            return;
        }
        DrawHeld();
    }
    Draw(d);
}

void FBookRenderer::DrawPage(const FFrame& frame, const FFramePage& item)
{
    if (holding_) {
        bool& laid = heldPages_[static_cast<size_t>(item.page)];
        if (laid)
            DrawHeld();
        laid = true;
    }
    const FPageDraw draw = layout_.Lay(item, frame.paper);
    const FPage& page = layout_.Page(item.page);
    const FGpuTexture* paper = page.transparent ? frame.transparentPaperTexture : frame.paperTexture;
    FGlMesh& paperMesh = pageMeshes_[static_cast<size_t>(item.page)];
    if (SyncMesh(paperMesh, page.pageMesh))
        Submit({&paperMesh,
                draw.lit,
                paper,
                frame.shinyPaper,
                {draw.red, draw.green, draw.blue, draw.alpha},
                draw.cull,
                draw.depthTest});

    for (size_t slot = 0; slot < 2; ++slot) {
        const FFramePhoto& photo = item.photos[slot];
        if (!draw.photoDrawn[slot])
            continue;
        FGlMesh& photoMesh = photoMeshes_[static_cast<size_t>(item.page)][slot];
        if (!SyncMesh(photoMesh, page.photoSlot[slot].photoMesh))
            continue;
        const std::array<float, 4> size{static_cast<float>(photo.width), static_cast<float>(photo.height), 1, 0};
        // Depth always passes: the photo lies exactly on its paper and must win.
        Submit({&photoMesh,
                frame.lightenPhotos,
                photo.texture,
                frame.shinyPhotos,
                {1, 1, 1, 1},
                draw.cull,
                false,
                true,
                size,
                photo.effectTime,
                &frame.eye});
    }
}

std::optional<float> FBookRenderer::HidingFloor(const FFrame& frame) const
{
    const auto& plane = layout_.Background();
    if (!plane || plane->vertices.empty() || !(frame.world == FMatrix::Identity()))
        return std::nullopt;
    const float y = plane->vertices[0].y;
    float minX = plane->vertices[0].x, maxX = minX, minZ = plane->vertices[0].z, maxZ = minZ;
    for (const FBookVertex& v : plane->vertices) {
        if (v.y != y)
            return std::nullopt;
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minZ = std::min(minZ, v.z);
        maxZ = std::max(maxZ, v.z);
    }
    FMatrix inverseView, inverseViewProjection;
    if (!Inverse(frame.view, &inverseView) || !Inverse(frame.view * frame.projection, &inverseViewProjection))
        return std::nullopt;
    if (!(inverseView(3, 1) > y))
        return std::nullopt;
    // The floor hides what lies beneath it when every ray through the view meets
    // it between the near and far planes: the eye is above it and the rays through
    // the corners, which bound all others, meet it inside its edges.
    constexpr float kMargin = 1;
    for (const float cx : {-1.0f, 1.0f})
        for (const float cy : {-1.0f, 1.0f}) {
            const FVector4 n = Transform({cx, cy, 0, 1}, inverseViewProjection);
            const FVector4 f = Transform({cx, cy, 1, 1}, inverseViewProjection);
            if (!(n.w > 0) || !(f.w > 0))
                return std::nullopt;
            const FVector3 a{n.x / n.w, n.y / n.w, n.z / n.w}, b{f.x / f.w, f.y / f.w, f.z / f.w};
            if (!(a.y > y) || !(b.y < y))
                return std::nullopt;
            const FVector3 hit = a + (b - a) * ((y - a.y) / (b.y - a.y));
            if (!(hit.x > minX + kMargin && hit.x < maxX - kMargin && hit.z > minZ + kMargin && hit.z < maxZ - kMargin))
                return std::nullopt;
        }
    return y;
}

void FBookRenderer::DrawShadows(const FFrame& frame, bool backgroundDrawn)
{
    // Only where a volume side lies above the floor can it pass the depth test, and
    // only there can a count stay: each side of each outline is drawn in that
    // rectangle alone, and the overlay in each of them (it spends the counts it
    // shades, so overlaps darken once). A unit below the floor leaves room for
    // depth rounding where the sides go through it.
    // An effect's vertices may go anywhere, beneath the floor too; a wireframe
    // floor hides nothing.
    const bool effect = effect_ && effect_->IsValid();
    const std::optional<float> floor =
        backgroundDrawn && !plain_ && !effect && !frame.wireframe ? HidingFloor(frame) : std::nullopt;
    const FMatrix viewProjection = frame.view * frame.projection;
    const int32_t width = renderer_.ViewportWidth(), height = renderer_.ViewportHeight();
    std::array<FPixelRect, kOutlineSides.size() * 4> rects{};
    size_t rectCount = 0;
    FPixelRect shaded;
    for (int32_t caster : frame.ShadowCasters()) {
        const auto points = BuildShadowVolume(layout_.Page(caster), frame.light.x, frame.light.y, frame.light.z);
        if (points.empty())
            continue;
        if (!floor) {
            renderer_.DrawShadowVolume(kShadowTriangleCount, points);
            continue;
        }
        for (const auto& [first, end] : kOutlineSides) {
            const auto side = points.subspan(static_cast<size_t>(first) * 6, static_cast<size_t>(end - first) * 6);
            const FPixelRect rect = ShadowVolumeBounds(side, viewProjection, *floor - 1, width, height);
            if (rect.Empty())
                continue;
            renderer_.SetScissor(&rect);
            renderer_.DrawShadowVolume((end - first) * 2, side);
            shaded = Union(shaded, rect);
            if (rectCount < rects.size())
                rects[rectCount++] = rect;
            else
                rects.back() = Union(rects.back(), rect);
        }
    }
    if (!floor) {
        renderer_.DrawShadowOverlay(kShadowColour);
        shadowArea_ = {0, 0, width, height};
        return;
    }
    shadowArea_ = shaded;
    for (size_t i = 0; i < rectCount; ++i) {
        renderer_.SetScissor(&rects[i]);
        renderer_.DrawShadowOverlay(kShadowColour);
    }
    renderer_.SetScissor(nullptr);
}

void FBookRenderer::Render(const FFrame& frame)
{
    if (!renderer_.HasDevice())
        return;
    if (effect_ && !frame.effect)
        effect_.reset();
    renderer_.SetFillMode(frame.wireframe);
    const uint32_t background = ToArgb(frame.background);
    renderer_.SetAmbient(background);
    renderer_.SetLight(MakeLight(FLightType::Point, frame.light.x, frame.light.y, frame.light.z));
    renderer_.SetView(frame.view);
    renderer_.SetProjection(frame.projection);
    renderer_.SetWorld(frame.world);

    const int32_t target = frame.toRenderTarget ? kRenderTarget : kScreenTarget;
    if (renderer_.BeginTarget(target)) {
        // Clears the stencil too, which the shadows count in.
        renderer_.ClearTarget(background);
        holding_ = !frame.wireframe && !plain_;
        heldCount_ = 0;
        heldPages_.fill(false);

        const bool backgroundDrawn = frame.backgroundTexture && SyncMesh(backgroundMesh_, layout_.Background());
        if (backgroundDrawn)
            Submit({&backgroundMesh_, true, frame.backgroundTexture, false, {1, 1, 1, 1}, FCull::Clockwise, false});
        for (int32_t board = 0; board < 2; ++board) {
            FGlMesh& mesh = coverMeshes_[static_cast<size_t>(board)];
            if (SyncMesh(mesh, layout_.Cover(board)))
                Submit({&mesh,
                        true,
                        frame.coverTexture,
                        false,
                        {frame.cover.red, frame.cover.green, frame.cover.blue, 1},
                        FCull::Clockwise,
                        false});
        }
        for (const FFramePage& item : frame.Pages())
            DrawPage(frame, item);
        DrawHeld();

        shadowArea_ = {};
        if (frame.shadows)
            DrawShadows(frame, backgroundDrawn);
        renderer_.EndTarget(target);
    }
    if (target == kRenderTarget && renderer_.BeginTarget(kScreenTarget)) {
        renderer_.DrawRenderTargetToScreen();
        renderer_.EndTarget(kScreenTarget);
    }
    renderer_.MakeScreenOpaque();
}
