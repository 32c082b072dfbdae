#include "base/FFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

FFile::FFile(const FString& path, bool write) : write_(write)
{
    if (path.IsEmpty()) {
        error_ = ENOENT;
        return;
    }
    const std::string name = path.ToUtf8();
    if (write) {
        // The old file goes first; a directory of that name is left alone and
        // the open below fails on it.
        ::unlink(name.c_str());
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } else {
        fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd_ < 0)
        error_ = errno;
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
    for (;;) {
        ssize_t got = ::read(fd_, buffer, n);
        if (got >= 0)
            return got;
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
    if (::lseek(fd_, position, SEEK_SET) < 0) {
        error_ = errno;
        return false;
    }
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

FString ReadWholeFile(const FString& path)
{
    FFile file(path, false);
    if (!file.ok())
        return FString();
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (;;) {
        int64_t got = file.ReadSome(chunk, sizeof chunk);
        if (got < 0)
            return FString();
        if (got == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
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
    char buffer[256];
    const char* text = ::strerror_r(error, buffer, sizeof buffer);
    return FString(text, FString::kCodePageUtf8);
}
