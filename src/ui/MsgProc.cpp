// Keys and clicks to book operations. Commands have their own routing table.

#include "ui/MsgProc.h"

#include "base/FCommandIds.h"

bool OnClick(FPhotoBookApp& app, const FMessage& message, uint32_t now)
{
    const FPickHit hit = app.Pick(static_cast<float>(message.x), static_cast<float>(message.y));
    if (!hit.hit)
        return true;
    if (message.kind == FMessageKind::LeftButtonDown) {
        if (hit.result == kPickLeftPage)
            app.PreviousPage(now);
        else if (hit.result == kPickRightPage)
            app.NextPage(now);
        else if (hit.result >= 0)
            app.ClickPhoto(hit.result, hit.preset, now);
        return true;
    }
    FAppHost* host = app.host;
    if (!host)
        return true;
    if (hit.result == kPickBackground) {
        host->ShowPopupMenu(message.x, message.y, PopupKind::Background);
    } else if (hit.result == kPickCover) {
        host->ShowPopupMenu(message.x, message.y, PopupKind::Cover);
    } else if (hit.result == kPickLeftPage || hit.result == kPickRightPage) {
        host->ShowPopupMenu(message.x, message.y, PopupKind::Paper);
    } else if (hit.result >= 0) {
        app.selectedPhoto = hit.result;
        if (app.HasSelectedPhoto())
            host->ShowPopupMenu(message.x, message.y, PopupKind::Photo);
    }
    return true;
}

bool OnKeyDown(FPhotoBookApp& app, FKey key, uint32_t now)
{
    FCamera& camera = *app.camera;
    switch (key) {
    case FKey::Escape:
        if (app.host) {
            if (app.host->IsWindowed())
                app.host->CloseMainWindow();
            else
                app.host->ToggleFullScreen();
        }
        return true;
    case FKey::Backspace:
    case FKey::PageUp:
    case FKey::Left:
    case FKey::Up: app.PreviousPage(now); break;
    case FKey::Enter:
    case FKey::Space:
    case FKey::PageDown:
    case FKey::Right:
    case FKey::Down: app.NextPage(now); break;
    case FKey::W: camera.MoveForward(1); break;
    case FKey::S: camera.MoveForward(-1); break;
    case FKey::D: camera.MoveSideways(1); break;
    case FKey::A: camera.MoveSideways(-1); break;
    case FKey::Numpad4: camera.TurnYaw(-1); break;
    case FKey::Numpad6: camera.TurnYaw(1); break;
    case FKey::Numpad8: camera.TurnPitch(-1); break;
    case FKey::Numpad2: camera.TurnPitch(1); break;
    case FKey::NumpadAdd: camera.ChangeFieldOfView(-1); break;
    case FKey::NumpadSubtract: camera.ChangeFieldOfView(1); break;
    case FKey::Tab: app.wireframe = !app.wireframe; break;
    case FKey::F1: app.SetCameraPreset(0, now); break;
    case FKey::F2: app.SetCameraPreset(1, now); break;
    case FKey::F3: app.SetCameraPreset(2, now); break;
    case FKey::F4: app.SetCameraPreset(3, now); break;
    case FKey::F5: app.ShowPhotoView(4, now); break;
    case FKey::F6: app.ShowPhotoView(5, now); break;
    case FKey::F7: app.ShowPhotoView(6, now); break;
    case FKey::F8: app.ShowPhotoView(7, now); break;
    case FKey::F9: app.SetCameraPreset(8, now); break;
    case FKey::F11: app.SetCameraPreset(9, now); break;
    case FKey::Digit1: app.SetLight(FLight::Left); break;
    case FKey::Digit2: app.SetLight(FLight::Right); break;
    case FKey::Digit3: app.SetLight(FLight::Top); break;
    case FKey::Digit4: app.SetLight(FLight::Front); break;
    case FKey::B: app.GoToFirstPage(now); break;
    case FKey::F12:
        if (app.host)
            app.host->StartSlideshow();
        break;
    default: break;
    }
    return false;
}

bool MsgProc(FPhotoBookApp& app, const FMessage& message, uint32_t now)
{
    if (!app.IsInitialised())
        return false;
    // A playing slideshow ends at the first key or click, which does nothing more
    // (the key that starts it stops it too); a command, such as opening a folder,
    // ends it and then runs.
    if (message.kind != FMessageKind::Paint && app.host && app.host->StopSlideshow()) {
        const bool goesOn = message.kind == FMessageKind::Close ||
                            (message.kind == FMessageKind::Command && message.command != kCmdSlideshow);
        if (!goesOn)
            return true;
    }
    switch (message.kind) {
    case FMessageKind::Paint: return true;
    case FMessageKind::LeftButtonDown:
    case FMessageKind::RightButtonDown: return OnClick(app, message, now);
    case FMessageKind::LeftButtonDoubleClick: return false; // the first press did the work
    case FMessageKind::Close: return false;
    case FMessageKind::KeyDown: return OnKeyDown(app, message.key, now);
    case FMessageKind::Command: return OnCommand(app, message.command, now);
    }
    return false;
}
