// What a frame shows: the page objects in drawing order with the photo records
// each face carries in every turn state, the shadow casters and where the
// transparent sheet lies. Kept apart from any device so it can be checked alone.

#include "app/FPhotoBookApp.h"
#include "render/EffectFile.h"

FFrame FPhotoBookApp::DescribeFrame(int clientWidth, int clientHeight) const
{
    FFrame frame;
    if (!settings || !camera)
        return frame;
    const FSettings& s = *settings;
    frame.toRenderTarget = exporting == 1;
    frame.wireframe = wireframe;
    frame.light = lightPosition;
    frame.eye = {camera->current.eyeX, camera->current.eyeY, camera->current.eyeZ};
    frame.view = camera->ViewMatrix();
    const float aspect = clientHeight > 0 ? static_cast<float>(clientWidth) / static_cast<float>(clientHeight) : 1.0f;
    frame.projection = camera->ProjectionMatrix(aspect * aspectFactor);
    frame.world = FMatrix::Identity();

    frame.background = s.BGColour;
    frame.cover = s.CoverColour;
    frame.paper = s.PaperColour;
    frame.shinyPaper = s.ShinyPaper;
    frame.shinyPhotos = s.ShinyPhotos;
    frame.lightenPhotos = s.LightenPhotos;
    // "Reset All Settings" forgets the path; the effect goes with it.
    frame.effect = !effectPath.IsEmpty();
    frame.backgroundTexture = backgroundTexture.Texture.get();
    frame.coverTexture = coverTexture.Texture.get();
    frame.paperTexture = paperTexture.Texture.get();
    frame.transparentPaperTexture = transparentPaperTexture.Texture.get();

    auto photo = [&](int slot) {
        const FTexture& record = photoTextures[static_cast<size_t>(slot)];
        FFramePhoto p;
        p.texture = record.Texture.get();
        p.width = record.Width;
        p.height = record.Height;
        p.index = record.Tag;
        p.rotation = record.Tag >= 0 && record.Tag < photoCount ? photoRotation[static_cast<size_t>(record.Tag)] : 0;
        // In a movie each photo's effect starts when the camera arrives at it.
        p.effectTime =
            exporting == 1 ? PhotoEffectTime(record.Tag, effectTime, s.TimePage, s.TimeZoom, s.TimeView) : effectTime;
        return p;
    };
    const int32_t direction = transparentTurnState != 0 ? transparentTurnState : turnState;
    auto add = [&](int32_t page, float position, int first) {
        FFramePage& draw = frame.pages[static_cast<size_t>(frame.pageCount++)];
        draw.page = page;
        draw.position = position;
        draw.direction = direction;
        if (first >= 0)
            draw.photos = {photo(first), photo(first + 1)};
    };
    const bool sheet = s.RenderTransparentPage;
    frame.transparentPosition = transparentPosition;
    if (turnState == 0) {
        add(kLeftPage, TurnEnd, 4);
        add(kRightPage, 0, 6);
        if (sheet)
            add(kTransparentPage, transparentPosition, -1);
    } else {
        // A forward turn uncovers the next spread on the right and lays the sheet
        // over it; a backward turn uncovers the previous one on the left.
        const bool forward = turnState > 0;
        add(kLeftPage, TurnEnd, forward ? 0 : 4);
        add(kRightPage, 0, forward ? 6 : 10);
        if (sheet) {
            add(kTransparentPage, TurnEnd, -1);
            add(kTransparentPage, 0, -1);
            frame.transparentPosition = forward ? 0.0f : TurnEnd;
        }
        add(kTurningPageFront, turnPosition, forward ? 2 : 6);
        add(kTurningPageBack, turnPosition, forward ? 4 : 8);
    }

    frame.shadows = s.RenderShadows;
    if (frame.shadows) {
        auto cast = [&](int32_t page) { frame.shadowCasters[static_cast<size_t>(frame.shadowCasterCount++)] = page; };
        cast(kLeftPage);
        if (turnState != 0)
            cast(kTurningPageFront);
        cast(kRightPage);
        if (sheet && transparentTurnState != 0)
            cast(kTransparentPage);
    }
    return frame;
}

FFrame FPhotoBookApp::BeginFrame(int clientWidth, int clientHeight, uint32_t now)
{
    if (!settings || !camera)
        return FFrame();
    if (exporting == 0) {
        effectTime = static_cast<float>(now) * 0.001f;
        clientLongSide_ = std::max(clientWidth, clientHeight);
    }
    camera->UpdateTransition(now, settings->TimeZoom);
    const FFrame frame = DescribeFrame(clientWidth, clientHeight);
    transparentPosition = frame.transparentPosition;
    ++framesRendered;
    return frame;
}
