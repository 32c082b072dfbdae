// The book's commands, whichever key, click or menu item asks for them. Platform
// work (boxes, choosers, files) goes through the host.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"

namespace {

constexpr uint32_t kFirstPhotoPreset = 4;
constexpr uint32_t kLastPhotoPreset = 7;

int ToByte(float c)
{
    return static_cast<int>(c * 255.0f) & 0xFF;
}

} // namespace

void FPhotoBookApp::SetCameraPreset(uint32_t preset, uint32_t now)
{
    if (camera)
        camera->SetPreset(preset, false, now);
}

void FPhotoBookApp::ShowPhotoView(uint32_t preset, uint32_t now)
{
    SetCameraPreset(preset, now);
    if (transparentTurnState == 0)
        lastFrameTime = now; // the sheet may start to turn now, after a rest
    // The sheet must not lie over the photo the camera goes to.
    if ((preset == 4 || preset == 5) && transparentPosition > 0)
        transparentTurnState = -1;
    else if ((preset == 6 || preset == 7) && transparentPosition == 0)
        transparentTurnState = 1;
}

void FPhotoBookApp::ClickPhoto(int32_t photo, uint32_t preset, uint32_t now)
{
    if (photo < 0 || photo >= photoCount)
        return;
    FinishTurn();
    if (photo == selectedPhoto) {
        selectedPhoto = -1;
        SetCameraPreset(0, now);
        return;
    }
    selectedPhoto = photo;
    if (preset >= kFirstPhotoPreset && preset <= kLastPhotoPreset)
        ShowPhotoView(preset, now);
    else
        SetCameraPreset(preset, now);
}

void FPhotoBookApp::ShowPickPhotoHint()
{
    if (host && locale)
        host->ShowMessage(locale->GetText(48), FMessageIcon::Information);
}

void FPhotoBookApp::EditSelectedPhoto(FPhotoEdit edit)
{
    if (!HasSelectedPhoto()) {
        ShowPickPhotoHint();
        return;
    }
    const auto index = static_cast<size_t>(selectedPhoto);
    const int32_t r = photoRotation[index];
    int32_t code = r;
    switch (edit) {
    case FPhotoEdit::RotateClockwise: code = (r & 12) + ((r & 3) + 1) % 4; break;
    case FPhotoEdit::RotateCounterClockwise: code = (r & 12) + ((r & 3) + 3) % 4; break;
    case FPhotoEdit::FlipHorizontal: code = r ^ 4; break;
    case FPhotoEdit::FlipVertical: code = r ^ 8; break;
    }
    photoRotation[index] = code;
    settings->SetRotation(photoPaths[index], code);
}

void FPhotoBookApp::CopySelectedPhoto()
{
    if (!HasSelectedPhoto()) {
        ShowPickPhotoHint();
        return;
    }
    if (!host)
        return;
    const FString& source = photoPaths[static_cast<size_t>(selectedPhoto)];
    const FString target = host->ShowFileDialog(source, FFileDialogKind::SavePhoto);
    if (!target.IsEmpty())
        host->CopyFileNoOverwrite(source, target);
}

void FPhotoBookApp::DeleteSelectedPhoto()
{
    if (!HasSelectedPhoto()) {
        ShowPickPhotoHint();
        return;
    }
    const FString& path = photoPaths[static_cast<size_t>(selectedPhoto)];
    if (FileExists(path) && host)
        host->DeleteToTrash(path);
    for (FTexture& slot : photoTextures)
        if (slot.Tag == selectedPhoto)
            slot.ReleaseTexture();
}

FTexture& FPhotoBookApp::SurfaceTexture(FSurface surface)
{
    switch (surface) {
    case FSurface::Background: return backgroundTexture;
    case FSurface::Cover: return coverTexture;
    case FSurface::Paper: return paperTexture;
    case FSurface::TransparentPaper: break;
    }
    return transparentPaperTexture;
}

FString& FPhotoBookApp::SurfaceTexturePath(FSurface surface)
{
    switch (surface) {
    case FSurface::Background: return settings->BGTexturePath;
    case FSurface::Cover: return settings->CoverTexturePath;
    case FSurface::Paper: return settings->PaperTexturePath;
    case FSurface::TransparentPaper: break;
    }
    return settings->TPaperTexturePath;
}

void FPhotoBookApp::ChooseColour(FSurface surface)
{
    FColour& colour = surface == FSurface::Background ? settings->BGColour
                      : surface == FSurface::Cover    ? settings->CoverColour
                                                      : settings->PaperColour;
    int r = ToByte(colour.red), g = ToByte(colour.green), b = ToByte(colour.blue);
    if (host && host->ChooseColour(r, g, b))
        colour = {r / 255.0f, g / 255.0f, b / 255.0f};
}

void FPhotoBookApp::ChooseTexture(FSurface surface)
{
    if (!host)
        return;
    FString& settingPath = SurfaceTexturePath(surface);
    FTexture& record = SurfaceTexture(surface);
    settingPath = host->ShowFileDialog(settingPath, FFileDialogKind::Photo);
    record.ReleaseTexture();
    if (textureLoader)
        record.Load(*textureLoader, settingPath, -1, settings->Quality);
}

void FPhotoBookApp::ToggleOption(bool FSettings::*option)
{
    settings.get()->*option = !(settings.get()->*option);
    if (host)
        host->RefreshMenus();
}

void FPhotoBookApp::SetQuality(int quality)
{
    settings->Quality = quality;
    for (FTexture& slot : photoTextures) {
        slot.ReleaseTexture();
        slot.Failed = false;
    }
    photoFailures.clear();
    RestartPhotoStream();
    if (host)
        host->RefreshMenus();
}

void FPhotoBookApp::ResetAllSettings(uint32_t now)
{
    settings->SettingsReset();
    if (host)
        host->RefreshMenus();
    for (FSurface surface : {FSurface::Background, FSurface::Paper, FSurface::TransparentPaper}) {
        FTexture& record = SurfaceTexture(surface);
        record.Clear();
        if (textureLoader)
            record.Load(*textureLoader, SurfaceTexturePath(surface), -1, settings->Quality);
    }
    coverTexture.Clear();
    SetCameraPreset(0, now);
    effectPath = FString();
}

void FPhotoBookApp::ChooseLanguage()
{
    if (!host)
        return;
    const FString chosen = host->ShowFileDialog(settings->Locale.DirectoryPart(), FFileDialogKind::Locale);
    if (chosen.IsEmpty() || !locale->LocaleLoad(chosen))
        return;
    settings->Locale = chosen;
    host->RefreshMenus();
    host->InvalidateWindow();
    host->ShowMessage(locale->GetText(70), FMessageIcon::None);
}

void FPhotoBookApp::OpenUserGuide()
{
    if (host)
        host->OpenDocument(
            settings->Environment().programDirectory.Concat(FString(u"/media/WWW/QuilloPhotoBookManual.html")));
}
