#pragma once
// What the book asks of the desktop around it: file choosers and menu refreshes.
// The Qt shell implements it; tests can answer for the user.

#include "base/FString.h"

enum class FFileDialogKind
{
    Photo,
    SavePhoto,
    Locale,
    Effect,
    Movie,
};

class FAppHost
{
public:
    virtual ~FAppHost() = default;
    // The chosen full path, or empty when the user cancels.
    virtual FString ShowFileDialog(const FString& path, FFileDialogKind kind) = 0;
    virtual void RefreshMenus() = 0;
};
