#pragma once
// What each file chooser of the program looks like: title, filters, open or save,
// extensions, and where it starts.

#include "app/FAppHost.h"
#include "base/FLocale.h"
#include "base/FString.h"

#include <functional>
#include <vector>

struct FChooserFilter
{
    FString description; // "Photos (.JPG, .JPEG, ...)"
    FString patterns;    // "*.BMP;*.JPG;*.PNG;*.TGA"
    FString extension;   // set on the chosen name; empty: none
};

struct FFileDialogLayout
{
    FString title;
    std::vector<FChooserFilter> filters; // at least one
    int selectedFilter = 0;
    bool save = false;
    // The movie chooser adds the filter's extension only to a name without one,
    // so "x.mkv" stays Matroska; the photo chooser always sets it.
    bool keepOwnExtension = false;
    FString initialDirectory;
    FString initialName; // in the name field; empty: none
};

FFileDialogLayout FileDialogLayout(FFileDialogKind kind, const FString& path, const FLocale& locale);

// The music chooser, which opens several files at once: the audio types FFmpeg
// reads, then all files. It starts in the folder of the list's last file, else in home.
FFileDialogLayout MusicChooserLayout(const std::vector<FString>& files, const FString& home);

// The name the user chose, with the default extension set where there is one.
FString ApplyDefaultExtension(const FString& chosen, const FString& defaultExtension);
// The path the chooser returns for chosen under filter (an index into layout.filters).
FString ChosenPath(const FFileDialogLayout& layout, const FString& chosen, int filter);

// Where the user keeps videos, from what the desktop says.
struct FUserFolders
{
    FString home;
    FString videosVariable; // $XDG_VIDEOS_DIR, empty when unset
    FString userDirsFile;   // the text of user-dirs.dirs, empty when there is none
    std::function<bool(const FString&)> isFolder;
};
// $XDG_VIDEOS_DIR, else the file's XDG_VIDEOS_DIR (with $HOME expanded), else
// home/Videos: the first that is a folder; else home.
FString VideosFolder(const FUserFolders& folders);

// The movie path stored by a first start: a Windows folder that means nothing here.
inline constexpr const char16_t* kFirstMoviePath = u"d:\\Temp\\QuilloPhotoBook.avi";
// Where the movie chooser starts for an export of type exportType (0 and 1 AVI, 2
// MP4): the stored path, its .avi or .mp4 turned to the type's; or when it is still
// the first default (or empty) "<photo folder's name>.mp4" (or .avi) in the videos
// folder, "QuilloPhotoBook" for a folder without a name.
FString MovieChooserPath(const FString& stored, const FString& videosFolder, const FString& photoFolder = FString(),
                         int exportType = 0);
bool IsUnsetMoviePath(const FString& stored);
