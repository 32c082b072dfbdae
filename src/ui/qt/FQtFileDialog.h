#pragma once
// The one file chooser of the program, on QFileDialog.

#include "ui/FileDialogRules.h"

class QWidget;

// The chosen full path, or empty when cancelled.
FString ShowFileDialog(QWidget* owner, const FString& path, FFileDialogKind kind, const FLocale& locale);

// This desktop's answer for the videos folder: environment, user-dirs.dirs, home.
FUserFolders UserFolders();
