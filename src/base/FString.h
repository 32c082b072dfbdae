#pragma once
// The one text type of the program: UTF-16 code units, owning its buffer.
// Paths, settings values, locale and menu texts all pass through it.

#include <cstdint>
#include <string>
#include <string_view>

class FString
{
public:
    FString() = default;
    FString(const char16_t* text);
    FString(std::u16string_view text);
    // 8-bit text: code page 0 reads each byte as the code unit of the same value
    // (ISO 8859-1); 65001 decodes UTF-8 the way file names are decoded.
    FString(const char* text, int codePage = 0);

    static constexpr int kCodePageUtf8 = 65001;

    // Decimal (or other radix) text; width 2 and 3 pad with zeros for small values.
    static FString FromInt(int64_t value, int width = 1, int radix = 10);
    // "%g" text (6 significant digits); decimals >= 1 cuts the text that many
    // characters after the first ".".
    static FString FromFloat(float value, int decimals = 0);
    // File names are bytes on this platform. Invalid UTF-8 bytes come in as the
    // lone surrogates U+DC80..U+DCFF and go out as the same bytes, so any name
    // read from the file system opens again after a round trip.
    static FString FromUtf8(std::string_view bytes);
    std::string ToUtf8() const;

    int Length() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    const char16_t* Text() const { return text_.c_str(); }
    const std::u16string& Str() const { return text_; }
    char16_t CharAt(int i) const;

    bool Equals(const FString& other) const { return text_ == other.text_; }
    bool operator==(const FString& other) const { return text_ == other.text_; }
    bool IsGreater(const FString& other) const;
    bool Contains(const FString& other) const;
    bool ContainsChar(char16_t unit) const;
    float ToFloat() const;
    // Leading white space, sign and decimal digits; 0 when there are none; values
    // beyond the 32-bit range give the nearest limit.
    int32_t ToInt() const;

    FString Concat(const FString& other) const;
    FString& Append(const FString& other);
    FString& Append(char16_t unit);
    void Truncate(int n);
    void ToLower();
    void ToUpper();
    FString Lowered() const;
    FString Uppered() const;
    void RemoveChar(char16_t unit);
    void RemoveFirst(const FString& s);
    void RemoveAll(const FString& s);
    void KeepBefore(const FString& s);
    void KeepAfter(const FString& s);
    void ReplaceFirst(const FString& find, const FString& repl);
    void ReplaceAll(const FString& find, const FString& repl);
    void ReplaceLineBreaks(const FString& repl);

    // Path parts; only "/" separates (":" and "\" are ordinary name characters).
    FString DirectoryPart() const;
    FString FileNamePart() const;
    FString ExtensionPart() const;
    void SetExtension(const FString& ext);

    static FString FormatFileSize(uint64_t bytes);

private:
    size_t Find(const FString& s) const;

    std::u16string text_;
};

inline FString operator+(const FString& a, const FString& b)
{
    return a.Concat(b);
}

bool IsPathSeparator(char16_t unit);
