#include "ui/FileDialogRules.h"

namespace {

// The extension of a path as the choosers see it: after the last "." (before a
// "?"), upper-cased; none for short paths.
FString ChooserExtension(const FString& path)
{
    return path.ExtensionPart();
}

} // namespace

FFileDialogSpec FileDialogSpec(FFileDialogKind kind, const FString& path, const FLocale& locale)
{
    FFileDialogSpec spec;
    switch (kind) {
    case FFileDialogKind::Photo:
        spec.title = locale.GetText(67);
        spec.filterDescription = FString(u"Photos (.BMP, .JPG, .PNG, .TGA)");
        spec.patterns = FString(u"*.BMP;*.JPG;*.PNG;*.TGA");
        break;
    case FFileDialogKind::SavePhoto: {
        spec.title = locale.GetText(68);
        spec.save = true;
        const FString ext = ChooserExtension(path);
        if (ext.Equals(FString(u"BMP")) || ext.Equals(FString(u"JPG")) || ext.Equals(FString(u"PNG")) ||
            ext.Equals(FString(u"TGA"))) {
            spec.filterDescription = FString(u"Photos (.").Concat(ext).Concat(FString(u")"));
            spec.patterns = FString(u"*.").Concat(ext);
            spec.defaultExtension = ext;
        } else {
            spec.filterDescription = FString(u"Photos (.BMP, .JPG, .PNG, .TGA)");
            spec.patterns = FString(u"*.BMP;*.JPG;*.PNG;*.TGA");
        }
        break;
    }
    case FFileDialogKind::Locale:
        spec.title = locale.GetText(69);
        spec.filterDescription = FString(u"Text Files (.TXT)");
        spec.patterns = FString(u"*.TXT");
        break;
    case FFileDialogKind::Effect:
        spec.title = locale.GetText(72);
        spec.filterDescription = FString(u"Effect Files (.FX)");
        spec.patterns = FString(u"*.FX");
        break;
    case FFileDialogKind::Movie:
        spec.title = locale.GetText(76);
        spec.filterDescription = FString(u"AVI Files (.AVI)");
        spec.patterns = FString(u"*.AVI");
        spec.save = true;
        spec.defaultExtension = FString(u"avi");
        break;
    }
    // A path with a "." names a file: start in its folder. (A folder whose own
    // name holds a "." loses its last part this way, as it always has.)
    spec.initialDirectory = path.ContainsChar(u'.') ? path.DirectoryPart() : path;
    return spec;
}

FString ApplyDefaultExtension(const FString& chosen, const FString& defaultExtension)
{
    if (chosen.IsEmpty() || defaultExtension.IsEmpty())
        return chosen;
    FString result(chosen);
    result.SetExtension(defaultExtension);
    return result;
}
