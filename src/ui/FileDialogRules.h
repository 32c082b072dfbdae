#pragma once
// What each file chooser of the program looks like: title, filter, open or save,
// default extension, and where it starts.

#include "app/FAppHost.h"
#include "base/FLocale.h"
#include "base/FString.h"

struct FFileDialogLayout
{
    FString title;
    FString filterDescription; // "Photos (.BMP, .JPG, .PNG, .TGA)"
    FString patterns;          // "*.BMP;*.JPG;*.PNG;*.TGA"
    bool save = false;
    FString defaultExtension; // empty: none
    FString initialDirectory;
};

FFileDialogLayout FileDialogLayout(FFileDialogKind kind, const FString& path, const FLocale& locale);

// The name the user chose, with the default extension set where there is one.
FString ApplyDefaultExtension(const FString& chosen, const FString& defaultExtension);
