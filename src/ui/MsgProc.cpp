// The application's message routine: clicks, keys and commands become book
// operations. Platform work (boxes, choosers, menus, files) goes through the host.

#include "app/FPhotoBookApp.h"
#include "app/Lights.h"
#include "base/FFile.h"
#include "render/MeshPicking.h"
#include "ui/FCommandIds.h"
#include "ui/FMenuModel.h"

#include <cmath>

namespace {

const FGridMesh* PaperMesh(const std::unique_ptr<FPage>& page)
{
    return page && page->pageMesh ? &*page->pageMesh : nullptr;
}

// Slot 0 of a page holds its first (even, upper) photo, slot 1 the second.
const FGridMesh* PhotoMesh(const std::unique_ptr<FPage>& page, int slot)
{
    if (!page)
        return nullptr;
    const auto& mesh = page->photoSlot[static_cast<size_t>(slot)].photoMesh;
    return mesh ? &*mesh : nullptr;
}

int ToByte(float c)
{
    return static_cast<int>(c * 255.0f) & 0xFF;
}

} // namespace

FPickHit FPhotoBookApp::Pick(float x, float y) const
{
    const float width = host ? static_cast<float>(host->ClientWidth()) : 0.0f;
    const float height = host ? static_cast<float>(host->ClientHeight()) : 0.0f;
    auto hits = [&](const FGridMesh* mesh) {
        return PickMesh(mesh, x, y, width, height, worldMatrix, viewMatrix, projectionMatrix) >= 0.0f;
    };
    const int32_t p = pageIndex;
    const auto& left = pages[0];
    const auto& turningRight = pages[1];
    const auto& turningLeft = pages[2];
    const auto& right = pages[3];

    if (turnState < 0) {
        if (hits(PhotoMesh(turningRight, 0)))
            return {true, 2 * p - 2, 6};
        if (hits(PhotoMesh(turningRight, 1)))
            return {true, 2 * p - 1, 7};
    }
    if (turnState > 0) {
        if (hits(PhotoMesh(turningLeft, 0)))
            return {true, 2 * p + 2, 4};
        if (hits(PhotoMesh(turningLeft, 1)))
            return {true, 2 * p + 3, 5};
    }
    if (turnState != 0 && hits(PaperMesh(turningRight)))
        return {true, kPickTurningPage, 0};
    // The static pages show the spreads a turn uncovers.
    if (hits(PhotoMesh(left, 0)))
        return {true, turnState < 0 ? 2 * p - 6 : 2 * p - 2, 4};
    if (hits(PhotoMesh(left, 1)))
        return {true, turnState < 0 ? 2 * p - 5 : 2 * p - 1, 5};
    if (hits(PhotoMesh(right, 0)))
        return {true, turnState > 0 ? 2 * p + 4 : 2 * p, 6};
    if (hits(PhotoMesh(right, 1)))
        return {true, turnState > 0 ? 2 * p + 5 : 2 * p + 1, 7};
    if (hits(PaperMesh(left)))
        return {true, kPickLeftPage, 0};
    if (hits(PaperMesh(right)))
        return {true, kPickRightPage, 0};
    for (const auto& cover : coverMeshes)
        if (cover && hits(&*cover))
            return {true, kPickCover, 0};
    if (backgroundMesh && hits(&*backgroundMesh))
        return {true, kPickBackground, 0};
    return {};
}

namespace {

bool IsCommand(int command, int first, int last)
{
    return command >= first && command <= last;
}

} // namespace

bool FPhotoBookApp::MsgProc(const FMessage& message, uint32_t now)
{
    auto selected = [this] { return selectedPhoto >= 0 && selectedPhoto < photoCount; };
    auto hint = [this] {
        if (host)
            host->ShowMessage(locale->GetText(48), FMessageIcon::Information);
    };
    auto photoPreset = [this, now](uint32_t preset) {
        camera->SetPreset(preset, false, now);
        if ((preset == 4 || preset == 5) && transparentPosition > 0)
            transparentTurnState = -1;
        else if ((preset == 6 || preset == 7) && transparentPosition == 0)
            transparentTurnState = 1;
    };
    auto setRotation = [this](int32_t code) {
        photoRotation[static_cast<size_t>(selectedPhoto)] = code;
        settings->SetRotation(photoPaths[static_cast<size_t>(selectedPhoto)], code);
    };
    auto chooseColour = [this](FColour& colour) {
        int r = ToByte(colour.red), g = ToByte(colour.green), b = ToByte(colour.blue);
        if (host && host->ChooseColour(r, g, b))
            colour = {r / 255.0f, g / 255.0f, b / 255.0f};
    };
    auto chooseTexture = [this](FString& settingPath, FTexture& record) {
        if (!host)
            return;
        settingPath = host->ShowFileDialog(settingPath, FFileDialogKind::Photo);
        record.ReleaseTexture();
        if (textureLoader)
            record.Load(*textureLoader, settingPath, -1, settings->Quality);
    };
    auto reloadDecoration = [this](FTexture& record, const FString& path) {
        record.Clear();
        if (textureLoader)
            record.Load(*textureLoader, path, -1, settings->Quality);
    };

    switch (message.kind) {
    case FMessageKind::Paint:
        return true;

    case FMessageKind::RightButtonDown: {
        const FPickHit hit = Pick(static_cast<float>(message.x), static_cast<float>(message.y));
        if (!hit.hit || !host)
            return true;
        if (hit.result == kPickBackground)
            host->ShowPopupMenu(message.x, message.y, PopupKind::Background);
        else if (hit.result == kPickCover)
            host->ShowPopupMenu(message.x, message.y, PopupKind::Cover);
        else if (hit.result == kPickLeftPage || hit.result == kPickRightPage)
            host->ShowPopupMenu(message.x, message.y, PopupKind::Paper);
        else if (hit.result >= 0) {
            selectedPhoto = hit.result;
            if (selected())
                host->ShowPopupMenu(message.x, message.y, PopupKind::Photo);
        }
        return true;
    }

    case FMessageKind::LeftButtonDown: {
        const FPickHit hit = Pick(static_cast<float>(message.x), static_cast<float>(message.y));
        if (!hit.hit)
            return true;
        if (hit.result == kPickLeftPage) {
            PreviousPage(now);
        } else if (hit.result == kPickRightPage) {
            NextPage(now);
        } else if (hit.result >= 0 && hit.result < photoCount) {
            FinishTurn();
            if (hit.result == selectedPhoto) {
                selectedPhoto = -1;
                camera->SetPreset(0, false, now);
            } else {
                if ((hit.preset == 4 || hit.preset == 5) && transparentPosition > 0)
                    transparentTurnState = -1;
                if ((hit.preset == 6 || hit.preset == 7) && transparentPosition == 0)
                    transparentTurnState = 1;
                selectedPhoto = hit.result;
                camera->SetPreset(hit.preset, false, now);
            }
        }
        return true;
    }

    case FMessageKind::Close:
        return false;

    case FMessageKind::KeyDown:
        switch (message.key) {
        case FKey::Escape:
            if (host) {
                if (host->IsWindowed())
                    host->CloseMainWindow();
                else
                    host->ToggleFullScreen();
            }
            return true;
        case FKey::Backspace:
        case FKey::PageUp:
        case FKey::Left:
        case FKey::Up: PreviousPage(now); break;
        case FKey::Enter:
        case FKey::Space:
        case FKey::PageDown:
        case FKey::Right:
        case FKey::Down: NextPage(now); break;
        case FKey::W: camera->MoveForward(1); break;
        case FKey::S: camera->MoveForward(-1); break;
        case FKey::D: camera->MoveSideways(1); break;
        case FKey::A: camera->MoveSideways(-1); break;
        case FKey::Numpad4: camera->TurnYaw(-1); break;
        case FKey::Numpad6: camera->TurnYaw(1); break;
        case FKey::Numpad8: camera->TurnPitch(-1); break;
        case FKey::Numpad2: camera->TurnPitch(1); break;
        case FKey::NumpadAdd: camera->ChangeFieldOfView(-1); break;
        case FKey::NumpadSubtract: camera->ChangeFieldOfView(1); break;
        case FKey::Tab: wireframe = !wireframe; break;
        case FKey::F1: camera->SetPreset(0, false, now); break;
        case FKey::F2: camera->SetPreset(1, false, now); break;
        case FKey::F3: camera->SetPreset(2, false, now); break;
        case FKey::F4: camera->SetPreset(3, false, now); break;
        case FKey::F5: photoPreset(4); break;
        case FKey::F6: photoPreset(5); break;
        case FKey::F7: photoPreset(6); break;
        case FKey::F8: photoPreset(7); break;
        case FKey::F9: camera->SetPreset(8, false, now); break;
        case FKey::F11: camera->SetPreset(9, false, now); break;
        case FKey::Digit1: lightPosition = LightPosition(FLight::Left); break;
        case FKey::Digit2: lightPosition = LightPosition(FLight::Right); break;
        case FKey::Digit3: lightPosition = LightPosition(FLight::Top); break;
        case FKey::Digit4: lightPosition = LightPosition(FLight::Front); break;
        case FKey::B: GoToFirstPage(now); break;
        default: break;
        }
        return false;

    case FMessageKind::Command:
        break;
    }

    const int command = message.command;
    const bool sortByDate = settings->Sort != 0;
    if (command == kCmdToggleFullScreen) {
        if (host)
            host->ToggleFullScreen();
    } else if (command == kCmdSelectFolder) {
        ScanFolder(FString(), sortByDate, now);
    } else if (IsCommand(command, kCmdRecentFolderFirst, kCmdRecentFolderLast)) {
        ScanFolder(settings->GetRecentPath(command - kCmdRecentFolderFirst), sortByDate, now);
    } else if (command == kCmdSortByName || command == kCmdSortByDate) {
        settings->Sort = command == kCmdSortByDate ? 1 : 0;
        if (host)
            host->RefreshMenus();
        ScanFolder(photoPaths[0], settings->Sort != 0, now);
    } else if (command == kCmdExportMovie) {
        GoToFirstPage(now);
        if (host)
            host->ExportMovie();
    } else if (command == kCmdExit) {
        if (host)
            host->CloseMainWindow();
    } else if (command == kCmdNextPage) {
        if (turnState == 0)
            NextPage(now);
    } else if (command == kCmdPreviousPage) {
        if (turnState == 0)
            PreviousPage(now);
    } else if (command == kCmdGoToFirstPage) {
        GoToFirstPage(now);
    } else if (command == kCmdGoToLastPage) {
        GoToLastPage();
    } else if (command == kCmdChangeEffect) {
        if (host)
            host->ChangeEffect();
    } else if (command == kCmdRotateClockwise || command == kCmdRotateCounterClockwise ||
               command == kCmdFlipHorizontal || command == kCmdFlipVertical) {
        if (!selected()) {
            hint();
            return true;
        }
        const int32_t r = photoRotation[static_cast<size_t>(selectedPhoto)];
        if (command == kCmdRotateClockwise)
            setRotation((r & 12) + ((r & 3) + 1) % 4);
        else if (command == kCmdRotateCounterClockwise)
            setRotation((r & 12) + ((r & 3) + 3) % 4);
        else if (command == kCmdFlipHorizontal)
            setRotation(r ^ 4);
        else
            setRotation(r ^ 8);
    } else if (command == kCmdCopyPhoto) {
        if (!selected()) {
            hint();
            return true;
        }
        const FString& source = photoPaths[static_cast<size_t>(selectedPhoto)];
        const FString target = host->ShowFileDialog(source, FFileDialogKind::SavePhoto);
        if (!target.IsEmpty())
            host->CopyFileNoOverwrite(source, target);
    } else if (command == kCmdDeletePhoto) {
        if (!selected()) {
            hint();
            return true;
        }
        const FString& path = photoPaths[static_cast<size_t>(selectedPhoto)];
        if (FileExists(path) && host)
            host->DeleteToTrash(path);
        for (FTexture& slot : photoTextures) {
            if (slot.Tag == selectedPhoto) {
                slot.ReleaseTexture();
            }
        }
    } else if (IsCommand(command, kCmdViewFront, kCmdViewPhotoBottomRight)) {
        camera->SetPreset(static_cast<uint32_t>(command - kCmdViewFront), false, now);
    } else if (IsCommand(command, kCmdLightLeft, kCmdLightFront)) {
        lightPosition = LightPosition(static_cast<FLight>(command - kCmdLightLeft + 1));
    } else if (command == kCmdSetBackgroundColour) {
        chooseColour(settings->BGColour);
    } else if (command == kCmdSetCoverColour) {
        chooseColour(settings->CoverColour);
    } else if (command == kCmdSetPaperColour) {
        chooseColour(settings->PaperColour);
    } else if (command == kCmdSetBackgroundTexture) {
        chooseTexture(settings->BGTexturePath, backgroundTexture);
    } else if (command == kCmdSetCoverTexture) {
        chooseTexture(settings->CoverTexturePath, coverTexture);
    } else if (command == kCmdSetPaperTexture) {
        chooseTexture(settings->PaperTexturePath, paperTexture);
    } else if (command == kCmdSetTransparentPaperTexture) {
        chooseTexture(settings->TPaperTexturePath, transparentPaperTexture);
    } else if (command == kCmdShinyPhotos) {
        settings->ShinyPhotos = !settings->ShinyPhotos;
        if (host)
            host->RefreshMenus();
    } else if (command == kCmdShinyPaper) {
        settings->ShinyPaper = !settings->ShinyPaper;
        if (host)
            host->RefreshMenus();
    } else if (command == kCmdRenderShadows) {
        settings->RenderShadows = !settings->RenderShadows;
        if (host)
            host->RefreshMenus();
    } else if (command == kCmdRenderTransparentPage) {
        settings->RenderTransparentPage = !settings->RenderTransparentPage;
        if (host)
            host->RefreshMenus();
    } else if (command == kCmdLightenPhotos) {
        settings->LightenPhotos = !settings->LightenPhotos;
        if (host)
            host->RefreshMenus();
    } else if (IsCommand(command, kCmdLowQuality, kCmdHighQuality)) {
        settings->Quality = command - kCmdLowQuality;
        for (FTexture& slot : photoTextures)
            slot.ReleaseTexture();
        if (host)
            host->RefreshMenus();
    } else if (command == kCmdSetAnimationSpeed) {
        if (host)
            host->SpeedDialog();
    } else if (command == kCmdResetAllSettings) {
        settings->SettingsReset();
        if (host)
            host->RefreshMenus();
        reloadDecoration(backgroundTexture, settings->BGTexturePath);
        reloadDecoration(paperTexture, settings->PaperTexturePath);
        reloadDecoration(transparentPaperTexture, settings->TPaperTexturePath);
        coverTexture.Clear();
        camera->SetPreset(0, false, now);
        effectPath = FString();
    } else if (command == kCmdSetLanguage) {
        if (!host)
            return true;
        const FString chosen = host->ShowFileDialog(settings->Locale.DirectoryPart(), FFileDialogKind::Locale);
        if (chosen.IsEmpty() || !locale->LocaleLoad(chosen))
            return true;
        settings->Locale = chosen;
        host->RefreshMenus();
        host->InvalidateWindow();
        host->ShowMessage(locale->GetText(70), FMessageIcon::None);
    } else if (command == kCmdUserGuide) {
        if (host)
            host->OpenDocument(settings->Environment().programDirectory.Concat(
                FString(u"/media/WWW/QuilloPhotoBookManual.html")));
    } else if (command == kCmdAbout) {
        if (host)
            host->AboutDialog();
    } else {
        return false;
    }
    return true;
}
