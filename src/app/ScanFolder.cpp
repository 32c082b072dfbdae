// Builds the photo list from one folder, chosen through any photo inside it.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "photos/PhotoFolder.h"

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
    RestartPhotoStream();

    std::vector<FPhotoEntry> photos;
    photos.reserve(kMaxPhotos);
    FString error;
    if (!ListPhotos(folder, kMaxPhotos, photos, &error)) {
        DebugOutput(error);
        return false;
    }
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
