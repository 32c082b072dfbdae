#include "photos/PhotoFolder.h"

#include "base/FFile.h"
#include "photos/PhotoMetadata.h"

#include <algorithm>
#include <string_view>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsPhotoFileName(const FString& upperName)
{
    static const FString alpha(u"_ALPHA");
    // The first four anywhere in the name, as the book always took them ("a.jpg.bak"
    // too); the formats of phones and scanners by how the name ends.
    static const FString anywhere[] = {FString(u".JPG"), FString(u".BMP"), FString(u".TGA"), FString(u".PNG")};
    static const std::u16string_view ending[] = {u".JPEG", u".JPE", u".HEIC", u".HEIF", u".AVIF",
                                                 u".WEBP", u".TIF", u".TIFF"};
    if (upperName.Contains(alpha))
        return false;
    for (const FString& kind : anywhere)
        if (upperName.Contains(kind))
            return true;
    const std::u16string_view name = upperName.Str();
    for (const std::u16string_view kind : ending)
        if (name.size() >= kind.size() && name.substr(name.size() - kind.size()) == kind)
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

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

void ReadDatesTaken(std::vector<FPhotoEntry>& photos)
{
    for (FPhotoEntry& photo : photos) {
        FDateTaken t;
        if (!PhotoDateTaken(FileReader(photo.path), t))
            continue;
        int64_t seconds = 0;
        if (t.hasOffset) {
            seconds = DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second -
                      int64_t(t.offsetMinutes) * 60;
        } else {
            struct tm local = {};
            local.tm_year = t.year - 1900;
            local.tm_mon = t.month - 1;
            local.tm_mday = t.day;
            local.tm_hour = t.hour;
            local.tm_min = t.minute;
            local.tm_sec = t.second;
            local.tm_isdst = -1;
            const time_t when = ::mktime(&local);
            if (when == static_cast<time_t>(-1))
                continue;
            seconds = when;
        }
        photo.dateKey = KeyOfSeconds(seconds);
        photo.dateMilliseconds = t.millisecond;
    }
}

void SortPhotos(std::vector<FPhotoEntry>& photos, bool byDate)
{
    // A stable sort with the pairwise test of adjacent swaps gives the same order.
    if (byDate)
        std::stable_sort(photos.begin(), photos.end(), [](const FPhotoEntry& a, const FPhotoEntry& b) {
            return a.dateKey < b.dateKey || (a.dateKey == b.dateKey && a.dateMilliseconds < b.dateMilliseconds);
        });
    else
        std::stable_sort(photos.begin(), photos.end(),
                         [](const FPhotoEntry& a, const FPhotoEntry& b) { return b.upperName.IsGreater(a.upperName); });
}
