#pragma once
// Line-and-token reader and writer of all our text files (settings, locales).
// Reads 8-bit (ISO 8859-1) files and UTF-16LE files that start with FF FE;
// always writes UTF-16LE with FF FE and CR LF line ends.

#include "base/FFile.h"
#include "base/FString.h"

#include <array>
#include <cstdint>
#include <memory>

inline constexpr int dMaxTokensPerLine = 10;
inline constexpr int dMaxTokenLength = 1000;
inline constexpr int dMaxRawLineLength = 9999;

struct FTokenLine
{
    std::u16string text; // the line without CR and LF
    int count = 0;
    std::array<std::u16string, dMaxTokensPerLine> tokens;

    // Splits a line into at most ten tokens; a token that starts with a double
    // quote runs to the next one.
    void Tokenise(std::u16string_view line);
};

class FTokenFile
{
public:
    // A file to read that is not a regular file of at most maxBytes is refused
    // (a line on stderr names it and says why) and reads as empty.
    FTokenFile(const FString& path, bool writing, uint64_t maxBytes = kMaxTextFileBytes);
    ~FTokenFile();
    FTokenFile(const FTokenFile&) = delete;
    FTokenFile& operator=(const FTokenFile&) = delete;

    // True when the file object exists; it does not say that the file opened.
    bool ok() const { return file_ != nullptr; }
    bool opened() const { return file_ && file_->ok(); }
    bool IsWide() const { return wide_; }
    const FString& Path() const { return path_; }

    // Reads and tokenises the next line; false at the end of the file. A last line
    // without a line break is still returned.
    bool ReadLine();
    const FTokenLine& Current() const { return current_; }
    int TokenCount() const { return current_.count; }

    FString GetToken(int index, bool unescape = false) const;
    int32_t GetInt(int index) const;
    float GetFloat(int index) const;
    bool GetBool(int index) const;
    FString GetLine(bool unescape = false) const;
    // A token written by AddExactString, as it was before writing.
    FString GetExactToken(int index) const;

    void AddString(const FString& s);
    // Writes s so that GetExactToken reads back the same text, whatever it holds
    // (quotes with spaces, line breaks): spelled as AddString spells it whenever
    // that reads back unchanged, else escaped behind a leading '?'. A value that
    // does not fit in a token either way is written as the empty one.
    void AddExactString(const FString& s);
    // False for the values AddExactString would write as the empty one.
    static bool StoresExactly(const FString& s);
    void AddInt(int32_t value);
    void AddFloat(float value);
    void AddBool(bool value);
    void AddVector3(float x, float y, float z);
    void EndLine(const FString& override = FString());

    // Writers: flushes to the disk and closes. False when the file could not be
    // created or any write failed (a full disk, say); the caller decides what to
    // keep. The writer swallows failed writes until then.
    bool Finish();
    int LastError() const { return file_ ? file_->LastError() : 0; }

    static void Unescape(FString& s);

private:
    bool ReadUnit(char16_t& unit);
    void UnreadUnit();
    bool CheckIndex(int index) const;
    void AppendSeparator();
    void WriteUnits(const FString& text);
    void ReportRefusal();

    FString path_;
    std::unique_ptr<FFile> file_;
    FTokenLine current_;
    FString outputLine_;
    bool writing_ = false;
    bool wide_ = false;
    bool writeFailed_ = false;
    bool refusalReported_ = false;

    // Reading goes through a buffer; the format is read one unit at a time and
    // needs to step back by at most one unit.
    std::array<unsigned char, 16384> buffer_{};
    size_t bufferPos_ = 0;
    size_t bufferEnd_ = 0;
    size_t lastUnitSize_ = 0;
};
