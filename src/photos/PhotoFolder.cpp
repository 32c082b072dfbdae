#include "photos/PhotoFolder.h"

#include "base/FFile.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsPhotoFileName(const FString& upperName)
{
    static const FString alpha(u"_ALPHA");
    static const FString kinds[] = {FString(u".JPG"), FString(u".BMP"), FString(u".TGA"), FString(u".PNG")};
    if (upperName.Contains(alpha))
        return false;
    for (const FString& kind : kinds)
        if (upperName.Contains(kind))
            return true;
    return false;
}

int32_t DateKeyFromCalendar(int year, int month, int day, int hour, int minute, int second)
{
    uint32_t key = static_cast<uint32_t>(year);
    key = key * 12u + static_cast<uint32_t>(month);
    key = key * 31u + static_cast<uint32_t>(day);
    key = key * 24u + static_cast<uint32_t>(hour);
    key = key * 60u + static_cast<uint32_t>(minute) + 18452224u;
    key = key * 60u + static_cast<uint32_t>(second);
    return static_cast<int32_t>(key);
}

namespace {

// A file we may not read has no date: statx itself needs no read access.
bool FileTimes(int dirFd, const char* name, int64_t& seconds)
{
    if (::faccessat(dirFd, name, R_OK, AT_EACCESS) != 0)
        return false;
    struct statx sx;
    if (::statx(dirFd, name, AT_STATX_SYNC_AS_STAT, STATX_BTIME | STATX_MTIME, &sx) != 0)
        return false;
    if (sx.stx_mask & STATX_BTIME)
        seconds = sx.stx_btime.tv_sec;
    else if (sx.stx_mask & STATX_MTIME)
        seconds = sx.stx_mtime.tv_sec;
    else
        return false;
    return true;
}

int32_t KeyOfSeconds(int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm utc;
    if (!::gmtime_r(&t, &utc))
        return 0;
    return DateKeyFromCalendar(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

} // namespace

int32_t PhotoDateKey(const FString& path)
{
    int64_t seconds = 0;
    if (!FileTimes(AT_FDCWD, path.ToUtf8().c_str(), seconds))
        return 0;
    return KeyOfSeconds(seconds);
}

bool ListPhotos(const FString& folder, int maxCount, std::vector<FPhotoEntry>& out, FString* error)
{
    const std::string name = folder.ToUtf8();
    DIR* dir = ::opendir(name.empty() ? "/" : name.c_str());
    if (!dir) {
        if (error)
            *error = folder.Concat(FString(u": ")).Concat(ErrorText(errno));
        return false;
    }
    const int dirFd = ::dirfd(dir);
    const FString prefix = folder.Concat(FString(u"/"));
    int count = 0;
    while (count < maxCount) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        FString upper = FString::FromUtf8(entry->d_name);
        upper.ToUpper();
        if (!IsPhotoFileName(upper))
            continue;
        FPhotoEntry photo;
        photo.path = prefix.Concat(FString::FromUtf8(entry->d_name));
        photo.upperName = std::move(upper);
        int64_t seconds = 0;
        photo.dateKey = FileTimes(dirFd, entry->d_name, seconds) ? KeyOfSeconds(seconds) : 0;
        out.push_back(std::move(photo));
        ++count;
    }
    ::closedir(dir);
    return true;
}

void SortPhotos(std::vector<FPhotoEntry>& photos, bool byDate)
{
    // A stable sort with the pairwise test of adjacent swaps gives the same order.
    if (byDate)
        std::stable_sort(photos.begin(), photos.end(),
                         [](const FPhotoEntry& a, const FPhotoEntry& b) { return a.dateKey < b.dateKey; });
    else
        std::stable_sort(photos.begin(), photos.end(),
                         [](const FPhotoEntry& a, const FPhotoEntry& b) { return b.upperName.IsGreater(a.upperName); });
}
