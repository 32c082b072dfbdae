#include "ui/FileDialogRules.h"

namespace {

// The extension of a path as the choosers see it: after the last "." (before a
// "?"), upper-cased; none for short paths.
FString ChooserExtension(const FString& path)
{
    return path.ExtensionPart();
}

} // namespace

FFileDialogLayout FileDialogLayout(FFileDialogKind kind, const FString& path, const FLocale& locale)
{
    FFileDialogLayout layout;
    switch (kind) {
    case FFileDialogKind::Photo:
        layout.title = locale.GetText(67);
        layout.filterDescription = FString(u"Photos (.BMP, .JPG, .PNG, .TGA)");
        layout.patterns = FString(u"*.BMP;*.JPG;*.PNG;*.TGA");
        break;
    case FFileDialogKind::SavePhoto: {
        layout.title = locale.GetText(68);
        layout.save = true;
        const FString ext = ChooserExtension(path);
        if (ext.Equals(FString(u"BMP")) || ext.Equals(FString(u"JPG")) || ext.Equals(FString(u"PNG")) ||
            ext.Equals(FString(u"TGA"))) {
            layout.filterDescription = FString(u"Photos (.").Concat(ext).Concat(FString(u")"));
            layout.patterns = FString(u"*.").Concat(ext);
            layout.defaultExtension = ext;
        } else {
            layout.filterDescription = FString(u"Photos (.BMP, .JPG, .PNG, .TGA)");
            layout.patterns = FString(u"*.BMP;*.JPG;*.PNG;*.TGA");
        }
        break;
    }
    case FFileDialogKind::Locale:
        layout.title = locale.GetText(69);
        layout.filterDescription = FString(u"Text Files (.TXT)");
        layout.patterns = FString(u"*.TXT");
        break;
    case FFileDialogKind::Effect:
        layout.title = locale.GetText(72);
        layout.filterDescription = FString(u"Effect Files (.FX)");
        layout.patterns = FString(u"*.FX");
        break;
    case FFileDialogKind::Movie:
        layout.title = locale.GetText(76);
        layout.filterDescription = FString(u"AVI Files (.AVI)");
        layout.patterns = FString(u"*.AVI");
        layout.save = true;
        layout.defaultExtension = FString(u"avi");
        break;
    }
    // A path with a "." names a file: start in its folder. (A folder whose own
    // name holds a "." loses its last part this way, as it always has.)
    layout.initialDirectory = path.ContainsChar(u'.') ? path.DirectoryPart() : path;
    return layout;
}

FString ApplyDefaultExtension(const FString& chosen, const FString& defaultExtension)
{
    if (chosen.IsEmpty() || defaultExtension.IsEmpty())
        return chosen;
    FString result(chosen);
    result.SetExtension(defaultExtension);
    return result;
}
