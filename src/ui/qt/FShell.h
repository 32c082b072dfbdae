#pragma once
// The desktop around the book: start-up in the order the book needs it, the Qt
// host's callbacks forwarded to the application record, and every service the
// book asks of the desktop (boxes, choosers, menus, dialogs, files).

#include "app/FPhotoBookApp.h"

#include <memory>

class FQtFramework;
class FQtMenuBar;
class FShellImpl;

class FShell
{
public:
    explicit FShell(FPhotoBookApp& app);
    ~FShell();

    // Everything up to the main loop. False when start-up failed; ExitCode() says why.
    // openPath: a photo or folder to open instead of the folder shown last; when it
    // cannot be opened the user is told, and the last folder opens.
    bool Start(const FSettingsEnvironment* environment = nullptr, const FString& openPath = FString());
    // Runs until the window closes; returns the exit code.
    int Run();
    int ExitCode() const;
    FQtFramework& Framework();
    FQtMenuBar* Menus();

private:
    std::unique_ptr<FShellImpl> impl_;
};
