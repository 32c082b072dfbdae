// Menu, popup and accelerator command ids to the book's operations. The main menu
// and a popup send the same id for the same action, so each id has one route.

#include "base/FCommandIds.h"
#include "ui/MsgProc.h"

namespace {

bool InRange(int command, int first, int last)
{
    return command >= first && command <= last;
}

} // namespace

bool OnCommand(FPhotoBookApp& app, int command, uint32_t now)
{
    FAppHost* host = app.host;
    FSettings& s = *app.settings;
    switch (command) {
    case kCmdToggleFullScreen:
        if (host)
            host->ToggleFullScreen();
        return true;
    case kCmdSelectFolder: app.ScanFolder(FString(), s.Sort != 0, now); return true;
    case kCmdSortByName: app.SortBy(false, now); return true;
    case kCmdSortByDate: app.SortBy(true, now); return true;
    case kCmdExportMovie:
        app.GoToFirstPage(now);
        if (host)
            host->ExportMovie();
        return true;
    case kCmdExit:
        if (host)
            host->CloseMainWindow();
        return true;
    case kCmdSlideshow:
        if (host)
            host->StartSlideshow();
        return true;
    case kCmdNextPage:
        if (app.turnState == 0)
            app.NextPage(now);
        return true;
    case kCmdPreviousPage:
        if (app.turnState == 0)
            app.PreviousPage(now);
        return true;
    case kCmdGoToFirstPage: app.GoToFirstPage(now); return true;
    case kCmdGoToLastPage: app.GoToLastPage(); return true;
    case kCmdChangeEffect:
        if (host)
            host->ChangeEffect();
        return true;
    case kCmdRotateClockwise: app.EditSelectedPhoto(FPhotoEdit::RotateClockwise); return true;
    case kCmdRotateCounterClockwise: app.EditSelectedPhoto(FPhotoEdit::RotateCounterClockwise); return true;
    case kCmdFlipHorizontal: app.EditSelectedPhoto(FPhotoEdit::FlipHorizontal); return true;
    case kCmdFlipVertical: app.EditSelectedPhoto(FPhotoEdit::FlipVertical); return true;
    case kCmdCopyPhoto: app.CopySelectedPhoto(); return true;
    case kCmdDeletePhoto: app.DeleteSelectedPhoto(); return true;
    case kCmdSetBackgroundColour: app.ChooseColour(FSurface::Background); return true;
    case kCmdSetCoverColour: app.ChooseColour(FSurface::Cover); return true;
    case kCmdSetPaperColour: app.ChooseColour(FSurface::Paper); return true;
    case kCmdSetBackgroundTexture: app.ChooseTexture(FSurface::Background); return true;
    case kCmdSetCoverTexture: app.ChooseTexture(FSurface::Cover); return true;
    case kCmdSetPaperTexture: app.ChooseTexture(FSurface::Paper); return true;
    case kCmdSetTransparentPaperTexture: app.ChooseTexture(FSurface::TransparentPaper); return true;
    case kCmdShinyPhotos: app.ToggleOption(&FSettings::ShinyPhotos); return true;
    case kCmdShinyPaper: app.ToggleOption(&FSettings::ShinyPaper); return true;
    case kCmdRenderShadows: app.ToggleOption(&FSettings::RenderShadows); return true;
    case kCmdRenderTransparentPage: app.ToggleOption(&FSettings::RenderTransparentPage); return true;
    case kCmdLightenPhotos: app.ToggleOption(&FSettings::LightenPhotos); return true;
    case kCmdSetAnimationSpeed:
        if (host)
            host->SpeedDialog();
        return true;
    case kCmdResetAllSettings: app.ResetAllSettings(now); return true;
    case kCmdSetLanguage: app.ChooseLanguage(); return true;
    case kCmdUserGuide: app.OpenUserGuide(); return true;
    case kCmdAbout:
        if (host)
            host->AboutDialog();
        return true;
    default: break;
    }
    if (InRange(command, kCmdRecentFolderFirst, kCmdRecentFolderLast))
        app.OpenRecentFolder(command - kCmdRecentFolderFirst, now);
    else if (InRange(command, kCmdViewFront, kCmdViewPhotoBottomRight))
        app.SetCameraPreset(static_cast<uint32_t>(command - kCmdViewFront), now);
    else if (InRange(command, kCmdLightLeft, kCmdLightFront))
        app.SetLight(static_cast<FLight>(command - kCmdLightLeft + 1));
    else if (InRange(command, kCmdLowQuality, kCmdHighQuality))
        app.SetQuality(command - kCmdLowQuality);
    else
        return false;
    return true;
}
