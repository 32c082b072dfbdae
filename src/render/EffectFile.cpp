#include "render/EffectFile.h"

#include "base/FFile.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Reads one technique block; comments inside it are skipped like anywhere else.
class TechniqueReader
{
public:
    TechniqueReader(std::string_view text, size_t position, std::string_view fileName)
        : text_(text), pos_(position), fileName_(fileName)
    {}

    // On success pos() is just past the closing brace.
    bool Read(FEffectTechnique& technique)
    {
        technique.line = Line(pos_);
        Next(); // "technique"
        std::string token = Next();
        if (IsName(token)) {
            technique.name = token;
            token = Next();
        }
        if (token != "{")
            return Fail("'{' expected after technique");
        for (;;) {
            const size_t at = Peek();
            token = Next();
            if (token == "}")
                return true;
            if (token != "pass")
                return Fail(
                    token.empty() ? "technique block not closed" : "'pass' or '}' expected, found '" + token + "'", at);
            FEffectPass pass;
            if (!ReadPass(pass, at))
                return false;
            technique.passes.push_back(std::move(pass));
        }
    }

    size_t pos() const { return pos_; }
    const std::string& error() const { return error_; }

private:
    bool ReadPass(FEffectPass& pass, size_t at)
    {
        pass.line = Line(at);
        std::string token = Next();
        if (IsName(token)) {
            pass.name = token;
            token = Next();
        }
        if (token != "{")
            return Fail("'{' expected after pass");
        for (;;) {
            const size_t keyAt = Peek();
            const std::string key = Next();
            if (key == "}")
                return true;
            if (!IsName(key))
                return Fail(key.empty() ? "pass block not closed" : "state name expected, found '" + key + "'", keyAt);
            if (Next() != "=")
                return Fail("'=' expected after '" + key + "'", keyAt);
            const size_t valueAt = Peek();
            const std::string value = Next();
            if (!IsName(value))
                return Fail("value expected for '" + key + "'", valueAt);
            if (Next() != ";")
                return Fail("';' expected after '" + key + " = " + value + "'", valueAt);
            if (!SetState(pass, key, value, keyAt))
                return false;
        }
    }

    bool SetState(FEffectPass& pass, const std::string& key, const std::string& value, size_t at)
    {
        const std::string k = Lowered(key);
        const std::string v = Lowered(value);
        auto flag = [&](std::optional<bool>& out) {
            if (v != "true" && v != "false")
                return Fail("'" + key + "' takes true or false", at);
            out = v == "true";
            return true;
        };
        if (k == "vertex") {
            pass.vertexEntry = value;
        } else if (k == "fragment") {
            pass.fragmentEntry = value;
        } else if (k == "cull") {
            if (v == "none")
                pass.cull = FCull::None;
            else if (v == "clockwise" || v == "cw")
                pass.cull = FCull::Clockwise;
            else if (v == "counterclockwise" || v == "ccw")
                pass.cull = FCull::CounterClockwise;
            else
                return Fail("'cull' takes none, clockwise or counterclockwise", at);
        } else if (k == "blend") {
            if (v == "none")
                pass.blend = FEffectBlend::None;
            else if (v == "alpha")
                pass.blend = FEffectBlend::Alpha;
            else if (v == "additive")
                pass.blend = FEffectBlend::Additive;
            else
                return Fail("'blend' takes none, alpha or additive", at);
        } else if (k == "depthtest") {
            return flag(pass.depthTest);
        } else if (k == "depthwrite") {
            return flag(pass.depthWrite);
        } else if (k == "optimization") {
            // Read by the text scan before compiling; accepted here so the opt-out
            // may also sit in a pass.
            std::optional<bool> ignored;
            return flag(ignored);
        } else {
            return Fail("unknown pass state '" + key + "'", at);
        }
        return true;
    }

    static bool IsName(const std::string& token) { return !token.empty() && IsIdentifierChar(token[0]); }

    void SkipSpaceAndComments()
    {
        while (pos_ < text_.size()) {
            if (std::isspace(static_cast<unsigned char>(text_[pos_]))) {
                ++pos_;
            } else if (text_.compare(pos_, 2, "//") == 0) {
                const size_t end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end;
            } else if (text_.compare(pos_, 2, "/*") == 0) {
                const size_t end = text_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? text_.size() : end + 2;
            } else {
                break;
            }
        }
    }

    // Where the next token starts.
    size_t Peek()
    {
        SkipSpaceAndComments();
        return pos_;
    }

    // An identifier or number (with ".", "-" and "+" inside), or one other character.
    std::string Next()
    {
        SkipSpaceAndComments();
        if (pos_ >= text_.size())
            return {};
        const size_t start = pos_;
        if (IsIdentifierChar(text_[pos_])) {
            while (pos_ < text_.size() && (IsIdentifierChar(text_[pos_]) || text_[pos_] == '.'))
                ++pos_;
        } else {
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    int Line(size_t position) const
    {
        return 1 +
               static_cast<int>(std::count(
                   text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(std::min(position, text_.size())), '\n'));
    }

    bool Fail(const std::string& message, std::optional<size_t> at = std::nullopt)
    {
        error_ = std::string(fileName_) + "(" + std::to_string(Line(at ? *at : pos_)) + "): error: " + message + "\n";
        return false;
    }

    std::string_view text_;
    size_t pos_;
    std::string_view fileName_;
    std::string error_;
};

void Blank(std::string& text, size_t from, size_t to)
{
    for (size_t i = from; i < to && i < text.size(); ++i)
        if (text[i] != '\n' && text[i] != '\r')
            text[i] = ' ';
}

// "12" at text[pos], advancing pos; -1 when there is no digit.
int ReadNumber(std::string_view text, size_t& pos)
{
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])))
        return -1;
    int value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = std::min(value * 10 + (text[pos] - '0'), 100000000);
        ++pos;
    }
    return value;
}

std::string MapLogLine(std::string_view line, std::string_view fileName, int lineCount, int fallbackLine)
{
    size_t start = 0;
    for (std::string_view prefix : {"ERROR: ", "WARNING: "})
        if (line.substr(0, prefix.size()) == prefix)
            start = prefix.size();
    size_t pos = start;
    if (ReadNumber(line, pos) < 0)
        return std::string(line);
    int lineNumber = -1, column = -1;
    size_t end = 0;
    if (pos < line.size() && line[pos] == ':') {
        // Mesa "0:12(5):" or AMD/Intel "0:12:".
        ++pos;
        lineNumber = ReadNumber(line, pos);
        if (pos < line.size() && line[pos] == '(') {
            ++pos;
            column = ReadNumber(line, pos);
            if (pos >= line.size() || line[pos] != ')')
                return std::string(line);
            ++pos;
        }
        if (pos >= line.size() || line[pos] != ':')
            return std::string(line);
        end = pos + 1;
    } else if (pos < line.size() && line[pos] == '(') {
        // NVIDIA "0(12) :".
        ++pos;
        lineNumber = ReadNumber(line, pos);
        if (pos >= line.size() || line[pos] != ')')
            return std::string(line);
        ++pos;
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size() || line[pos] != ':')
            return std::string(line);
        end = pos + 1;
    }
    if (lineNumber < 0)
        return std::string(line);
    std::string result(line.substr(0, start));
    result += fileName;
    if (lineNumber < 1 || lineNumber > lineCount)
        result += "(" + std::to_string(fallbackLine) + ")";
    else if (column >= 0)
        result += "(" + std::to_string(lineNumber) + "," + std::to_string(column) + ")";
    else
        result += "(" + std::to_string(lineNumber) + ")";
    result += ":";
    result += line.substr(end);
    return result;
}

std::u16string_view Trimmed(std::u16string_view text)
{
    auto space = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
    };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

FEffectFile ParseEffectFile(std::string_view text, std::string_view fileName)
{
    FEffectFile file;
    file.source = std::string(text);
    // Any #version of the writer's own would clash with ours, which must come first.
    for (size_t at = 0; (at = file.source.find("#version", at)) != std::string::npos; at += 8) {
        const size_t lineStart = file.source.rfind('\n', at);
        const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
        if (file.source.find_first_not_of(" \t", from) == at)
            Blank(file.source, at, file.source.find('\n', at));
    }

    int depth = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (text.compare(i, 2, "//") == 0) {
            const size_t end = text.find('\n', i);
            i = end == std::string_view::npos ? text.size() : end;
        } else if (text.compare(i, 2, "/*") == 0) {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? text.size() : end + 2;
        } else if (c == '{') {
            ++depth;
            ++i;
        } else if (c == '}') {
            depth = std::max(depth - 1, 0);
            ++i;
        } else if (IsIdentifierChar(c)) {
            size_t end = i;
            while (end < text.size() && IsIdentifierChar(text[end]))
                ++end;
            if (depth == 0 && text.substr(i, end - i) == "technique") {
                TechniqueReader reader(text, i, fileName);
                FEffectTechnique technique;
                if (!reader.Read(technique)) {
                    file.errors += reader.error();
                    Blank(file.source, i, text.size());
                    break;
                }
                Blank(file.source, i, reader.pos());
                file.techniques.push_back(std::move(technique));
                end = reader.pos();
            }
            i = end;
        } else {
            ++i;
        }
    }
    file.lineCount = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    if (!file.source.empty() && file.source.back() != '\n')
        file.source += '\n';
    return file;
}

std::string EffectStageSource(const FEffectFile& file, const FEffectPass& pass, FEffectStage stage, bool optimize)
{
    const bool vertex = stage == FEffectStage::Vertex;
    const std::string& entry = vertex ? pass.vertexEntry : pass.fragmentEntry;
    std::string text = "#version 330 core\n";
    text += vertex ? "#define VERTEX 1\n#define VARYING out\n" : "#define FRAGMENT 1\n#define VARYING in\n";
    if (!optimize)
        text += "#pragma optimize(off)\n";
    // Our vertex main wraps the writer's, so it can fix the clip depth afterwards.
    const bool renameMain = vertex && entry.empty();
    if (renameMain)
        text += "#define main QuilloEffectVertexMain\n";
    text += "#line 1\n";
    text += file.source;
    if (renameMain)
        text += "#undef main\n";
    if (vertex) {
        text += "uniform bool QuilloConvertDepth;\nvoid main()\n{\n    ";
        text += renameMain ? "QuilloEffectVertexMain" : entry;
        text += "();\n    if (QuilloConvertDepth)\n        gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n}\n";
    } else if (!entry.empty()) {
        text += "void main()\n{\n    " + entry + "();\n}\n";
    }
    return text;
}

std::string MapCompilerLog(std::string_view log, std::string_view fileName, int lineCount, int fallbackLine)
{
    std::string result;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = log.size();
        std::string_view line = log.substr(start, end - start);
        // Drivers end their logs with zero bytes and blank lines.
        while (!line.empty() && (line.back() == '\0' || line.back() == '\r'))
            line.remove_suffix(1);
        if (!line.empty())
            result += MapLogLine(line, fileName, lineCount, fallbackLine) + "\n";
        start = end + 1;
    }
    return result;
}

bool EffectWantsOptimizationText(std::u16string_view text)
{
    const size_t at = text.find(u"optimization");
    if (at == std::u16string_view::npos)
        return true;
    std::u16string_view rest = Trimmed(text.substr(at + 12));
    const size_t equals = rest.find(u'=');
    if (equals != std::u16string_view::npos)
        rest = Trimmed(rest.substr(equals + 1));
    const size_t semicolon = rest.find(u';');
    if (semicolon != std::u16string_view::npos)
        rest = Trimmed(rest.substr(0, semicolon));
    return rest.find(u"false") == std::u16string_view::npos;
}

bool EffectWantsOptimization(const FString& path)
{
    return EffectWantsOptimizationText(ReadWholeFile(path, kMaxEffectFileBytes).Str());
}

int32_t PhotoEffectStart(int32_t photoIndex, int32_t timePage, int32_t timeZoom, int32_t timeView)
{
    const int32_t p = timePage, z = timeZoom, v = timeView;
    const int32_t q = photoIndex / 4;
    const int32_t m = photoIndex % 4;
    int32_t start = 0;
    switch (m) {
    case 0: start = p + z; break;
    case 1: start = p + v + 3 * z; break;
    case 2: start = 2 * p + 3 * v + 5 * z; break;
    case 3: start = 2 * p + 4 * v + 7 * z; break;
    default: break; // negative indices name no photo
    }
    if (q >= 1)
        start += q * (2 * p + 5 * v + 8 * z);
    return start;
}

float PhotoEffectTime(int32_t photoIndex, float movieTime, int32_t timePage, int32_t timeZoom, int32_t timeView)
{
    const float start = static_cast<float>(PhotoEffectStart(photoIndex, timePage, timeZoom, timeView));
    const float view = static_cast<float>(timeView);
    if (movieTime < start)
        return 0;
    if (movieTime <= start + view)
        return movieTime - start;
    return view;
}
