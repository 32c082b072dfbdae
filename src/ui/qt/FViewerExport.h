#pragma once
// "Export as Movie..." in the viewer: the dialogs, then the export itself, with
// every frame shown in the window and Escape to abort.

#include "app/FPhotoBookApp.h"

#include <functional>

class FBookRenderer;
class FQtFramework;

using FFileChooser = std::function<FString(const FString& path, FFileDialogKind kind)>;

// The dialogs and the export (the book is already at its first spread); returns
// whether a movie was written.
bool RunExportCommand(FPhotoBookApp& app, FQtFramework& framework, FBookRenderer& book, const FFileChooser& chooseFile);
