#include "export/ExportReport.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

std::string JsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Shortest form that reads back the same, with a "." whatever the C locale says.
template <typename T> std::string JsonNumber(T value)
{
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

FString Line(const char16_t* label, const FString& value, const char16_t* unit = u"")
{
    return FString(label) + value + FString(unit) + FString(u"\n");
}

// "3:25", "1:02:03".
FString MinutesAndSeconds(double seconds)
{
    const auto whole = static_cast<int64_t>(std::lround(seconds));
    FString text = whole >= 3600 ? FString::FromInt(whole / 3600) + FString(u":") + FString::FromInt(whole / 60 % 60, 2)
                                 : FString::FromInt(whole / 60);
    return text + FString(u":") + FString::FromInt(whole % 60, 2);
}

} // namespace

FString ExportReportText(const FExportFigures& f)
{
    if (f.framesStored < 1 || !f.hasGrabber)
        return FString(u"Error creating AVI file");

    FString text(u"Animation saved successfully!\n\n");
    text.Append(Line(u"Path:\t", f.outputPath));
    text.Append(Line(u"Size:\t", FString::FormatFileSize(f.bytesWritten)));
    text.Append(FString(u"\n"));
    text.Append(Line(u"Width:\t", FString::FromInt(f.width), u" pixels"));
    text.Append(Line(u"Height:\t", FString::FromInt(f.height), u" pixels"));
    const int64_t seconds = static_cast<int64_t>(static_cast<float>(f.framesStored) / f.framesPerSecond);
    if (seconds / 60 >= 1)
        text.Append(Line(u"Duration:\t", FString::FromInt(seconds / 60), u" minutes"));
    else
        text.Append(Line(u"Duration:\t", FString::FromInt(seconds), u" seconds"));
    text.Append(Line(u"FPS:\t", FString::FromFloat(f.framesPerSecond), u" frames per second"));
    text.Append(Line(u"Format:\t", f.formatName));
    if (!f.musicFiles.empty()) {
        FString names;
        for (const FString& file : f.musicFiles)
            names.Append(names.IsEmpty() ? file.FileNamePart() : FString(u", ") + file.FileNamePart());
        text.Append(Line(u"Music:\t", names + FString(u" (") + MinutesAndSeconds(f.musicSeconds) + FString(u")")));
    }
    text.Append(FString(u"\n"));
    text.Append(Line(u"Frames rendered:\t", FString::FromInt(f.framesRendered)));
    text.Append(Line(u"Frames stored:\t", FString::FromInt(f.framesStored)));
    if (f.unreadablePhotos > 0)
        text.Append(Line(u"Photos not readable:\t", FString::FromInt(f.unreadablePhotos)));
    if (f.elapsedMs > 0) {
        const float speed = static_cast<float>(f.framesStored) * 1000.0f / static_cast<float>(f.elapsedMs);
        if (speed > 0.0f)
            text.Append(FString(u"Export Speed:\t") + FString::FromFloat(speed, 1) + FString(u" frames per second (") +
                        FString::FromFloat(f.framesPerSecond / speed, 1) + FString(u" seconds per second)\n"));
    }
    text.Append(Line(u"Antialiasing quality:\t", FString::FromInt(f.samplesPerPixel), u" samples per pixel"));
    return text;
}

FString ExportReportJson(const FExportFigures& f)
{
    const double duration = f.framesPerSecond > 0 ? f.framesStored / static_cast<double>(f.framesPerSecond) : 0.0;
    const std::string json =
        "{\"path\":" + JsonString(f.outputPath.ToUtf8()) + ",\"bytes\":" + JsonNumber(f.bytesWritten) +
        ",\"width\":" + JsonNumber(f.width) + ",\"height\":" + JsonNumber(f.height) +
        ",\"duration\":" + JsonNumber(duration) + ",\"fps\":" + JsonNumber(f.framesPerSecond) +
        ",\"format\":" + JsonString(f.formatName.ToUtf8()) + ",\"framesRendered\":" + JsonNumber(f.framesRendered) +
        ",\"framesStored\":" + JsonNumber(f.framesStored) + ",\"elapsed\":" + JsonNumber(f.elapsedMs / 1000.0) +
        ",\"samplesPerPixel\":" + JsonNumber(f.samplesPerPixel) +
        ",\"unreadablePhotos\":" + JsonNumber(f.unreadablePhotos);
    if (f.musicFiles.empty())
        return FString::FromUtf8(json + "}");
    std::string files;
    for (const FString& file : f.musicFiles)
        files += (files.empty() ? "" : ",") + JsonString(file.ToUtf8());
    return FString::FromUtf8(json + ",\"music\":{\"files\":[" + files + "],\"duration\":" +
                             JsonNumber(f.musicSeconds) + "}}");
}
