#include "base/FTokenFile.h"

#include <optional>

namespace {

bool IsTokenSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

void AppendSeparatorTo(FString& line)
{
    if (!line.IsEmpty())
        line.Append(u'\t');
}

// How AddString spells s on the line.
void AppendPlain(FString& line, const FString& s)
{
    FString value(s);
    value.ReplaceLineBreaks(FString(u"\\n"));
    if (value.IsEmpty()) {
        line.Append(FString(u"\t\"\""));
        return;
    }
    const bool oneTab = value.Length() == 1 && value.CharAt(0) == u'\t';
    if (!oneTab)
        AppendSeparatorTo(line);
    if (!oneTab && (value.ContainsChar(u' ') || value.ContainsChar(u'\t'))) {
        line.Append(u'"');
        line.Append(value);
        line.Append(u'"');
    } else {
        line.Append(value);
    }
}

// Marks a token spelled with %XXXX escapes (UTF-16 units in hex) for the
// characters the line format cannot carry.
constexpr char16_t kEscapedMark = u'?';

bool NeedsEscape(char16_t c)
{
    return c == u'%' || IsTokenSpace(c);
}

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// The token AddExactString writes for s: s itself when AddString's spelling reads
// back unchanged, else the escaped form; nothing when neither fits in a token.
std::optional<FString> ExactToken(const FString& s)
{
    if (s.IsEmpty() || s.CharAt(0) != kEscapedMark) {
        FString line(u"K");
        AppendPlain(line, s);
        FTokenLine read;
        read.Tokenise(line.Str());
        if (read.count == 2 && read.tokens[1] == s.Str())
            return s;
    }
    static const char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string escaped(1, kEscapedMark);
    for (char16_t c : s.Str()) {
        if (!NeedsEscape(c)) {
            escaped.push_back(c);
            continue;
        }
        escaped.push_back(u'%');
        for (int shift = 12; shift >= 0; shift -= 4)
            escaped.push_back(kHex[(c >> shift) & 0xF]);
    }
    if (escaped.size() > dMaxTokenLength)
        return std::nullopt;
    return FString(escaped);
}

} // namespace

void FTokenLine::Tokenise(std::u16string_view line)
{
    count = 0;
    text.clear();
    for (auto& token : tokens)
        token.clear();
    if (line.empty() || line.size() > dMaxRawLineLength + 1)
        return;
    for (char16_t c : line)
        if (c != u'\r' && c != u'\n')
            text.push_back(c);

    size_t i = 0;
    const size_t n = text.size();
    while (i < n && count < dMaxTokensPerLine) {
        if (IsTokenSpace(text[i])) {
            ++i;
            continue;
        }
        const bool quoted = text[i] == u'"';
        if (quoted) {
            ++i;
            if (i >= n)
                break; // a quote at the very end starts no token
        }
        std::u16string& token = tokens[static_cast<size_t>(count)];
        while (i < n) {
            char16_t c = text[i];
            if (quoted && c == u'"') {
                ++i;
                break;
            }
            if (!quoted && IsTokenSpace(c))
                break;
            if (token.size() < dMaxTokenLength)
                token.push_back(c);
            ++i;
        }
        ++count;
    }
}

FTokenFile::FTokenFile(const FString& path, bool writing, uint64_t maxBytes) : path_(path), writing_(writing)
{
    file_ = std::make_unique<FFile>(path, writing, writing ? kNoSizeLimit : maxBytes);
    if (writing) {
        wide_ = true;
        static const unsigned char mark[2] = {0xFF, 0xFE};
        if (!file_->Write(mark, 2))
            writeFailed_ = true;
        return;
    }
    ReportRefusal();
    unsigned char mark[2];
    if (file_->Read(mark, 2) && mark[0] == 0xFF && mark[1] == 0xFE)
        wide_ = true;
    file_->Seek(wide_ ? 2 : 0);
}

FTokenFile::~FTokenFile() = default;

void FTokenFile::ReportRefusal()
{
    // A missing file is ordinary; a FIFO, a device or a huge file is worth a word.
    const int error = file_->LastError();
    if (refusalReported_ || (error != kErrorNotRegularFile && error != kErrorTooLarge))
        return;
    refusalReported_ = true;
    DebugOutput(path_.Concat(FString(u": ")).Concat(ErrorText(error)));
}

bool FTokenFile::ReadUnit(char16_t& unit)
{
    const size_t size = wide_ ? 2 : 1;
    if (bufferEnd_ - bufferPos_ < size) {
        // Keep a left-over odd byte in front of the new data.
        size_t left = bufferEnd_ - bufferPos_;
        for (size_t k = 0; k < left; ++k)
            buffer_[k] = buffer_[bufferPos_ + k];
        bufferPos_ = 0;
        bufferEnd_ = left;
        while (bufferEnd_ < size) {
            int64_t got = file_->ReadSome(buffer_.data() + bufferEnd_, buffer_.size() - bufferEnd_);
            if (got <= 0) {
                if (got < 0)
                    ReportRefusal();
                return false;
            }
            bufferEnd_ += static_cast<size_t>(got);
        }
    }
    unit = wide_ ? static_cast<char16_t>(buffer_[bufferPos_] | (buffer_[bufferPos_ + 1] << 8))
                 : static_cast<char16_t>(buffer_[bufferPos_]);
    bufferPos_ += size;
    lastUnitSize_ = size;
    return true;
}

void FTokenFile::UnreadUnit()
{
    bufferPos_ -= lastUnitSize_;
    lastUnitSize_ = 0;
}

bool FTokenFile::ReadLine()
{
    if (!file_ || writing_)
        return false;
    std::u16string raw;
    bool anything = false;
    char16_t unit;
    for (;;) {
        if (!ReadUnit(unit)) {
            // A hand-made file may end its last line without a line break; that
            // line still counts. An empty tail is the end of the file.
            if (!anything)
                return false;
            break;
        }
        anything = true;
        if (unit == u'\n')
            break;
        if (unit == u'\r') {
            char16_t next;
            if (ReadUnit(next) && next != u'\n')
                UnreadUnit();
            break;
        }
        if (raw.size() < dMaxRawLineLength)
            raw.push_back(unit);
    }
    current_.Tokenise(raw);
    return true;
}

bool FTokenFile::CheckIndex(int index) const
{
    if (index >= dMaxTokensPerLine)
        DebugOutput(FString(u"Increase dMaxTokensPerLine!\n"));
    return index >= 0 && index < current_.count;
}

FString FTokenFile::GetToken(int index, bool unescape) const
{
    if (!CheckIndex(index))
        return FString();
    FString token(current_.tokens[static_cast<size_t>(index)]);
    if (unescape)
        Unescape(token);
    return token;
}

int32_t FTokenFile::GetInt(int index) const
{
    if (!CheckIndex(index))
        return 0;
    return FString(current_.tokens[static_cast<size_t>(index)]).ToInt();
}

float FTokenFile::GetFloat(int index) const
{
    if (!CheckIndex(index))
        return 0.0f;
    return FString(current_.tokens[static_cast<size_t>(index)]).ToFloat();
}

bool FTokenFile::GetBool(int index) const
{
    if (!CheckIndex(index))
        return false;
    return current_.tokens[static_cast<size_t>(index)] == u"Y";
}

FString FTokenFile::GetLine(bool unescape) const
{
    FString line(current_.text);
    if (unescape)
        Unescape(line);
    return line;
}

void FTokenFile::Unescape(FString& s)
{
    s.ReplaceAll(FString(u"\\n"), FString(u"\r\n"));
    s.ReplaceAll(FString(u"<NEW LINE>"), FString(u"\r\n"));
}

void FTokenFile::AppendSeparator()
{
    AppendSeparatorTo(outputLine_);
}

void FTokenFile::AddString(const FString& s)
{
    if (!writing_)
        return;
    AppendPlain(outputLine_, s);
}

bool FTokenFile::StoresExactly(const FString& s)
{
    return ExactToken(s).has_value();
}

void FTokenFile::AddExactString(const FString& s)
{
    AddString(ExactToken(s).value_or(FString()));
}

FString FTokenFile::GetExactToken(int index) const
{
    const FString token = GetToken(index);
    if (token.IsEmpty() || token.CharAt(0) != kEscapedMark)
        return token;
    const std::u16string& text = token.Str();
    std::u16string value;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] != u'%') {
            value.push_back(text[i]);
            continue;
        }
        // Not our spelling (a hand-written value, say): taken as it stands.
        if (text.size() - i < 5)
            return token;
        int unit = 0;
        for (size_t k = 1; k <= 4; ++k) {
            const int digit = HexDigit(text[i + k]);
            if (digit < 0)
                return token;
            unit = unit * 16 + digit;
        }
        value.push_back(static_cast<char16_t>(unit));
        i += 4;
    }
    return FString(value);
}

void FTokenFile::AddInt(int32_t value)
{
    if (!writing_)
        return;
    AppendSeparator();
    outputLine_.Append(FString::FromInt(value));
}

void FTokenFile::AddFloat(float value)
{
    if (!writing_)
        return;
    AppendSeparator();
    outputLine_.Append(FString::FromFloat(value));
}

void FTokenFile::AddBool(bool value)
{
    if (!writing_)
        return;
    AppendSeparator();
    outputLine_.Append(FString(value ? u"Y" : u"N"));
}

void FTokenFile::AddVector3(float x, float y, float z)
{
    AddFloat(x);
    AddFloat(y);
    AddFloat(z);
}

void FTokenFile::WriteUnits(const FString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.Length()) * 2);
    for (char16_t u : text.Str()) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    if (!file_->Write(bytes.data(), bytes.size()))
        writeFailed_ = true;
}

void FTokenFile::EndLine(const FString& override)
{
    if (!writing_)
        return;
    if (!override.IsEmpty())
        outputLine_ = override;
    outputLine_.Append(FString(u"\r\n"));
    WriteUnits(outputLine_);
    outputLine_ = FString();
}

bool FTokenFile::Finish()
{
    if (!file_)
        return false;
    if (!writing_)
        return file_->ok() && file_->Close();
    const bool closed = file_->Close();
    return closed && !writeFailed_;
}
