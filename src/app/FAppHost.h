#pragma once
// What the book asks of the desktop around it: choosers, boxes, menus, dialogs,
// files and the window. The Qt shell implements it; tests answer for the user.

#include "base/FString.h"

enum class FFileDialogKind
{
    Photo,
    SavePhoto,
    Locale,
    Effect,
    Movie,
};

// Context menus: Photo (0), Paper (1), Cover (2), Background (3).
enum class PopupKind
{
    Photo = 0,
    Paper = 1,
    Cover = 2,
    Background = 3,
};

enum class FMessageIcon
{
    None,
    Information,
    Warning,
    Error,
};

class FAppHost
{
public:
    virtual ~FAppHost() = default;
    // The chosen full path, or empty when the user cancels.
    virtual FString ShowFileDialog(const FString& path, FFileDialogKind kind) = 0;
    virtual void RefreshMenus() = 0;

    // Everything below has a do-nothing default, so a test host answers only what
    // it is asked about.

    // A box only while windowed; 0 in full screen.
    virtual int ShowMessage(const FString& text, FMessageIcon icon) { return 0; }
    // A context menu at client (x, y); the chosen command comes back as a message.
    virtual void ShowPopupMenu(int x, int y, PopupKind kind) {}
    virtual bool IsWindowed() const { return true; }
    virtual void ToggleFullScreen() {}
    virtual void CloseMainWindow() {}
    virtual void InvalidateWindow() {}
    virtual int ClientWidth() const { return 800; }
    virtual int ClientHeight() const { return 600; }
    // Colour chooser on 0..255 channels; false when cancelled.
    virtual bool ChooseColour(int& red, int& green, int& blue) { return false; }
    // Copies without ever replacing an existing file.
    virtual bool CopyFileNoOverwrite(const FString& from, const FString& to) { return false; }
    // Asks, then moves the file to the desktop's trash; false when refused or failed.
    virtual bool DeleteToTrash(const FString& path) { return false; }
    virtual void SpeedDialog() {}
    virtual void AboutDialog() {}
    virtual void OpenDocument(const FString& path) {}
    // "Change Effect...": the effect lives on the device, so the host runs the
    // whole command (check, chooser, compile, message).
    virtual void ChangeEffect() {}
    // "Export as Movie...": its dialogs and the export run, after the book went
    // back to its first spread.
    virtual void ExportMovie() {}
    // "Slideshow": the movie's script played in the window, from the open spread.
    virtual void StartSlideshow() {}
    // Ends a slideshow, leaving the book where it stands; false when none played.
    virtual bool StopSlideshow() { return false; }
};
