#include "base/FFileReplacement.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kRandomChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kRandomLength = 6;

// A temporary's name with '?' where its random characters go, which start at randomAt.
struct FNamePattern
{
    std::string name;
    size_t randomAt = 0;
};

// The short form stands for a name of up to 255 bytes that leaves no room around
// it: a hash of the name, and the extension only when it is an ordinary one.
FNamePattern TemporaryPattern(const std::string& fileName, bool shortForm)
{
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::string stem = fileName;
    if (shortForm) {
        uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (unsigned char c : fileName)
            hash = (hash ^ c) * 1099511628211ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        stem = hex;
        if (extension.size() > 16)
            extension.clear();
    }
    FNamePattern pattern;
    pattern.name = "." + stem + ".";
    pattern.randomAt = pattern.name.size();
    pattern.name += std::string(kRandomLength, '?') + ".tmp" + extension;
    return pattern;
}

bool Matches(const std::string& entry, const FNamePattern& pattern)
{
    if (entry.size() != pattern.name.size())
        return false;
    for (size_t i = 0; i < entry.size(); ++i) {
        const bool random = i >= pattern.randomAt && i < pattern.randomAt + kRandomLength;
        if (random ? entry[i] == '\0' || !std::strchr(kRandomChars, entry[i]) : entry[i] != pattern.name[i])
            return false;
    }
    return true;
}

// Open-file-description locks belong to the open file, not to the process: the
// writer opening the same name and closing it again does not drop ours, and two
// openings in one process exclude each other as two processes do. 0 or errno.
// Where nothing can be locked (some network file systems) nobody can tell a dead
// run's temporary from a live one, and none is removed.
int LockWhole(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
}

// path still names the file open as fd.
bool NamesOpenFile(const std::string& path, int fd)
{
    struct stat open = {}, named = {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// A regular file nobody holds a lock on is a dead run's. The read lock taken to
// find out keeps its creator, should it be starting just now, from using it.
void RemoveIfStale(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && LockWhole(fd, F_RDLCK) == 0 && NamesOpenFile(path, fd))
        ::unlink(path.c_str());
    ::close(fd);
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

} // namespace

FFileReplacement::FFileReplacement(const FString& target) : target_(target)
{
    const std::filesystem::path targetPath(target.ToUtf8());
    const std::string folder = targetPath.parent_path().string();
    const std::string fileName = targetPath.filename().string();
    const FNamePattern patterns[] = {TemporaryPattern(fileName, false), TemporaryPattern(fileName, true)};

    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            for (const FNamePattern& pattern : patterns)
                if (Matches(entry->d_name, pattern))
                    RemoveIfStale(Join(folder, entry->d_name));
        ::closedir(dir);
    }

    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof(kRandomChars) - 2);
    bool shortForm = false;
    error_ = EEXIST;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        FNamePattern pattern = patterns[shortForm ? 1 : 0];
        for (size_t i = 0; i < kRandomLength; ++i)
            pattern.name[pattern.randomAt + i] = kRandomChars[pick(random)];
        const std::string path = Join(folder, pattern.name);
        path_ = FString::FromUtf8(path);
        // Created here and now: never an existing file, or a link planted in its place.
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            error_ = errno;
            if (error_ == ENAMETOOLONG && !shortForm)
                shortForm = true;
            else if (error_ != EEXIST)
                break;
            continue;
        }
        // Another process clearing stale files may have found it before it was
        // locked; it is then that process's to delete, and this one takes another.
        const int locked = LockWhole(fd, F_WRLCK);
        const bool heldElsewhere = locked == EAGAIN || locked == EACCES;
        if (locked == 0 ? NamesOpenFile(path, fd) : !heldElsewhere) {
            fd_ = fd;
            error_ = 0;
        } else {
            ::close(fd);
        }
    }
}

FFileReplacement::~FFileReplacement()
{
    Discard();
}

bool FFileReplacement::Commit()
{
    if (fd_ < 0) {
        error_ = error_ ? error_ : EBADF;
        return false;
    }
    if (const int refusal = ReplaceRefusal(target_)) {
        error_ = refusal;
        return false;
    }
    const std::string target = target_.ToUtf8();
    struct stat old = {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The owner too where that may be given (root); else the group, where the
        // user is one of it; else the user's own.
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0)
            (void)!::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
        ::fchmod(fd_, old.st_mode & 0777);
    }
    if (::fsync(fd_) != 0 || ::rename(path_.ToUtf8().c_str(), target.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    ::close(fd_);
    fd_ = -1;
    // Make the rename itself durable.
    const std::string folder = std::filesystem::path(target).parent_path().string();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void FFileReplacement::Discard()
{
    if (fd_ < 0)
        return;
    const std::string path = path_.ToUtf8();
    if (NamesOpenFile(path, fd_))
        ::unlink(path.c_str());
    ::close(fd_);
    fd_ = -1;
}

int ReplaceRefusal(const FString& target)
{
    const std::string path = target.ToUtf8();
    if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) != 0)
        return 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}
