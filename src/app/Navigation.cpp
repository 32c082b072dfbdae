// Page state of the book: the clock, the page and transparent-page turns, and
// the moves of the photo texture window that go with them.

#include "app/FPhotoBookApp.h"
#include "app/PageText.h"

#include <algorithm>

namespace {

constexpr uint32_t kFirstPhotoPreset = 4;
constexpr uint32_t kLastPhotoPreset = 7;

} // namespace

FString PageText(int32_t pageIndex, int32_t photoCount, const FLocale& locale)
{
    const FString blank(u" ");
    FString text = locale.GetText(52);
    text.Append(blank).Append(FString::FromInt(pageIndex / 2 + 1)).Append(blank);
    text.Append(locale.GetText(53)).Append(blank).Append(FString::FromInt(SpreadCount(photoCount)));
    return text;
}

int32_t FPhotoBookApp::LastPageIndex() const
{
    return SpreadCount(photoCount) * 2 - 2;
}

void FPhotoBookApp::FrameMove(uint32_t now)
{
    // A stalled or backwards clock must neither jump a turn nor stop it.
    float delta = static_cast<float>(static_cast<int32_t>(now - lastFrameTime));
    delta = std::clamp(delta, 1.0f, 100.0f);
    lastFrameTime = now;
    const float duration = static_cast<float>(std::clamp(settings->TimePage, 1, 20) * 1000);
    const float step = TurnEnd * delta / duration;

    if (transparentTurnState > 0) {
        transparentPosition += step;
        if (transparentPosition >= TurnEnd) {
            transparentPosition = TurnEnd;
            transparentTurnState = 0;
        }
    } else if (transparentTurnState < 0) {
        transparentPosition -= step;
        if (transparentPosition <= 0) {
            transparentPosition = 0;
            transparentTurnState = 0;
        }
    } else if (turnState > 0) {
        turnPosition += step;
        if (turnPosition > TurnEnd) {
            turnPosition = TurnEnd;
            pageIndex += 2;
            turnState = 0;
        }
    } else if (turnState < 0) {
        turnPosition -= step;
        if (turnPosition < 0) {
            pageIndex -= 2;
            turnPosition = 0;
            turnState = 0;
        }
    }
    StreamForFrame();
}

void FPhotoBookApp::ScriptedFrameMove(uint32_t now)
{
    lastFrameTime = now;
    StreamForFrame();
}

void FPhotoBookApp::StreamForFrame()
{
    if (framesRendered == 0 && !DecodesApart()) {
        // The first frame shows the book at once; photos loaded on this thread start
        // with the next. Decodes on the workers can start now.
        streamProgress_ = ArePhotoTexturesPending();
        return;
    }
    // Decoded elsewhere, a photo costs a moving frame only its upload, and the
    // slots a turn exposes fill while it turns.
    const bool still = turnState == 0 && transparentTurnState == 0 && camera && !camera->InTransition();
    if (still || (photoStream && streamLoader_ == textureLoader))
        StreamPhotoTextures(false);
}

void FPhotoBookApp::FinishTurn()
{
    if (transparentTurnState > 0) {
        transparentPosition = TurnEnd;
        transparentTurnState = 0;
    } else if (transparentTurnState < 0) {
        transparentTurnState = 0;
        transparentPosition = 0;
    } else if (turnState > 0) {
        turnPosition = TurnEnd;
        pageIndex += 2;
        turnState = 0;
    } else if (turnState < 0) {
        pageIndex -= 2;
        turnPosition = 0;
        turnState = 0;
    }
}

void FPhotoBookApp::NextPage(uint32_t now)
{
    if (transparentTurnState != 0 || turnState != 0) {
        FinishTurn();
        if (transparentTurnState != 0 || turnState != 0)
            return;
    }
    // A turn starts from the key: a book that rested draws no frames, and the
    // first one must not count the whole rest as time turned.
    lastFrameTime = now;
    if (settings->RenderTransparentPage && transparentPosition == 0.0f) {
        transparentTurnState = 1;
        return;
    }
    if (pageIndex == LastPageIndex())
        return;
    for (int i = 0; i < 4; ++i)
        photoTextures[static_cast<size_t>(i)].Clear();
    for (int i = 4; i < kPhotoSlotCount; ++i)
        photoTextures[static_cast<size_t>(i - 4)] = photoTextures[static_cast<size_t>(i)];
    for (int i = 8; i < kPhotoSlotCount; ++i)
        photoTextures[static_cast<size_t>(i)].Clear();
    turnPosition = 0;
    turnState = 1;
    selectedPhoto = -1;
    if (camera && camera->presetIndex >= kFirstPhotoPreset && camera->presetIndex <= kLastPhotoPreset)
        camera->SetPreset(0, false, now);
}

void FPhotoBookApp::PreviousPage(uint32_t now)
{
    if (transparentTurnState != 0 || turnState != 0) {
        FinishTurn();
        if (transparentTurnState != 0 || turnState != 0)
            return;
    }
    lastFrameTime = now;
    if (settings->RenderTransparentPage && transparentPosition == TurnEnd) {
        transparentTurnState = -1;
        return;
    }
    if (pageIndex <= 0)
        return;
    for (int i = 8; i < kPhotoSlotCount; ++i)
        photoTextures[static_cast<size_t>(i)].Clear();
    for (int i = kPhotoSlotCount - 1; i >= 4; --i)
        photoTextures[static_cast<size_t>(i)] = photoTextures[static_cast<size_t>(i - 4)];
    for (int i = 0; i < 4; ++i)
        photoTextures[static_cast<size_t>(i)].Clear();
    turnPosition = TurnEnd;
    turnState = -1;
    selectedPhoto = -1;
    if (camera && camera->presetIndex >= kFirstPhotoPreset && camera->presetIndex <= kLastPhotoPreset)
        camera->SetPreset(0, false, now);
}

void FPhotoBookApp::GoToFirstPage(uint32_t now)
{
    turnPosition = 0;
    pageIndex = 0;
    turnState = 0;
    transparentTurnState = 0;
    transparentPosition = TurnEnd;
    for (FTexture& slot : photoTextures)
        slot.Clear();
    if (camera)
        camera->SetPreset(0, true, now);
}

void FPhotoBookApp::GoToLastPage()
{
    if (turnState != 0)
        return;
    pageIndex = LastPageIndex();
    for (FTexture& slot : photoTextures)
        slot.Clear();
}

void FPhotoBookApp::StartExportPageTurn(uint32_t now)
{
    turnPosition = 0;
    turnState = 0;
    transparentTurnState = 0;
    // Lying on the left, the transparent sheet does not make NextPage turn it instead.
    transparentPosition = TurnEnd;
    NextPage(now);
}

void FPhotoBookApp::StartExportSheetTurn()
{
    turnPosition = 0;
    transparentPosition = 0;
    turnState = 0;
    transparentTurnState = 1;
}

void FPhotoBookApp::RestForExport(bool sheetOnLeft)
{
    turnPosition = 0;
    turnState = 0;
    transparentTurnState = 0;
    transparentPosition = sheetOnLeft ? TurnEnd : 0.0f;
}

void FPhotoBookApp::EndExportPageTurn(bool loadPhotos)
{
    pageIndex += 2;
    turnState = 0; // the slots already match the new spread
    if (loadPhotos)
        StreamPhotoTextures(true);
}
