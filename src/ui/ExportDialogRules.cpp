#include "ui/ExportDialogRules.h"

#include "export/ExportScript.h"
#include "export/FExportPreset.h"
#include "ui/DialogRules.h"

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
    f.exportType = settings.ExportType == 0 ? 0 : settings.ExportType == 1 ? 1 : -1;
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
    if (fields.exportType == 0 || fields.exportType == 1)
        settings.ExportType = fields.exportType;
}

FEncoderEntries EncoderEntries(const std::vector<FString>& names, const FString& current)
{
    FEncoderEntries e;
    e.encoderCount = static_cast<int>(std::min<size_t>(names.size(), kMaxEncoderEntries));
    e.entries.assign(names.begin(), names.begin() + e.encoderCount);
    e.selected = e.encoderCount;
    for (int i = 0; i < e.encoderCount; ++i)
        if (names[static_cast<size_t>(i)] == current) {
            e.selected = i;
            break;
        }
    e.entries.push_back(FString(kUncompressedEntry));
    return e;
}

FString ChosenEncoder(const FEncoderEntries& entries, int selected, const FString& current)
{
    if (selected >= 0 && selected < entries.encoderCount)
        return entries.entries[static_cast<size_t>(selected)];
    if (selected == entries.encoderCount)
        return FString();
    return current;
}
