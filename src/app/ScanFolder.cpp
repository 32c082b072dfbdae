// Builds the photo list from one folder, chosen through any photo inside it.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "photos/PhotoFolder.h"

#include <filesystem>
#include <system_error>

namespace {

FString Quoted(const FString& path)
{
    return FString(u"\"").Concat(path).Concat(FString(u"\""));
}

} // namespace

bool FPhotoBookApp::ScanFolder(const FString& requested, bool sortByDate, uint32_t now)
{
    FString path = requested;
    if (path.IsEmpty()) {
        if (!host)
            return false;
        path = host->ShowFileDialog(settings->GetRecentPath(0).DirectoryPart(), FFileDialogKind::Photo);
        if (path.IsEmpty())
            return false;
    }
    settings->AddRecentPath(path);
    if (host)
        host->RefreshMenus();

    const FString folder = path.DirectoryPart();
    if (folder.IsEmpty())
        return false;
    photoCount = 0;
    selectedPhoto = -1;
    unreadablePhotos.clear();
    photoFailures.clear(); // opened again, every photo gets another chance
    RestartPhotoStream();

    std::vector<FPhotoEntry> photos;
    photos.reserve(kMaxPhotos);
    FString error;
    if (!ListPhotos(folder, kMaxPhotos, photos, &error)) {
        DebugOutput(error);
        return false;
    }
    if (sortByDate)
        ReadDatesTaken(photos);
    if (photos.size() > 1)
        SortPhotos(photos, sortByDate);
    // Entries past the new count keep what an earlier scan left there: "Sort by"
    // then finds the previous folder through slot 0 after an empty scan.
    for (size_t i = 0; i < photos.size(); ++i) {
        photoPaths[i] = std::move(photos[i].path);
        photoDateKey[i] = photos[i].dateKey;
    }
    photoCount = static_cast<int32_t>(photos.size());
    if (photoCount == 0)
        return true;
    for (int32_t i = 0; i < photoCount; ++i)
        photoRotation[static_cast<size_t>(i)] = settings->GetRotation(photoPaths[static_cast<size_t>(i)]);
    GoToFirstPage(now);
    return true;
}

FString FPhotoBookApp::OpenPath(const FString& given, uint32_t now)
{
    namespace fs = std::filesystem;
    if (!settings)
        return FString();
    if (given.IsEmpty())
        return FString(u"No photo or folder was given.");
    std::error_code error;
    fs::path path = fs::absolute(fs::path(given.ToUtf8()), error).lexically_normal();
    if (path.has_relative_path() && !path.has_filename())
        path = path.parent_path(); // "Holiday/" names the folder Holiday
    const FString shown = FString::FromUtf8(path.string());
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory)
        return Quoted(shown).Concat(FString(u" cannot be opened: ")).Concat(FString::FromUtf8(error.message()));
    if (!fs::exists(status))
        return Quoted(shown).Concat(FString(u" does not exist."));

    const bool isFolder = fs::is_directory(status);
    const FString folder = isFolder ? shown : shown.DirectoryPart();
    const FString name = isFolder ? FString() : shown.FileNamePart();
    if (!isFolder) {
        FString upper = name;
        upper.ToUpper();
        if (!fs::is_regular_file(status) || !IsPhotoFileName(upper))
            return Quoted(shown).Concat(FString(u" is not a photo the book can show."));
    }
    // Listed first, so that a folder without photos leaves the book as it is.
    std::vector<FPhotoEntry> photos;
    FString listError;
    if (!ListPhotos(folder, kMaxPhotos, photos, &listError))
        return FString(u"The folder ").Concat(Quoted(folder)).Concat(FString(u" cannot be read: ")).Concat(listError);
    if (photos.empty())
        return FString(u"The folder ").Concat(Quoted(folder)).Concat(FString(u" holds no photos the book can show."));

    if (!ScanFolder(isFolder ? photos.front().path : shown, settings->Sort != 0, now))
        return FString(u"The folder ").Concat(Quoted(folder)).Concat(FString(u" cannot be read."));
    for (int32_t i = 0; i < photoCount && !isFolder; ++i) {
        if (photoPaths[static_cast<size_t>(i)].FileNamePart() == name) {
            // Spread P shows photos 2P - 2 to 2P + 1.
            pageIndex = (i + 2) / 4 * 2;
            for (FTexture& slot : photoTextures)
                slot.Clear();
            break;
        }
    }
    return FString();
}

void FPhotoBookApp::OpenRecentFolder(int index, uint32_t now)
{
    ScanFolder(settings->GetRecentPath(index), settings->Sort != 0, now);
}

void FPhotoBookApp::SortBy(bool byDate, uint32_t now)
{
    settings->Sort = byDate ? 1 : 0;
    if (host)
        host->RefreshMenus();
    ScanFolder(photoPaths[0], byDate, now);
}
