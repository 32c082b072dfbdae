#include "ui/DialogRules.h"

#include "QuilloVersion.h"

#include <algorithm>

namespace {

FString FirstChars(const FString& text, int n)
{
    FString head(text);
    if (head.Length() > n)
        head.Truncate(n);
    return head;
}

} // namespace

int32_t ReadNumberField(const FString& text)
{
    return FirstChars(text, kFieldReadLength).ToInt();
}

float ReadFloatField(const FString& text)
{
    return FirstChars(text, kFieldReadLength).ToFloat();
}

bool TextDiffers(const FString& current, const FString& wanted)
{
    return !FirstChars(current, kTextCompareLength).Equals(FirstChars(wanted, kTextCompareLength));
}

int32_t ClampSpeed(int32_t seconds)
{
    return std::clamp(seconds, kSpeedMinSeconds, kSpeedMaxSeconds);
}

int32_t SpeedFromField(const FString& text)
{
    return ClampSpeed(ReadNumberField(text));
}

FSpeedFields SpeedFieldsFromSettings(const FSettings& settings)
{
    return {FString::FromInt(settings.TimePage), FString::FromInt(settings.TimeZoom),
            FString::FromInt(settings.TimeView)};
}

void StoreSpeedFields(const FSpeedFields& fields, FSettings& settings)
{
    settings.TimePage = SpeedFromField(fields.page);
    settings.TimeZoom = SpeedFromField(fields.zoom);
    settings.TimeView = SpeedFromField(fields.view);
}

FCustomColours& FCustomColours::Process()
{
    static FCustomColours colours;
    return colours;
}

uint32_t FCustomColours::Get(int index) const
{
    if (index < 0 || index >= kCustomColourCount)
        return 0xFFFFFF;
    return colours_[static_cast<size_t>(index)];
}

void FCustomColours::Set(int index, uint32_t rgb)
{
    if (index >= 0 && index < kCustomColourCount)
        colours_[static_cast<size_t>(index)] = rgb & 0xFFFFFF;
}

void FCustomColours::Reset()
{
    colours_.fill(0xFFFFFF);
}

bool IsOpenableDocument(const FString& path)
{
    if (path.IsEmpty())
        return false;
    const FString extension = path.ExtensionPart(); // upper-cased, "?" and after cut off
    return extension.Equals(FString("HTML")) || extension.Equals(FString("HTM")) || extension.Equals(FString("PHP"));
}

FString AboutVersionText(const FLocale& locale)
{
    return locale.GetText(56) + FString(" ") + FString(kProgramVersion);
}

FRect AboutTextRect(int clientWidth, int clientHeight)
{
    return {15, 210, clientWidth - 15, clientHeight};
}

int AboutButtonLeft(int buttonWidth)
{
    return kAboutWidth / 2 - buttonWidth / 2;
}
