#include "base/FFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

FFile::FFile(const FString& path, bool write, uint64_t maxBytes) : write_(write), maxBytes_(maxBytes)
{
    if (path.IsEmpty()) {
        error_ = ENOENT;
        return;
    }
    const std::string name = path.ToUtf8();
    if (write) {
        // A file is written under a temporary name of its own, made (and locked)
        // just before: writing goes to that very file.
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd_ < 0)
            error_ = errno;
        return;
    }
    // A FIFO blocks open() until a writer comes, and a device never ends. Some
    // devices act on open alone, so the name is looked at first; the check after
    // the open is the one that counts, as the name may change in between. A
    // directory opens and fails on the first read, as it always did.
    struct stat st;
    auto refused = [](mode_t mode) { return !S_ISREG(mode) && !S_ISDIR(mode); };
    if (::stat(name.c_str(), &st) == 0 && refused(st.st_mode)) {
        error_ = kErrorNotRegularFile;
        return;
    }
    fd_ = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    if (::fstat(fd_, &st) != 0)
        error_ = errno;
    else if (refused(st.st_mode))
        error_ = kErrorNotRegularFile;
    else if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxBytes_)
        error_ = kErrorTooLarge;
    if (error_ != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FFile::~FFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FFile::Read(void* buffer, size_t n)
{
    size_t done = 0;
    while (done < n) {
        int64_t got = ReadSome(static_cast<char*>(buffer) + done, n - done);
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

int64_t FFile::ReadSome(void* buffer, size_t n)
{
    if (fd_ < 0)
        return -1;
    if (!write_ && maxBytes_ != kNoSizeLimit) {
        // One byte past the limit is asked for, so that reaching it is not mistaken
        // for going over it.
        if (position_ > maxBytes_) {
            error_ = kErrorTooLarge;
            return -1;
        }
        n = static_cast<size_t>(std::min<uint64_t>(n, maxBytes_ - position_ + 1));
    }
    for (;;) {
        ssize_t got = ::read(fd_, buffer, n);
        if (got >= 0) {
            position_ += static_cast<uint64_t>(got);
            if (!write_ && position_ > maxBytes_) {
                error_ = kErrorTooLarge;
                return -1;
            }
            return got;
        }
        if (errno != EINTR) {
            error_ = errno;
            return -1;
        }
    }
}

bool FFile::Write(const void* buffer, size_t n)
{
    if (fd_ < 0)
        return false;
    size_t done = 0;
    while (done < n) {
        ssize_t put = ::write(fd_, static_cast<const char*>(buffer) + done, n - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            error_ = put < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

int64_t FFile::Tell() const
{
    if (fd_ < 0)
        return 0;
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    return at < 0 ? 0 : at;
}

bool FFile::Seek(int64_t position)
{
    if (fd_ < 0)
        return false;
    if (position < 0 || ::lseek(fd_, position, SEEK_SET) < 0) {
        error_ = position < 0 ? EINVAL : errno;
        return false;
    }
    position_ = static_cast<uint64_t>(position);
    return true;
}

int64_t FFile::Size() const
{
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    return st.st_size;
}

bool FFile::Close()
{
    if (fd_ < 0)
        return false;
    bool good = true;
    if (write_ && ::fsync(fd_) != 0) {
        error_ = errno;
        good = false;
    }
    if (::close(fd_) != 0 && good) {
        error_ = errno;
        good = false;
    }
    fd_ = -1;
    return good;
}

FString GetModuleDirectory()
{
    char buffer[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return FString();
    return FString::FromUtf8(std::string_view(buffer, static_cast<size_t>(n))).DirectoryPart();
}

bool FileExists(const FString& path)
{
    if (path.IsEmpty())
        return false;
    struct stat st;
    return ::stat(path.ToUtf8().c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const FString& path)
{
    if (path.IsEmpty())
        return false;
    struct stat st;
    return ::stat(path.ToUtf8().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t GetFileSize64(const FString& path)
{
    FFile file(path, false);
    return file.ok() ? static_cast<uint64_t>(file.Size()) : 0;
}

bool ReadFileBytes(const FString& path, uint64_t maxBytes, std::string& bytes, int& error)
{
    bytes.clear();
    error = 0;
    FFile file(path, false, maxBytes);
    if (!file.ok()) {
        error = file.LastError();
        return false;
    }
    bytes.reserve(static_cast<size_t>(file.Size()));
    char chunk[65536];
    for (;;) {
        const int64_t got = file.ReadSome(chunk, sizeof chunk);
        if (got < 0) {
            error = file.LastError();
            bytes.clear();
            return false;
        }
        if (got == 0)
            return true;
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

FString ReadWholeFile(const FString& path, uint64_t maxBytes, int* error)
{
    std::string raw;
    int failure = 0;
    if (!ReadFileBytes(path, maxBytes, raw, failure)) {
        if (error)
            *error = failure;
        return FString();
    }
    if (error)
        *error = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(raw.data());
    const std::span<const unsigned char> bytes(data, raw.size());
    std::u16string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    } else {
        for (unsigned char b : bytes) {
            if (b == 0)
                break;
            text.push_back(b);
        }
    }
    return FString(text);
}

void DebugOutput(const FString& text)
{
    FString line(text);
    while (!line.IsEmpty() && (line.CharAt(line.Length() - 1) == u'\n' || line.CharAt(line.Length() - 1) == u'\r'))
        line.Truncate(line.Length() - 1);
    std::string bytes = line.ToUtf8();
    bytes.push_back('\n');
    (void)!::write(STDERR_FILENO, bytes.data(), bytes.size());
}

FString ErrorText(int error)
{
    if (error == kErrorNotRegularFile)
        return FString(u"not a regular file");
    if (error == kErrorTooLarge)
        return FString(u"too large");
    char buffer[256];
    const char* text = ::strerror_r(error, buffer, sizeof buffer);
    return FString(text, FString::kCodePageUtf8);
}

bool IsPassingError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EIO:
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case EAGAIN:
    case EINTR:
    case EBUSY:
    case ETIMEDOUT:
    case ESTALE:
    case ENOLCK:
    case ETXTBSY:
        return true;
    default:
        return false;
    }
}
