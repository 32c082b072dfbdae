#include "base/FString.h"

#include <charconv>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace {

const FString kEmpty;

// The C library's number parsing follows LC_NUMERIC, which Qt sets from the user's
// environment; numbers in our files are always written with ".", so parse them in
// the "C" locale whatever the process locale is.
locale_t CLocale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

} // namespace

bool IsPathSeparator(char16_t unit)
{
    // "12:30.jpg" and "a\b.jpg" are ordinary file names here.
    return unit == u'/';
}

FString::FString(const char16_t* text)
{
    if (text)
        text_ = text;
}

FString::FString(std::u16string_view text) : text_(text) {}

FString::FString(const char* text, int codePage)
{
    if (!text)
        return;
    if (codePage == kCodePageUtf8) {
        *this = FromUtf8(text);
        return;
    }
    for (const char* p = text; *p; ++p)
        text_.push_back(static_cast<unsigned char>(*p));
}

FString FString::FromInt(int64_t value, int width, int radix)
{
    if (radix < 2 || radix > 36)
        radix = 10;
    char buffer[72];
    char* end;
    // Like the runtime's conversion: a sign only in decimal, other radices show
    // the 32-bit two's complement pattern of negative values.
    if (radix == 10 || value >= 0)
        end = std::to_chars(buffer, buffer + sizeof buffer, value, radix).ptr;
    else
        end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<uint32_t>(value), radix).ptr;
    FString result;
    if (width == 2 && value < radix)
        result.text_ = u"0";
    else if (width == 3 && value < radix)
        result.text_ = u"00";
    else if (width == 3 && value < static_cast<int64_t>(radix) * radix)
        result.text_ = u"0";
    for (char* p = buffer; p != end; ++p)
        result.text_.push_back(static_cast<char16_t>(*p));
    return result;
}

FString FString::FromFloat(float value, int decimals)
{
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + 32, static_cast<double>(value), std::chars_format::general, 6);
    if (ec != std::errc())
        return FString();
    FString result(std::string(buffer, end).c_str());
    if (decimals >= 1) {
        size_t dot = result.text_.find(u'.');
        if (dot != std::u16string::npos && dot + 1 + decimals < result.text_.size())
            result.text_.resize(dot + 1 + decimals);
    }
    return result;
}

FString FString::FromUtf8(std::string_view bytes)
{
    FString result;
    std::u16string& out = result.text_;
    out.reserve(bytes.size());
    size_t i = 0;
    const size_t n = bytes.size();
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i < n) {
        unsigned char b = at(i);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0;
        uint32_t minimum = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
            minimum = 0x10000;
        }
        bool valid = extra > 0;
        if (valid) {
            for (int k = 1; k <= extra; ++k) {
                if (i + k >= n || (at(i + k) & 0xC0) != 0x80) {
                    valid = false;
                    break;
                }
                cp = (cp << 6) | (at(i + k) & 0x3F);
            }
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8; they
        // would not come back as the same bytes.
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out.push_back(static_cast<char16_t>(0xDC00 + b));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return result;
}

std::string FString::ToUtf8() const
{
    std::string out;
    out.reserve(text_.size());
    auto put = [&](uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    };
    for (size_t i = 0; i < text_.size(); ++i) {
        char16_t u = text_[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text_.size() && text_[i + 1] >= 0xDC00 && text_[i + 1] <= 0xDFFF) {
            put(0x10000 + ((u - 0xD800) << 10) + (text_[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.push_back(static_cast<char>(u - 0xDC00)); // an escaped raw byte
        } else {
            put(u); // other lone surrogates go out in the generalised 3-byte form
        }
    }
    return out;
}

char16_t FString::CharAt(int i) const
{
    if (i < 0 || i >= Length())
        return u'?';
    return text_[static_cast<size_t>(i)];
}

bool FString::IsGreater(const FString& other) const
{
    if (text_.empty() || other.text_.empty())
        return false;
    // std::u16string compares char16_t, which is unsigned: code-unit order.
    return text_.compare(other.text_) > 0;
}

size_t FString::Find(const FString& s) const
{
    if (text_.empty() || s.text_.empty())
        return std::u16string::npos;
    return text_.find(s.text_);
}

bool FString::Contains(const FString& other) const
{
    return Find(other) != std::u16string::npos;
}

bool FString::ContainsChar(char16_t unit) const
{
    return text_.find(unit) != std::u16string::npos;
}

float FString::ToFloat() const
{
    if (text_.empty())
        return 0.0f;
    // Units outside ASCII end the number, as they would for the wide conversion.
    std::string narrow;
    narrow.reserve(text_.size());
    for (char16_t c : text_)
        narrow.push_back(c < 0x80 && c != 0 ? static_cast<char>(c) : '\x01');
    return static_cast<float>(strtod_l(narrow.c_str(), nullptr, CLocale()));
}

int32_t FString::ToInt() const
{
    size_t i = 0;
    while (i < text_.size() && IsSpace(text_[i]))
        ++i;
    bool negative = false;
    if (i < text_.size() && (text_[i] == u'+' || text_[i] == u'-')) {
        negative = text_[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text_.size() && text_[i] >= u'0' && text_[i] <= u'9'; ++i) {
        value = value * 10 + (text_[i] - u'0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1; // saturate, keep reading digits
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

FString FString::Concat(const FString& other) const
{
    FString result(*this);
    result.text_ += other.text_;
    return result;
}

FString& FString::Append(const FString& other)
{
    text_ += other.text_;
    return *this;
}

FString& FString::Append(char16_t unit)
{
    if (unit != 0)
        text_.push_back(unit);
    return *this;
}

void FString::Truncate(int n)
{
    if (n >= 0 && Length() > n)
        text_.resize(static_cast<size_t>(n));
}

void FString::ToLower()
{
    for (char16_t& c : text_)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
}

void FString::ToUpper()
{
    for (char16_t& c : text_)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 32);
}

FString FString::Lowered() const
{
    FString copy(*this);
    copy.ToLower();
    return copy;
}

FString FString::Uppered() const
{
    FString copy(*this);
    copy.ToUpper();
    return copy;
}

void FString::RemoveChar(char16_t unit)
{
    std::erase(text_, unit);
}

void FString::RemoveFirst(const FString& s)
{
    size_t at = Find(s);
    if (at != std::u16string::npos)
        text_.erase(at, s.text_.size());
}

void FString::RemoveAll(const FString& s)
{
    if (s.Length() == 1)
        RemoveChar(s.text_[0]);
    else
        ReplaceAll(s, kEmpty);
}

void FString::KeepBefore(const FString& s)
{
    size_t at = Find(s);
    if (at != std::u16string::npos)
        text_.resize(at);
}

void FString::KeepAfter(const FString& s)
{
    size_t at = Find(s);
    if (at != std::u16string::npos)
        text_.erase(0, at + s.text_.size());
}

void FString::ReplaceFirst(const FString& find, const FString& repl)
{
    if (find.text_ == repl.text_)
        return;
    size_t at = Find(find);
    if (at != std::u16string::npos)
        text_.replace(at, find.text_.size(), repl.text_);
}

void FString::ReplaceAll(const FString& find, const FString& repl)
{
    if (text_.empty() || find.text_.empty() || find.text_ == repl.text_ || repl.Contains(find))
        return;
    // Each round replaces the first occurrence. The text before the last match had
    // none, so a new one can only start where the replacement may have joined with
    // what stood before it: the search resumes there instead of at 0.
    size_t from = 0;
    for (;;) {
        size_t at = text_.find(find.text_, from);
        if (at == std::u16string::npos)
            return;
        text_.replace(at, find.text_.size(), repl.text_);
        from = at >= find.text_.size() - 1 ? at - (find.text_.size() - 1) : 0;
    }
}

void FString::ReplaceLineBreaks(const FString& repl)
{
    ReplaceAll(FString(u"\r\n"), repl);
    ReplaceAll(FString(u"\n"), repl);
    ReplaceAll(FString(u"\r"), repl);
}

FString FString::DirectoryPart() const
{
    for (size_t i = text_.size(); i > 0; --i)
        if (IsPathSeparator(text_[i - 1]))
            return FString(std::u16string_view(text_).substr(0, i - 1));
    return *this;
}

FString FString::FileNamePart() const
{
    for (size_t i = text_.size(); i > 0; --i)
        if (IsPathSeparator(text_[i - 1]))
            return FString(std::u16string_view(text_).substr(i));
    return *this;
}

FString FString::ExtensionPart() const
{
    if (Length() < 3)
        return FString();
    size_t end = text_.find(u'?');
    if (end == std::u16string::npos)
        end = text_.size();
    size_t dot = std::u16string_view(text_).substr(0, end).rfind(u'.');
    if (dot == std::u16string::npos)
        return FString();
    FString result(std::u16string_view(text_).substr(dot + 1, end - dot - 1));
    result.ToUpper();
    return result;
}

void FString::SetExtension(const FString& ext)
{
    FString clean(ext);
    clean.RemoveChar(u'.');
    if (text_.empty() || clean.text_.empty())
        return;
    for (size_t i = text_.size(); i > 0; --i) {
        char16_t c = text_[i - 1];
        if (IsPathSeparator(c))
            break;
        if (c == u'.') {
            text_.resize(i - 1);
            break;
        }
    }
    text_.push_back(u'.');
    text_ += clean.text_;
}

FString FString::FormatFileSize(uint64_t bytes)
{
    uint64_t g = bytes >> 30, m = bytes >> 20, k = bytes >> 10;
    if (g > 0)
        return FromInt(static_cast<int64_t>(g)).Concat(FString(u" GB"));
    if (m > 0)
        return FromInt(static_cast<int64_t>(m)).Concat(FString(u" MB"));
    return FromInt(static_cast<int64_t>(k)).Concat(FString(u" KB"));
}
