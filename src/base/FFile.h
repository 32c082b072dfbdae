#pragma once
// A thin owner of one POSIX file descriptor, and the few file utilities the
// program uses directly.

#include "base/FString.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Failures of our own beside the errno values (which are all positive);
// ErrorText() names them too.
inline constexpr int kErrorNotRegularFile = -1;
inline constexpr int kErrorTooLarge = -2;

inline constexpr uint64_t kNoSizeLimit = UINT64_MAX;
// Settings, locales and other text files: far above any real one.
inline constexpr uint64_t kMaxTextFileBytes = uint64_t(4) << 20;

class FFile
{
public:
    // Writing empties the file of that name, creating it when missing (a link in
    // its place is not followed: the open fails); reading opens an existing regular file of at most maxBytes (or a directory,
    // whose reads fail). A FIFO or a device (or a link to one) is refused without
    // blocking or reading, and reads past maxBytes fail, so a file that grows is
    // caught too. ok() tells whether
    // opening worked; LastError() says why not.
    FFile(const FString& path, bool write, uint64_t maxBytes = kNoSizeLimit);
    ~FFile();
    FFile(const FFile&) = delete;
    FFile& operator=(const FFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool IsWriting() const { return write_; }
    // True only when the file is ok and exactly n bytes were transferred.
    bool Read(void* buffer, size_t n);
    bool Write(const void* buffer, size_t n);
    // Up to n bytes; the count read, 0 at the end, -1 on error.
    int64_t ReadSome(void* buffer, size_t n);
    int64_t Tell() const;
    // Size in bytes; 0 for directories and closed files.
    int64_t Size() const;
    bool Seek(int64_t position);
    // Flushes written data to the disk and closes; false when anything failed.
    bool Close();
    // errno of the last failed operation, 0 when none failed.
    int LastError() const { return error_; }

private:
    int fd_ = -1;
    bool write_ = false;
    int error_ = 0;
    uint64_t maxBytes_ = kNoSizeLimit;
    uint64_t position_ = 0; // where reading is, for the limit
};

// Directory of the running executable, without a trailing separator.
FString GetModuleDirectory();
// False for the empty path and for directories.
bool FileExists(const FString& path);
bool DirectoryExists(const FString& path);
// 0 for the empty path or a file that cannot be opened.
uint64_t GetFileSize64(const FString& path);
// The whole file as text: UTF-16LE after an FF FE mark, else one character per
// byte up to the first zero byte. Empty when the file is empty or unreadable
// (or refused: then error, when given, is set).
FString ReadWholeFile(const FString& path, uint64_t maxBytes = kMaxTextFileBytes, int* error = nullptr);
// The whole file's bytes, read as FFile reads. False with error set when it
// cannot be opened, is refused or a read fails.
bool ReadFileBytes(const FString& path, uint64_t maxBytes, std::string& bytes, int& error);
// One line on stderr: this program's stand-in for the debugger output.
void DebugOutput(const FString& text);
// Human-readable text of an errno value or of one of our own failures above.
FString ErrorText(int error);
// Whether a failure with this error says something of the moment (permission,
// I/O, a limit on open files or memory) rather than of what the file holds.
bool IsPassingError(int error);
