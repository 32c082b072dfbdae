#include "ui/FileDialogRules.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

// The extension of a path as the choosers see it: after the last "." (before a
// "?"), upper-cased; none for short paths.
FString ChooserExtension(const FString& path)
{
    return path.ExtensionPart();
}

const FChooserFilter kAllPhotos{u"Photos (.JPG, .JPEG, .HEIC, .HEIF, .AVIF, .WEBP, .PNG, .TIF, .TIFF, .BMP, .TGA)",
                                u"*.JPG;*.JPEG;*.JPE;*.HEIC;*.HEIF;*.AVIF;*.WEBP;*.PNG;*.TIF;*.TIFF;*.BMP;*.TGA",
                                FString()};
const std::u16string_view kPhotoExtensions[] = {u"JPG",  u"JPEG", u"JPE", u"HEIC", u"HEIF", u"AVIF",
                                                u"WEBP", u"PNG",  u"TIF", u"TIFF", u"BMP",  u"TGA"};

bool HasOwnExtension(const FString& path)
{
    const std::u16string name = path.FileNamePart().Str();
    const size_t dot = name.rfind(u'.');
    return dot != std::u16string::npos && dot > 0 && dot + 1 < name.size();
}

// "$HOME/x" and "${HOME}/x" start at home; a relative path lies in home too.
FString ExpandHome(std::u16string_view value, const FString& home)
{
    for (std::u16string_view prefix : {std::u16string_view(u"${HOME}"), std::u16string_view(u"$HOME")})
        if (value.substr(0, prefix.size()) == prefix) {
            value.remove_prefix(prefix.size());
            return home.Concat(FString(value));
        }
    if (!value.empty() && value.front() != u'/')
        return home.Concat(FString(u"/")).Concat(FString(value));
    return FString(value);
}

// The last XDG_VIDEOS_DIR= line of a user-dirs.dirs text (a shell fragment).
FString VideosFromUserDirs(const FString& text, const FString& home)
{
    constexpr std::u16string_view kKey = u"XDG_VIDEOS_DIR";
    FString found;
    std::u16string_view rest = text.Str();
    while (!rest.empty()) {
        const size_t end = rest.find(u'\n');
        std::u16string_view line = rest.substr(0, end);
        rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
        while (!line.empty() && (line.front() == u' ' || line.front() == u'\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == u'\r' || line.back() == u' ' || line.back() == u'\t'))
            line.remove_suffix(1);
        if (line.substr(0, kKey.size()) != kKey || line.substr(kKey.size(), 1) != u"=")
            continue;
        std::u16string_view value = line.substr(kKey.size() + 1);
        if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
            value = value.substr(1, value.size() - 2);
        if (!value.empty())
            found = ExpandHome(value, home);
    }
    return found;
}

} // namespace

FFileDialogLayout FileDialogLayout(FFileDialogKind kind, const FString& path, const FLocale& locale)
{
    FFileDialogLayout layout;
    switch (kind) {
    case FFileDialogKind::Photo:
        layout.title = locale.GetText(67);
        layout.filters = {kAllPhotos};
        break;
    case FFileDialogKind::SavePhoto: {
        layout.title = locale.GetText(68);
        layout.save = true;
        // The copy keeps the photo's own type.
        const FString ext = ChooserExtension(path);
        if (std::find(std::begin(kPhotoExtensions), std::end(kPhotoExtensions), ext.Str()) !=
            std::end(kPhotoExtensions))
            layout.filters = {
                {FString(u"Photos (.").Concat(ext).Concat(FString(u")")), FString(u"*.").Concat(ext), ext}};
        else
            layout.filters = {kAllPhotos};
        break;
    }
    case FFileDialogKind::Locale:
        layout.title = locale.GetText(69);
        layout.filters = {{u"Text Files (.TXT)", u"*.TXT", FString()}};
        break;
    case FFileDialogKind::Effect:
        layout.title = locale.GetText(72);
        layout.filters = {{u"Effect Files (.FX)", u"*.FX", FString()}};
        break;
    case FFileDialogKind::Movie:
        layout.title = locale.GetText(76);
        layout.filters = {{u"AVI Files (.AVI)", u"*.AVI", u"avi"}, {u"MP4 Files (.MP4)", u"*.MP4", u"mp4"}};
        layout.selectedFilter = ChooserExtension(path.FileNamePart()).Equals(FString(u"MP4")) ? 1 : 0;
        layout.save = true;
        layout.keepOwnExtension = true;
        // The chooser shows the stored name, so Return alone exports to it again.
        layout.initialName = path.FileNamePart();
        // A name alone starts where the chooser likes; "/x.avi" in the root.
        layout.initialDirectory = !path.ContainsChar(u'/')         ? FString()
                                  : path.DirectoryPart().IsEmpty() ? FString(u"/")
                                                                   : path.DirectoryPart();
        return layout;
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

FString ChosenPath(const FFileDialogLayout& layout, const FString& chosen, int filter)
{
    if (filter < 0 || filter >= static_cast<int>(layout.filters.size()))
        filter = layout.selectedFilter;
    const FString& extension = layout.filters[static_cast<size_t>(filter)].extension;
    if (!layout.keepOwnExtension)
        return ApplyDefaultExtension(chosen, extension);
    if (chosen.IsEmpty() || extension.IsEmpty() || HasOwnExtension(chosen))
        return chosen;
    // Appended, not set: ".movie" is a name, not an extension to replace.
    FString result(chosen);
    if (result.CharAt(result.Length() - 1) == u'.')
        result.Truncate(result.Length() - 1);
    return result.Concat(FString(u".")).Concat(extension);
}

FString VideosFolder(const FUserFolders& folders)
{
    const auto isFolder = [&](const FString& path) {
        return !path.IsEmpty() && folders.isFolder && folders.isFolder(path);
    };
    if (!folders.videosVariable.IsEmpty()) {
        const FString variable = ExpandHome(folders.videosVariable.Str(), folders.home);
        if (isFolder(variable))
            return variable;
    }
    const FString listed = VideosFromUserDirs(folders.userDirsFile, folders.home);
    if (isFolder(listed))
        return listed;
    const FString videos = folders.home.Concat(FString(u"/Videos"));
    if (isFolder(videos))
        return videos;
    return folders.home;
}

bool IsUnsetMoviePath(const FString& stored)
{
    return stored.IsEmpty() || stored.Lowered().Equals(FString(kFirstMoviePath).Lowered());
}

FString MovieChooserPath(const FString& stored, const FString& videosFolder, const FString& photoFolder,
                         int exportType)
{
    const bool mp4 = exportType == 2;
    const FString extension(mp4 ? u"mp4" : u"avi");
    if (!IsUnsetMoviePath(stored)) {
        // Another type named by the user (.mkv, .webm) is theirs to keep.
        const FString other(mp4 ? u"AVI" : u"MP4");
        if (!HasOwnExtension(stored) || !ChooserExtension(stored.FileNamePart()).Equals(other))
            return stored;
        FString changed(stored);
        changed.SetExtension(extension);
        return changed;
    }
    FString name = photoFolder.FileNamePart();
    if (name.IsEmpty())
        name = FString(u"QuilloPhotoBook");
    return videosFolder.Concat(FString(u"/")).Concat(name).Concat(FString(u".")).Concat(extension);
}

FFileDialogLayout MusicChooserLayout(const std::vector<FString>& files, const FString& home)
{
    FFileDialogLayout layout;
    layout.title = FString(u"Choose Music");
    layout.filters = {{u"Audio (.MP3, .M4A, .AAC, .OGG, .OPUS, .FLAC, .WAV)",
                       u"*.MP3;*.M4A;*.AAC;*.OGG;*.OGA;*.OPUS;*.FLAC;*.WAV", FString()},
                      {u"All Files", u"*", FString()}};
    layout.initialDirectory = files.empty() ? home : files.back().DirectoryPart();
    return layout;
}
