#pragma once
// A thin owner of one POSIX file descriptor, and the few file utilities the
// program uses directly.

#include "base/FString.h"

#include <cstddef>
#include <cstdint>

class FFile
{
public:
    // Writing deletes any file of that name first and creates a new, empty one;
    // reading opens an existing file. ok() tells whether that worked.
    FFile(const FString& path, bool write);
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
};

// Directory of the running executable, without a trailing separator.
FString GetModuleDirectory();
// False for the empty path and for directories.
bool FileExists(const FString& path);
bool DirectoryExists(const FString& path);
// 0 for the empty path or a file that cannot be opened.
uint64_t GetFileSize64(const FString& path);
// The whole file as text: UTF-16LE after an FF FE mark, else one character per
// byte up to the first zero byte. Empty when the file is empty or unreadable.
FString ReadWholeFile(const FString& path);
// One line on stderr: this program's stand-in for the debugger output.
void DebugOutput(const FString& text);
// Human-readable text of an errno value.
FString ErrorText(int error);
