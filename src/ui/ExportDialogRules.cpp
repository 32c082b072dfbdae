#include "ui/ExportDialogRules.h"

#include "base/FTokenFile.h"
#include "export/ExportScript.h"
#include "export/FExportPreset.h"
#include "ui/DialogRules.h"
#include "ui/FileDialogRules.h"

#include <algorithm>
#include <cmath>

namespace {

FString Head(const FString& text, int n)
{
    FString head(text);
    head.Truncate(n);
    return head;
}

} // namespace

FString FormatRatio(float value)
{
    int bestN = 0, bestD = 0;
    for (int n = 1; n < 40; ++n)
        for (int d = 1; d < 40; ++d) {
            const float ratio = static_cast<float>(n) / static_cast<float>(d);
            if (std::fabs(ratio - value) < 0.0001f && (bestN == 0 || n + d < bestN + bestD)) {
                bestN = n;
                bestD = d;
            }
        }
    if (bestN == 0)
        return FString::FromFloat(value);
    return FString::FromInt(bestN) + FString(u":") + FString::FromInt(bestD);
}

float ParseRatio(const FString& text)
{
    if (!text.ContainsChar(u':'))
        return text.ToFloat();
    FString before(text), after(text);
    before.KeepBefore(FString(u":"));
    after.KeepAfter(FString(u":"));
    const float a = before.ToFloat();
    if (!(a > 0.0f))
        return 0.0f;
    const float b = after.ToFloat();
    return b > 0.0f ? a / b : 0.0f;
}

float ReadRatioField(const FString& text)
{
    return ParseRatio(Head(text, kRatioReadLength));
}

std::optional<FString> FloatFieldText(const FString& current, float value)
{
    if (current.IsEmpty() && value == 0.0f)
        return std::nullopt;
    if (std::fabs(ReadFloatField(current) - value) < 0.001f)
        return std::nullopt;
    return FString::FromFloat(value);
}

FExportDialogFields ExportDialogFieldsFrom(const FSettings& settings)
{
    FExportDialogFields f;
    const float dar = DisplayAspectFor(settings.ExportWidth, settings.ExportHeight, settings.ExportPAR);
    f.width = FString::FromInt(settings.ExportWidth);
    f.height = FString::FromInt(settings.ExportHeight);
    f.displayAspect = FormatRatio(dar);
    f.pixelAspect = FormatRatio(settings.ExportPAR);
    f.fps = FloatFieldText(FString(), settings.ExportFPS).value_or(FString());
    f.timePage = FString::FromInt(settings.TimePage);
    f.timeZoom = FString::FromInt(settings.TimeZoom);
    f.timeView = FString::FromInt(settings.TimeView);
    f.exportType = settings.ExportType >= 0 && settings.ExportType <= kExportMp4 ? settings.ExportType : -1;
    if (IsUnsetMoviePath(settings.ExportMoviePath) && settings.ExportType == 0)
        f.exportType = kExportMp4;
    return f;
}

int ExportDialogPresetFor(const FSettings& settings)
{
    const float dar = DisplayAspectFor(settings.ExportWidth, settings.ExportHeight, settings.ExportPAR);
    return FindExportPreset(settings.ExportWidth, settings.ExportHeight, dar, settings.ExportPAR, settings.ExportFPS);
}

std::optional<FPresetFill> PresetFill(int preset, const FString& currentFps)
{
    if (preset < 1 || preset >= kExportPresetCount)
        return std::nullopt;
    const FExportPreset& p = ExportPresets()[static_cast<size_t>(preset)];
    return FPresetFill{FString::FromInt(p.width), FString::FromInt(p.height), FormatRatio(p.displayAspect),
                       FormatRatio(p.pixelAspect), FloatFieldText(currentFps, p.framesPerSecond)};
}

FEditReaction ReactToExportEdit(FExportEdit changed, const FExportDialogFields& fields)
{
    FEditReaction reaction;
    const int32_t w = ReadNumberField(fields.width);
    const int32_t h = ReadNumberField(fields.height);
    const float dar = ReadRatioField(fields.displayAspect);
    const float par = ReadRatioField(fields.pixelAspect);
    switch (changed) {
    case FExportEdit::Width:
    case FExportEdit::Height:
    case FExportEdit::PixelAspect:
        if (w > 0 && h > 0)
            reaction.displayAspect = FormatRatio(DisplayAspectFor(w, h, par));
        reaction.selectCustom = true;
        break;
    case FExportEdit::DisplayAspect:
        // The ratios are floats but the quotient is not rounded back to one: 640 / 1.3333334
        // is 479.99998 and truncates to 479, where a float quotient would round to 480.
        if (dar > 0.0f)
            reaction.height = FString::FromInt(static_cast<int64_t>(static_cast<double>(w) * par / dar));
        reaction.selectCustom = true;
        break;
    case FExportEdit::FramesPerSecond: break;
    }
    return reaction;
}

void StoreExportDialogFields(const FExportDialogFields& fields, FSettings& settings)
{
    settings.ExportWidth = std::clamp(ReadNumberField(fields.width), kExportMinSize, kExportMaxSize);
    settings.ExportHeight = std::clamp(ReadNumberField(fields.height), kExportMinSize, kExportMaxSize);
    float par = ReadRatioField(fields.pixelAspect);
    if (!(par > 0.0f) || par > kExportMaxPixelAspect)
        par = 1.0f;
    settings.ExportPAR = par;
    float fps = ReadFloatField(fields.fps);
    if (!(fps > 0.0f) || fps > kExportMaxFps)
        fps = kFallbackFps;
    settings.ExportFPS = fps;
    settings.TimePage = SpeedFromField(fields.timePage);
    settings.TimeZoom = SpeedFromField(fields.timeZoom);
    settings.TimeView = SpeedFromField(fields.timeView);
    if (fields.exportType >= 0 && fields.exportType <= kExportMp4)
        settings.ExportType = fields.exportType;
}

FString MovieLengthText(const FExportDialogFields& fields, const FSettings& settings, int32_t photoCount)
{
    // The fields as OK would store them, through the export's own script.
    FSettings stored(settings);
    StoreExportDialogFields(fields, stored);
    const FExportSettings exported = ExportSettingsFrom(stored);
    const int64_t frames = ScriptFrameCount(BuildExportScript(exported, photoCount));
    const auto seconds = static_cast<int64_t>(std::llround(static_cast<double>(frames) / exported.framesPerSecond));
    const int64_t rest = seconds % 60;
    return FString(u"Length ") + FString::FromInt(seconds / 60) + FString(rest < 10 ? u":0" : u":") +
           FString::FromInt(rest) + FString(u" (") + FString::FromInt(frames) +
           FString(frames == 1 ? u" frame)" : u" frames)");
}

namespace {

struct FKnownEncoder
{
    std::u16string_view codec;
    std::u16string_view label;
    int rank;
};

constexpr FKnownEncoder kKnownEncoders[] = {
    {u"libx264", u"H.264", 0},    {u"libopenh264", u"H.264", 0}, {u"libx265", u"H.265", 1},
    {u"libvpx-vp9", u"VP9", 2},   {u"libaom-av1", u"AV1", 3},    {u"libsvtav1", u"AV1", 3},
    {u"librav1e", u"AV1", 3},     {u"mpeg4", u"MPEG-4", 4},      {u"libxvid", u"MPEG-4", 4},
};
constexpr int kUnknownRank = 5;

const FKnownEncoder* Known(const FString& codecName)
{
    for (const FKnownEncoder& known : kKnownEncoders)
        if (codecName.Str() == known.codec)
            return &known;
    return nullptr;
}

} // namespace

FString EncoderLabel(const FString& codecName)
{
    const FKnownEncoder* known = Known(codecName);
    if (!known)
        return FString();
    return FString(known->label) + FString(u" (") + codecName + FString(u")");
}

FEncoderEntries EncoderEntries(const std::vector<FEncoderNames>& encoders, const FString& current)
{
    std::vector<const FEncoderNames*> order;
    for (const FEncoderNames& encoder : encoders)
        order.push_back(&encoder);
    const auto rank = [](const FEncoderNames* e) {
        const FKnownEncoder* known = Known(e->codec);
        return known ? known->rank : kUnknownRank;
    };
    std::stable_sort(order.begin(), order.end(), [&](auto* a, auto* b) { return rank(a) < rank(b); });

    FEncoderEntries e;
    e.encoderCount = static_cast<int>(std::min<size_t>(order.size(), kMaxEncoderEntries));
    e.selected = e.encoderCount;
    for (int i = 0; i < e.encoderCount; ++i) {
        const FEncoderNames& encoder = *order[static_cast<size_t>(i)];
        const FString label = EncoderLabel(encoder.codec);
        e.entries.push_back(label.IsEmpty() ? encoder.friendly : label);
        e.friendly.push_back(encoder.friendly);
        if (e.selected == e.encoderCount && encoder.friendly == current)
            e.selected = i;
    }
    e.entries.push_back(FString(kUncompressedEntry));
    return e;
}

FString ChosenEncoder(const FEncoderEntries& entries, int selected, const FString& current)
{
    if (selected >= 0 && selected < entries.encoderCount)
        return entries.friendly[static_cast<size_t>(selected)];
    if (selected == entries.encoderCount)
        return FString();
    return current;
}

FString MusicSummary(const std::vector<FString>& files)
{
    if (files.empty())
        return FString(u"No music");
    if (files.size() == 1)
        return files.front().FileNamePart();
    return FString::FromInt(static_cast<int64_t>(files.size())) + FString(u" files");
}

int MoveMusicFile(std::vector<FString>& files, int row, int by)
{
    const int count = static_cast<int>(files.size());
    const int to = row + by;
    if (row < 0 || row >= count || to < 0 || to >= count)
        return row;
    std::swap(files[static_cast<size_t>(row)], files[static_cast<size_t>(to)]);
    return to;
}

FString AddMusicFiles(std::vector<FString>& files, const std::vector<FString>& chosen)
{
    FString refused;
    for (const FString& path : chosen) {
        if (FTokenFile::StoresExactly(path)) {
            files.push_back(path);
            continue;
        }
        if (!refused.IsEmpty())
            refused.Append(FString(u"\n"));
        refused.Append(path).Append(FString(u": the path is too long to be kept in the settings."));
    }
    return refused;
}
