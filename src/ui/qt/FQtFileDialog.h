#pragma once
// The one file chooser of the program, on QFileDialog.

#include "ui/FileDialogRules.h"

#include <vector>

class QWidget;

// The chosen full path, or empty when cancelled.
FString ShowFileDialog(QWidget* owner, const FString& path, FFileDialogKind kind, const FLocale& locale);

// The music chooser (MusicChooserLayout): the chosen files in the order the dialog
// gives them, none when cancelled.
std::vector<FString> ShowMusicChooser(QWidget* owner, const std::vector<FString>& files);

// This desktop's answer for the videos folder: environment, user-dirs.dirs, home.
FUserFolders UserFolders();
