#pragma once
// What the program's own dialogs decide without a window: how edit fields are
// read, the animation speed limits, colour conversions for the colour chooser,
// which documents may be opened, the About box's layout and the custom colours
// that the colour chooser keeps for the life of the process.

#include "base/FLocale.h"
#include "base/FSettings.h"
#include "base/FString.h"

#include <array>
#include <cstdint>

// Edit fields are read through a buffer this long; the rest of the text is ignored.
inline constexpr int kFieldReadLength = 7;
// Setting a text that already shows avoids a flicker; texts are compared this far.
inline constexpr int kTextCompareLength = 512;

inline constexpr int32_t kSpeedMinSeconds = 1;
inline constexpr int32_t kSpeedMaxSeconds = 20;

// Decimal integer from the first 7 characters; 0 when they hold no number.
int32_t ReadNumberField(const FString& text);
// Floating-point number from the first 7 characters; 0 when they hold no number.
float ReadFloatField(const FString& text);
// True when showing wanted in place of current would change the first 512 characters.
bool TextDiffers(const FString& current, const FString& wanted);

int32_t ClampSpeed(int32_t seconds);
// One field of the speed dialog as it is stored on OK.
int32_t SpeedFromField(const FString& text);

// The speed dialog's three fields, in the order TimePage, TimeZoom, TimeView.
struct FSpeedFields
{
    FString page, zoom, view;
};
FSpeedFields SpeedFieldsFromSettings(const FSettings& settings);
void StoreSpeedFields(const FSpeedFields& fields, FSettings& settings);

// The 16 custom colours of the colour chooser, 0xRRGGBB, white until the user
// changes them; one set for the whole process.
inline constexpr int kCustomColourCount = 16;
class FCustomColours
{
public:
    static FCustomColours& Process();

    uint32_t Get(int index) const;     // white for indices out of range
    void Set(int index, uint32_t rgb); // ignored for indices out of range
    void Reset();                      // all white again

private:
    FCustomColours() { Reset(); }
    std::array<uint32_t, kCustomColourCount> colours_{};
};

// Only web pages are handed to the desktop: the extension (after the last ".",
// before any "?", case ignored) must be HTML, HTM or PHP.
bool IsOpenableDocument(const FString& path);

// About box: a 640 × 480 picture with the version line drawn over it.
inline constexpr int kAboutWidth = 640;
inline constexpr int kAboutHeight = 480;
inline constexpr int kAboutButtonTop = 420;
inline constexpr int kAboutTextHeight = 18;            // pixels, bold
inline constexpr uint32_t kAboutTextColour = 0x787878; // 0xRRGGBB
inline constexpr uint32_t kAboutFillColour = 0xFFFFFF;

// Locale text 56 followed by the version: "version 3.01" in English.
FString AboutVersionText(const FLocale& locale);
// The version line is right-aligned at the top of this rectangle.
FRect AboutTextRect(int clientWidth, int clientHeight);
// The OK button is centred on x = 320.
int AboutButtonLeft(int buttonWidth);
